#include "app/search/fulltext_index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/index/index_writer.h"
#include "app/search/fulltext_tokens.h"

namespace qm {
namespace {

// BM25 with k1 = 1.2 and a length normalisation b = 0.6 rather than the
// usual 0.75: reference pages hold many short sections (a declaration, a
// return value) beside long ones, and over two-word queries from a real
// reference set 0.6 put the page sought in the first five most often (0.4:
// 90.1%, 0.5: 90.5%, 0.6: 90.9%, 0.75: 89.3%, 0.9: 89.7%). A word in the
// section's heading counts three times, in the page's title twice, so that
// the section named for what the reader asks comes before one that
// mentions it in passing.
constexpr double kK1 = 1.2;
constexpr double kB = 0.6;
constexpr std::uint32_t kHeadingWeight = 3;
constexpr std::uint32_t kTitleWeight = 2;
// The per-section part of a word's score is stored in this many steps; the
// word's rarity (its idf) the page works out from the number of postings.
constexpr double kImpactSteps = 31;

// Shards small enough to load between two keystrokes.
constexpr std::size_t kTermShardBytes = 48 * 1024;
constexpr std::size_t kTextShardBytes = 96 * 1024;

// Numbers in the index strings: printable characters from '#' on, the
// backslash left out, 91 digits in all. The last digit of a number is one
// of the first 46 and every digit before it one of the other 45, most
// significant first, so a number ends itself and one below 46 is one
// character. No digit is a quote, a backslash, a blank or a tab.
constexpr unsigned kEndDigits = 46;
constexpr unsigned kMoreDigits = 45;
void PutDigit(std::string& out, unsigned digit) {
  unsigned c = 0x23 + digit;
  if (c >= 0x5C) ++c;
  out += static_cast<char>(c);
}
void PutNumber(std::string& out, std::uint32_t value) {
  char digits[8];
  int n = 0;
  for (std::uint32_t rest = value / kEndDigits; rest != 0; rest /= kMoreDigits)
    digits[n++] = static_cast<char>(rest % kMoreDigits);
  while (n > 0) PutDigit(out, kEndDigits + static_cast<unsigned>(digits[--n]));
  PutDigit(out, value % kEndDigits);
}

// The strings of one shard are fields in one string literal, each ended by
// a tab (which the text never holds: control bytes become blanks).
constexpr char kFieldEnd = '\t';

// Names in order (paths, anchors, terms) mostly begin as the one before
// does: each is written as the length of that shared start (one digit) and
// the rest. Only an ASCII start is shared, so the length is the same in
// bytes as in the page's UTF-16 units.
void PutShared(std::string& out, std::string_view name, std::string_view previous) {
  std::size_t shared = 0;
  while (shared < kEndDigits - 1 && shared < name.size() && shared < previous.size() &&
         name[shared] == previous[shared] && static_cast<unsigned char>(name[shared]) < 0x80)
    ++shared;
  PutDigit(out, static_cast<unsigned>(shared));
  AppendJsString(out, name.substr(shared));
}

// A posting: its section, whether it stands for every section of the page
// that starts there (a word of the page's title), and the weighted count.
constexpr std::uint32_t kSectionShift = 9;
constexpr std::uint32_t kWholePage = 1u << 8;
constexpr std::uint32_t kMaxSections = 1u << (32 - kSectionShift);

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

FullTextIndex::FullTextIndex(std::string build_id, FileSaver save, std::string spill_dir, std::size_t run_bytes)
    : build_(std::move(build_id)), save_(std::move(save)), postings_(std::move(spill_dir), run_bytes) {}
FullTextIndex::~FullTextIndex() = default;

namespace {

// Adds weight to the count of term in a page's or a section's table.
void Count(TermTable& terms, std::vector<std::uint32_t>& counts, std::string_view term, std::uint32_t weight) {
  const std::uint32_t number = terms.Number(term);
  if (number == counts.size()) counts.push_back(0);
  counts[number] += weight;
}

}  // namespace

bool FullTextIndex::AddPage(const std::string& path, const PageText& page) {
  if (!ok_ || page.sections.empty()) return ok_;
  ++stats_.pages;
  const std::uint32_t first_section = sections_;
  page_starts_.push_back(first_section);
  stats_.text_bytes += page.title.size();

  // A word of the title is in every section of the page: one posting for
  // the whole page stands for them all, and a section that also has the
  // word in its own text gets a posting of its own with both counted.
  std::uint32_t title_words = 0;
  title_terms_.Clear();
  title_counts_.clear();
  ForEachToken(page.title, [&](std::string_view t) {
    Count(title_terms_, title_counts_, t, kTitleWeight);
    ++title_words;
  });
  const std::size_t title_postings = postings_.Added();
  if (first_section < kMaxSections) {
    for (std::uint32_t term = 0; term < title_terms_.Size(); ++term)
      postings_.Add(title_terms_.At(term), title_terms_.HashAt(term), {first_section << kSectionShift | kWholePage |
                                                std::min<std::uint32_t>(title_counts_[term], 255)});
  }
  const std::size_t title_postings_end = postings_.Added();
  std::uint32_t page_words = 0;
  std::size_t sections_added = 0;
  for (const PageSection& section : page.sections) {
    const std::uint32_t id = sections_;
    if (id >= kMaxSections) break;
    std::uint32_t words = 0;
    section_terms_.Clear();
    section_counts_.clear();
    ForEachToken(section.text, [&](std::string_view t) {
      Count(section_terms_, section_counts_, t, 1);
      ++words;
    });
    ForEachToken(section.heading, [&](std::string_view t) {
      Count(section_terms_, section_counts_, t, kHeadingWeight);
      ++words;
    });
    const std::uint32_t length = words + title_words;
    for (std::uint32_t term = 0; term < section_terms_.Size(); ++term) {
      const std::string_view word = section_terms_.At(term);
      const std::uint32_t hash = section_terms_.HashAt(term);
      const std::uint32_t in_title = title_terms_.Find(word, hash);
      const std::uint32_t weighted = section_counts_[term] + (in_title == UINT32_MAX ? 0 : title_counts_[in_title]);
      postings_.Add(word, hash, {id << kSectionShift | std::min<std::uint32_t>(weighted, 255), length});
    }
    ++sections_;
    section_words_ += length;
    page_words += length;
    ++sections_added;
    ++stats_.sections;
    stats_.text_bytes += section.heading.size() + section.text.size() + 1;

    // Generated anchors of one page mostly share their start with the one
    // before ("gtk-widget-show", "gtk-widget-show-all").
    PutShared(text_sections_, section.anchor, previous_anchor_);
    previous_anchor_ = section.anchor;
    text_sections_ += kFieldEnd;
    AppendJsString(text_sections_, section.heading);
    text_sections_ += kFieldEnd;
    AppendJsString(text_sections_, section.text);
    text_sections_ += kFieldEnd;
  }
  // The page's postings use the mean length of its sections, known only now.
  postings_.SetLengths(title_postings, title_postings_end,
                       sections_added == 0 ? 1 : std::max<std::uint32_t>(1, page_words / sections_added));
  postings_.MayEndRun();

  PutShared(text_pages_, path, previous_path_);
  previous_path_ = path;
  text_pages_ += kFieldEnd;
  AppendJsString(text_pages_, page.title);
  text_pages_ += kFieldEnd;
  text_pages_ += std::to_string(sections_added);
  text_pages_ += kFieldEnd;
  ++text_page_count_;
  if (text_pages_.size() + text_sections_.size() >= kTextShardBytes) return FlushText();
  return ok_;
}

bool FullTextIndex::FlushText() {
  if (text_page_count_ == 0) return ok_;
  const std::size_t n = text_starts_.size();
  text_starts_.push_back(text_first_section_);
  std::string file = "QuillmereFullText.text(\"" + build_ + "\"," + std::to_string(n) + ",\"" + text_pages_ + "\",\"" +
                     text_sections_ + "\");\n";
  stats_.stored_bytes += file.size();
  ok_ = ok_ && save_("fulltext-x" + std::to_string(n) + ".js", file);
  text_pages_.clear();
  text_sections_.clear();
  text_page_count_ = 0;
  previous_anchor_.clear();
  previous_path_.clear();
  text_first_section_ = sections_;
  return ok_;
}

bool FullTextIndex::Finish() {
  if (!FlushText()) return false;
  const double average =
      sections_ == 0 ? 1.0 : std::max(1.0, static_cast<double>(section_words_) / static_cast<double>(sections_));

  std::string root_terms;
  std::string words, lists;
  std::size_t shard = 0, in_shard = 0;
  const auto flush = [&]() {
    if (in_shard == 0) return true;
    std::string file = "QuillmereFullText.terms(\"" + build_ + "\"," + std::to_string(shard) + ",\"" + words + "\",\"" +
                       lists + "\");\n";
    stats_.index_bytes += file.size();
    words.clear();
    lists.clear();
    in_shard = 0;
    return ok_ = save_("fulltext-t" + std::to_string(shard++) + ".js", file);
  };
  const auto impact = [&](double tf, double length) {
    const double part = tf * (kK1 + 1) / (tf + kK1 * (1 - kB + kB * length / average));
    return static_cast<unsigned>(
        std::clamp(std::lround(part / (kK1 + 1) * kImpactSteps), 1l, static_cast<long>(kImpactSteps)));
  };
  std::string previous_word;
  const bool merged = postings_.ForEachTerm([&](std::string_view term, const std::vector<TermPosting>& postings) {
    ++stats_.terms;
    if (in_shard == 0) {
      root_terms += root_terms.empty() ? "\"" : ",\"";
      AppendJsString(root_terms, term);
      root_terms += '"';
      previous_word.clear();
    }
    // Each posting: the step from the section before (the first: the
    // section itself) times two, plus one for a whole page; then its impact.
    std::uint32_t previous = 0;
    for (const TermPosting& posting : postings) {
      const std::uint32_t section = posting.value >> kSectionShift;
      const bool whole_page = (posting.value & kWholePage) != 0;
      PutNumber(lists, (section - previous) * 2 + (whole_page ? 1 : 0));
      PutDigit(lists, impact(posting.value & 255, posting.length));
      previous = section;
    }
    lists += ' ';
    PutShared(words, term, previous_word);
    words += kFieldEnd;
    previous_word.assign(term);
    ++in_shard;
    return words.size() + lists.size() < kTermShardBytes || flush();
  });
  if (!merged) {
    // A failed save has said why; otherwise the postings set aside could
    // not be read back.
    if (ok_ && failure_.empty()) failure_ = "the postings set aside could not be read back";
    return ok_ = false;
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
                           "\",sections:" + std::to_string(sections_) + ",pages:" + std::to_string(stats_.pages) +
                           ",terms:[" + root_terms + "],texts:[" + texts + "]});\n";
  stats_.index_bytes += root.size();
  return ok_ = save_(std::string(kFullTextRoot), root);
}

}  // namespace qm
