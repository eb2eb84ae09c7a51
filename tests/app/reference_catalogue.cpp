#include "reference_catalogue.h"

#include <algorithm>

#include "app/index/command_list_reader.h"
#include "system/strings.h"

namespace qm::reference {

namespace {

void CutAt(String& text, std::u16string_view what, std::size_t from_index = 0) {
  const std::size_t at = text.find(what);
  if (at != String::npos && at >= from_index) text.resize(at);
}

// Each unit written as its low byte, with the double quote and the
// backslash escaped.
void AppendField(std::string& out, const String& text) {
  out += '"';
  for (char16_t unit : text) {
    const char byte = static_cast<char>(unit & 0xFF);
    if (byte == '"' || byte == '\\') out += '\\';
    out += byte;
  }
  out += '"';
}

std::string ArrayFile(const CommandList& list, const char* name, String tcommand::*field) {
  const bool literal = list.Count() >= 65536;
  std::string out = std::string("var ") + name + (literal ? "=[" : "=new Array(");
  bool first = true;
  list.ForEach([&](const CommandPtr& record) {
    if (!first) out += ',';
    first = false;
    AppendField(out, (*record).*field);
  });
  return out + (literal ? "];" : ");");
}

}  // namespace

void AddCommand(const String& command, const String& link, int letter, const String& module, CommandList& list,
                ModuleMap& modules) {
  if (command.empty()) return;
  auto record = std::make_shared<tcommand>();
  record->comando = command;
  CutAt(record->comando, u":");
  CutAt(record->comando, u"[]");
  // An "=" at index 0 or 1 stays: a one-letter name followed by "=" is kept whole.
  CutAt(record->comando, u"=", 2);
  record->link = link;
  std::replace(record->link.begin(), record->link.end(), u'\\', u'/');
  record->fast_link = FromInt(letter);
  record->Modules = module;
  modules.Insert(Upper(module), record);
  list.AddLast(record);
}

int ReadCommandList(std::string_view bytes, const String& dir, CommandList& list, ModuleMap& modules) {
  int lines = 0;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    String line;
    while (pos < bytes.size()) {
      const unsigned char byte = static_cast<unsigned char>(bytes[pos++]);
      if (byte == 10 || byte == 0) break;
      if (byte != 13) line += static_cast<char16_t>(byte);
    }
    ++lines;
    // The separator is the second bar when there are two or more.
    int bar = Instr(line, u"|");
    if (const int second = Instr(line, u"|", bar + 1); second > 0) bar = second;
    String name = Left(line, bar - 1);
    CutAt(name, u"(");
    const String link = dir + line.substr(static_cast<std::size_t>(bar));
    AddCommand(name, link, name.empty() ? -65 : static_cast<int>(name[0]) - 65, ModuleFromLink(link), list, modules);
  }
  return lines;
}

void SortByName(CommandList& list) {
  list.Sort(1, [](const CommandPtr& a, const CommandPtr& b) { return CompareObjects(a, b); });
}

std::string CommandsArrayFile(const CommandList& list) { return ArrayFile(list, "commands", &tcommand::comando); }
std::string LinksArrayFile(const CommandList& list) { return ArrayFile(list, "links", &tcommand::link); }
std::string ModulesArrayFile(const CommandList& list) { return ArrayFile(list, "modules", &tcommand::Modules); }

}  // namespace qm::reference
