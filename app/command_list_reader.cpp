#include "app/command_list_reader.h"

#include "system/strings.h"

namespace qm {

String ModuleFromLink(const String& link) {
  // Positions follow the rules literally, including their not-found values:
  // an absent "Modules/" counts from index 7, an absent "index" gives "".
  String module = Slice(link, 0, Find(link, u"."));
  const int modules_at = Find(link, u"Modules/");
  if (modules_at != 0) {
    const int index_at = Find(link, u"index");
    module = Slice(link, modules_at + 8, index_at - 1);
  }
  if (Find(link, u".mod") != 0 && module.empty()) {
    const int a = Find(link, u"mod");
    const int b = Find(link, u".mod", a + 1);
    const int c = Find(link, u".mod", b + 1);
    module = Slice(link, a + 4, c);
  }
  return module;
}

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module,
                       CommandList& list, ModuleMap& modules) {
  if (command.empty()) return 0;
  String fixed_link = Replace(link, u"\\", u"/");
  String name = command;
  if (const int colon = Find(name, u":"); colon >= 0) name = Left(name, colon);
  if (const int brackets = Find(name, u"[]"); brackets >= 0) name = Left(name, brackets);
  // An "=" at index 0 or 1 stays: a one-letter name followed by "=" is kept whole.
  if (const int equals = Find(name, u"="); equals > 1) name = Left(name, equals);
  auto record = std::make_shared<tcommand>();
  record->comando = std::move(name);
  record->link = std::move(fixed_link);
  record->fast_link = FromInt(letter);
  record->Modules = module;
  modules.Insert(Upper(module), record);
  list.AddLast(std::move(record));
  return 0;
}

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module) {
  return AddCommandForIndex(command, link, letter, module, *list_command, *map_module);
}

void ReadCommandLine(const String& line, const String& dir, CommandList& list, ModuleMap& modules) {
  // The separator is the second bar when there are two or more.
  int bar = Instr(line, u"|");
  if (const int second = Instr(line, u"|", bar + 1); second > 0) bar = second;
  String name = Left(line, bar - 1);
  if (const int paren = Find(name, u"("); paren >= 0) name = Left(name, paren);
  const String link = dir + Slice(line, bar, static_cast<int>(line.size()));
  const int letter = name.empty() ? -65 : static_cast<int>(name[0]) - 65;
  AddCommandForIndex(name, link, letter, ModuleFromLink(link), list, modules);
}

int ReadCommandList(std::string_view bytes, const String& dir, CommandList& list, ModuleMap& modules) {
  int lines = 0;
  std::size_t pos = 0;
  String line;
  while (pos < bytes.size()) {
    line.clear();
    while (pos < bytes.size()) {
      const unsigned char byte = static_cast<unsigned char>(bytes[pos++]);
      if (byte == 10 || byte == 0) break;
      if (byte != 13) line += static_cast<char16_t>(byte);
    }
    ++lines;
    ReadCommandLine(line, dir, list, modules);
  }
  return lines;
}

}  // namespace qm
