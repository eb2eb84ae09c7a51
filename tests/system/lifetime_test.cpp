#include "system/lifetime.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "system/app_paths.h"
#include "system/strings.h"

namespace qm {
namespace {

TEST(AppPaths, BundleRuleAndPlainExecutable) {
  EXPECT_EQ(AppDirFromExecutable("/Applications/Quillmere.app/Contents/MacOS/Quillmere"), "/Applications");
  EXPECT_EQ(AppDirFromExecutable("/opt/quill/bin/Quillmere"), "/opt/quill/bin");
  EXPECT_EQ(AppDirFromExecutable("/Quillmere"), "/");
  EXPECT_FALSE(ExecutablePath().empty());
  EXPECT_EQ(ExecutablePath().front(), '/');
}

TEST(Delay, NegativeReturnsAtOnceAndPositiveSleeps) {
  const auto t0 = std::chrono::steady_clock::now();
  Delay(-5);
  Delay(0);
  const auto t1 = std::chrono::steady_clock::now();
  EXPECT_LT(t1 - t0, std::chrono::milliseconds(5));
  Delay(20);
  EXPECT_GE(std::chrono::steady_clock::now() - t1, std::chrono::milliseconds(20));
}

// Ending the program is observed from a forked child, whose output and exit
// status the parent reads.
struct ChildResult {
  int status = -1;
  std::string out;
  std::string err;
};

template <class F>
ChildResult RunInChild(F body) {
  int out_pipe[2], err_pipe[2];
  EXPECT_EQ(pipe(out_pipe), 0);
  EXPECT_EQ(pipe(err_pipe), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    close(out_pipe[0]);
    close(err_pipe[0]);
    body();
    _exit(99);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  ChildResult result;
  auto slurp = [](int fd) {
    std::string s;
    char buf[512];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<std::size_t>(n));
    close(fd);
    return s;
  };
  result.out = slurp(out_pipe[0]);
  result.err = slurp(err_pipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(End, RunsEndFunctionsMostRecentFirstAndExitsZero) {
  auto result = RunInChild([] {
    OnEnd([] { std::fputs("A", stdout); });
    OnEnd([] { std::fputs("B", stdout); });
    End();
  });
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "BA");
}

TEST(RunProgram, RuntimeErrorGoesToStandardErrorWithStatus255) {
  auto result = RunInChild([] {
    OnEnd([] { std::fputs("cleanup", stdout); });
    RunProgram([] { throw RuntimeError(u"List index out of range"); });
  });
  EXPECT_EQ(result.status, 255);
  EXPECT_EQ(result.err, "List index out of range\n");
  EXPECT_EQ(result.out, "cleanup");
}

TEST(Startup, GlobalsAndWorkingDirectory) {
  auto result = RunInChild([] {
    char a0[] = "/x/Quillmere";
    char a1[] = "caf\xC3\xA9";
    char* argv[] = {a0, a1, nullptr};
    char launch[1024];
    if (!getcwd(launch, sizeof launch)) _exit(2);
    Startup(2, argv, "/tmp", "/x/Quillmere");
    char now[1024];
    if (!getcwd(now, sizeof now)) _exit(3);
    const bool ok = AppArgs.size() == 2 && AppArgs[1].size() == 5 && ToByteString(AppArgs[1]) == a1 &&
                    AppDir == u"/tmp" && AppFile == u"/x/Quillmere" && AppTitle == u"Tallowin Application" &&
                    ToByteString(LaunchDir) == launch && std::string(now) == "/tmp";
    _exit(ok ? 0 : 1);
  });
  EXPECT_EQ(result.status, 0);
}

}  // namespace
}  // namespace qm
