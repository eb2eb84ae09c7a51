#pragma once
#include <string>

#include "system/app_paths.h"

namespace qm {

// Where the program keeps what it writes for itself: its settings file and
// its working files (the working copy of button.js).
struct FileLocations {
  // True when both live beside the program, in its own directory.
  bool beside_program = true;
  // The settings file that is saved, and read first.
  std::string settings_file;
  // Read instead when settings_file does not exist ("" for none): a
  // config.txt that an administrator shipped beside a read-only program.
  std::string settings_default;
  // The directory for working files; it becomes the working directory.
  std::string working_dir;
};

// Beside the program when app_dir is writable (as a user install and the
// demo have it); otherwise the settings go to
// $XDG_CONFIG_HOME/quillmere/config.txt (default ~/.config/...) and the
// working files to $XDG_CACHE_HOME/quillmere (default ~/.cache/...).
// Relative XDG values are ignored, as the base directory rules require.
FileLocations ChooseFileLocations(const std::string& app_dir, bool app_dir_writable, const UserDirs& dirs);

}  // namespace qm
