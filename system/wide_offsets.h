#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

// Offsets into a stream that may grow past 4 GiB, in four bytes each rather
// than eight: the low half of each, and the place of the first offset in
// each further 4 GiB. Offsets are added in order, never decreasing.
class WideOffsets {
 public:
  void Reserve(std::size_t count) { low_.reserve(count); }
  void Clear() {
    std::vector<std::uint32_t>().swap(low_);
    std::vector<std::uint32_t>().swap(starts_);
  }
  bool Empty() const { return low_.empty(); }
  std::size_t Size() const { return low_.size(); }
  void Add(std::uint64_t offset) {
    while (starts_.size() < offset >> 32) starts_.push_back(static_cast<std::uint32_t>(low_.size()));
    low_.push_back(static_cast<std::uint32_t>(offset));
  }
  std::uint64_t operator[](std::size_t k) const {
    const auto high = static_cast<std::uint64_t>(std::upper_bound(starts_.begin(), starts_.end(), k) - starts_.begin());
    return high << 32 | low_[k];
  }

 private:
  std::vector<std::uint32_t> low_;
  std::vector<std::uint32_t> starts_;  // of each further 4 GiB
};

}  // namespace qm
