#pragma once
#include <string>

#include "system/object.h"

namespace qm {

// GTK takes and gives proper UTF-8. A surrogate pair becomes one four-byte
// sequence; a lone surrogate cannot be encoded and becomes U+FFFD, so GTK
// never sees invalid text.
std::string ToGtkText(const String& text);
// Decodes GTK's UTF-8 into 16-bit units (characters beyond the BMP as pairs).
String FromGtkText(const char* utf8);

}  // namespace qm
