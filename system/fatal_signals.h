#pragma once

namespace qm {

// Fatal signals (SIGTRAP, SIGBUS, SIGSEGV, SIGTERM) end the program the way
// an uncaught run-time error does: "SIGNAL: " and the number on standard
// error, the end-of-program work that is safe inside a signal handler
// (before_exit, which must be async-signal-safe), and exit status 255.
void InstallFatalSignalHandlers(void (*before_exit)() noexcept);

// Writing to a pipe whose reader is gone reports an error instead of ending
// the program.
void IgnoreBrokenPipes();

}  // namespace qm
