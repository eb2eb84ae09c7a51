#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/search/fulltext_sections.h"
#include "system/hash_slots.h"

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
  // save ends the build.
  using FileSaver = std::function<bool(const std::string& name, const std::string& bytes)>;
  FullTextIndex(std::string build_id, FileSaver save);
  ~FullTextIndex();

  // path: the page's path from the installation's folder ("/docs/html/a.html").
  bool AddPage(const std::string& path, const PageText& page);
  // Writes the remaining text, the term shards and the root.
  bool Finish();
  const FullTextStats& Stats() const { return stats_; }

 private:
  bool FlushText();
  std::uint32_t TermId(std::string_view term);

  std::string build_;
  FileSaver save_;
  FullTextStats stats_;
  bool ok_ = true;

  // Term ids by the words' own bytes: open addressing over the ids, so a
  // known word costs one hash and one compare, and no allocation.
  HashSlots slots_;                          // each word's hash above its term id
  std::vector<std::uint32_t> counts_;        // by term, for the section being added
  std::vector<std::uint32_t> touched_;       // the terms counted in it
  std::vector<std::uint32_t> title_counts_;  // by term, for the page being added
  std::vector<std::uint32_t> title_touched_;
  std::vector<std::string> terms_;
  // Postings by term: section << 9 | 256 for a whole page | weighted count
  // (at most 255).
  std::vector<std::vector<std::uint32_t>> postings_;
  std::vector<std::uint32_t> lengths_;      // words per section
  std::vector<std::uint32_t> page_starts_;  // the first section of each page
  std::vector<std::uint32_t> page_lengths_;  // the mean words per section of each page

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
