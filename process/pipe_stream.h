#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
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

  // Closes only the write descriptor: a child reading it sees end of input.
  void CloseWrite();

  // Hands everything buffered, then everything waiting in the pipe at the
  // time of the call, to take in blocks, keeping none of it; for callers that
  // consume output as it comes rather than line by line. Never blocks, and
  // takes no more than was waiting, so a writer that never stops cannot
  // hold the call.
  using BlockTaker = std::function<void(const unsigned char* bytes, std::size_t count)>;
  void Drain(const BlockTaker& take);

  // Waits up to the given time until one of the streams has bytes waiting
  // or its writer goes away, returning at once when one has already. Streams
  // already at their end no longer wake it; with none left it simply sleeps.
  static void AwaitInput(std::initializer_list<TPipeStream*> streams, int milliseconds);

 private:
  std::unique_ptr<unsigned char[]> readbuffer_;
  std::unique_ptr<unsigned char[]> drainblock_;
  // The writer has gone and everything it wrote has been taken, as far as
  // AwaitInput has seen.
  bool inputended_ = false;
};

using PipeStreamPtr = std::shared_ptr<TPipeStream>;

}  // namespace qm
