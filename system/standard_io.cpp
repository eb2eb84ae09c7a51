#include "system/standard_io.h"

#include <cstdio>

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

TTextStream& StandardIOStream() {
  static TTextStream* const stream =
      TTextStream::Create(std::make_unique<TCStandardIO>(), TTextStream::UTF8).release();
  return *stream;
}

}  // namespace qm
