#pragma once

namespace qm {

// Fatal signals end the program the way an uncaught run-time error does:
// "SIGNAL: " and the number on standard error, the end-of-program work that
// is safe inside a signal handler, and exit status 255. They are the faults
// SIGTRAP, SIGBUS and SIGSEGV, and the requests to stop SIGTERM, SIGINT,
// SIGHUP and SIGQUIT (SIGINT, SIGHUP and SIGQUIT stay ignored when the
// program was started with them ignored, as under nohup). The children run
// in process groups of their own, which a terminal's Ctrl-C or hang-up does
// not reach: end_children_groups (async-signal-safe) ends them before exit.
void InstallFatalSignalHandlers(void (*end_children_groups)() noexcept);

// Writing to a pipe whose reader is gone reports an error instead of ending
// the program.
void IgnoreBrokenPipes();

}  // namespace qm
