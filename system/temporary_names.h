#pragma once
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Temporary files of the program's outputs carry a name that says what they
// are and who wrote them: ".<target name>.quillmere-tmp-<pid>-<number>",
// beside their target. A later start can then tell its own leftovers from
// anybody else's files, and whether the process that wrote one still runs.

// A new temporary name for target (a path), unique within this process.
std::string TemporaryNameFor(const std::string& target);

// The id of the process that wrote the temporary file called name (a file
// name without directory), or nothing when name is not such a file.
std::optional<pid_t> TemporaryWriter(std::string_view name);

}  // namespace qm
