#pragma once
#include <string>
#include <string_view>

#include "system/object.h"

namespace qm {

// How the program's strings look to a person or a browser.
//
// Most strings hold bytes, one unit per byte, exactly as file names, file
// contents and arguments arrive; on this platform those bytes are normally
// UTF-8. Such a string is shown as the UTF-8 text its bytes spell. Any other
// string (a unit above 255, or bytes that are not well-formed UTF-8, such as
// an old Latin-1 name) is shown one character per unit, as Latin-1 and
// UTF-16 text always were. Files on disk never go through this: they keep
// their bytes.

// True when every unit is at most 255 and the units, taken as bytes, are
// well-formed UTF-8: no overlong forms, no encoded surrogates, nothing above
// U+10FFFF, no stray or missing continuation bytes. The empty text is.
bool HoldsUtf8Bytes(const String& text);

// The UTF-8 bytes of one code point, appended to out.
void AppendCodePointUtf8(std::string& out, char32_t c);

// The text as a person sees it, encoded as well-formed UTF-8. In the
// one-character-per-unit case a surrogate pair is one character and a lone
// surrogate, which no UTF-8 can carry, becomes U+FFFD.
std::string DisplayUtf8(const String& text);

// The same rule for text already held as bytes (one byte per unit), appended
// to out: the bytes themselves when they are well-formed UTF-8, otherwise
// each byte as the Latin-1 character it names.
void AppendDisplayUtf8(std::string& out, std::string_view bytes);

// A text read back from a display (well-formed UTF-8 as DisplayUtf8 makes
// it): the one-character-per-unit form when that is shown the same way,
// otherwise the bytes themselves. Either way DisplayUtf8 of the result gives
// utf8 back, so showing what was read changes nothing. Bytes that are not
// UTF-8 are kept, one unit each.
String FromDisplayUtf8(std::string_view utf8);

}  // namespace qm
