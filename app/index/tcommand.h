#pragma once
#include <cstdint>
#include <memory>

#include "system/object.h"

namespace qm {

// One catalogue entry: a documented command, its page, its letter index and
// its module.
class tcommand : public Object {
 public:
  String comando;    // the name as listed and searched; the sort key
  String link;       // location of the command's documentation page
  String fast_link;  // letter index as decimal text (first unit minus 65)
  String Modules;    // the module the command belongs to

  // 1 when this name sorts after the other's, else 0: the catalogue sort
  // only ever asks "is this one greater", so equal names keep their order.
  int Compare(const Object& other) const override;
};

using CommandPtr = std::shared_ptr<tcommand>;

// The record order itself, for sorting without the type check.
inline int CompareNames(const tcommand& a, const tcommand& b) { return a.comando.compare(b.comando) > 0 ? 1 : 0; }

// The first four units of the name packed high to low (missing units as
// 0): wherever two keys differ, their order is the names' order.
inline std::uint64_t NamePrefixKey(const tcommand& c) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 4; ++i) key = (key << 16) | (i < c.comando.size() ? c.comando[i] : 0u);
  return key;
}

}  // namespace qm
