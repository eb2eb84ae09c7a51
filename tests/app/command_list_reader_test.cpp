#include "app/index/command_list_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

struct Record {
  String comando, link, fast_link, module;
  bool operator==(const Record&) const = default;
};

// Reads as the build does, each call into a fresh catalogue; the records of
// all calls, in reading order, and one module map that is never emptied.
class Reader : public ::testing::Test {
 protected:
  int Read(std::string_view bytes, const String& dir = u"D") {
    Catalogue catalogue;
    const int lines = ReadCatalogue(std::string(bytes), dir, catalogue, modules);
    catalogue.ForEach([&](const tcommand& c) { records.push_back({c.comando, c.link, c.fast_link, c.Modules}); });
    return lines;
  }
  const std::vector<Record>& Records() const { return records; }
  std::vector<String> ModuleKeys() const {
    std::vector<String> keys;
    for (const auto& key : modules.Keys()) keys.push_back(key);
    return keys;
  }
  std::vector<Record> records;
  ModuleMap modules;
};

TEST_F(Reader, WorkedExamples) {
  EXPECT_EQ(Read("Foo:Int( a:Int )|/docs/html/Modules/abc.xyz/index.html#Foo\n"
                 "Bar|/mod/abc.mod/xyz.mod/doc/commands.html#Bar\n"
                 "Baz[]|/docs/html/Modules/abc.xyz/index.html#Baz\n"
                 "Qux|Some words|/docs/html/Modules/abc.xyz/index.html#Qux\n"
                 "no bar at all\n"),
            5);
  const std::vector<Record> expected = {
      {u"Foo", u"D/docs/html/Modules/abc.xyz/index.html#Foo", u"5", u"abc.xyz"},
      {u"Bar", u"D/mod/abc.mod/xyz.mod/doc/commands.html#Bar", u"1", u"abc.mod/xyz"},
      {u"Baz", u"D/docs/html/Modules/abc.xyz/index.html#Baz", u"1", u"abc.xyz"},
      {u"Qux|Some words", u"D/docs/html/Modules/abc.xyz/index.html#Qux", u"16", u"abc.xyz"},
  };
  EXPECT_EQ(Records(), expected);
}

TEST_F(Reader, NamesAreCutInOrderAndEmptyChecksComeFirst) {
  Read("|\n"
       "|/x\n"
       ":Int|/a/Modules/m/index.html\n"
       "[]x|/a/Modules/m/index.html\n"
       "X=1|/a/Modules/m/index.html\n"
       "Size=10|/a/Modules/m/index.html\n"
       "=5|/a/Modules/m/index.html\n"
       "  Pad (x)|/a/Modules/m/index.html\n"
       "A|B:c|/a/Modules/m/index.html\n"
       "1st|/a/Modules/m/index.html\n"
       "abc|/a/Modules/m/index.html\n");
  std::vector<String> names, letters;
  for (const auto& r : Records()) {
    names.push_back(r.comando);
    letters.push_back(r.fast_link);
  }
  EXPECT_EQ(names, (std::vector<String>{u"", u"", u"X=1", u"Size", u"=5", u"  Pad ", u"A|B", u"1st", u"abc"}));
  EXPECT_EQ(letters, (std::vector<String>{u"-7", u"26", u"23", u"18", u"-4", u"-33", u"0", u"-16", u"32"}));
}

TEST_F(Reader, LineEndsCarriageReturnsAndNulBytes) {
  EXPECT_EQ(Read("A|/x\r\nB|/y\nC|/z"), 3);
  EXPECT_EQ(Read(std::string_view("D|/p\0E|/q\r\n", 11)), 2);
  EXPECT_EQ(Read(""), 0);
  EXPECT_EQ(Read("\n\n"), 2);
  std::vector<String> links;
  for (const auto& r : Records()) links.push_back(r.link);
  EXPECT_EQ(links, (std::vector<String>{u"D/x", u"D/y", u"D/z", u"D/p", u"D/q"}));
}

TEST_F(Reader, BackslashesConvertAfterModuleDerivation) {
  Read("A|\\docs\\html\\Modules\\abc\\index.html#A\n");
  ASSERT_EQ(Records().size(), 1u);
  // The module rule sees the link with backslashes: no "Modules/" is found,
  // so the text runs from index 7 up to just before "index".
  EXPECT_EQ(Records()[0].link, u"D/docs/html/Modules/abc/index.html#A");
  EXPECT_EQ(Records()[0].module, u"html\\Modules\\abc");
}

