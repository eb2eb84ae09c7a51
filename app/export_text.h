#pragma once
#include <string>

#include "system/object.h"

namespace qm {

// The UTF-8 text the catalogue exports store for a name or a link. A text
// whose units are all bytes that already form valid UTF-8 keeps those bytes;
// any other text is read unit by unit as Latin-1 (a unit above 255 as the
// code point it names), so stored text is always valid UTF-8 and bytes that
// were UTF-8 on disk are never encoded twice.
std::string ExportUtf8(const String& text);

}  // namespace qm
