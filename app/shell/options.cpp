#include "app/shell/options.h"

#include <string_view>

namespace qm {

namespace {

String Absolute(const String& path, const String& launch_dir) {
  if (path.empty() || path.front() == u'/') return path;
  // Start-up moves the working directory to the program's; a relative
  // folder means one relative to where the user was.
  return launch_dir == u"/" ? u"/" + path : launch_dir + u"/" + path;
}

// The options that name a folder, as "--name DIR" or "--name=DIR".
struct FolderOption {
  String name;
  String needs;
  String ProgramOptions::*field;
};

const FolderOption* FolderOptionOf(const String& arg) {
  static const FolderOption options[] = {
      {u"--dir", u" needs the folder of a Tallowin installation", &ProgramOptions::dir},
      {u"--docset", u" needs the folder to export the docset into", &ProgramOptions::docset_dir},
  };
  for (const auto& option : options) {
    if (arg == option.name ||
        (arg.starts_with(option.name) && arg.size() > option.name.size() && arg[option.name.size()] == u'='))
      return &option;
  }
  return nullptr;
}

}  // namespace

ProgramOptions ParseCommandLine(const std::vector<String>& args, const String& launch_dir) {
  ProgramOptions line;
  if (args.size() > 1) line.action = ProgramOptions::Action::kBatch;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const String& arg = args[i];
    const bool help = arg == u"--help" || arg == u"-h";
    if (help || arg == u"--version" || arg == u"-V") {
      // The first of the two wins; nothing else on the line matters then.
      ProgramOptions print_only;
      print_only.action = help ? ProgramOptions::Action::kHelp : ProgramOptions::Action::kVersion;
      return print_only;
    }
    if (arg == u"--rebuild-docs") {
      line.rebuild_docs = true;
    } else if (arg == u"--no-full-text") {
      line.full_text = false;
    } else if (const FolderOption* option = FolderOptionOf(arg)) {
      String value;
      if (arg == option->name) {
        if (i + 1 < args.size()) value = args[++i];
      } else {
        value = arg.substr(option->name.size() + 1);
      }
      if (value.empty()) {
        line.action = ProgramOptions::Action::kUsageError;
        line.problem = option->name + option->needs;
        return line;
      }
      line.*(option->field) = Absolute(value, launch_dir);
    }
  }
  return line;
}

String UsageText(const String& settings_file, const String& settings_default, const String& working_dir) {
  const String fallback =
      settings_default.empty() ? String() : u"          (until it exists: " + settings_default + u")\n";
  return u"Usage: quillmere [--help | --version]\n"
         u"       quillmere [--dir DIR] [--rebuild-docs] [--no-full-text]\n"
         u"                 [--docset DIR] [ARGUMENT...]\n"
         u"\n"
         u"Gives the HTML documentation of a Tallowin installation a command index\n"
         u"and search pages.\n"
         u"\n"
         u"Without arguments it opens a window: choose the installation folder, tick\n"
         u"\"Rebuild docs\" to regenerate the documentation with the installation's\n"
         u"bin/makedocs first, and press BUILD.\n"
         u"\n"
         u"With any other argument it runs in batch mode: it builds the index of the\n"
         u"remembered installation without a window and ends.\n"
         u"\n"
         u"  --dir DIR        build the installation in DIR for this run only (not\n"
         u"                   remembered); no window and no settings file needed\n"
         u"  --rebuild-docs   run the installation's bin/makedocs before the index\n"
         u"  --no-full-text   leave out the full-text index of the pages (the search\n"
         u"                   page then finds commands by name only)\n"
         u"  --docset DIR     after the build, export DIR/Tallowin.docset for offline\n"
         u"                   documentation browsers\n"
         u"  -h, --help       print this text and exit\n"
         u"  -V, --version    print the version and exit\n"
         u"\n"
         u"Settings: " +
         settings_file + u"\n" + fallback + u"Working files: " + working_dir +
         u"\n"
         u"\n"
         u"Exit status: 0 when the index was built (or the window was closed),\n"
         u"1 when no installation is set, a file could not be read or written, or\n"
         u"the window cannot open without a display, 2 when the command line is not\n"
         u"understood, 255 after an unexpected error.\n";
}

}  // namespace qm
