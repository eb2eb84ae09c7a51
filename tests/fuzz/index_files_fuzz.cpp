// Feeds arbitrary bytes as a command list through the naive reference reading
// and checks that every index file is still exactly the JavaScript array the
// pages expect, holding the records' fields, and that the build's compact
// catalogue writes the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/index/command_list_reader.h"
#include "app/index/index_writer.h"
#include "reference_catalogue.h"
#include "system/strings.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "index file check failed: %s\n", what);
  std::abort();
}

// Parses `var NAME=new Array("...","...");` with only \" and \\ escapes and
// no raw line ends inside the literals, as a browser's parser would accept.
std::vector<std::string> ParseArrayFile(std::string_view file, std::string_view name) {
  const std::string head = "var " + std::string(name) + "=new Array(";
  if (file.substr(0, head.size()) != head) Fail("header");
  std::size_t i = head.size();
  std::vector<std::string> items;
  if (file.substr(i) == ");") return items;
  while (true) {
    if (i >= file.size() || file[i] != '"') Fail("opening quote");
    ++i;
    std::string item;
    while (true) {
      if (i >= file.size()) Fail("unterminated literal");
      const char c = file[i++];
      if (c == '"') break;
      if (c == '\n' || c == '\r') Fail("line end inside a literal");
      if (c == '\\') {
        if (i >= file.size() || (file[i] != '"' && file[i] != '\\')) Fail("unexpected escape");
        item += file[i++];
      } else {
        item += c;
      }
    }
    items.push_back(item);
    if (file.substr(i) == ");") return items;
    if (i >= file.size() || file[i] != ',') Fail("separator");
    ++i;
  }
}

void CheckField(const std::vector<std::string>& items, const qm::reference::CommandList& list,
                const qm::String qm::tcommand::*field) {
  if (items.size() != static_cast<std::size_t>(list.Count())) Fail("element count");
  std::size_t k = 0;
  for (const auto& record : list) {
    if (items[k++] != qm::ToByteString((*record).*field)) Fail("element text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace ref = qm::reference;
  ref::CommandList list;
  qm::ModuleMap modules;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ref::ReadCommandList(bytes, u"/inst", list, modules);
  ref::SortByName(list);
  CheckField(ParseArrayFile(ref::CommandsArrayFile(list), "commands"), list, &qm::tcommand::comando);
  CheckField(ParseArrayFile(ref::LinksArrayFile(list), "links"), list, &qm::tcommand::link);
  CheckField(ParseArrayFile(ref::ModulesArrayFile(list), "modules"), list, &qm::tcommand::Modules);
  const auto mods = ParseArrayFile(qm::ModsArrayFile(modules), "mods");
  if (mods.empty() || !mods.back().empty()) Fail("mod.js must end with the empty element");
  // The build's compact catalogue writes the very same bytes.
  qm::Catalogue catalogue;
  qm::ModuleMap catalogue_modules;
  qm::ReadCatalogue(std::string(bytes), u"/inst", catalogue, catalogue_modules);
  catalogue.Sort();
  if (qm::CommandsArrayFile(catalogue) != ref::CommandsArrayFile(list)) Fail("catalogue commands");
  if (qm::LinksArrayFile(catalogue) != ref::LinksArrayFile(list)) Fail("catalogue links");
  if (qm::ModulesArrayFile(catalogue) != ref::ModulesArrayFile(list)) Fail("catalogue modules");
  if (qm::ModsArrayFile(catalogue_modules) != qm::ModsArrayFile(modules)) Fail("catalogue mods");
  // Names are sorted: no neighbour is greater than its successor.
  const qm::tcommand* previous = nullptr;
  for (const auto& record : list) {
    if (previous != nullptr && previous->Compare(*record) > 0) Fail("order");
    previous = record.get();
  }
  return 0;
}
