// Where the settings and the working files live.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "app/shell/file_locations.h"

namespace qm {
namespace {

TEST(FileLocationsChoice, BesideTheProgramOrInTheUsersFolders) {
  struct Case {
    const char* app_dir;
    bool writable;
    UserDirs dirs;
    FileLocations expected;
  };
  const Case cases[] = {
      {"/home/me/.local/lib/quillmere",
       true,
       {"/x/conf", "/x/cache", "/home/me"},
       {true, "/home/me/.local/lib/quillmere/config.txt", "", "/home/me/.local/lib/quillmere"}},
      {"/usr/lib/quillmere",
       false,
       {"/x/conf", "/x/cache/", "/home/me"},
       {false, "/x/conf/quillmere/config.txt", "/usr/lib/quillmere/config.txt", "/x/cache/quillmere"}},
      // Unset or relative XDG values fall back to the defaults below home.
      {"/usr/lib/quillmere",
       false,
       {"", "rel/cache", "/home/me"},
       {false, "/home/me/.config/quillmere/config.txt", "/usr/lib/quillmere/config.txt", "/home/me/.cache/quillmere"}},
      {"/", false, {"", "", "/"}, {false, "/.config/quillmere/config.txt", "/config.txt", "/.cache/quillmere"}},
  };
  for (const auto& c : cases) {
    const FileLocations got = ChooseFileLocations(c.app_dir, c.writable, c.dirs);
    EXPECT_EQ(got.beside_program, c.expected.beside_program) << c.app_dir;
    EXPECT_EQ(got.settings_file, c.expected.settings_file);
    EXPECT_EQ(got.settings_default, c.expected.settings_default);
    EXPECT_EQ(got.working_dir, c.expected.working_dir);
  }
}

TEST(FileLocationsChoice, WritabilityAndDirectoryCreation) {
  testing::ScratchDir temp;
  const std::string root = temp.path();
  EXPECT_TRUE(DirectoryWritable(root));
  EXPECT_FALSE(DirectoryWritable(root + "/missing"));
  const std::string deep = root + "/a/b/c/";
  ASSERT_TRUE(MakeDirectories(deep));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  struct stat info {};
  ASSERT_EQ(stat((root + "/a").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);  // new folders are the user's own
  EXPECT_TRUE(MakeDirectories(deep));     // already there
  std::filesystem::create_directories(root + "/f");
  std::filesystem::remove(root + "/f");
  {
    FILE* f = fopen((root + "/f").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
  }
  EXPECT_FALSE(MakeDirectories(root + "/f"));
  EXPECT_FALSE(MakeDirectories(root + "/f/g"));
}

}  // namespace
}  // namespace qm
