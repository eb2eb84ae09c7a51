#include "app/export/staged_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "system/strings.h"

namespace qm {

namespace fs = std::filesystem;

namespace {

bool SyncPath(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// Flushes the folders of a new tree and the files written or copied into
// it. Hard-linked files (more than one link) share data that is on disk
// already; flushing their folders keeps the links.
bool SyncTree(const fs::path& root) {
  std::error_code error;
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    struct stat info;
    if (lstat(it->path().c_str(), &info) != 0) return false;
    const bool own_file = S_ISREG(info.st_mode) && info.st_nlink == 1;
    if ((S_ISDIR(info.st_mode) || own_file) && !SyncPath(it->path())) return false;
  }
  if (error) {
    errno = error.value();
    return false;
  }
  return SyncPath(root);
}

// A hidden folder younger than this may be one another process has just
// made and not yet locked.
constexpr std::time_t kSettleSeconds = 60;

// Removes the hidden folders in parent named for name that no process holds
// locked.
void RemoveAbandoned(const fs::path& parent, const std::string& name) {
  const std::string prefix = "." + name + "-";
  std::error_code error;
  for (fs::directory_iterator it(parent, error), end; !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) continue;
    // Closing the descriptor at the end of the turn drops the lock, if taken.
    const UniqueFd fd(open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.Valid()) continue;
    struct stat info;
    const bool settled = fstat(fd.Get(), &info) == 0 && info.st_mtime + kSettleSeconds < std::time(nullptr);
    if (settled && flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
  }
}

}  // namespace

StagedFolder::~StagedFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

bool StagedFolder::Create(const fs::path& parent, const std::string& name, String* error) {
  RemoveAbandoned(parent, name);
  std::string staged = (parent / ("." + name + "-XXXXXX")).string();
  if (!mkdtemp(staged.data())) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  path_ = staged;
  target_ = parent / name;
  lock_.Reset(open(staged.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!lock_.Valid() || flock(lock_.Get(), LOCK_EX) != 0) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  // mkdtemp makes it private; the published folder gets the usual mode.
  const mode_t mask = umask(0);
  umask(mask);
  chmod(staged.c_str(), 0777 & ~mask);
  return true;
}

bool StagedFolder::Publish(String* error) {
  // Everything reaches the disk before the folder appears under its name,
  // so a crash cannot leave a complete-looking folder of empty files.
  if (!SyncTree(path_)) {
    *error = FromBytes("cannot flush " + path_.string() + ": " + std::strerror(errno));
    return false;
  }
  const char* from = path_.c_str();
  const char* to = target_.c_str();
  int failure = renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
  bool swapped = false;
  if (failure == EEXIST) {
    // An earlier one: the two change places in one step, and the old one
    // is removed with the hidden folder.
    failure = renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) == 0 ? 0 : errno;
    swapped = failure == 0;
  } else if (failure == EINVAL) {
    // A file system without these flags: a plain rename, which replaces
    // nothing but an empty folder.
    failure = std::rename(from, to) == 0 ? 0 : errno;
  }
  if (failure != 0) {
    *error = FromBytes("cannot rename " + path_.string() + " into place: " + std::strerror(failure));
    return false;
  }
  if (!swapped) path_.clear();
  const UniqueFd parent(open(target_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parent.Valid()) fsync(parent.Get());
  return true;
}

}  // namespace qm
