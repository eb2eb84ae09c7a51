#pragma once
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

}  // namespace qm
