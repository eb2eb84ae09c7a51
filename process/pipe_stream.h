#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "system/stream.h"

namespace qm {

// Stream over the pipes to a child process. ReadLine and ReadPipe never
// block: they take only as many bytes as the pipe reports waiting, and a
// line that has not seen its line feed yet stays in the read buffer until a
// later call completes it. Read and Write go straight to the descriptors and
// may block.
class TPipeStream : public TStream {
 public:
  static constexpr std::int32_t kBufferSize = 4096;

  // Bytes held in readbuffer and not yet returned as lines; above 0 exactly
  // while output (a partial line or unfetched lines) is buffered.
  std::int32_t bufferpos = 0;
  // Descriptors; 0 means none (never opened, or closed).
  std::int32_t readhandle = 0;
  std::int32_t writehandle = 0;

  TPipeStream(std::int32_t read_handle, std::int32_t write_handle);
  ~TPipeStream() override;
  TPipeStream(const TPipeStream&) = delete;
  TPipeStream& operator=(const TPipeStream&) = delete;

  static std::shared_ptr<TPipeStream> Create(std::int32_t read_handle, std::int32_t write_handle);

  int Flush() override;
  // Closes both descriptors; a second call does nothing.
  int Close() override;
  // Without a descriptor nothing is transferred and the result is 0.
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;
  // The next complete line without its line end, or "" when no complete line
  // is buffered. Takes in at most one batch of waiting bytes per call; raises
  // "PipeStream ReadBuffer Overflow" when the buffer is full, holds no line
  // feed, and more bytes are waiting.
  String ReadLine() override;

  // Bytes waiting in the pipe, not counting the buffer.
  std::int32_t ReadAvail();
  // Everything waiting in the pipe, or an empty array; leaves the buffer alone.
  std::vector<unsigned char> ReadPipe();

  // For callers that must survive output ReadLine cannot hand out: whether a
  // complete line is held, and the held bytes taken out raw (widened one unit
  // per byte), emptying the buffer.
  bool HoldsLine() const;
  String TakeBuffered();

 private:
  std::unique_ptr<unsigned char[]> readbuffer_;
};

using PipeStreamPtr = std::shared_ptr<TPipeStream>;

}  // namespace qm
