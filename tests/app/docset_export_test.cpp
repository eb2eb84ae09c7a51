// The real executable exporting a docset and writing the devhelp2 book,
// checked with SQLite itself and with a real XML parser.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace testing;

using Row = std::tuple<std::string, std::string, std::string>;  // name, type, path

std::multiset<Row> ReadSearchIndex(const fs::path& database) {
  std::multiset<Row> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << database;
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* query = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT name, type, path FROM searchIndex", -1, &query, nullptr), SQLITE_OK);
  const auto text = [&](int column) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(query, column)),
                       static_cast<std::size_t>(sqlite3_column_bytes(query, column)));
  };
  while (query && sqlite3_step(query) == SQLITE_ROW) rows.emplace(text(0), text(1), text(2));
  sqlite3_finalize(query);
  sqlite3_close(db);
  return rows;
}

// The body of every string literal in one of the build's array files.
std::vector<std::string> JsStrings(const std::string& file) {
  std::vector<std::string> out;
  for (std::size_t i = file.find('"'); i != std::string::npos && i < file.size();) {
    std::string text;
    for (++i; i < file.size() && file[i] != '"'; ++i) text += file[i] == '\\' ? file[++i] : file[i];
    out.push_back(text);
    i = file.find('"', i + 1);
  }
  return out;
}

