#include "process/fd.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace qm {

std::int32_t fdRead(std::int32_t fd, void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::read(fd, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return static_cast<std::int32_t>(n);
}

std::int32_t fdWrite(std::int32_t fd, const void* buffer, std::int32_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::write(fd, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  return static_cast<std::int32_t>(n);
}

// close is not retried on EINTR: on Linux the descriptor is gone either way,
// and a retry could close a descriptor another part has just opened.
std::int32_t fdClose(std::int32_t fd) { return ::close(fd); }

std::int32_t fdAvail(std::int32_t fd) {
  int available = 0;
  if (::ioctl(fd, FIONREAD, &available) != 0) return 0;
  return available;
}

std::int32_t fdFlush(std::int32_t) { return 0; }

}  // namespace qm
