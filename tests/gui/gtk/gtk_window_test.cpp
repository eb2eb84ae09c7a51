#include <gtest/gtest.h>

#include "gui/event.h"
#include "gui/event_queue.h"
#include "gui/gtk/gtk_screen.h"
#include "gui/gtk/gtk_window.h"
#include "support/gtk/private_display.h"
#include "system/strings.h"

#include <gdk/gdkx.h>

namespace qm {
namespace {

using namespace qm::testing;

// What the user sees of the window: its title bar and its content.
GdkRectangle FrameOf(const GadgetPtr& window) {
  GtkWindow* native = GTK_WINDOW(Widget(window));
  GdkRectangle frame = RootRect(gtk_bin_get_child(GTK_BIN(native)));
  if (GtkWidget* title = gtk_window_get_titlebar(native)) {
    const GdkRectangle bar = RootRect(title);
    gdk_rectangle_union(&frame, &bar, &frame);
  }
  return frame;
}

TEST(GtkWindow, CentredWindowLandsInTheMiddleOfTheWorkArea) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Centred", 100, 100, 401, 151, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  WaitShown(window);
  const GdkRectangle screen = ScreenRect();
  const GdkRectangle area = WorkArea();
  const GdkRectangle frame = FrameOf(window);
  EXPECT_EQ(frame.x, area.x + (screen.width - 401) / 2);
  EXPECT_EQ(frame.y, area.y + (screen.height - 151) / 2);
  EXPECT_EQ(frame.width, 401);
  EXPECT_EQ(frame.height, 151);
  EXPECT_EQ(GadgetX(window), (screen.width - 401) / 2);
}

TEST(GtkWindow, ClientCoordinatesPlaceTheClientArea) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window =
      CreateWindow(u"Client", 40, 60, 300, 120, nullptr, WindowTitleBar | WindowClientCoords | WindowStatus);
  FreeOnExit guard(window);
  WaitShown(window);
  const GdkRectangle area = WorkArea();
  const GdkRectangle client = RootRect(std::dynamic_pointer_cast<TGtkWindow>(window)->view);
  EXPECT_EQ(client.x, area.x + 40);
  EXPECT_EQ(client.y, area.y + 60);
  EXPECT_EQ(client.width, 300);
  EXPECT_EQ(client.height, 120);
  EXPECT_EQ(window->ClientHeight(), 120);
  // The status strip lies below the client area, inside the frame.
  EXPECT_EQ(FrameOf(window).y + FrameOf(window).height, client.y + 120 + TGtkWindow::kStatusHeight);
}

TEST(GtkWindow, ChildrenSitAtTheirExactRectangles) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Kids", 0, 0, 400, 200, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  GadgetPtr label = CreateLabel(u"Path", 8, 10, 300, 20, window, LabelFrame);
  GadgetPtr box = CreateButton(u"Rebuild docs", 8, 40, 150, 20, window, ButtonCheckbox);
  GadgetPtr button = CreateButton(u"BUILD", 200, 100, 90, 20, window, ButtonPushStyle);
  WaitShown(window);
  const GdkRectangle client = RootRect(std::dynamic_pointer_cast<TGtkWindow>(window)->view);
  for (const auto& [gadget, x, y, w, h] :
       {std::tuple{label, 8, 10, 300, 20}, std::tuple{box, 8, 40, 150, 20}, std::tuple{button, 200, 100, 90, 20}}) {
    const GdkRectangle r = RootRect(Widget(gadget));
    EXPECT_EQ(r.x - client.x, x) << ToUtf8(gadget->name);
    EXPECT_EQ(r.y - client.y, y) << ToUtf8(gadget->name);
    EXPECT_EQ(r.width, w) << ToUtf8(gadget->name);
    EXPECT_EQ(r.height, h) << ToUtf8(gadget->name);
  }
}

TEST(GtkWindow, CloseRequestPostsWindowCloseAndTheWindowStays) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Closing", 0, 0, 300, 120, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  WaitShown(window);
  DrainEvents();
  SendDeleteRequest(window);
  SendDeleteRequest(window);
  ASSERT_TRUE(PumpUntil([] { return PeekEvent() != nullptr; }));
  PumpFor(200);
  // "WindowClose" does not merge: two requests, two events.
  ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(EventSource(), window);
  ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(PollEvent(), 0);
  EXPECT_TRUE(gtk_widget_get_mapped(Widget(window)));
  EXPECT_EQ(GadgetHidden(window), 0);
}

TEST(GtkWindow, TheCloseBoxPostsWindowClose) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Close box", 0, 0, 300, 120, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  WaitShown(window);
  DrainEvents();
  const GdkRectangle frame = FrameOf(window);
  // The close box sits at the right end of the title bar, halfway down.
  const GdkRectangle bar = RootRect(gtk_window_get_titlebar(GTK_WINDOW(Widget(window))));
  ClickAt(frame.x + frame.width - 14, bar.y + bar.height / 2);
  ASSERT_TRUE(PumpUntil([] { return PeekEvent() != nullptr; }));
  EXPECT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
  EXPECT_TRUE(gtk_widget_get_mapped(Widget(window)));
}

TEST(GtkWindow, MovingTheWindowPostsWindowMoveInGadgetCoordinates) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Moving", 10, 10, 300, 120, nullptr, WindowTitleBar);
  FreeOnExit guard(window);
  WaitShown(window);
  DrainEvents();
  const std::string id = std::to_string(GDK_WINDOW_XID(gtk_widget_get_window(Widget(window))));
  ASSERT_EQ(Xdotool("windowmove --sync " + id + " 250 300"), 0);
  ASSERT_TRUE(PumpUntil([] { return PeekEvent() != nullptr; }));
  PumpFor(200);
  const GdkRectangle area = WorkArea();
  int id_seen = 0;
  while ((id_seen = PollEvent()) != 0 && id_seen != EVENT_WINDOWMOVE) {
  }
  ASSERT_EQ(id_seen, EVENT_WINDOWMOVE);
  // xdotool places the X window, which includes GTK's invisible margin; the
  // event reports where the visible frame went.
  const GdkRectangle frame = FrameOf(window);
  EXPECT_NEAR(frame.x, 250, 10);
  EXPECT_EQ(EventX(), frame.x - area.x);
  EXPECT_EQ(EventY(), frame.y - area.y);
  EXPECT_EQ(GadgetX(window), frame.x - area.x);
  EXPECT_EQ(GadgetY(window), frame.y - area.y);
}

TEST(GtkWindow, TitleTextAndHiddenState) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Before", 0, 0, 300, 120, nullptr, WindowTitleBar | WindowHidden);
  FreeOnExit guard(window);
  PumpFor(100);
  EXPECT_EQ(GadgetHidden(window), 1);
  SetGadgetText(window, u"Quillmere v.1.2 Items: 42 \U0001F600");
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(Widget(window))), "Quillmere v.1.2 Items: 42 \xF0\x9F\x98\x80");
  EXPECT_EQ(window->GetText(), u"Quillmere v.1.2 Items: 42 \U0001F600");
  SetGadgetColor(window, 10, 20, 30, 0);  // windows have no text colour
  EXPECT_EQ(window->GetText(), u"Quillmere v.1.2 Items: 42 \U0001F600");
}

}  // namespace
}  // namespace qm
