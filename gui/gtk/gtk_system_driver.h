#pragma once
#include <atomic>

#include "system/system_driver.h"

namespace qm {

// The system driver on GTK: pumps GLib's default main context (where GDK
// delivers the X events) and shows the requesters as GTK dialogs.
class TGtkSystemDriver : public TSystemDriver {
 public:
  TGtkSystemDriver();
  ~TGtkSystemDriver() override;

  // Dispatches everything already pending, never blocks.
  void Poll() override;
  // Blocks until at least one source is ready (or Interrupt is called),
  // dispatches it, then drains what else is pending without blocking.
  void Wait() override;
  // Wakes a blocked Wait. Safe from any thread.
  void Interrupt() override;

  void Notify(const String& text, int serious) override;
  int Confirm(const String& text, int serious) override;
  int Proceed(const String& text, int serious) override;
  String RequestDir(const String& text, const String& initial_path) override;

  bool Waiting() const { return waiting_.load(); }

 private:
  std::atomic<bool> waiting_{false};
};

}  // namespace qm
