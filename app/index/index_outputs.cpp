#include "app/index/index_outputs.h"

#include <sys/stat.h>

#include <cstring>

#include "app/index/catalogue.h"
#include "system/error_line.h"
#include "system/filesystem.h"
#include "system/fix_path.h"
#include "system/strings.h"

namespace qm {
namespace {

const char16_t kLockName[] = u"/docs/html/Modules/.quillmere.lock";
const char kJournalName[] = "/Modules/.quillmere-commit";

// Everything a build writes lies under docs/html.
std::string OutputBase(const String& install_dir) { return SystemPath(install_dir + u"/docs/html").value_or(""); }

void ReportRemoved(int removed, const std::string& dir) {
  if (removed == 0) return;
  WriteErrorLine("Removed " + std::to_string(removed) + " temporary file" + (removed == 1 ? "" : "s") +
                 " left by an interrupted build in " + dir + ".");
}

}  // namespace

String IndexLockPath(const String& install_dir) { return install_dir + kLockName; }

std::unique_ptr<FileLock> LockIndex(const String& install_dir, String* reason) {
  const auto path = SystemPath(IndexLockPath(install_dir));
  if (!path) {
    *reason = u"invalid file name";
    return nullptr;
  }
  FileLock::Refusal refusal{};
  int error_number = 0;
  auto lock = FileLock::Acquire(*path, kIndexLockWaitMs, &refusal, &error_number);
  if (!lock) {
    *reason = refusal == FileLock::Refusal::kBusy
                  ? String(u"another copy of Quillmere is building this index; try again when it has finished")
                  : FromByteString(std::strerror(error_number));
  }
  return lock;
}

std::unique_ptr<OutputSet> NewIndexOutputSet(const String& install_dir) {
  const std::string base = OutputBase(install_dir);
  return std::make_unique<OutputSet>(base + kJournalName, base);
}

void MendIndexOutputs(const String& install_dir) {
  const std::string base = OutputBase(install_dir);
  if (base.empty()) return;
  const std::string journal = base + kJournalName;
  const InterruptedCommit commit = FinishInterruptedCommit(journal, base);
  if (commit.found && commit.complete) {
    WriteErrorLine("Completed an interrupted update of the index in " + base + ": " + std::to_string(commit.replaced) +
                   " files put in place" +
                   (commit.failed > 0 ? ", " + std::to_string(commit.failed) + " could not be" : std::string()) + ".");
  } else if (commit.found) {
    WriteErrorLine("Discarded an update of the index in " + base + " that had not begun; the index is unchanged.");
  }
  for (const std::string& dir : {base, base + "/Modules"}) ReportRemoved(RemoveLeftoverTemporaries(dir, false), dir);
}

void MendOutputsAtStart() {
  if (const auto here = SystemPath(CurrentDir())) ReportRemoved(RemoveLeftoverTemporaries(*here, true), *here);
  if (tlwndir.empty()) return;
  const auto path = SystemPath(IndexLockPath(tlwndir));
  // Without a lock file no build has ever written here, so nothing needs
  // mending, and a mere start does not add one.
  struct stat info {};
  if (!path || lstat(path->c_str(), &info) != 0) return;
  // No waiting here: a build in progress elsewhere holds the lock and mends
  // the installation itself when it starts.
  if (const auto lock = FileLock::Acquire(*path, 0)) MendIndexOutputs(tlwndir);
}

}  // namespace qm
