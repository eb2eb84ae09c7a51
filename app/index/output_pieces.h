#pragma once
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "system/output_set.h"

namespace qm {

// The bytes of one output, handed to its file in large pieces: no output is
// ever held whole in memory, and no byte is copied twice on its way.
class OutputPieces {
 public:
  explicit OutputPieces(const ByteSink& sink) : sink_(sink) {}
  // Room for at least count more bytes at the returned place; Advance says
  // how many were written there. The buffer grows to a piece's size, so a
  // small file costs a small buffer.
  char* Room(std::size_t count) {
    if (used_ + count > buffer_.size()) {
      if (buffer_.size() >= kPiece) Finish();
      if (used_ + count > buffer_.size())
        buffer_.resize(std::max({used_ + count, 2 * buffer_.size(), std::size_t{4096}}));
    }
    return buffer_.data() + used_;
  }
  void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  void Append(std::string_view bytes) {
    char* p = Room(bytes.size());
    Advance(std::copy(bytes.begin(), bytes.end(), p));
  }
  // Hands what is buffered to the sink; false once any piece failed.
  bool Finish() {
    if (used_ > 0 && ok_) ok_ = sink_(std::string_view(buffer_.data(), used_));
    used_ = 0;
    return ok_;
  }

 private:
  // Small enough that the writers running at once beside the page pass
  // hold little, large enough that a write call carries plenty.
  static constexpr std::size_t kPiece = 1 << 16;
  const ByteSink& sink_;
  bool ok_ = true;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// The bytes write hands its sink, gathered into one string: for tests and
// for callers that want a small output whole.
inline std::string CollectedBytes(const std::function<bool(const ByteSink&)>& write) {
  std::string bytes;
  write([&bytes](std::string_view piece) {
    bytes += piece;
    return true;
  });
  return bytes;
}

}  // namespace qm
