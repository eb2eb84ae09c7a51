#include <utility>

#include "gui/event_modules.h"
#include "gui/event_queue.h"
#include "gui/hooks.h"
#include "system/system_driver.h"

namespace qm {

namespace {

bool system_module_started = false;

// First hook of the emit chain: an event emitted while the driver blocks in
// Wait (from another source than the native queue) must end that wait.
ObjectRef WakeUpHook(std::int32_t, ObjectRef data, ObjectRef) {
  if (Driver) Driver->Interrupt();
  return data;
}

void StartSystemModule(std::shared_ptr<TSystemDriver> driver) {
  if (system_module_started) return;
  system_module_started = true;
  AddHook(EmitEventHook(), WakeUpHook, nullptr, 10000);
  InstallSystemDriver(std::move(driver));
}

}  // namespace

void StartEventSystem(std::shared_ptr<TSystemDriver> driver) {
  StartHookModule();
  StartEventModule();
  StartSystemModule(std::move(driver));
  StartEventQueueModule();
}

void ResetEventSystemForTesting(std::uint32_t counter_start) {
  ResetEventQueueModule(counter_start);
  system_module_started = false;
  InstallSystemDriver(nullptr);
  ResetEventModule();
  ResetHookModule();
}

}  // namespace qm
