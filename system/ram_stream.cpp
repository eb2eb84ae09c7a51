#include "system/ram_stream.h"

#include <algorithm>
#include <cstring>

namespace qm {

std::unique_ptr<TRamStream> TRamStream::Create(void* buffer, std::int64_t size, bool readable, bool writeable) {
  std::unique_ptr<TRamStream> stream(new TRamStream());
  stream->buf_ = static_cast<unsigned char*>(buffer);
  stream->size_ = buffer == nullptr ? 0 : std::max<std::int64_t>(size, 0);
  stream->read_ = readable;
  stream->write_ = writeable;
  return stream;
}

std::unique_ptr<TRamStream> TRamStream::Create(const void* buffer, std::int64_t size) {
  // Never written through: the stream is not writeable.
  return Create(const_cast<void*>(buffer), size, true, false);
}

std::unique_ptr<TRamStream> TRamStream::CreateOwned(std::string bytes, bool readable, bool writeable) {
  std::unique_ptr<TRamStream> stream(new TRamStream());
  stream->owned_ = std::move(bytes);
  stream->buf_ = reinterpret_cast<unsigned char*>(stream->owned_.data());
  stream->size_ = static_cast<std::int64_t>(stream->owned_.size());
  stream->read_ = readable;
  stream->write_ = writeable;
  return stream;
}

std::int64_t TRamStream::Seek(std::int64_t position) {
  pos_ = std::clamp<std::int64_t>(position, 0, size_);
  return pos_;
}

int TRamStream::Close() {
  buf_ = nullptr;
  pos_ = 0;
  size_ = 0;
  owned_.clear();
  return 0;
}

int TRamStream::Read(void* buffer, int count) {
  if (count <= 0 || !read_ || buf_ == nullptr) return 0;
  const int n = static_cast<int>(std::min<std::int64_t>(count, size_ - pos_));
  if (n <= 0) return 0;
  std::memcpy(buffer, buf_ + pos_, static_cast<std::size_t>(n));
  pos_ += n;
  return n;
}

int TRamStream::Write(const void* buffer, int count) {
  if (count <= 0 || !write_ || buf_ == nullptr) return 0;
  const int n = static_cast<int>(std::min<std::int64_t>(count, size_ - pos_));
  if (n <= 0) return 0;
  std::memcpy(buf_ + pos_, buffer, static_cast<std::size_t>(n));
  pos_ += n;
  return n;
}

}  // namespace qm
