#pragma once

namespace qm {

// Builds the main window and runs its event loop until the user ends the
// program.
[[noreturn]] void RunWindowMode();

}  // namespace qm
