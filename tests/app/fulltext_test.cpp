// The full-text index: the words a page is found by, the sections it is
// split into, and a build that writes its files and removes stale ones.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "app/index/command_list_reader.h"
#include "app/search/fulltext_index.h"
#include "app/search/fulltext_sections.h"
#include "app/search/fulltext_tokens.h"
#include "app/search/page_summary.h"
#include "app/search/search_details.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

TEST(FullTextTokens, SplitsIdentifiersAndKeepsThemWhole) {
  const struct {
    const char* text;
    const char* words;
  } cases[] = {
      {"Draw text, with a Shadow!", "draw text with a shadow"},
      {"gtk_widget_show()", "gtk_widget_show gtk widget show"},
      {"GtkWidget and HTMLParser", "gtkwidget gtk widget and htmlparser html parser"},
      {"std::vector<int> g_object.ref", "std::vector std vector int g_object.ref g object ref"},
      {"Gsk.CairoNode gtk_widget_get_HTMLView",
       "gsk.caironode caironode gsk cairo node gtk_widget_get_htmlview htmlview gtk widget get html view"},
      {"version 3.24 of utf8 __init__", "version 3.24 3 24 of utf8 init"},
      {"Ende. Neu \xC3\x9C"
       "BER \xC3\xA9t\xC3\xA9",
       "ende neu \xC3\xBC"
       "ber \xC3\xA9t\xC3\xA9"},
      {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x80\x94 \xE6\x96\x87\xE5\xAD\x97",
       "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x96\x87\xE5\xAD\x97"},
      {"a\xFF"
       "b \xC0\xAF"
       "c",
       "a b c"},
      {"trailing_ dot. ::colons", "trailing dot colons"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Joined(Tokens(c.text)), c.words) << c.text;
  EXPECT_TRUE(Tokens(std::string(100, 'x')).empty()) << "no word longer than anyone types";
}

TEST(FullTextSections, SplitsAtHeadingsAndAnchorsAndLeavesOutWhatIsNotContent) {
  const std::string long_text(450, 'w');
  const struct {
    const char* what;
    std::string markup;
    const char* title;
    // anchor|heading|text for each section, joined by " / "
    std::string sections;
  } cases[] = {
      {"headings with ids, text before the first",
       "<title>T  one</title><p>Intro  text.</p><h2 id=\"a\">First <i>part</i></h2><p>Body one.</p>"
       "<h2 id=\"b\">Second</h2>Body two.",
       "T one", "||Intro text. / a|First part|Body one. / b|Second|Body two."},
      {"anchor before its heading, navigation, script and style left out",
       "<nav>Home Next</nav><div class=\"navbar\">Up</div><script>var x;</script><style>p{}</style>"
       "<a name=\"g-free\"></a><h3>g_free ()</h3><pre>void g_free (gpointer mem);</pre><p>Frees mem.</p>"
       "<footer>Generated</footer>",
       "", "g-free|g_free ()|void g_free (gpointer mem); Frees mem."},
      {"named anchor inside long text starts a section under the same heading",
       "<h1>Page</h1><p>" + long_text + "</p><a name=\"later\"></a><p>Later text.</p>", "",
       "|Page|" + long_text + " / later|Page|Later text."},
      {"empty heading sections dropped, blocks separate words",
       "<h2 id=\"x\"></h2><h2 id=\"y\">Y</h2><ul><li>one</li><li>two</li></ul><td>a</td><td>b</td>", "",
       "y|Y|one two a b"},
  };
  for (const auto& c : cases) {
    SectionSplitter splitter;
    // The same parse as the summaries: the page is read once for both.
    SummarizePage(c.markup, {}, true, &splitter);
    const PageText page = splitter.Take();
    std::string got;
    for (const auto& s : page.sections) got += (got.empty() ? "" : " / ") + s.anchor + "|" + s.heading + "|" + s.text;
    EXPECT_EQ(got, c.sections) << c.what;
    EXPECT_EQ(page.title, c.title) << c.what;
  }
}

TEST(FullTextBuild, WritesItsFilesRemovesStaleOnesAndCanBeLeftOut) {
  testing::ScratchDir scratch("fulltext");
  const fs::path app = scratch.path() / "app", inst = scratch.path() / "sample";
  const fs::path modules = inst / "docs/html/Modules";
  testing::CopiedApplication(app);
  testing::CopySampleInstallation(inst);
  // A shard of an earlier, larger index.
  testing::WriteBytes(modules / "fulltext-t99.js", "QuillmereFullText.terms(\"old\",99,\"\",[]);");
  const auto run = [&](std::vector<std::string> args, const char* threads = nullptr) {
    args.insert(args.begin(), {(app / "Quillmere").string(), "--dir", inst.string()});
    std::vector<std::string> env = testing::HeadlessEnvironment();
    if (threads != nullptr) env.push_back(std::string("QUILLMERE_BUILD_THREADS=") + threads);
    return testing::RunProgramForTest(args, env, scratch.path().string());
  };
  const auto built = run({"build"});
  ASSERT_EQ(built.status, 0) << built.err;
  // Standard error is no terminal here: no progress line.
  EXPECT_EQ(built.err.find("Indexing pages"), std::string::npos) << built.err;
  EXPECT_FALSE(fs::exists(modules / "fulltext-t99.js"));
  const std::string root = testing::ReadBytes(modules / "fulltext.js");
  EXPECT_EQ(root.rfind("QuillmereFullText.root({build:\"", 0), 0u) << root;
  const std::string build_id = root.substr(31, 12);
  for (const char* shard : {"fulltext-t0.js", "fulltext-x0.js"})
    EXPECT_NE(testing::ReadBytes(modules / shard).find("\"" + build_id + "\""), std::string::npos) << shard;
  // Prose of the users' guide, its title and its heading are all in.
  const std::string text = testing::ReadBytes(modules / "fulltext-x0.js");
  // Tab-ended fields; the path after the start it shares with the one before.
  EXPECT_NE(text.find("index.html\tTallowin - Users guide\t"), std::string::npos);
  EXPECT_NE(text.find("\tInstalling\tUnpack the Tallowin archive"), std::string::npos);

  // Pages read on a second thread while this one indexes them give the
  // same files, byte for byte but for the build's id, as one thread alone.
  const auto outputs = [&](const char* threads) {
    EXPECT_EQ(run({"build"}, threads).status, 0);
    const std::string id = testing::ReadBytes(modules / "fulltext.js").substr(31, 12);
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(modules)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("fulltext", 0) != 0 && name != "summaries.js") continue;
      std::string bytes = testing::ReadBytes(entry.path());
      for (std::size_t at = 0; (at = bytes.find(id, at)) != std::string::npos;) bytes.replace(at, id.size(), "id");
      files[name] = bytes;
    }
    return files;
  };
  const auto one_thread = outputs("1");
  EXPECT_GT(one_thread.size(), 3u);
  EXPECT_TRUE(one_thread == outputs("2"));

  const auto without = run({"--no-full-text", "build"});
  ASSERT_EQ(without.status, 0) << without.err;
  for (const auto& entry : fs::directory_iterator(modules))
    EXPECT_EQ(entry.path().filename().string().rfind("fulltext", 0), std::string::npos) << entry.path();
  EXPECT_TRUE(fs::exists(modules / "summaries.js"));

  // A shard that cannot be written (a folder in its place; the build may
  // run as root) fails the build by its name and leaves the index as it was.
  fs::create_directories(modules / "fulltext-x0.js" / "in-the-way");
  const std::string commands = testing::ReadBytes(modules / "command.js");
  const auto blocked = run({"build"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("fulltext-x0.js"), std::string::npos) << blocked.err;
  EXPECT_FALSE(fs::exists(modules / "fulltext.js"));
  EXPECT_EQ(testing::ReadBytes(modules / "command.js"), commands);
  for (const auto& entry : fs::directory_iterator(modules))
    EXPECT_EQ(entry.path().filename().string().find("quillmere-tmp"), std::string::npos) << entry.path();
}

