#include "system/wide_offsets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace qm {
namespace {

// Offsets on both sides of each 4 GiB boundary, several equal ones, and a
// step over whole 4 GiB at once: each reads back as it was added.
TEST(WideOffsets, ReadBackAcrossEachFourGibibytes) {
  constexpr std::uint64_t kFour = std::uint64_t{1} << 32;
  const std::vector<std::uint64_t> added = {0,        1,        kFour - 1, kFour - 1,    kFour,        kFour,
                                            kFour + 7, 2 * kFour - 1, 5 * kFour + 3, 5 * kFour + 3, 6 * kFour};
  WideOffsets offsets;
  for (const std::uint64_t offset : added) offsets.Add(offset);
  ASSERT_EQ(offsets.Size(), added.size());
  for (std::size_t k = 0; k < added.size(); ++k) EXPECT_EQ(offsets[k], added[k]) << k;
  offsets.Clear();
  EXPECT_TRUE(offsets.Empty());
  offsets.Add(3);
  EXPECT_EQ(offsets[0], 3u) << "nothing of before the clear is left";
}

}  // namespace
}  // namespace qm
