#include "system/unnamed_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "system/strings.h"

namespace qm {

namespace {

// Repeats transfer(bytes done so far) until size bytes are through; false
// on an error, or an end of file before them.
template <typename Transfer>
bool WholeTransfer(std::size_t size, Transfer transfer) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = transfer(done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool OpenUnnamedFile(const std::string& dir, UniqueFd* file, String* error) {
  UniqueFd fd(::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (!fd.Valid() && (errno == EOPNOTSUPP || errno == EISDIR)) {
    // A file system without unnamed files: a named one, unlinked at once.
    std::string name = dir + "/.quillmere-XXXXXX";
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    fd.Reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (fd.Valid()) ::unlink(pattern.data());
  }
  if (!fd.Valid()) {
    if (error) *error = FromBytes(std::strerror(errno));
    return false;
  }
  *file = std::move(fd);
  return true;
}

bool WriteAllAt(int fd, const char* bytes, std::size_t size, std::uint64_t offset) {
  return WholeTransfer(size, [&](std::size_t done) {
    return ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
  });
}

bool ReadAllAt(int fd, char* bytes, std::size_t size, std::uint64_t offset) {
  return WholeTransfer(size, [&](std::size_t done) {
    return ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
  });
}

}  // namespace qm
