#include "app/catalogue_export_source.h"

#include "app/catalogue.h"

namespace qm {

void VisitCatalogue(const CatalogueVisitor& visitor) {
  if (visitor.record && list_command) {
    list_command->ForEach([&](const tcommand& r) { visitor.record(r.comando, r.link, r.Modules); });
  }
  if (visitor.module && map_module) {
    for (const auto& r : map_module->Values()) visitor.module(r->Modules, r->link);
  }
}

}  // namespace qm
