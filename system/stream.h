#pragma once
#include <cstdint>
#include <memory>

#include "system/object.h"
#include "system/runtime_error.h"

namespace qm {

// Raised by the stream layer; uncaught, they end the program with their text.
class TStreamException : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};
class TStreamReadException : public TStreamException {
 public:
  TStreamReadException() : TStreamException(u"Error reading from stream") {}
};
class TStreamWriteException : public TStreamException {
 public:
  TStreamWriteException() : TStreamException(u"Error writing to stream") {}
};

// Base of all streams: position, size and raw transfer. A stream that cannot
// read or write raises the matching run-time error.
class TIO : public Object {
 public:
  virtual bool Eof();
  virtual std::int64_t Pos();
  virtual std::int64_t Size();
  virtual std::int64_t Seek(std::int64_t position);
  virtual int Flush();
  virtual int Close();
  // Bytes transferred, 0 when nothing could be.
  virtual int Read(void* buffer, int count);
  virtual int Write(const void* buffer, int count);
};

// Block, byte, line and string transfer built on Read and Write.
class TStream : public TIO {
 public:
  // Reads until count bytes or the end; a read of nothing before the end
  // raises TStreamReadException. Returns count.
  virtual int ReadBytes(void* buffer, int count);
  // Writes all bytes; a write of nothing raises TStreamWriteException.
  virtual int WriteBytes(const void* buffer, int count);
  virtual int ReadByte();
  virtual void WriteByte(int value);
  // A line ends at LF, at a zero byte or at the end; CR bytes are dropped
  // wherever they stand; each byte becomes one unit. No length limit.
  virtual String ReadLine();
  // The narrowed text, then CR LF only if all of it went out. Never raises;
  // false reports a short write.
  virtual bool WriteLine(const String& text);
  // The narrowed text with no terminator; a failed write raises.
  virtual void WriteString(const String& text);
  virtual String ReadString(int length);
};

using StreamPtr = std::unique_ptr<TStream>;

}  // namespace qm
