#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/index/catalogue.h"
#include "app/index/index_writer.h"
#include "app/search/search_details.h"
#include "app/shell/services.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Everything a build leaves behind: its standard output, its result and
// every file under the installation and the working directory.
struct BuildTrace {
  std::string out;
  bool ok = false;
  std::map<std::string, std::string> files;
};

// Enough lines to split the sort, with runs of equal names and names that
// share long prefixes, over a few hundred modules in mixed letter case.
std::string LargeList() {
  std::string list;
  unsigned seed = 7;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    const unsigned r = seed >> 8;
    const std::string name = "Name" + std::to_string(r % 5000) + (r % 3 == 0 ? "Suffix" : "");
    const std::string module = (r % 2 ? "mod" : "MOD") + std::to_string(r % 300);
    list += name + ":Int( x )|/docs/html/Modules/" + module + "/index.html#" + std::to_string(i) +
            (i % 4 == 0 ? "\r\n" : "\n");
  }
  return list;
}

// A module of its own for nearly every record, some in two letter cases:
// registration then runs beside the sort.
std::string ModulePerRecordList() {
  std::string list;
  for (int i = 0; i < 20000; ++i) {
    const std::string module = (i % 7 ? "m" : "M") + std::to_string(i % 19000);
    list += "Cmd" + std::to_string(i * 7 % 20000) + "|/docs/html/Modules/" + module + "/index.html\n";
  }
  return list;
}

// Over a megabyte, so that it is read in halves side by side: line ends of
// every kind, lines that make no record, modules in two letter cases, in
// one half only, and through ".mod" links, and signatures long enough to make sigs.js the
// largest output, written first.
std::string HalvesList() {
  std::string list;
  const std::string signature = ":Int( " + std::string(180, 'a') + " )";
  for (int i = 0; list.size() < (std::size_t{3} << 19); ++i) {
    const std::string n = std::to_string(i * 7919 % 9000);
    switch (i % 5) {
      case 0: list += "Sig" + n + signature + "|/docs/html/Modules/m" + std::to_string(i % 40) + "/index.html#" + n + "\r\n"; break;
      case 1: list += "Mod" + n + "|/mod/a" + std::to_string(i % 9) + ".mod/b.mod/doc/commands.html#x"; list += '\0'; break;
      case 2: list += "no bar " + n + "\n|empty name\n"; break;
      case 3: list += "Up" + n + "|/docs/html/Modules/" + (i % 3 ? "g" : "G") + std::to_string(i / 2000) + "/index.html#" + n + "\n"; break;
      default: list += "Cr\r" + n + "|/docs/html/page" + n + ".html\n"; break;
    }
  }
  return list;
}

// Pages for PagedList: twenty items each, every one with a sentence of its
// own, so that the summaries come to more than the build holds in memory.
void WriteItemPages(const fs::path& inst) {
  for (int page = 0; page < 600; ++page) {
    std::string html = "<html><body>";
    for (int item = 0; item < 20; ++item) {
      const std::string name = "Item" + std::to_string(page * 20 + item);
      html += "<h3 id=\"" + name + "\">" + name + "</h3><p>" + name +
              " does its part of the work on page " + std::to_string(page) +
              ", in a sentence long enough to be read as one.</p>";
    }
    testing::WriteBytes(inst / "docs/html/Modules/items" / ("p" + std::to_string(page) + ".html"), html + "</body></html>");
  }
}

std::string PagedList() {
  std::string list;
  for (int i = 0; i < 12000; ++i) {
    const std::string name = "Item" + std::to_string(i * 7 % 12000);
    list += name + ":Int( a:Int )|/docs/html/Modules/items/p" + std::to_string(i * 7 % 12000 / 20) + ".html#" + name + "\n";
  }
  return list;
}

struct Shape {
  const char* what;
  std::function<std::string()> list;
  std::function<void(const fs::path& inst)> prepare;  // may be empty
};

class BuildRuns : public ::testing::Test {
 protected:
  BuildRuns() : scratch_("workers") {
    RegisterEmbeddedPages();
    if (getcwd(old_cwd_, sizeof old_cwd_) == nullptr) old_cwd_[0] = 0;
  }
  ~BuildRuns() override {
    if (old_cwd_[0] != 0 && chdir(old_cwd_) != 0) ADD_FAILURE() << "cannot go back";
  }

  // A fresh installation and program folder per run, at the same paths, so
  // that the two runs can be told apart only by what they wrote.
  BuildTrace Run(unsigned workers, const Shape& shape) {
    const fs::path root = scratch_.path() / "run";
    fs::remove_all(root);
    const fs::path app = root / "app";
    const fs::path inst = root / "inst";
    fs::create_directories(app);
    fs::create_directories(inst / "docs/html/Modules");
    testing::WriteBytes(inst / "docs/html/Modules/commands.txt", shape.list());
    if (shape.prepare) shape.prepare(inst);
    EXPECT_EQ(chdir(app.c_str()), 0);
    AppDir = FromBytes(app.string());
    tlwndir = FromBytes(inst.string());
    CreateCatalogue();
    BuildTrace trace;
    // The full-text pass runs on one thread whatever the count, and each of
    // its builds has an id of its own.
    SetFullTextIndexWanted(false);
    ::testing::internal::CaptureStdout();
    trace.ok = CreateSearchIndex(workers).ok;
    SetFullTextIndexWanted(true);
    trace.out = ::testing::internal::GetCapturedStdout();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (entry.is_regular_file()) trace.files[entry.path().string()] = testing::ReadBytes(entry.path());
    }
    return trace;
  }

  testing::ScratchDir scratch_;
  char old_cwd_[4096];
};

