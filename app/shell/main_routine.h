#pragma once

namespace qm {

// The index builder's single entry point, called once by the application
// shell after Startup. Never returns: every path ends through End.
[[noreturn]] void MainRoutine();

}  // namespace qm
