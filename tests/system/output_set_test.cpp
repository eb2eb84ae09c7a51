#include "system/output_set.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <set>

#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/pending_temporaries.h"
#include "system/temporary_names.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

// A temporary name as a process that has ended would have left it: process
// ids never reach this value (the kernel's ceiling is 2^22).
std::string DeadWritersName(const std::string& target) { return "." + target + ".quillmere-tmp-999999999-1"; }

TEST(OutputSet, NothingChangesBeforeCommitAndEverythingAfter) {
  ScratchDir dir;
  fs::create_directory(dir.File("sub"));
  WriteBytes(dir.File("a.js"), "old a");
  chmod(dir.File("a.js").c_str(), 0640);
  OutputSet set(dir.File(".journal"), dir.path());
  String error;
  ASSERT_TRUE(set.Add(dir.Path("a.js"), "new a", &error)) << ToUtf8(error);
  ASSERT_TRUE(set.Add(FromBytes(dir.path().native()) + u"\\sub\\b.js", "new b", &error)) << ToUtf8(error);
  EXPECT_EQ(ReadBytes(dir.File("a.js")), "old a");
  EXPECT_FALSE(fs::exists(dir.File("sub/b.js")));
  EXPECT_EQ(Names(dir.path()).size(), 3u) << "a.js, sub and one temporary file";
  ASSERT_TRUE(set.Commit(&error)) << ToUtf8(error);
  EXPECT_EQ(ReadBytes(dir.File("a.js")), "new a");
  EXPECT_EQ(ReadBytes(dir.File("sub/b.js")), "new b");
  struct stat info {};
  stat(dir.File("a.js").c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0640u) << "a replaced file keeps its permission bits";
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.js", "sub"})) << "no journal or temporary file left";
  EXPECT_EQ(Names(dir.File("sub")), (std::set<std::string>{"b.js"}));
}

TEST(OutputSet, AFailedAddOrADroppedSetLeavesEveryTargetAndNoTemporary) {
  ScratchDir dir;
  WriteBytes(dir.File("a.js"), "old a");
  fs::create_directory(dir.File("taken"));
  {
    OutputSet set(dir.File(".journal"), dir.path());
    ASSERT_TRUE(set.Add(dir.Path("a.js"), "new a"));
    String error;
    // A directory where an output goes is found before anything is replaced.
    EXPECT_FALSE(set.Add(dir.Path("taken"), "x", &error));
    EXPECT_NE(ToUtf8(error).find("taken"), std::string::npos) << ToUtf8(error);
  }
  EXPECT_EQ(ReadBytes(dir.File("a.js")), "old a");
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.js", "taken"}));
}

TEST(OutputSet, ALinkIsReplacedAndItsDestinationLeftAlone) {
  ScratchDir dir;
  WriteBytes(dir.File("precious"), "the user's own file");
  fs::create_symlink(dir.File("precious"), dir.File("out.js"));
  OutputSet set;
  ASSERT_TRUE(set.Add(dir.Path("out.js"), "generated"));
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(set.Commit());
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadBytes(dir.File("precious")), "the user's own file");
  EXPECT_FALSE(fs::is_symlink(dir.File("out.js")));
  EXPECT_EQ(ReadBytes(dir.File("out.js")), "generated");
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("symbolic link " + dir.File("out.js")), std::string::npos) << err;
}

// Journals as a commit leaves them when it is stopped: the names are
// relative to the base directory, zero-terminated, between a header and an
// end mark.
std::string Journal(const std::vector<std::string>& names, bool finished) {
  std::string text("quillmere commit 1", 19);
  for (const auto& name : names) text += name + '\0';
  if (finished) text += std::string("end", 4);
  return text;
}

TEST(OutputSet, AStartCompletesAFinishedJournalAndIgnoresAnythingElse) {
  struct Case {
    const char* what;
    bool finished;
    std::vector<std::string> names;  // temporary, target, ...
    bool expect_new;
  };
  const std::string a = DeadWritersName("a.js"), b = DeadWritersName("b.js");
  const std::vector<Case> cases = {
      {"a finished journal, one rename already done", true, {a, "a.js", "Modules/" + b, "Modules/b.js"}, true},
      {"a journal cut short: no rename had begun", false, {a, "a.js", "Modules/" + b, "Modules/b.js"}, false},
      {"a journal naming a file outside the tree", true, {"Modules/../" + a, "Modules/../a.js"}, false},
      {"a journal naming an absolute path", true, {"/tmp/" + a, "/tmp/a.js"}, false},
      {"a journal moving a file that is no temporary file", true, {"Modules/b.js", "a.js"}, false},
      {"a journal moving a temporary file of another name", true, {"Modules/" + b, "Modules/c.js"}, false},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    fs::create_directory(dir.File("Modules"));
    WriteBytes(dir.File("a.js"), "old a");
    WriteBytes(dir.File(a), "new a");
    // b.js was already renamed before the stop.
    WriteBytes(dir.File("Modules/b.js"), "new b");
    WriteBytes(dir.File("Modules/.journal"), Journal(c.names, c.finished));
    const InterruptedCommit result = FinishInterruptedCommit(dir.File("Modules/.journal"), dir.path());
    EXPECT_TRUE(result.found) << c.what;
    EXPECT_EQ(ReadBytes(dir.File("a.js")), c.expect_new ? "new a" : "old a") << c.what;
    EXPECT_EQ(result.replaced, c.expect_new ? 1 : 0) << c.what;
    EXPECT_FALSE(fs::exists(dir.File("Modules/.journal"))) << c.what;
    EXPECT_EQ(ReadBytes(dir.File("Modules/b.js")), "new b") << c.what;
  }
  ScratchDir empty;
  EXPECT_FALSE(FinishInterruptedCommit(empty.File(".journal"), empty.path()).found);
}

