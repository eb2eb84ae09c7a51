#include "system/filesystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/ram_stream.h"
#include "system/stream_factory.h"
#include "system/strings.h"

namespace qm {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// Open listings by handle. A DIR* does not fit a 32-bit handle on a 64-bit
// system, so handles are small numbers into this table; 0 is never used.
class DirectoryTable {
 public:
  int Add(DirPtr dir) {
    do {
      next_ = next_ >= 0x7FFFFFFF ? 1 : next_ + 1;
    } while (open_.count(next_) != 0);
    open_.emplace(next_, std::move(dir));
    return next_;
  }
  DIR* Find(int handle) const {
    const auto it = open_.find(handle);
    return it == open_.end() ? nullptr : it->second.get();
  }
  void Remove(int handle) { open_.erase(handle); }

 private:
  std::map<int, DirPtr> open_;
  int next_ = 0;
};

// Never destroyed, like the other registries of this layer, so that
// end-of-program functions can still list directories.
DirectoryTable& Directories() {
  static auto* const table = new DirectoryTable();
  return *table;
}

String AfterLast(const String& path, const String& mark, const String& otherwise) {
  const int at = FindLast(path, mark);
  return at < 0 ? otherwise : path.substr(static_cast<std::size_t>(at) + mark.size());
}

// Position of the extension's dot, or -1 when the last component has none.
int ExtensionDot(const String& fixed) {
  const int dot = FindLast(fixed, u".");
  if (dot < 0 || Find(fixed, u"/", dot + 1) >= 0) return -1;
  return dot;
}

}  // namespace

StreamPtr OpenFile(const String& url, bool readable, bool writeable) {
  StreamPtr stream = OpenStream(url, readable, writeable);
  if (!stream || stream->Pos() != -1 || writeable) return stream;
  // Without a position there is no end to compare against: take the whole
  // content now and serve it from memory.
  std::string bytes;
  char block[4096];
  for (int n; (n = stream->Read(block, sizeof block)) > 0;) bytes.append(block, static_cast<std::size_t>(n));
  stream->Close();
  return TRamStream::CreateOwned(std::move(bytes), true, false);
}

StreamPtr ReadFile(const String& url) { return OpenFile(url, true, false); }

StreamPtr WriteFile(const String& url) { return OpenFile(url, false, true); }

int CloseFile(TStream* stream) {
  if (stream) stream->Close();
  return 0;
}

int ReadDir(const String& path) {
  const auto system_path = SystemPath(path, true);
  if (!system_path) return 0;
  DirPtr dir(opendir(system_path->c_str()));
  if (!dir) return 0;
  return Directories().Add(std::move(dir));
}

String NextFile(int handle) {
  DIR* dir = Directories().Find(handle);
  if (dir == nullptr) return String();
  const dirent* entry = readdir(dir);
  return entry ? FromByteString(entry->d_name) : String();
}

int CloseDir(int handle) {
  Directories().Remove(handle);
  return 0;
}

int FileType(const String& path) {
  const auto system_path = SystemPath(path);
  struct stat info {};
  if (!system_path || stat(system_path->c_str(), &info) != 0) return 0;
  switch (info.st_mode & S_IFMT) {
    case S_IFREG:
      return 1;
    case S_IFDIR:
      return 2;
    default:
      return 0;
  }
}

String ExtractExt(const String& path) {
  const String fixed = FixPath(path);
  const int dot = ExtensionDot(fixed);
  return dot < 0 ? String() : fixed.substr(static_cast<std::size_t>(dot) + 1);
}

String StripDir(const String& path) {
  const String fixed = FixPath(path);
  return AfterLast(fixed, u"/", fixed);
}

String StripExt(const String& path) {
  const String fixed = FixPath(path);
  const int dot = ExtensionDot(fixed);
  return dot < 0 ? fixed : fixed.substr(0, static_cast<std::size_t>(dot));
}

String CurrentDir() {
  // Grows past the customary 1024 bytes, so a deep working directory is
  // reported whole instead of as garbage.
  std::vector<char> buffer(1024);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return String();
    buffer.resize(buffer.size() * 2);
  }
  return FixPath(FromByteString(buffer.data()));
}

bool DeleteFile(const String& path) {
  if (const auto system_path = SystemPath(path)) std::remove(system_path->c_str());
  return FileType(path) == 0;
}

}  // namespace qm
