#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/index/catalogue.h"
#include "system/output_set.h"
#include "system/unique_fd.h"
#include "system/wide_offsets.h"

namespace qm {

// What the search pages show under each result name besides the name: the
// signature from the record's line and a one-line summary read from the
// page the record links to. Both go into their own index files, arrays
// parallel to the catalogue order, beside the four the pages always read.

// Told how many of the pages have been read, while they are read: the
// window shows it and keeps itself drawn. Null (the default) for none. It
// answers false when the reader asked to stop (the build then ends without
// changing the installed files).
using PageReadingObserver = std::function<bool(std::size_t done, std::size_t total)>;
void SetPageReadingObserver(PageReadingObserver observer);

// The largest page read for a summary; a larger one gives none.
constexpr std::size_t kMaxSummaryPageBytes = std::size_t{16} << 20;

// One summary per record in catalogue order ("" for none). Each page is
// read once, and only when it is a regular file inside install_dir's real
// path; a page that cannot be read gives its records no summary.
std::vector<std::string> ReadSummaries(const Catalogue& catalogue, const String& install_dir);

// The summaries of a build, one per record by its place in reading order,
// compactly: records that share a page's item share its stored text, and a
// record without one costs four bytes. Given a folder to spill into, it
// holds about a megabyte of text and sets the rest aside in a file there
// with no name (memory stays bounded however much the pages say); without
// one, or when that file cannot be made or written, it holds it all.
class RecordSummaries {
 public:
  RecordSummaries() = default;
  explicit RecordSummaries(std::string spill_dir) : spill_dir_(std::move(spill_dir)) {}

  void Reset(std::size_t records);
  std::size_t Count() const { return count_; }
  // Stores a text and returns its number for Assign; "" is number 0.
  std::uint32_t Keep(std::string_view summary);
  void Assign(std::size_t record, std::uint32_t number) {
    // Nothing is held for a build whose pages give no summary at all.
    if (number != 0 && of_record_.empty()) of_record_.assign(count_, 0);
    if (!of_record_.empty()) of_record_[record] = number;
  }
  // The record's summary, "" for none; the view lasts until the next call.
  std::string_view At(std::size_t record) const;

 private:
  // Texts are one stream of bytes, held in blocks that never move (a single
  // growing buffer would, while it grows, hold its text twice); whole blocks
  // from its start go to the spill file once more than kHeldBlocks are held.
  static constexpr std::size_t kBlock = std::size_t{1} << 16;
  static constexpr std::size_t kHeldBlocks = 4;
  void SpillFullBlocks();
  // Appends the stream's bytes [begin, end) to *out.
  bool CopyOut(std::uint64_t begin, std::uint64_t end, std::string* out) const;

  std::string spill_dir_;
  UniqueFd spill_;
  bool spilling_ = true;  // until a spill fails: then all stays in memory
  std::size_t count_ = 0;
  std::vector<std::uint32_t> of_record_;
  WideOffsets ends_;  // where text number n + 1 ends
  std::uint64_t size_ = 0;
  std::uint64_t spilled_ = 0;  // the stream's first bytes, in spill_
  std::vector<std::unique_ptr<char[]>> blocks_;  // the rest, from spilled_
  mutable std::string text_;  // a text that lies in more than one place
  mutable std::string window_;  // bytes last read back from spill_
  mutable std::uint64_t window_at_ = 0;
};

class FullTextIndex;
// The same reading, and with full_text, every HTML page under docs/html as
// well, each page read and parsed once for both: its summaries and its text
// for the full-text index. false when the observer asked to stop.
bool ReadPages(const Catalogue& catalogue, const String& install_dir, FullTextIndex* full_text,
               RecordSummaries* summaries);

// "var sigs=[...];": the text of each record's line before its separator,
// or "" when that is the name alone; handed to sink in pieces, false once
// one could not be written.
bool WriteSignaturesArray(const Catalogue& catalogue, const ByteSink& sink);
// "var summaries=[...];" in catalogue order, in pieces the same way.
bool WriteSummariesArray(const Catalogue& catalogue, const RecordSummaries& summaries, const ByteSink& sink);
// The two files' bytes, the summaries as ReadSummaries gives them.
std::string SignaturesArrayFile(const Catalogue& catalogue);
std::string SummariesArrayFile(const std::vector<std::string>& summaries);

}  // namespace qm
