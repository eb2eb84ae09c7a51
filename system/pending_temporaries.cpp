#include "system/pending_temporaries.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace qm {
namespace {

// A build writes about a dozen files at once; room to spare.
constexpr int kSlots = 64;

char paths[kSlots][PATH_MAX];
volatile sig_atomic_t in_use[kSlots];

}  // namespace

int RememberTemporary(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (in_use[slot]) continue;
    std::memcpy(paths[slot], path.c_str(), path.size() + 1);
    // The handler must never see the flag before the whole path.
    std::atomic_signal_fence(std::memory_order_release);
    in_use[slot] = 1;
    return slot;
  }
  return -1;
}

void ForgetTemporary(int slot) {
  if (slot >= 0 && slot < kSlots) in_use[slot] = 0;
}

void RemovePendingTemporaries() noexcept {
  for (int slot = 0; slot < kSlots; ++slot) {
    if (!in_use[slot]) continue;
    std::atomic_signal_fence(std::memory_order_acquire);
    unlink(paths[slot]);
    in_use[slot] = 0;
  }
}

}  // namespace qm
