#include "system/display_text.h"

#include <cstdint>
#include <cstring>

#include "system/strings.h"

namespace qm {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed sequence starting at bytes[at] and its code
// point, or 0 when none starts there. The ranges of the second byte are what
// rule out overlong forms (E0, F0), surrogates (ED) and code points above
// U+10FFFF (F4).
template <typename Byte>
int DecodeOne(const Byte* bytes, std::size_t size, std::size_t at, char32_t& code_point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  int length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;  // a continuation byte, C0, C1 or F5 to FF
  }
  if (size - at < static_cast<std::size_t>(length)) return 0;
  const unsigned char second = byte(at + 1);
  if (second < low || second > high) return 0;
  char32_t value = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(at + static_cast<std::size_t>(i));
    if (!IsContinuation(next)) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  code_point = value;
  return length;
}

void AppendUnits(String& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One character per unit, surrogate pairs joined.
std::string UnitsAsUtf8(const String& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendCodePointUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendCodePointUtf8(out, kReplacement);
    } else {
      AppendCodePointUtf8(out, u);
    }
  }
  return out;
}

}  // namespace

void AppendCodePointUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool HoldsUtf8Bytes(const String& text) {
  for (const char16_t unit : text)
    if (unit > 0xFF) return false;
  char32_t ignored = 0;
  for (std::size_t at = 0; at < text.size();) {
    const int length = DecodeOne(text.data(), text.size(), at, ignored);
    if (length == 0) return false;
    at += static_cast<std::size_t>(length);
  }
  return true;
}

std::string DisplayUtf8(const String& text) {
  if (HoldsUtf8Bytes(text)) return ToByteString(text);
  return UnitsAsUtf8(text);
}

void AppendDisplayUtf8(std::string& out, std::string_view bytes) {
  char32_t ignored = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    // Names and paths are nearly always ASCII: eight bytes at a time.
    if (at + 8 <= bytes.size()) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + at, sizeof word);
      if ((word & 0x8080808080808080u) == 0) {
        at += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      ++at;
      continue;
    }
    const int length = DecodeOne(bytes.data(), bytes.size(), at, ignored);
    if (length == 0) break;
    at += static_cast<std::size_t>(length);
  }
  if (at == bytes.size()) {
    out += bytes;
    return;
  }
  for (const char byte : bytes) AppendCodePointUtf8(out, static_cast<unsigned char>(byte));
}

String FromDisplayUtf8(std::string_view utf8) {
  String units;
  units.reserve(utf8.size());
  char32_t c = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const int length = DecodeOne(utf8.data(), utf8.size(), at, c);
    if (length == 0) {
      units += static_cast<char16_t>(static_cast<unsigned char>(utf8[at]));
      ++at;
      continue;
    }
    AppendUnits(units, c);
    at += static_cast<std::size_t>(length);
  }
  if (DisplayUtf8(units) == utf8) return units;
  return FromBytes(utf8);
}

}  // namespace qm
