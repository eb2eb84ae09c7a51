// The docset's search database on its own, and the docset rows a catalogue
// gives, made from its bytes or the general way.
#include "app/export/docset_index.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/export/docset_export.h"
#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/strings.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using Row = std::tuple<std::string, std::string, std::string>;

// Runs sql and returns every row of its result, the columns as texts.
std::vector<std::vector<std::string>> Query(const fs::path& database, const char* sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &query, nullptr) == SQLITE_OK) {
    while (sqlite3_step(query) == SQLITE_ROW) {
      auto& row = rows.emplace_back();
      for (int column = 0; column < sqlite3_column_count(query); ++column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query, column));
        row.emplace_back(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(query, column)));
      }
    }
  } else {
    ADD_FAILURE() << "cannot query " << database << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(query);
  sqlite3_close(db);
  return rows;
}

std::vector<Row> RowsInIdOrder(const fs::path& database) {
  std::vector<Row> rows;
  for (const auto& r : Query(database, "SELECT name, type, path FROM searchIndex ORDER BY id")) {
    rows.emplace_back(r[0], r[1], r[2]);
  }
  return rows;
}

// Rows go in many to a statement and the last ones in a statement of their
// own; duplicates are kept out by a hash of each row until the unique index
// is there. Whatever the count and wherever the duplicates fall, each row is
// there once, the first of equal rows keeps its place, and the index
// exists. With a hash that makes every row meet every other, no row is
// lost (only their order is no longer the order they came in).
TEST(DocsetIndex, KeepsEachRowOnceInFirstComeOrderWithItsUniqueIndex) {
  constexpr int kBatch = DocsetIndex::kRowsPerInsert;
  struct Case {
    int rows;
    std::vector<int> repeated;  // rows added again, after all the others
  };
  const Case cases[] = {
      {0, {}}, {1, {}}, {kBatch - 1, {}}, {kBatch, {0}}, {kBatch + 1, {kBatch, 3, kBatch}}, {3 * kBatch + 5, {7}},
  };
  const DocsetIndex::RowHash all_meet = [](std::string_view, std::string_view, std::string_view) {
    return std::uint64_t{42};
  };
  for (const DocsetIndex::RowHash hash : {DocsetIndex::RowHash{nullptr}, all_meet}) {
    for (const Case& c : cases) {
      testing::ScratchDir dir("docset-index");
      const fs::path file = dir.path() / "docSet.dsidx";
      String error;
      auto index = DocsetIndex::Create(file.string(), &error, hash);
      ASSERT_TRUE(index) << ToUtf8(error);
      std::vector<Row> expected;
      for (int i = 0; i < c.rows; ++i) {
        // Awkward texts go in as bound values: quotes, SQL, a zero byte.
        std::string name = "n" + std::to_string(i) + (i % 3 ? "'); DROP TABLE searchIndex;--" : std::string("\0\"", 2));
        expected.emplace_back(name, i % 2 ? "Function" : "Module", "p/" + std::to_string(i % 5) + ".html#a");
      }
      const auto add = [&](const Row& row) {
        EXPECT_TRUE(index->Add(std::get<0>(row), std::get<1>(row), std::get<2>(row), &error)) << ToUtf8(error);
      };
      for (const Row& row : expected) add(row);
      for (int i : c.repeated) add(expected[static_cast<std::size_t>(i)]);
      ASSERT_TRUE(index->Finish(&error)) << ToUtf8(error);

      std::vector<Row> rows = RowsInIdOrder(file);
      if (hash) {
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
      }
      EXPECT_EQ(rows, expected) << c.rows << " rows" << (hash ? ", every hash the same" : "");
      EXPECT_EQ(Query(file, "PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}));
      EXPECT_EQ(Query(file, "SELECT name, \"unique\" FROM pragma_index_list('searchIndex')"),
                (std::vector<std::vector<std::string>>{{"anchor", "1"}}));
    }
  }
}

// Nearly every record's link is the installation directory and a plain
// path; those rows are made from the catalogue's bytes. The same
// installation spelt with a trailing "/" sends every record the general
// way: both must give the same rows and copy the same pages.
TEST(DocsetIndex, RowsFromBytesMatchTheGeneralWay) {
  testing::ScratchDir scratch("docset-rows");
  const fs::path install = scratch.path() / "inst";
  for (const char* page : {"docs/html/Modules/a.b/index.html", "docs/html/caf\xE9.html", "mod/x/doc/commands.html",
                           "docs/html/M\xC3\xBC/index.html"}) {
    fs::create_directories((install / page).parent_path());
    testing::WriteBytes(install / page, "<html></html>\n");
  }
  const std::string list = "Plain|/docs/html/Modules/a.b/index.html#Plain\n"
                           "Back|\\docs\\html\\Modules\\a.b\\index.html#Back\n"
                           "Elsewhere|/mod/x/doc/commands.html?q=1#E\n"
                           "Again|/mod/x/doc/commands.html#Again\n"
                           "Dots|/docs/html/../html/Modules/a.b/index.html#Dots\n"
                           "Escapes|/../outside.html\n"
                           "Gr\xC3\xBC\xC3\x9F|/docs/html/M\xC3\xBC/index.html#<&\">\n"
                           "caf\xE9|/docs/html/caf\xE9.html\n"
                           "Plain|/docs/html/Modules/a.b/index.html#Plain\n";
  const String dir = FromBytes(install.string());
  CreateCatalogue();
  ReadCatalogue(list, dir, *list_command, *map_module);
  list_command->Sort();

  std::vector<std::vector<Row>> rows;
  std::vector<std::set<fs::path>> copied;
  for (const String& spelt : {dir, dir + u"/"}) {
    const fs::path out = scratch.path() / ("out" + std::to_string(rows.size()));
    fs::create_directories(out);
    ASSERT_TRUE(ExportDocset(FromBytes(out.string()), spelt));
    const fs::path resources = out / "Tallowin.docset/Contents/Resources";
    rows.push_back(RowsInIdOrder(resources / "docSet.dsidx"));
    auto& files = copied.emplace_back();
    for (const auto& entry : fs::recursive_directory_iterator(resources / "Documents")) {
      files.insert(entry.path().lexically_relative(resources));
    }
  }
  EXPECT_EQ(rows[0], rows[1]);
  EXPECT_EQ(copied[0], copied[1]);
  const std::set<Row> found(rows[0].begin(), rows[0].end());
  EXPECT_EQ(found.size(), rows[0].size()) << "a duplicate row";
  // Stored as URL references to exactly those files.
  EXPECT_TRUE(found.count({"caf\xC3\xA9", "Function", "docs/html/caf%C3%A9.html"}));
  EXPECT_TRUE(found.count({"Gr\xC3\xBC\xC3\x9F", "Function", "docs/html/M%C3%BC/index.html#%3C%26%22%3E"}));
  EXPECT_TRUE(found.count({"Back", "Function", "docs/html/Modules/a.b/index.html#Back"}));
  EXPECT_TRUE(copied[0].count("Documents/mod/x/doc/commands.html"));
  list_command->Clear();
}

}  // namespace
}  // namespace qm
