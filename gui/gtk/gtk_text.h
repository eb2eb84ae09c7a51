#pragma once
#include <string>

#include "system/object.h"

namespace qm {

// Text for GTK, which takes and gives well-formed UTF-8, shown by the
// program-wide rule (DisplayUtf8): a text holding UTF-8 bytes, such as a
// path from the file system, shows as what those bytes spell; any other
// text one character per unit. GTK never sees invalid text.
std::string ToGtkText(const String& text);
// GTK's UTF-8 back into units (FromDisplayUtf8): giving the result to
// ToGtkText shows the same text again.
String FromGtkText(const char* utf8);

}  // namespace qm
