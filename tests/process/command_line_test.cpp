#include "process/command_line.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineQuotes, QuotedWordsGroupAndLoseTheirQuotes) {
  EXPECT_EQ(SplitCommandLine("\"a b\" c"), (Args{"a b", "c"}));
}

TEST(CommandLineQuotes, QuoteInsideAnUnquotedWordIsAnOrdinaryByte) {
  EXPECT_EQ(SplitCommandLine("abc\"def"), (Args{"abc\"def"}));
}

TEST(CommandLineQuotes, TextRightAfterAClosingQuoteStartsANewArgument) {
  EXPECT_EQ(SplitCommandLine("\"abc\"def"), (Args{"abc", "def"}));
}

TEST(CommandLineQuotes, EmptyQuotesGiveOneEmptyArgument) { EXPECT_EQ(SplitCommandLine("\"\""), (Args{""})); }

TEST(CommandLineQuotes, UnclosedQuoteRunsToTheEnd) { EXPECT_EQ(SplitCommandLine("run \"a b"), (Args{"run", "a b"})); }

TEST(CommandLineQuotes, BackslashIsNoEscape) {
  EXPECT_EQ(SplitCommandLine("a\\ b \"c\\\"d"), (Args{"a\\", "b", "c\\", "d"}));
}

TEST(CommandLineSpaces, LeadingTrailingAndRepeatedSpacesGiveNoEmptyArguments) {
  EXPECT_EQ(SplitCommandLine("   a    b  "), (Args{"a", "b"}));
  EXPECT_EQ(SplitCommandLine("    "), Args{});
  EXPECT_EQ(SplitCommandLine(""), Args{});
}

TEST(CommandLineSpaces, TabsDoNotSeparate) { EXPECT_EQ(SplitCommandLine("a\tb c"), (Args{"a\tb", "c"})); }

TEST(CommandLineSpaces, UnquotedPathSplitsAtItsBlank) {
  EXPECT_EQ(SplitCommandLine("/Users/a b/bin/tool"), (Args{"/Users/a", "b/bin/tool"}));
  EXPECT_EQ(SplitCommandLine("\"/Users/a b/bin/tool\""), (Args{"/Users/a b/bin/tool"}));
}

}  // namespace
}  // namespace qm