TEST(OutputSet, RemovalsGoWithTheCommitOrWithTheJournalThatCompletesIt) {
  ScratchDir dir;
  WriteBytes(dir.File("old-t9.js"), "stale");
  WriteBytes(dir.File("a.js"), "old a");
  {
    OutputSet set(dir.File(".journal"), dir.path());
    ASSERT_TRUE(set.Add(dir.Path("a.js"), "new a"));
    set.Remove(dir.Path("old-t9.js"));
    set.Remove(dir.Path("never-there.js"));
    EXPECT_TRUE(fs::exists(dir.File("old-t9.js"))) << "nothing goes before the commit";
    String error;
    ASSERT_TRUE(set.Commit(&error)) << ToUtf8(error);
  }
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.js"}));
  // A commit stopped after its journal: the next start removes the files too,
  // but never a directory, nor anything outside the tree.
  fs::create_directories(dir.File("Modules/gone-dir"));
  WriteBytes(dir.File("Modules/stale.js"), "stale");
  WriteBytes(dir.File("outside.js"), "keep");
  WriteBytes(dir.File("Modules/.journal"),
             Journal({"-", "Modules/stale.js", "-", "Modules/gone-dir", "-", "Modules/../outside.js"}, true));
  FinishInterruptedCommit(dir.File("Modules/.journal"), dir.path());
  EXPECT_EQ(Names(dir.File("Modules")), (std::set<std::string>{"gone-dir"}));
  EXPECT_TRUE(fs::exists(dir.File("outside.js")));
}

TEST(OutputSet, LeftoversOfEndedWritersAreRemovedThoseOfRunningOnesKept) {
  ScratchDir dir;
  const std::string running = ".a.js.quillmere-tmp-" + std::to_string(getppid()) + "-3";
  const std::string ended = DeadWritersName("b.js");
  for (const auto& name : {running, ended, std::string("a.js"), std::string(".a.js.quillmere-tmp-x-1")})
    WriteBytes(dir.File(name), "x");
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.path(), true), 1);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{running, "a.js", ".a.js.quillmere-tmp-x-1"}));
  // With the installation locked, no other build can be writing there.
  EXPECT_EQ(RemoveLeftoverTemporaries(dir.path(), false), 1);
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{"a.js", ".a.js.quillmere-tmp-x-1"}));
}

TEST(OutputSet, TemporaryNamesSayWhoWroteThem) {
  const std::string name = TemporaryNameFor("/x/y/command.js");
  ASSERT_EQ(name.rfind("/x/y/.command.js.quillmere-tmp-", 0), 0u) << name;
  EXPECT_EQ(TemporaryWriter(name.substr(5)), getpid());
  EXPECT_NE(TemporaryNameFor("command.js"), TemporaryNameFor("command.js"));
  for (const char* foreign :
       {"command.js", ".command.js.quillmere-tmp-", ".c.quillmere-tmp-12-", ".c.quillmere-tmp-1x-2",
        "c.quillmere-tmp-12-3", ".c.quillmere-tmp-0-3", ".c.quillmere-tmp-12-3.bak"})
    EXPECT_FALSE(TemporaryWriter(foreign)) << foreign;
}

TEST(OutputSet, TheSignalPathRemovesRememberedTemporariesOnly) {
  ScratchDir dir;
  WriteBytes(dir.File("t1"), "x");
  WriteBytes(dir.File("t2"), "x");
  const int first = RememberTemporary(dir.File("t1"));
  const int second = RememberTemporary(dir.File("t2"));
  ASSERT_GE(first, 0);
  ASSERT_GE(second, 0);
  ForgetTemporary(second);
  RemovePendingTemporaries();
  EXPECT_FALSE(fs::exists(dir.File("t1")));
  EXPECT_TRUE(fs::exists(dir.File("t2")));
  EXPECT_EQ(RememberTemporary(std::string(PATH_MAX, 'x')), -1);
}

}  // namespace
}  // namespace qm
