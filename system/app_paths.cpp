#include "system/app_paths.h"

#include <unistd.h>

#include <climits>

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

}  // namespace qm
