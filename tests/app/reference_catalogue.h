#pragma once
// A naive second reading of the command list, written for clarity and not
// for speed: one 16-bit record per line, kept in a plain list, and the array
// files made from those records. The differential tests and the fuzz target
// hold the build's catalogue to it.
#include <string>
#include <string_view>

#include "app/index/catalogue.h"
#include "system/list.h"

namespace qm::reference {

using CommandList = TList<CommandPtr>;

// Makes one record: cleans the name, appends it to list and registers it
// under its module.
void AddCommand(const String& command, const String& link, int letter, const String& module, CommandList& list,
                ModuleMap& modules);

// Splits bytes into lines (a line ends at LF, at a zero byte or at the end;
// CR bytes are dropped; no empty line after a final LF) and turns each line
// with a bar into a record. Returns the number of lines.
int ReadCommandList(std::string_view bytes, const String& dir, CommandList& list, ModuleMap& modules);

// Sorts the list stably by name, as the catalogue sorts.
void SortByName(CommandList& list);

// The bytes of command.js, links.js and modules.js for the list.
std::string CommandsArrayFile(const CommandList& list);
std::string LinksArrayFile(const CommandList& list);
std::string ModulesArrayFile(const CommandList& list);

}  // namespace qm::reference
