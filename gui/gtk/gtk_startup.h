#pragma once

namespace qm {

// Opens the display and, when that works, installs TGtkGuiDriver as the GUI
// driver and TGtkSystemDriver as the system driver. Returns false, having
// installed nothing, when no display can be opened: the caller then uses the
// headless drivers.
bool InstallGtkDrivers();

}  // namespace qm