// Pages read on a second thread, in batches and held back when the indexing
// falls behind, give the same summaries and files as one thread, over more
// pages than are ever read ahead and with folders that are not there; and a
// reader who stops the build stops it, either way, at the page it stopped.
TEST(FullTextBuild, ReadingAheadGivesWhatOneThreadGivesAndStopsWhenAsked) {
  testing::ScratchDir scratch("ahead");
  const fs::path inst = scratch.path() / "inst";
  std::string list;
  for (int page = 0; page < 120; ++page) {
    const std::string folder = "/docs/html/f" + std::to_string(page % 7);
    const std::string file = folder + "/p" + std::to_string(page) + ".html";
    if (page % 5 != 0)  // every fifth page's folder is never made
      testing::WriteBytes(inst.string() + file, "<title>Page " + std::to_string(page) + "</title><h2 id=\"i\">Item</h2>" +
                                                    "<p>Does thing" + std::to_string(page) + " and more.</p>");
    list += "Item" + std::to_string(page) + "|" + (page % 5 ? file : "/docs/html/gone" + std::to_string(page) + "/p.html") +
            "#i\n";
  }
  const String dir = FromBytes(inst.string());
  Catalogue catalogue;
  ModuleMap modules;
  ReadCatalogue(list, dir, catalogue, modules);
  catalogue.Sort();
  struct Outcome {
    bool finished;
    std::size_t last_page;
    std::vector<std::string> summaries;
    std::map<std::string, std::string> files;
  };
  const auto read = [&](const char* threads, std::size_t stop_at, const std::string& spill_dir = {},
                        std::size_t run_bytes = PostingRuns::kRunBytes) {
    setenv("QUILLMERE_BUILD_THREADS", threads, 1);
    Outcome outcome{};
    SetPageReadingObserver([&](std::size_t done, std::size_t) {
      outcome.last_page = done;
      return done != stop_at;
    });
    FullTextIndex index(
        "0123456789ab",
        [&](const std::string& name, const std::string& bytes) {
          outcome.files[name] = bytes;
          return true;
        },
        spill_dir, run_bytes);
    RecordSummaries summaries;
    outcome.finished = ReadPages(catalogue, dir, &index, &summaries) && index.Finish();
    for (std::size_t i = 0; i < summaries.Count(); ++i) outcome.summaries.emplace_back(summaries.At(i));
    SetPageReadingObserver(nullptr);
    unsetenv("QUILLMERE_BUILD_THREADS");
    return outcome;
  };
  // And with the postings set aside a page or two at a time.
  const Outcome one = read("1", 0), two = read("2", 0), runs = read("2", 0, scratch.path().string(), 512);
  ASSERT_TRUE(one.finished && two.finished && runs.finished);
  EXPECT_EQ(one.summaries, two.summaries);
  EXPECT_TRUE(one.files == two.files);
  EXPECT_TRUE(runs.files == two.files);
  EXPECT_EQ(std::count(one.summaries.begin(), one.summaries.end(), "Does thing7 and more."), 1);
  for (const char* threads : {"1", "2"}) {
    const Outcome stopped = read(threads, 50);
    EXPECT_FALSE(stopped.finished) << threads;
    EXPECT_EQ(stopped.last_page, 50u) << threads;
  }
}

