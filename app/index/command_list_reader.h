#pragma once
#include <string_view>

#include "app/index/catalogue.h"
#include "app/index/module_map.h"

namespace qm {

// The module a command belongs to, derived from its link (before any
// backslash conversion): the text between "Modules/" and "/index", or for
// links through mod/x.mod/y.mod/ the text "x.mod/y".
String ModuleFromLink(const String& link);

// Makes one whole record with 16-bit texts, its name cleaned (cut before
// ":", "[]" and an "=" from index 2 on), into list_command, registered
// under its module in map_module. An empty name makes no record; one that
// only cleaning empties does.
int AddCommandForIndex(const String& command, const String& link, int letter, const String& module);

// Reads the command list's bytes into the catalogue, which takes them. A
// line ends at LF, at a zero byte or at the end; CR bytes are dropped; no
// empty line follows a final LF. Each line with a name before its bar
// makes a record, registered under its module. The catalogue is emptied
// first (the map keeps whole what it registered from it). Returns the
// number of lines.
int ReadCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules);
// The same, with the catalogue then sorted: on up to workers threads, the
// module registration beside the sort when that is the quicker way.
int ReadSortedCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules,
                        unsigned workers);

}  // namespace qm