// The file path a stored relative URL reference names: its "%XX" decoded.
std::string Decoded(const std::string& reference) {
  EXPECT_EQ(reference.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~/%#"),
            std::string::npos)
      << reference;
  std::string out = reference;
  for (std::size_t at = 0; (at = out.find('%', at)) != std::string::npos; ++at)
    out.replace(at, 3, 1, static_cast<char>(std::stoi(out.substr(at + 1, 2), nullptr, 16)));
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

// The book read by python3's XML parser: (name, link) of every keyword,
// the chapter links and the book's title.
struct Book {
  bool parsed = false;
  std::multiset<std::pair<std::string, std::string>> keywords;
  std::vector<std::string> chapters;
  std::string title;
};

Book ReadBook(const fs::path& file) {
  const char* script = "import sys, xml.etree.ElementTree as ET\n"
                       "ns = '{http://www.devhelp.net/book}'\n"
                       "root = ET.parse(sys.argv[1]).getroot()\n"
                       "h = lambda s: s.encode().hex()\n"
                       "print('T', h(root.get('title')))\n"
                       "for s in root.iter(ns + 'sub'): print('C', h(s.get('link')))\n"
                       "for k in root.iter(ns + 'keyword'): print('K', h(k.get('name')), h(k.get('link')))\n";
  const auto run = RunProgramForTest({"/usr/bin/python3", "-c", script, file.string()}, HeadlessEnvironment());
  Book book;
  book.parsed = run.status == 0;
  EXPECT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  for (std::string kind, a, b; lines >> kind >> a;) {
    if (kind == "K" && lines >> b) book.keywords.emplace(FromHex(a), FromHex(b));
    if (kind == "C") book.chapters.push_back(FromHex(a));
    if (kind == "T") book.title = FromHex(a);
  }
  return book;
}

class DocsetExport : public ::testing::Test {
 protected:
  DocsetExport() : scratch_("docset") {
    app_ = scratch_.path() / "app";
    inst_ = scratch_.path() / "sample";
    out_ = scratch_.path() / "out";
    fs::create_directories(out_);
    CopiedApplication(app_);
    CopySampleInstallation(inst_);
    WriteBytes(app_ / "config.txt", inst_.string() + "\r\n0\r\n");
  }
  ~DocsetExport() override {
    for (const auto& path : immutable_)
      RunProgramForTest({"/usr/bin/chattr", "-i", path.string()}, HeadlessEnvironment());
  }
  testing::ProgramResult Export(const fs::path& dir) {
    return RunProgramForTest({(app_ / "Quillmere").string(), "--docset", dir.string()}, HeadlessEnvironment(),
                             scratch_.path().string());
  }
  bool MakeImmutable(const fs::path& path) {
    if (RunProgramForTest({"/usr/bin/chattr", "+i", path.string()}, HeadlessEnvironment()).status != 0) return false;
    immutable_.push_back(path);
    return true;
  }
  static std::set<std::string> Listing(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    return names;
  }

  ScratchDir scratch_;
  fs::path app_, inst_, out_;
  std::vector<fs::path> immutable_;
};

TEST_F(DocsetExport, SampleInstallationGivesOneRowPerRecordAndABookListingEachOnce) {
  // A second export replaces the first whole.
  ASSERT_EQ(Export(out_).status, 0);
  const auto result = Export(out_);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(Listing(out_), std::set<std::string>{"Tallowin.docset"});
  const fs::path docset = out_ / "Tallowin.docset";
  const fs::path documents = docset / "Contents/Resources/Documents";

  const auto names = JsStrings(ReadBytes(inst_ / "docs/html/Modules/command.js"));
  const auto links = JsStrings(ReadBytes(inst_ / "docs/html/Modules/links.js"));
  ASSERT_EQ(names.size(), links.size());
  ASSERT_GT(names.size(), 300u);
  const std::string prefix = inst_.string() + "/";
  std::multiset<Row> expected;
  std::multiset<std::pair<std::string, std::string>> expected_keywords;
  for (std::size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(links[i].rfind(prefix, 0), 0u) << links[i];
    const std::string path = links[i].substr(prefix.size());
    expected.emplace(names[i], "Function", path);
    const bool in_html = path.rfind("docs/html/", 0) == 0;
    expected_keywords.emplace(names[i], in_html ? path.substr(10) : "../../" + path);
  }
  auto modules = JsStrings(ReadBytes(inst_ / "docs/html/Modules/mod.js"));
  modules.erase(std::remove(modules.begin(), modules.end(), ""), modules.end());

  std::multiset<Row> functions;
  std::set<std::string> module_rows;
  for (const auto& [name, type, reference] : ReadSearchIndex(docset / "Contents/Resources/docSet.dsidx")) {
    const std::string path = Decoded(reference);
    if (type == "Function") functions.emplace(name, type, path);
    if (type == "Module") module_rows.insert(name);
    // Every row leads to a real page inside Documents.
    const fs::path page = documents / path.substr(0, path.find('#'));
    EXPECT_TRUE(fs::is_regular_file(page)) << path;
    EXPECT_EQ(fs::weakly_canonical(page).string().rfind(fs::canonical(documents).string() + "/", 0), 0u) << path;
  }
  EXPECT_EQ(functions, expected);
  EXPECT_EQ(module_rows, std::set<std::string>(modules.begin(), modules.end()));
  EXPECT_TRUE(fs::is_regular_file(documents / "docs/html/index.html"));
  EXPECT_EQ(ReadBytes(docset / "icon.png"), ReadBytes(inst_ / "docs/html/tlwn120.png"));

  const char* plist_check =
      "import plistlib, sys\n"
      "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
      "print(d['CFBundleIdentifier'], d['CFBundleName'], d['dashIndexFilePath'], d['isJavaScriptEnabled'])\n";
  const auto plist = RunProgramForTest(
      {"/usr/bin/python3", "-c", plist_check, (docset / "Contents/Info.plist").string()}, HeadlessEnvironment());
  EXPECT_EQ(plist.out, "tallowin Tallowin docs/html/index.html True\n") << plist.err;

  const Book book = ReadBook(inst_ / "docs/html/tallowin.devhelp2");
  EXPECT_EQ(book.title, "Tallowin Documentation");
  std::multiset<std::pair<std::string, std::string>> keywords;
  for (const auto& [name, link] : book.keywords) keywords.emplace(name, Decoded(link));
  EXPECT_EQ(keywords, expected_keywords);
  EXPECT_EQ(book.chapters, (std::vector<std::string>{"User%20Guide/index.html", "Language/index.html",
                                                     "Modules/index.html", "Tutorials/index.html"}));
}

TEST_F(DocsetExport, BadDirectoryGivesOneLineNamingItStatusOneAndLeavesNothing) {
  WriteBytes(scratch_.path() / "plain-file", "x");
  fs::create_directories(scratch_.path() / "locked");
  fs::create_directories(scratch_.path() / "late");
  fs::create_directories(scratch_.path() / "late/Tallowin.docset/Contents");
  struct Case {
    fs::path dir;
    bool needs_chattr;
  };
  const std::vector<Case> cases = {
      {scratch_.path() / "plain-file", false},
      {scratch_.path() / "missing", false},
      // Root writes anywhere, so unwritable means immutable here.
      {scratch_.path() / "locked", true},
      // The old docset cannot be replaced: the failure comes after the new
      // one was made, which must be gone again.
      {scratch_.path() / "late", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dir.string());
    const bool late = c.dir.filename() == "late";
    if (c.needs_chattr && !MakeImmutable(late ? c.dir / "Tallowin.docset" : c.dir)) {
      ADD_FAILURE() << "chattr +i is not available here";
      continue;
    }
    const std::set<std::string> before = fs::is_directory(c.dir) ? Listing(c.dir) : std::set<std::string>{};
    const auto result = Export(c.dir);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(c.dir.string()), std::string::npos) << result.err;
    if (fs::is_directory(c.dir)) {
      EXPECT_EQ(Listing(c.dir), before);
    }
    if (late) {
      EXPECT_EQ(Listing(c.dir / "Tallowin.docset"), std::set<std::string>{"Contents"});
    }
  }
  EXPECT_FALSE(fs::exists(scratch_.path() / "missing"));
  EXPECT_EQ(ReadBytes(scratch_.path() / "plain-file"), "x");
}

