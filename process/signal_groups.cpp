#include "process/signal_groups.h"

#include <signal.h>

#include <atomic>

namespace qm {

namespace {

// Slots hold a group id or 0. Lock-free atomics keep the handler's reads
// safe even when a signal arrives in the middle of an update.
constexpr int kSlots = 1024;
std::atomic<pid_t> groups[kSlots];
static_assert(std::atomic<pid_t>::is_always_lock_free);

}  // namespace

void RememberGroupForSignals(pid_t group) {
  if (group <= 0) return;
  for (auto& slot : groups) {
    pid_t empty = 0;
    if (slot.compare_exchange_strong(empty, group)) return;
  }
  // More live children than slots: the rest are still terminated by the
  // ordinary end of the program, only not from a signal handler.
}

void ForgetGroupForSignals(pid_t group) {
  if (group <= 0) return;
  for (auto& slot : groups) {
    pid_t expected = group;
    if (slot.compare_exchange_strong(expected, 0)) return;
  }
}

void TerminateRememberedGroups() noexcept {
  for (auto& slot : groups) {
    const pid_t group = slot.load();
    if (group <= 0) continue;
    killpg(group, SIGTERM);
    // A member stopped at the terminal would keep SIGTERM pending for good.
    killpg(group, SIGCONT);
  }
}

}  // namespace qm
