#pragma once
#include <cstdint>
#include <string>

#include "system/object.h"
#include "system/unique_fd.h"

namespace qm {

// A file for what a process sets aside while it works: it has no name in
// dir, so nothing is left behind whatever ends the process, and it goes
// when its descriptor closes. false, with the reason in *error, when dir
// cannot hold one.
bool OpenUnnamedFile(const std::string& dir, UniqueFd* file, String* error);

// All of bytes written at offset, however many calls that takes; false on
// the first failure.
bool WriteAllAt(int fd, const char* bytes, std::size_t size, std::uint64_t offset);
// size bytes read from offset into bytes; false unless all of them came.
bool ReadAllAt(int fd, char* bytes, std::size_t size, std::uint64_t offset);

}  // namespace qm
