#pragma once
#include <cstdint>

#include "system/unique_fd.h"

namespace qm {

// Thin descriptor operations under the pipe stream and the child-process
// binding. Interrupted calls are retried, so a signal arriving while the
// program polls a child never shows up as a failed read or write.

// Bytes read, 0 at end of input, -1 on error.
std::int32_t fdRead(std::int32_t fd, void* buffer, std::int32_t count);
// Bytes written, -1 on error.
std::int32_t fdWrite(std::int32_t fd, const void* buffer, std::int32_t count);
std::int32_t fdClose(std::int32_t fd);
// Bytes that one read can take at once without blocking; 0 on error.
std::int32_t fdAvail(std::int32_t fd);
// Pipes hold no user-space buffer, so there is nothing to push out.
std::int32_t fdFlush(std::int32_t fd);

}  // namespace qm
