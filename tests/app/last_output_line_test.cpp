#include "app/last_output_line.h"

#include <gtest/gtest.h>

#include "system/strings.h"

namespace qm {
namespace {

// Output arrives in blocks of whatever the pipe held; the line kept must not
// depend on where they were cut.
TEST(LastOutputLine, SameLineWhereverTheOutputIsCut) {
  const std::string longest(LastOutputLine::kKept, 'x'), longer = longest + "yz";
  const std::pair<std::string, std::string> cases[] = {
      {"", ""}, {"one\ntwo\n", "two"}, {"one\ntwo", "two"}, {"one\n\n\r\n\n", "one"}, {"a\r\nb\r\n\r", "b"},
      {"\rx\n", "x"}, {"x\ry\n", "x\ry"}, {"1\n" + longer + "\n\n", longest}, {longer + "\r\nshort\r", "short"}};
  for (const auto& [output, expected] : cases) {
    for (std::size_t block = 1; block <= output.size() + 1; block += (block < 8 ? 1 : 997)) {
      LastOutputLine last;
      for (std::size_t at = 0; at < output.size(); at += block) {
        const std::string piece = output.substr(at, block);
        last.Take(reinterpret_cast<const unsigned char*>(piece.data()), piece.size());
      }
      EXPECT_EQ(last.Line(), FromBytes(expected)) << output.substr(0, 20) << ", blocks of " << block;
    }
  }
}

}  // namespace
}  // namespace qm
