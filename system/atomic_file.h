#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "system/cstream.h"
#include "system/stream.h"

namespace qm {

// A file written whole or not at all. The bytes go to a new temporary file
// beside the target; Close (or Commit) flushes it to disk and renames it over
// the target, so a reader sees either the old file or the complete new one.
// Any failed write, a failed flush, or destroying the stream before Close
// (an error unwinding past the writer, for instance) removes the temporary
// file and leaves the target exactly as it was.
//
// A target that is a symbolic link is written through: the link's
// destination is replaced and the link stays. A replaced file keeps its
// permission bits; a new one gets the usual ones (0666 less the umask).
class AtomicFileStream : public TStream {
 public:
  // Null when the temporary file cannot be created; *error then says why.
  static std::unique_ptr<AtomicFileStream> Create(const String& path, String* error = nullptr);
  ~AtomicFileStream() override;
  AtomicFileStream(const AtomicFileStream&) = delete;
  AtomicFileStream& operator=(const AtomicFileStream&) = delete;

  bool Eof() override;
  std::int64_t Pos() override;
  std::int64_t Size() override;
  std::int64_t Seek(std::int64_t position) override;
  // Hands buffered bytes to the temporary file; the target is untouched.
  int Flush() override;
  // Commits: 0 when the target now holds the written bytes, -1 when it was
  // left as it was. Later calls repeat the first outcome.
  int Close() override;
  // Write-only: reading gives 0 bytes.
  int Read(void* buffer, int count) override;
  // 0 once committed or discarded.
  int Write(const void* buffer, int count) override;

  // As Close, with the reason for a failure in *error.
  bool Commit(String* error = nullptr);
  // Drops everything written; the target stays as it was.
  void Discard();

  bool Committed() const { return state_ == State::kCommitted; }
  const String& Error() const { return error_; }
  // Where the temporary file is while the stream is open (for tests and
  // diagnostics).
  const std::string& TemporaryPath() const { return temp_path_; }

 private:
  enum class State { kOpen, kCommitted, kFailed };

  AtomicFileStream(std::string target, std::string temp, std::unique_ptr<TCStream> file)
      : target_path_(std::move(target)), temp_path_(std::move(temp)), file_(std::move(file)) {}
  bool Fail(const std::string& what, int error_number);

  std::string target_path_;
  std::string temp_path_;
  std::unique_ptr<TCStream> file_;
  State state_ = State::kOpen;
  bool short_write_ = false;
  String error_;
};

// Writes bytes as the whole new content of path, atomically as above.
// false, with the reason in *error, when the target was left as it was.
bool WriteFileAtomically(const String& path, std::string_view bytes, String* error = nullptr);

}  // namespace qm
