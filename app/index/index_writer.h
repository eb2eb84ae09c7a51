#pragma once
#include <string>

#include "app/index/catalogue.h"

namespace qm {

// How an index build ended. A failed build names the path it could not
// read or write and why; nothing after that point was written.
struct IndexBuildResult {
  bool ok = true;
  String path;
  String reason;
  // The reader asked to stop while the pages were read; nothing changed.
  bool stopped = false;
};

// One whole build for the installation in tlwndir: reads the command list
// into list_command and map_module, sorts the catalogue, writes the four
// index files, the button script and the pages. Progress goes to standard
// output; a failure adds one line on standard error.
IndexBuildResult CreateSearchIndex();

// Whether builds also write the full-text index of the pages (the default;
// batch mode's --no-full-text turns it off, and a build without it removes
// the files of an earlier one).
void SetFullTextIndexWanted(bool wanted);

// The text of a JavaScript string literal's body: only the double quote and
// the backslash need escaping for the pages to parse the arrays.
void AppendJsEscaped(std::string& out, const String& text);

// The bytes of the three parallel array files and of mod.js.
std::string CommandsArrayFile(const CommandList& list);
std::string LinksArrayFile(const CommandList& list);
std::string ModulesArrayFile(const CommandList& list);
std::string ModsArrayFile(const ModuleMap& modules);
// The same three files as the build writes them from its catalogue.
std::string CommandsArrayFile(const Catalogue& catalogue);
std::string LinksArrayFile(const Catalogue& catalogue);
std::string ModulesArrayFile(const Catalogue& catalogue);

// document.write of the "Rebuild index" link to the program.
String ButtonScript(const String& link_target);

}  // namespace qm
