#include "gui/gtk/gtk_window.h"

#include <algorithm>

#include "gui/event.h"
#include "gui/gtk/gtk_client_area.h"
#include "gui/gtk/gtk_controller.h"
#include "gui/gtk/gtk_screen.h"
#include "gui/gtk/gtk_text.h"
#include "system/strings.h"

namespace qm {

void TGtkDesktop::CreateNative() {
  const GdkRectangle screen = ScreenRect();
  TGadget::SetRect(screen.x, screen.y, screen.width, screen.height);
}

namespace {

// Ordinary resizable windows can also be minimised and maximised; a window
// whose parent is another window cannot be minimised.
const char* DecorationLayout(std::int32_t style, bool parent_is_window) {
  if (!(style & WindowResizable)) return ":close";
  return parent_is_window ? ":maximize,close" : ":minimize,maximize,close";
}

}  // namespace

int TGtkWindow::TitleBarHeight() const {
  if (!header_) return 0;
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_height(header_, &minimum, &natural);
  return minimum;
}

void TGtkWindow::CreateNative() {
  auto owner = std::dynamic_pointer_cast<TGtkWindow>(NativeParent());
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* win = GTK_WINDOW(window);
  const std::string title = ToGtkText(name);
  gtk_window_set_title(win, title.c_str());
  if (style & WindowTool) gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_UTILITY);
  if (style & WindowTitleBar) {
    header_ = gtk_header_bar_new();
    // Low like a classic title bar: no room kept for a subtitle.
    gtk_style_context_add_class(gtk_widget_get_style_context(header_), "qm-titlebar");
    gtk_header_bar_set_has_subtitle(GTK_HEADER_BAR(header_), FALSE);
    gtk_header_bar_set_title(GTK_HEADER_BAR(header_), title.c_str());
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(header_), TRUE);
    gtk_header_bar_set_decoration_layout(GTK_HEADER_BAR(header_), DecorationLayout(style, owner != nullptr));
    gtk_widget_show(header_);
    gtk_window_set_titlebar(win, header_);
  } else {
    gtk_window_set_decorated(win, FALSE);
  }
  const bool resizable = (style & WindowResizable) != 0;
  gtk_window_set_resizable(win, resizable);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  GtkWidget* client = CreateClientArea();
  gtk_box_pack_start(GTK_BOX(column), client, TRUE, TRUE, 0);
  if (style & WindowStatus) {
    GtkWidget* strip = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_size_request(strip, -1, kStatusHeight);
    const float align[3] = {0.0f, 0.5f, 1.0f};
    for (int i = 0; i < 3; ++i) {
      status_[i] = gtk_label_new("");
      gtk_label_set_xalign(GTK_LABEL(status_[i]), align[i]);
      gtk_label_set_ellipsize(GTK_LABEL(status_[i]), PANGO_ELLIPSIZE_END);
      gtk_widget_set_margin_start(status_[i], 4);
      gtk_widget_set_margin_end(status_[i], 4);
      gtk_box_pack_start(GTK_BOX(strip), status_[i], TRUE, TRUE, 0);
    }
    gtk_box_pack_end(GTK_BOX(column), strip, FALSE, FALSE, 0);
  }
  gtk_container_add(GTK_CONTAINER(window), column);
  gtk_widget_show_all(column);

  // Sizes: the frame is the title bar, the client area and the status strip.
  const int title_height = TitleBarHeight();
  const int status_height = (style & WindowStatus) ? kStatusHeight : 0;
  int client_width = width, client_height = height;
  if (!(style & WindowClientCoords)) client_height = height - title_height - status_height;
  client_width = std::max(client_width, 1);
  client_height = std::max(client_height, 1);
  if (resizable) {
    gtk_window_set_default_size(win, client_width, client_height + title_height + status_height);
  } else {
    gtk_widget_set_size_request(client, client_width, client_height);
  }

  handle = window;
  view = client;
  MoveNative();
  reported_ = GdkRectangle{xpos, ypos, width, height};

  if (owner && owner->Window()) gtk_window_set_transient_for(win, owner->Window());
  GtkController::ConnectWindow(window, client);
  if (!(style & WindowHidden)) {
    if (style & WindowTool) {
      gtk_window_set_focus_on_map(win, FALSE);
      gtk_widget_show(window);
    } else {
      gtk_window_present(win);
    }
  }
}

// Gadget coordinates are relative to the top-left corner of the work area;
// with WindowClientCoords they place the client area, else the frame.
void TGtkWindow::MoveNative() {
  const GdkRectangle area = WorkArea();
  int x = area.x + xpos, y = area.y + ypos;
  if (style & WindowClientCoords) y -= TitleBarHeight();
  gtk_window_move(GTK_WINDOW(handle), x, y);
}

