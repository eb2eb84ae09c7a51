#include "support/scratch_dir.h"

#include <stdlib.h>

#include <cstdlib>
#include <system_error>

namespace qm::testing {

ScratchDir::ScratchDir(const std::string& tag) {
  // Always /tmp, not $TMPDIR: the name must hold none of the words the
  // command list rules look for in links.
  std::string pattern = "/tmp/quillmere-" + tag + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  // A test may have taken its permissions away to make a write fail.
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                   ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(const std::string& name) const { return path_.string() + "/" + name; }

String ScratchDir::Path(const std::string& name) const { return FromBytes(File(name)); }

}  // namespace qm::testing
