#include "system/text_io.h"

#include <string>

#include "system/atomic_file.h"
#include "system/standard_io.h"
#include "system/stream_factory.h"
#include "system/strings.h"
#include "system/text_stream.h"

namespace qm {
namespace {

// The encoding named by a byte-order mark at the start of stream, 0 for
// none. The bytes taken while looking go to consumed; with a mark found they
// are the mark and are dropped.
int DetectByteOrderMark(TStream& stream, std::string& consumed) {
  if (stream.Eof()) return 0;
  const int c1 = stream.ReadByte();
  consumed += static_cast<char>(c1);
  if (stream.Eof()) return 0;
  const int c2 = stream.ReadByte();
  consumed += static_cast<char>(c2);
  if (c1 == 0xFE && c2 == 0xFF) return TTextStream::UTF16BE;
  if (c1 == 0xFF && c2 == 0xFE) return TTextStream::UTF16LE;
  if (c1 == 0xEF && c2 == 0xBB && !stream.Eof()) {
    const int c3 = stream.ReadByte();
    consumed += static_cast<char>(c3);
    if (c3 == 0xBF) return TTextStream::UTF8;
  }
  return 0;
}

// Everything up to the end, read in blocks that double in size. A stream
// that stops giving bytes before its end ends the text rather than looping.
void ReadRest(TStream& stream, std::string& bytes) {
  std::size_t block = 1024;
  while (!stream.Eof()) {
    const std::size_t used = bytes.size();
    bytes.resize(used + block);
    const int n = stream.Read(bytes.data() + used, static_cast<int>(block));
    bytes.resize(used + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n <= 0) break;
    if (block < (std::size_t{1} << 20)) block *= 2;
  }
}

bool IsPlainPath(const String& url) { return Find(url, u"::") < 0; }

// Plain files are written through a temporary file and renamed into place;
// other URLs go to their handler.
StreamPtr OpenForSaving(const String& url) {
  if (IsPlainPath(url)) return AtomicFileStream::Create(url);
  return WriteStream(url);
}

void FinishSaving(TStream& stream) {
  // An atomic file reports a failed commit here; the target is unchanged.
  if (stream.Close() != 0) throw TStreamWriteException();
}

}  // namespace

String LoadText(const String& url) {
  StreamPtr stream = ReadStream(url);
  if (!stream) throw TStreamReadException();
  std::string consumed;
  const int encoding = DetectByteOrderMark(*stream, consumed);
  if (encoding == 0) {
    ReadRest(*stream, consumed);
    stream->Close();
    return FromBytes(consumed);
  }
  auto text_stream = TTextStream::Create(std::move(stream), encoding);
  String text = text_stream->ReadFile();
  text_stream->Close();
  return text;
}

void SaveString(const String& text, const String& url) {
  StreamPtr stream = OpenForSaving(url);
  if (!stream) throw TStreamWriteException();
  const std::string bytes = ToByteString(text);
  if (!bytes.empty()) stream->WriteBytes(bytes.data(), static_cast<int>(bytes.size()));
  FinishSaving(*stream);
}

void SaveText(const String& text, const String& url) {
  bool narrow = true;
  for (const char16_t unit : text) {
    if (unit > 255) {
      narrow = false;
      break;
    }
  }
  if (narrow) {
    SaveString(text, url);
    return;
  }
  StreamPtr stream = OpenForSaving(url);
  if (!stream) throw TStreamWriteException();
  static const unsigned char kMark[2] = {0xFE, 0xFF};
  stream->WriteBytes(kMark, 2);
  auto text_stream = TTextStream::Create(std::move(stream), TTextStream::UTF16BE);
  text_stream->WriteString(text);
  FinishSaving(*text_stream);
}

std::string SavedTextBytes(const String& text) {
  for (const char16_t unit : text)
    if (unit > 255) {
      std::string bytes = "\xFE\xFF";
      bytes.reserve(2 + 2 * text.size());
      for (const char16_t wide : text) {
        bytes += static_cast<char>(wide >> 8);
        bytes += static_cast<char>(wide & 0xFF);
      }
      return bytes;
    }
  return ToByteString(text);
}

void Print(const String& text) {
  TTextStream& out = StandardIOStream();
  out.WriteLine(text);
  out.Flush();
}

}  // namespace qm
