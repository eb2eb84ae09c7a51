#include "system/app_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace qm {

std::string ExecutablePath() {
  char buffer[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string AppDirFromExecutable(const std::string& exe_path) {
  std::string dir = exe_path;
  const auto bundle = dir.find(".app/Contents/MacOS/");
  if (bundle != std::string::npos) dir.resize(bundle);
  const auto slash = dir.rfind('/');
  if (slash == std::string::npos) return std::string();
  if (slash == 0) return "/";
  dir.resize(slash);
  return dir;
}

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFromPasswordDatabase() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir) return {};
  return found->pw_dir;
}

}  // namespace

UserDirs UserDirsFromEnvironment() {
  UserDirs dirs{Environment("XDG_CONFIG_HOME"), Environment("XDG_CACHE_HOME"), Environment("HOME")};
  if (dirs.home.empty()) dirs.home = HomeFromPasswordDatabase();
  return dirs;
}

std::string UserBaseDir(const std::string& value, const std::string& home, const char* fallback) {
  if (!value.empty() && value.front() == '/') return value;
  return (home == "/" ? std::string() : home) + "/" + fallback;
}

std::string JoinPath(const std::string& dir, const char* name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool DirectoryWritable(const std::string& dir) {
  // The kernel's own answer covers modes, read-only mounts and immutable
  // directories alike, for root too.
  return access(dir.empty() ? "." : dir.c_str(), W_OK | X_OK) == 0;
}

bool MakeDirectories(const std::string& dir) {
  struct stat info {};
  if (stat(dir.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const auto slash =
      dir.find_last_not_of('/') == std::string::npos ? std::string::npos : dir.rfind('/', dir.find_last_not_of('/'));
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash))) return false;
  if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
  return false;
}

bool ChangeWorkingDirectory(const std::string& dir) { return chdir(dir.c_str()) == 0; }

}  // namespace qm
