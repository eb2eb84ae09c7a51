#include "system/system_driver.h"

#include <utility>

#include "system/runtime_error.h"

namespace qm {

std::shared_ptr<TSystemDriver> Driver;

namespace {

// Shared by PollSystem and WaitSystem: a pump already running further up the
// stack (a native callback that polls, say) must not be entered again.
bool pump_busy = false;

[[noreturn]] void NullMethod(const char16_t* name) {
  throw RuntimeError(String(u"Null method called: TSystemDriver.") + name);
}

TSystemDriver& Installed() {
  if (!Driver) throw RuntimeError(u"No system driver installed");
  return *Driver;
}

// Clears the busy flag however the pump ends, a run-time error included.
class PumpGuard {
 public:
  PumpGuard() { pump_busy = true; }
  ~PumpGuard() { pump_busy = false; }
  PumpGuard(const PumpGuard&) = delete;
  PumpGuard& operator=(const PumpGuard&) = delete;
};

}  // namespace

void TSystemDriver::Poll() { NullMethod(u"Poll"); }
void TSystemDriver::Wait() { NullMethod(u"Wait"); }
void TSystemDriver::Interrupt() {}
void TSystemDriver::MoveMouse(int, int) { NullMethod(u"MoveMouse"); }
void TSystemDriver::SetMouseVisible(int) { NullMethod(u"SetMouseVisible"); }
void TSystemDriver::Notify(const String&, int) { NullMethod(u"Notify"); }
int TSystemDriver::Confirm(const String&, int) { NullMethod(u"Confirm"); }
int TSystemDriver::Proceed(const String&, int) { NullMethod(u"Proceed"); }
String TSystemDriver::RequestFile(const String&, const String&, int, const String&) { NullMethod(u"RequestFile"); }
String TSystemDriver::RequestDir(const String&, const String&) { NullMethod(u"RequestDir"); }
int TSystemDriver::OpenURL(const String&) { NullMethod(u"OpenURL"); }

void InstallSystemDriver(std::shared_ptr<TSystemDriver> driver) { Driver = std::move(driver); }

String RequestDir(const String& text, const String& initial_path) { return Installed().RequestDir(text, initial_path); }
void Notify(const String& text, int serious) { Installed().Notify(text, serious); }
int Confirm(const String& text, int serious) { return Installed().Confirm(text, serious); }
int Proceed(const String& text, int serious) { return Installed().Proceed(text, serious); }
String RequestFile(const String& text, const String& extensions, int save, const String& initial_path) {
  return Installed().RequestFile(text, extensions, save, initial_path);
}
int OpenURL(const String& url) { return Installed().OpenURL(url); }

void PollSystem() {
  if (pump_busy || !Driver) return;
  // Held for the whole pump: the callbacks it runs may replace Driver.
  std::shared_ptr<TSystemDriver> driver = Driver;
  PumpGuard guard;
  driver->Poll();
}

void WaitSystem() {
  if (pump_busy || !Driver) return;
  std::shared_ptr<TSystemDriver> driver = Driver;
  PumpGuard guard;
  driver->Wait();
}

bool SystemPumpBusy() { return pump_busy; }

}  // namespace qm
