#pragma once
#include <filesystem>
#include <string>

#include "system/strings.h"

namespace qm::testing {

// A fresh directory under /tmp for one test, removed with everything in it
// when the test ends. The tag only helps a person tell leftovers apart.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag = "scratch");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The file's path in bytes, and in the program's own strings.
  std::string File(const std::string& name) const;
  String Path(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace qm::testing
