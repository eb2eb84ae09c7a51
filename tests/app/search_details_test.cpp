// Summaries read from documentation pages, the files that carry them and the
// signatures, and what becomes of pages that are not what they should be.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "app/index/catalogue.h"
#include "app/index/command_list_reader.h"
#include "app/search/page_summary.h"
#include "app/search/search_details.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"
#include "system/display_text.h"
#include "system/strings.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

struct Shape {
  const char* what;
  std::string markup;
  const char* fragment;  // "" for the page's own description
  std::string summary;   // "" for none
};

TEST(PageSummary, FindsTheFirstSentenceForEachMarkupShape) {
  const std::string long_prose(300, 'x');
  const Shape shapes[] = {
      {"anchor, name, declaration, prose",
       "<table><tr><td><a name=\"Open\"></a><b>Open</b></td><td><pre>Open:Int( x:Int )</pre>Opens a new window. "
       "It has a title.</td></tr><tr><td><a name=\"Close\"></a><b>Close</b></td><td><pre>Close()</pre>Closes it."
       "</td></tr></table>",
       "Close", "Closes it."},
      {"heading with an id, code listing, prose with inline code",
       "<h3 id=\"gtk-window-new\">gtk_window_new ()</h3><pre class=\"programlisting\">GtkWidget *gtk_window_new "
       "(void);</pre><p>Creates a new <code>GtkWindow</code>, e.g. a toplevel. More.</p><h3 id=\"n\">n</h3>",
       "gtk-window-new", "Creates a new GtkWindow, e.g. a toplevel."},
      {"anchor before its title heading",
       "<div class=\"refsect2\"><a name=\"g-free\"></a><h3>g_free ()</h3><pre>void g_free (gpointer mem);</pre>"
       "<p>Frees the memory pointed to by mem.</p></div>",
       "g-free", "Frees the memory pointed to by mem."},
      {"definition list",
       "<dl><dt id=\"foo\"><code>foo(int a)</code></dt><dd><p>Returns foo of <em>a</em>; never fails.</p></dd>"
       "<dt id=\"bar\">bar</dt><dd>Bar.</dd></dl>",
       "foo", "Returns foo of a; never fails."},
      {"declaration table, code-only paragraph, entities",
       "<a name=\"x\"></a><table class=\"t-dcl-begin\"><tr><td>void x();</td></tr></table><p><code>x()</code></p>"
       "<p>Does x &amp; y&nbsp;now &lt;script&gt;.</p>",
       "x", "Does x & y now <script>."},
      {"no prose before the next item", "<a name=\"a\"></a><pre>a()</pre><a name=\"b\"></a><p>About b.</p>", "a", ""},
      {"missing fragment", "<p id=\"here\">Here.</p>", "nothere", ""},
      {"page: meta description",
       "<html><head><meta name=\"description\" content=\"The  gadget\n module.\"></head><body><p>Other.</p>", "",
       "The gadget module."},
      {"page: first paragraph of the main content, never navigation",
       "<body><nav><p>Home | Up</p></nav><div class=\"navbar\"><p>Prev Next</p></div><div id=\"content\"><p>Lists "
       "the files of a folder. Then more.</p></div>",
       "", "Lists the files of a folder."},
      {"declared Latin-1",
       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></head><body>"
       "<p id=\"c\">\xC9"
       "crit la cha\xEEne.</p>",
       "c",
       "\xC3\x89"
       "crit la cha\xC3\xAE"
       "ne."},
      {"long sentence cut with an ellipsis", "<p id=\"l\">A " + long_prose + " b.</p>", "l",
       "A " + long_prose.substr(0, 157) + "\xE2\x80\xA6"},
  };
  for (const Shape& shape : shapes) {
    const std::string fragment = shape.fragment;
    const PageSummaries found = SummarizePage(
        shape.markup, fragment.empty() ? std::vector<std::string>{} : std::vector{fragment}, fragment.empty());
    const auto it = found.by_fragment.find(fragment);
    const std::string got = fragment.empty() ? found.page : it == found.by_fragment.end() ? "" : it->second;
    EXPECT_EQ(got, shape.summary) << shape.what;
  }
}