TEST(FullTextBuild, HostilePagesAreReadSafelyAndNothingOutsideTheInstallationIsIndexed) {
  testing::ScratchDir scratch("fulltext-hostile");
  const fs::path app = scratch.path() / "app", inst = scratch.path() / "sample";
  const fs::path html = inst / "docs/html";
  testing::CopiedApplication(app);
  testing::CopySampleInstallation(inst);
  fs::create_directories(html / "bad");
  testing::WriteBytes(html / "bad/binary.html", std::string("\0\xFF\xFEzz\x01<h1>\xC3", 10) + "binaryword");
  std::string nested;
  for (int i = 0; i < 20000; ++i) nested += "<div>";
  testing::WriteBytes(html / "bad/nested.html", "<p>nestedword</p>" + nested + "deepword");
  testing::WriteBytes(html / "bad/latin1.html", "<meta charset=\"iso-8859-1\"><h2 id=\"c\">Caf\xE9</h2><p>Kr\xE4"
                                                "fte wirken.</p>");
  testing::WriteBytes(scratch.path() / "outside.html", "<p>outsideword</p>");
  fs::create_symlink(scratch.path() / "outside.html", html / "bad/link.html");
  fs::create_directory_symlink(scratch.path(), html / "bad/up");
  ASSERT_EQ(mkfifo((html / "bad/fifo.html").c_str(), 0644), 0);
  const auto built = testing::RunProgramForTest({(app / "Quillmere").string(), "--dir", inst.string(), "build"},
                                                testing::HeadlessEnvironment(), scratch.path().string());
  ASSERT_EQ(built.status, 0) << built.err;
  std::string text;
  for (const auto& entry : fs::directory_iterator(html / "Modules"))
    if (entry.path().filename().string().rfind("fulltext-x", 0) == 0) text += testing::ReadBytes(entry.path());
  EXPECT_NE(text.find("nestedword"), std::string::npos);
  EXPECT_NE(text.find("\tCaf\xC3\xA9\tKr\xC3\xA4"
                      "fte wirken.\t"),
            std::string::npos)
      << "charset honoured";
  EXPECT_EQ(text.find("outsideword"), std::string::npos) << "a link out of the installation was followed";
}

