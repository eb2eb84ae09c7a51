// The pieces the docset and the book share: stored text, XML attribute
// escaping and where a catalogue link points inside the installation.
#include <gtest/gtest.h>

#include "app/devhelp_book.h"
#include "app/doc_location.h"
#include "app/export_text.h"

namespace qm {
namespace {

// One unit per byte, as the command-list reader makes them.
String Units(const std::string& bytes) {
  String units;
  for (unsigned char byte : bytes) units += char16_t{byte};
  return units;
}

TEST(ExportUtf8, KeepsValidUtf8BytesAndReadsEverythingElseAsLatin1) {
  struct Case {
    String text;
    std::string stored;
  };
  const Case cases[] = {
      {u"Plain", "Plain"},
      {Units("na\xC3\xAFve"), "na\xC3\xAFve"},
      {Units("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80"},
      {Units("caf\xE9"), "caf\xC3\xA9"},
      {Units("\xC3\xA9\xE9"), "\xC3\x83\xC2\xA9\xC3\xA9"},  // one stray byte decides for the whole text
      {Units("\xC0\xAF"), "\xC3\x80\xC2\xAF"},              // overlong form
      {Units("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80"},  // encoded surrogate
      {Units("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},  // beyond U+10FFFF
      {Units("\xE2\x82"), "\xC3\xA2\xC2\x82"},                          // cut short
      {u"\u20AC", "\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {String(1, char16_t{0xD800}), "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExportUtf8(c.text), c.stored);
}

TEST(XmlAttribute, EscapesMarkupAndKeepsControlCharactersLegal) {
  struct Case {
    std::string utf8;
    std::string escaped;
  };
  const Case cases[] = {
      {"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
      {"t\tn\nr\r", "t&#9;n&#10;r&#13;"},
      {std::string("\x01\x1F", 2), "\xE2\x90\x81\xE2\x90\x9F"},
      {"\xEF\xBF\xBE\xEF\xBF\xBF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendXmlAttribute(out, c.utf8);
    EXPECT_EQ(out, c.escaped) << c.utf8;
  }
}

TEST(DocLocation, FindsThePageInsideTheInstallationOrNothing) {
  struct Case {
    String link;
    bool inside;
    String file, suffix, from_html;
  };
  const Case cases[] = {
      {u"/i/docs/html/Modules/a/index.html#Foo", true, u"docs/html/Modules/a/index.html", u"#Foo",
       u"Modules/a/index.html#Foo"},
      {u"/i/mod/a.mod/b.mod/doc/commands.html#B", true, u"mod/a.mod/b.mod/doc/commands.html", u"#B",
       u"../../mod/a.mod/b.mod/doc/commands.html#B"},
      {u"/i//docs/./html/x/../y.html?q#z", true, u"docs/html/y.html", u"?q#z", u"y.html?q#z"},
      {u"\\i\\docs\\html\\y.html", true, u"docs/html/y.html", u"", u"y.html"},
      {u"/i/../etc/passwd", false, u"", u"", u""},
      {u"/idocs/html/y.html", false, u"", u"", u""},
      {u"/other/y.html", false, u"", u"", u""},
      {u"/i/", false, u"", u"", u""},
  };
  for (const auto& c : cases) {
    for (const String dir : {u"/i", u"/i/"}) {
      const DocLocation location = LocateInInstallation(c.link, dir);
      EXPECT_EQ(location.inside, c.inside);
      EXPECT_EQ(location.file, c.file);
      EXPECT_EQ(location.suffix, c.suffix);
      if (c.inside) {
        EXPECT_EQ(RelativeToHtmlFolder(location), c.from_html);
      }
    }
  }
}

}  // namespace
}  // namespace qm
