#include "app/index/scan_dir.h"

#include <unistd.h>

#include <gtest/gtest.h>
#include <algorithm>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/strings.h"

namespace qm {
namespace {

using testing::ScratchDir;
using testing::WriteBytes;

std::vector<std::string> Sorted(const std::vector<String>& paths) {
  std::vector<std::string> out;
  for (const auto& p : paths) out.push_back(ToByteString(p));
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ScanDir, RegularFilesWithExactlyTheExtension) {
  ScratchDir scratch("scan");
  const std::string dir = scratch.path().string();
  WriteBytes(scratch.path() / "a.txt", "a");
  WriteBytes(scratch.path() / "b.TXT", "b");  // letter case counts
  WriteBytes(scratch.path() / "c.txt.bak", "c");
  WriteBytes(scratch.path() / "sub.txt/inner.txt", "d");  // a directory, not listed, not entered
  // The directory text keeps a backslash before each name.
  EXPECT_EQ(Sorted(ScanDir(FromBytes(dir), u"txt")), std::vector<std::string>{dir + "\\a.txt"});
  EXPECT_EQ(Sorted(ScanDir(FromBytes(dir + "/"), u"txt")), std::vector<std::string>{dir + "/\\a.txt"});
  EXPECT_TRUE(ScanDir(FromBytes(dir), u"md").empty());
  EXPECT_TRUE(ScanDir(FromBytes(dir + "/missing"), u"txt").empty());
}

TEST(ScanDir, EmptyDirectoryMeansTheCurrentOne) {
  ScratchDir scratch("scancwd");
  WriteBytes(scratch.path() / "x.js", "x");
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(scratch.path().c_str()), 0);
  const auto paths = ScanDir(u"", u"js");
  ASSERT_EQ(chdir(old), 0);
  EXPECT_EQ(Sorted(paths), std::vector<std::string>{scratch.path().string() + "\\x.js"});
}

}  // namespace
}  // namespace qm
