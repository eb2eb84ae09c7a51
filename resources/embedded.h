#pragma once
#include <cstddef>
#include <span>

namespace qm::resources {

// The page templates carried inside the executable.
std::span<const unsigned char> IndexHtml();
std::span<const unsigned char> CommandsHtml();
std::span<const unsigned char> StyleCss();

}  // namespace qm::resources
