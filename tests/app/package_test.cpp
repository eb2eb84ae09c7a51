// The Debian package, unpacked into a scratch root: a program whose folder
// nobody may write (immutable, so root cannot either) keeps its settings
// and working files in the user's XDG folders and still builds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::HeadlessEnvironment;
using testing::ReadBytes;
using testing::RunProgramForTest;
using testing::ScratchDir;
using testing::WriteBytes;

// Sets the immutable flag for the guard's life; false from Set when the
// file system cannot.
class ImmutableFlag {
 public:
  bool Set(const fs::path& path) {
    path_ = path;
    set_ = RunProgramForTest({"/usr/bin/chattr", "+i", path.string()}, HeadlessEnvironment()).status == 0;
    return set_;
  }
  ~ImmutableFlag() {
    if (set_) RunProgramForTest({"/usr/bin/chattr", "-i", path_.string()}, HeadlessEnvironment());
  }

 private:
  fs::path path_;
  bool set_ = false;
};

TEST(DebianPackage, SystemWideInstallKeepsSettingsAndWorkingFilesInXdgFolders) {
  ScratchDir scratch("package");
  const fs::path out = scratch.path() / "out";
  const auto packaged = RunProgramForTest({"/bin/bash", QM_SOURCE_DIR "/scripts/make-deb", QM_EXECUTABLE, out.string()},
                                          HeadlessEnvironment());
  ASSERT_EQ(packaged.status, 0) << packaged.err;
  const fs::path deb = packaged.out.substr(0, packaged.out.find('\n'));
  ASSERT_EQ(deb.parent_path(), out);
  ASSERT_EQ(deb.filename().string().rfind("quillmere_1.2_", 0), 0u) << deb;

  const fs::path root = scratch.path() / "root";
  ASSERT_EQ(RunProgramForTest({"/usr/bin/dpkg-deb", "-x", deb.string(), root.string()}, HeadlessEnvironment()).status,
            0);
  const fs::path program_dir = root / "usr/lib/quillmere";
  const fs::path command = root / "usr/bin/quillmere";
  ASSERT_TRUE(fs::is_symlink(command));
  ASSERT_TRUE(fs::is_regular_file(program_dir / "Quillmere"));
  for (const char* file : {"usr/share/applications/org.quillmere.Quillmere.desktop",
                           "usr/share/icons/hicolor/scalable/apps/org.quillmere.Quillmere.svg",
                           "usr/share/metainfo/org.quillmere.Quillmere.metainfo.xml",
                           "usr/share/man/man1/quillmere.1.gz", "usr/share/doc/quillmere/copyright"})
    EXPECT_TRUE(fs::is_regular_file(root / file)) << file;

  ImmutableFlag flag;
  if (!flag.Set(program_dir)) GTEST_SKIP() << "the scratch file system cannot make a directory immutable";

  const fs::path inst = scratch.path() / "sample";
  fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst, fs::copy_options::recursive);
  const fs::path config_home = scratch.path() / "xdg/config";
  const fs::path cache_home = scratch.path() / "xdg/cache";
  auto env = HeadlessEnvironment();
  env.push_back("XDG_CONFIG_HOME=" + config_home.string());
  env.push_back("XDG_CACHE_HOME=" + cache_home.string());
  const fs::path settings = config_home / "quillmere/config.txt";
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), command.string());
    return RunProgramForTest(args, env, scratch.path().string());
  };

  const auto help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Settings: " + settings.string() +
                          "\n          (until it exists: " + (program_dir / "config.txt").string() +
                          ")\nWorking files: " + (cache_home / "quillmere").string() + "\n"),
            std::string::npos)
      << help.out;

  // First start, no display: the folder prompt cancels and the choice is
  // saved, to the XDG file.
  const auto first = run({});
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.err.find("could not be saved"), std::string::npos) << first.err;
  EXPECT_EQ(ReadBytes(settings), "\r\n0\r\n");
  EXPECT_FALSE(fs::exists(program_dir / "config.txt"));

  // As if the installation had been chosen in the window.
  WriteBytes(settings, inst.string() + "\r\n1\r\n");
  const auto build = run({"build"});
  EXPECT_EQ(build.status, 0) << build.err;
  EXPECT_NE(build.out.find("Tallowin dir  : " + inst.string() + "\r\n"), std::string::npos) << build.out;
  EXPECT_NE(build.out.find("CurDir : " + (cache_home / "quillmere").string() + "\r\n"), std::string::npos);
  const std::string button =
      "document.write(\"<a href='" + (program_dir / "Quillmere").string() + "'>Rebuild index</a>\");";
  EXPECT_EQ(ReadBytes(inst / "docs/html/button.js"), button);
  EXPECT_EQ(ReadBytes(inst / "docs/html/Modules/button.js"), button);
  EXPECT_EQ(ReadBytes(cache_home / "quillmere/button.js"), button);
  EXPECT_EQ(ReadBytes(inst / "docs/html/Modules/command.js").rfind("var commands=new Array(\"", 0), 0u);
  EXPECT_EQ(ReadBytes(settings), inst.string() + "\r\n1\r\n");
  // Nothing was written beside the program.
  EXPECT_EQ(std::distance(fs::directory_iterator(program_dir), fs::directory_iterator()), 1);

  // Settings temporaries that killed runs left, old names and new, go at the next start; one whose
  // writer still runs stays. A working-files folder that cannot be used (a file in its place,
  // named by XDG_CACHE_HOME or below a home that is a file) costs only the working copy: the
  // build succeeds and one line names the folder.
  const std::string running = ".config.txt.quillmere-tmp-" + std::to_string(getpid()) + "-1";
  for (const std::string name : {".config.txt.tmp-999999999-1", ".config.txt.quillmere-tmp-999999999-2"})
    WriteBytes(settings.parent_path() / name, "x");
  WriteBytes(settings.parent_path() / running, "x");
  const fs::path not_a_folder = scratch.path() / "not-a-folder";
  WriteBytes(not_a_folder, "x");
  for (const std::string variable : {"XDG_CACHE_HOME=", "HOME="}) {
    env = {"PATH=/usr/bin:/bin", "LANG=C.UTF-8", "XDG_CONFIG_HOME=" + config_home.string(),
           variable + not_a_folder.string()};
    fs::remove(inst / "docs/html/button.js");
    const auto unusable = run({"build"});
    EXPECT_EQ(unusable.status, 0) << unusable.err;
    EXPECT_EQ(unusable.err.find("Quillmere: working files cannot be kept in " + not_a_folder.string()), 0u)
        << unusable.err;
    EXPECT_EQ(std::count(unusable.err.begin(), unusable.err.end(), '\n'), 1) << unusable.err;
    EXPECT_EQ(ReadBytes(inst / "docs/html/button.js"), button);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(settings.parent_path()), fs::directory_iterator()), 2);
  EXPECT_TRUE(fs::exists(settings.parent_path() / running));
}

}  // namespace
}  // namespace qm
