#pragma once
#include <cstdint>

namespace qm {

// Thin descriptor operations under the pipe stream and the child-process
// binding. Interrupted calls are retried, so a signal arriving while the
// program polls a child never shows up as a failed read or write.

// Bytes read, 0 at end of input, -1 on error.
std::int32_t fdRead(std::int32_t fd, void* buffer, std::int32_t count);
// Bytes written, -1 on error.
std::int32_t fdWrite(std::int32_t fd, const void* buffer, std::int32_t count);
std::int32_t fdClose(std::int32_t fd);
// Bytes that one read can take at once without blocking; 0 on error.
std::int32_t fdAvail(std::int32_t fd);
// Pipes hold no user-space buffer, so there is nothing to push out.
std::int32_t fdFlush(std::int32_t fd);

// Sole owner of one descriptor: closes it when it goes out of scope, so
// failure paths between creating descriptors and handing them on leak none.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  // Gives up ownership without closing.
  int Release();
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

}  // namespace qm
