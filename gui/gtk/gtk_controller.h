#pragma once
#include <gtk/gtk.h>

#include <cstdint>

#include "system/object.h"

namespace qm {

// The one receiver of every control action and window notification. It
// finds the gadget behind the widget and hands the action to the toolkit.
class GtkController {
 public:
  static void ConnectButton(GtkWidget* button);
  static void ConnectWindow(GtkWidget* window, GtkWidget* client);
  // The portable part of every native action, for a widget the binding made
  // (or none): the gadget is looked up and PostDriverEvent does the rest.
  static void PostEvent(std::int32_t id, GtkWidget* native, std::int32_t data, std::int32_t mods, std::int32_t x,
                        std::int32_t y, ObjectRef extra);
};

}  // namespace qm
