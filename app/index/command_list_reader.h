#pragma once
#include <string_view>

#include "app/index/catalogue.h"

namespace qm {

// The module a command belongs to, derived from its link (before any
// backslash conversion): the text between "Modules/" and "/index", or for
// links through mod/x.mod/y.mod/ the text "x.mod/y".
String ModuleFromLink(const String& link);

// Makes one record from the parts of a command-list line: cleans the name,
// appends the record to the list and registers it under its module.
int AddCommandForIndex(const String& command, const String& link, int letter, const String& module, CommandList& list,
                       ModuleMap& modules);
int AddCommandForIndex(const String& command, const String& link, int letter, const String& module);

// Handles one line of the command list (name and link separated by "|").
void ReadCommandLine(const String& line, const String& dir, CommandList& list, ModuleMap& modules);

// Splits the whole command-list file into lines exactly as reading it line
// by line does (a line ends at LF, at a zero byte or at the end; CR bytes
// are dropped; no empty line after a final LF) and handles each. Returns the
// number of lines.
int ReadCommandList(std::string_view bytes, const String& dir, CommandList& list, ModuleMap& modules);

// The same reading into the compact catalogue, which takes the bytes: the
// same records in the same order, and the same module registrations. The
// catalogue is emptied first. Returns the number of lines.
int ReadCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules);
// The same, with the catalogue then sorted: on up to workers threads, the
// module registration beside the sort when that is the quicker way.
int ReadSortedCatalogue(std::string bytes, const String& dir, Catalogue& catalogue, ModuleMap& modules,
                        unsigned workers);

}  // namespace qm
