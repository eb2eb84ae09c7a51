#pragma once
#include <string>

namespace qm {

// Absolute path of the running executable, from the kernel's own record.
std::string ExecutablePath();

// The directory the program counts as home: for an executable inside an
// application bundle (".app/Contents/MacOS/") the directory holding the
// bundle, otherwise the executable's own directory.
std::string AppDirFromExecutable(const std::string& exe_path);

// The user's own base directories, as the environment names them.
struct UserDirs {
  std::string xdg_config_home;
  std::string xdg_cache_home;
  std::string home;
};

// The user's directories of this process: XDG_CONFIG_HOME, XDG_CACHE_HOME,
// and HOME (or the password database when HOME is unset).
UserDirs UserDirsFromEnvironment();

// A base directory of the user's: value when it is an absolute path (as the
// base directory rules require), otherwise fallback below home.
std::string UserBaseDir(const std::string& value, const std::string& home, const char* fallback);

// dir + "/" + name, without doubling a trailing "/"; name alone for "".
std::string JoinPath(const std::string& dir, const char* name);

// Whether this process may create files in dir.
bool DirectoryWritable(const std::string& dir);

// Creates dir and any missing parents (new ones private to the user).
// True when dir is a directory afterwards.
bool MakeDirectories(const std::string& dir);

// Makes dir the working directory; false when it cannot be entered.
bool ChangeWorkingDirectory(const std::string& dir);

}  // namespace qm
