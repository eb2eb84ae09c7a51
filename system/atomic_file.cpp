#include "system/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "system/fix_path.h"
#include "system/strings.h"
#include "system/temporary_names.h"

namespace qm {
namespace {

String Describe(const std::string& what, const std::string& path, int error_number) {
  return FromBytes(what + " " + path + ": " + std::strerror(error_number));
}

void SetError(String* error, const String& text) {
  if (error) *error = text;
}

// The file a write to path should replace: a symbolic link's destination
// rather than the link itself.
std::string ResolveTarget(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return path;  // a dangling link is replaced
  return resolved;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates a new temporary file beside target, never reusing an existing
// entry. Returns the descriptor, or -1 with errno set.
int CreateTemporary(const std::string& target, std::string& temp_path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Named as every temporary file of the program is, so that a later
    // start can tell one a killed run left behind and remove it.
    temp_path = TemporaryNameFor(target);
    const int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

std::unique_ptr<AtomicFileStream> AtomicFileStream::Create(const String& path, String* error) {
  const auto system_path = SystemPath(path);
  if (!system_path || system_path->empty()) {
    SetError(error, u"Cannot write " + path + u": invalid file name");
    return nullptr;
  }
  const std::string target = ResolveTarget(*system_path);
  std::string temp;
  const int fd = CreateTemporary(target, temp);
  if (fd < 0) {
    SetError(error, Describe("Cannot create a temporary file for", target, errno));
    return nullptr;
  }
  struct stat info {};
  if (stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) fchmod(fd, info.st_mode & 07777);
  std::FILE* handle = fdopen(fd, "wb");
  if (handle == nullptr) {
    const int error_number = errno;
    close(fd);
    unlink(temp.c_str());
    SetError(error, Describe("Cannot create a temporary file for", target, error_number));
    return nullptr;
  }
  auto file = TCStream::CreateWithCStream(handle, TCStream::MODE_WRITE);
  return std::unique_ptr<AtomicFileStream>(new AtomicFileStream(target, temp, std::move(file)));
}

AtomicFileStream::~AtomicFileStream() { Discard(); }

bool AtomicFileStream::Eof() { return file_ ? file_->Eof() : true; }
std::int64_t AtomicFileStream::Pos() { return file_ ? file_->Pos() : 0; }
std::int64_t AtomicFileStream::Size() { return file_ ? file_->Size() : 0; }
std::int64_t AtomicFileStream::Seek(std::int64_t position) { return file_ ? file_->Seek(position) : -1; }

int AtomicFileStream::Flush() {
  if (file_) file_->Flush();
  return 0;
}

int AtomicFileStream::Close() { return Commit() ? 0 : -1; }

int AtomicFileStream::Read(void*, int) { return 0; }

int AtomicFileStream::Write(const void* buffer, int count) {
  if (!file_) return 0;
  const int n = file_->Write(buffer, count);
  // Whatever the caller does next, a file missing bytes must never commit.
  if (n < count) short_write_ = true;
  return n;
}

bool AtomicFileStream::Fail(const std::string& what, int error_number) {
  error_ = Describe(what, target_path_, error_number);
  Discard();
  return false;
}

bool AtomicFileStream::Commit(String* error) {
  if (state_ == State::kOpen) {
    [&] {
      std::FILE* handle = file_->CStream();
      file_->Flush();
      if (short_write_ || file_->WriteFailed())
        return Fail("Cannot write", file_->WriteError() != 0 ? file_->WriteError() : EIO);
      // The data must be on disk before the rename makes it the file; else a
      // crash could leave the new name pointing at missing blocks.
      if (fsync(fileno(handle)) != 0) return Fail("Cannot write", errno);
      file_->Close();
      if (file_->WriteFailed()) return Fail("Cannot write", file_->WriteError() != 0 ? file_->WriteError() : EIO);
      if (std::rename(temp_path_.c_str(), target_path_.c_str()) != 0) return Fail("Cannot replace", errno);
      state_ = State::kCommitted;
      file_.reset();
      // Make the rename itself durable. Some file systems cannot sync a
      // directory; the file is complete either way.
      const int dir = open(DirectoryOf(target_path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dir >= 0) {
        fsync(dir);
        close(dir);
      }
      return true;
    }();
  }
  if (error && state_ != State::kCommitted) *error = error_;
  return state_ == State::kCommitted;
}

void AtomicFileStream::Discard() {
  if (state_ != State::kOpen) return;
  state_ = State::kFailed;
  if (error_.empty()) error_ = FromBytes("Write to " + target_path_ + " abandoned");
  file_.reset();
  unlink(temp_path_.c_str());
}

bool WriteFileAtomically(const String& path, std::string_view bytes, String* error) {
  auto stream = AtomicFileStream::Create(path, error);
  if (!stream) return false;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const int chunk = static_cast<int>(std::min<std::size_t>(left, 1 << 20));
    const int n = stream->Write(p, chunk);
    // A failed write marks the stream, so the commit below refuses.
    if (n <= 0) break;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return stream->Commit(error);
}

}  // namespace qm
