// The pieces the docset and the book share: XML attribute escaping and
// where a catalogue link points inside the installation.
#include <gtest/gtest.h>

#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "app/export/devhelp_book.h"
#include "app/export/url_reference.h"
#include "app/index/doc_location.h"

namespace qm {
namespace {

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

// A reference keeps unreserved bytes and "/" and writes every other byte
// as "%XX"; the suffix keeps its "?" and "#", and a first segment with ":"
// is not taken for a scheme.
TEST(UrlReference, EncodesAllButUnreservedBytesAndSlashes) {
  const struct {
    std::string_view prefix, page, suffix, expected;
  } cases[] = {
      {"", "a-b_c.d~/E9/f.html", "", "a-b_c.d~/E9/f.html"},
      {"../../", "mod/x y%z.html", "", "../../mod/x%20y%25z.html"},
      {"", "M\xC3\xBC/\"q\"<&>.html", "#frag ment/x", "M%C3%BC/%22q%22%3C%26%3E.html#frag%20ment/x"},
      {"", "c:d/e.html", "?q=1&r#f", "./c%3Ad/e.html?q%3D1%26r#f"},
      {"", "a/c:d.html", "?only", "a/c%3Ad.html?only"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlReference(c.prefix, c.page, c.suffix), c.expected) << c.page;
}

// The book's keywords are made from the catalogue's bytes when the links are
// the installation directory and a tail; with a directory spelt with a
// trailing "/" they go the general way. Both must give the same book.
TEST(DevhelpBook, KeywordsFromBytesMatchTheGeneralWay) {
  CreateCatalogue();
  const String dir = u"/tmp/no-such-install";
  const std::string list = "Plain|/docs/html/Modules/a.b/index.html#Plain\n"
                           "Back|\\docs\\html\\Modules\\c.d\\index.html#Back\n"
                           "Elsewhere|/mod/x/doc/commands.html?q=1#E\n"
                           "Dots|/docs/html/../html/Modules/e/index.html#Dots\n"
                           "Escapes|/../outside.html\n"
                           "Empty|/docs//html/index.html\n"
                           "Bare|docs/html/index.html\n"
                           "Gr\xC3\xBC\xC3\x9F|/docs/html/M\xC3\xBC/index.html#<&\">\n"
                           "caf\xE9|/docs/html/caf\xE9.html\n"
                           "Root|/\n"
                           "Trailing|/docs/html/Modules/\n"
                           "Dot|/docs/./html/index.html#Dot\n"
                           "SuffixSlash|/docs/html/index.html#a\\b?c\n"
                           "QueryAfter|\\docs\\html\\index.html#f?q\n";
  ReadCatalogue(list, dir, *list_command, *map_module);
  list_command->Sort();
  const std::string from_bytes = DevhelpBook(dir);
  EXPECT_EQ(from_bytes, DevhelpBook(dir + u"/"));
  EXPECT_NE(from_bytes.find("name=\"Gr\xC3\xBC\xC3\x9F\" link=\"M%C3%BC/index.html#%3C%26%22%3E\""), std::string::npos)
      << from_bytes;
  EXPECT_NE(from_bytes.find("name=\"caf\xC3\xA9\" link=\"caf%C3%A9.html\""), std::string::npos) << from_bytes;
  EXPECT_NE(from_bytes.find("link=\"../../mod/x/doc/commands.html?q%3D1#E\""), std::string::npos) << from_bytes;
  list_command->Clear();
}

}  // namespace
}  // namespace qm
