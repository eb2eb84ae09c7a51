#include "gui/gtk/gtk_client_area.h"

#include <algorithm>

namespace {

struct QmClientArea {
  GtkFixed parent;
};
struct QmClientAreaClass {
  GtkFixedClass parent_class;
};

G_DEFINE_TYPE(QmClientArea, qm_client_area, GTK_TYPE_FIXED)

// Nothing from the children: the area's size is what it was told.
void MeasureNothing(GtkWidget*, gint* minimum, gint* natural) { *minimum = *natural = 0; }

void AllocateExactly(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  if (gtk_widget_get_has_window(widget) && gtk_widget_get_realized(widget)) {
    gdk_window_move_resize(gtk_widget_get_window(widget), allocation->x, allocation->y, allocation->width,
                           allocation->height);
  }
  const bool own_window = gtk_widget_get_has_window(widget);
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* item = children; item; item = item->next) {
    GtkWidget* child = GTK_WIDGET(item->data);
    if (!gtk_widget_get_visible(child)) continue;
    gint x = 0, y = 0, w = 0, h = 0;
    gtk_container_child_get(GTK_CONTAINER(widget), child, "x", &x, "y", &y, nullptr);
    gtk_widget_get_size_request(child, &w, &h);
    // GTK wants every widget measured before it is allocated.
    GtkRequisition ignored;
    gtk_widget_get_preferred_size(child, &ignored, nullptr);
    GtkAllocation place{x, y, std::max(w, 1), std::max(h, 1)};
    if (!own_window) {
      place.x += allocation->x;
      place.y += allocation->y;
    }
    gtk_widget_size_allocate(child, &place);
  }
  g_list_free(children);
}

void qm_client_area_class_init(QmClientAreaClass* klass) {
  GtkWidgetClass* widget_class = GTK_WIDGET_CLASS(klass);
  widget_class->get_preferred_width = MeasureNothing;
  widget_class->get_preferred_height = MeasureNothing;
  widget_class->size_allocate = AllocateExactly;
}

void qm_client_area_init(QmClientArea*) {}

}  // namespace

namespace qm {

GtkWidget* CreateClientArea() { return GTK_WIDGET(g_object_new(qm_client_area_get_type(), nullptr)); }

void PlaceInClientArea(GtkWidget* area, GtkWidget* child, int x, int y, int w, int h) {
  gtk_widget_set_size_request(child, std::max(w, 0), std::max(h, 0));
  if (gtk_widget_get_parent(child) == area) {
    gtk_fixed_move(GTK_FIXED(area), child, x, y);
  } else {
    gtk_fixed_put(GTK_FIXED(area), child, x, y);
  }
}

}  // namespace qm
