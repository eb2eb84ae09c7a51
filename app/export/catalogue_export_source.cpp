#include "app/export/catalogue_export_source.h"

#include <algorithm>
#include <climits>

#include "app/index/catalogue.h"
#include "app/index/module_map.h"

namespace qm {

namespace {

// The path a plain link tail names, without its leading separator and with
// "/" for "\\", into path; false for any other tail. page_end: the size of
// PageOfLink(tail).
bool PlainPath(std::string_view tail, std::size_t page_end, std::string& path, std::size_t& page_size) {
  if (page_end < 2 || (tail[0] != '/' && tail[0] != '\\')) return false;
  path.assign(tail.substr(1));
  // One pass over the page's segments, each neither empty nor "." nor "..".
  page_size = page_end - 1;
  std::size_t segment = 0;
  for (std::size_t at = 0; at <= page_size; ++at) {
    if (at < page_size && path[at] != '/' && path[at] != '\\') continue;
    const std::size_t length = at - segment;
    if (length == 0 || (path[segment] == '.' && (length == 1 || (length == 2 && path[segment + 1] == '.')))) return false;
    if (at < page_size) path[at] = '/';
    segment = at + 1;
  }
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(page_size), path.end(), '\\', '/');
  return true;
}

}  // namespace

void VisitCatalogue(const CatalogueVisitor& visitor, const String& install_dir) {
  if (visitor.record && list_command) {
    const Catalogue& catalogue = *list_command;
    // Links are the directory and each record's tail.
    const bool plain_dir = visitor.plain_record && catalogue.Dir() == install_dir && !install_dir.empty() &&
                           install_dir.back() != u'/' && install_dir.back() != u'\\';
    // Texts are refilled record by record rather than made anew, which
    // keeps an export of a large catalogue from allocating per record.
    String name, link, module;
    std::string path;
    std::size_t page_size = 0;
    catalogue.ForEachRecord([&](const CatalogueRecord& r) {
      // A page path longer than the system allows names no file a reader
      // could open, and its link would be held several times over while
      // it is written: such a record is left out of the exports.
      const std::size_t page_end = r.whole ? 0 : PageOfLink(catalogue.LinkTail(r)).size();
      if (page_end > PATH_MAX) return;
      if (r.whole) {
        const CommandPtr command = catalogue.MakeCommand(r);
        visitor.record(command->comando, command->link, command->Modules);
        return;
      }
      if (plain_dir && PlainPath(catalogue.LinkTail(r), page_end, path, page_size)) {
        visitor.plain_record(catalogue.Name(r), path, page_size);
        return;
      }
      if (r.module_in_extra) {
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
    map_module->ForEach([&](const tcommand& r) { visitor.module(r.Modules, r.link); });
  }
}

}  // namespace qm
