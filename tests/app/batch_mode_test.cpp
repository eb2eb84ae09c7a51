// The real executable in batch mode, run from a copied application
// directory on a machine with no display.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "program_runner.h"
#include "test_files.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing_files::HeadlessEnvironment;
using testing_files::RunProgramForTest;
using testing_files::ScratchDir;
using testing_files::Slurp;
using testing_files::Spit;

class BatchMode : public ::testing::Test {
 protected:
  BatchMode() : scratch_("batch") {
    app_ = scratch_.path() / "app";
    inst_ = scratch_.path() / "sample";
    fs::create_directories(app_);
    fs::copy_file(QM_EXECUTABLE, app_ / "Quillmere");
    fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst_, fs::copy_options::recursive);
  }
  testing_files::ProgramResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), (app_ / "Quillmere").string());
    return RunProgramForTest(args, HeadlessEnvironment(), scratch_.path().string());
  }
  void Remember(const std::string& dir, const std::string& choice = "0") {
    Spit(app_ / "config.txt", dir + "\r\n" + choice + "\r\n");
  }

  ScratchDir scratch_;
  fs::path app_, inst_;
};

TEST_F(BatchMode, BuildsTheIndexEchoesArgumentsAndExitsZero) {
  Remember(inst_.string());
  const auto result = Run({"go", "caf\xC3\xA9"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string exe = (app_ / "Quillmere").string();
  // Arguments arrive one unit per byte and are echoed as UTF-8, so each
  // byte of a UTF-8 argument is encoded again.
  EXPECT_EQ(result.out.rfind("<" + exe + "><go><caf\xC3\x83\xC2\xA9>Tallowin dir  : " + inst_.string() + "\r\n", 0),
            0u)
      << result.out;
  EXPECT_NE(result.out.find("Indeces created...\r\n"), std::string::npos);
  EXPECT_NE(result.out.find("CurDir : " + app_.string() + "\r\n"), std::string::npos);
  const std::string commands = Slurp(inst_ / "docs/html/Modules/command.js");
  EXPECT_EQ(commands.rfind("var commands=new Array(\"", 0), 0u);
  EXPECT_TRUE(fs::exists(inst_ / "docs/html/index.html"));
  EXPECT_TRUE(fs::exists(inst_ / "docs/html/Modules/commands.html"));
  EXPECT_EQ(Slurp(app_ / "button.js"),
            "document.write(\"<a href='" + app_.string() + "/Quillmere'>Rebuild index</a>\");");
  EXPECT_EQ(Slurp(app_ / "config.txt"), inst_.string() + "\r\n0\r\n");  // batch mode does not save
}

TEST_F(BatchMode, FirstRunWithoutSettingsCancelsThePromptAndSavesTheEmptyPath) {
  const auto result = Run({"go"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(Slurp(app_ / "config.txt"), std::string("\x0D\x0A\x30\x0D\x0A"));
  EXPECT_NE(result.err.find("folder"), std::string::npos) << result.err;
  EXPECT_EQ(result.out.find("Tallowin dir"), std::string::npos);
}

TEST_F(BatchMode, SecondLineOfSettingsIsReadAsANumber) {
  const std::map<std::string, std::string> cases = {{" 1", "1"}, {"1x", "1"}, {"x1", "0"}, {"-1", "-1"}, {"", "0"}};
  for (const auto& [stored, loaded] : cases) {
    // An empty directory makes the program ask (and cancel), then save what
    // it loaded: the saved second line shows how the first was read.
    Spit(app_ / "config.txt", "\r\n" + stored + "\r\nthird line\r\n");
    const auto result = Run({"go"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(Slurp(app_ / "config.txt"), "\r\n" + loaded + "\r\n") << "stored " << stored;
  }
}

TEST_F(BatchMode, ReadOnlyDocumentationTreeKeepsEveryFileAndExitsOne) {
  Remember(inst_.string());
  ASSERT_EQ(Run({"go"}).status, 0);  // a first build puts every output in place
  std::map<fs::path, std::string> before;
  for (const auto& entry : fs::recursive_directory_iterator(inst_ / "docs/html"))
    if (entry.is_regular_file()) before[entry.path()] = Slurp(entry.path());
  Spit(inst_ / "docs/html/Modules/commands.txt", "Changed|/docs/html/Modules/x/index.html#C\n");
  before[inst_ / "docs/html/Modules/commands.txt"] = Slurp(inst_ / "docs/html/Modules/commands.txt");
  // Immutable directories refuse new entries even to root.
  const std::string lock = "chattr +i '" + (inst_ / "docs/html").string() + "' '" +
                           (inst_ / "docs/html/Modules").string() + "' 2>/dev/null";
  if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "this file system cannot make a directory immutable";
  const auto result = Run({"go"});
  const std::string unlock = "chattr -i '" + (inst_ / "docs/html").string() + "' '" +
                             (inst_ / "docs/html/Modules").string() + "'";
  EXPECT_EQ(std::system(unlock.c_str()), 0);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(inst_.string() + "\\docs\\html\\Modules\\command.js"), std::string::npos) << result.err;
  for (const auto& [path, bytes] : before) EXPECT_EQ(Slurp(path), bytes) << path;
}

}  // namespace
}  // namespace qm
