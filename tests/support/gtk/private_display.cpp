#include "support/gtk/private_display.h"

#include <fcntl.h>
#include <gdk/gdkx.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "gui/event_queue.h"
#include "gui/gtk/gtk_gadget.h"
#include "gui/gtk/gtk_startup.h"
#include "system/system_driver.h"

namespace qm::testing {

bool OnPrivateDisplay() {
  const char* display = std::getenv("DISPLAY");
  const char* private_display = std::getenv("QM_XVFB_DISPLAY");
  return display && private_display && *display && std::string(display) == private_display;
}

void StartGtkOnce() {
  static bool started = false;
  if (started) return;
  started = true;
  // ctest runs test programs side by side; pointer and focus are shared, so
  // one program at a time uses the display. The lock goes with the process.
  const std::string lock_path = std::string("/tmp/qm-gui-tests") + std::getenv("DISPLAY") + ".lock";
  const int fd = open(lock_path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) flock(fd, LOCK_EX);
  ASSERT_TRUE(InstallGtkDrivers()) << "no display";
  StartEventSystem(Driver);
}

bool PumpUntil(const std::function<bool()>& pred, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    Driver->Poll();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

void DrainEvents() {
  PumpFor(100);
  while (PollEvent() != 0) {
  }
}

GtkWidget* Widget(const GadgetPtr& gadget) {
  auto native = std::dynamic_pointer_cast<TGtkGadget>(gadget);
  return native ? native->handle : nullptr;
}

void WaitShown(const GadgetPtr& window) {
  GtkWidget* widget = Widget(window);
  ASSERT_NE(widget, nullptr);
  ASSERT_TRUE(PumpUntil([&] {
    GdkWindow* native = gtk_widget_get_window(widget);
    return gtk_widget_get_mapped(widget) && native && gdk_window_is_viewable(native);
  })) << "window never mapped";
  // Let the window manager place it and GTK draw it.
  gdk_display_sync(gdk_display_get_default());
  PumpFor(300);
}

GdkRectangle RootRect(GtkWidget* widget) {
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  int ox = 0, oy = 0, x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(toplevel), &ox, &oy);
  gtk_widget_translate_coordinates(widget, toplevel, 0, 0, &x, &y);
  return GdkRectangle{ox + x, oy + y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
}

int Xdotool(const std::string& args) {
  const std::string command = "xdotool " + args;
  return std::system(command.c_str());
}

void ClickAt(int x, int y, int times) {
  // (mousemove --sync would wait for ever when the pointer is already there.)
  ASSERT_EQ(Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " sleep 0.1 click --repeat " +
                    std::to_string(times) + " --delay 60 1"),
            0);
}

void ClickOn(GtkWidget* widget, int times) {
  const GdkRectangle r = RootRect(widget);
  ClickAt(r.x + r.width / 2, r.y + r.height / 2, times);
}

Pixel ScreenPixel(int x, int y) {
  GdkWindow* root = gdk_get_default_root_window();
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(root, x, y, 1, 1);
  Pixel pixel{-1, -1, -1};
  if (pixbuf) {
    const guchar* p = gdk_pixbuf_get_pixels(pixbuf);
    pixel = Pixel{p[0], p[1], p[2]};
    g_object_unref(pixbuf);
  }
  return pixel;
}

void SendDeleteRequest(const GadgetPtr& window) {
  GtkWidget* widget = Widget(window);
  GdkWindow* native = gtk_widget_get_window(widget);
  GdkDisplay* display = gdk_window_get_display(native);
  Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = GDK_WINDOW_XID(native);
  event.xclient.message_type = gdk_x11_get_xatom_by_name_for_display(display, "WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(gdk_x11_get_xatom_by_name_for_display(display, "WM_DELETE_WINDOW"));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(xdisplay, GDK_WINDOW_XID(native), False, NoEventMask, &event);
  XFlush(xdisplay);
}

}  // namespace qm::testing
