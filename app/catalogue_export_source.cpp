#include "app/catalogue_export_source.h"

#include <algorithm>

#include "app/catalogue.h"

namespace qm {

void VisitCatalogue(const CatalogueVisitor& visitor) {
  if (visitor.record && list_command) {
    // Texts are refilled record by record rather than made anew, which
    // keeps an export of a large catalogue from allocating per record.
    const Catalogue& catalogue = *list_command;
    String name, link, module;
    catalogue.ForEachRecord([&](const CatalogueRecord& r) {
      if (r.whole || r.module_in_extra) {
        const CommandPtr command = catalogue.MakeCommand(r);
        visitor.record(command->comando, command->link, command->Modules);
        return;
      }
      // One unit per byte, after what the text already holds.
      const auto refill = [](String& text, std::size_t keep, std::string_view bytes) {
        text.resize(keep + bytes.size());
        std::transform(bytes.begin(), bytes.end(), text.begin() + static_cast<std::ptrdiff_t>(keep),
                       [](char byte) { return static_cast<char16_t>(static_cast<unsigned char>(byte)); });
      };
      refill(name, 0, catalogue.Name(r));
      refill(module, 0, catalogue.Module(r));
      link.assign(catalogue.Dir());
      refill(link, link.size(), catalogue.LinkTail(r));
      std::replace(link.begin(), link.end(), u'\\', u'/');
      visitor.record(name, link, module);
    });
  }
  if (visitor.module && map_module) {
    for (const auto& r : map_module->Values()) visitor.module(r->Modules, r->link);
  }
}

}  // namespace qm
