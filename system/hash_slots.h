#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm {

// An open-addressed table of numbers by the hash of what they stand for:
// each slot holds the 32-bit hash above the 32-bit number, so that growing
// never reads a key again and a probe compares keys only when the hashes
// agree. What the numbers name, and how keys compare, is the caller's.
class HashSlots {
 public:
  static constexpr std::uint64_t kEmpty = UINT64_MAX;
  static std::uint64_t Slot(std::uint32_t hash, std::uint32_t number) { return std::uint64_t{hash} << 32 | number; }
  static std::uint32_t Number(std::uint64_t slot) { return static_cast<std::uint32_t>(slot); }

  // Before the table holds count numbers: kept at most half full, so that
  // probes stay short.
  void MakeRoom(std::size_t count) {
    if (2 * count <= slots_.size()) return;
    std::vector<std::uint64_t> old(std::max<std::size_t>(64, 2 * slots_.size()), kEmpty);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t slot : old) {
      if (slot == kEmpty) continue;
      std::size_t at = (slot >> 32) & mask;
      while (slots_[at] != kEmpty) at = (at + 1) & mask;
      slots_[at] = slot;
    }
  }
  // The slot of hash whose number same(number) accepts, or the empty slot
  // where it would go. Call MakeRoom first: the table must have room.
  template <class Same>
  std::uint64_t& Probe(std::uint32_t hash, Same same) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
      std::uint64_t& slot = slots_[at];
      if (slot == kEmpty || (static_cast<std::uint32_t>(slot >> 32) == hash && same(Number(slot)))) return slot;
    }
  }
  // The number of hash that same accepts, or nullptr.
  template <class Same>
  const std::uint64_t* Find(std::uint32_t hash, Same same) const {
    if (slots_.empty()) return nullptr;
    const std::uint64_t& slot = const_cast<HashSlots*>(this)->Probe(hash, same);
    return slot == kEmpty ? nullptr : &slot;
  }
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const std::uint64_t slot : slots_)
      if (slot != kEmpty) visit(slot);
  }
  void Clear() { std::vector<std::uint64_t>().swap(slots_); }
  // Empties the table and keeps its room.
  void Empty() { std::fill(slots_.begin(), slots_.end(), kEmpty); }

 private:
  std::vector<std::uint64_t> slots_;
};

}  // namespace qm