namespace {

GdkRectangle RootRectOf(GtkWidget* widget, GdkWindow* native) {
  int ox = 0, oy = 0, x = 0, y = 0;
  gdk_window_get_origin(native, &ox, &oy);
  gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), 0, 0, &x, &y);
  return GdkRectangle{ox + x, oy + y, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
}

}  // namespace

// The frame is what the user sees: title bar and content. GTK keeps an
// invisible margin around a window that draws its own title bar (room for
// shadows and resize handles), which is not part of it.
GdkRectangle TGtkWindow::ScreenRectInGadgetCoords() const {
  GdkRectangle result{xpos, ypos, width, height};
  if (!handle) return result;
  GdkWindow* native = gtk_widget_get_window(handle);
  if (!native) return result;
  const GdkRectangle area = WorkArea();
  GtkWidget* content = gtk_bin_get_child(GTK_BIN(handle));
  GdkRectangle frame = RootRectOf(style & WindowClientCoords ? view : content, native);
  if (header_ && !(style & WindowClientCoords)) {
    const GdkRectangle title = RootRectOf(header_, native);
    gdk_rectangle_union(&frame, &title, &frame);
  }
  return GdkRectangle{frame.x - area.x, frame.y - area.y, frame.width, frame.height};
}

void TGtkWindow::ReportGeometry() {
  // Until the X server reports the window mapped, the window manager may not
  // have placed it yet: positions seen then are not where it will be.
  if (!handle || !map_seen_) return;
  const GdkRectangle now = ScreenRectInGadgetCoords();
  const bool moved = now.x != reported_.x || now.y != reported_.y;
  const bool sized = now.width != reported_.width || now.height != reported_.height;
  reported_ = now;
  reporting_ = true;
  if (moved) GtkController::PostEvent(EVENT_WINDOWMOVE, handle, 0, 0, now.x, now.y, nullptr);
  if (sized) GtkController::PostEvent(EVENT_WINDOWSIZE, handle, 0, 0, now.width, now.height, nullptr);
  reporting_ = false;
}

void TGtkWindow::SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  const bool moved = x != xpos || y != ypos;
  TGadget::SetRect(x, y, w, h);
  if (!handle || reporting_) return;
  if (moved) MoveNative();
  if (style & WindowResizable) {
    const int extra =
        (style & WindowClientCoords) ? TitleBarHeight() + ((style & WindowStatus) ? kStatusHeight : 0) : 0;
    gtk_window_resize(GTK_WINDOW(handle), std::max(w, 1), std::max(h + extra, 1));
  } else {
    int client_height = h;
    if (!(style & WindowClientCoords)) client_height -= TitleBarHeight() + ((style & WindowStatus) ? kStatusHeight : 0);
    gtk_widget_set_size_request(view, std::max(w, 1), std::max(client_height, 1));
  }
}

int TGtkWindow::State() {
  int state = 0;
  if (!handle) return state;
  if (GdkWindow* native = gtk_widget_get_window(handle)) {
    const GdkWindowState s = gdk_window_get_state(native);
    if (s & GDK_WINDOW_STATE_ICONIFIED) state |= StateMinimized;
    if (s & GDK_WINDOW_STATE_MAXIMIZED) state |= StateMaximized;
  }
  if (!gtk_widget_get_visible(handle)) state |= StateHidden;
  return state;
}

void TGtkWindow::SetShow(int show) {
  if (!handle) return;
  if (show) {
    gtk_window_present(GTK_WINDOW(handle));
  } else {
    gtk_widget_hide(handle);
  }
}

void TGtkWindow::Activate(int) {
  if (handle) gtk_window_present(GTK_WINDOW(handle));
}

void TGtkWindow::SetText(const String& text) {
  if (!handle) return;
  const std::string title = ToGtkText(text);
  gtk_window_set_title(GTK_WINDOW(handle), title.c_str());
  if (header_) gtk_header_bar_set_title(GTK_HEADER_BAR(header_), title.c_str());
}

String TGtkWindow::GetText() {
  const char* title = handle ? gtk_window_get_title(GTK_WINDOW(handle)) : nullptr;
  String text = FromGtkText(title);
  return text.empty() ? name : text;
}

// Windows have no text colour: the title is merely set again.
void TGtkWindow::SetTextColor(int, int, int) { SetText(GetText()); }

// A disabled window keeps showing but its controls ignore the user.
void TGtkWindow::SetEnabled(int enabled) {
  enabled_ = enabled != 0;
  if (view) gtk_widget_set_sensitive(view, enabled_);
}

// Tab characters split the text into the left, centre and right fields.
void TGtkWindow::SetStatus(const String& text) {
  if (!status_[0]) return;
  String fields[3];
  int field = 0;
  for (char16_t unit : text) {
    if (unit == u'\t' && field < 2) {
      ++field;
    } else {
      fields[field].push_back(unit);
    }
  }
  for (int i = 0; i < 3; ++i) gtk_label_set_text(GTK_LABEL(status_[i]), ToGtkText(fields[i]).c_str());
}

}  // namespace qm
