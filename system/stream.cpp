#include "system/stream.h"

#include <vector>

#include "system/strings.h"

namespace qm {

bool TIO::Eof() { return Pos() == Size(); }
std::int64_t TIO::Pos() { return -1; }
std::int64_t TIO::Size() { return 0; }
std::int64_t TIO::Seek(std::int64_t) { return -1; }
int TIO::Flush() { return 0; }
int TIO::Close() { return 0; }
int TIO::Read(void*, int) { throw RuntimeError(u"Stream is not readable"); }
int TIO::Write(const void*, int) { throw RuntimeError(u"Stream is not writeable"); }

int TStream::ReadBytes(void* buffer, int count) {
  auto* p = static_cast<unsigned char*>(buffer);
  int left = count;
  while (left > 0 && !Eof()) {
    const int n = Read(p, left);
    if (n <= 0) throw TStreamReadException();
    p += n;
    left -= n;
  }
  return count;
}

int TStream::WriteBytes(const void* buffer, int count) {
  const auto* p = static_cast<const unsigned char*>(buffer);
  int left = count;
  while (left > 0) {
    const int n = Write(p, left);
    if (n <= 0) throw TStreamWriteException();
    p += n;
    left -= n;
  }
  return count;
}

int TStream::ReadByte() {
  unsigned char byte = 0;
  ReadBytes(&byte, 1);
  return byte;
}

void TStream::WriteByte(int value) {
  const unsigned char byte = static_cast<unsigned char>(value & 0xFF);
  WriteBytes(&byte, 1);
}

String TStream::ReadLine() {
  String line;
  unsigned char byte = 0;
  while (Read(&byte, 1) == 1) {
    if (byte == 10 || byte == 0) break;
    if (byte == 13) continue;
    line += static_cast<char16_t>(byte);
  }
  return line;
}

bool TStream::WriteLine(const String& text) {
  const std::string bytes = ToByteString(text);
  const int n = static_cast<int>(bytes.size());
  if (n > 0 && Write(bytes.data(), n) != n) return false;
  static const char crlf[2] = {13, 10};
  return Write(crlf, 2) == 2;
}

void TStream::WriteString(const String& text) {
  const std::string bytes = ToByteString(text);
  if (!bytes.empty()) WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
}

String TStream::ReadString(int length) {
  if (length <= 0) return String();
  std::vector<unsigned char> buffer(static_cast<std::size_t>(length), 0);
  ReadBytes(buffer.data(), length);
  return FromBytes(buffer.data(), buffer.size());
}

}  // namespace qm
