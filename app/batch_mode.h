#pragma once

namespace qm {

// Builds the index without a window and ends: status 0 when the build
// succeeded or no directory is known, 1 when the build failed. With the
// argument "--rebuild-docs" the documentation is regenerated first; with
// "--docset DIR" a docset is exported into DIR after a successful build.
[[noreturn]] void RunBatchMode();

}  // namespace qm
