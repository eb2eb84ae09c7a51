// The real program given installation trees made to hurt: each ends with its exit status and at
// most one line on standard error, and nothing outside the installation (a private folder,
// another installation beside it) changes, byte for byte and inode for inode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

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
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat info {};
    lstat(entry.path().c_str(), &info);
    entries[entry.path().string()] = std::to_string(info.st_mode) + ":" + std::to_string(info.st_ino) + ":" +
                                     (S_ISLNK(info.st_mode)   ? fs::read_symlink(entry.path()).string()
                                      : S_ISREG(info.st_mode) ? ReadBytes(entry.path())
                                                              : "");
  }
  return entries;
}

struct Scene {
  fs::path root, inst, outside, key;
  std::vector<std::string> args;
  ProgramResult result;
};

struct Tree {
  const char* what;
  const char* app_name;
  const char* inst_name;
  std::function<void(Scene&)> make;
  int status;
  std::string err;  // what the one line on standard error holds, the scratch folder as ROOT; "" for none
  std::function<std::string(Scene&)> seen = nullptr;  // a finding, compared with expected
  std::string expected = "";
};

const std::string kJournal = "docs/html/Modules/.quillmere-commit";
const std::string kDeadWriter = ".quillmere-tmp-999999999-1";

void ExportTo(Scene& s) {
  fs::create_directories(s.root / "out");
  s.args = {"--docset", (s.root / "out").string()};
}

const Tree kTrees[] = {
    {"a named pipe as the journal", "app", "inst", [](Scene& s) { mkfifo((s.inst / kJournal).c_str(), 0644); }, 0,
     "Set aside "},
    {"a folder as the journal", "app", "inst", [](Scene& s) { fs::create_directories(s.inst / kJournal); }, 0,
     "Set aside "},
    {"a journal naming what no build writes", "app", "inst",
     [](Scene& s) {
       std::string journal = std::string("quillmere commit 1") + '\0';
       for (const fs::path target :
            {"Modules/commands.txt", "User Guide/index.html", "Modules/.quillmere.lock", "Modules/.quillmere-commit"}) {
         const fs::path temporary = target.parent_path() / ("." + target.filename().string() + kDeadWriter);
         WriteBytes(s.inst / "docs/html" / temporary, "PWNED");
         journal += temporary.string() + '\0' + target.string() + '\0';
       }
       WriteBytes(s.inst / kJournal, journal + "end" + '\0');
     },
     0, "4 entries naming no output of a build ignored",
     [](Scene& s) {
       return ReadBytes(s.inst / "docs/html/Modules/commands.txt").substr(0, 5) +
              ReadBytes(s.inst / "docs/html/User Guide/index.html").substr(0, 5);
     },
     "Abs:D<!DOC"},
    {"a docset leaking private files", "app", "inst",
     [](Scene& s) {
       fs::create_directory_symlink("../outside/home/.ssh", s.inst / "leak");
       fs::create_symlink(s.key, s.inst / "docs/html/private.html");
       WriteBytes(s.inst / "docs/html/Modules/commands.txt", "Leak|/leak/id_rsa\nPeek|/docs/html/private.html\n");
       ExportTo(s);
     },
     0, "",
     [](Scene& s) {
       std::string found = s.result.out.substr(s.result.out.rfind("Docset        : "));
       for (const auto& entry : fs::recursive_directory_iterator(s.root / "out"))
         if (fs::is_regular_file(entry) && (fs::equivalent(entry, s.key) || ReadBytes(entry.path()) == "PRIVATE KEY"))
           found += " leaked " + entry.path().string();
       return found;
     },
     "Docset        : 2 commands and 1 file left out: they lead outside the installation\r\n"},
    {"a docs folder linked into another installation", "app", "inst",
     [](Scene& s) {
       fs::remove_all(s.inst / "docs");
       fs::create_directory_symlink("../outside/trusted/docs", s.inst / "docs");
     },
     1, "ROOT/inst/docs/html: leads to ROOT/outside/trusted/docs/html, outside the installation ROOT/inst;"},
    {"docset paths that read as URLs", "app", "inst",
     [](Scene& s) {
       WriteBytes(s.inst / "docs/html/Modules/commands.txt",
                  "Esc|/docs/html/%2e%2e/x.html\nJs|/javascript:alert(1)\nRemote|/https://host/x\n"
                  "Pct|/docs/html/100%25 done.html#Top Part\n");
       ExportTo(s);
     },
     0, "",
     [](Scene& s) {
       const char* script = "import sqlite3, sys\n"
                            "q = \"SELECT path FROM searchIndex WHERE type = 'Function' ORDER BY name\"\n"
                            "for row in sqlite3.connect(sys.argv[1]).execute(q): print(row[0])\n";
       return RunProgramForTest({"/usr/bin/python3", "-c", script,
                                 (s.root / "out/Tallowin.docset/Contents/Resources/docSet.dsidx").string()},
                                HeadlessEnvironment())
           .out;
     },
     "docs/html/%252e%252e/x.html\n./javascript%3Aalert%281%29\ndocs/html/100%2525%20done.html#Top%20Part\n"
     "./https%3A/host/x\n"},
    {"\"::\" in the program's and the installation's paths", "bin::x", "inst::v2", nullptr, 0, "",
     [](Scene& s) { return ReadBytes(s.inst / "docs/html/Modules/command.js").substr(0, 12); }, "var commands"},
    {"a docset folder inside docs/html", "app", "inst",
     [](Scene& s) {
       fs::create_directories(s.inst / "docs/html/exports");
       s.args = {"--docset", (s.inst / "docs/html/exports").string()};
     },
     1, "lies inside the installation's documentation",
     [](Scene& s) { return std::to_string(fs::is_empty(s.inst / "docs/html/exports")); }, "1"},
};

TEST(HostileTree, StaysInsideItselfWithOneLineAndItsStatus) {
  for (const Tree& tree : kTrees) {
    SCOPED_TRACE(tree.what);
    ScratchDir scratch("hostile");
    Scene s{scratch.path(),
            scratch.path() / tree.inst_name,
            scratch.path() / "outside",
            scratch.path() / "outside/home/.ssh/id_rsa",
            {},
            {}};
    WriteBytes(s.key, "PRIVATE KEY");
    CopySampleInstallation(s.outside / "trusted");
    CopySampleInstallation(s.inst);
    const fs::path app = CopiedApplication(scratch.path() / tree.app_name);
    if (tree.make) tree.make(s);
    const auto before = Snapshot(s.outside);
    std::vector<std::string> argv = {"/usr/bin/timeout", "60", app.string(), "--dir", s.inst.string()};
    argv.insert(argv.end(), s.args.begin(), s.args.end());
    s.result = RunProgramForTest(argv, HeadlessEnvironment(), s.root.string());

    EXPECT_EQ(s.result.status, tree.status) << s.result.err;
    std::string err = s.result.err.substr(std::min(s.result.err.find_first_not_of('\n'), s.result.err.size()));
    for (std::size_t at; (at = err.find(s.root.string())) != std::string::npos;)
      err.replace(at, s.root.string().size(), "ROOT");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), tree.err.empty() ? 0 : 1) << err;
    EXPECT_NE(err.find(tree.err), std::string::npos) << err;
    EXPECT_EQ(Snapshot(s.outside), before);
    if (tree.seen) {
      EXPECT_EQ(tree.seen(s), tree.expected);
    }
  }
}

}  // namespace
}  // namespace qm
