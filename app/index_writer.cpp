#include "app/index_writer.h"

#include <cerrno>
#include <cstring>

#include "app/command_list_reader.h"
#include "system/atomic_file.h"
#include "system/filesystem.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/stream.h"
#include "system/text_io.h"

namespace qm {

void AppendJsEscaped(std::string& out, const String& text) {
  for (char16_t unit : text) {
    const char byte = static_cast<char>(unit & 0xFF);
    if (byte == '"' || byte == '\\') out += '\\';
    out += byte;
  }
}

namespace {

// A file is written whole: header, the quoted fields separated by ",", then
// ");". An empty catalogue still defines an empty array.
template <class Field>
std::string ParallelArrayFile(const char* variable, const CommandList& list, Field field) {
  std::string out = std::string("var ") + variable + "=new Array(";
  bool first = true;
  for (const auto& record : list) {
    out += first ? "\"" : ",\"";
    first = false;
    AppendJsEscaped(out, field(*record));
    out += '"';
  }
  out += ");";
  return out;
}

class IndexBuild {
 public:
  IndexBuildResult Run();

 private:
  bool Fail(const String& path, const String& reason) {
    result_.ok = false;
    result_.path = path;
    result_.reason = reason;
    const std::string line = "Index build failed: " + ToUtf8(path) + ": " + ToUtf8(reason) + "\n";
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return false;
  }
  bool Save(const String& path, const std::string& bytes) {
    String error;
    if (WriteFileAtomically(path, bytes, &error)) return true;
    return Fail(path, error);
  }
  // Saves a whole text the way SaveText encodes it, replacing the file only
  // with a complete new one.
  bool SaveTextTo(const String& path, const String& text) {
    errno = 0;
    try {
      SaveText(text, path);
      return true;
    } catch (const TStreamException& error) {
      return Fail(path, errno ? FromByteString(std::strerror(errno)) : error.Text());
    }
  }
  bool ReadCommandListFile(const String& path, int& lines);

  IndexBuildResult result_;
};

bool IndexBuild::ReadCommandListFile(const String& path, int& lines) {
  // Opened for update, as the installation's list has always been: a list
  // that cannot be written is treated as missing.
  errno = 0;
  StreamPtr stream = OpenFile(path, 1, 1);
  if (!stream) return Fail(path, errno ? FromByteString(std::strerror(errno)) : String(u"cannot be opened"));
  std::string bytes;
  char block[65536];
  for (int n; (n = stream->Read(block, sizeof block)) > 0;) bytes.append(block, static_cast<std::size_t>(n));
  lines = ReadCommandList(bytes, tlwndir, *list_command, *map_module);
  list_command->Sort(1, [](const CommandPtr& a, const CommandPtr& b) { return CompareObjects(a, b); });
  Print(u"Total commands: " + FromInt(list_command->Count()) + u" " + FromInt(lines));
  Print(u"");
  CloseFile(stream);
  return true;
}

IndexBuildResult IndexBuild::Run() {
  if (!list_command) CreateCatalogue();
  ClearList(*list_command);
  const String list_path = tlwndir + u"\\docs\\html\\Modules\\commands.txt";
  Print(u"Tallowin dir  : " + tlwndir);
  Print(u"DirBase       : " + tlwndir);
  Print(u"Commands file : " + list_path);
  int lines = 0;
  if (!ReadCommandListFile(list_path, lines)) return result_;

  const String index_dir = tlwndir + u"\\docs\\html\\Modules\\";
  if (!Save(index_dir + u"command.js", CommandsArrayFile(*list_command))) return result_;
  if (!Save(index_dir + u"links.js", LinksArrayFile(*list_command))) return result_;
  if (!Save(index_dir + u"modules.js", ModulesArrayFile(*list_command))) return result_;
  for (const auto& record : map_module->Values()) Print(record->Modules);
  if (!Save(index_dir + u"mod.js", ModsArrayFile(*map_module))) return result_;
  Print(u"Indeces created...");

  const String search_page = LoadText(u"incbin::resources\\index.html");
  const String command_page = LoadText(u"incbin::resources\\commands.html");
  const String style_sheet = LoadText(u"incbin::resources\\tlwstyle.css");
  const String link_target = AppDir + u"/Quillmere";
  Print(u"AppDir : " + AppDir);
  Print(u"CurDir : " + CurrentDir());
  const String button = ButtonScript(link_target);
  Print(u"PostFile: <" + link_target + u"> -----");
  Print(u"SS1 = " + button);

  // The working copy beside the program is what gets installed, read back
  // the way it was saved.
  const String working_copy = CurrentDir() + u"/button.js";
  if (!SaveTextTo(working_copy, button)) return result_;
  const String installed_button = LoadText(working_copy);

  // Pages are replaced by renaming complete files over them, so a failed
  // build leaves the previous pages in place instead of deleting them first.
  const String html = tlwndir + u"/docs/html/";
  if (!SaveTextTo(html + u"index.html", search_page)) return result_;
  if (!SaveTextTo(html + u"Modules/commands.html", command_page)) return result_;
  if (!SaveTextTo(html + u"tlwstyle.css", style_sheet)) return result_;
  if (!SaveTextTo(html + u"Modules/tlwstyle.css", style_sheet)) return result_;
  if (!SaveTextTo(html + u"button.js", installed_button)) return result_;
  if (!SaveTextTo(html + u"Modules/button.js", installed_button)) return result_;
  return result_;
}

}  // namespace

std::string CommandsArrayFile(const CommandList& list) {
  return ParallelArrayFile("commands", list, [](const tcommand& c) -> const String& { return c.comando; });
}

std::string LinksArrayFile(const CommandList& list) {
  return ParallelArrayFile("links", list, [](const tcommand& c) -> const String& { return c.link; });
}

std::string ModulesArrayFile(const CommandList& list) {
  return ParallelArrayFile("modules", list, [](const tcommand& c) -> const String& { return c.Modules; });
}

std::string ModsArrayFile(const ModuleMap& modules) {
  std::string out = "var mods=new Array(";
  for (const auto& record : modules.Values()) {
    out += '"';
    AppendJsEscaped(out, record->Modules);
    out += "\",";
  }
  out += "\"\");";
  return out;
}

String ButtonScript(const String& link_target) {
  return u"document.write(\"<a href='" + link_target + u"'>Rebuild index</a>\");";
}

IndexBuildResult CreateSearchIndex() { return IndexBuild().Run(); }

}  // namespace qm
