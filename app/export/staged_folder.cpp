#include "app/export/staged_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

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
    const int fd = open(it->path().c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info;
    const bool settled = fstat(fd, &info) == 0 && info.st_mtime + kSettleSeconds < std::time(nullptr);
    if (settled && flock(fd, LOCK_EX | LOCK_NB) == 0) {
      std::error_code ignored;
      fs::remove_all(it->path(), ignored);
    }
    close(fd);  // drops the lock, if taken
  }
}

}  // namespace

StagedFolder::~StagedFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
  if (lock_fd_ >= 0) close(lock_fd_);
}

bool StagedFolder::Create(const fs::path& parent, const std::string& name) {
  RemoveAbandoned(parent, name);
  std::string staged = (parent / ("." + name + "-XXXXXX")).string();
  if (!mkdtemp(staged.data())) return false;
  path_ = staged;
  target_ = parent / name;
  lock_fd_ = open(staged.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock_fd_ < 0 || flock(lock_fd_, LOCK_EX) != 0) return false;
  // mkdtemp makes it private; the published folder gets the usual mode.
  const mode_t mask = umask(0);
  umask(mask);
  chmod(staged.c_str(), 0777 & ~mask);
  return true;
}

bool StagedFolder::Publish(std::string* error) {
  // Everything reaches the disk before the folder appears under its name,
  // so a crash cannot leave a complete-looking folder of empty files.
  if (!SyncTree(path_)) {
    *error = std::string("cannot flush ") + path_.string() + ": " + std::strerror(errno);
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
    *error = std::string("cannot rename ") + path_.string() + " into place: " + std::strerror(failure);
    return false;
  }
  if (!swapped) path_.clear();
  const int parent = open(target_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent >= 0) {
    fsync(parent);
    close(parent);
  }
  return true;
}

}  // namespace qm
