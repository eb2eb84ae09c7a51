#include "system/output_set.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "system/error_line.h"
#include "system/fix_path.h"
#include "system/pending_temporaries.h"
#include "system/strings.h"
#include "system/temporary_names.h"
#include "system/termination_signals_held.h"

namespace qm {
namespace {

// The journal: a header, then the temporary and target name of every output
// (each ended by a zero byte), then the end mark. Without the end mark it was
// never finished, and no rename had begun. A target to remove has the mark
// "-" in place of its temporary name.
constexpr std::string_view kJournalHeader = "quillmere commit 1";
constexpr std::string_view kJournalEnd = "end";
constexpr std::string_view kJournalRemoval = "-";

String Describe(const char* what, const std::string& path, int error_number) {
  return FromBytes(std::string(what) + " " + path + ": " + std::strerror(error_number));
}

void SetError(String* error, const String& text) {
  if (error) *error = text;
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Makes the entries of dir (new names, renames, removals) durable. Some file
// systems cannot sync a directory; the files themselves are complete anyway.
void SyncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

void SyncDirectoriesOf(const std::vector<std::string>& paths) {
  std::set<std::string> dirs;
  for (const auto& path : paths) dirs.insert(DirectoryOf(path));
  for (const auto& dir : dirs) SyncDirectory(dir);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A new file beside target, never an existing entry and never through a
// link. The descriptor, or -1 with errno set.
int CreateTemporary(const std::string& target, std::string& temporary) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = TemporaryNameFor(target);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Fills the new temporary file behind fd durably and closes it. false with
// errno set; the file is left for the caller to remove.
bool FillTemporary(int fd, const std::function<bool(const ByteSink&)>& write, mode_t keep_mode) {
  errno = 0;
  const ByteSink to_file = [fd](std::string_view bytes) { return WriteAll(fd, bytes); };
  const bool written = (keep_mode == 0 || fchmod(fd, keep_mode) == 0) && write(to_file) && fsync(fd) == 0;
  if (!written && errno == 0) errno = EIO;
  int reported = errno;
  // A failed close can be the first sign of a lost write.
  const bool closed = close(fd) == 0;
  if (written && closed) return true;
  if (written) reported = errno;
  errno = reported;
  return false;
}

// Writes bytes durably to a new temporary file for target, remembered for the
// signal handlers. false with errno set; no file is left then.
bool WriteTemporary(const std::string& target, const std::function<bool(const ByteSink&)>& write, mode_t keep_mode,
                    std::string& temporary, int& slot) {
  int fd;
  {
    TerminationSignalsHeld held;  // no stop between making and remembering
    fd = CreateTemporary(target, temporary);
    if (fd < 0) return false;
    slot = RememberTemporary(temporary);
  }
  if (FillTemporary(fd, write, keep_mode)) return true;
  const int reported = errno;
  unlink(temporary.c_str());
  ForgetTemporary(slot);
  slot = -1;
  errno = reported;
  return false;
}

// How the journal names path: relative to base, or "" when it lies outside.
std::string JournalName(const std::string& path, const std::string& base) {
  if (base.empty() || path.size() <= base.size() + 1 || path.compare(0, base.size(), base) != 0 ||
      path[base.size()] != '/')
    return std::string();
  return path.substr(base.size() + 1);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A journal is read from a tree that anybody may have handed over, so it
// may only move a temporary file of this program over its own target inside
// base: relative names without "..", side by side, the temporary named after
// the target.
bool AcceptableFromJournal(const std::string& temporary, const std::string& target) {
  const bool removal = temporary == kJournalRemoval;
  for (const auto* name : {&temporary, &target}) {
    if (removal && name == &temporary) continue;
    if (name->empty() || name->front() == '/') return false;
    for (std::size_t at = 0; at <= name->size();) {
      const std::size_t end = std::min(name->find('/', at), name->size());
      if (name->compare(at, end - at, "..") == 0 && end - at == 2) return false;
      at = end + 1;
    }
  }
  if (removal) return true;
  if (DirectoryOf(temporary) != DirectoryOf(target)) return false;
  const std::string temporary_name = BaseName(temporary);
  return TemporaryWriter(temporary_name).has_value() && temporary_name.rfind("." + BaseName(target) + ".", 0) == 0;
}

}  // namespace

OutputSet::OutputSet(std::string journal_path, std::string base_dir)
    : journal_path_(std::move(journal_path)), base_dir_(std::move(base_dir)) {}

OutputSet::~OutputSet() { Discard(); }

void OutputSet::DropTemporary(std::string& temporary, int& slot) {
  if (temporary.empty()) return;
  unlink(temporary.c_str());
  ForgetTemporary(slot);
  temporary.clear();
  slot = -1;
}

void OutputSet::DropTemporary(Output& output) { DropTemporary(output.temporary, output.slot); }

void OutputSet::Discard() {
  for (auto& output : outputs_) DropTemporary(output);
  outputs_.clear();
}

bool OutputSet::Add(const String& path, std::string_view bytes, String* error) {
  return AddWritten(
      path, [bytes](const ByteSink& sink) { return sink(bytes); }, error);
}

OutputSet::Pending::~Pending() {
  if (fd_ >= 0) close(fd_);
  DropTemporary(output_.temporary, output_.slot);
}

namespace {

// Where path goes and how: false, with the reason in *error, for a target
// that cannot be replaced (found now rather than halfway through the renames
// of the set).
bool PrepareTarget(const String& path, std::string& target, bool& replaces_link, mode_t& keep_mode, String* error) {
  const auto system_path = SystemPath(path);
  if (!system_path || system_path->empty()) {
    SetError(error, u"Cannot write " + path + u": invalid file name");
    return false;
  }
  target = *system_path;
  struct stat info {};
  keep_mode = 0;
  if (lstat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      SetError(error, Describe("Cannot replace", target, EISDIR));
      return false;
    }
    replaces_link = S_ISLNK(info.st_mode);
    if (S_ISREG(info.st_mode)) keep_mode = info.st_mode & 07777;
  }
  return true;
}

}  // namespace

bool OutputSet::AddWritten(const String& path, const std::function<bool(const ByteSink&)>& write, String* error) {
  Output output;
  mode_t keep_mode = 0;
  if (!PrepareTarget(path, output.target, output.replaces_link, keep_mode, error)) return false;
  if (!WriteTemporary(output.target, write, keep_mode, output.temporary, output.slot)) {
    SetError(error, Describe("Cannot write", output.target, errno));
    return false;
  }
  outputs_.push_back(std::move(output));
  return true;
}

std::unique_ptr<OutputSet::Pending> OutputSet::Begin(const String& path, String* error) {
  auto pending = std::make_unique<Pending>();
  Output& output = pending->output_;
  if (!PrepareTarget(path, output.target, output.replaces_link, pending->keep_mode_, error)) return nullptr;
  TerminationSignalsHeld held;  // no stop between making and remembering
  pending->fd_ = CreateTemporary(output.target, output.temporary);
  if (pending->fd_ < 0) {
    SetError(error, Describe("Cannot write", output.target, errno));
    output.temporary.clear();
    return nullptr;
  }
  output.slot = RememberTemporary(output.temporary);
  return pending;
}

void OutputSet::Write(Pending& pending, const std::function<bool(const ByteSink&)>& write) {
  // Only the descriptor and this record are touched: other outputs may be
  // written on other threads at the same time.
  pending.written_ = FillTemporary(pending.fd_, write, pending.keep_mode_);
  pending.error_number_ = pending.written_ ? 0 : errno;
  pending.fd_ = -1;
}

bool OutputSet::Finish(std::unique_ptr<Pending> pending, String* error) {
  if (!pending->written_) {
    SetError(error,
             Describe("Cannot write", pending->output_.target, pending->error_number_ ? pending->error_number_ : EIO));
    return false;  // the pending output removes its file
  }
  outputs_.push_back(std::move(pending->output_));
  pending->output_.temporary.clear();
  pending->output_.slot = -1;
  return true;
}

void OutputSet::Remove(const String& path) {
  const auto system_path = SystemPath(path);
  if (!system_path || system_path->empty()) return;
  Output output;
  output.target = *system_path;
  output.removal = true;
  outputs_.push_back(std::move(output));
}

bool OutputSet::WriteJournal(String* error) {
  std::string text(kJournalHeader);
  text += '\0';
  for (const auto& output : outputs_) {
    const std::string temporary =
        output.removal ? std::string(kJournalRemoval) : JournalName(output.temporary, base_dir_);
    const std::string target = JournalName(output.target, base_dir_);
    if (temporary.empty() || target.empty()) {
      SetError(error, FromBytes("Cannot replace " + output.target + ": it lies outside " + base_dir_));
      return false;
    }
    text += temporary;
    text += '\0';
    text += target;
    text += '\0';
  }
  text += kJournalEnd;
  text += '\0';
  // The journal itself appears whole or not at all.
  std::string temporary;
  int slot = -1;
  if (!WriteTemporary(
          journal_path_, [&text](const ByteSink& sink) { return sink(text); }, 0, temporary, slot)) {
    SetError(error, Describe("Cannot write", journal_path_, errno));
    return false;
  }
  const bool renamed = std::rename(temporary.c_str(), journal_path_.c_str()) == 0;
  const int error_number = errno;
  if (!renamed) unlink(temporary.c_str());
  ForgetTemporary(slot);
  if (!renamed) {
    SetError(error, Describe("Cannot write", journal_path_, error_number));
    return false;
  }
  SyncDirectory(DirectoryOf(journal_path_));
  return true;
}

bool OutputSet::Commit(String* error) {
  if (outputs_.empty()) return true;
  std::vector<std::string> names;
  for (const auto& output : outputs_)
    if (!output.removal) names.push_back(output.temporary);
  // Every temporary file must be findable before the journal names it.
  SyncDirectoriesOf(names);
  const bool journaled = !journal_path_.empty();
  String first_error;
  std::vector<std::string> links_replaced;
  {
    TerminationSignalsHeld held;
    // From the journal on, a crash must leave the temporary files for the
    // next start to put in place: no handler removes them any more.
    for (auto& output : outputs_) {
      ForgetTemporary(output.slot);
      output.slot = -1;
    }
    if (journaled && !WriteJournal(error)) {
      Discard();
      return false;
    }
    for (auto& output : outputs_) {
      if (output.removal) continue;
      if (std::rename(output.temporary.c_str(), output.target.c_str()) == 0) {
        output.temporary.clear();
        output.slot = -1;
        if (output.replaces_link) links_replaced.push_back(output.target);
      } else {
        // The rest of the set still goes in: going back is no longer possible.
        if (first_error.empty()) first_error = Describe("Cannot replace", output.target, errno);
        DropTemporary(output);
      }
    }
    // Removals come after every new file is in place.
    for (const auto& output : outputs_)
      if (output.removal) unlink(output.target.c_str());
    names.clear();
    for (const auto& output : outputs_) names.push_back(output.target);
    SyncDirectoriesOf(names);
    if (journaled) {
      unlink(journal_path_.c_str());
      SyncDirectory(DirectoryOf(journal_path_));
    }
  }
  outputs_.clear();
  for (const auto& link : links_replaced)
    WriteErrorLine("Replaced the symbolic link " + link + " with a regular file; the file it pointed to is unchanged.");
  if (!first_error.empty()) {
    SetError(error, first_error);
    return false;
  }
  return true;
}

namespace {

// Moves what lies in the journal's place out of the way under a name of its
// own; "" when it could not be moved.
std::string SetAside(const std::string& journal_path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string aside =
        journal_path + ".not-a-journal-" + std::to_string(getpid()) + (attempt ? "-" + std::to_string(attempt) : "");
    struct stat info {};
    if (lstat(aside.c_str(), &info) == 0) continue;
    if (std::rename(journal_path.c_str(), aside.c_str()) == 0) return aside;
    return std::string();
  }
  return std::string();
}

// The journal's bytes; false when there is none or it is no journal.
bool ReadJournal(const std::string& journal_path, std::string& text, InterruptedCommit& result) {
  // Non-blocking: a named pipe here must not hold up the start.
  const int fd = open(journal_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  struct stat info {};
  if (fd < 0 && errno == ENOENT) return false;
  if (fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    result.found = true;
    char block[4096];
    for (ssize_t n; (n = read(fd, block, sizeof block)) != 0;) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      text.append(block, static_cast<std::size_t>(n));
      // A journal names a few files; anything far larger is not one.
      if (text.size() > (1u << 20)) break;
    }
    close(fd);
    return true;
  }
  if (fd >= 0) close(fd);
  // A link, a directory, a pipe, a device: no journal of ours, and in the
  // way of the next one.
  if (lstat(journal_path.c_str(), &info) != 0) return false;
  if (S_ISLNK(info.st_mode)) {
    unlink(journal_path.c_str());
    return false;
  }
  result.not_a_journal = true;
  result.set_aside = SetAside(journal_path);
  return false;
}

}  // namespace

InterruptedCommit FinishInterruptedCommit(const std::string& journal_path, const std::string& base_dir,
                                          const OutputNamePredicate& is_output) {
  InterruptedCommit result;
  std::string text;
  if (!ReadJournal(journal_path, text, result)) return result;
  std::vector<std::string> fields;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\0', at);
    if (end == std::string::npos) break;  // an unfinished last field
    fields.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  result.complete = !base_dir.empty() && fields.size() >= 2 && fields.size() % 2 == 0 &&
                    fields.front() == kJournalHeader && fields.back() == kJournalEnd;
  if (result.complete) {
    std::vector<std::string> targets, removals;
    for (std::size_t i = 1; i + 1 < fields.size(); i += 2) {
      if (!AcceptableFromJournal(fields[i], fields[i + 1]) || (is_output && !is_output(fields[i + 1]))) {
        ++result.refused;
        continue;
      }
      if (fields[i] == kJournalRemoval) {
        removals.push_back(base_dir + "/" + fields[i + 1]);
        continue;
      }
      const std::string temporary = base_dir + "/" + fields[i];
      const std::string target = base_dir + "/" + fields[i + 1];
      struct stat info {};
      if (lstat(temporary.c_str(), &info) != 0) continue;  // already in place
      // Only a file this program wrote: never a link or anything else put
      // there under its name.
      if (!S_ISREG(info.st_mode)) {
        ++result.refused;
        continue;
      }
      if (std::rename(temporary.c_str(), target.c_str()) == 0) {
        ++result.replaced;
        targets.push_back(target);
      } else {
        ++result.failed;
        unlink(temporary.c_str());
      }
    }
    for (const auto& path : removals) {
      // Only a plain file or a link: never a directory in its place.
      struct stat info {};
      if (lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && unlink(path.c_str()) == 0)
        targets.push_back(path);
    }
    SyncDirectoriesOf(targets);
  }
  unlink(journal_path.c_str());
  SyncDirectory(DirectoryOf(journal_path));
  return result;
}

int RemoveLeftoverTemporaries(const std::string& dir, bool only_dead_writers) {
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return 0;
  std::vector<std::string> doomed;
  while (const dirent* entry = readdir(listing)) {
    const auto writer = TemporaryWriter(entry->d_name);
    if (!writer) continue;
    // kill with signal 0 only asks whether the process exists.
    if (only_dead_writers && *writer != getpid() && (kill(*writer, 0) == 0 || errno == EPERM)) continue;
    doomed.push_back(dir + "/" + entry->d_name);
  }
  closedir(listing);
  int removed = 0;
  for (const auto& path : doomed) {
    struct stat info {};
    // Only plain files and links: a directory of that name is not ours.
    if (lstat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && unlink(path.c_str()) == 0) ++removed;
  }
  if (removed > 0) SyncDirectory(dir);
  return removed;
}

}  // namespace qm
