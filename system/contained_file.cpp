#include "system/contained_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

// Reads the whole regular file behind fd.
bool ReadOpened(int fd, std::size_t max_bytes, std::string* bytes, String* error) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
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
    const ssize_t n = read(fd, bytes->data() + got, bytes->size() - got);
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

// Opens path with flags (never blocking) and reads the whole regular file.
bool ReadWhole(const std::string& path, int flags, std::size_t max_bytes, std::string* bytes, String* error) {
  const UniqueFd fd(open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.Valid()) {
    *error = FromByteString(std::strerror(errno));
    return false;
  }
  return ReadOpened(fd.Get(), max_bytes, bytes, error);
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

struct ContainedFileReader::Folder {
  std::string path;  // as asked for
  UniqueFd fd;       // invalid: not a folder inside the tree
  int missing = 0;   // the error that found no folder there, or 0
};

ContainedFileReader::ContainedFileReader(std::string root_real) : root_real_(std::move(root_real)) {}
ContainedFileReader::~ContainedFileReader() = default;

bool ContainedFileReader::Read(const std::string& path, std::size_t max_bytes, std::string* bytes, String* error) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (slash == std::string::npos || slash == 0 || name.empty() || name == "." || name == "..")
    return ReadContainedFile(path, root_real_, max_bytes, bytes, error);
  const std::string_view folder_path(path.data(), slash);
  auto folder = std::find_if(folders_.begin(), folders_.end(), [&](const Folder& f) { return f.path == folder_path; });
  if (folder == folders_.end()) {
    // A handful of folders stay open; pages come folder by folder.
    constexpr std::size_t kOpenFolders = 8;
    if (folders_.size() >= kOpenFolders) folders_.erase(folders_.begin());
    Folder made{std::string(folder_path), UniqueFd()};
    // A folder that is not there is told by one call: resolving its path
    // folder by folder costs a catalogue of a million missing pages dear.
    struct stat info {};
    if (stat(made.path.c_str(), &info) != 0) made.missing = errno;
    const std::string real = made.missing == 0 && S_ISDIR(info.st_mode) ? RealPathOf(made.path) : std::string();
    if (RealPathWithin(real, root_real_))
      made.fd = UniqueFd(open(real.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    folders_.push_back(std::move(made));
    folder = folders_.end() - 1;
  }
  // No page is found in a folder that is not there.
  if (folder->missing != 0) {
    *error = FromByteString(std::strerror(folder->missing));
    return false;
  }
  if (!folder->fd.Valid()) return ReadContainedFile(path, root_real_, max_bytes, bytes, error);
  const UniqueFd fd(openat(folder->fd.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  // A link (or anything that cannot be opened so) gets the full checks.
  if (!fd.Valid()) return ReadContainedFile(path, root_real_, max_bytes, bytes, error);
  return ReadOpened(fd.Get(), max_bytes, bytes, error);
}

bool ReadRegularFile(const std::string& path, bool for_update, std::size_t max_bytes, std::string* bytes,
                     String* error) {
  return ReadWhole(path, for_update ? O_RDWR : O_RDONLY, max_bytes, bytes, error);
}

}  // namespace qm
