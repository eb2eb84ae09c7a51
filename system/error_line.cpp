#include "system/error_line.h"

#include <cstdio>

namespace qm {

void WriteErrorLine(std::string_view text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace qm
