#pragma once
#include <string>

namespace qm {

// The temporary files this process is writing at the moment, kept where a
// signal handler can reach them: it may neither allocate nor lock, so the
// table is fixed in size and each entry is published only once complete.

// Remembers path until Forget; a slot number, or -1 when the table is full
// or the path too long (such a file is then left for the next start to
// remove).
int RememberTemporary(const std::string& path);
void ForgetTemporary(int slot);

// Removes every remembered temporary file. Async-signal-safe.
void RemovePendingTemporaries() noexcept;

}  // namespace qm
