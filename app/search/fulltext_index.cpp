#include "app/search/fulltext_index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>

#include "app/index/index_writer.h"
#include "app/search/fulltext_tokens.h"

namespace qm {
namespace {

// BM25 with its usual constants; a word in the section's heading counts
// three times, in the page's title twice, so that the section named for
// what the reader asks comes before one that mentions it in passing.
constexpr double kK1 = 1.2;
constexpr double kB = 0.75;
constexpr std::uint32_t kHeadingWeight = 3;
constexpr std::uint32_t kTitleWeight = 2;
// The per-section part of a word's score is stored in this many steps; the
// word's rarity (its idf) the page works out from the number of postings.
constexpr double kImpactSteps = 31;

// Shards small enough to load between two keystrokes.
constexpr std::size_t kTermShardBytes = 48 * 1024;
constexpr std::size_t kTextShardBytes = 96 * 1024;

// Numbers in a posting string: base 32 digits, most significant first,
// every digit but the last shifted up by 32 so that the last one ends the
// number; each digit is one printable character, never a quote or a backslash.
void PutDigit(std::string& out, unsigned digit) {
  unsigned c = 0x23 + digit;
  if (c >= 0x5C) ++c;
  out += static_cast<char>(c);
}
void PutNumber(std::string& out, std::uint32_t value) {
  char digits[8];
  int n = 0;
  do {
    digits[n++] = static_cast<char>(value & 31);
    value >>= 5;
  } while (value != 0);
  while (n > 1) PutDigit(out, 32 + static_cast<unsigned>(digits[--n]));
  PutDigit(out, static_cast<unsigned>(digits[0]));
}

}  // namespace

bool IsFullTextFileName(std::string_view name) {
  if (name == kFullTextRoot || name == "fulltext-p.js") return true;
  if (!name.starts_with("fulltext-") || !name.ends_with(".js") || name.size() < 14) return false;
  const std::string_view middle = name.substr(9, name.size() - 12);
  if (middle[0] != 't' && middle[0] != 'x') return false;
  return std::all_of(middle.begin() + 1, middle.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void AppendJsString(std::string& out, std::string_view utf8) {
  // Page text may hold line ends and other control bytes, which a string
  // literal cannot: they become blanks, and the rest goes through the index
  // files' one escaper.
  const std::size_t at = out.size();
  out.resize(at + 2 * utf8.size());
  char* const start = out.data() + at;
  char* const end = PutJsEscaped(start, utf8);
  for (char* p = start; p < end; ++p)
    if (static_cast<unsigned char>(*p) < 0x20) *p = ' ';
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::string NewFullTextBuildId() {
  std::random_device device;
  std::mt19937_64 mix((static_cast<std::uint64_t>(device()) << 32) ^ device());
  char text[17];
  std::snprintf(text, sizeof text, "%012llx", static_cast<unsigned long long>(mix() & 0xFFFFFFFFFFFFull));
  return text;
}

FullTextIndex::FullTextIndex(std::string build_id, FileSaver save)
    : build_(std::move(build_id)), save_(std::move(save)) {}
FullTextIndex::~FullTextIndex() = default;

std::uint32_t FullTextIndex::TermId(std::string_view term) {
  if (const auto it = term_ids_.find(term); it != term_ids_.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(terms_.size());
  term_ids_.emplace(std::string(term), id);
  terms_.emplace_back(term);
  postings_.emplace_back();
  counts_.push_back(0);
  return id;
}

bool FullTextIndex::AddPage(const std::string& path, const PageText& page) {
  if (!ok_ || page.sections.empty()) return ok_;
  ++stats_.pages;
  page_starts_.push_back(static_cast<std::uint32_t>(lengths_.size()));
  stats_.text_bytes += page.title.size();
  const std::size_t page_at = text_page_count_++;
  text_pages_ += text_pages_.empty() ? "\"" : ",\"";
  AppendJsString(text_pages_, path);
  text_pages_ += "\",\"";
  AppendJsString(text_pages_, page.title);
  text_pages_ += '"';

  const auto count = [&](std::uint32_t term, std::uint32_t weight) {
    if (counts_[term] == 0) touched_.push_back(term);
    counts_[term] += weight;
  };
  std::uint32_t title_words = 0;
  std::vector<std::uint32_t> title_terms;
  ForEachToken(page.title, [&](std::string_view t) {
    title_terms.push_back(TermId(t));
    ++title_words;
  });
  for (const PageSection& section : page.sections) {
    const auto id = static_cast<std::uint32_t>(lengths_.size());
    // Postings keep the section in 24 bits.
    if (id >= (1u << 24)) break;
    std::uint32_t words = 0;
    ForEachToken(section.text, [&](std::string_view t) {
      count(TermId(t), 1);
      ++words;
    });
    ForEachToken(section.heading, [&](std::string_view t) {
      count(TermId(t), kHeadingWeight);
      ++words;
    });
    for (const std::uint32_t t : title_terms) count(t, kTitleWeight);
    // In the order first met; the page sorts nothing, postings only grow.
    for (const std::uint32_t term : touched_) {
      postings_[term].push_back(id << 8 | std::min<std::uint32_t>(counts_[term], 255));
      counts_[term] = 0;
    }
    touched_.clear();
    lengths_.push_back(words + title_words);
    ++stats_.sections;
    stats_.text_bytes += section.heading.size() + section.text.size() + 1;

    // Generated anchors of one page mostly share their start with the one
    // before ("gtk-widget-show", "gtk-widget-show-all"): the page's number
    // and the length shared (under 64) are one number.
    std::size_t shared = 0;
    while (shared < 63 && shared < section.anchor.size() && shared < previous_anchor_.size() &&
           section.anchor[shared] == previous_anchor_[shared])
      ++shared;
    // A cut inside a UTF-8 sequence would leave the rest undecodable.
    while (shared > 0 && shared < section.anchor.size() &&
           (static_cast<unsigned char>(section.anchor[shared]) & 0xC0) == 0x80)
      --shared;
    previous_anchor_ = section.anchor;
    text_sections_ += text_sections_.empty() ? "" : ",";
    text_sections_ += std::to_string(page_at * 64 + shared) + ",\"";
    AppendJsString(text_sections_, std::string_view(section.anchor).substr(shared));
    text_sections_ += "\",\"";
    AppendJsString(text_sections_, section.heading);
    text_sections_ += "\",\"";
    AppendJsString(text_sections_, section.text);
    text_sections_ += '"';
  }
  if (text_pages_.size() + text_sections_.size() >= kTextShardBytes) return FlushText();
  return ok_;
}

bool FullTextIndex::FlushText() {
  if (text_page_count_ == 0) return ok_;
  const std::size_t n = text_starts_.size();
  text_starts_.push_back(text_first_section_);
  std::string file = "QuillmereFullText.text(\"" + build_ + "\"," + std::to_string(n) + ",[" + text_pages_ + "],[" +
                     text_sections_ + "]);\n";
  stats_.stored_bytes += file.size();
  ok_ = ok_ && save_("fulltext-x" + std::to_string(n) + ".js", file);
  text_pages_.clear();
  text_sections_.clear();
  text_page_count_ = 0;
  previous_anchor_.clear();
  text_first_section_ = static_cast<std::uint32_t>(lengths_.size());
  return ok_;
}

bool FullTextIndex::Finish() {
  if (!FlushText()) return false;
  const double sections = static_cast<double>(lengths_.size());
  const double average =
      lengths_.empty() ? 1.0 : std::max(1.0, std::accumulate(lengths_.begin(), lengths_.end(), 0.0) / sections);
  std::vector<std::uint32_t> order(terms_.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return terms_[a] < terms_[b]; });
  stats_.terms = order.size();

  std::string root_terms;
  std::string words, lists;
  std::size_t shard = 0, in_shard = 0;
  const auto flush = [&]() {
    if (in_shard == 0) return true;
    std::string file = "QuillmereFullText.terms(\"" + build_ + "\"," + std::to_string(shard) + ",\"" + words + "\",[" +
                       lists + "]);\n";
    stats_.index_bytes += file.size();
    words.clear();
    lists.clear();
    in_shard = 0;
    return save_("fulltext-t" + std::to_string(shard++) + ".js", file);
  };
  std::string list;
  for (const std::uint32_t t : order) {
    list.clear();
    std::uint32_t previous = 0;
    bool first = true;
    for (const std::uint32_t posting : postings_[t]) {
      const std::uint32_t section = posting >> 8;
      const double tf = posting & 255;
      const double part = tf * (kK1 + 1) / (tf + kK1 * (1 - kB + kB * lengths_[section] / average));
      const auto impact = static_cast<std::uint32_t>(
          std::clamp(std::lround(part / (kK1 + 1) * kImpactSteps), 1l, static_cast<long>(kImpactSteps)));
      PutNumber(list, first ? section : section - previous);
      PutDigit(list, impact);
      previous = section;
      first = false;
    }
    if (in_shard == 0) {
      root_terms += root_terms.empty() ? "\"" : ",\"";
      AppendJsString(root_terms, terms_[t]);
      root_terms += '"';
    }
    words += in_shard == 0 ? "" : "\\n";
    AppendJsString(words, terms_[t]);
    lists += in_shard == 0 ? "\"" : ",\"";
    lists += list;
    lists += '"';
    ++in_shard;
    if (words.size() + lists.size() >= kTermShardBytes && !flush()) return ok_ = false;
  }
  if (!flush()) return ok_ = false;
  std::string starts;
  for (std::size_t i = 0; i < page_starts_.size(); ++i)
    PutNumber(starts, i == 0 ? page_starts_[0] : page_starts_[i] - page_starts_[i - 1]);
  const std::string starts_file = "QuillmereFullText.pageStarts(\"" + build_ + "\",\"" + starts + "\");\n";
  stats_.index_bytes += starts_file.size();
  if (!save_("fulltext-p.js", starts_file)) return ok_ = false;
  std::string texts;
  for (const std::uint32_t start : text_starts_) texts += (texts.empty() ? "" : ",") + std::to_string(start);
  const std::string root = "QuillmereFullText.root({build:\"" + build_ +
                           "\",sections:" + std::to_string(lengths_.size()) + ",pages:" + std::to_string(stats_.pages) +
                           ",terms:[" + root_terms + "],texts:[" + texts + "]});\n";
  stats_.index_bytes += root.size();
  return ok_ = save_(std::string(kFullTextRoot), root);
}

}  // namespace qm
