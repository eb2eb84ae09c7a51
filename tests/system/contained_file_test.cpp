// Only regular files really inside the installation are read, and never by
// blocking on a FIFO.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/contained_file.h"
#include "system/folder_listings.h"
#include "system/strings.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;
using testing::WriteBytes;

TEST(ContainedFile, OnlyRegularFilesWhoseRealPathIsInsideAreRead) {
  ScratchDir scratch("contained");
  const fs::path inst = scratch.path() / "inst";
  const fs::path outside = scratch.path() / "private";
  fs::create_directories(inst / "docs");
  fs::create_directories(outside);
  WriteBytes(inst / "docs/page.html", "<p>inside</p>");
  WriteBytes(outside / "key", "secret");
  fs::create_symlink("../../private", inst / "docs/leak");
  fs::create_symlink("page.html", inst / "docs/alias.html");
  fs::create_symlink(outside / "key", inst / "docs/key.html");
  ASSERT_EQ(mkfifo((inst / "docs/fifo.html").c_str(), 0600), 0);
  fs::create_directories(inst / "docs/dir.html");
  WriteBytes(inst / "docs/big.html", std::string(101, 'x'));
  const std::string root = RealPathOf(inst.string());

  struct Case {
    const char* path;
    bool read;
  } cases[] = {
      {"docs/page.html", true},         {"docs/alias.html", true},
      {"docs/leak/key", false},         {"docs/key.html", false},
      {"docs/fifo.html", false},        {"docs/dir.html", false},
      {"docs/big.html", false},         {"docs/none.html", false},
      {"docs/../docs/page.html", true}, {"docs/leak/../../inst/docs/page.html", false},
  };
  // One file at a time, and through the reader that keeps each folder open
  // (asked twice, so that the second answer comes from the open folder).
  ContainedFileReader reader(root);
  for (int pass = 0; pass < 3; ++pass) {
    for (const Case& c : cases) {
      std::string bytes;
      String error;
      const std::string path = (inst / c.path).string();
      const bool read =
          pass == 0 ? ReadContainedFile(path, root, 100, &bytes, &error) : reader.Read(path, 100, &bytes, &error);
      EXPECT_EQ(read, c.read) << c.path << " pass " << pass;
      EXPECT_EQ(error.empty(), c.read) << c.path << ": " << ToUtf8(error);
      if (c.read) {
        EXPECT_EQ(bytes, "<p>inside</p>");
      }
    }
  }
  EXPECT_TRUE(RealPathWithin(root, root));
  EXPECT_FALSE(RealPathWithin(root + "-other/x", root));
  EXPECT_TRUE(RealPathWithin("/x", "/"));
}

// Only what is certainly not there is ruled out; links, "..", and listings
// past their bound are left to the system.
TEST(FolderListings, RuleOutOnlyWhatIsCertainlyMissing) {
  ScratchDir scratch("listings");
  const fs::path root = scratch.path() / "inst";
  fs::create_directories(root / "docs/sub");
  WriteBytes(root / "docs/sub/page.html", "x");
  WriteBytes(root / "docs/file", "x");
  fs::create_directory_symlink("sub", root / "docs/alias");
  fs::create_directory_symlink(scratch.path(), root / "docs/up");
  struct Case {
    const char* path;
    bool may_exist;
  } cases[] = {
      {"/docs/sub/page.html", true},  {"docs//sub/page.html", true},     {"/docs/sub/none.html", false},
      {"/docs/gone/page.html", false}, {"/nothing/docs/sub", false},     {"/docs/alias/page.html", true},
      {"/docs/alias/none.html", true}, {"/docs/up/anything", true},      {"/docs/file/below", true},
      {"/docs/../inst/x", true},       {"/docs/sub/./page.html", true},  {"/", true},
  };
  FolderListings listings(RealPathOf(root.string()), 1000);
  FolderListings bounded(RealPathOf(root.string()), 2);
  for (int pass = 0; pass < 2; ++pass) {
    for (const Case& c : cases) {
      EXPECT_EQ(listings.MayExist(c.path), c.may_exist) << c.path << " pass " << pass;
      EXPECT_TRUE(bounded.MayExist(c.path)) << c.path;
    }
  }
}

}  // namespace
}  // namespace qm