// An installation whose pages are every kind of bad input, beside one good
// page: each bad record simply gets no summary, and nothing blocks.
TEST(PageSummary, BadPagesGiveNoSummaryAndNeverStopTheBuild) {
  ScratchDir scratch("summaries");
  const fs::path inst = scratch.path() / "inst", html = inst / "docs/html";
  fs::create_directories(html);
  WriteBytes(scratch.path() / "secret.html", "<p id=\"s\">Outside the installation.</p>");
  WriteBytes(html / "good.html", "<p id=\"g\">Good.</p>");
  WriteBytes(html / "binary.html", std::string("\x00\xFF\x01<p\x00 id=\"b\">", 14) + std::string(4096, '\x9C'));
  WriteBytes(html / "broken.html", "<p id=\"k\">Broken <b>markup <i>still reads. </p></div></span><<<>>");
  WriteBytes(html / "wrong.html", "<meta charset=\"utf-8\"><p id=\"w\">Caf\xE9 \xFF bytes.</p>");
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<div>";
  WriteBytes(html / "deep.html", deep + "<p id=\"d\">Deep.</p>");
  WriteBytes(html / "huge.html", "<p id=\"h\">Huge.</p>");
  fs::resize_file(html / "huge.html", 100u << 20);
  ASSERT_EQ(mkfifo((html / "fifo.html").c_str(), 0600), 0);
  fs::create_symlink(scratch.path() / "secret.html", html / "link.html");

  const std::string list =
      "Good|/docs/html/good.html#g\nBinary|/docs/html/binary.html#b\nBroken|/docs/html/broken.html#k\n"
      "Wrong|/docs/html/wrong.html#w\nDeep|/docs/html/deep.html#d\nHuge|/docs/html/huge.html#h\n"
      "Fifo|/docs/html/fifo.html#f\nLink|/docs/html/link.html#s\nUp|/docs/html/../../secret.html#s\n"
      "Gone|/docs/html/gone.html#g\nNoFragment|/docs/html/binary.html\n"
      // Another spelling of a page is the same page; a path longer than any
      // file's is not even looked for.
      "Spelled|/docs/html/go%6Fd.html#g\nLong|/docs/html/" +
      std::string(5000, 'x') + ".html#l\n";
  Catalogue catalogue;
  ModuleMap modules;
  const String dir = FromBytes(inst.string());
  ReadCatalogue(list, dir, catalogue, modules);
  catalogue.Sort();
  const std::vector<std::string> got = ReadSummaries(catalogue, dir);
  // Catalogue order is by name.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Binary", ""},     {"Broken", "Broken markup still reads."},
      {"Deep", ""},       {"Fifo", ""},
      {"Gone", ""},       {"Good", "Good."},
      {"Huge", ""},       {"Link", ""},
      {"Long", ""},       {"NoFragment", ""},
      {"Spelled", "Good."}, {"Up", ""},
      {"Wrong", ""}};
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (expected[i].first == "Wrong") {
      // A page that lies about its character set still gives text, never
      // broken UTF-8.
      EXPECT_TRUE(HoldsUtf8Bytes(FromBytes(got[i]))) << got[i];
      EXPECT_NE(got[i].find("bytes."), std::string::npos) << got[i];
    } else {
      EXPECT_EQ(got[i], expected[i].second) << expected[i].first;
    }
  }
}

// However records spell and share their pages, each gets what a reading of
// its own page alone would give it: links with escapes, queries, fragments
// or none, backslashes, pages or folders that are missing, many records per
// page. Compared over random catalogues, sorted and not.
TEST(SearchDetails, GroupedReadingAgreesWithOnePagePerRecord) {
  ScratchDir scratch;
  const fs::path inst = scratch.path() / "inst";
  const fs::path html = inst / "docs" / "html";
  fs::create_directories(html / "sub");
  // The last two names share the hash records are grouped by.
  const char* const pages[] = {"a.html", "b c.html", "sub/d.html", "c3962.html", "c136715.html"};
  for (const char* page : pages) {
    std::string markup = std::string("<html><head><meta name=\"description\" content=\"Page ") + page + ".\"></head>";
    for (const char* item : {"x", "y", "z z"}) markup += std::string("<p id=\"") + item + "\">Item " + item + " of " + page + ".</p>";
    WriteBytes(html / page, markup + "</html>");
  }
  const std::string links[] = {"/docs/html/a.html#x",        "/docs/html/a.html#y",     "/docs/html/a.html",
                               "/docs/html/b%20c.html#z%20z", "/docs/html/b c.html#x",   "/docs/html/a.html?q=1#y",
                               "\\docs\\html\\sub\\d.html#x", "/docs/html/sub/d.html#z z", "/docs/html/gone.html#x",
                               "/docs/html/sub/d.html",       "/docs/html/a.html#nothere",
                               "/docs/html/nofolder/a.html#x", "/docs/html/c3962.html#y",
                               "/docs/html/c136715.html#y",    "/docs/html/c3962.html"};
  const String dir = FromBytes(inst.string());
  std::mt19937 rng(11);
  std::size_t found = 0;
  std::map<std::string, std::string, std::less<>> alone;  // by link
  // The last round has enough records for the grouping's own sort.
  for (int round = 0; round < 41; ++round) {
    std::string list;
    const int records = round == 40 ? 6000 : 1 + static_cast<int>(rng() % 30);
    for (int i = 0; i < records; ++i)
      list += "N" + std::to_string(rng() % 10) + "|" + links[rng() % std::size(links)] + "\n";
    SCOPED_TRACE(list);
    Catalogue catalogue;
    ModuleMap modules;
    ReadCatalogue(list, dir, catalogue, modules);
    if (round % 2 == 0) catalogue.Sort();
    const std::vector<std::string> got = ReadSummaries(catalogue, dir);
    std::vector<std::string> expected;
    catalogue.ForEachRecord([&](const CatalogueRecord& record) {
      // One record alone: its page read for its fragment only.
      const std::string link(catalogue.LinkTail(record));
      if (!alone.contains(link)) {
        Catalogue single;
        ModuleMap single_modules;
        ReadCatalogue("N|" + link, dir, single, single_modules);
        alone[link] = ReadSummaries(single, dir).at(0);
      }
      expected.push_back(alone[link]);
    });
    ASSERT_EQ(got, expected);
    found += got.size() - static_cast<std::size_t>(std::count(got.begin(), got.end(), std::string()));
  }
  EXPECT_GT(found, 100u);
  // A fragment too long to be kept beside its record is found again in its
  // link, and names nothing.
  Catalogue catalogue;
  ModuleMap modules;
  ReadCatalogue("N|/docs/html/a.html#" + std::string(std::size_t{17} << 20, 'x') + "\nM|/docs/html/a.html#x\n", dir,
                catalogue, modules);
  EXPECT_EQ(ReadSummaries(catalogue, dir), (std::vector<std::string>{"", alone.at("/docs/html/a.html#x")}));
}

