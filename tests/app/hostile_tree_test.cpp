// The real program given installation trees made to hurt: each must end with its exit status
// and at most one line on standard error, and nothing outside the installation (a private
// folder, another installation beside it) may change, byte for byte and inode for inode.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Every entry below root: its kind, inode and bytes (or link target).
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> entries;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    struct stat info {};
    lstat(it->path().c_str(), &info);
    std::string& entry = entries[it->path().lexically_relative(root).string()];
    entry = std::to_string(info.st_mode) + ":" + std::to_string(info.st_ino) + ":";
    if (S_ISLNK(info.st_mode)) entry += fs::read_symlink(it->path()).string();
    if (S_ISREG(info.st_mode)) entry += ReadBytes(it->path());
  }
  return entries;
}

std::set<std::string> StoredFunctionPaths(const fs::path& docset) {
  std::set<std::string> paths;
  sqlite3* db = nullptr;
  const std::string file = (docset / "Contents/Resources/docSet.dsidx").string();
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT path FROM searchIndex WHERE type = 'Function'", -1, &query, nullptr);
    while (query && sqlite3_step(query) == SQLITE_ROW)
      paths.insert(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)));
    sqlite3_finalize(query);
  }
  sqlite3_close(db);
  return paths;
}

// One hostile tree: the program runs as app/Quillmere on inst with the arguments given.
struct Scene {
  fs::path root, app, inst, outside, key;
  std::vector<std::string> args;
};

struct Tree {
  const char* what;
  const char* app_name;
  const char* inst_name;
  std::function<void(Scene&)> make;
  int status;
  std::string err;  // what the one line on standard error holds; "" for no line
  std::function<void(const Scene&, const ProgramResult&)> check;
};

const std::string kJournal = "docs/html/Modules/.quillmere-commit";

std::string CraftedJournal() {
  std::string text = std::string("quillmere commit 1") + '\0';
  for (const std::string target :
       {"Modules/commands.txt", "User Guide/index.html", "Modules/.quillmere.lock", "Modules/.quillmere-commit"}) {
    const fs::path path(target);
    text += (path.parent_path() / ("." + path.filename().string() + ".quillmere-tmp-999999999-1")).string() + '\0';
    text += target + '\0';
  }
  return text + "end" + '\0';
}

