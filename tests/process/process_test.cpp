#include "process/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <sstream>

#include "child_scripts.h"
#include "process/signal_groups.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {
namespace {

using testing::FileExists;
using testing::ReadBytes;
using testing::ScriptDir;
using testing::WaitUntil;

bool Listed(const ProcessPtr& process) {
  return std::find(ProcessList.begin(), ProcessList.end(), process) != ProcessList.end();
}

// Ends what a test started, whatever state it is in.
void Finish(const ProcessPtr& process) {
  if (!process) return;
  process->Terminate();
  process->Close();
}

// Reads the child's whole standard output until it has ended.
std::string OutputOf(const ProcessPtr& process) {
  std::string text;
  EXPECT_TRUE(WaitUntil([&] {
    const bool ended = process->Status() == 0;
    const auto bytes = process->pipe->ReadPipe();
    text.append(bytes.begin(), bytes.end());
    return ended && process->pipe->ReadAvail() == 0;
  }));
  return text;
}

TEST(ProcessStatus, RunningThenEndedAndStaysEnded) {
  ScriptDir dir;
  auto process = CreateProcess(FromBytes(dir.Script("child", "read x; exit 3")), 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->Status(), 1);
  EXPECT_EQ(process->Status(), 1);
  process->pipe->WriteLine(u"");
  ASSERT_TRUE(WaitUntil([&] { return process->Status() == 0; }));
  EXPECT_EQ(process->Status(), 0);
  EXPECT_EQ(process->exitstatus, (ExitStatus{false, 3}));
  EXPECT_EQ(process->execerror, 0);
  Finish(process);
}

TEST(ProcessStatus, TerminateEndsTheChildAndStatusTurnsZeroAtOnce) {
  ScriptDir dir;
  auto process = CreateProcess(FromBytes(dir.Script("child", "sleep 30")), 1);
  ASSERT_NE(process, nullptr);
  const std::int32_t pid = process->handle;
  EXPECT_TRUE(Listed(process));
  EXPECT_EQ(process->Terminate(), 0);
  EXPECT_EQ(process->handle, 0);
  EXPECT_EQ(process->Status(), 0);
  EXPECT_FALSE(Listed(process));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_EQ(process->Terminate(), 0) << "nothing left to terminate";
  Finish(process);
}

TEST(ProcessStatus, NoChildMeansStatusZero) {
  TProcess process;
  EXPECT_EQ(process.Status(), 0);
  EXPECT_EQ(ProcessStatus(nullptr), 0);
  EXPECT_EQ(TerminateProcess(nullptr), 0);
}

TEST(ProcessClose, ClosingTwiceIsHarmlessAndKeepsTheProcessListed) {
  ScriptDir dir;
  auto process = CreateProcess(FromBytes(dir.Script("child", "sleep 30")), 1);
  ASSERT_NE(process, nullptr);
  const int read_fd = process->pipe->readhandle;
  const int error_fd = process->err->readhandle;
  EXPECT_EQ(process->Close(), 0);
  EXPECT_EQ(process->pipe, nullptr);
  EXPECT_EQ(process->err, nullptr);
  EXPECT_EQ(fcntl(read_fd, F_GETFD), -1);
  EXPECT_EQ(fcntl(error_fd, F_GETFD), -1);
  EXPECT_EQ(process->Close(), 0);
  EXPECT_TRUE(Listed(process));
  EXPECT_EQ(process->Status(), 1) << "Close does not signal the child";
  Finish(process);
}

TEST(ProcessStart, ErrorStreamHasNoWriteHandle) {
  ScriptDir dir;
  auto process = CreateProcess(FromBytes(dir.Script("child", "echo oops >&2")), 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->err->writehandle, 0);
  ASSERT_TRUE(WaitUntil([&] { return process->err->ReadAvail() >= 5; }));
  EXPECT_EQ(process->err->ReadLine(), u"oops");
  Finish(process);
}

TEST(ProcessStart, ArgumentsArriveAsSplit) {
  ScriptDir dir;
  const std::string script = dir.Script("child", "for a in \"$@\"; do printf '[%s]' \"$a\"; done");
  auto process = CreateProcess(FromBytes(script + " \"a b\"  c\t d \"\""), 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(OutputOf(process), "[a b][c\t][d][]");
  Finish(process);
}

TEST(ProcessStart, MissingProgramStillYieldsAChildThatEndsWith255) {
  ScriptDir dir;
  auto process = CreateProcess(FromBytes(dir.File("no-such-program")), 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->execerror, ENOENT);
  ASSERT_TRUE(WaitUntil([&] { return process->Status() == 0; }));
  EXPECT_EQ(process->exitstatus, (ExitStatus{false, 255}));
  EXPECT_EQ(process->pipe->ReadLine(), u"");
  Finish(process);
}

TEST(ProcessStart, EmptyCommandLineEndsWith255) {
  auto process = CreateProcess(u"   ", 1);
  ASSERT_NE(process, nullptr);
  EXPECT_NE(process->execerror, 0);
  ASSERT_TRUE(WaitUntil([&] { return process->Status() == 0; }));
  EXPECT_EQ(process->exitstatus, (ExitStatus{false, 255}));
  Finish(process);
}

TEST(ProcessStart, PathWithABlankRunsOnlyWhenQuoted) {
  ScriptDir dir;
  const std::string script = dir.Script("a b/tool", "echo ran");
  auto split = CreateProcess(FromBytes(script), 1);
  ASSERT_NE(split, nullptr);
  EXPECT_NE(split->execerror, 0);
  EXPECT_EQ(OutputOf(split), "");
  auto quoted = CreateProcess(FromBytes("\"" + script + "\""), 1);
  ASSERT_NE(quoted, nullptr);
  EXPECT_EQ(quoted->execerror, 0);
  EXPECT_EQ(OutputOf(quoted), "ran\n");
  Finish(split);
  Finish(quoted);
}

TEST(ProcessStart, BareNameIsNotLookedUpOnTheSearchPath) {
  ScriptDir dir;
  const std::string previous = std::filesystem::current_path().string();
  std::filesystem::current_path(dir.path());
  auto system_shell = CreateProcess(u"sh -c true", 1);
  dir.Script("local-tool", "echo local");
  auto local = CreateProcess(u"local-tool", 1);
  std::filesystem::current_path(previous);
  ASSERT_NE(system_shell, nullptr);
  EXPECT_EQ(system_shell->execerror, ENOENT);
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(OutputOf(local), "local\n");
  Finish(system_shell);
  Finish(local);
}

TEST(ProcessStart, BundleDirectoryRunsTheExecutableNamedAfterIt) {
  ScriptDir dir;
  dir.Script("Tool.app/Contents/MacOS/Tool", "echo bundle");
  const String bundle = FromBytes(dir.File("Tool.app"));
  auto process = CreateProcess(bundle, 1);
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(process->name, bundle + u"/Contents/MacOS/Tool");
  EXPECT_EQ(OutputOf(process), "bundle\n");

  auto with_argument = CreateProcess(bundle + u" x", 1);
  ASSERT_NE(with_argument, nullptr);
  EXPECT_EQ(with_argument->name, bundle + u" x");
  EXPECT_NE(with_argument->execerror, 0);
  ASSERT_TRUE(WaitUntil([&] { return with_argument->Status() == 0; }));
  EXPECT_EQ(with_argument->exitstatus, (ExitStatus{false, 255}));
  Finish(process);
  Finish(with_argument);
}

TEST(ProcessList, ProcessesAreListedInStartOrderUntilTerminated) {
  ScriptDir dir;
  const String script = FromBytes(dir.Script("child", "sleep 30"));
  auto first = CreateProcess(script, 1);
  auto second = CreateProcess(script, 1);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  const auto at_first = std::find(ProcessList.begin(), ProcessList.end(), first);
  const auto at_second = std::find(ProcessList.begin(), ProcessList.end(), second);
  ASSERT_NE(at_first, ProcessList.end());
  ASSERT_NE(at_second, ProcessList.end());
  EXPECT_LT(at_first, at_second);
  TerminateProcess(first);
  EXPECT_FALSE(Listed(first));
  EXPECT_TRUE(Listed(second));
  Finish(second);
}

TEST(ProcessGroup, TerminateReachesAGrandchild) {
  ScriptDir dir;
  // The grandchild records the signal that reaches it; its parent only waits.
  const std::string grandchild =
      dir.Script("grandchild", "exec 2>/dev/null; trap 'echo TERM > \"$0.got\"; exit 0' TERM; touch \"$0.ready\"; "
                               "while :; do sleep 0.05; done");
  auto process = CreateProcess(FromBytes(dir.Script("child", "'" + grandchild + "' & wait")), 1);
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(grandchild + ".ready"); }));
  EXPECT_EQ(process->Terminate(), 0);
  ASSERT_TRUE(WaitUntil([&] { return FileExists(grandchild + ".got"); }));
  EXPECT_TRUE(WaitUntil([&] { return ReadBytes(grandchild + ".got") == "TERM\n"; }));
  Finish(process);
}

