#pragma once
#include <string_view>

namespace qm {

// Writes one line (the bytes given, then a line feed) on standard error.
// Standard output is flushed first, so that progress lines and the problem
// reported after them reach a shared terminal or log in their real order.
void WriteErrorLine(std::string_view text);

}  // namespace qm
