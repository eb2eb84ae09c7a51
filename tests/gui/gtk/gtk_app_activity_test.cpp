#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gui/event.h"
#include "gui/event_queue.h"
#include "support/gtk/private_display.h"

// X11 last: its macros (None, Bool, Status) clash with the headers above.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

namespace qm {
namespace {

using namespace qm::testing;

// The ids of every queued event, taken from the queue.
std::vector<std::int32_t> TakeEventIds() {
  std::vector<std::int32_t> ids;
  while (PeekEvent()) ids.push_back(WaitEvent());
  return ids;
}

bool Contains(const std::vector<std::int32_t>& ids, std::int32_t id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(GtkAppActivity, LosingAndRegainingTheFocusPostsSuspendAndResume) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Activity", 0, 0, 260, 100, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  WaitShown(window);
  ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(Widget(window))); }));
  PumpFor(100);
  DrainEvents();

  // A plain X window that is none of the program's windows stands for
  // another application; activating it takes the focus away.
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  const Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 10, 10, 120, 80, 0, 0, 0);
  XMapWindow(display, other);
  XFlush(display);
  PumpFor(200);
  ASSERT_EQ(Xdotool("windowactivate --sync " + std::to_string(other)), 0);
  std::vector<std::int32_t> ids;
  ASSERT_TRUE(PumpUntil([&] {
    const auto taken = TakeEventIds();
    ids.insert(ids.end(), taken.begin(), taken.end());
    return Contains(ids, EVENT_APPSUSPEND);
  })) << "no AppSuspend when the program lost the focus";
  EXPECT_FALSE(Contains(ids, EVENT_APPRESUME));

  ids.clear();
  ASSERT_EQ(Xdotool("windowactivate --sync " + std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(Widget(window))))),
            0);
  ASSERT_TRUE(PumpUntil([&] {
    const auto taken = TakeEventIds();
    ids.insert(ids.end(), taken.begin(), taken.end());
    return Contains(ids, EVENT_APPRESUME);
  })) << "no AppResume when the program got the focus back";
  EXPECT_FALSE(Contains(ids, EVENT_APPSUSPEND));
  XDestroyWindow(display, other);
  XFlush(display);
}

}  // namespace
}  // namespace qm
