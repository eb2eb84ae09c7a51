#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "system/object.h"

namespace qm {

// String operations with exact, byte-stable semantics: index files are
// compared byte for byte, so out-of-range and not-found results matter.
// Positions are 0-based except for Instr, which is 1-based.

// Code-unit order: the difference of the first differing units (taken as
// unsigned), else the difference of the lengths.
int Compare(const String& a, const String& b);
bool Equal(const String& a, const String& b);

// First position at or after start (negative start counts as 0), or -1.
int Find(const String& s, const String& sub, int start = 0);
// Last position where sub occurs, or -1; an empty sub gives the length.
int FindLast(const String& s, const String& sub);
bool StartsWith(const String& s, const String& sub);
bool EndsWith(const String& s, const String& sub);

// Units a up to b; positions outside s become spaces; empty when b <= a.
String Slice(const String& s, int a, int b);
String Left(const String& s, int n);
String Right(const String& s, int n);
// 1-based position of sub at or after the 1-based start, or 0.
int Instr(const String& s, const String& sub, int start = 1);

// Leading white space, optional sign, then "%" binary, "$" hex or decimal
// digits up to the first non-digit; 32-bit arithmetic wraps silently.
std::int32_t ToInt(const String& s);
String FromInt(std::int32_t n);

// ASCII letters only; every other unit is unchanged.
String Upper(const String& s);
String Lower(const String& s);
// Every non-overlapping occurrence of find, left to right.
String Replace(const String& s, const String& find, const String& with);

// Bytes widen one unit per byte; units narrow to their low 8 bits. These are
// the only byte conversions outside the UTF-8 and UTF-16 text encoders.
String FromBytes(const void* bytes, std::size_t count);
String FromByteString(const char* zero_terminated);
inline String FromBytes(std::string_view bytes) { return FromBytes(bytes.data(), bytes.size()); }
// The narrowed bytes; c_str() gives the zero-terminated form.
std::string ToByteString(const String& s);

// Each unit encoded on its own in one to three bytes, as the UTF-8 text
// stream writes it (so a surrogate pair becomes two three-byte sequences).
std::string ToUtf8(const String& s);
void AppendUtf8(std::string& out, char16_t unit);

}  // namespace qm
