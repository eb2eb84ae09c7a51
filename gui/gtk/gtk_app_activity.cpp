#include "gui/gtk/gtk_app_activity.h"

#include <gtk/gtk.h>

#include "gui/event.h"

namespace qm {

namespace {

bool started = false;
bool app_active = false;
guint pending_check = 0;

bool AnyWindowActive() {
  GList* toplevels = gtk_window_list_toplevels();
  bool active = false;
  for (GList* item = toplevels; item && !active; item = item->next) {
    active = gtk_window_is_active(GTK_WINDOW(item->data));
  }
  g_list_free(toplevels);
  return active;
}

// Runs once the focus events of one change have all been handled, so that
// focus moving from one of our windows to another is no change at all.
gboolean CheckActivity(gpointer) {
  pending_check = 0;
  const bool active = AnyWindowActive();
  if (active != app_active) {
    app_active = active;
    EmitEvent(CreateEvent(active ? EVENT_APPRESUME : EVENT_APPSUSPEND));
  }
  return G_SOURCE_REMOVE;
}

void HandleEvent(GdkEvent* event, gpointer) {
  gtk_main_do_event(event);
  if (event->type == GDK_FOCUS_CHANGE && started && pending_check == 0) {
    pending_check = g_idle_add(CheckActivity, nullptr);
  }
}

// GTK's own handler, as it is without activity events.
void PlainDispatch(GdkEvent* event, gpointer) { gtk_main_do_event(event); }

}  // namespace

void StartAppActivityEvents() {
  if (started) return;
  started = true;
  app_active = false;
  gdk_event_handler_set(HandleEvent, nullptr, nullptr);
}

void StopAppActivityEvents() {
  if (!started) return;
  started = false;
  if (pending_check) g_source_remove(pending_check);
  pending_check = 0;
  gdk_event_handler_set(PlainDispatch, nullptr, nullptr);
}

}  // namespace qm