// A page that records link to, however the link spells it, is read once for
// both; pages no record links to are read for the full text alone; a linked
// page that is not there is not counted.
TEST(FullTextBuild, EachPageIsReadOnceWhetherLinkedOrOnlyWalked) {
  testing::ScratchDir scratch("fulltext-once");
  const fs::path html = scratch.path() / "inst/docs/html";
  for (const char* page : {"a.html", "b c.html", "sub/d.html", "sub/e.html", "lone.html"})
    testing::WriteBytes(html / page, std::string("<title>T</title><h2 id=\"i\">I</h2><p>Word of ") + page + ".</p>");
  const std::string list = "A|/docs/html/a.html#i\nA2|/docs/html/a.html\nB|/docs/html/b%20c.html#i\n"
                           "D|/docs/html/sub/d.html#i\nGone|/docs/html/sub/gone.html#i\n";
  const String dir = FromBytes((scratch.path() / "inst").string());
  Catalogue catalogue;
  ModuleMap modules;
  ReadCatalogue(list, dir, catalogue, modules);
  catalogue.Sort();
  std::size_t done = 0, total = 0;
  SetPageReadingObserver([&](std::size_t d, std::size_t t) {
    done = d;
    total = t;
    return true;
  });
  std::map<std::string, std::string> files;
  FullTextIndex index("0123456789ab", [&](const std::string& name, const std::string& bytes) {
    files[name] = bytes;
    return true;
  });
  RecordSummaries summaries;
  EXPECT_TRUE(ReadPages(catalogue, dir, &index, &summaries) && index.Finish());
  SetPageReadingObserver(nullptr);
  EXPECT_EQ(total, 5u);
  EXPECT_EQ(done, 5u);
  EXPECT_NE(files["fulltext.js"].find(",pages:5,"), std::string::npos) << files["fulltext.js"];
}

