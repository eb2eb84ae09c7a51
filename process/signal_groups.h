#pragma once
#include <sys/types.h>

namespace qm {

// The process groups of the children still listed, kept where a fatal-signal
// handler can reach them: it may neither allocate nor lock, so the process
// list itself is out of its reach.
void RememberGroupForSignals(pid_t group);
void ForgetGroupForSignals(pid_t group);

// Sends SIGTERM, then SIGCONT, to every remembered group. Async-signal-safe.
void TerminateRememberedGroups() noexcept;

}  // namespace qm
