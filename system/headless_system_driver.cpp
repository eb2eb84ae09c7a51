#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "system/display_text.h"
#include "system/error_line.h"
#include "system/system_driver.h"

namespace qm {

namespace {

// The driver used when no display can be opened. Nothing native can arrive,
// so Wait only has to give the processor away: it sleeps on a condition
// variable until Interrupt is called (from another thread: on the waiting
// thread nothing else runs) or, at the latest, after kWaitLimit, so that a
// caller looping on it regains control now and then without ever spinning.
class HeadlessSystemDriver : public TSystemDriver {
 public:
  static constexpr std::chrono::milliseconds kWaitLimit{250};

  void Poll() override {}

  void Wait() override {
    std::unique_lock<std::mutex> lock(mutex_);
    waiting_ = true;
    woken_ = false;
    wake_.wait_for(lock, kWaitLimit, [this] { return woken_; });
    waiting_ = false;
  }

  // Only a running Wait is woken; an interrupt with no one waiting is lost,
  // which at worst costs the waiter its time limit.
  void Interrupt() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!waiting_) return;
    woken_ = true;
    wake_.notify_all();
  }

  void MoveMouse(int, int) override {}
  void SetMouseVisible(int) override {}

  void Notify(const String& text, int) override { WriteErrorLine(DisplayUtf8(text)); }
  int Confirm(const String& text, int) override {
    WriteErrorLine(DisplayUtf8(text));
    return 0;  // as if "Cancel" was pressed
  }
  int Proceed(const String& text, int) override {
    WriteErrorLine(DisplayUtf8(text));
    return -1;  // as if "Cancel" was pressed
  }

  String RequestFile(const String& text, const String&, int, const String&) override {
    WriteErrorLine(DisplayUtf8(u"No file chooser is available without a display: " + text));
    return String();
  }
  String RequestDir(const String& text, const String&) override {
    WriteErrorLine(DisplayUtf8(u"No folder chooser is available without a display: " + text));
    return String();
  }
  int OpenURL(const String&) override { return 0; }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool waiting_ = false;
  bool woken_ = false;
};

}  // namespace

std::shared_ptr<TSystemDriver> CreateHeadlessSystemDriver() { return std::make_shared<HeadlessSystemDriver>(); }

}  // namespace qm