TEST(FullTextIndexFiles, ShardsSplitByTermAndPostingsDecodeToTheirSections) {
  // Enough distinct words for several term shards; "common" in every section.
  const auto build = [](const std::string& spill_dir, std::size_t run_bytes) {
    std::map<std::string, std::string> files;
    FullTextIndex index(
        "0123456789ab",
        [&](const std::string& name, const std::string& bytes) {
          files[name] = bytes;
          return true;
        },
        spill_dir, run_bytes);
    for (int page = 0; page < 300; ++page) {
      PageText text;
      text.title = "Page " + std::to_string(page);
      for (int s = 0; s < 3; ++s) {
        std::string body = "common";
        for (int w = 0; w < 40; ++w) body += " w" + std::to_string(page * 1000 + s * 100 + w);
        // A title word in a section's own text too (section 16).
        if (page == 5 && s == 1) body += " page";
        text.sections.push_back({"a" + std::to_string(s), "Heading", body});
      }
      EXPECT_TRUE(index.AddPage("/docs/html/p" + std::to_string(page) + ".html", text));
    }
    EXPECT_TRUE(index.Finish());
    return files;
  };
  const std::map<std::string, std::string> files = build("", PostingRuns::kRunBytes);
  // Postings set aside in a file in runs of a few pages each give the same
  // files, byte for byte.
  testing::ScratchDir spill("fulltext-runs");
  EXPECT_TRUE(build(spill.path().string(), 4096) == files);
  const std::string& root = files.at("fulltext.js");
  EXPECT_EQ(root.rfind("QuillmereFullText.root({build:\"0123456789ab\",sections:900,pages:300,terms:[\"", 0), 0u);
  EXPECT_GT(files.count("fulltext-t1.js") + files.count("fulltext-x1.js"), 1u) << "more than one shard of each";
  // The postings of "common": every section, in order, and of "page" (a
  // title word): one for each page, standing for its three sections. Words
  // and lists are fields of one string each; a word follows the length (one
  // digit) of the start it shares with the word before.
  const auto split = [](const std::string& text, char separator) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t next = text.find(separator, at);
      out.push_back(text.substr(at, next - at));
      at = next + 1;
    }
    return out;
  };
  const auto digit = [](char c) {
    const unsigned byte = static_cast<unsigned char>(c);
    return byte > 0x5C ? byte - 0x24 : byte - 0x23;
  };
  std::map<std::string, std::string> lists;
  for (const auto& [name, bytes] : files) {
    if (name.rfind("fulltext-t", 0) != 0) continue;
    const std::size_t words_at = bytes.find(",\"", bytes.find(',') + 1) + 2;
    const std::size_t lists_at = bytes.find("\",\"", words_at);
    const auto words = split(bytes.substr(words_at, lists_at - words_at), '\t');
    const auto posted = split(bytes.substr(lists_at + 3, bytes.rfind("\")") - lists_at - 3), ' ');
    ASSERT_EQ(words.size(), posted.size()) << name;
    std::string previous;
    for (std::size_t k = 0; k < words.size(); ++k) {
      previous = previous.substr(0, digit(words[k][0])) + words[k].substr(1);
      lists[previous] = posted[k];
    }
  }
  // Every section a list names: a whole-page posting (odd number) names the
  // page's three sections.
  const auto sections_of = [&](const std::string& list) {
    std::vector<unsigned> sections;
    unsigned section = 0;
    for (std::size_t i = 0; i < list.size();) {
      unsigned value = 0;
      for (unsigned d = digit(list[i++]);; d = digit(list[i++])) {
        if (d < 46) {
          value = value * 46 + d;
          break;
        }
        value = value * 45 + d - 46;
      }
      section = sections.empty() ? value / 2 : section + value / 2;
      for (unsigned k = 0; k < (value % 2 ? 3u : 1u); ++k) sections.push_back(section + k);
      ++i;  // the impact
    }
    return sections;
  };
  for (const char* word : {"common", "page"}) {
    ASSERT_EQ(lists.count(word), 1u) << word;
    auto sections = sections_of(lists[word]);
    std::sort(sections.begin(), sections.end());
    sections.erase(std::unique(sections.begin(), sections.end()), sections.end());
    ASSERT_EQ(sections.size(), 900u) << word;
    for (unsigned s = 0; s < 900; ++s) ASSERT_EQ(sections[s], s) << word;
  }
  EXPECT_EQ(lists["page"].size(), 300u * 2 + 2) << "one posting of two digits per page, and one for section 16";
  ASSERT_EQ(lists.count("w2139"), 1u);
  EXPECT_EQ(sections_of(lists["w2139"]), std::vector<unsigned>{7u}) << "a word of one section";
  EXPECT_TRUE(IsFullTextFileName("fulltext-t12.js") && IsFullTextFileName("fulltext.js") &&
              !IsFullTextFileName("fulltext-q1.js") && !IsFullTextFileName("fulltext-t.js"));
}

