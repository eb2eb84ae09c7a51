#include "app/command_list_reader.h"

#include <algorithm>
#include <string_view>

#include "system/strings.h"

namespace qm {

String ModuleFromLink(const String& link) {
  // Positions follow the rules literally, including their not-found values:
  // an absent "Modules/" counts from index 7, an absent "index" gives "".
  // The text before the first "." only survives when "Modules/" starts
  // the link, so it is only cut out then.
  const int modules_at = Find(link, u"Modules/");
  String module = modules_at != 0 ? Slice(link, modules_at + 8, Find(link, u"index") - 1)
                                  : Slice(link, 0, Find(link, u"."));
  if (Find(link, u".mod") != 0 && module.empty()) {
    const int a = Find(link, u"mod");
    const int b = Find(link, u".mod", a + 1);
    const int c = Find(link, u".mod", b + 1);
    module = Slice(link, a + 4, c);
  }
  return module;
}

namespace {

// Cuts text before the first occurrence of what, in place.
void CutAt(String& text, std::u16string_view what, std::size_t from_index = 0) {
  const std::size_t at = text.find(what);
  if (at != String::npos && at >= from_index) text.resize(at);
}

// The record maker on strings it may consume: the reader hands over its
// pieces instead of copying them, which matters for catalogues of millions.
int AddCommand(String command, String link, int letter, String module, CommandList& list, ModuleMap& modules) {
  if (command.empty()) return 0;
  std::replace(link.begin(), link.end(), u'\\', u'/');
  CutAt(command, u":");
  CutAt(command, u"[]");
  // An "=" at index 0 or 1 stays: a one-letter name followed by "=" is kept whole.
  CutAt(command, u"=", 2);
  auto record = std::make_shared<tcommand>();
  record->comando = std::move(command);
  record->link = std::move(link);
  record->fast_link = FromInt(letter);
  String key = Upper(module);
  record->Modules = std::move(module);
  modules.Insert(std::move(key), record);
  list.AddLast(std::move(record));
  return 0;
}

}  // namespace

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module,
                       CommandList& list, ModuleMap& modules) {
  return AddCommand(command, link, letter, module, list, modules);
}

int AddCommandForIndex(const String& command, const String& link, int letter, const String& module) {
  return AddCommandForIndex(command, link, letter, module, *list_command, *map_module);
}

void ReadCommandLine(const String& line, const String& dir, CommandList& list, ModuleMap& modules) {
  // The separator is the second bar when there are two or more.
  int bar = Instr(line, u"|");
  if (const int second = Instr(line, u"|", bar + 1); second > 0) bar = second;
  String name = Left(line, bar - 1);
  CutAt(name, u"(");
  String link;
  link.reserve(dir.size() + line.size());
  link.append(dir).append(line, static_cast<std::size_t>(bar), String::npos);
  const int letter = name.empty() ? -65 : static_cast<int>(name[0]) - 65;
  String module = ModuleFromLink(link);
  AddCommand(std::move(name), std::move(link), letter, std::move(module), list, modules);
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