class BuildWorkersTest : public BuildRuns, public ::testing::WithParamInterface<Shape> {};

const Shape kPagedShape{"pages read beside the writers", PagedList, WriteItemPages};

TEST_P(BuildWorkersTest, TwoWorkersWriteWhatOneWrites) {
  const BuildTrace one = Run(1, GetParam());
  const BuildTrace two = Run(2, GetParam());
  EXPECT_EQ(one.ok, two.ok);
  EXPECT_EQ(one.out, two.out);
  ASSERT_EQ(one.files.size(), two.files.size());
  for (const auto& [path, bytes] : one.files) {
    const auto other = two.files.find(path);
    ASSERT_NE(other, two.files.end()) << path;
    EXPECT_TRUE(other->second == bytes) << path << " differs";
  }
  // The runs built something worth comparing.
  bool wrote_index = false;
  for (const auto& [path, bytes] : one.files) wrote_index |= path.ends_with("/command.js") && !bytes.empty();
  EXPECT_EQ(wrote_index, one.ok);
  if (GetParam().what == kPagedShape.what) {
    const auto summaries = std::find_if(one.files.begin(), one.files.end(),
                                        [](const auto& file) { return file.first.ends_with("/summaries.js"); });
    ASSERT_NE(summaries, one.files.end());
    // Every record's own sentence, those set aside on the disk among them.
    int found = 0;
    for (std::size_t at = 0; (at = summaries->second.find(" does its part of the work on page ", at)) != std::string::npos;
         ++at)
      ++found;
    EXPECT_EQ(found, 12000);
    EXPECT_NE(summaries->second.find("\"Item11999 does its part of the work on page 599, in a sentence long enough"),
              std::string::npos);
  }
}

// A reader who stops the build while the pages are read, with the other
// outputs being written at that moment or not, keeps the index of the
// build before, and no temporary file is left.
TEST_F(BuildRuns, StoppedWhileReadingPagesLeavesTheEarlierIndex) {
  for (const unsigned workers : {1u, 2u}) {
    const BuildTrace before = Run(workers, kPagedShape);
    ASSERT_TRUE(before.ok);
    // The same installation again, with a list of its own.
    testing::WriteBytes(scratch_.path() / "run/inst/docs/html/Modules/commands.txt", "Other|/docs/html/Modules/items/p1.html\n");
    CreateCatalogue();
    SetPageReadingObserver([](std::size_t done, std::size_t) { return done < 3; });
    ::testing::internal::CaptureStdout();
    const IndexBuildResult stopped = CreateSearchIndex(workers);
    ::testing::internal::GetCapturedStdout();
    SetPageReadingObserver(nullptr);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.stopped) << workers;
    for (const auto& entry : fs::recursive_directory_iterator(scratch_.path() / "run")) {
      const std::string path = entry.path().string();
      EXPECT_EQ(path.find(".quillmere-tmp-"), std::string::npos) << path;
      if (entry.is_regular_file() && !path.ends_with("commands.txt") && !path.ends_with(".lock")) {
        const auto was = before.files.find(path);
        ASSERT_NE(was, before.files.end()) << path;
        EXPECT_TRUE(was->second == testing::ReadBytes(entry.path())) << path << " changed";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, BuildWorkersTest,
    ::testing::Values(Shape{"mixed",
                            [] {
                              return std::string("Zeta|/docs/html/Modules/gfx.draw/index.html#Zeta\r\n"
                                                 "alpha|/docs/html/Modules/GFX.draw/index.html#alpha\n"
                                                 "Alpha|/mod/pub.mod/net.mod/doc/commands.html#Alpha\n"
                                                 "Beta \"q\"|/docs/html/Modules/str.util/index.html#Beta\n"
                                                 "Back\\slash|/docs/html/Modules/str.util\\index.html#Back\n"
                                                 "Alpha|/docs/html/Modules/str.util/index.html#Alpha2\n"
                                                 "Caf\xE9|/docs/html/Modules/str.util/index.html#Cafe\n"
                                                 "|/docs/nothing\n");
                            },
                            {}},
                      Shape{"empty", [] { return std::string(); }, {}}, Shape{"large", LargeList, {}},
                      Shape{"module per record", ModulePerRecordList, {}},
                      Shape{"read in halves", HalvesList, {}},
                      kPagedShape,
                      Shape{"links.js cannot be replaced", LargeList,
                            [](const fs::path& inst) { fs::create_directories(inst / "docs/html/Modules/links.js"); }}),
    [](const ::testing::TestParamInfo<Shape>& info) {
      std::string name;
      for (const char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

}  // namespace
}  // namespace qm
