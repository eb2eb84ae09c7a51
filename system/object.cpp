#include "system/object.h"

#include <functional>

#include "system/strings.h"

namespace qm {

int Object::Compare(const Object& other) const {
  if (this == &other) return 0;
  return std::less<const Object*>{}(this, &other) ? -1 : 1;
}

String Object::ToString() const { return String(); }

int StringObject::Compare(const Object& other) const {
  if (auto* s = dynamic_cast<const StringObject*>(&other)) return qm::Compare(value, s->value);
  return Object::Compare(other);
}

}  // namespace qm
