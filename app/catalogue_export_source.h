#pragma once
#include <functional>

#include "system/object.h"

namespace qm {

// What the exports (the docset and the book) read of the catalogue the last
// build produced. They see it only through VisitCatalogue, so a change in
// how the catalogue is stored touches this one place.
struct CatalogueVisitor {
  // Every record, in catalogue order: its name, its page link and its module.
  std::function<void(const String& name, const String& link, const String& module)> record;
  // Every entry of the module map, in key order: the module text and the link
  // of the record that entry holds.
  std::function<void(const String& module, const String& link)> module;
};

void VisitCatalogue(const CatalogueVisitor& visitor);

}  // namespace qm
