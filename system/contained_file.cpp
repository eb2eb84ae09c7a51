#include "system/contained_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "system/strings.h"
#include "system/unique_fd.h"

namespace qm {

std::string RealPathOf(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

bool RealPathWithin(const std::string& real, const std::string& root_real) {
  if (real.empty() || root_real.empty()) return false;
  if (root_real == "/") return real.front() == '/';
  return real.compare(0, root_real.size(), root_real) == 0 &&
         (real.size() == root_real.size() || real[root_real.size()] == '/');
}

bool PathWithin(const std::string& path, const std::string& root_real, std::string* real) {
  std::string resolved = RealPathOf(path);
  const bool within = RealPathWithin(resolved, root_real);
  if (real) *real = std::move(resolved);
  return within;
}

namespace {

// Opens path with flags (never blocking) and reads the whole regular file.
bool ReadWhole(const std::string& path, int flags, std::size_t max_bytes, std::string* bytes, String* error) {
  const UniqueFd fd(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.Valid()) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  struct stat info {};
  if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = u"not a regular file";
    return false;
  }
  if (static_cast<unsigned long long>(info.st_size) > max_bytes) {
    *error = FromBytes("larger than " + std::to_string(max_bytes) + " bytes");
    return false;
  }
  bytes->resize(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  while (got < bytes->size()) {
    const ssize_t n = read(fd.Get(), bytes->data() + got, bytes->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = FromByteString(std::strerror(errno));
      return false;
    }
    if (n == 0) break;  // shrank while read: keep what was there
    got += static_cast<std::size_t>(n);
  }
  bytes->resize(got);
  return true;
}

}  // namespace

bool ReadContainedFile(const std::string& path, const std::string& root_real, std::size_t max_bytes, std::string* bytes,
                       String* error) {
  // A missing page or one that is no file at all is told by one call, not
  // by resolving every folder of its path: a catalogue may name a million
  // pages that are not there.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = u"not a regular file";
    return false;
  }
  const std::string real = RealPathOf(path);
  if (real.empty()) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  if (!RealPathWithin(real, root_real)) {
    *error = FromBytes("leads outside the installation, to " + real);
    return false;
  }
  // Without following a link swapped in since realpath: what is opened is
  // checked again, not trusted.
  return ReadWhole(real, O_RDONLY | O_NOFOLLOW, max_bytes, bytes, error);
}

bool ReadRegularFile(const std::string& path, bool for_update, std::size_t max_bytes, std::string* bytes,
                     String* error) {
  return ReadWhole(path, for_update ? O_RDWR : O_RDONLY, max_bytes, bytes, error);
}

}  // namespace qm
