#include "process/native_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "process/command_line.h"
#include "process/fd.h"

namespace qm {

namespace {

constexpr int kOutputPipeBytes = 1024 * 1024;

// Everything the child needs after fork, prepared before it: between fork
// and exec the child may only make async-signal-safe calls, so no
// allocation happens there. argv points into arguments, so a plan is built
// in place and never copied or moved.
struct ExecPlan {
  explicit ExecPlan(const std::vector<std::string>& given) : arguments(given) {
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    rlimit limit{};
    highest_fd = (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
                     ? static_cast<unsigned int>(limit.rlim_cur)
                     : 65536u;
  }
  ExecPlan(const ExecPlan&) = delete;
  ExecPlan& operator=(const ExecPlan&) = delete;

  std::vector<std::string> arguments;
  std::vector<char*> argv;
  unsigned int highest_fd = 0;
};

// Keeps a pipe end clear of 0, 1 and 2: 0 means "no descriptor" to the pipe
// stream, and the child's dup2 onto 0, 1, 2 must not overwrite a pipe end
// it has yet to install. Only matters when the program runs with a
// standard stream closed.
bool LiftAboveStandardStreams(UniqueFd& fd) {
  if (fd.Get() > 2) return true;
  const int lifted = fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3);
  if (lifted < 0) return false;
  fd.Reset(lifted);
  return true;
}

// Both ends close-on-exec, so no other child ever inherits them.
bool MakePipe(UniqueFd& read_end, UniqueFd& write_end) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  read_end.Reset(ends[0]);
  write_end.Reset(ends[1]);
  return LiftAboveStandardStreams(read_end) && LiftAboveStandardStreams(write_end);
}

[[noreturn]] void WriteErrnoAndExit(int report_fd, int error) {
  ssize_t ignored = write(report_fd, &error, sizeof error);
  (void)ignored;
  _exit(255);
}

// Runs in the forked child. Async-signal-safe calls only; never returns.
// _exit, not exit: the parent's end-of-program functions and stdio buffers
// must not run or flush a second time in the child.
[[noreturn]] void BecomeChild(const ExecPlan& plan, int stdin_fd, int stdout_fd, int stderr_fd, int report_fd) {
  setpgid(0, 0);

  // A parent that ignores SIGPIPE or blocks signals would pass that on
  // through exec; the generator should see the defaults.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGPIPE, &default_action, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  // dup2 clears close-on-exec on the copies; the originals stay marked.
  if (dup2(stdin_fd, 0) < 0 || dup2(stdout_fd, 1) < 0 || dup2(stderr_fd, 2) < 0) WriteErrnoAndExit(report_fd, errno);

  // Descriptors the program opened without close-on-exec must not reach the
  // child either. Marking rather than closing keeps report_fd usable.
  if (close_range(3, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
    for (unsigned int fd = 3; fd < plan.highest_fd; ++fd) fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
  }

  if (plan.arguments.empty()) WriteErrnoAndExit(report_fd, ENOENT);
  execv(plan.argv[0], plan.argv.data());
  WriteErrnoAndExit(report_fd, errno);
}

// The report pipe reaches end of input when exec succeeds (close-on-exec)
// and carries errno when it fails.
int ReadExecError(int report_fd) {
  int error = 0;
  std::size_t got = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&error);
  while (got < sizeof error) {
    const int n = fdRead(report_fd, bytes + got, static_cast<std::int32_t>(sizeof error - got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got == sizeof error ? error : 0;
}

}  // namespace

std::int32_t fdProcess(const char* command_line, std::int32_t* read_handle, std::int32_t* write_handle,
                       std::int32_t* error_handle, std::int32_t /*flags*/, int* exec_error) {
  return fdProcessArguments(SplitCommandLine(command_line ? command_line : ""), read_handle, write_handle, error_handle,
                            exec_error);
}

std::int32_t fdProcessArguments(const std::vector<std::string>& arguments, std::int32_t* read_handle,
                                std::int32_t* write_handle, std::int32_t* error_handle, int* exec_error) {
  const ExecPlan plan(arguments);

  UniqueFd out_read, out_write;  // A: the child's standard output
  UniqueFd in_read, in_write;    // B: the child's standard input
  UniqueFd err_read, err_write;  // C: the child's standard error
  UniqueFd report_read, report_write;
  if (!MakePipe(out_read, out_write) || !MakePipe(in_read, in_write) || !MakePipe(err_read, err_write) ||
      !MakePipe(report_read, report_write)) {
    return 0;
  }
  // A roomier output pipe lets a child that writes a lot go on for longer
  // between the parent's polls; where the system refuses, the default stays.
  fcntl(out_read.Get(), F_SETPIPE_SZ, kOutputPipeBytes);

  const pid_t pid = fork();
  if (pid < 0) return 0;
  if (pid == 0) BecomeChild(plan, in_read.Get(), out_write.Get(), err_write.Get(), report_write.Get());

  // Also set from this side, so that a Terminate right after the start
  // already finds the group even if the child has not run yet.
  setpgid(pid, pid);

  in_read.Reset();
  out_write.Reset();
  err_write.Reset();
  report_write.Reset();
  const int error = ReadExecError(report_read.Get());
  if (exec_error) *exec_error = error;

  *read_handle = out_read.Release();
  *write_handle = in_write.Release();
  *error_handle = err_read.Release();
  return static_cast<std::int32_t>(pid);
}

std::int32_t fdProcessStatus(std::int32_t pid, std::optional<int>* wait_status) {
  if (wait_status) wait_status->reset();
  // Whatever the child left running in its group must end with it, and the
  // group may only be signalled while nothing else can take its number. A
  // leader that has exited but is not yet reaped is a zombie that still
  // holds its group id: end the group now, then reap.
  siginfo_t exited{};
  int asked;
  do {
    asked = waitid(P_PID, static_cast<id_t>(pid), &exited, WEXITED | WNOHANG | WNOWAIT);
  } while (asked < 0 && errno == EINTR);
  if (asked == 0 && exited.si_pid == static_cast<pid_t>(pid)) fdTerminateProcess(pid);
  int status = 0;
  pid_t result;
  do {
    result = waitpid(static_cast<pid_t>(pid), &status, WNOHANG | WUNTRACED | WCONTINUED);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return 1;
  if (result != static_cast<pid_t>(pid)) return 0;
  if (wait_status) *wait_status = status;
  return (WIFSTOPPED(status) || WIFCONTINUED(status)) ? 1 : 0;
}

std::int32_t fdTerminateProcess(std::int32_t pid) {
  // A stopped process keeps SIGTERM pending until it is continued.
  if (killpg(static_cast<pid_t>(pid), SIGTERM) != 0) return -1;
  killpg(static_cast<pid_t>(pid), SIGCONT);
  return 0;
}

std::int32_t fdKillProcess(std::int32_t pid) { return killpg(static_cast<pid_t>(pid), SIGKILL) == 0 ? 0 : -1; }

}  // namespace qm
