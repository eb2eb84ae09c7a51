#pragma once
#include <optional>
#include <string>

#include "system/object.h"

namespace qm {

// The one place where paths are turned into the form the operating system
// sees. Paths may be written with "\" or "/" as separator; every file-system
// operation fixes its path first, so both spellings reach the same file.
//
// Backslashes become "/". With directory set, one trailing "/" is dropped
// unless the path is the root "/" itself. Nothing else is normalised.
String FixPath(const String& path, bool directory = false);

// The fixed path narrowed to bytes for a system call, or nothing when the
// narrowing would change which file is meant: a zero unit would cut the path
// short and a unit above 255 would lose its high byte (U+012F would turn into
// a "/"). Such a path names no file; the caller fails as for a missing one.
std::optional<std::string> SystemPath(const String& path, bool directory = false);

}  // namespace qm
