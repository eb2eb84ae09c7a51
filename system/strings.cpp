#include "system/strings.h"

#include <algorithm>
#include <cwctype>

namespace qm {

int Compare(const String& a, const String& b) {
  const std::size_t n = std::min(a.size(), b.size());
  const auto [pa, pb] = std::mismatch(a.data(), a.data() + n, b.data());
  if (pa != a.data() + n) return static_cast<int>(*pa) - static_cast<int>(*pb);  // char16_t is unsigned
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool Equal(const String& a, const String& b) { return a == b; }

int Find(const String& s, const String& sub, int start) {
  const std::size_t p = static_cast<std::size_t>(std::max(start, 0));
  if (p > s.size()) return -1;
  const std::size_t at = s.find(sub, p);
  return at == String::npos ? -1 : static_cast<int>(at);
}

int FindLast(const String& s, const String& sub) {
  for (long long p = static_cast<long long>(s.size()) - static_cast<long long>(sub.size()); p >= 0; --p) {
    if (s.compare(static_cast<std::size_t>(p), sub.size(), sub) == 0) return static_cast<int>(p);
  }
  return -1;
}

bool StartsWith(const String& s, const String& sub) {
  return sub.size() <= s.size() && s.compare(0, sub.size(), sub) == 0;
}

bool EndsWith(const String& s, const String& sub) {
  return sub.size() <= s.size() && s.compare(s.size() - sub.size(), sub.size(), sub) == 0;
}

String Slice(const String& s, int a, int b) {
  const long long count = static_cast<long long>(b) - a;
  if (count < 1) return String();
  String out(static_cast<std::size_t>(count), u' ');
  const long long len = static_cast<long long>(s.size());
  const long long from = std::max<long long>(a, 0);
  const long long to = std::min<long long>(b, len);
  for (long long i = from; i < to; ++i) out[static_cast<std::size_t>(i - a)] = s[static_cast<std::size_t>(i)];
  return out;
}

String Left(const String& s, int n) {
  const int len = static_cast<int>(s.size());
  return Slice(s, 0, std::min(n, len));
}

String Right(const String& s, int n) {
  const int len = static_cast<int>(s.size());
  const int m = std::min(n, len);
  return Slice(s, len - m, len);
}

int Instr(const String& s, const String& sub, int start) {
  const long long from = static_cast<long long>(start) - 1;
  return Find(s, sub, static_cast<int>(std::max<long long>(from, -1))) + 1;
}

namespace {

bool IsSpaceUnit(char16_t c) {
  // The default locale classifies exactly these as white space; no unit
  // above 255 is white space there.
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

}  // namespace

std::int32_t ToInt(const String& s) {
  std::size_t i = 0;
  while (i < s.size() && IsSpaceUnit(s[i])) ++i;
  if (i == s.size()) return 0;
  bool negative = false;
  if (s[i] == u'+' || s[i] == u'-') {
    negative = s[i] == u'-';
    ++i;
  }
  if (i == s.size()) return 0;
  std::uint32_t v = 0;  // unsigned so that overflow wraps without UB
  if (s[i] == u'%') {
    for (++i; i < s.size() && (s[i] == u'0' || s[i] == u'1'); ++i) v = 2 * v + (s[i] - u'0');
  } else if (s[i] == u'$') {
    for (++i; i < s.size(); ++i) {
      char16_t c = s[i];
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
      if (c >= u'0' && c <= u'9') {
        v = 16 * v + (c - u'0');
      } else if (c >= u'A' && c <= u'F') {
        v = 16 * v + (c - u'A' + 10);
      } else {
        break;
      }
    }
  } else {
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) v = 10 * v + (s[i] - u'0');
  }
  if (negative) v = 0u - v;
  return static_cast<std::int32_t>(v);
}

String FromInt(std::int32_t n) {
  const std::string digits = std::to_string(n);
  return FromBytes(digits);
}

String Upper(const String& s) {
  String out = s;
  for (auto& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return out;
}

String Lower(const String& s) {
  String out = s;
  for (auto& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return out;
}

String Replace(const String& s, const String& find, const String& with) {
  if (find.empty()) return s;
  String out;
  std::size_t from = 0;
  bool found = false;
  for (int p = Find(s, find, 0); p >= 0; p = Find(s, find, static_cast<int>(from))) {
    found = true;
    out.append(s, from, static_cast<std::size_t>(p) - from);
    out += with;
    from = static_cast<std::size_t>(p) + find.size();
  }
  if (!found) return s;
  out.append(s, from, String::npos);
  return out;
}

String FromBytes(const void* bytes, std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  String out(count, u'\0');
  for (std::size_t i = 0; i < count; ++i) out[i] = p[i];
  return out;
}

String FromByteString(const char* zero_terminated) {
  if (zero_terminated == nullptr) return String();
  return FromBytes(std::string_view(zero_terminated));
}

std::string ToByteString(const String& s) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<char>(s[i] & 0xFF);
  return out;
}

void AppendUtf8(std::string& out, char16_t unit) {
  const unsigned u = unit;
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 63));
  } else {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 63));
    out += static_cast<char>(0x80 | (u & 63));
  }
}

std::string ToUtf8(const String& s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) AppendUtf8(out, c);
  return out;
}

}  // namespace qm
