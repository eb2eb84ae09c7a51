#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/index/catalogue.h"

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

class FullTextIndex;
// The same reading, and with full_text, every HTML page under docs/html as
// well, each page read and parsed once for both: its summaries and its text
// for the full-text index. false when the observer asked to stop.
bool ReadPages(const Catalogue& catalogue, const String& install_dir, FullTextIndex* full_text,
               std::vector<std::string>* summaries);

// "var sigs=[...];": the text of each record's line before its separator,
// or "" when that is the name alone.
std::string SignaturesArrayFile(const Catalogue& catalogue);
// "var summaries=[...];" from ReadSummaries' answer.
std::string SummariesArrayFile(const std::vector<std::string>& summaries);

}  // namespace qm