TEST(ModuleFromLink, PositionRulesTakenLiterally) {
  EXPECT_EQ(ModuleFromLink(u"/inst/docs/html/Modules/gfx.draw/index.html#X"), u"gfx.draw");
  EXPECT_EQ(ModuleFromLink(u"/inst/mod/pub.mod/net.mod/doc/commands.html#X"), u"pub.mod/net");
  // "index" without "Modules/": from index 7 to just before the unit ahead of "index".
  EXPECT_EQ(ModuleFromLink(u"/home/user/docs/index.html"), u"ser/docs");
  // Nothing to go on: the empty module.
  EXPECT_EQ(ModuleFromLink(u"/home/user/page.html"), u"");
  // Only one ".mod" after "mod": still empty.
  EXPECT_EQ(ModuleFromLink(u"/opt/mod/only.mod/doc.html"), u"");
  // A link that begins with "Modules/" keeps the text before its first dot.
  EXPECT_EQ(ModuleFromLink(u"Modules/a.b/index.html"), u"Modules/a");
}

TEST_F(Reader, ModuleMapKeysFoldCaseAndKeepLatestRecord) {
  Read("One|/a/Modules/Gfx/index.html#One\n"
       "Two|/a/Modules/GFX/index.html#Two\n"
       "Three|/a/page.html\n"
       "Four|/b/page.html\n");
  EXPECT_EQ(ModuleKeys(), (std::vector<String>{u"", u"GFX"}));
  EXPECT_EQ(modules.ValueForKey(u"GFX")->comando, u"Two");
  EXPECT_EQ(modules.ValueForKey(u"")->comando, u"Four");
  // A second build's catalogue replaces the first's, which is gone: the
  // map still holds the first build's modules, the new records win on
  // their keys, and one record added on its own wins on its key.
  Read("Five|/a/Modules/gfx/index.html#Five\nSix|/a/Modules/Snd/index.html#Six\n");
  auto seven = std::make_shared<tcommand>();
  seven->comando = u"Seven";
  seven->Modules = u"SND";
  modules.Insert(u"SND", seven);
  EXPECT_EQ(ModuleKeys(), (std::vector<String>{u"", u"GFX", u"SND"}));
  EXPECT_EQ(modules.ValueForKey(u"GFX")->comando, u"Five");
  EXPECT_EQ(modules.ValueForKey(u"")->link, u"D/b/page.html");
  EXPECT_EQ(modules.ValueForKey(u"SND")->comando, u"Seven");
  std::vector<String> shown;
  modules.ForEachModule([&](const ModuleText& m) {
    shown.emplace_back();
    for (std::size_t i = 0; i < m.size(); ++i) shown.back() += m[i];
  });
  EXPECT_EQ(shown, (std::vector<String>{u"", u"gfx", u"SND"}));
}

// A list over a megabyte is read in two halves side by side: whatever the
// lines hold and wherever the halves meet, the records, the line count and
// the module map are those of one reading, in directories where modules
// stay in the links, reach into the directory, or are 16-bit text.
TEST(ReadInHalves, GivesWhatOneReadingGives) {
  std::string list;
  for (int i = 0; list.size() < (std::size_t{3} << 19); ++i) {
    const std::string n = std::to_string(i);
    switch (i % 7) {
      case 0: list += "Name" + n + ":Int( x )|/docs/html/Modules/m" + std::to_string(i % 97) + "/index.html#x\r\n"; break;
      case 1: list += "name" + n + "|/mod/a" + std::to_string(i % 5) + ".mod/b.mod/doc/commands.html#y\n"; break;
      case 2: list += "no bar " + n + "\n"; break;
      case 3: list += "|empty name\n"; break;
      case 4: list += "Z" + n + "|/docs/html/Modules/M" + std::to_string(i % 97) + "/index.html"; list += '\0'; break;
      case 5: list += "Own" + n + "|/docs/html/Modules/own" + n + "/index.html\n"; break;
      default: list += "Cr\r" + n + "|/page" + n + ".html\r\n"; break;
    }
  }
  for (const String& dir : {String(u"/inst"), String(u"/home/modder"), String(u"/tmp/\u0174mod")}) {
    std::vector<Record> records[2];
    std::vector<Record> modules[2];
    int lines[2] = {0, 0};
    for (const unsigned workers : {1u, 2u}) {
      Catalogue catalogue;
      ModuleMap map;
      lines[workers - 1] = ReadSortedCatalogue(list, dir, catalogue, map, workers);
      catalogue.ForEach([&](const tcommand& c) { records[workers - 1].push_back({c.comando, c.link, c.fast_link, c.Modules}); });
      for (const String& key : map.Keys()) {
        const auto record = map.ValueForKey(key);
        modules[workers - 1].push_back({key, record->link, record->comando, record->Modules});
      }
    }
    EXPECT_EQ(lines[0], lines[1]);
    EXPECT_GT(records[0].size(), 30000u);
    EXPECT_TRUE(records[0] == records[1]) << ToUtf8(dir);
    EXPECT_GT(modules[0].size(), 5000u);
    EXPECT_TRUE(modules[0] == modules[1]) << ToUtf8(dir);
  }
}

}  // namespace
}  // namespace qm
