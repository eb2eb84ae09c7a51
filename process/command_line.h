#pragma once
#include <string>
#include <vector>

namespace qm {

// Splits a child's command line (narrowed bytes) into arguments the way the
// child launcher does, without a shell: only the space byte separates; a
// double quote at the start of an argument groups everything up to the next
// double quote (or the end), and scanning resumes right after it; there are
// no escapes, and a quote inside an unquoted argument is an ordinary byte.
// The first argument is the executable path, used as is.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace qm
