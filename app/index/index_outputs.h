#pragma once
#include <memory>
#include <string_view>

#include "system/file_lock.h"
#include "system/object.h"
#include "system/output_set.h"

namespace qm {

// Where a build keeps its lock and its journal: hidden files in the folder
// of the index files, docs/html/Modules of the installation.

// How long a build waits while another copy of the program builds the same
// installation.
constexpr int kIndexLockWaitMs = 3000;

String IndexLockPath(const String& install_dir);

// Whether relative (a path under docs/html, "/"-separated) is one of the
// files a build writes: only those may an interrupted commit put in place,
// never the command list, the lock or the journal. A new output of the
// build is added to the list in index_outputs.cpp.
bool IsIndexOutputName(std::string_view relative);

// Everything a build reads and writes lies in docs/html and
// docs/html/Modules. When either resolves (links followed) outside the
// installation's own real path, a build there would change another tree:
// false, with the folder in *path and the reason, naming both real paths, in
// *reason.
bool OutputFoldersInside(const String& install_dir, String* path, String* reason);

// The installation's build lock, or null with the reason in *reason.
std::unique_ptr<FileLock> LockIndex(const String& install_dir, String* reason);

// A set for the outputs of one build of install_dir (everything it writes
// under docs/html), journaled beside the index files.
std::unique_ptr<OutputSet> NewIndexOutputSet(const String& install_dir);

// Completes an interrupted commit of install_dir's outputs, or removes the
// temporary files of one that never began, saying so on standard error.
// Only while holding the lock.
void MendIndexOutputs(const String& install_dir);

// Called once, early, by every start of the program: mends the known
// installation unless another copy of the program is building it right now
// (that build mends it itself), and removes this program's temporary files
// left in its working directory by runs that ended abruptly.
void MendOutputsAtStart();

}  // namespace qm
