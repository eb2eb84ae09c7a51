#include "app/index/index_outputs.h"

#include <sys/stat.h>

#include <cstring>

#include "app/index/catalogue.h"
#include "app/search/fulltext_index.h"
#include "gui/event_queue.h"
#include "system/contained_file.h"
#include "system/error_line.h"
#include "system/filesystem.h"
#include "system/fix_path.h"
#include "system/strings.h"

namespace qm {
namespace {

const char16_t kLockName[] = u"/docs/html/Modules/.quillmere.lock";
const char kJournalName[] = "/Modules/.quillmere-commit";

// Everything a build writes, relative to docs/html.
constexpr std::string_view kOutputNames[] = {
    "Modules/command.js", "Modules/links.js",      "Modules/modules.js", "Modules/mod.js",
    "index.html",         "Modules/commands.html", "tlwstyle.css",       "Modules/tlwstyle.css",
    "button.js",          "Modules/button.js",     "tallowin.devhelp2",  "Modules/sigs.js",
    "Modules/summaries.js",
};

// Keeps a window drawn while another copy holds the lock; what the person
// does meanwhile is dropped, as during a documentation rebuild.
void ServiceWindowSystem() {
  if (PeekEvent()) WaitEvent();
}

// Everything a build writes lies under docs/html.
std::string OutputBase(const String& install_dir) { return SystemPath(install_dir + u"/docs/html").value_or(""); }

void ReportRemoved(int removed, const std::string& dir) {
  if (removed == 0) return;
  WriteErrorLine("Removed " + std::to_string(removed) + " temporary file" + (removed == 1 ? "" : "s") +
                 " left by an interrupted build in " + dir + ".");
}

}  // namespace

String IndexLockPath(const String& install_dir) { return install_dir + kLockName; }

bool IsIndexOutputName(std::string_view relative) {
  for (const std::string_view name : kOutputNames)
    if (name == relative) return true;
  // The full-text files, whose number follows the size of the documentation.
  return relative.starts_with("Modules/") && IsFullTextFileName(relative.substr(8));
}

bool OutputFoldersInside(const String& install_dir, String* path, String* reason) {
  const auto install = SystemPath(install_dir);
  const std::string install_real = install ? RealPathOf(*install) : std::string();
  if (install_real.empty()) return true;  // missing: the build says so when it reads the list
  for (const char16_t* folder : {u"/docs/html", u"/docs/html/Modules"}) {
    const auto system_path = SystemPath(install_dir + folder);
    std::string real;
    if (!system_path || PathWithin(*system_path, install_real, &real) || real.empty()) continue;
    *path = install_dir + folder;
    *reason = FromBytes("leads to " + real + ", outside the installation " + install_real + "; nothing was written");
    return false;
  }
  return true;
}

std::unique_ptr<FileLock> LockIndex(const String& install_dir, String* reason) {
  const auto path = SystemPath(IndexLockPath(install_dir));
  if (!path) {
    *reason = u"invalid file name";
    return nullptr;
  }
  FileLock::Refusal refusal{};
  int error_number = 0;
  auto lock = FileLock::Acquire(*path, kIndexLockWaitMs, &refusal, &error_number, ServiceWindowSystem);
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
  const InterruptedCommit commit = FinishInterruptedCommit(journal, base, IsIndexOutputName);
  // What a journal left is told in one line: the temporary files it names
  // but could not use are the leftovers removed below.
  std::string told;
  if (commit.not_a_journal) {
    told = "Set aside " + journal + ", which is not a regular file and so no record of an update" +
           (commit.set_aside.empty() ? std::string(", but it could not be moved") : ", as " + commit.set_aside) + ".";
  } else if (commit.found && commit.complete) {
    told = "Completed an interrupted update of the index in " + base + ": " + std::to_string(commit.replaced) +
           " files put in place" +
           (commit.failed > 0 ? ", " + std::to_string(commit.failed) + " could not be" : std::string()) +
           (commit.refused > 0 ? ", " + std::to_string(commit.refused) + " entries naming no output of a build ignored"
                               : std::string()) +
           ".";
  } else if (commit.found) {
    told = "Discarded an update of the index in " + base + " that had not begun; the index is unchanged.";
  }
  for (const std::string& dir : {base, base + "/Modules"}) {
    const int removed = RemoveLeftoverTemporaries(dir, false);
    if (told.empty()) {
      ReportRemoved(removed, dir);
    } else if (removed > 0) {
      told +=
          " Removed " + std::to_string(removed) + " temporary file" + (removed == 1 ? "" : "s") + " in " + dir + ".";
    }
  }
  if (!told.empty()) WriteErrorLine(told);
}

void MendOutputsAtStart() {
  if (const auto here = SystemPath(CurrentDir())) ReportRemoved(RemoveLeftoverTemporaries(*here, true), *here);
  if (tlwndir.empty()) return;
  const auto path = SystemPath(IndexLockPath(tlwndir));
  // Without a lock file no build has ever written here, so nothing needs
  // mending, and a mere start does not add one.
  struct stat info {};
  if (!path || lstat(path->c_str(), &info) != 0) return;
  // A docs folder leading into another tree is that tree's business.
  String outside, reason;
  if (!OutputFoldersInside(tlwndir, &outside, &reason)) return;
  // No waiting here: a build in progress elsewhere holds the lock and mends
  // the installation itself when it starts.
  if (const auto lock = FileLock::Acquire(*path, 0)) MendIndexOutputs(tlwndir);
}

}  // namespace qm