const Tree kTrees[] = {
    {"a named pipe as the journal", "app", "inst", [](Scene& s) { mkfifo((s.inst / kJournal).c_str(), 0644); }, 0,
     "Set aside ", nullptr},
    {"a folder as the journal", "app", "inst", [](Scene& s) { fs::create_directories(s.inst / kJournal); }, 0,
     "Set aside ", nullptr},
    {"a journal naming what no build writes", "app", "inst",
     [](Scene& s) {
       WriteBytes(s.inst / kJournal, CraftedJournal());
       for (const char* temporary :
            {"Modules/.commands.txt.quillmere-tmp-999999999-1", "User Guide/.index.html.quillmere-tmp-999999999-1",
             "Modules/..quillmere.lock.quillmere-tmp-999999999-1",
             "Modules/..quillmere-commit.quillmere-tmp-999999999-1"})
         WriteBytes(s.inst / "docs/html" / temporary, "PWNED");
     },
     0, "4 entries naming no output of a build ignored",
     [](const Scene& s, const ProgramResult&) {
       EXPECT_EQ(ReadBytes(s.inst / "docs/html/Modules/commands.txt"),
                 ReadBytes(s.outside / "trusted/docs/html/Modules/commands.txt"));
       EXPECT_EQ(ReadBytes(s.inst / "docs/html/User Guide/index.html"),
                 ReadBytes(s.outside / "trusted/docs/html/User Guide/index.html"));
     }},
    {"a docset leaking a private file", "app", "inst",
     [](Scene& s) {
       fs::create_directory_symlink("../outside/home/.ssh", s.inst / "leak");
       fs::create_symlink(s.key, s.inst / "docs/html/private.html");
       WriteBytes(s.inst / "docs/html/Modules/commands.txt", ReadBytes(s.inst / "docs/html/Modules/commands.txt") +
                                                                 "Leak|/leak/id_rsa\nPeek|/docs/html/private.html\n");
       s.args = {"--docset", (s.root / "out").string()};
     },
     0, "",
     [](const Scene& s, const ProgramResult& result) {
       EXPECT_NE(result.out.find("2 commands and 1 files left out"), std::string::npos) << result.out;
       struct stat key {};
       stat(s.key.c_str(), &key);
       for (const auto& entry : fs::recursive_directory_iterator(s.root / "out")) {
         struct stat info {};
         stat(entry.path().c_str(), &info);
         EXPECT_FALSE(info.st_ino == key.st_ino && info.st_dev == key.st_dev) << entry.path();
         if (entry.is_regular_file()) EXPECT_NE(ReadBytes(entry.path()), ReadBytes(s.key)) << entry.path();
       }
     }},
    {"a docs folder linked into another installation", "app", "inst",
     [](Scene& s) {
       fs::remove_all(s.inst / "docs");
       fs::create_directory_symlink("../outside/trusted/docs", s.inst / "docs");
     },
     1, "outside the installation",
     [](const Scene& s, const ProgramResult& result) {
       EXPECT_NE(result.err.find((s.inst / "docs/html").string()), std::string::npos);
       EXPECT_NE(result.err.find(fs::canonical(s.outside / "trusted/docs/html").string()), std::string::npos);
     }},
    {"docset paths that read as URLs", "app", "inst",
     [](Scene& s) {
       WriteBytes(s.inst / "docs/html/100%25 done.html", "<p>done</p>");
       WriteBytes(s.inst / "docs/html/Modules/commands.txt",
                  "Esc|/docs/html/%2e%2e/%2e%2e/x.html\nJs|/javascript:alert(1)\nRemote|/https://host/x\n"
                  "Pct|/docs/html/100%25 done.html#Top Part\n");
       s.args = {"--docset", (s.root / "out").string()};
     },
     0, "",
     [](const Scene& s, const ProgramResult&) {
       EXPECT_EQ(StoredFunctionPaths(s.root / "out/Tallowin.docset"),
                 (std::set<std::string>{"docs/html/%252e%252e/%252e%252e/x.html", "./javascript%3Aalert%281%29",
                                        "./https%3A/host/x", "docs/html/100%2525%20done.html#Top%20Part"}));
     }},
    {"\"::\" in the program's and the installation's paths", "bin::x", "inst::v2", nullptr, 0, "",
     [](const Scene& s, const ProgramResult&) {
       EXPECT_TRUE(fs::is_regular_file(s.inst / "docs/html/Modules/command.js"));
     }},
    {"a docset folder inside docs/html", "app", "inst",
     [](Scene& s) {
       fs::create_directories(s.inst / "docs/html/exports");
       s.args = {"--docset", (s.inst / "docs/html/exports").string()};
     },
     1, "lies inside the installation's documentation",
     [](const Scene& s, const ProgramResult&) { EXPECT_TRUE(fs::is_empty(s.inst / "docs/html/exports")); }},
};

TEST(HostileTree, StaysInsideItselfWithOneLineAndItsStatus) {
  for (const Tree& tree : kTrees) {
    SCOPED_TRACE(tree.what);
    ScratchDir scratch("hostile");
    Scene s{scratch.path(),
            scratch.path() / tree.app_name,
            scratch.path() / tree.inst_name,
            scratch.path() / "outside",
            scratch.path() / "outside/home/.ssh/id_rsa",
            {}};
    WriteBytes(s.key, "PRIVATE KEY");
    CopySampleInstallation(s.outside / "trusted");
    CopySampleInstallation(s.inst);
    CopiedApplication(s.app);
    if (tree.make) tree.make(s);
    const auto before = Snapshot(s.outside);

    std::vector<std::string> argv = {"/usr/bin/timeout", "60", (s.app / "Quillmere").string(), "--dir",
                                     s.inst.string()};
    argv.insert(argv.end(), s.args.begin(), s.args.end());
    const ProgramResult result = RunProgramForTest(argv, HeadlessEnvironment(), s.root.string());

    EXPECT_EQ(result.status, tree.status) << result.err;
    const std::string err = result.err.substr(std::min(result.err.find_first_not_of('\n'), result.err.size()));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), tree.err.empty() ? 0 : 1) << err;
    EXPECT_NE(err.find(tree.err), std::string::npos) << err;
    EXPECT_EQ(Snapshot(s.outside), before);
    if (tree.check) tree.check(s, result);
  }
}

}  // namespace
}  // namespace qm
