#pragma once
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "gui/gadget.h"

namespace qm::testing {

// The GUI tests use only the private X server that scripts/with-xvfb starts,
// never a developer's own display.
bool OnPrivateDisplay();
#define QM_REQUIRE_PRIVATE_DISPLAY()                                                      \
  do {                                                                                    \
    if (!::qm::testing::OnPrivateDisplay())                                               \
      GTEST_SKIP() << "GUI test: runs only under scripts/with-xvfb (no private display)"; \
    ::qm::testing::StartGtkOnce();                                                        \
  } while (0)

// Installs the GTK drivers and starts the event system, once per process,
// holding a lock so that test programs sharing the display take turns.
void StartGtkOnce();

// Pumps native events until pred holds or the time is up.
bool PumpUntil(const std::function<bool()>& pred, int timeout_ms = 5000);
void PumpFor(int ms);
// Takes every queued event, so that a test starts from an empty queue.
void DrainEvents();
// Waits until the window is on screen, drawn and placed by the window manager.
void WaitShown(const GadgetPtr& window);
GtkWidget* Widget(const GadgetPtr& gadget);
// The widget's rectangle in root-window coordinates.
GdkRectangle RootRect(GtkWidget* widget);
// Runs xdotool with the arguments and waits for it; returns its exit status.
int Xdotool(const std::string& args);
void ClickAt(int x, int y, int times = 1);
void ClickOn(GtkWidget* widget, int times = 1);
// The colour of one screen pixel, read back from the X server.
struct Pixel {
  int r, g, b;
};
Pixel ScreenPixel(int x, int y);
// Sends WM_DELETE_WINDOW, as a window manager does for its close button.
void SendDeleteRequest(const GadgetPtr& window);

// Frees the gadget when the test ends, pass or fail.
class FreeOnExit {
 public:
  explicit FreeOnExit(GadgetPtr gadget) : gadget_(std::move(gadget)) {}
  ~FreeOnExit() {
    if (gadget_) gadget_->Free();
    PumpFor(50);
  }
  FreeOnExit(const FreeOnExit&) = delete;
  FreeOnExit& operator=(const FreeOnExit&) = delete;

 private:
  GadgetPtr gadget_;
};

}  // namespace qm::testing
