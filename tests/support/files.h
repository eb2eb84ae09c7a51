#pragma once
#include <filesystem>
#include <string>

namespace qm::testing {

// The whole file, byte for byte; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Replaces the file with the bytes, making its folders first.
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);
// Root writes through permissions: such tests make a write fail another way.
bool RunningAsRoot();

}  // namespace qm::testing
