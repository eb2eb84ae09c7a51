// The real executable rebuilding the documentation in batch mode with
// generators that misbehave the ways real ones do. A run that hangs is
// killed after a deadline and fails the test instead of the suite.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "test_files.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing_files::ScratchDir;
using testing_files::Slurp;
using testing_files::Spit;

constexpr int kHung = -2;

// Whether any process that has not ended (zombies count as ended) is still
// in the process group.
bool GroupAlive(pid_t group) {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    if (entry.path().filename().string().find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = Slurp(entry.path() / "stat");
    const auto name_end = stat.rfind(')');
    if (name_end == std::string::npos) continue;
    std::istringstream rest(stat.substr(name_end + 1));
    std::string state;
    pid_t parent = 0, member_group = 0;
    rest >> state >> parent >> member_group;
    if (member_group == group && state != "Z" && state != "X") return true;
  }
  return false;
}

class HostileGenerator : public ::testing::Test {
 protected:
  HostileGenerator() : scratch_("hostile") {
    app_ = scratch_.path() / "app";
    fs::create_directories(app_);
    fs::copy_file(QM_EXECUTABLE, app_ / "Quillmere");
  }

  // A copy of the sample installation at the given name, whose generator
  // is the given shell script.
  fs::path Install(const std::string& name, const std::string& generator) {
    const fs::path inst = scratch_.path() / name;
    fs::copy(fs::path(QM_SOURCE_DIR) / "examples/sample-install", inst, fs::copy_options::recursive);
    Executable(inst / "bin/makedocs", generator);
    Spit(app_ / "config.txt", inst.string() + "\r\n0\r\n");
    return inst;
  }
  static void Executable(const fs::path& file, const std::string& script) {
    Spit(file, "#!/bin/sh\n" + script + "\n");
    fs::permissions(file, fs::perms::owner_all);
  }

  // Starts a batch rebuild with output in out.txt and err.txt, with the
  // stop requests at their defaults as in an interactive shell; under a
  // pseudo-terminal (as its controlling terminal) when asked.
  pid_t Start(bool with_terminal = false) {
    const auto become_program = [&] {
      for (int number : {SIGINT, SIGHUP, SIGQUIT, SIGTERM}) signal(number, SIG_DFL);
      if (!freopen((scratch_.path() / "out.txt").c_str(), "w", stdout) ||
          !freopen((scratch_.path() / "err.txt").c_str(), "w", stderr) || chdir(scratch_.path().c_str()) != 0) {
        _exit(126);
      }
      const std::string exe = (app_ / "Quillmere").string();
      execl(exe.c_str(), exe.c_str(), "--rebuild-docs", static_cast<char*>(nullptr));
      _exit(127);
    };
    pid_t pid;
    if (with_terminal) {
      pid = forkpty(&terminal_, nullptr, nullptr, nullptr);
    } else {
      pid = fork();
      if (pid == 0 && !freopen("/dev/null", "r", stdin)) _exit(126);
    }
    if (pid == 0) become_program();
    return pid;
  }

  // The exit status, -1 when killed by a signal, kHung (after killing it)
  // when it did not end in time.
  int Finish(pid_t pid, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return kHung;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Waits until the generator has written its process id into the file.
  pid_t AwaitGenerator(const fs::path& file) {
    for (int i = 0; i < 1000 && Slurp(file).find('\n') == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return static_cast<pid_t>(std::atoi(Slurp(file).c_str()));
  }

  // Whether the group has gone, allowing a moment for the signal to land.
  static bool GroupEnds(pid_t group) {
    for (int i = 0; i < 200 && GroupAlive(group); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !GroupAlive(group);
  }

  ~HostileGenerator() override {
    if (terminal_ >= 0) close(terminal_);
  }

  ScratchDir scratch_;
  fs::path app_;
  int terminal_ = -1;
};

TEST_F(HostileGenerator, RunsTheRightProgramAndNeverHangs) {
  // A double quote in the installation path must not let the file named
  // by the text before it run instead of the generator.
  {
    const fs::path ran = scratch_.path() / "generator-ran", decoy = scratch_.path() / "decoy-ran";
    Executable(scratch_.path() / "Tallowin ", "touch '" + decoy.string() + "'");
    Install("Tallowin \"beta\"", "touch '" + ran.string() + "'");
    EXPECT_EQ(Finish(Start()), 0) << Slurp(scratch_.path() / "err.txt");
    EXPECT_TRUE(fs::exists(ran)) << "the generator did not run";
    EXPECT_FALSE(fs::exists(decoy)) << "another program ran in its place";
  }
  // A generator that reads its standard input finds it empty.
  {
    const fs::path done = scratch_.path() / "read-all";
    Install("reader", "cat >/dev/null; touch '" + done.string() + "'");
    EXPECT_EQ(Finish(Start()), 0) << Slurp(scratch_.path() / "err.txt");
    EXPECT_TRUE(fs::exists(done));
  }
  // A generator that asks at the terminal is ended, with a message.
  {
    const fs::path pid_file = scratch_.path() / "asker-pid";
    const fs::path inst = Install("asker", "echo $$ > '" + pid_file.string() + "'; read answer </dev/tty");
    const pid_t program = Start(true);
    const pid_t generator = AwaitGenerator(pid_file);
    EXPECT_EQ(Finish(program), 0);
    EXPECT_EQ(Slurp(scratch_.path() / "err.txt"),
              (inst / "bin/makedocs").string() + " stopped waiting for terminal input\n");
    EXPECT_TRUE(GroupEnds(generator));
  }
}

TEST_F(HostileGenerator, StopRequestsToTheProgramEndTheGeneratorAndItsChild) {
  const fs::path pid_file = scratch_.path() / "generator";
  Install("inst", "sleep 60 & echo $$ > '" + pid_file.string() + "'; wait");
  for (int number : {SIGINT, SIGHUP, SIGQUIT}) {
    fs::remove(pid_file);
    const pid_t program = Start();
    const pid_t generator = AwaitGenerator(pid_file);
    ASSERT_GT(generator, 0);
    kill(program, number);
    EXPECT_EQ(Finish(program), 255) << strsignal(number);
    EXPECT_EQ(Slurp(scratch_.path() / "err.txt"), "SIGNAL: " + std::to_string(number) + "\n");
    EXPECT_TRUE(GroupEnds(generator)) << strsignal(number) << " left the generator's group running";
  }
}

}  // namespace
}  // namespace qm
