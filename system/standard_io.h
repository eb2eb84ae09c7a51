#pragma once
#include "system/stream.h"
#include "system/text_stream.h"

namespace qm {

// The process's standard streams as one byte stream: Read takes from
// standard input, Write goes to standard output, Flush flushes standard
// output. Close only flushes: the process keeps its standard streams.
class TCStandardIO : public TStream {
 public:
  bool Eof() override;
  int Flush() override;
  int Close() override;
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
};

// UTF-8 text over TCStandardIO, created on first use and never destroyed, so
// that end-of-program functions can still print while the process exits.
// Whole texts (WriteLine, WriteString) are written as DisplayUtf8 shows them.
TTextStream& StandardIOStream();

}  // namespace qm
