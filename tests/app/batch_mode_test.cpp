// The real executable in batch mode, run from a copied application
// directory on a machine with no display.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace testing;

class BatchMode : public ::testing::Test {
 protected:
  BatchMode() : scratch_("batch") {
    app_ = scratch_.path() / "app";
    inst_ = scratch_.path() / "sample";
    CopiedApplication(app_);
    CopySampleInstallation(inst_);
  }
  testing::ProgramResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), (app_ / "Quillmere").string());
    return RunProgramForTest(args, HeadlessEnvironment(), scratch_.path().string());
  }
  void Remember(const std::string& dir, const std::string& choice = "0") {
    WriteBytes(app_ / "config.txt", dir + "\r\n" + choice + "\r\n");
  }

  ScratchDir scratch_;
  fs::path app_, inst_;
};

TEST_F(BatchMode, BuildsTheIndexEchoesArgumentsAndExitsZero) {
  Remember(inst_.string());
  const auto result = Run({"go", "caf\xC3\xA9"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string exe = (app_ / "Quillmere").string();
  // Arguments arrive one unit per byte; a UTF-8 argument is echoed as typed.
  EXPECT_EQ(result.out.rfind("<" + exe + "><go><caf\xC3\xA9>Tallowin dir  : " + inst_.string() + "\r\n", 0), 0u)
      << result.out;
  EXPECT_NE(result.out.find("Indeces created...\r\n"), std::string::npos);
  EXPECT_NE(result.out.find("CurDir : " + app_.string() + "\r\n"), std::string::npos);
  const std::string commands = ReadBytes(inst_ / "docs/html/Modules/command.js");
  EXPECT_EQ(commands.rfind("var commands=new Array(\"", 0), 0u);
  EXPECT_TRUE(fs::exists(inst_ / "docs/html/index.html"));
  EXPECT_TRUE(fs::exists(inst_ / "docs/html/Modules/commands.html"));
  EXPECT_EQ(ReadBytes(app_ / "button.js"),
            "document.write(\"<a href='" + app_.string() + "/Quillmere'>Rebuild index</a>\");");
  EXPECT_EQ(ReadBytes(app_ / "config.txt"), inst_.string() + "\r\n0\r\n");  // batch mode does not save
}

TEST_F(BatchMode, NoInstallationFailsWithOneLineAndLeavesTheSettingsAlone) {
  // Without settings, and with settings that name no folder.
  for (const bool with_settings : {false, true}) {
    if (with_settings) Remember("", "1");
    const auto result = Run({"go"});
    EXPECT_EQ(result.status, 1);
    // One line; a line end before it ends the echoed arguments on a terminal.
    EXPECT_EQ(result.err.find_first_not_of('\n'), 1u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    EXPECT_NE(result.err.find("no Tallowin installation is set"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("--dir DIR"), std::string::npos) << result.err;
    EXPECT_EQ(result.out.find("Tallowin dir"), std::string::npos);
    if (with_settings) {
      EXPECT_EQ(ReadBytes(app_ / "config.txt"), "\r\n1\r\n");
    } else {
      EXPECT_FALSE(fs::exists(app_ / "config.txt"));
    }
  }
}

TEST_F(BatchMode, SecondLineOfSettingsIsReadAsANumber) {
  const std::map<std::string, std::string> cases = {{" 1", "1"}, {"1x", "1"}, {"x1", "0"}, {"-1", "-1"}, {"", "0"}};
  for (const auto& [stored, loaded] : cases) {
    // With no directory and no argument the program asks (and, without a
    // display, cancels), saves what it loaded and then finds no display:
    // the saved second line shows how the first was read.
    WriteBytes(app_ / "config.txt", "\r\n" + stored + "\r\nthird line\r\n");
    const auto result = Run({});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadBytes(app_ / "config.txt"), "\r\n" + loaded + "\r\n") << "stored " << stored;
  }
}

TEST_F(BatchMode, ReadOnlyDocumentationTreeKeepsEveryFileAndExitsOne) {
  Remember(inst_.string());
  ASSERT_EQ(Run({"go"}).status, 0);  // a first build puts every output in place
  std::map<fs::path, std::string> before;
  for (const auto& entry : fs::recursive_directory_iterator(inst_ / "docs/html"))
    if (entry.is_regular_file()) before[entry.path()] = ReadBytes(entry.path());
  WriteBytes(inst_ / "docs/html/Modules/commands.txt", "Changed|/docs/html/Modules/x/index.html#C\n");
  before[inst_ / "docs/html/Modules/commands.txt"] = ReadBytes(inst_ / "docs/html/Modules/commands.txt");
  // Immutable directories refuse new entries even to root.
  const std::string lock =
      "chattr +i '" + (inst_ / "docs/html").string() + "' '" + (inst_ / "docs/html/Modules").string() + "' 2>/dev/null";
  if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "this file system cannot make a directory immutable";
  const auto result = Run({"go"});
  const std::string unlock =
      "chattr -i '" + (inst_ / "docs/html").string() + "' '" + (inst_ / "docs/html/Modules").string() + "'";
  EXPECT_EQ(std::system(unlock.c_str()), 0);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(inst_.string() + "/docs/html/Modules/command.js"), std::string::npos) << result.err;
  for (const auto& [path, bytes] : before) EXPECT_EQ(ReadBytes(path), bytes) << path;
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(BatchMode, RebuildDocsRunsTheGeneratorQuietlyBeforeTheIndex) {
  // A command added to a module's description reaches the index only
  // through the generator.
  const fs::path def = inst_ / "mod/text.mod/markup.mod/commands.def";
  WriteBytes(def, ReadBytes(def) + "command Zymurgy( x:Int ) -- Added by the test.\n");
  Remember(inst_.string());
  const auto result = Run({"--rebuild-docs"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(ReadBytes(inst_ / "docs/html/Modules/commands.txt").find("Zymurgy( x:Int )|"), std::string::npos);
  const std::string commands = ReadBytes(inst_ / "docs/html/Modules/command.js");
  EXPECT_NE(commands.find("\"Zymurgy\""), std::string::npos);
  // The generator's own progress lines are read and dropped.
  EXPECT_EQ(result.out.find("makedocs"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.rfind("<" + (app_ / "Quillmere").string() + "><--rebuild-docs>Tallowin dir  : ", 0), 0u);
}

TEST_F(BatchMode, PlainArgumentsDoNotRebuildTheDocumentation) {
  const fs::path def = inst_ / "mod/text.mod/markup.mod/commands.def";
  WriteBytes(def, ReadBytes(def) + "command Zymurgy( x:Int ) -- Added by the test.\n");
  Remember(inst_.string());
  ASSERT_EQ(Run({"--rebuild"}).status, 0);
  EXPECT_EQ(ReadBytes(inst_ / "docs/html/Modules/command.js").find("Zymurgy"), std::string::npos);
}

TEST_F(BatchMode, SigtermDuringARebuildEndsWithStatus255AndNoGeneratorLeft) {
  // A generator that records its own and its child's process ids, then
  // waits far longer than the test.
  const fs::path pids = scratch_.path() / "pids";
  WriteBytes(inst_ / "bin/makedocs", "#!/bin/sh\nsleep 60 &\necho $$ $! > '" + pids.string() + "'\nwait\n");
  fs::permissions(inst_ / "bin/makedocs", fs::perms::owner_all);
  Remember(inst_.string());
  const std::string exe = (app_ / "Quillmere").string();
  const std::string command = "cd '" + scratch_.path().string() + "' && { '" + exe +
                              "' --rebuild-docs > out.txt 2> err.txt & q=$!; "
                              "for i in $(seq 100); do [ -s pids ] && break; sleep 0.1; done; "
                              "kill -TERM $q; wait $q; echo $? > status.txt; }";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadBytes(scratch_.path() / "status.txt"), "255\n");
  EXPECT_NE(ReadBytes(scratch_.path() / "err.txt").find("SIGNAL: 15\n"), std::string::npos);
  std::istringstream ids(ReadBytes(pids));
  pid_t generator = 0, grandchild = 0;
  ids >> generator >> grandchild;
  ASSERT_GT(generator, 0);
  ASSERT_GT(grandchild, 0);
  // The whole group got SIGTERM; give it a moment to go. Orphans wait
  // for whoever adopts them to reap them, so a zombie counts as gone.
  const auto running = [](pid_t pid) {
    std::istringstream stat(ReadBytes("/proc/" + std::to_string(pid) + "/stat"));
    std::string id, name, state;
    stat >> id >> name >> state;
    return !state.empty() && state != "Z" && state != "X";
  };
  for (int i = 0; i < 100 && (running(generator) || running(grandchild)); ++i) usleep(20000);
  EXPECT_FALSE(running(grandchild)) << "the generator's child is still running";
  EXPECT_FALSE(running(generator)) << "the generator is still running";
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(BatchMode, NoArgumentWithoutADisplaySaysSoAndExitsOne) {
  Remember(inst_.string());
  const auto result = Run({});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("no display"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/Modules/command.js"));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(BatchMode, HelpAndVersionPrintAndExitZeroWithoutBuilding) {
  Remember(inst_.string());
  for (const std::string arg : {"--help", "-h"}) {
    const auto result = Run({"build", arg});
    EXPECT_EQ(result.status, 0) << arg;
    EXPECT_EQ(result.out.rfind("Usage: quillmere", 0), 0u) << result.out;
    for (const std::string word : {"--dir DIR", "--rebuild-docs", "batch mode", "Exit status"})
      EXPECT_NE(result.out.find(word), std::string::npos) << word;
    // The folder is writable, so the settings live beside the program.
    EXPECT_NE(result.out.find("Settings: " + (app_ / "config.txt").string() + "\n"), std::string::npos);
    EXPECT_EQ(result.err, "");
  }
  for (const std::string arg : {"--version", "-V"}) {
    const auto result = Run({arg});
    EXPECT_EQ(result.status, 0) << arg;
    EXPECT_EQ(result.out, "Quillmere 1.2\n");
  }
  EXPECT_FALSE(fs::exists(inst_ / "docs/html/Modules/command.js"));
  EXPECT_EQ(ReadBytes(app_ / "config.txt"), inst_.string() + "\r\n0\r\n");
}

TEST_F(BatchMode, DirNamesTheInstallationForOneRunWithoutSaving) {
  Remember("/nowhere/else", "1");
  // Relative to where the program was started (the scratch directory).
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--dir", "sample"}, std::vector<std::string>{"--dir=" + inst_.string()}}) {
    fs::remove(inst_ / "docs/html/Modules/command.js");
    const auto result = Run(args);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Tallowin dir  : " + inst_.string() + "\r\n"), std::string::npos) << result.out;
    EXPECT_TRUE(fs::exists(inst_ / "docs/html/Modules/command.js"));
    EXPECT_EQ(ReadBytes(app_ / "config.txt"), "/nowhere/else\r\n1\r\n");
  }
  fs::remove(app_ / "config.txt");
  const auto result = Run({"--dir", inst_.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_FALSE(fs::exists(app_ / "config.txt"));
  const auto missing = Run({"--dir"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("--dir needs"), std::string::npos) << missing.err;
}

TEST_F(BatchMode, DamagedSettingsCountAsNoneAndAreNeverOverwrittenWithGarbage) {
  struct Damage {
    const char* name;
    std::function<void(const fs::path&)> make;
  };
  const std::vector<Damage> damages = {
      {"empty", [](const fs::path& p) { WriteBytes(p, ""); }},
      {"binary",
       [this](const fs::path& p) { WriteBytes(p, inst_.string() + std::string("\0\x01\xFF\x7F\r\n1\r\n", 8)); }},
      {"directory", [](const fs::path& p) { fs::create_directories(p / "inside"); }},
      {"huge",
       [](const fs::path& p) {
         WriteBytes(p, "/some/dir\r\n0\r\n");
         fs::resize_file(p, std::uintmax_t(1) << 40);  // sparse: a terabyte of zeros
       }},
      {"named pipe", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
  };
  const fs::path config = app_ / "config.txt";
  const auto snapshot = [&] {
    if (fs::is_directory(config)) return std::string("directory");
    if (fs::is_fifo(config)) return std::string("fifo");
    return std::to_string(fs::file_size(config)) + ":" + (fs::file_size(config) < 4096 ? ReadBytes(config) : "");
  };
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.name);
    fs::remove_all(config);
    damage.make(config);
    const std::string before = snapshot();
    // Batch: no installation, one line, the file untouched.
    const auto batch = Run({"go"});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("no Tallowin installation is set"), std::string::npos) << batch.err;
    EXPECT_EQ(snapshot(), before);
    // Window path without a display: the prompt cancels, and the save
    // writes a sound file or says why it could not.
    const auto window = Run({});
    EXPECT_EQ(window.status, 1);
    EXPECT_NE(window.err.find("No folder chooser"), std::string::npos) << window.err;
    if (fs::is_directory(config)) {
      EXPECT_NE(window.err.find("The settings could not be saved: "), std::string::npos) << window.err;
      EXPECT_NE(window.err.find(config.string()), std::string::npos) << window.err;
      EXPECT_TRUE(fs::exists(config / "inside"));
    } else {
      EXPECT_EQ(ReadBytes(config), "\r\n0\r\n");
    }
  }
}

}  // namespace
}  // namespace qm
