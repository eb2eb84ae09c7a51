#pragma once
#include <cstdint>

// Start-up and test reset of the modules behind the event system. Only
// StartEventSystem and ResetEventSystemForTesting call these; each start
// function runs once and returns at once when called again.

namespace qm {

void StartHookModule();
void StartEventModule();
void StartEventQueueModule();

void ResetHookModule();
void ResetEventModule();
void ResetEventQueueModule(std::uint32_t counter_start);

}  // namespace qm
