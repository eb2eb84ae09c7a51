#include "app/export/catalogue_export_source.h"

#include <algorithm>
#include <climits>

#include "app/index/catalogue.h"
#include "app/index/module_map.h"

namespace qm {

namespace {

// A plain loop: find_first_of with a set looks each character up anew.
std::size_t FirstOf(std::string_view text, std::size_t at, char a, char b) {
  while (at < text.size() && text[at] != a && text[at] != b) ++at;
  return at;
}

// The path a plain link tail names, without its leading separator and with
// "/" for "\\", into path; false for any other tail.
bool PlainPath(std::string_view tail, std::string& path, std::size_t& page_size) {
  const std::size_t cut = FirstOf(tail, 0, '#', '?');
  const std::string_view page = tail.substr(0, cut);
  if (page.size() < 2 || (page[0] != '/' && page[0] != '\\')) return false;
  for (std::size_t at = 1; at <= page.size();) {
    const std::size_t end = FirstOf(page, at, '/', '\\');
    const std::size_t length = end - at;
    if (length == 0 || (page[at] == '.' && (length == 1 || (length == 2 && page[at + 1] == '.')))) return false;
    at = end + 1;
  }
  path.assign(tail.substr(1));
  std::replace(path.begin(), path.end(), '\\', '/');
  page_size = cut - 1;
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
      if (!r.whole && FirstOf(catalogue.LinkTail(r), 0, '#', '?') > PATH_MAX) return;
      if (r.whole) {
        const CommandPtr command = catalogue.MakeCommand(r);
        visitor.record(command->comando, command->link, command->Modules);
        return;
      }
      if (plain_dir && PlainPath(catalogue.LinkTail(r), path, page_size)) {
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
