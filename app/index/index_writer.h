#pragma once
#include <string>

#include "app/index/catalogue.h"
#include "system/output_set.h"

namespace qm {

// How an index build ended. A failed build names the path it could not
// read or write and why; nothing after that point was written.
struct IndexBuildResult {
  bool ok = true;
  String path;
  String reason;
};

// One whole build for the installation in tlwndir: reads the command list
// into list_command and map_module, sorts the catalogue, writes the four
// index files, the button script and the pages. Progress goes to standard
// output; a failure adds one line on standard error.
IndexBuildResult CreateSearchIndex();
// The same build on at most workers threads; its outputs are the same
// whatever the number.
IndexBuildResult CreateSearchIndex(unsigned workers);

// The text of a JavaScript string literal's body: only the double quote and
// the backslash need escaping for the pages to parse the arrays.
void AppendJsEscaped(std::string& out, const String& text);

// The bytes of the three parallel array files and of mod.js.
std::string CommandsArrayFile(const CommandList& list);
std::string LinksArrayFile(const CommandList& list);
std::string ModulesArrayFile(const CommandList& list);
std::string ModsArrayFile(const ModuleMap& modules);
// mod.js handed to sink in pieces; false once a piece could not be written.
bool WriteModsArray(const ModuleMap& modules, const ByteSink& sink);
// The same three files as the build writes them from its catalogue.
std::string CommandsArrayFile(const Catalogue& catalogue);
std::string LinksArrayFile(const Catalogue& catalogue);
std::string ModulesArrayFile(const Catalogue& catalogue);

// document.write of the "Rebuild index" link to the program.
String ButtonScript(const String& link_target);

}  // namespace qm