TEST_F(DocsetExport, AwkwardNamesAreStoredAsUtf8AndEscapedInTheBook) {
  const std::string page = "/docs/html/Modules/tlw.events/index.html#";
  struct Case {
    std::string listed;  // the name as the command list has it
    std::string stored;  // in the database
    std::string shown;   // as the XML parser reads it back from the book
  };
  const std::vector<Case> cases = {
      {"Say\"Hi\"", "Say\"Hi\"", "Say\"Hi\""},
      {"It's", "It's", "It's"},
      {"A<b>&c", "A<b>&c", "A<b>&c"},
      {"x'); DROP TABLE searchIndex;--", "x'); DROP TABLE searchIndex;--", "x'); DROP TABLE searchIndex;--"},
      {"Tab\tbed", "Tab\tbed", "Tab\tbed"},
      {"Bell\x07", "Bell\x07", "Bell\xE2\x90\x87"},      // XML 1.0 cannot hold U+0007: its picture stands in
      {"caf\xE9", "caf\xC3\xA9", "caf\xC3\xA9"},         // not UTF-8: taken as Latin-1
      {"na\xC3\xAFve", "na\xC3\xAFve", "na\xC3\xAFve"},  // already UTF-8: kept
  };
  std::string list;
  for (const auto& c : cases) list += c.listed + "|" + page + c.listed + "\n";
  WriteBytes(inst_ / "docs/html/Modules/commands.txt", list);
  const auto result = Export(out_);
  ASSERT_EQ(result.status, 0) << result.err;

  std::map<std::string, std::string> stored;  // name -> path
  for (const auto& [name, type, path] : ReadSearchIndex(out_ / "Tallowin.docset/Contents/Resources/docSet.dsidx")) {
    if (type == "Function") stored[name] = Decoded(path);
  }
  const Book book = ReadBook(inst_ / "docs/html/tallowin.devhelp2");
  ASSERT_TRUE(book.parsed);
  EXPECT_EQ(stored.size(), cases.size());
  EXPECT_EQ(book.keywords.size(), cases.size());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listed);
    EXPECT_EQ(stored[c.stored], page.substr(1) + c.stored);
    const auto keyword = std::find_if(book.keywords.begin(), book.keywords.end(),
                                      [&](const auto& entry) { return entry.first == c.shown; });
    ASSERT_NE(keyword, book.keywords.end());
    EXPECT_EQ(Decoded(keyword->second), page.substr(11) + c.stored);
  }
}

}  // namespace
}  // namespace qm
