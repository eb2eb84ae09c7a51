#pragma once
#include <string>

namespace qm {

// Absolute path of the running executable, from the kernel's own record.
std::string ExecutablePath();

// The directory the program counts as home: for an executable inside an
// application bundle (".app/Contents/MacOS/") the directory holding the
// bundle, otherwise the executable's own directory.
std::string AppDirFromExecutable(const std::string& exe_path);

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

// The user's own base directories, as the environment names them.
struct UserDirs {
  std::string xdg_config_home;
  std::string xdg_cache_home;
  std::string home;
};

// The user's directories of this process: XDG_CONFIG_HOME, XDG_CACHE_HOME,
// and HOME (or the password database when HOME is unset).
UserDirs UserDirsFromEnvironment();

// Beside the program when app_dir is writable (as a user install and the
// demo have it); otherwise the settings go to
// $XDG_CONFIG_HOME/quillmere/config.txt (default ~/.config/...) and the
// working files to $XDG_CACHE_HOME/quillmere (default ~/.cache/...).
// Relative XDG values are ignored, as the base directory rules require.
FileLocations ChooseFileLocations(const std::string& app_dir, bool app_dir_writable, const UserDirs& dirs);

// Whether this process may create files in dir.
bool DirectoryWritable(const std::string& dir);

// Creates dir and any missing parents (new ones private to the user).
// True when dir is a directory afterwards.
bool MakeDirectories(const std::string& dir);

// Makes dir the working directory; false when it cannot be entered.
bool ChangeWorkingDirectory(const std::string& dir);

}  // namespace qm
