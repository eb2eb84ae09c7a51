#pragma once

#include "system/object.h"

namespace qm {

// The HTML of the "Rebuild index" link to the program at path, safe for any
// path: bytes a URL cannot carry as they are (%, #, ?, backslash, control
// bytes, bytes above 0x7F) become %XX escapes of the path's bytes, and &
// and the apostrophe become character references, since the target sits
// in an attribute quoted with apostrophes. A path without such bytes is
// used exactly as it is.
String RebuildLinkHtml(const String& path);

}  // namespace qm
