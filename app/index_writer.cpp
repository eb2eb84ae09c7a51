#include "app/index_writer.h"

#include <cerrno>
#include <cstring>

#include "app/button_link.h"
#include "app/command_list_reader.h"
#include "system/atomic_file.h"
#include "system/error_line.h"
#include "system/filesystem.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/stream.h"
#include "system/text_io.h"

namespace qm {

void AppendJsEscaped(std::string& out, const String& text) {
  const auto needs_escape = [](char16_t unit) {
    const char byte = static_cast<char>(unit & 0xFF);
    return byte == '"' || byte == '\\';
  };
  std::size_t escapes = 0;
  for (char16_t unit : text) escapes += needs_escape(unit) ? 1 : 0;
  std::size_t at = out.size();
  out.resize(at + text.size() + escapes);
  char* p = out.data() + at;
  for (char16_t unit : text) {
    if (needs_escape(unit)) *p++ = '\\';
    *p++ = static_cast<char>(unit & 0xFF);
  }
}

namespace {

// The three parallel array files are made in one walk over the catalogue.
// An empty catalogue still defines empty arrays.
struct ParallelArrays {
  std::string commands, links, modules;
};

ParallelArrays MakeParallelArrays(const CommandList& list, std::size_t size_hint) {
  ParallelArrays files{"var commands=new Array(", "var links=new Array(", "var modules=new Array("};
  for (auto* file : {&files.commands, &files.links, &files.modules}) file->reserve(size_hint);
  bool first = true;
  list.ForEach([&](const CommandPtr& record) {
    const auto add = [&](std::string& out, const String& field) {
      out += first ? "\"" : ",\"";
      AppendJsEscaped(out, field);
      out += '"';
    };
    add(files.commands, record->comando);
    add(files.links, record->link);
    add(files.modules, record->Modules);
    first = false;
  });
  for (auto* file : {&files.commands, &files.links, &files.modules}) *file += ");";
  return files;
}

class IndexBuild {
 public:
  IndexBuildResult Run();

 private:
  bool Fail(const String& path, const String& reason) {
    result_.ok = false;
    result_.path = path;
    result_.reason = reason;
    WriteErrorLine("Index build failed: " + ToUtf8(path) + ": " + ToUtf8(reason));
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
  std::size_t list_bytes_ = 0;
};

bool IndexBuild::ReadCommandListFile(const String& path, int& lines) {
  // Opened for update, as the installation's list has always been: a list
  // that cannot be written is treated as missing.
  errno = 0;
  StreamPtr stream = OpenFile(path, 1, 1);
  if (!stream) return Fail(path, errno ? FromByteString(std::strerror(errno)) : String(u"cannot be opened"));
  std::string bytes;
  if (const auto size = stream->Size(); size > 0) bytes.reserve(static_cast<std::size_t>(size));
  char block[65536];
  for (int n; (n = stream->Read(block, sizeof block)) > 0;) bytes.append(block, static_cast<std::size_t>(n));
  list_bytes_ = bytes.size();
  lines = ReadCommandList(bytes, tlwndir, *list_command, *map_module);
  list_command->SortAscendingWithKey([](const CommandPtr& a, const CommandPtr& b) { return CompareNames(*a, *b); },
                                     [](const CommandPtr& c) { return NamePrefixKey(*c); });
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
  {
    // Every field is a piece of its line, and each link adds the directory.
    const std::size_t hint = list_bytes_ + static_cast<std::size_t>(lines) * (tlwndir.size() + 3);
    const ParallelArrays files = MakeParallelArrays(*list_command, hint);
    if (!Save(index_dir + u"command.js", files.commands)) return result_;
    if (!Save(index_dir + u"links.js", files.links)) return result_;
    if (!Save(index_dir + u"modules.js", files.modules)) return result_;
  }
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

std::string CommandsArrayFile(const CommandList& list) { return MakeParallelArrays(list, 0).commands; }
std::string LinksArrayFile(const CommandList& list) { return MakeParallelArrays(list, 0).links; }
std::string ModulesArrayFile(const CommandList& list) { return MakeParallelArrays(list, 0).modules; }

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
  // The link's HTML is a JavaScript string, escaped as the index files are.
  std::string script = "document.write(\"";
  AppendJsEscaped(script, RebuildLinkHtml(link_target));
  script += "\");";
  return FromBytes(script);
}

IndexBuildResult CreateSearchIndex() { return IndexBuild().Run(); }

}  // namespace qm
