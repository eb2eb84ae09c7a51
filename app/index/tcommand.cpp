#include "app/index/tcommand.h"

#include <typeinfo>

#include "system/strings.h"

namespace qm {

int tcommand::Compare(const Object& other) const {
  // Catalogues hold nothing but records, so the exact type check is the
  // cheap common case; anything else falls back to identity.
  if (typeid(other) != typeid(tcommand)) return Object::Compare(other) > 0 ? 1 : 0;
  return comando.compare(static_cast<const tcommand&>(other).comando) > 0 ? 1 : 0;
}

}  // namespace qm