// Kept texts come back whole, in any order and after a second build, across
// the blocks they are packed into and the file they are set aside in: held
// in memory, spilled to a file with no name, or held after all when the
// folder to spill into is no folder.
TEST(SearchDetails, KeptSummariesComeBackWholeHeldOrSpilled) {
  ScratchDir scratch("kept");
  const std::string spill = scratch.File("spill");
  const std::string not_a_folder = scratch.File("file");
  fs::create_directory(spill);
  WriteBytes(not_a_folder, "x");
  // Whether some descriptor of this process names a file in dir.
  const auto spilled_into = [](const std::string& dir) {
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      if (fs::read_symlink(fd.path(), error).string().rfind(dir + "/", 0) == 0) return true;
    }
    return false;
  };
  for (const std::string& dir : {std::string(), spill, not_a_folder}) {
    SCOPED_TRACE(dir);
    RecordSummaries kept(dir);
    for (const int build : {1, 2}) {
      std::vector<std::string> texts;
      for (const std::size_t size : {std::size_t{1}, std::size_t{95}, std::size_t{4097}, std::size_t{65535},
                                     std::size_t{65536}, std::size_t{200000}})
        for (int copy = 0; copy < 16 + 8 * build; ++copy)
          texts.push_back(std::string(size, static_cast<char>('a' + (copy + build) % 26)) + "|");
      kept.Reset(texts.size() + 2);
      for (std::size_t i = 0; i < texts.size(); ++i) kept.Assign(i, kept.Keep(texts[i]));
      kept.Assign(texts.size(), kept.Keep(""));
      std::vector<std::size_t> order(texts.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::shuffle(order.begin(), order.end(), std::mt19937(7));
      for (const std::size_t i : order) ASSERT_EQ(kept.At(i), texts[i]) << i;
      for (std::size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(kept.At(i), texts[i]) << i;
      EXPECT_EQ(kept.At(texts.size()), "");
      EXPECT_EQ(kept.At(texts.size() + 1), "");
    }
    EXPECT_EQ(spilled_into(spill), dir == spill);
    EXPECT_TRUE(fs::is_empty(spill)) << "a spilled text left a name behind";
  }
}

TEST(SearchDetails, FilesHoldSignaturesAndEscapedTextInCatalogueOrder) {
  Catalogue catalogue;
  ModuleMap modules;
  ReadCatalogue("Zed:Int( a:String=\"\\\" )|/z.html#Z\nAlpha|/a.html#A\nMid()|/m.html\n", u"/nowhere", catalogue,
                modules);
  catalogue.Sort();
  EXPECT_EQ(SignaturesArrayFile(catalogue), "var sigs=[\"\",\"Mid()\",\"Zed:Int( a:String=\\\"\\\\\\\" )\"];");
  EXPECT_EQ(SummariesArrayFile({"<img onerror=x>", "", "Says \"hi\"."}),
            "var summaries=[\"<img onerror=x>\",\"\",\"Says \\\"hi\\\".\"];");
}

}  // namespace
}  // namespace qm
