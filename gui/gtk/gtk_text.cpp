#include "gui/gtk/gtk_text.h"

#include <glib.h>

namespace qm {

namespace {

void AppendCodePoint(std::string& out, gunichar c) {
  char buffer[6];
  const int n = g_unichar_to_utf8(c, buffer);
  out.append(buffer, static_cast<std::size_t>(n));
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string ToGtkText(const String& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      const gunichar c = 0x10000 + ((static_cast<gunichar>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      AppendCodePoint(out, c);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendCodePoint(out, 0xFFFD);
    } else {
      AppendCodePoint(out, u);
    }
  }
  return out;
}

String FromGtkText(const char* utf8) {
  String out;
  if (!utf8) return out;
  const char* p = utf8;
  while (*p) {
    const gunichar c = g_utf8_get_char_validated(p, -1);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
      // Not UTF-8 after all: keep the byte as one unit rather than lose it.
      out.push_back(static_cast<unsigned char>(*p));
      ++p;
      continue;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    p = g_utf8_next_char(p);
  }
  return out;
}

}  // namespace qm
