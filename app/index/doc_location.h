#pragma once
#include "system/object.h"

namespace qm {

// Where a catalogue link points inside the installation it was built for.
struct DocLocation {
  // False when the link does not lead to a file inside the installation
  // (it escapes it with "..", names the installation itself, or does not
  // start with its directory at all).
  bool inside = false;
  // The page relative to the installation: "/"-separated, with no empty,
  // "." or ".." parts, e.g. "docs/html/Modules/tlw.events/index.html".
  String file;
  // What follows the page in the link, "#anchor" or "?query...", as written.
  String suffix;
};

// Links are the installation directory followed by the page path, as the
// command-list reader makes them; backslashes in either count as "/".
DocLocation LocateInInstallation(const String& link, const String& install_dir);

// The page's path as seen from the installation's docs/html folder, where
// the book lives ("../../" up to the installation for pages elsewhere).
String RelativeToHtmlFolder(const DocLocation& location);

}  // namespace qm
