#include "app/index/catalogue.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/index/command_list_reader.h"
#include "app/index/index_writer.h"
#include "reference_catalogue.h"
#include "system/strings.h"

namespace qm {
namespace {

// Lists built from the pieces the reading rules react to.
std::string RandomList(std::mt19937& rng) {
  static const std::string kPieces[] = {
      "|",  "(",  ":",    "[]", "=", "\r", "\n", std::string(1, '\0'),      "Modules/", "index", ".", ".mod", "mod",
      "\\", "\"", "\xE9", "a",  "B", "x1", "/",  "Modules/g.x/index.html#n"};
  std::string list;
  const int pieces = static_cast<int>(rng() % 60);
  for (int i = 0; i < pieces; ++i) list += kPieces[rng() % std::size(kPieces)];
  return list;
}

struct Whole {
  String comando, link, fast_link, module;
  bool operator==(const Whole&) const = default;
};

// The build's compact catalogue must give, for any list and directory,
// exactly the records, order, module registrations and index file bytes of
// the naive reading.
TEST(Catalogue, AgreesWithTheRecordListOnRandomLists) {
  const String dirs[] = {u"/inst", u"D", u"/x/Modules/y", u"/home/mod.mod/a", u"C:\\tl\\", String(u"/\u0160mod.mod")};
  std::mt19937 rng(7);
  for (const String& dir : dirs) {
    for (int round = 0; round < 300; ++round) {
      const std::string bytes = RandomList(rng);
      SCOPED_TRACE(testing::PrintToString(bytes) + " in " + ToUtf8(dir));
      reference::CommandList list;
      ModuleMap list_modules;
      const int lines = reference::ReadCommandList(bytes, dir, list, list_modules);
      reference::SortByName(list);
      Catalogue catalogue;
      ModuleMap modules;
      ASSERT_EQ(ReadCatalogue(bytes, dir, catalogue, modules), lines);
      catalogue.Sort();

      std::vector<Whole> expected, got;
      list.ForEach([&](const CommandPtr& r) { expected.push_back({r->comando, r->link, r->fast_link, r->Modules}); });
      catalogue.ForEach([&](const tcommand& r) { got.push_back({r.comando, r.link, r.fast_link, r.Modules}); });
      ASSERT_EQ(got, expected);
      ASSERT_EQ(CommandsArrayFile(catalogue), reference::CommandsArrayFile(list));
      ASSERT_EQ(LinksArrayFile(catalogue), reference::LinksArrayFile(list));
      ASSERT_EQ(ModulesArrayFile(catalogue), reference::ModulesArrayFile(list));
      ASSERT_EQ(ModsArrayFile(modules), ModsArrayFile(list_modules));
      for (const auto& key : list_modules.Keys()) {
        const CommandPtr a = list_modules.ValueForKey(key), b = modules.ValueForKey(key);
        ASSERT_TRUE(b);
        ASSERT_EQ((Whole{b->comando, b->link, b->fast_link, b->Modules}),
                  (Whole{a->comando, a->link, a->fast_link, a->Modules}));
      }
      ASSERT_EQ(modules.Count(), list_modules.Count());
    }
  }
}

// The module map is never emptied: over builds of one run, each into a new
// catalogue while the last one goes, it holds what the naive reading's map
// holds, every earlier build's modules included.
TEST(Catalogue, ModuleMapAgreesOverBuildsOfOneRun) {
  std::mt19937 rng(5);
  ModuleMap list_modules, modules;
  auto catalogue = std::make_unique<Catalogue>();
  for (int build = 0; build < 200; ++build) {
    const std::string bytes = RandomList(rng);
    SCOPED_TRACE(testing::PrintToString(bytes));
    reference::CommandList list;
    reference::ReadCommandList(bytes, u"/inst", list, list_modules);
    if (build % 3 == 0) catalogue = std::make_unique<Catalogue>();
    ReadCatalogue(bytes, u"/inst", *catalogue, modules);
    ASSERT_EQ(ModsArrayFile(modules), ModsArrayFile(list_modules));
    ASSERT_EQ(modules.Keys(), list_modules.Keys());
    for (const String& key : list_modules.Keys()) ASSERT_EQ(modules.ValueForKey(key)->link, list_modules.ValueForKey(key)->link);
  }
}

// Fields far longer than a write piece, with quotes and backslashes across
// the piece boundaries, names and modules alike in their first bytes, and a
// module for every other record: the same bytes and map.
TEST(Catalogue, AgreesWithTheRecordListOnHugeFieldsAndManyModules) {
  std::string list = "Huge\\" + std::string(150000, 'n') + "|/docs/html/Modules/" + std::string(70000, 'm') + "\"" +
                     std::string(70000, '\\') + "/index.html#x\n";
  // Names and modules that share their first eight bytes or six units, so
  // that the sorts' packed starts tie and the texts decide.
  for (int i = 0; i < 3000; ++i) {
    const std::string name = i % 3 == 0   ? "C" + std::to_string(i % 7)
                             : i % 3 == 1 ? "Command_" + std::to_string(i * 7919 % 3000)
                                          : "LongCommonPrefix_" + std::to_string(i % 50);
    const std::string module = i % 2 ? "m" + std::to_string(i % 1500) + "a" : "module_" + std::to_string(i % 1500) + "A";
    list += name + "|/Modules/" + module + "/index.html\n";
  }
  reference::CommandList records;
  ModuleMap list_modules, modules;
  reference::ReadCommandList(list, u"/inst", records, list_modules);
  reference::SortByName(records);
  Catalogue catalogue;
  ReadCatalogue(list, u"/inst", catalogue, modules);
  catalogue.Sort(2);
  EXPECT_EQ(CommandsArrayFile(catalogue), reference::CommandsArrayFile(records));
  EXPECT_EQ(LinksArrayFile(catalogue), reference::LinksArrayFile(records));
  EXPECT_EQ(ModulesArrayFile(catalogue), reference::ModulesArrayFile(records));
  EXPECT_EQ(ModsArrayFile(modules), ModsArrayFile(list_modules));
  EXPECT_EQ(modules.Count(), 1501);
}

}  // namespace
}  // namespace qm
