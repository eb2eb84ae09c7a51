#include "system/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace qm {
namespace {

int OpenLockFile(const std::string& path) {
  const int flags = O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  int fd = open(path.c_str(), flags, 0666);
  // A link here may point anywhere; the lock must not touch its target.
  if (fd < 0 && errno == ELOOP && unlink(path.c_str()) == 0) fd = open(path.c_str(), flags, 0666);
  struct stat info {};
  if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
    close(fd);
    errno = EINVAL;  // "Invalid argument": a lock file must be a plain file
    return -1;
  }
  return fd;
}

void Report(FileLock::Refusal* refusal, FileLock::Refusal value, int* error_number, int number) {
  if (refusal) *refusal = value;
  if (error_number) *error_number = number;
}

}  // namespace

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& path, int wait_ms, Refusal* refusal, int* error_number,
                                            const std::function<void()>& while_waiting) {
  Report(refusal, Refusal::kNone, error_number, 0);
  const int fd = OpenLockFile(path);
  if (fd < 0) {
    Report(refusal, Refusal::kFailed, error_number, errno);
    return nullptr;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return std::unique_ptr<FileLock>(new FileLock(fd));
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      close(fd);
      Report(refusal, error == EWOULDBLOCK ? Refusal::kBusy : Refusal::kFailed, error_number, error);
      return nullptr;
    }
    if (while_waiting) while_waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

FileLock::~FileLock() { close(fd_); }

}  // namespace qm
