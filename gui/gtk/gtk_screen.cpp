#include "gui/gtk/gtk_screen.h"

namespace qm {

GdkMonitor* PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  return monitor;
}

GdkRectangle ScreenRect() {
  GdkRectangle rect{0, 0, 0, 0};
  if (GdkMonitor* monitor = PrimaryMonitor()) gdk_monitor_get_geometry(monitor, &rect);
  return rect;
}

GdkRectangle WorkArea() {
  GdkRectangle rect{0, 0, 0, 0};
  if (GdkMonitor* monitor = PrimaryMonitor()) gdk_monitor_get_workarea(monitor, &rect);
  return rect;
}

}  // namespace qm
