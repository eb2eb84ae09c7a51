#include "system/strings.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(StringsCompare, OrdersByUnsignedCodeUnitsThenLength) {
  EXPECT_EQ(Compare(u"Z", u"a"), -7);
  EXPECT_EQ(Compare(u"ab", u"abc"), -1);
  EXPECT_EQ(Compare(u"", u""), 0);
  EXPECT_GT(Compare(String(1, char16_t(0xFFFF)), u"a"), 0);  // unsigned, not signed
  EXPECT_LT(Compare(u"", u"A"), 0);
  EXPECT_TRUE(Equal(u"abc", u"abc"));
  EXPECT_FALSE(Equal(u"abc", u"abC"));
}

TEST(StringsSearch, NotFoundValuesAndClampedStarts) {
  EXPECT_EQ(Find(u"abc", u"", 3), 3);
  EXPECT_EQ(Find(u"abc", u"", 4), -1);
  EXPECT_EQ(Find(u"abc", u"c", -5), 2);
  EXPECT_EQ(Find(u"abc", u"abcd"), -1);
  EXPECT_EQ(Find(u"a|b|c", u"|", 2), 3);
  EXPECT_EQ(FindLast(u"x.tar.gz", u"."), 5);
  EXPECT_EQ(FindLast(u"abc", u""), 3);
  EXPECT_EQ(FindLast(u"abc", u"z"), -1);
  EXPECT_EQ(Instr(u"a:b", u":"), 2);
  EXPECT_EQ(Instr(u"ab", u":"), 0);
  EXPECT_EQ(Instr(u"a|b|c", u"|", 3), 4);
  EXPECT_EQ(Instr(u"abc", u"a", -10), 1);
  EXPECT_TRUE(StartsWith(u"abc", u""));
  EXPECT_TRUE(EndsWith(u"abc", u"bc"));
  EXPECT_FALSE(StartsWith(u"ab", u"abc"));
}

TEST(StringsSlice, PadsOutsideWithSpacesAndNeverFails) {
  EXPECT_EQ(Slice(u"abc", -2, 2), u"  ab");
  EXPECT_EQ(Slice(u"abc", 1, 6), u"bc   ");
  EXPECT_EQ(Slice(u"abc", 2, 1), u"");
  EXPECT_EQ(Slice(u"abc", 0, -1), u"");
  EXPECT_EQ(Slice(u"abc", 5, 7), u"  ");
  EXPECT_EQ(Left(u"abc", 2), u"ab");
  EXPECT_EQ(Left(u"abc", 9), u"abc");
  EXPECT_EQ(Right(u"abc", 5), u"abc");
  EXPECT_EQ(Right(u"abc", 0), u"");
  EXPECT_EQ(Right(u"abc", -1), u"");
  EXPECT_EQ(Right(u"abc", 1), u"c");
}

TEST(StringsToInt, SyntaxBasesAndWrapAround) {
  EXPECT_EQ(ToInt(u"  -42abc"), -42);
  EXPECT_EQ(ToInt(u"$ff"), 255);
  EXPECT_EQ(ToInt(u"$7FffFFFF"), 2147483647);
  EXPECT_EQ(ToInt(u"%101"), 5);
  EXPECT_EQ(ToInt(u"%102"), 2);
  EXPECT_EQ(ToInt(u"- 5"), 0);
  EXPECT_EQ(ToInt(u""), 0);
  EXPECT_EQ(ToInt(u"   "), 0);
  EXPECT_EQ(ToInt(u"-"), 0);
  EXPECT_EQ(ToInt(u"+7"), 7);
  EXPECT_EQ(ToInt(u"4294967297"), 1);
  EXPECT_EQ(ToInt(u"2147483648"), -2147483647 - 1);
  EXPECT_EQ(ToInt(u"\t\r\n\v\f 1"), 1);
  EXPECT_EQ(ToInt(u" 1"), 1);
  EXPECT_EQ(ToInt(u"1x"), 1);
  EXPECT_EQ(ToInt(u"x1"), 0);
  EXPECT_EQ(ToInt(u"-1"), -1);
  EXPECT_EQ(ToInt(String(1, char16_t(0xA0)) + u"5"), 0);  // no-break space is not white space
}

TEST(StringsFromInt, PlainDecimal) {
  EXPECT_EQ(FromInt(0), u"0");
  EXPECT_EQ(FromInt(-16), u"-16");
  EXPECT_EQ(FromInt(-2147483647 - 1), u"-2147483648");
  EXPECT_EQ(FromInt(ToInt(u"-1")), u"-1");
}

TEST(StringsCaseAndReplace, AsciiOnlyAndLeftToRight) {
  const String latin = String(1, char16_t(223)) + u"az{`";
  EXPECT_EQ(Upper(latin), String(1, char16_t(223)) + u"AZ{`");
  EXPECT_EQ(Lower(u"AZ@[x"), u"az@[x");
  EXPECT_EQ(Replace(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(Replace(u"a\\b\\c", u"\\", u"/"), u"a/b/c");
  EXPECT_EQ(Replace(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(Replace(u"abc", u"z", u"x"), u"abc");
  EXPECT_EQ(Replace(u"aXa", u"a", u"aa"), u"aaXaa");  // inserted text is not searched again
}

TEST(StringsBytes, NarrowingAndWideningRoundTrip) {
  EXPECT_EQ(ToByteString(String(1, char16_t(0x263A))), std::string(":"));
  const std::string utf8_e_acute = "\xC3\xA9";
  const String widened = FromBytes(utf8_e_acute);
  ASSERT_EQ(widened.size(), 2u);
  EXPECT_EQ(widened[0], 0xC3);
  EXPECT_EQ(widened[1], 0xA9);
  EXPECT_EQ(ToByteString(widened), utf8_e_acute);
  const char with_nul[] = {'a', 0, 'b'};
  EXPECT_EQ(FromBytes(with_nul, 3).size(), 3u);  // a zero byte is an ordinary unit
  EXPECT_EQ(FromByteString(with_nul), u"a");
  EXPECT_EQ(FromByteString(nullptr), u"");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(ToByteString(FromBytes(all)), all);
}

TEST(StringsUtf8, EachUnitOnItsOwn) {
  EXPECT_EQ(ToUtf8(String(1, char16_t(0x20AC))), "\xE2\x82\xAC");
  EXPECT_EQ(ToUtf8(String(1, char16_t(0xE9))), "\xC3\xA9");
  EXPECT_EQ(ToUtf8(u"A"), "A");
  // A surrogate pair becomes two three-byte sequences.
  EXPECT_EQ(ToUtf8(u"\U0001F600").size(), 6u);
}

}  // namespace
}  // namespace qm
