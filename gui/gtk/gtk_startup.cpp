#include "gui/gtk/gtk_startup.h"

#include <gtk/gtk.h>

#include <memory>

#include "gui/gtk/gtk_gui_driver.h"
#include "gui/gtk/gtk_system_driver.h"

namespace qm {

bool InstallGtkDrivers() {
  if (!gtk_init_check(nullptr, nullptr)) return false;
  InstallGuiDriver(std::make_shared<TGtkGuiDriver>());
  InstallSystemDriver(std::make_shared<TGtkSystemDriver>());
  return true;
}

}  // namespace qm
