#include "system/hash_slots.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

// Keys whose hashes collide in runs, added while the table grows: each is
// found again under its own number, a key never added is not, and the
// numbers kept are exactly those added.
TEST(HashSlots, KeepsEveryNumberThroughCollisionsAndGrowth) {
  for (const std::uint32_t spread : {1u, 7u, 1u << 20}) {
    std::vector<std::string> keys;
    HashSlots slots;
    const auto hash = [spread](const std::string& key) { return static_cast<std::uint32_t>(std::stoul(key)) % spread; };
    for (std::uint32_t k = 0; k < 3000; ++k) {
      const std::string key = std::to_string(k * 7919);
      slots.MakeRoom(keys.size() + 1);
      std::uint64_t& slot = slots.Probe(hash(key), [&](std::uint32_t n) { return keys[n] == key; });
      ASSERT_EQ(slot, HashSlots::kEmpty) << key;
      slot = HashSlots::Slot(hash(key), static_cast<std::uint32_t>(keys.size()));
      keys.push_back(key);
    }
    for (std::uint32_t n = 0; n < keys.size(); ++n) {
      const std::uint64_t* found = slots.Find(hash(keys[n]), [&](std::uint32_t m) { return keys[m] == keys[n]; });
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(HashSlots::Number(*found), n);
    }
    EXPECT_EQ(slots.Find(hash("5"), [&](std::uint32_t m) { return keys[m] == "5"; }), nullptr);
    std::vector<bool> seen(keys.size(), false);
    slots.ForEach([&](std::uint64_t slot) { seen.at(HashSlots::Number(slot)) = true; });
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), static_cast<long>(keys.size()));
  }
}

}  // namespace
}  // namespace qm
