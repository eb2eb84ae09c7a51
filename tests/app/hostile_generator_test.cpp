// The real program rebuilding the documentation in batch mode with generators that misbehave
// as real ones do. A hang ends the test program (an alarm) instead of waiting for the time-out.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "process/child_scripts.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WaitUntil;

// The status line of a live process (a zombie has ended) in the group, "" when there is none.
std::string LiveMember(pid_t group) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = isdigit(entry.path().filename().c_str()[0]) ? ReadBytes(entry.path() / "stat") : "";
    char state = 0;
    pid_t of_group = 0;
    const auto fields = stat.rfind(") ");
    if (fields != std::string::npos && std::sscanf(stat.c_str() + fields + 2, "%c %*d %d", &state, &of_group) == 2 &&
        of_group == group && state != 'Z' && state != 'X') {
      return stat;
    }
  }
  return "";
}

class HostileGenerator : public ::testing::Test {
 protected:
  // A copy of the sample installation at this name with this generator.
  fs::path Install(const std::string& name, const std::string& generator) {
    fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", dir_.File(name), fs::copy_options::recursive);
    dir_.Script(name + "/bin/makedocs", generator);
    testing::WriteBytes(dir_.File("app/config.txt"), dir_.File(name) + "\r\n0\r\n");
    fs::copy_file(QM_EXECUTABLE, dir_.File("app/Quillmere"), fs::copy_options::skip_existing);
    return dir_.File(name);
  }
  // A batch rebuild, output in out.txt and err.txt, started as from an interactive shell (stop
  // requests at their defaults), with a pseudo-terminal as controlling terminal when asked.
  pid_t Start(bool with_terminal = false) {
    const pid_t pid = with_terminal ? forkpty(&terminal_, nullptr, nullptr, nullptr) : fork();
    if (pid != 0) return pid;
    for (int number : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) signal(number, SIG_DFL);
    const std::string exe = dir_.File("app/Quillmere");
    if ((with_terminal || freopen("/dev/null", "r", stdin)) && freopen(dir_.File("out.txt").c_str(), "w", stdout) &&
        freopen(dir_.File("err.txt").c_str(), "w", stderr) && chdir(dir_.path().string().c_str()) == 0) {
      execl(exe.c_str(), exe.c_str(), "--rebuild-docs", static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  // The exit status, -1 after a signal.
  static int Finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_t AwaitGenerator(const std::string& name) {
    WaitUntil([&] { return ReadBytes(dir_.File(name)).find('\n') != std::string::npos; }, 10000);
    return static_cast<pid_t>(std::atoi(ReadBytes(dir_.File(name)).c_str()));
  }
  std::string Err() { return ReadBytes(dir_.File("err.txt")); }
  void SetUp() override { alarm(60); }
  void TearDown() override {
    alarm(0);
    close(terminal_);
  }

  testing::ScriptDir dir_;
  int terminal_ = -1;
};

TEST_F(HostileGenerator, RunsTheRightProgramAndNeverHangs) {
  // A double quote in the installation path: the file named by the text before it must not run.
  const std::string decoy = dir_.Script("Tallowin ", "touch \"$0.ran\"");
  const fs::path quoted = Install("Tallowin \"beta\"", "touch \"$0.ran\"");
  EXPECT_EQ(Finish(Start()), 0) << Err();
  EXPECT_TRUE(fs::exists(quoted / "bin/makedocs.ran"));
  EXPECT_FALSE(fs::exists(decoy + ".ran")) << "another program ran in the generator's place";

  // A generator reading its standard input finds it empty.
  const fs::path reader = Install("reader", "cat >/dev/null; touch \"$0.ran\"");
  EXPECT_EQ(Finish(Start()), 0) << Err();
  EXPECT_TRUE(fs::exists(reader / "bin/makedocs.ran"));

  // A generator asking at the terminal is ended, with a message.
  const fs::path asker = Install("asker", "echo $$ >\"${0%/*}/../../pid\"; read answer </dev/tty");
  const pid_t program = Start(true), generator = AwaitGenerator("pid");
  EXPECT_EQ(Finish(program), 0);
  EXPECT_EQ(Err(), (asker / "bin/makedocs").string() + " stopped waiting for terminal input\n");
  std::string member;
  EXPECT_TRUE(WaitUntil([&] { return (member = LiveMember(generator)).empty(); }, 5000)) << member;
}

// A generator that leaves a process running in its group when it exits: the program ends the
// group before it reaps the generator, so nothing of the group outlives the build.
TEST_F(HostileGenerator, WhatTheGeneratorLeavesRunningEndsWithIt) {
  Install("leaver", "sleep 30 >/dev/null 2>&1 & echo $$ >\"${0%/*}/../../pid\"");
  EXPECT_EQ(Finish(Start()), 0) << Err();
  const pid_t generator = AwaitGenerator("pid");
  ASSERT_GT(generator, 0);
  std::string member;
  EXPECT_TRUE(WaitUntil([&] { return (member = LiveMember(generator)).empty(); }, 5000)) << member;
}

TEST_F(HostileGenerator, StopRequestsToTheProgramEndTheGeneratorAndItsChild) {
  Install("inst", "sleep 60 & echo $$ >\"${0%/*}/../../pid\"; wait");
  for (int number : {SIGINT, SIGHUP, SIGQUIT}) {
    fs::remove(dir_.File("pid"));
    const pid_t program = Start(), generator = AwaitGenerator("pid");
    ASSERT_GT(generator, 0);
    kill(program, number);
    EXPECT_EQ(Finish(program), 255) << strsignal(number);
    EXPECT_EQ(Err(), "SIGNAL: " + std::to_string(number) + "\n");
    std::string member;
    EXPECT_TRUE(WaitUntil([&] { return (member = LiveMember(generator)).empty(); }, 5000))
        << strsignal(number) << " left this running: " << member;
  }
}

}  // namespace
}  // namespace qm
