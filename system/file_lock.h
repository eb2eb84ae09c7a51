#pragma once
#include <functional>
#include <memory>
#include <string>

namespace qm {

// An exclusive advisory lock on a file, held while the object lives. The
// kernel drops it when the process ends in any way, so a killed holder never
// leaves it stuck; the file itself stays for the next holder.
class FileLock {
 public:
  enum class Refusal { kNone, kBusy, kFailed };

  // Opens (creating it when missing) and locks path, trying again until
  // wait_ms have passed while another holder keeps it. Null when the lock was
  // not taken: *refusal says whether it was busy or could not be opened,
  // *error_number gives the reason for the latter. A symbolic link at path is
  // replaced by a plain file rather than followed; anything else that is not
  // a regular file (a named pipe, a device) is refused, opened without
  // blocking. while_waiting, when given, runs between tries, so that a
  // window can stay drawn meanwhile.
  static std::unique_ptr<FileLock> Acquire(const std::string& path, int wait_ms, Refusal* refusal = nullptr,
                                           int* error_number = nullptr,
                                           const std::function<void()>& while_waiting = nullptr);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  explicit FileLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace qm
