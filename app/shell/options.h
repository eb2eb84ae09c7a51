#pragma once
#include <vector>

#include "system/object.h"

namespace qm {

// What the command line asks for. Any argument beyond the program path
// selects batch mode, except the two that only print something.
struct ProgramOptions {
  enum class Action { kWindow, kBatch, kHelp, kVersion, kUsageError };
  Action action = Action::kWindow;
  // --rebuild-docs: regenerate the documentation before the index.
  bool rebuild_docs = false;
  // --no-full-text: build without the full-text index of the pages.
  bool full_text = true;
  // --dir DIR: the installation for this run only, made absolute against
  // the launch directory; "" when not given.
  String dir;
  // --docset DIR: after the build, export a docset into DIR (made absolute
  // like --dir); "" when not given.
  String docset_dir;
  // Why the command line was refused (kUsageError).
  String problem;
};

// args as AppArgs holds them (element 0 is the program path).
ProgramOptions ParseCommandLine(const std::vector<String>& args, const String& launch_dir);

// The text --help prints: what the program does, how it is started, its
// options, where the settings live (settings_default: the file read until
// settings_file exists, "" for none) and the exit statuses.
String UsageText(const String& settings_file, const String& settings_default, const String& working_dir);

}  // namespace qm
