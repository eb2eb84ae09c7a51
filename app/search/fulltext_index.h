#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/search/fulltext_sections.h"
#include "app/search/fulltext_postings.h"

namespace qm {

// The full-text index of the documentation, written as classic scripts that
// a page opened from file:// can load with <script src>, each calling one
// function of the page's search (QuillmereFullText):
//   fulltext.js       the root: the build's id, the counts, the first term
//                     of every term shard and the first section of every
//                     text shard; loaded once the reader types.
//   fulltext-tN.js    terms in order with their postings, loaded only when a
//                     query needs a term in its range. A word of a page's
//                     title has one posting for the whole page.
//   fulltext-p.js     where each page's sections start, so that words
//                     spread over a page's sections still find it.
//   fulltext-xN.js    the pages and sections in order with their titles,
//                     headings and text (white space collapsed), for the
//                     results' titles, excerpts and quoted phrases.
// Every file carries the build's id, so that a page can tell a shard of
// another build from one of its own.

// The names the index uses in docs/html/Modules, and only those.
inline constexpr std::string_view kFullTextRoot = "fulltext.js";
bool IsFullTextFileName(std::string_view name);

// The sizes a build produced, for the benchmarks and the progress lines.
struct FullTextStats {
  std::size_t pages = 0, sections = 0, terms = 0;
  std::uint64_t text_bytes = 0;    // the text covered, white space collapsed
  std::uint64_t stored_bytes = 0;  // the text shards
  std::uint64_t index_bytes = 0;   // the root and the term shards
};

class FullTextIndex {
 public:
  // save(name, bytes): where each finished file goes; text shards leave as
  // they fill, so the text of a large set is never held whole. false from
  // save ends the build. Postings beyond a run's worth wait in spill_dir
  // (in memory when it is "").
  using FileSaver = std::function<bool(const std::string& name, const std::string& bytes)>;
  FullTextIndex(std::string build_id, FileSaver save, std::string spill_dir = {},
                std::size_t run_bytes = PostingRuns::kRunBytes);
  ~FullTextIndex();

  // path: the page's path from the installation's folder ("/docs/html/a.html").
  bool AddPage(const std::string& path, const PageText& page);
  // Writes the remaining text, the term shards and the root.
  bool Finish();
  const FullTextStats& Stats() const { return stats_; }
  // Why Finish failed when no file's saving did: "" otherwise.
  const std::string& Failure() const { return failure_; }

 private:
  bool FlushText();

  std::string build_;
  FileSaver save_;
  FullTextStats stats_;
  bool ok_ = true;
  std::string failure_;

  // The words of the section and of the page's title being added, with
  // their weighted counts.
  TermTable section_terms_, title_terms_;
  std::vector<std::uint32_t> section_counts_, title_counts_;
  // Postings: section << 9 | 256 for a whole page | weighted count (at
  // most 255), with the length of the section (of a page's mean section
  // for a whole page).
  PostingRuns postings_;
  std::uint32_t sections_ = 0;
  std::uint64_t section_words_ = 0;        // over every section
  std::vector<std::uint32_t> page_starts_;  // the first section of each page

  // The text shard being filled.
  std::string text_pages_, text_sections_;
  std::size_t text_page_count_ = 0;
  std::uint32_t text_first_section_ = 0;
  std::string previous_anchor_;  // anchors and paths are stored after what they share with these
  std::string previous_path_;
  std::vector<std::uint32_t> text_starts_;
};

// A new id for one build: 12 hexadecimal digits.
std::string NewFullTextBuildId();

// Appends text as the body of a JavaScript string literal in double quotes.
void AppendJsString(std::string& out, std::string_view utf8);

}  // namespace qm
