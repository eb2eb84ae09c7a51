#include "app/tcommand.h"

#include "system/strings.h"

namespace qm {

int tcommand::Compare(const Object& other) const {
  const auto* command = dynamic_cast<const tcommand*>(&other);
  if (command == nullptr) return Object::Compare(other) > 0 ? 1 : 0;
  return qm::Compare(comando, command->comando) > 0 ? 1 : 0;
}

}  // namespace qm
