#pragma once
#include <gdk/gdk.h>

namespace qm {

// The monitor gadgets live on: the primary one, else the first.
GdkMonitor* PrimaryMonitor();
// The whole monitor, as the desktop gadget reports it.
GdkRectangle ScreenRect();
// The usable part (without panels and docks): window gadget coordinates are
// relative to its top-left corner.
GdkRectangle WorkArea();

}  // namespace qm
