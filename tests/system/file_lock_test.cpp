#include "system/file_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

TEST(FileLock, ASecondHolderWaitsItsTimeThenIsRefusedUntilTheFirstLetsGo) {
  ScratchDir dir;
  auto first = FileLock::Acquire(dir.File("lock"), 0);
  ASSERT_NE(first, nullptr);
  FileLock::Refusal refusal{};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FileLock::Acquire(dir.File("lock"), 150, &refusal), nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_EQ(refusal, FileLock::Refusal::kBusy);
  first.reset();
  EXPECT_NE(FileLock::Acquire(dir.File("lock"), 0), nullptr);
}

TEST(FileLock, ALinkInPlaceOfTheLockIsReplacedAndAMissingFolderRefused) {
  ScratchDir dir;
  WriteBytes(dir.File("precious"), "mine");
  std::filesystem::create_symlink(dir.File("precious"), dir.File("lock"));
  EXPECT_NE(FileLock::Acquire(dir.File("lock"), 0), nullptr);
  EXPECT_FALSE(std::filesystem::is_symlink(dir.File("lock")));
  EXPECT_EQ(ReadBytes(dir.File("precious")), "mine");
  FileLock::Refusal refusal{};
  int error_number = 0;
  EXPECT_EQ(FileLock::Acquire(dir.File("missing/lock"), 0, &refusal, &error_number), nullptr);
  EXPECT_EQ(refusal, FileLock::Refusal::kFailed);
  EXPECT_EQ(error_number, ENOENT);
}

}  // namespace
}  // namespace qm
