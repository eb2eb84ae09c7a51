#pragma once
#include <gtk/gtk.h>

namespace qm {

// The container children are placed in: like GtkFixed (top-left origin,
// positions in pixels), but every child gets exactly its size request even
// when its theme would like it larger, and the area itself asks for no more
// than its own size request. Gadget rectangles are therefore exact.
GtkWidget* CreateClientArea();
// Places or moves a child at the rectangle, relative to the area's origin.
void PlaceInClientArea(GtkWidget* area, GtkWidget* child, int x, int y, int w, int h);

}  // namespace qm
