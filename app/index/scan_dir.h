#pragma once
#include <vector>

#include "system/object.h"

namespace qm {

// The regular files of one directory whose extension equals ext exactly,
// as dir + "\" + name, in listing order. An empty dir means the current
// directory; a directory that cannot be listed gives no paths.
std::vector<String> ScanDir(const String& dir, const String& ext);

}  // namespace qm
