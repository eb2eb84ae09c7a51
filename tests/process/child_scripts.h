#pragma once
// Small shell scripts written into a fresh temporary directory, for tests
// that need real child programs.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace qm::testing {

class ScriptDir {
 public:
  explicit ScriptDir(const std::string& prefix = "qm-child-") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScriptDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScriptDir(const ScriptDir&) = delete;
  ScriptDir& operator=(const ScriptDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Writes an executable /bin/sh script and returns its path.
  std::string Script(const std::string& name, const std::string& body) const {
    const std::string file = File(name);
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << "#!/bin/sh\n" << body << "\n";
    chmod(file.c_str(), 0755);
    return file;
  }

 private:
  std::string path_;
};

// Polls the condition every millisecond until it holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeout_ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline bool FileExists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Open descriptors of this process, from /proc/self/fd.
inline int OpenDescriptorCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

}  // namespace qm::testing
