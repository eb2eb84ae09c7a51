#pragma once

namespace qm {

// The two remembered settings live in "config.txt" in the working directory
// (the program's own directory): the installation directory, then the
// "Rebuild docs" choice as a decimal number, each line ended by CR LF.
void LoadInfo();
// Rewrites the whole file; a file that cannot be written is silently not
// remembered, and an existing one is only ever replaced by a complete one.
void SaveInfo();

}  // namespace qm
