#include <gtest/gtest.h>

#include <cstdlib>

#include "support/gtk/private_display.h"

namespace qm {
namespace {

using namespace qm::testing;

bool Near(const Pixel& p, int r, int g, int b, int tolerance = 8) {
  return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

// Counts pixels of the colour inside the rectangle, read back from the screen.
int CountPixels(const GdkRectangle& r, int red, int green, int blue) {
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), r.x, r.y, r.width, r.height);
  if (!shot) return -1;
  const int stride = gdk_pixbuf_get_rowstride(shot), channels = gdk_pixbuf_get_n_channels(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  int count = 0;
  for (int y = 0; y < r.height; ++y) {
    for (int x = 0; x < r.width; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      if (Near(Pixel{p[0], p[1], p[2]}, red, green, blue, 40)) ++count;
    }
  }
  g_object_unref(shot);
  return count;
}

TEST(GtkLabel, ColoursShowOnScreen) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Colours", 0, 0, 400, 150, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  GadgetPtr path = CreateLabel(u"/opt/tallowin", 10, 10, 300, 40, window, LabelFrame);
  WaitShown(window);
  const GdkRectangle r = RootRect(Widget(path));
  // No background of its own before one is set: inside shows the window's.
  const Pixel before = ScreenPixel(r.x + r.width - 5, r.y + r.height - 5);
  EXPECT_FALSE(Near(before, 200, 100, 50));
  SetGadgetColor(path, 200, 100, 50, 1);
  SetGadgetColor(path, 20, 20, 230, 0);
  PumpFor(300);
  EXPECT_TRUE(Near(ScreenPixel(r.x + r.width - 5, r.y + r.height - 5), 200, 100, 50));
  // Text pixels in the text colour, and the frame's border at the edge.
  EXPECT_GT(CountPixels(r, 20, 20, 230), 10);
  const Pixel edge = ScreenPixel(r.x, r.y + r.height / 2);
  EXPECT_TRUE(Near(edge, 128, 128, 128, 30)) << edge.r << "," << edge.g << "," << edge.b;
  // The background stays drawn when the text changes.
  SetGadgetText(path, u"/opt/other");
  PumpFor(300);
  EXPECT_TRUE(Near(ScreenPixel(r.x + r.width - 5, r.y + r.height - 5), 200, 100, 50));
}

TEST(GtkLabel, TextIsShownLiterallyAndLabelsIgnoreEnabling) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Labels", 0, 0, 400, 150, nullptr, WindowTitleBar | WindowCenter | WindowHidden);
  FreeOnExit guard(window);
  GadgetPtr label = CreateLabel(u"<b>100%</b> & _x", 10, 10, 300, 20, window, 0);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(Widget(label))), "<b>100%</b> & _x");
  DisableGadget(label);
  EXPECT_EQ(GadgetDisabled(label), 0);
  EXPECT_TRUE(gtk_widget_get_sensitive(Widget(label)));
}

}  // namespace
}  // namespace qm
