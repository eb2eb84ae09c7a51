#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Native side of child processes, over the POSIX process calls.

// Starts the command line (zero-terminated bytes, split by SplitCommandLine)
// as a child leading its own process group, with three pipes: the child's
// standard output (read handle), standard input (write handle) and standard
// error (error handle). Returns the process id, or 0 when a pipe or the fork
// fails. A program that cannot be executed still yields a child, which ends
// at once with exit status 255; exec_error, when given, receives the errno
// of that failure, or 0 when the program started. flags is ignored.
// Neither the child nor any later child inherits these pipes or any other
// descriptor of the program: everything but 0, 1 and 2 is closed at exec.
std::int32_t fdProcess(const char* command_line, std::int32_t* read_handle, std::int32_t* write_handle,
                       std::int32_t* error_handle, std::int32_t flags, int* exec_error = nullptr);

// The same start for an argument list the caller has already made: the
// first argument is the executable path, handed to exec exactly as given.
std::int32_t fdProcessArguments(const std::vector<std::string>& arguments, std::int32_t* read_handle,
                                std::int32_t* write_handle, std::int32_t* error_handle, int* exec_error = nullptr);

// 1 while the child is there (running or stopped), 0 once it has ended or
// when pid is not a child. The first query after the child ended sends
// SIGTERM (and SIGCONT) to what is left of its group, while the unreaped
// child still holds the group's number, and then reaps it.
// wait_status, when given, receives what waitpid reported on this call: an
// end, a stop or a continuation; it is left empty when there was no news.
std::int32_t fdProcessStatus(std::int32_t pid, std::optional<int>* wait_status = nullptr);

// SIGTERM to the process group led by pid, then SIGCONT so that members
// stopped at the terminal wake up to receive it; 0 on success, -1 on failure.
std::int32_t fdTerminateProcess(std::int32_t pid);
// SIGKILL to the process group led by pid; 0 on success, -1 on failure.
std::int32_t fdKillProcess(std::int32_t pid);

}  // namespace qm
