#include "app/options.h"

#include <string_view>

namespace qm {

namespace {

String Absolute(const String& path, const String& launch_dir) {
  if (path.empty() || path.front() == u'/') return path;
  // Start-up moves the working directory to the program's; a relative
  // folder means one relative to where the user was.
  return launch_dir == u"/" ? u"/" + path : launch_dir + u"/" + path;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<String>& args, const String& launch_dir) {
  CommandLine line;
  if (args.size() > 1) line.action = CommandLine::Action::kBatch;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const String& arg = args[i];
    const bool help = arg == u"--help" || arg == u"-h";
    if (help || arg == u"--version" || arg == u"-V") {
      // The first of the two wins; nothing else on the line matters then.
      CommandLine print_only;
      print_only.action = help ? CommandLine::Action::kHelp : CommandLine::Action::kVersion;
      return print_only;
    }
    if (arg == u"--rebuild-docs") {
      line.rebuild_docs = true;
    } else if (arg == u"--dir" || arg.starts_with(u"--dir=")) {
      String value;
      if (arg == u"--dir") {
        if (i + 1 >= args.size()) {
          line.action = CommandLine::Action::kUsageError;
          line.problem = u"--dir needs the folder of a Tallowin installation";
          return line;
        }
        value = args[++i];
      } else {
        value = arg.substr(6);
      }
      if (value.empty()) {
        line.action = CommandLine::Action::kUsageError;
        line.problem = u"--dir needs the folder of a Tallowin installation";
        return line;
      }
      line.dir = Absolute(value, launch_dir);
    }
  }
  return line;
}

String UsageText(const String& settings_file, const String& settings_default, const String& working_dir) {
  const String fallback =
      settings_default.empty() ? String() : u"          (until it exists: " + settings_default + u")\n";
  return u"Usage: quillmere [--help | --version]\n"
         u"       quillmere [--dir DIR] [--rebuild-docs] [ARGUMENT...]\n"
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
         u"  -h, --help       print this text and exit\n"
         u"  -V, --version    print the version and exit\n"
         u"\n"
         u"Settings: " + settings_file + u"\n" + fallback +
         u"Working files: " + working_dir + u"\n"
         u"\n"
         u"Exit status: 0 when the index was built (or the window was closed),\n"
         u"1 when no installation is set, a file could not be read or written, or\n"
         u"the window cannot open without a display, 2 when the command line is not\n"
         u"understood, 255 after an unexpected error.\n";
}

}  // namespace qm
