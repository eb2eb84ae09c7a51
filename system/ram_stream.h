#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "system/stream.h"

namespace qm {

// A stream over a block of memory. Create leaves the block with its owner
// (the embedded-data registry's blocks live for the whole run); CreateOwned
// keeps a copy of its own, for content read whole from elsewhere.
class TRamStream : public TStream {
 public:
  static std::unique_ptr<TRamStream> Create(void* buffer, std::int64_t size, bool readable, bool writeable);
  // Read-only view of constant data.
  static std::unique_ptr<TRamStream> Create(const void* buffer, std::int64_t size);
  static std::unique_ptr<TRamStream> CreateOwned(std::string bytes, bool readable, bool writeable);

  std::int64_t Pos() override { return pos_; }
  std::int64_t Size() override { return size_; }
  // Kept inside 0 ... Size, so no later copy can leave the block.
  std::int64_t Seek(std::int64_t position) override;
  int Close() override;
  // 0 when count is 0 or less, when the stream lacks the permission, or at
  // the end; otherwise the count clamped to what is left.
  int Read(void* buffer, int count) override;
  int Write(const void* buffer, int count) override;

 private:
  TRamStream() = default;

  std::string owned_;
  unsigned char* buf_ = nullptr;
  std::int64_t pos_ = 0;
  std::int64_t size_ = 0;
  bool read_ = false;
  bool write_ = false;
};

}  // namespace qm