// A section's table of words is emptied for each section: a large one is let
// go, a small one kept; either way nothing of the section before is found.
TEST(FullTextPostings, TermTablesForgetEverythingWhenCleared) {
  for (const std::uint32_t words : {10u, 5000u}) {
    TermTable table;
    for (std::uint32_t k = 0; k < words; ++k) ASSERT_EQ(table.Number("w" + std::to_string(k)), k);
    EXPECT_EQ(table.Number("w7"), 7u);
    EXPECT_EQ(table.At(7), "w7");
    table.Clear();
    EXPECT_EQ(table.Size(), 0u);
    EXPECT_EQ(table.Find("w7", TermTable::Hash("w7")), UINT32_MAX) << words;
    EXPECT_EQ(table.Number("w9"), 0u) << words;
    EXPECT_EQ(table.At(0), "w9");
    EXPECT_EQ(table.HashAt(0), TermTable::Hash("w9"));
  }
}

TEST(FullTextPostings, RunsMergeToEachTermsPostingsInTheOrderAdded) {
  testing::ScratchDir scratch("postings");
  testing::WriteBytes(scratch.path() / "not-a-folder", "");
  struct Case {
    std::string spill_dir;
    std::size_t run_bytes;
  };
  // One run in memory; many in memory; many in a file; many where no file
  // can be made (they stay in memory).
  for (const Case& c : {Case{"", 1 << 20}, Case{"", 256}, Case{scratch.path().string(), 256},
                        Case{(scratch.path() / "not-a-folder").string(), 256}}) {
    PostingRuns runs(c.spill_dir, c.run_bytes);
    std::map<std::string, std::vector<std::pair<std::uint32_t, std::uint32_t>>> expected;
    std::uint32_t value = 0;
    for (std::uint32_t page = 0; page < 200; ++page) {
      // Words that share more than the start compared first, a word of one
      // byte, one beyond ASCII, and words of one page only.
      const std::vector<std::string> words = {"common", "x", "\xC3\xA9t\xC3\xA9", "a_long_shared_start",
                                              "a_long_shared_start_" + std::to_string(page % 7),
                                              "only" + std::to_string(page)};
      const std::size_t first = runs.Added();
      for (const std::string& word : words) {
        runs.Add(word, TermTable::Hash(word), {value, value % 13});
        expected[word].push_back({value, word == "common" ? 1000 + page : value % 13});
        ++value;
      }
      // The first posting's length is known only once the page is in.
      runs.SetLengths(first, first + 1, 1000 + page);
      runs.MayEndRun();
    }
    std::map<std::string, std::vector<std::pair<std::uint32_t, std::uint32_t>>> merged;
    std::string previous;
    EXPECT_TRUE(runs.ForEachTerm([&](std::string_view term, const std::vector<TermPosting>& postings) {
      EXPECT_TRUE(merged.empty() || previous < term) << "terms once each, in byte order";
      previous = term;
      for (const TermPosting& posting : postings) merged[previous].push_back({posting.value, posting.length});
      return true;
    })) << c.spill_dir;
    EXPECT_EQ(merged, expected) << c.spill_dir << " " << c.run_bytes;
    EXPECT_EQ(runs.Runs() > 1, c.run_bytes < 1024) << c.spill_dir;
  }
}

}  // namespace
}  // namespace qm
