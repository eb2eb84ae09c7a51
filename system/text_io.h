#pragma once
#include "system/stream.h"

namespace qm {

// Whole texts and standard-output lines.

// The whole content of url. A byte-order mark (FE FF, FF FE, EF BB BF)
// selects UTF-16BE, UTF-16LE or UTF-8 and is dropped; without one every byte
// becomes one unit. Raises TStreamReadException when url cannot be opened.
String LoadText(const String& url);

// text as one byte per unit when every unit is 255 or less, otherwise as
// UTF-16BE behind FE FF. Raises TStreamWriteException when the destination
// cannot be opened or written. A plain file path is replaced atomically: on
// failure the old file stays as it was.
void SaveText(const String& text, const String& url);
// text narrowed to one byte per unit, with the same failure rules.
void SaveString(const String& text, const String& url);
// The bytes SaveText writes for text.
std::string SavedTextBytes(const String& text);

// text as UTF-8 (DisplayUtf8) and CR LF on standard output, flushed at once.
void Print(const String& text);

// Eof, ReadLine, WriteLine and WriteString as free functions over a stream,
// for code that works on streams rather than on whole files.
inline bool Eof(TStream& stream) { return stream.Eof(); }
inline String ReadLine(TStream& stream) { return stream.ReadLine(); }
inline bool WriteLine(TStream& stream, const String& text) { return stream.WriteLine(text); }
inline void WriteString(TStream& stream, const String& text) { stream.WriteString(text); }

}  // namespace qm
