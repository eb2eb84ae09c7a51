#pragma once
#include <filesystem>
#include <string>

#include "system/object.h"
#include "system/unique_fd.h"

namespace qm {

// A folder made aside and put in place whole: it is built under a hidden
// name in the same parent, flushed to disk, and then renamed over the
// target in one step, so the target is always either the old folder or the
// complete new one. Whatever has not been published when the object goes
// away (a failed build, or the old folder swapped out) is removed.
//
// A process killed while it builds cannot remove its hidden folder, so the
// folder is locked while it is being built, and making a new one first
// removes the hidden folders of the same target that no living process
// holds (the kernel drops the lock of a process however it ends).
class StagedFolder {
 public:
  StagedFolder() = default;
  ~StagedFolder();
  StagedFolder(const StagedFolder&) = delete;
  StagedFolder& operator=(const StagedFolder&) = delete;

  // Removes what killed builds of parent/name left, then makes the hidden
  // folder for it; false with the reason in *error when it cannot be made.
  bool Create(const std::filesystem::path& parent, const std::string& name, String* error);
  const std::filesystem::path& path() const { return path_; }
  // Flushes the tree and renames it over the target, replacing an earlier
  // one; false with the reason in *error.
  bool Publish(String* error);

 private:
  std::filesystem::path path_;  // the hidden folder; empty once published
  std::filesystem::path target_;
  UniqueFd lock_;  // the hidden folder, locked while it is built
};

}  // namespace qm
