#include "support/wait.h"

#include <chrono>
#include <thread>

namespace qm::testing {

bool WaitUntil(const std::function<bool()>& condition, int timeout_ms, int poll_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
  }
  return true;
}

}  // namespace qm::testing
