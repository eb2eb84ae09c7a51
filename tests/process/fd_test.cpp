#include "process/fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

TEST(DescriptorFunctions, AvailReportsWaitingBytesAndReadSeesTheEnd) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  EXPECT_EQ(fdAvail(ends[0]), 0);
  EXPECT_EQ(fdWrite(ends[1], "abc", 3), 3);
  EXPECT_EQ(fdAvail(ends[0]), 3);
  char buffer[8];
  EXPECT_EQ(fdRead(ends[0], buffer, 8), 3);
  EXPECT_EQ(fdClose(ends[1]), 0);
  EXPECT_EQ(fdRead(ends[0], buffer, 8), 0);
  EXPECT_EQ(fdFlush(ends[0]), 0);
  EXPECT_EQ(fdClose(ends[0]), 0);
}

TEST(DescriptorFunctions, BadDescriptorHasNothingAvailableAndFailsToRead) {
  char byte = 0;
  EXPECT_EQ(fdAvail(-1), 0);
  EXPECT_EQ(fdRead(-1, &byte, 1), -1);
  EXPECT_EQ(fdWrite(-1, &byte, 1), -1);
  EXPECT_EQ(fdClose(-1), -1);
}

TEST(UniqueFdOwnership, ClosesAtScopeEndUnlessReleased) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  int kept = -1;
  {
    UniqueFd closed(ends[0]);
    UniqueFd released(ends[1]);
    kept = released.Release();
    EXPECT_FALSE(released.Valid());
  }
  EXPECT_FALSE(IsOpen(ends[0]));
  EXPECT_TRUE(IsOpen(kept));
  close(kept);
}

TEST(UniqueFdOwnership, MoveHandsOverAndAssignmentClosesTheOldOne) {
  int first[2], second[2];
  ASSERT_EQ(pipe(first), 0);
  ASSERT_EQ(pipe(second), 0);
  close(first[1]);
  close(second[1]);
  UniqueFd a(first[0]);
  UniqueFd b(std::move(a));
  EXPECT_FALSE(a.Valid());
  EXPECT_EQ(b.Get(), first[0]);
  b = UniqueFd(second[0]);
  EXPECT_FALSE(IsOpen(first[0]));
  EXPECT_EQ(b.Get(), second[0]);
}

}  // namespace
}  // namespace qm
