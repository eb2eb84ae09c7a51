#include "system/text_stream.h"

#include "system/strings.h"

namespace qm {

std::unique_ptr<TTextStream> TTextStream::Create(StreamPtr stream, int encoding) {
  return std::unique_ptr<TTextStream>(new TTextStream(std::move(stream), encoding));
}

int TTextStream::ReadByteRaw() { return _stream ? _stream->ReadByte() : 0; }

void TTextStream::WriteByteRaw(int value) { WriteByte(value); }

char16_t TTextStream::ReadChar() {
  const int b1 = ReadByteRaw();
  switch (_encoding) {
    case UTF8: {
      if (b1 < 0x80) return static_cast<char16_t>(b1);
      const int b2 = ReadByteRaw();
      // Ill-formed input wraps to some unit; int arithmetic keeps that defined.
      if (b1 < 0xE0) return static_cast<char16_t>((b1 - 0xC0) * 64 + (b2 - 0x80));
      const int b3 = ReadByteRaw();
      if (b1 < 0xF0) return static_cast<char16_t>((b1 - 0xE0) * 4096 + (b2 - 0x80) * 64 + (b3 - 0x80));
      return 0;
    }
    case UTF16BE:
      return static_cast<char16_t>((b1 << 8) | ReadByteRaw());
    case UTF16LE:
      return static_cast<char16_t>(b1 | (ReadByteRaw() << 8));
    default:
      return static_cast<char16_t>(b1);
  }
}

void TTextStream::AppendEncoded(std::string& out, char16_t unit) const {
  switch (_encoding) {
    case UTF8:
      AppendUtf8(out, unit);
      break;
    case UTF16BE:
      out += static_cast<char>(unit >> 8);
      out += static_cast<char>(unit & 0xFF);
      break;
    case UTF16LE:
      out += static_cast<char>(unit & 0xFF);
      out += static_cast<char>(unit >> 8);
      break;
    default:
      out += static_cast<char>(unit & 0xFF);
      break;
  }
}

std::string TTextStream::Encode(const String& text) const {
  std::string out;
  out.reserve(text.size());
  for (const char16_t unit : text) AppendEncoded(out, unit);
  return out;
}

void TTextStream::WriteChar(char16_t unit) {
  std::string bytes;
  AppendEncoded(bytes, unit);
  for (const char byte : bytes) WriteByteRaw(static_cast<unsigned char>(byte));
}

String TTextStream::ReadFile() {
  String text;
  while (!Eof()) text += ReadChar();
  return text;
}

String TTextStream::ReadLine() {
  String line;
  while (!Eof()) {
    const char16_t unit = ReadChar();
    if (unit == 0 || unit == 10) break;
    if (unit != 13) line += unit;
  }
  return line;
}

bool TTextStream::WriteLine(const String& text) {
  const std::string bytes = Encode(text + u"\r\n");
  const char* p = bytes.data();
  int left = static_cast<int>(bytes.size());
  while (left > 0) {
    const int n = Write(p, left);
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

void TTextStream::WriteString(const String& text) {
  const std::string bytes = Encode(text);
  if (!bytes.empty()) WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
}

String TTextStream::ReadString(int length) {
  String text;
  for (int i = 0; i < length; ++i) text += ReadChar();
  return text;
}

}  // namespace qm
