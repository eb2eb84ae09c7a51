#pragma once
#include <functional>
#include <string_view>

#include "system/object.h"

namespace qm {

// What the exports (the docset and the book) read of the catalogue the last
// build produced. They see it only through VisitCatalogue, so a change in
// how the catalogue is stored touches this one place.
struct CatalogueVisitor {
  // Every record, in catalogue order: its name, its page link and its module.
  std::function<void(const String& name, const String& link, const String& module)> record;
  // When set, the records whose link is the installation directory followed
  // by a plain page path (a separator, then names that are neither empty,
  // "." nor "..": nearly every link) come here instead of to record, as
  // bytes, so that a large export builds no texts for them: the name, and
  // the link relative to the installation with "/" for every separator.
  // Its first page_size bytes are the page; the rest is "#anchor" or
  // "?query". What they give is what LocateInInstallation gives.
  std::function<void(std::string_view name, std::string_view path, std::size_t page_size)> plain_record;
  // Every entry of the module map, in key order: the module text and the link
  // of the record that entry holds.
  std::function<void(const String& module, const String& link)> module;
};

// install_dir is the installation the exports place the pages in.
void VisitCatalogue(const CatalogueVisitor& visitor, const String& install_dir);

}  // namespace qm
