#pragma once
#include <string>
#include <string_view>

#include "app/index/catalogue.h"
#include "app/index/module_map.h"
#include "system/output_set.h"

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
// The same build on at most workers threads; its outputs are the same
// whatever the number.
IndexBuildResult CreateSearchIndex(unsigned workers);

// Whether builds also write the full-text index of the pages (the default;
// batch mode's --no-full-text turns it off, and a build without it removes
// the files of an earlier one).
void SetFullTextIndexWanted(bool wanted);

// The one JavaScript escaper of the index files: writes bytes as a string
// literal's body at p (room for twice their size) and returns the end. Only
// the double quote and the backslash need escaping for the pages to parse
// the arrays; with slashes (links) a backslash becomes "/" instead.
char* PutJsEscaped(char* p, std::string_view bytes, bool slashes = false);
// The same for a text of the program's own, each unit written as its low
// byte, appended to out.
void AppendJsEscaped(std::string& out, const String& text);

// The bytes of mod.js, and of the three parallel array files as the build
// writes them from its catalogue.
std::string ModsArrayFile(const ModuleMap& modules);
// mod.js handed to sink in pieces; false once a piece could not be written.
bool WriteModsArray(const ModuleMap& modules, const ByteSink& sink);
std::string CommandsArrayFile(const Catalogue& catalogue);
std::string LinksArrayFile(const Catalogue& catalogue);
std::string ModulesArrayFile(const Catalogue& catalogue);

// document.write of the "Rebuild index" link to the program.
String ButtonScript(const String& link_target);

}  // namespace qm
