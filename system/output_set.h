#pragma once
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "system/object.h"

namespace qm {

// Where a writer hands the bytes of one output, piece by piece; false once a
// piece could not be written.
using ByteSink = std::function<bool(std::string_view)>;

// Files that only make sense together, replaced as a set. Add writes each
// new content to a temporary file beside its target and makes it durable;
// the targets stay untouched. Commit then records the set in a journal,
// renames every temporary file over its target back to back and removes the
// journal. A process killed during the renames leaves the journal, from
// which FinishInterruptedCommit completes the set at the next start; one
// killed before leaves only temporary files, which that start removes.
// Catchable termination signals are held back while the renames run, and a
// set destroyed without Commit removes its temporary files.
//
// A target that is a symbolic link is itself replaced by the new regular
// file (its destination is never written), with one line on standard error.
// A replaced regular file keeps its permission bits.
class OutputSet {
 public:
  // journal_path: where the set is recorded while it is committed; base_dir:
  // the directory the journal names its files relative to, so that the set
  // can still be completed when the tree has moved or reaches its folders
  // through links. A set without a journal must hold one file at most.
  OutputSet() = default;
  OutputSet(std::string journal_path, std::string base_dir);
  ~OutputSet();
  OutputSet(const OutputSet&) = delete;
  OutputSet& operator=(const OutputSet&) = delete;

  // Writes bytes as the new content of path, durably, to a temporary file.
  // false, with the reason in *error, when that failed; nothing was replaced.
  bool Add(const String& path, std::string_view bytes, String* error = nullptr);
  // The same for a content too large to hold whole: write hands it to the
  // sink in pieces and answers false when it gave up.
  bool AddWritten(const String& path, const std::function<bool(const ByteSink&)>& write, String* error = nullptr);
  // One output made off the set's thread. Begin creates its temporary file
  // (on the set's thread), Write fills it on any one thread, and Finish, back
  // on the set's thread, joins it to the set, which then holds the outputs in
  // the order they were finished. A pending output never finished removes
  // its temporary file when destroyed.
  class Pending;
  std::unique_ptr<Pending> Begin(const String& path, String* error = nullptr);
  static void Write(Pending& pending, const std::function<bool(const ByteSink&)>& write);
  bool Finish(std::unique_ptr<Pending> pending, String* error = nullptr);

  // Removes path with the commit, after the renames: a file of an earlier
  // build that this one no longer writes. A path that is not there by then
  // is no error.
  void Remove(const String& path);
  // Replaces every target. false, with the reason in *error, when a target
  // could not be replaced; before the first replacement that leaves every
  // target as it was.
  bool Commit(String* error = nullptr);
  // Drops every temporary file; the targets stay as they were.
  void Discard();

  std::size_t Count() const { return outputs_.size(); }

 private:
  struct Output {
    std::string target;
    std::string temporary;
    int slot = -1;
    bool replaces_link = false;
    bool removal = false;  // no temporary: the target goes
  };
  bool WriteJournal(String* error);
  static void DropTemporary(std::string& temporary, int& slot);
  void DropTemporary(Output& output);

  std::string journal_path_;
  std::string base_dir_;
  std::vector<Output> outputs_;
};

class OutputSet::Pending {
 public:
  Pending() = default;
  ~Pending();
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;

 private:
  friend class OutputSet;
  Output output_;
  mode_t keep_mode_ = 0;
  int fd_ = -1;
  bool written_ = false;
  int error_number_ = 0;
};

// The journal of an interrupted commit, if any, and what became of it.
struct InterruptedCommit {
  bool found = false;     // a journal was there
  bool complete = false;  // it was whole, so its renames were due
  int replaced = 0;       // targets replaced now
  int failed = 0;         // targets that could not be replaced
  int refused = 0;        // entries naming something that is not an output
  // Something that was no journal (not a regular file: a directory, a named
  // pipe, a device) was in the journal's place; set_aside says where it was
  // moved, "" when it could not be moved.
  bool not_a_journal = false;
  std::string set_aside;
};

// Which targets (relative to base_dir, "/"-separated) an interrupted commit
// may put in place.
using OutputNamePredicate = std::function<bool(std::string_view relative)>;

// Completes the commit whose journal is at journal_path (names relative to
// base_dir as when it was written) and removes the journal. A journal
// written only in part belongs to a commit that never began: it is removed
// and its targets are left alone. The journal comes from a tree anybody may
// have handed over, so only entries whose target is_output accepts, and
// whose temporary is a regular file of this program's naming, are renamed
// (without is_output, any name inside base_dir).
// Anything but a regular file in the journal's place is opened without
// blocking, never read, and renamed aside so that the next commit can put
// its journal there. Only call this while no other process can be
// committing to the same place.
InterruptedCommit FinishInterruptedCommit(const std::string& journal_path, const std::string& base_dir,
                                          const OutputNamePredicate& is_output = nullptr);

// Removes the temporary files of earlier runs found in dir; call it only
// while this process writes nothing there. With only_dead_writers, files
// whose writer is another process that still runs are kept. The number
// removed.
int RemoveLeftoverTemporaries(const std::string& dir, bool only_dead_writers);

}  // namespace qm
