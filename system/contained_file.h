#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "system/object.h"

namespace qm {

// Installation trees come from archives, shared folders and other people:
// whatever a link inside them says, the program reads only files that are
// really inside the installation, and only regular files, so that a FIFO or a
// device in a page's place can never block a build.

// The path with every link resolved, or "" when it cannot be resolved.
std::string RealPathOf(const std::string& path);

// Whether real (a resolved path) is root_real itself or lies below it.
bool RealPathWithin(const std::string& real, const std::string& root_real);

// Whether path, with every link resolved, is root_real or lies below it; the
// resolved path goes to *real when given ("" when it cannot be resolved).
// The check alone, for what is linked, copied or written rather than read.
bool PathWithin(const std::string& path, const std::string& root_real, std::string* real = nullptr);

// Reads the whole of path into bytes when its real path lies inside
// root_real (itself a resolved path), it is a regular file and it holds at
// most max_bytes. Opening never blocks. Otherwise false, with the reason in
// error.
bool ReadContainedFile(const std::string& path, const std::string& root_real, std::size_t max_bytes, std::string* bytes,
                       String* error);

// The same reading for many files of one tree: each folder's real path is
// resolved and checked once, and the folder kept open, so that a file is
// opened inside that very folder (never through a link) with no look-up
// of the path's other parts. A file that is a link, or whose folder lies
// outside, goes through ReadContainedFile and its checks.
class ContainedFileReader {
 public:
  explicit ContainedFileReader(std::string root_real);
  ~ContainedFileReader();
  ContainedFileReader(const ContainedFileReader&) = delete;
  ContainedFileReader& operator=(const ContainedFileReader&) = delete;

  bool Read(const std::string& path, std::size_t max_bytes, std::string* bytes, String* error);

 private:
  struct Folder;
  std::string root_real_;
  std::vector<Folder> folders_;  // the most recent last
};

// Reads the whole regular file at path (links followed) into bytes, opened
// for reading and writing with for_update so that a file that cannot be
// written fails too. Never blocks; false with the reason in *error.
bool ReadRegularFile(const std::string& path, bool for_update, std::size_t max_bytes, std::string* bytes,
                     String* error);

}  // namespace qm
