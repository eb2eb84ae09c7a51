#pragma once
#include <memory>

#include "system/object.h"

namespace qm {

// The platform side of the event pump and of the modal requesters. One
// driver is installed at start-up: the window-system driver when a display
// can be opened, the headless one otherwise.
//
// It lives in system/ rather than gui/ because it is a system service, not a
// gadget: start-up and batch mode call the requesters (RequestDir, Notify)
// without any window or toolkit, and the headless driver beside it answers
// them on a machine with no display. The gui/ toolkit only pumps through it;
// the window-system version is in gui/gtk/.
class TSystemDriver : public Object {
 public:
  // Processes every pending native event without blocking.
  virtual void Poll();
  // Blocks until at least one native event arrives, then processes all.
  virtual void Wait();
  // Makes a blocked Wait return (called from the emit hook chain). Unlike
  // the other operations the base version does nothing: a driver whose Wait
  // never blocks has nothing to wake, and the hook runs on every emit.
  virtual void Interrupt();
  virtual void MoveMouse(int x, int y);
  virtual void SetMouseVisible(int visible);
  virtual void Notify(const String& text, int serious);
  virtual int Confirm(const String& text, int serious);
  virtual int Proceed(const String& text, int serious);
  virtual String RequestFile(const String& text, const String& extensions, int save, const String& initial_path);
  virtual String RequestDir(const String& text, const String& initial_path);
  virtual int OpenURL(const String& url);
};

// Answers without a display: folder requests cancel, notices go to
// standard error (Confirm then answers 0, Proceed -1), and waits sleep
// without spinning until interrupted from another thread or, since nothing
// native can arrive, for at most a quarter of a second.
std::shared_ptr<TSystemDriver> CreateHeadlessSystemDriver();

// The installed driver; null until one is installed.
extern std::shared_ptr<TSystemDriver> Driver;
void InstallSystemDriver(std::shared_ptr<TSystemDriver> driver);

// Module functions forwarding to the installed driver.
String RequestDir(const String& text, const String& initial_path);
void Notify(const String& text, int serious = 0);
int Confirm(const String& text, int serious = 0);
int Proceed(const String& text, int serious = 0);
String RequestFile(const String& text, const String& extensions, int save, const String& initial_path);
int OpenURL(const String& url);

// Pump the native queue through the driver; both share one busy flag, so a
// call made while a pump is already running returns at once.
void PollSystem();
void WaitSystem();
// Whether a pump is running further up the call stack; a pump requested now
// would return at once.
bool SystemPumpBusy();

}  // namespace qm
