// An installation whose path is not ASCII, built by the real executable in
// batch mode: what a person reads is the path as typed, what is on disk is
// the path's own bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

// "Réal Install/文档" and a command named "Grüße", all in UTF-8.
const std::string kAccented = "R\xC3\xA9" "al Install";
const std::string kCjk = "\xE6\x96\x87\xE6\xA1\xA3";
const std::string kCommand = "Gr\xC3\xBC\xC3\x9F" "e";

TEST(NonAsciiPaths, BatchModeShowsThePathAsTypedAndKeepsItsBytesOnDisk) {
  ScratchDir scratch("non-ascii");
  const fs::path app = scratch.path() / "app";
  const fs::path inst = scratch.path() / kAccented / kCjk;
  fs::create_directories(app);
  fs::create_directories(inst.parent_path());
  fs::copy_file(QM_EXECUTABLE, app / "Quillmere");
  fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst, fs::copy_options::recursive);
  const fs::path list = inst / "docs/html/Modules/commands.txt";
  Spit(list, Slurp(list) + kCommand + "( x:Int )|/mod/lang.mod/core.mod/doc/commands.html#" + kCommand + "\n");
  const std::string settings = inst.string() + "\r\n0\r\n";
  Spit(app / "config.txt", settings);

  const std::string exe = (app / "Quillmere").string();
  // A UTF-8 argument and an old Latin-1 one ("café" both).
  const auto result = RunProgramForTest({exe, "caf\xC3\xA9", "caf\xE9"}, HeadlessEnvironment(), scratch.path().string());
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
  EXPECT_NE(Slurp(modules / "command.js").find("\"" + kCommand + "\""), std::string::npos);
  EXPECT_NE(Slurp(modules / "links.js").find("\"" + dir + "/mod/lang.mod/core.mod/doc/commands.html#" + kCommand + "\""),
            std::string::npos);
  EXPECT_TRUE(fs::exists(inst / "docs/html/index.html"));
  EXPECT_EQ(Slurp(inst / "docs/html/button.js"),
            "document.write(\"<a href='" + app.string() + "/Quillmere'>Rebuild index</a>\");");
  EXPECT_EQ(Slurp(app / "config.txt"), settings);
}

}  // namespace
}  // namespace qm
