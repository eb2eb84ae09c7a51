#include "app/last_output_line.h"

#include <gtest/gtest.h>

#include <string>

#include "system/strings.h"

namespace qm {
namespace {

// Output reaches the follower in blocks of whatever size the pipe had
// waiting; the line kept must not depend on where the blocks were cut.
TEST(LastOutputLine, SameLineWhereverTheOutputIsCut) {
  const std::string long_line(5000, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"one\ntwo\n", "two"},
      {"one\ntwo", "two"},
      {"one\n\n\r\n\n", "one"},
      {"a\r\nb\r\n", "b"},
      {"\rx\n", "x"},
      {"x\ry\n", "x\ry"},
      {"first\n" + long_line + "\n\n", std::string(LastOutputLine::kKept, 'x')},
      {long_line + "\r\nshort\r", "short"},
      {"\r\n\r", ""},
  };
  for (const auto& [output, expected] : cases) {
    for (std::size_t block = 1; block <= output.size() + 1; block += (block < 8 ? 1 : 997)) {
      LastOutputLine last;
      for (std::size_t at = 0; at < output.size(); at += block) {
        const std::string piece = output.substr(at, block);
        last.Take(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
      }
      EXPECT_EQ(last.Line(), FromBytes(expected)) << "output " << output.substr(0, 20) << ", blocks of " << block;
    }
  }
}

}  // namespace
}  // namespace qm
