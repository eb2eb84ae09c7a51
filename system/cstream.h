#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>

#include "system/stream.h"

namespace qm {

// A stream on a buffered C file handle, which it owns: the handle is closed
// by Close or, at the latest, when the stream is destroyed.
//
// Reads and writes after Close do nothing and report 0 bytes. A handle that
// cannot seek (a pipe or terminal) reports Pos -1 and tells its end by the
// handle's end-of-file flag.
class TCStream : public TStream {
 public:
  static constexpr int MODE_READ = 1;
  static constexpr int MODE_WRITE = 2;

  // "r+b" (mode 3) when both flags are set, "wb" (mode 2) when only
  // writeable is, "rb" (mode 1) otherwise. The path is fixed first; null when
  // it cannot be opened, including a directory opened for reading.
  static std::unique_ptr<TCStream> OpenFile(const String& path, bool readable, bool writeable);
  // Takes ownership of handle (null gives null); the position is the
  // handle's current one and the size is measured by seeking to the end.
  static std::unique_ptr<TCStream> CreateWithCStream(std::FILE* handle, int mode);

  ~TCStream() override;
  TCStream(const TCStream&) = delete;
  TCStream& operator=(const TCStream&) = delete;

  bool Eof() override;
  std::int64_t Pos() override;
  std::int64_t Size() override;
  std::int64_t Seek(std::int64_t position) override;
  int Flush() override;
  int Close() override;
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;

  bool IsOpen() const { return handle_ != nullptr; }
  int Mode() const { return mode_; }
  // The handle while open, for callers that need its descriptor.
  std::FILE* CStream() const { return handle_.get(); }
  // True once a write, flush or close has lost bytes: buffered writes only
  // fail when the buffer reaches the file, so a short Write is not the only
  // sign of lost data.
  bool WriteFailed() const { return write_failed_; }
  // The system's error number for the first lost write, 0 when none.
  int WriteError() const { return write_error_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* handle) const { std::fclose(handle); }
  };
  enum class Direction { kNone, kRead, kWrite };

  TCStream(std::FILE* handle, int mode);
  void NoteWriteFailure();
  // A handle open for update must be repositioned between a read and a
  // write; switching without it is undefined in C.
  void TurnTo(Direction direction);

  std::unique_ptr<std::FILE, FileCloser> handle_;
  std::int64_t pos_ = 0;
  std::int64_t size_ = 0;
  int mode_ = 0;
  bool seekable_ = true;
  bool write_failed_ = false;
  int write_error_ = 0;
  Direction last_ = Direction::kNone;
};

}  // namespace qm
