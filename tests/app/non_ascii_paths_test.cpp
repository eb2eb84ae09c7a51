// An installation whose path is not ASCII, built by the real executable in
// batch mode: what a person reads is the path as typed, what is on disk is
// the path's own bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// "Réal Install/文档" and a command named "Grüße", all in UTF-8.
const std::string kAccented = "R\xC3\xA9"
                              "al Install";
const std::string kCjk = "\xE6\x96\x87\xE6\xA1\xA3";
const std::string kCommand = "Gr\xC3\xBC\xC3\x9F"
                             "e";

// The sample installation under "<scratch>/Réal Install/文档", remembered in
// the settings of a copied program.
class NonAsciiPaths : public ::testing::Test {
 protected:
  NonAsciiPaths() : scratch("non-ascii") {
    app = scratch.path() / "app";
    inst = scratch.path() / kAccented / kCjk;
    fs::create_directories(inst.parent_path());
    exe = CopiedApplication(app).string();
    CopySampleInstallation(inst);
    settings = inst.string() + "\r\n0\r\n";
    WriteBytes(app / "config.txt", settings);
  }
  testing::ProgramResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {exe};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgramForTest(argv, HeadlessEnvironment(), scratch.path().string());
  }

  ScratchDir scratch;
  fs::path app, inst;
  std::string settings, exe;
};

TEST_F(NonAsciiPaths, BatchModeShowsThePathAsTypedAndKeepsItsBytesOnDisk) {
  const fs::path list = inst / "docs/html/Modules/commands.txt";
  WriteBytes(list,
             ReadBytes(list) + kCommand + "( x:Int )|/mod/lang.mod/core.mod/doc/commands.html#" + kCommand + "\n");
  // A UTF-8 argument and an old Latin-1 one ("café" both).
  const auto result = Run({"caf\xC3\xA9", "caf\xE9"});
  ASSERT_EQ(result.status, 0) << result.err;

  const std::string dir = inst.string();
  EXPECT_EQ(result.out.rfind("<" + exe + "><caf\xC3\xA9><caf\xC3\xA9>Tallowin dir  : " + dir + "\r\nDirBase       : " +
                                 dir + "\r\nCommands file : " + dir + "\\docs\\html\\Modules\\commands.txt\r\n",
                             0),
            0u)
      << result.out;
  EXPECT_NE(result.out.find("AppDir : " + app.string() + "\r\n"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find("\xC3\x83"), std::string::npos) << "a UTF-8 byte was encoded again: " << result.out;

  // The files keep the bytes: the name as written, links under the path.
  const fs::path modules = inst / "docs/html/Modules";
  EXPECT_NE(ReadBytes(modules / "command.js").find("\"" + kCommand + "\""), std::string::npos);
  const std::string link = dir + "/mod/lang.mod/core.mod/doc/commands.html#" + kCommand;
  EXPECT_NE(ReadBytes(modules / "links.js").find("\"" + link + "\""), std::string::npos);
  EXPECT_TRUE(fs::exists(inst / "docs/html/index.html"));
  EXPECT_EQ(ReadBytes(inst / "docs/html/button.js"),
            "document.write(\"<a href='" + app.string() + "/Quillmere'>Rebuild index</a>\");");
  EXPECT_EQ(ReadBytes(app / "config.txt"), settings);
}

TEST_F(NonAsciiPaths, AFailedBuildNamesThePathAsTyped) {
  fs::remove(inst / "docs/html/Modules/commands.txt");
  const auto result = Run({"go"});
  EXPECT_NE(result.err.find("Index build failed: " + inst.string() + "/docs/html/Modules/commands.txt: "),
            std::string::npos)
      << result.err;
}

}  // namespace
}  // namespace qm
