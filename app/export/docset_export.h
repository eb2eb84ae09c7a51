#pragma once
#include <vector>

#include "system/object.h"

namespace qm {

// Writes DIR/Tallowin.docset, the docset of the installation in
// install_dir built from the current catalogue: Contents/Info.plist,
// Contents/Resources/docSet.dsidx (a row per command, type "Function", and
// per module, type "Module"), Contents/Resources/Documents (the
// installation's docs/html at docs/html, hard-linked where possible, plus
// the command pages kept elsewhere in the installation, at their own places
// so that their links back into docs/html still work) and the logo as
// icon.png. Everything is made in a hidden folder in DIR and renamed into
// place whole, replacing an earlier export.
//
// On failure: one line on standard error naming DIR, nothing left in DIR,
// false.
bool ExportDocset(const String& dir, const String& install_dir);

}  // namespace qm
