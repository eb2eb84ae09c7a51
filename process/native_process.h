#pragma once
#include <cstdint>

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

// 1 while the child runs, else 0. The first query after the child ended
// reaps it; wait_status, when given, then receives the status waitpid
// reported (untouched on every other call).
std::int32_t fdProcessStatus(std::int32_t pid, int* wait_status = nullptr);

// SIGTERM to the process group led by pid; 0 on success, -1 on failure.
std::int32_t fdTerminateProcess(std::int32_t pid);

}  // namespace qm
