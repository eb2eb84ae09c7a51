#pragma once

#include "app/shell/options.h"

namespace qm {

// Builds the index without a window and ends: status 0 when the build
// succeeded, 1 when it failed or no installation is set (one line on
// standard error says how to set one). With --rebuild-docs the
// documentation is regenerated first; with --docset DIR a docset is
// exported into DIR after a successful build.
[[noreturn]] void RunBatchMode(const ProgramOptions& options);

}  // namespace qm