// Once a child has been reaped its number may belong to anyone: no way of ending children may
// signal its group again. The group is ended once, by the Status call that reaps the leader while
// it is still a zombie; a member that counts its SIGTERMs shows that no other signal went out.
TEST(ProcessGroup, ReapedChildsGroupIsEndedOnceAndNeverSignalledAgain) {
  const std::pair<const char*, std::function<void(TProcess&)>> ways[] = {
      {"Terminate", [](TProcess& process) { process.Terminate(); }},
      {"EndGroup", [](TProcess& process) { process.EndGroup(); }},
      {"TerminateAll", [](TProcess&) { TProcess::TerminateAll(); }},
      {"the signal handler's", [](TProcess&) { TerminateRememberedGroups(); }}};
  for (const auto& [way, end] : ways) {
    ScriptDir dir;
    auto process =
        CreateProcess(FromBytes(dir.Script(
                          "child", "sh -c 'trap \"echo TERM >>$0.signals\" TERM; : >\"$0.ready\"; "
                                   "while :; do sleep 0.05; done' \"$0\" >/dev/null 2>&1 & echo $! >\"$0.left\"; "
                                   // The leader ends only once the member counts its signals: on a busy
                                   // machine the member's shell may take longer to start than any pause.
                                   "while [ ! -e \"$0.ready\" ]; do sleep 0.01; done")),
                      1);
    ASSERT_TRUE(WaitUntil([&] { return process->Status() == 0; }));
    const pid_t member = std::stoi(ReadBytes(dir.File("child.left")));
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(dir.File("child.signals")) == "TERM\n"; })) << way;
    end(*process);
    usleep(300000);
    EXPECT_EQ(ReadBytes(dir.File("child.signals")), "TERM\n") << way << " signalled the group after the reap";
    kill(member, SIGKILL);
    Finish(process);
  }
}

