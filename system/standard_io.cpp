#include "system/standard_io.h"

#include <cstdio>

#include "system/display_text.h"

namespace qm {

bool TCStandardIO::Eof() { return std::feof(stdin) != 0; }

int TCStandardIO::Flush() {
  std::fflush(stdout);
  return 0;
}

int TCStandardIO::Close() { return Flush(); }

int TCStandardIO::Read(void* buffer, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(count), stdin));
}

int TCStandardIO::Write(const void* buffer, int count) {
  if (count <= 0) return 0;
  return static_cast<int>(std::fwrite(buffer, 1, static_cast<std::size_t>(count), stdout));
}

namespace {

// Standard output is read by a person: a text holding UTF-8 bytes (a path
// or a name as the file system gives it) is written as those bytes, not
// encoded a second time. Every other text is UTF-8 one character per unit.
class StandardTextStream : public TTextStream {
 public:
  StandardTextStream() : TTextStream(std::make_unique<TCStandardIO>(), UTF8) {}

  std::string Encode(const String& text) const override { return DisplayUtf8(text); }
};

}  // namespace

TTextStream& StandardIOStream() {
  static TTextStream* const stream = new StandardTextStream();
  return *stream;
}

}  // namespace qm
