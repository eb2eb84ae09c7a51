// A folder made aside and published whole, and what killed builds of it
// leave behind.
#include "app/export/staged_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/strings.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// Hidden folders of the same target that nobody holds and that are not
// brand new are what a killed export left: they go. One still locked (an
// export running in another process), one just made (perhaps not locked
// yet), and folders of other names stay.
TEST(StagedFolder, RemovesWhatKilledBuildsLeftAndNothingElse) {
  testing::ScratchDir scratch("staged");
  const fs::path dir = scratch.path();
  const auto hidden = [&](const std::string& name, bool old) {
    fs::create_directories(dir / name / "Contents");
    testing::WriteBytes(dir / name / "Contents" / "Info.plist", "x");
    if (old) fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
  };
  hidden(".Tallowin.docset-abc123", true);   // abandoned
  hidden(".Tallowin.docset-busy01", true);   // held by a running export
  hidden(".Tallowin.docset-new001", false);  // just made
  hidden(".Tallowin.docset-toolong", true);  // not a name this makes
  hidden(".Other.docset-abc123", true);
  testing::WriteBytes(dir / ".Tallowin.docset-file01", "a file, not a folder");
  const int held = open((dir / ".Tallowin.docset-busy01").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  {
    StagedFolder staged;
    String error;
    ASSERT_TRUE(staged.Create(dir, "Tallowin.docset", &error)) << ToUtf8(error);
    // The new one is locked while it is built: another export leaves it be.
    const int probe = open(staged.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(probe, 0);
    EXPECT_NE(flock(probe, LOCK_EX | LOCK_NB), 0);
    close(probe);
    testing::WriteBytes(staged.path() / "made", "whole");
    ASSERT_TRUE(staged.Publish(&error)) << ToUtf8(error);
  }
  close(held);
  EXPECT_EQ(Entries(dir),
            (std::set<std::string>{".Tallowin.docset-busy01", ".Tallowin.docset-new001", ".Tallowin.docset-toolong",
                                   ".Other.docset-abc123", ".Tallowin.docset-file01", "Tallowin.docset"}));
  EXPECT_EQ(testing::ReadBytes(dir / "Tallowin.docset" / "made"), "whole");
}

}  // namespace
}  // namespace qm
