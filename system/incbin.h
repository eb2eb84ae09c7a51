#pragma once
#include <cstddef>

#include "system/object.h"

namespace qm {

// The registry of data embedded in the executable, looked up by exact,
// case-sensitive name (no separator conversion). The data is not copied: it
// must outlive the program's use of it, as compiled-in bytes do.

// 1 when registered; 0 when the name is already present, whose first data
// stays.
int IncbinAdd(const String& name, const void* data, std::size_t length);
// The registered data and length, or null and 0 for an unknown name.
const void* IncbinPtr(const String& name);
std::size_t IncbinLen(const String& name);

}  // namespace qm
