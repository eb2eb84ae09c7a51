#pragma once
#include <cstddef>
#include <string>

#include "system/object.h"

namespace qm {

// Follows a child's output as it streams past and keeps only its last
// non-empty line, read as a line is everywhere else (the line feed and a
// carriage return before it dropped, and a carriage return at its start),
// so memory stays bounded however much the child prints. Of a line longer
// than kKept bytes only its first kKept bytes are kept.
class LastOutputLine {
 public:
  static constexpr std::size_t kKept = 4096;

  void Take(const unsigned char* bytes, std::size_t count);
  // The last non-empty line, bytes after the final line feed counting as a
  // line of their own; "" when there was none.
  String Line() const;

 private:
  // Completes the pending line with [begin, end) and keeps it when it is not empty.
  void EndLine(const unsigned char* begin, const unsigned char* end);
  void AddToPending(const unsigned char* begin, const unsigned char* end);
  static std::string Cleaned(std::string line, bool cut);

  std::string last_;
  // The start of the line still waiting for its line feed, at most kKept
  // bytes; cut_ when more of it went past.
  std::string pending_;
  bool cut_ = false;
};

}  // namespace qm
