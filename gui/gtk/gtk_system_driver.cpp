#include "gui/gtk/gtk_system_driver.h"

#include <gtk/gtk.h>

#include "gui/gtk/gtk_app_activity.h"
#include "gui/gtk/gtk_requesters.h"

namespace qm {

namespace {

// A source that re-arms itself on every pass would keep a drain going for
// ever; past this many dispatches the rest waits for the next pump.
constexpr int kMaxDispatchesPerDrain = 100000;

void DrainPending() {
  for (int i = 0; i < kMaxDispatchesPerDrain && g_main_context_pending(nullptr); ++i) {
    g_main_context_iteration(nullptr, FALSE);
  }
}

}  // namespace

TGtkSystemDriver::TGtkSystemDriver() { StartAppActivityEvents(); }

TGtkSystemDriver::~TGtkSystemDriver() { StopAppActivityEvents(); }

void TGtkSystemDriver::Poll() { DrainPending(); }

void TGtkSystemDriver::Wait() {
  waiting_.store(true);
  g_main_context_iteration(nullptr, TRUE);
  waiting_.store(false);
  DrainPending();
}

void TGtkSystemDriver::Interrupt() {
  if (waiting_.exchange(false)) g_main_context_wakeup(nullptr);
}

void TGtkSystemDriver::Notify(const String& text, int serious) { GtkNotify(text, serious); }

int TGtkSystemDriver::Confirm(const String& text, int serious) { return GtkConfirm(text, serious); }

int TGtkSystemDriver::Proceed(const String& text, int serious) { return GtkProceed(text, serious); }

String TGtkSystemDriver::RequestDir(const String& text, const String& initial_path) {
  return GtkRequestDir(text, initial_path);
}

}  // namespace qm
