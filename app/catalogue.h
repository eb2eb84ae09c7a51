#pragma once
#include <memory>

#include "app/tcommand.h"
#include "system/list.h"
#include "system/map.h"

namespace qm {

using CommandList = TList<CommandPtr>;
// Keyed by the upper-cased module text; the value is the record most
// recently read with that key.
using ModuleMap = TMap<String, CommandPtr>;

// Program-wide state of the index builder, living for the whole run.
extern String tlwndir;   // the installation directory; empty when unknown
extern String buildDoc;  // the "Rebuild docs" choice as decimal text
extern const String version;
extern std::shared_ptr<CommandList> list_command;
// Never emptied: a second build in one run still lists earlier modules.
extern std::shared_ptr<ModuleMap> map_module;

void CreateCatalogue();

}  // namespace qm
