#include "system/display_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/runtime_error.h"
#include "system/strings.h"

namespace qm {
namespace {

// Bytes as the program holds them: one unit per byte.
String Bytes(std::string_view bytes) { return FromBytes(bytes); }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
    out += ' ';
  }
  return out;
}

struct DisplayCase {
  const char* what;
  String text;
  bool holds_utf8;
  std::string shown;
};

TEST(DisplayText, UnitsThatSpellUtf8ShowAsThatTextAndEverythingElseOneCharacterPerUnit) {
  const std::vector<DisplayCase> cases = {
      {"empty", u"", true, ""},
      {"ascii", u"Tallowin dir  : /opt/tlw", true, "Tallowin dir  : /opt/tlw"},
      {"zero unit", Bytes(std::string_view("a\0b", 3)), true, std::string("a\0b", 3)},
      // Well-formed UTF-8 held as bytes: the bytes themselves.
      {"e acute path",
       Bytes("/home/me/R\xC3\xA9"
             "al Install"),
       true,
       "/home/me/R\xC3\xA9"
       "al Install"},
      {"cjk folder", Bytes("/tmp/\xE6\x96\x87\xE6\xA1\xA3"), true, "/tmp/\xE6\x96\x87\xE6\xA1\xA3"},
      {"emoji", Bytes("\xF0\x9F\x98\x80"), true, "\xF0\x9F\x98\x80"},
      {"U+0080", Bytes("\xC2\x80"), true, "\xC2\x80"},
      {"U+07FF", Bytes("\xDF\xBF"), true, "\xDF\xBF"},
      {"U+0800", Bytes("\xE0\xA0\x80"), true, "\xE0\xA0\x80"},
      {"U+D7FF", Bytes("\xED\x9F\xBF"), true, "\xED\x9F\xBF"},
      {"U+E000", Bytes("\xEE\x80\x80"), true, "\xEE\x80\x80"},
      {"U+FFFF", Bytes("\xEF\xBF\xBF"), true, "\xEF\xBF\xBF"},
      {"U+10000", Bytes("\xF0\x90\x80\x80"), true, "\xF0\x90\x80\x80"},
      {"U+10FFFF", Bytes("\xF4\x8F\xBF\xBF"), true, "\xF4\x8F\xBF\xBF"},
      // Latin-1 bytes, as older files hold them: each byte one character.
      {"latin-1 name",
       Bytes("R\xE9"
             "al"),
       false,
       "R\xC3\xA9"
       "al"},
      {"latin-1 before utf-8", Bytes("\xE9 \xC3\xA9"), false, "\xC3\xA9 \xC3\x83\xC2\xA9"},
      // Overlong forms.
      {"overlong slash 2", Bytes("\xC0\xAF"), false, "\xC3\x80\xC2\xAF"},
      {"overlong C1", Bytes("\xC1\xBF"), false, "\xC3\x81\xC2\xBF"},
      {"overlong slash 3", Bytes("\xE0\x80\xAF"), false, "\xC3\xA0\xC2\x80\xC2\xAF"},
      {"overlong U+07FF in 3", Bytes("\xE0\x9F\xBF"), false, "\xC3\xA0\xC2\x9F\xC2\xBF"},
      {"overlong slash 4", Bytes("\xF0\x80\x80\xAF"), false, "\xC3\xB0\xC2\x80\xC2\x80\xC2\xAF"},
      {"overlong U+FFFF in 4", Bytes("\xF0\x8F\xBF\xBF"), false, "\xC3\xB0\xC2\x8F\xC2\xBF\xC2\xBF"},
      // Continuation bytes without a lead, and leads without them.
      {"lone continuation", Bytes("\x80"), false, "\xC2\x80"},
      {"continuation after ascii", Bytes("a\xBF"), false, "a\xC2\xBF"},
      {"extra continuation", Bytes("\xC3\xA9\xA9"), false, "\xC3\x83\xC2\xA9\xC2\xA9"},
      {"truncated at end", Bytes("ab\xC3"), false, "ab\xC3\x83"},
      {"truncated 3-byte", Bytes("\xE6\x96"), false, "\xC3\xA6\xC2\x96"},
      {"lead then ascii",
       Bytes("\xC3"
             "A"),
       false,
       "\xC3\x83"
       "A"},
      {"3-byte broken in the middle",
       Bytes("\xE6"
             "a\x87"),
       false,
       "\xC3\xA6"
       "a\xC2\x87"},
      // Surrogates encoded in UTF-8 are not UTF-8.
      {"encoded high surrogate", Bytes("\xED\xA0\x80"), false, "\xC3\xAD\xC2\xA0\xC2\x80"},
      {"encoded low surrogate", Bytes("\xED\xBF\xBF"), false, "\xC3\xAD\xC2\xBF\xC2\xBF"},
      {"encoded pair", Bytes("\xED\xA0\xBD\xED\xB8\x80"), false, "\xC3\xAD\xC2\xA0\xC2\xBD\xC3\xAD\xC2\xB8\xC2\x80"},
      // Beyond U+10FFFF, and bytes that never occur.
      {"U+110000", Bytes("\xF4\x90\x80\x80"), false, "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
      {"F5 lead", Bytes("\xF5\x80\x80\x80"), false, "\xC3\xB5\xC2\x80\xC2\x80\xC2\x80"},
      {"FE FF", Bytes("\xFE\xFF"), false, "\xC3\xBE\xC3\xBF"},
      // Units above 255: the text is not bytes, each unit is a character.
      {"euro sign", u"Items: \u20AC", false, "Items: \xE2\x82\xAC"},
      {"utf-8 bytes beside a wide unit", u"\u00C3\u00A9 \u20AC", false, "\xC3\x83\xC2\xA9 \xE2\x82\xAC"},
      {"cjk units", u"\u6587\u6863", false, "\xE6\x96\x87\xE6\xA1\xA3"},
      {"surrogate pair", u"\U0001F600", false, "\xF0\x9F\x98\x80"},
      {"lone high surrogate", String(1, char16_t(0xD800)) + u"x", false, "\xEF\xBF\xBDx"},
      {"lone low surrogate", String(1, char16_t(0xDC00)), false, "\xEF\xBF\xBD"},
      {"pair in wrong order", String{char16_t(0xDC00), char16_t(0xD800)}, false, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"U+0100", String(1, char16_t(0x100)), false, "\xC4\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HoldsUtf8Bytes(c.text), c.holds_utf8) << c.what;
    EXPECT_EQ(Hex(DisplayUtf8(c.text)), Hex(c.shown)) << c.what;
  }
}

struct ReadBackCase {
  const char* what;
  std::string shown;
  String read;
};

TEST(DisplayText, TextReadBackFromADisplayShowsTheSameAgain) {
  const std::vector<ReadBackCase> cases = {
      {"ascii", "CLOSE", u"CLOSE"},
      {"e acute",
       "R\xC3\xA9"
       "al",
       u"R\u00E9al"},
      {"cjk", "\xE6\x96\x87", u"\u6587"},
      {"emoji as a pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      // One character per unit would show "Ã©" as "é": only the bytes
      // show it as it was.
      {"text that looks like utf-8 bytes", "\xC3\x83\xC2\xA9", Bytes("\xC3\x83\xC2\xA9")},
  };
  for (const auto& c : cases) {
    const String read = FromDisplayUtf8(c.shown);
    EXPECT_EQ(read, c.read) << c.what;
    EXPECT_EQ(Hex(DisplayUtf8(read)), Hex(c.shown)) << c.what;
  }
  // A display never gives bytes that are not UTF-8; should one, no byte is lost.
  EXPECT_EQ(FromDisplayUtf8("a\xE9\xC3\xA9"), Bytes("a\xE9\xC3\xA9"));
}

TEST(DisplayText, ARunTimeErrorNamesAPathAsTyped) {
  const RuntimeError error(u"Write to " +
                           Bytes("/home/R\xC3\xA9"
                                 "al/\xE6\x96\x87") +
                           u" abandoned");
  EXPECT_STREQ(error.what(), "Write to /home/R\xC3\xA9"
                             "al/\xE6\x96\x87 abandoned");
}

}  // namespace
}  // namespace qm
