#include "system/incbin.h"

#include <map>

namespace qm {
namespace {

struct IncbinEntry {
  const void* data;
  std::size_t length;
};

// Never destroyed: end-of-program functions may still load embedded pages
// while static objects are being torn down.
std::map<String, IncbinEntry>& Registry() {
  static auto* const registry = new std::map<String, IncbinEntry>();
  return *registry;
}

const IncbinEntry* Lookup(const String& name) {
  const auto& registry = Registry();
  const auto it = registry.find(name);
  return it == registry.end() ? nullptr : &it->second;
}

}  // namespace

int IncbinAdd(const String& name, const void* data, std::size_t length) {
  return Registry().emplace(name, IncbinEntry{data, length}).second ? 1 : 0;
}

const void* IncbinPtr(const String& name) {
  const IncbinEntry* entry = Lookup(name);
  return entry ? entry->data : nullptr;
}

std::size_t IncbinLen(const String& name) {
  const IncbinEntry* entry = Lookup(name);
  return entry ? entry->length : 0;
}

}  // namespace qm
