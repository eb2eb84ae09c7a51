#pragma once
#include <string>

namespace qm {

// Absolute path of the running executable, from the kernel's own record.
std::string ExecutablePath();

// The directory the program counts as home: for an executable inside an
// application bundle (".app/Contents/MacOS/") the directory holding the
// bundle, otherwise the executable's own directory.
std::string AppDirFromExecutable(const std::string& exe_path);

}  // namespace qm
