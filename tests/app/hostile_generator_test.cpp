// The real program rebuilding the documentation in batch mode with
// generators that misbehave as real ones do. A run that hangs is killed
// after a deadline and fails the test instead of the suite.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>

#include <csignal>
#include <cstring>
#include <cstdio>

#include "test_files.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing_files::Slurp;
using testing_files::Spit;

// Whether, within two seconds, no live process (a zombie has ended) is left in the group.
bool GroupGone(pid_t group) {
  for (int wait = 0; wait < 200; ++wait, usleep(10000)) {
    bool alive = false;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string stat = isdigit(entry.path().filename().c_str()[0]) ? Slurp(entry.path() / "stat") : "";
      const auto fields = stat.rfind(") ");
      pid_t member_group = 0;
      if (fields == std::string::npos || std::sscanf(stat.c_str() + fields + 2, "%*c %*d %d", &member_group) != 1) continue;
      alive = alive || (member_group == group && stat[fields + 2] != 'Z' && stat[fields + 2] != 'X');
    }
    if (!alive) return true;
  }
  return false;
}

class HostileGenerator : public ::testing::Test {
 protected:
  // A copy of the sample installation at this name with this generator.
  fs::path Install(const std::string& name, const std::string& generator) {
    const fs::path inst = dir_.path() / name;
    fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst, fs::copy_options::recursive);
    Script(inst / "bin/makedocs", generator);
    Spit(dir_.path() / "app/config.txt", inst.string() + "\r\n0\r\n");
    fs::copy_file(QM_EXECUTABLE, dir_.path() / "app/Quillmere", fs::copy_options::skip_existing);
    return inst;
  }
  static void Script(const fs::path& file, const std::string& body) {
    Spit(file, "#!/bin/sh\n" + body + "\n");
    fs::permissions(file, fs::perms::owner_all);
  }
  // A batch rebuild, its output in out.txt and err.txt, started as from an
  // interactive shell (stop requests at their defaults), with a pseudo-terminal
  // as controlling terminal when asked.
  pid_t Start(bool with_terminal = false) {
    const pid_t pid = with_terminal ? forkpty(&terminal_, nullptr, nullptr, nullptr) : fork();
    if (pid != 0) return pid;
    for (int number : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) signal(number, SIG_DFL);
    const std::string exe = dir_.path() / "app/Quillmere";
    if ((with_terminal || freopen("/dev/null", "r", stdin)) && freopen(Out("out.txt").c_str(), "w", stdout) &&
        freopen(Out("err.txt").c_str(), "w", stderr) && chdir(dir_.path().c_str()) == 0) {
      execl(exe.c_str(), exe.c_str(), "--rebuild-docs", static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  // The exit status; -1 after a signal; -2 when it had to be killed after 20 s.
  static int Finish(pid_t pid) {
    int status = 0;
    for (int wait = 0; waitpid(pid, &status, WNOHANG) == 0; ++wait, usleep(10000)) {
      if (wait == 2000) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -2;
      }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // The generator's process id, once it has written it to the file.
  static pid_t AwaitGenerator(const fs::path& file) {
    for (int wait = 0; wait < 1000 && Slurp(file).find('\n') == std::string::npos; ++wait) usleep(10000);
    return static_cast<pid_t>(std::atoi(Slurp(file).c_str()));
  }
  std::string Out(const std::string& name) { return (dir_.path() / name).string(); }
  ~HostileGenerator() override { close(terminal_); }

  testing_files::ScratchDir dir_{"hostile"};
  int terminal_ = -1;
};

TEST_F(HostileGenerator, RunsTheRightProgramAndNeverHangs) {
  // A double quote in the installation path: the file named by the text
  // before it must not run instead of the generator.
  Script(dir_.path() / "Tallowin ", "touch '" + Out("decoy-ran") + "'");
  Install("Tallowin \"beta\"", "touch '" + Out("generator-ran") + "'");
  EXPECT_EQ(Finish(Start()), 0) << Slurp(Out("err.txt"));
  EXPECT_TRUE(fs::exists(Out("generator-ran")));
  EXPECT_FALSE(fs::exists(Out("decoy-ran"))) << "another program ran in the generator's place";

  // A generator reading its standard input finds it empty.
  Install("reader", "cat >/dev/null; touch '" + Out("read-all") + "'");
  EXPECT_EQ(Finish(Start()), 0) << Slurp(Out("err.txt"));
  EXPECT_TRUE(fs::exists(Out("read-all")));

  // A generator asking at the terminal is ended, with a message.
  const fs::path inst = Install("asker", "echo $$ > '" + Out("asker-pid") + "'; read answer </dev/tty");
  const pid_t program = Start(true), generator = AwaitGenerator(Out("asker-pid"));
  EXPECT_EQ(Finish(program), 0);
  EXPECT_EQ(Slurp(Out("err.txt")), (inst / "bin/makedocs").string() + " stopped waiting for terminal input\n");
  EXPECT_TRUE(GroupGone(generator));
}

TEST_F(HostileGenerator, StopRequestsToTheProgramEndTheGeneratorAndItsChild) {
  Install("inst", "sleep 60 & echo $$ > '" + Out("pid") + "'; wait");
  for (int number : {SIGINT, SIGHUP, SIGQUIT}) {
    fs::remove(Out("pid"));
    const pid_t program = Start(), generator = AwaitGenerator(Out("pid"));
    ASSERT_GT(generator, 0);
    kill(program, number);
    EXPECT_EQ(Finish(program), 255) << strsignal(number);
    EXPECT_EQ(Slurp(Out("err.txt")), "SIGNAL: " + std::to_string(number) + "\n");
    EXPECT_TRUE(GroupGone(generator)) << strsignal(number) << " left the generator's group running";
  }
}

}  // namespace
}  // namespace qm
