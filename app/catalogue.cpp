#include "app/catalogue.h"

namespace qm {

String tlwndir;
String buildDoc = u"0";
const String version = u"1.2";
std::shared_ptr<CommandList> list_command;
std::shared_ptr<ModuleMap> map_module;

void CreateCatalogue() {
  list_command = std::make_shared<CommandList>();
  map_module = CreateMap<String, CommandPtr>();
}

}  // namespace qm
