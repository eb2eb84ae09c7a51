#pragma once
#include "support/wait.h"
// Small shell scripts written into a fresh temporary directory, for tests
// that need real child programs.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm::testing {

// A scratch folder that also writes executable /bin/sh scripts.
class ScriptDir : public ScratchDir {
 public:
  ScriptDir() : ScratchDir("child") {}

  // Writes the script and returns its path.
  std::string Script(const std::string& name, const std::string& body) const {
    const std::string file = File(name);
    WriteBytes(file, "#!/bin/sh\n" + body + "\n");
    chmod(file.c_str(), 0755);
    return file;
  }
};

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Open descriptors of this process, from /proc/self/fd.
inline int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

}  // namespace qm::testing