TEST(ProcessDescriptors, ChildrenInheritNoPipesAndNoProgramDescriptors) {
  ScriptDir dir;
  // Opened without close-on-exec on purpose: the launcher must still keep it
  // from the child.
  const std::string marker = dir.File("marker");
  const int marker_fd = open(marker.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(marker_fd, 0);
  auto sibling = CreateProcess(FromBytes(dir.Script("sibling", "sleep 30")), 1);
  ASSERT_NE(sibling, nullptr);
  // ls looks at the waiting shell's descriptors, so nothing the listing
  // itself opens shows up.
  auto lister = CreateProcess(FromBytes(dir.Script("lister", "ls -l /proc/$$/fd")), 1);
  ASSERT_NE(lister, nullptr);
  const std::string listing = OutputOf(lister);
  close(marker_fd);

  std::istringstream lines(listing);
  std::string line;
  int seen = 0;
  while (std::getline(lines, line)) {
    const auto arrow = line.find(" -> ");
    if (arrow == std::string::npos) continue;
    const auto number_start = line.rfind(' ', arrow - 1) + 1;
    const int fd = std::stoi(line.substr(number_start, arrow - number_start));
    const std::string target = line.substr(arrow + 4);
    ++seen;
    if (fd <= 2) {
      EXPECT_EQ(target.rfind("pipe:", 0), 0u) << line;
    } else {
      EXPECT_EQ(target.find("pipe:"), std::string::npos) << "inherited pipe: " << line;
      EXPECT_EQ(target.find("marker"), std::string::npos) << "inherited descriptor: " << line;
    }
  }
  EXPECT_GE(seen, 3);
  Finish(sibling);
  Finish(lister);
}

// End runs in a forked copy of this test process, which must send SIGTERM
// to every child still listed before it exits.
TEST(ProcessEndOfProgram, EndTerminatesEveryListedChild) {
  ScriptDir dir;
  // The shell reports its killed sleep on standard error, whose pipe End
  // closes right after the signal; sending that to a file keeps SIGPIPE from
  // cutting the trap short. The answer appears whole, by a rename, so that
  // it is never read half-written.
  const std::string body_template =
      "exec 2>\"$0.err\"; trap 'echo TERM > \"$0.part\"; mv \"$0.part\" \"$0.got\"; exit 0' TERM; touch \"$0.ready\"; "
      "while :; do sleep 0.05; done";
  const std::string first = dir.Script("first", body_template);
  const std::string second = dir.Script("second", body_template);
  EXPECT_EXIT(
      {
        StartProcesses();
        StartProcesses();
        CreateProcess(FromBytes(first), 1);
        CreateProcess(FromBytes(second), 1);
        WaitUntil([&] { return FileExists(first + ".ready") && FileExists(second + ".ready"); });
        End(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(WaitUntil([&] { return FileExists(first + ".got") && FileExists(second + ".got"); }));
  EXPECT_EQ(ReadBytes(first + ".got"), "TERM\n");
  EXPECT_EQ(ReadBytes(second + ".got"), "TERM\n");
}

TEST(ProcessEndOfProgram, TerminateAllEmptiesTheListAndClosesThePipes) {
  ScriptDir dir;
  const String script = FromBytes(dir.Script("child", "sleep 30"));
  auto first = CreateProcess(script, 1);
  auto second = CreateProcess(script, 1);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(TProcess::TerminateAll(), 0);
  EXPECT_TRUE(ProcessList.empty());
  EXPECT_EQ(first->handle, 0);
  EXPECT_EQ(second->handle, 0);
  EXPECT_EQ(first->pipe, nullptr);
  EXPECT_EQ(second->err, nullptr);
}

}  // namespace
}  // namespace qm
