#pragma once
#include <functional>

namespace qm::testing {

// Polls condition every poll_ms milliseconds until it holds (true) or
// timeout_ms have passed (false). Conditions that start programs, as the
// window tests' do, want a longer poll than cheap ones.
bool WaitUntil(const std::function<bool()>& condition, int timeout_ms = 5000, int poll_ms = 1);

}  // namespace qm::testing
