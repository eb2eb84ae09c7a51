#pragma once
#include "system/object.h"

namespace qm {

// Application-modal GTK dialogs titled with AppTitle. While one is open the
// window that was active before waits; it is made active again afterwards.
void GtkNotify(const String& text, int serious);
// 1 for "OK", 0 for "Cancel" (or the dialog closed).
int GtkConfirm(const String& text, int serious);
// 1 for "Yes", 0 for "No", -1 for "Cancel" (or the dialog closed).
int GtkProceed(const String& text, int serious);
// A folder chooser (folders only, with a new-folder button). The initial
// path may use backslashes; it is resolved to its canonical form, and a path
// that does not resolve leaves the chooser at its default folder. Returns
// the chosen path byte for byte, or "" on cancel.
String GtkRequestDir(const String& text, const String& initial_path);

}  // namespace qm
