#include "system/cstream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "system/fix_path.h"

namespace qm {

std::unique_ptr<TCStream> TCStream::OpenFile(const String& path, bool readable, bool writeable) {
  const auto system_path = SystemPath(path);
  if (!system_path) return nullptr;
  // "e": the descriptor must not leak into child programs we start.
  const char* open_mode = "rbe";
  int mode = MODE_READ;
  if (readable && writeable) {
    open_mode = "r+be";
    mode = MODE_READ | MODE_WRITE;
  } else if (writeable) {
    open_mode = "wbe";
    mode = MODE_WRITE;
  }
  std::FILE* handle = std::fopen(system_path->c_str(), open_mode);
  if (handle == nullptr) return nullptr;
  // The C library opens a directory for reading; its "content" is an error
  // on the first read, so treat it as what it is: not a file.
  struct stat info {};
  if (fstat(fileno(handle), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(handle);
    return nullptr;
  }
  return CreateWithCStream(handle, mode);
}

std::unique_ptr<TCStream> TCStream::CreateWithCStream(std::FILE* handle, int mode) {
  if (handle == nullptr) return nullptr;
  return std::unique_ptr<TCStream>(new TCStream(handle, mode));
}

TCStream::TCStream(std::FILE* handle, int mode) : handle_(handle), mode_(mode) {
  pos_ = ftello(handle);
  if (pos_ < 0 || fseeko(handle, 0, SEEK_END) != 0) {
    seekable_ = false;
    pos_ = 0;
    return;
  }
  size_ = std::max<std::int64_t>(ftello(handle), 0);
  fseeko(handle, pos_, SEEK_SET);
}

TCStream::~TCStream() { Close(); }

bool TCStream::Eof() {
  if (!handle_) return true;
  if (!seekable_) return std::feof(handle_.get()) != 0;
  return pos_ == size_;
}

std::int64_t TCStream::Pos() { return seekable_ ? pos_ : -1; }

std::int64_t TCStream::Size() { return size_; }

std::int64_t TCStream::Seek(std::int64_t position) {
  if (!handle_ || !seekable_) return -1;
  fseeko(handle_.get(), position, SEEK_SET);
  const std::int64_t now = ftello(handle_.get());
  if (now >= 0) pos_ = now;
  last_ = Direction::kNone;
  return pos_;
}

int TCStream::Flush() {
  if (handle_ && std::fflush(handle_.get()) != 0) NoteWriteFailure();
  return 0;
}

int TCStream::Close() {
  if (!handle_) return 0;
  std::FILE* handle = handle_.release();
  if (std::fflush(handle) != 0) NoteWriteFailure();
  if (std::fclose(handle) != 0) NoteWriteFailure();
  pos_ = 0;
  size_ = 0;
  return 0;
}

void TCStream::NoteWriteFailure() {
  if (!write_failed_) write_error_ = errno != 0 ? errno : EIO;
  write_failed_ = true;
}

void TCStream::TurnTo(Direction direction) {
  if (last_ != Direction::kNone && last_ != direction && seekable_) fseeko(handle_.get(), 0, SEEK_CUR);
  last_ = direction;
}

int TCStream::Read(void* buffer, int count) {
  if (!handle_ || count <= 0 || (mode_ & MODE_READ) == 0) return 0;
  TurnTo(Direction::kRead);
  const std::size_t n = std::fread(buffer, 1, static_cast<std::size_t>(count), handle_.get());
  pos_ += static_cast<std::int64_t>(n);
  return static_cast<int>(n);
}

int TCStream::Write(const void* buffer, int count) {
  if (!handle_ || count <= 0 || (mode_ & MODE_WRITE) == 0) return 0;
  TurnTo(Direction::kWrite);
  const std::size_t n = std::fwrite(buffer, 1, static_cast<std::size_t>(count), handle_.get());
  if (n < static_cast<std::size_t>(count)) NoteWriteFailure();
  pos_ += static_cast<std::int64_t>(n);
  size_ = std::max(size_, pos_);
  return static_cast<int>(n);
}

}  // namespace qm
