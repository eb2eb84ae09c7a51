#include "gui/gtk/gtk_controller.h"

#include <gdk/gdkkeysyms.h>

#include "gui/event.h"
#include "gui/gadget.h"
#include "gui/gtk/gtk_button.h"
#include "gui/gtk/gtk_gui_driver.h"
#include "gui/gtk/gtk_window.h"

namespace qm {

namespace {

void OnButtonClicked(GtkButton* button, gpointer) {
  auto gadget = std::dynamic_pointer_cast<TGtkButton>(TGtkGadget::FromWidget(GTK_WIDGET(button)));
  if (!gadget || !gadget->AcceptPress()) return;
  GtkController::PostEvent(EVENT_GADGETACTION, GTK_WIDGET(button), 0, 0, 0, 0, nullptr);
}

// The close box (and a window manager's close request) only asks: the
// program decides, and the window stays open.
gboolean OnDeleteEvent(GtkWidget* window, GdkEvent*, gpointer) {
  GtkController::PostEvent(EVENT_WINDOWCLOSE, window, 0, 0, 0, 0, nullptr);
  return TRUE;
}

void ReportGeometryOf(GtkWidget* window) {
  auto gadget = std::dynamic_pointer_cast<TGtkWindow>(TGtkGadget::FromWidget(window));
  if (gadget) gadget->ReportGeometry();
}

gboolean OnConfigure(GtkWidget* window, GdkEvent*, gpointer) {
  ReportGeometryOf(window);
  return FALSE;
}

gboolean OnMapped(GtkWidget* window, GdkEvent*, gpointer) {
  auto gadget = std::dynamic_pointer_cast<TGtkWindow>(TGtkGadget::FromWidget(window));
  if (gadget) gadget->Mapped();
  return FALSE;
}

void OnClientAllocated(GtkWidget*, GdkRectangle*, gpointer window) { ReportGeometryOf(GTK_WIDGET(window)); }

void OnActiveChanged(GObject* window, GParamSpec*, gpointer) {
  if (gtk_window_is_active(GTK_WINDOW(window))) {
    GtkController::PostEvent(EVENT_WINDOWACTIVATE, GTK_WIDGET(window), 0, 0, 0, 0, nullptr);
  }
}

// Tab follows the gadgets' focus ring (creation order among focusable
// siblings) rather than GTK's guess from the positions.
bool MoveFocus(GtkWindow* window, bool backwards) {
  auto current = TGtkGadget::FromWidget(gtk_window_get_focus(window));
  if (!current) return false;
  std::shared_ptr<TGtkGadget> target = current->next_focus.lock();
  if (backwards && target) {
    // Walk the ring once round to find the one that leads here.
    auto step = target;
    for (int guard = 0; step && guard < 10000; ++guard) {
      auto next = step->next_focus.lock();
      if (next == current) break;
      step = next;
    }
    target = step;
  }
  while (target && target != current) {
    if (target->handle && gtk_widget_is_sensitive(target->handle) && gtk_widget_get_visible(target->handle)) {
      gtk_widget_grab_focus(target->handle);
      return true;
    }
    target = target->next_focus.lock();
  }
  return target == current;
}

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer) {
  const GdkModifierType mods =
      static_cast<GdkModifierType>(event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK));
  if (mods) return FALSE;
  if (event->keyval == GDK_KEY_Tab || event->keyval == GDK_KEY_KP_Tab || event->keyval == GDK_KEY_ISO_Left_Tab) {
    const bool backwards = event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK);
    return MoveFocus(GTK_WINDOW(window), backwards) ? TRUE : FALSE;
  }
  if (event->keyval == GDK_KEY_Escape) {
    // Escape presses the window's cancel button, as Return presses its OK
    // button; a window without one takes it as a click on its close box.
    auto gadget = TGtkGadget::FromWidget(window);
    if (!gadget) return FALSE;
    for (const auto& weak : gadget->kids) {
      auto button = std::dynamic_pointer_cast<TGtkButton>(weak.lock());
      if (button && button->Kind() == ButtonCancel) {
        if (button->handle && gtk_widget_is_sensitive(button->handle)) gtk_button_clicked(GTK_BUTTON(button->handle));
        return TRUE;
      }
    }
    GtkController::PostEvent(EVENT_WINDOWCLOSE, window, 0, 0, 0, 0, nullptr);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void GtkController::ConnectButton(GtkWidget* button) {
  g_signal_connect(button, "clicked", G_CALLBACK(OnButtonClicked), nullptr);
}

void GtkController::ConnectWindow(GtkWidget* window, GtkWidget* client) {
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), nullptr);
  g_signal_connect(window, "configure-event", G_CALLBACK(OnConfigure), nullptr);
  g_signal_connect_after(client, "size-allocate", G_CALLBACK(OnClientAllocated), window);
  g_signal_connect_after(window, "map-event", G_CALLBACK(OnMapped), nullptr);
  g_signal_connect(window, "notify::is-active", G_CALLBACK(OnActiveChanged), nullptr);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
}

void GtkController::PostEvent(std::int32_t id, GtkWidget* native, std::int32_t data, std::int32_t mods, std::int32_t x,
                              std::int32_t y, ObjectRef extra) {
  GadgetPtr source;
  if (TGtkGuiDriver* driver = CurrentGtkDriver(); driver && native) source = driver->GadgetFromHandle(native);
  PostDriverEvent(id, source, data, mods, x, y, std::move(extra));
}

}  // namespace qm
