#include "process/command_line.h"

namespace qm {

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> arguments;
  const std::size_t length = line.size();
  std::size_t at = 0;
  while (true) {
    while (at < length && line[at] == ' ') ++at;
    if (at >= length) break;
    if (line[at] == '"') {
      const std::size_t start = at + 1;
      std::size_t close = line.find('"', start);
      if (close == std::string::npos) close = length;
      arguments.push_back(line.substr(start, close - start));
      at = close + 1;
    } else {
      std::size_t stop = line.find(' ', at);
      if (stop == std::string::npos) stop = length;
      arguments.push_back(line.substr(at, stop - at));
      at = stop;
    }
  }
  return arguments;
}

}  // namespace qm
