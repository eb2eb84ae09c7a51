#include "process/pipe_stream.h"

#include <poll.h>

#include <algorithm>
#include <cstring>

#include "process/fd.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {

namespace {
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
// A pipe's whole default capacity goes in one read.
constexpr std::int32_t kDrainBlock = 64 * 1024;
}  // namespace

TPipeStream::TPipeStream(std::int32_t read_handle, std::int32_t write_handle)
    : readhandle(read_handle), writehandle(write_handle), readbuffer_(std::make_unique<unsigned char[]>(kBufferSize)) {}

// Dropping the last reference must not leave the child's pipe ends open.
TPipeStream::~TPipeStream() { Close(); }

std::shared_ptr<TPipeStream> TPipeStream::Create(std::int32_t read_handle, std::int32_t write_handle) {
  return std::make_shared<TPipeStream>(read_handle, write_handle);
}

int TPipeStream::Flush() {
  fdFlush(writehandle);
  return 0;
}

int TPipeStream::Close() {
  if (readhandle != 0) {
    fdClose(readhandle);
    readhandle = 0;
  }
  if (writehandle != 0) {
    fdClose(writehandle);
    writehandle = 0;
  }
  return 0;
}

int TPipeStream::Read(void* buffer, int count) {
  if (readhandle == 0) return 0;
  return fdRead(readhandle, buffer, count);
}

int TPipeStream::Write(const void* buffer, int count) {
  if (writehandle == 0) return 0;
  return fdWrite(writehandle, buffer, count);
}

std::int32_t TPipeStream::ReadAvail() {
  if (readhandle == 0) return 0;
  return fdAvail(readhandle);
}

std::vector<unsigned char> TPipeStream::ReadPipe() {
  const std::int32_t waiting = ReadAvail();
  if (waiting <= 0) return {};
  std::vector<unsigned char> bytes(static_cast<std::size_t>(waiting));
  const int got = Read(bytes.data(), waiting);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

String TPipeStream::ReadLine() {
  unsigned char* buffer = readbuffer_.get();
  std::int32_t waiting = ReadAvail();
  if (waiting != 0) {
    if (bufferpos + waiting > kBufferSize) waiting = kBufferSize - bufferpos;
    if (waiting <= 0) throw RuntimeError(u"PipeStream ReadBuffer Overflow");
    // Only the reported count is requested, so this read cannot block.
    const int got = Read(buffer + bufferpos, waiting);
    if (got > 0) bufferpos += got;
  }

  unsigned char* end_of_held = buffer + bufferpos;
  unsigned char* feed = std::find(buffer, end_of_held, kLineFeed);
  if (feed == end_of_held) return String();

  const std::int32_t i = static_cast<std::int32_t>(feed - buffer);
  const std::int32_t line_end = (i > 0 && buffer[i - 1] == kCarriageReturn) ? i - 1 : i;
  // A CR at the start is dropped too, which absorbs the CR of an LF CR pair.
  const std::int32_t line_start = (buffer[0] == kCarriageReturn) ? 1 : 0;
  String line;
  if (line_end > line_start) line = FromBytes(buffer + line_start, static_cast<std::size_t>(line_end - line_start));

  bufferpos -= i + 1;
  if (bufferpos > 0) std::memmove(buffer, buffer + i + 1, static_cast<std::size_t>(bufferpos));
  return line;
}

void TPipeStream::CloseWrite() {
  if (writehandle == 0) return;
  fdClose(writehandle);
  writehandle = 0;
}

void TPipeStream::Drain(const BlockTaker& take) {
  if (bufferpos > 0) {
    take(readbuffer_.get(), static_cast<std::size_t>(bufferpos));
    bufferpos = 0;
  }
  if (!drainblock_) drainblock_ = std::make_unique<unsigned char[]>(kDrainBlock);
  // Only the count reported at the start is read, so no read can block.
  for (std::int32_t left = ReadAvail(); left > 0;) {
    const int got = Read(drainblock_.get(), std::min(left, kDrainBlock));
    if (got <= 0) break;
    take(drainblock_.get(), static_cast<std::size_t>(got));
    left -= got;
  }
}

void TPipeStream::AwaitInput(std::initializer_list<TPipeStream*> streams, int milliseconds) {
  pollfd watched[8];
  TPipeStream* owners[8];
  nfds_t count = 0;
  for (TPipeStream* stream : streams) {
    if (!stream || stream->readhandle == 0 || stream->inputended_ || count == 8) continue;
    watched[count] = {stream->readhandle, POLLIN, 0};
    owners[count++] = stream;
  }
  if (count == 0) {
    Delay(milliseconds);
    return;
  }
  // An interrupted wait just returns early; callers poll again anyway.
  if (poll(watched, count, milliseconds) <= 0) return;
  for (nfds_t i = 0; i < count; ++i) {
    // A hang-up with nothing left to read is the end of this stream's input.
    if ((watched[i].revents & (POLLHUP | POLLERR | POLLNVAL)) && owners[i]->ReadAvail() == 0) {
      owners[i]->inputended_ = true;
    }
  }
}

}  // namespace qm
