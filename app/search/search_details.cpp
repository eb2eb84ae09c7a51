#include "app/search/search_details.h"

#include <libxml/parser.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "app/index/build_workers.h"
#include "app/index/index_writer.h"
#include "app/index/output_pieces.h"
#include "app/search/fulltext_index.h"
#include "app/search/fulltext_sections.h"
#include "app/search/page_summary.h"
#include "system/contained_file.h"
#include "system/fix_path.h"
#include "system/folder_listings.h"
#include "system/hash_slots.h"
#include "system/strings.h"
#include "system/unnamed_file.h"

namespace qm {
namespace {

PageReadingObserver& Observer() {
  static PageReadingObserver observer;
  return observer;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Whether PercentDecoded would change text. Two scans for one byte each
// are far quicker than one for either, which a 100 MB link shows.
bool HasEscapes(std::string_view text, bool path) {
  return text.find('%') != std::string_view::npos || (path && text.find('\\') != std::string_view::npos);
}

// A link is an address: "%20" in it is a blank in the file name or the id.
// In the path, a backslash separates folders as "/" does (the links become
// so); in the fragment it is part of the id.
std::string PercentDecoded(std::string_view text, bool path) {
  if (!HasEscapes(text, path)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += path && text[i] == '\\' ? '/' : text[i];
    }
  }
  return out;
}

// A page's name is hashed once per record that links into it: eight bytes
// at a time, each step mixed so that every byte reaches the low bits.
std::uint32_t HashBytes(std::string_view bytes) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ bytes.size();
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  std::uint64_t rest = 0;
  std::memcpy(&rest, bytes.data() + at, bytes.size() - at);
  h = (h ^ rest) * 0xC4CEB9FE1A85EC53ull;
  return static_cast<std::uint32_t>(h >> 32 ^ h >> 7);
}

// The records that link into the installation's pages, grouped by page
// without copying a link: twelve bytes per record and a few more per page,
// so that a catalogue of a million records reads its pages in little more
// memory than the catalogue's own. Links are read in the list's order, front
// to back, twice, and never out of it: a page's records are spread over the
// whole list, and reading them page by page would miss the cache at every
// record.
class PageGroups {
 public:
  // Pages that may_exist(name) denies are left out before anything else is
  // done with them: a catalogue of a million pages that are not there then
  // neither numbers nor looks for them.
  template <class MayExist>
  PageGroups(const Catalogue& catalogue, MayExist may_exist) : catalogue_(catalogue) {
    const std::vector<CatalogueRecord>& records = catalogue.RecordsInReadOrder();
    // The page a record links into, as written; empty for none.
    const auto page_of = [&](const CatalogueRecord& record) {
      // A record added whole carries a complete link of its own, not a path
      // inside the installation.
      return record.whole ? std::string_view() : PageOfLink(catalogue.LinkTail(record));
    };
    // First each page, numbered when first met, and its records counted.
    // Whether a page may be there is asked once per page name while the
    // records of a few thousand pages are about; a name that slipped out of
    // mind is asked again.
    struct Asked {
      std::string_view page;
      bool may_exist = false;
    };
    constexpr std::uint32_t kAsked = 4096;
    std::vector<Asked> asked(kAsked);
    std::vector<std::uint32_t> counts;
    PageNumbers numbers;
    for (const CatalogueRecord& record : records) {
      const std::string_view page = page_of(record);
      if (page.empty()) continue;
      const std::uint32_t hash = HashBytes(page);
      Asked& answer = asked[hash % kAsked];
      if (answer.page.data() == nullptr || answer.page != page) {
        answer.page = page;
        answer.may_exist = may_exist(HasEscapes(page, true) ? std::string_view(PercentDecoded(page, true)) : page);
      }
      if (!answer.may_exist) continue;
      const std::uint32_t number = numbers.Of(page, hash, static_cast<std::uint32_t>(&record - records.data()), *this);
      if (number == counts.size()) counts.push_back(0);
      ++counts[number];
    }
    // Then each record of a numbered page at its page's next place, so that
    // a page's records follow one another in reading order.
    starts_.resize(counts.size() + 1);
    for (std::size_t p = 0; p < counts.size(); ++p) starts_[p + 1] = starts_[p] + counts[p];
    std::vector<std::uint32_t>().swap(counts);
    refs_.resize(starts_.back());
    std::vector<std::uint32_t> next(starts_.begin(), starts_.end() - 1);
    const char* const text = catalogue.Text().data();
    for (const CatalogueRecord& record : records) {
      const std::string_view page = page_of(record);
      if (page.empty()) continue;
      const std::uint32_t number = numbers.Find(page, HashBytes(page), *this);
      if (number == kNoPage) continue;
      // The page ends at the link's first "#" or "?", so its fragment's "#"
      // is not before the page's end.
      const std::string_view link = catalogue.LinkTail(record);
      const std::size_t hash = link.find('#', page.size());
      const std::string_view fragment = hash == std::string_view::npos ? std::string_view() : link.substr(hash + 1);
      const auto at = static_cast<std::uint64_t>(fragment.data() - text);
      refs_[next[number]++] = {static_cast<std::uint32_t>(&record - records.data()), static_cast<std::uint32_t>(at),
                               static_cast<std::uint32_t>(at >> 32) << 24 |
                                   static_cast<std::uint32_t>(std::min<std::size_t>(fragment.size(), kLongFragment))};
    }
    // A page named with "%" escapes or backslashes is found by its decoded
    // name; the rest are their own names.
    for (std::uint32_t p = 0; p < first_spellings_.size(); ++p) {
      const std::string_view raw = RawName(p);
      if (HasEscapes(raw, true)) decoded_.emplace(p, PercentDecoded(raw, true));
    }
    order_.resize(first_spellings_.size());
    for (std::uint32_t p = 0; p < order_.size(); ++p) order_[p] = p;
    std::sort(order_.begin(), order_.end(), [this](std::uint32_t a, std::uint32_t b) { return Name(a) < Name(b); });
  }

  // Groups, one per page name as written, in the order of their names.
  std::size_t Count() const { return order_.size(); }
  // Records that link into a page, over all groups.
  std::size_t Records() const { return refs_.size(); }
  // Whether some group's page is named name.
  bool Has(std::string_view name) const {
    const auto at = std::lower_bound(order_.begin(), order_.end(), name,
                                     [this](std::uint32_t group, std::string_view n) { return Name(group) < n; });
    return at != order_.end() && Name(*at) == name;
  }
  std::uint32_t GroupAt(std::size_t k) const { return order_[k]; }
  std::string_view Name(std::uint32_t group) const {
    if (!decoded_.empty())
      if (const auto it = decoded_.find(group); it != decoded_.end()) return it->second;
    return RawName(group);
  }
  // visit(record's place in reading order, fragment as written) for each
  // record of group.
  template <class Visit>
  void ForEachRecord(std::uint32_t group, Visit visit) const {
    const char* const text = catalogue_.Text().data();
    const std::uint32_t end = starts_[group + 1];
    for (std::uint32_t k = starts_[group]; k < end; ++k) {
      // The fragments lie in reading order, not in this one.
      if (k + 8 < end) __builtin_prefetch(text + refs_[k + 8].At());
      const Ref& ref = refs_[k];
      std::string_view fragment(text + ref.At(), ref.Size());
      if (ref.Size() == kLongFragment) {
        const std::string_view link = catalogue_.LinkTail(catalogue_.RecordsInReadOrder()[ref.record]);
        fragment = link.substr(link.find('#') + 1);
      }
      visit(ref.record, fragment);
    }
  }

 private:
  static constexpr std::uint32_t kNoPage = UINT32_MAX;
  // A fragment this long or longer is found again in its link.
  static constexpr std::uint32_t kLongFragment = (1u << 24) - 1;
  struct Ref {
    std::uint32_t record;        // in reading order
    std::uint32_t at;            // the fragment's place in the list's bytes: its low 32 bits,
    std::uint32_t at_high_size;  // then its next 8, above its size up to kLongFragment
    std::uint64_t At() const { return std::uint64_t{at_high_size >> 24} << 32 | at; }
    std::uint32_t Size() const { return at_high_size & kLongFragment; }
  };
  std::string_view RawName(std::uint32_t page) const {
    const FirstSpelling& first = first_spellings_[page];
    return catalogue_.LinkTail(catalogue_.RecordsInReadOrder()[first.record]).substr(0, first.size);
  }
  // Page names as written, numbered in the order first met, so a page met
  // again costs one hash, one probe and one comparison with its first
  // spelling.
  class PageNumbers {
   public:
    std::uint32_t Find(std::string_view page, std::uint32_t hash, const PageGroups& groups) const {
      const std::uint64_t* slot = slots_.Find(hash, [&](std::uint32_t n) { return groups.RawName(n) == page; });
      return slot == nullptr ? kNoPage : HashSlots::Number(*slot);
    }
    // The page's number, a new one with record as its first when it has none.
    std::uint32_t Of(std::string_view page, std::uint32_t hash, std::uint32_t record, PageGroups& groups) {
      std::vector<FirstSpelling>& first = groups.first_spellings_;
      slots_.MakeRoom(first.size() + 1);
      std::uint64_t& slot = slots_.Probe(hash, [&](std::uint32_t n) { return groups.RawName(n) == page; });
      if (slot != HashSlots::kEmpty) return HashSlots::Number(slot);
      slot = HashSlots::Slot(hash, static_cast<std::uint32_t>(first.size()));
      first.push_back({record, static_cast<std::uint32_t>(page.size())});
      return HashSlots::Number(slot);
    }

   private:
    HashSlots slots_;
  };

  const Catalogue& catalogue_;
  // By page number: the record that first named the page, and the name's size.
  struct FirstSpelling {
    std::uint32_t record, size;
  };
  std::vector<FirstSpelling> first_spellings_;
  std::vector<Ref> refs_;                     // by page, each page's in reading order
  std::vector<std::uint32_t> starts_;         // per page, its first ref; then the end
  std::vector<std::uint32_t> order_;          // pages by name
  std::unordered_map<std::uint32_t, std::string> decoded_;
};

bool IsHtmlName(const std::string& name) {
  std::string lower = name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == ".html" || lower == ".htm" || lower == ".xhtml";
}

// Page names end to end, in name order once sorted: a large tree's names
// without a string of their own each.
class PageNames {
 public:
  void Add(std::string_view name) {
    spans_.push_back({bytes_.size(), static_cast<std::uint32_t>(name.size())});
    bytes_.append(name);
  }
  void Sort() {
    std::sort(spans_.begin(), spans_.end(), [&](const Span& a, const Span& b) { return View(a) < View(b); });
    spans_.shrink_to_fit();
    bytes_.shrink_to_fit();
  }
  std::size_t size() const { return spans_.size(); }
  std::string_view operator[](std::size_t k) const { return View(spans_[k]); }

 private:
  struct Span {
    std::size_t at;
    std::uint32_t size;
  };
  std::string_view View(const Span& span) const { return std::string_view(bytes_).substr(span.at, span.size); }
  std::string bytes_;
  std::vector<Span> spans_;
};

// Every HTML page under docs/html that no record links to (linked(name)
// tells), as paths from the installation's folder, except the two pages the
// build installs itself. Links to folders are not followed, so the walk
// stays in the tree and ends.
PageNames UnlinkedPages(const std::string& install_real, const std::function<bool(std::string_view)>& linked) {
  namespace fs = std::filesystem;
  PageNames pages;
  const fs::path html = fs::path(install_real) / "docs" / "html";
  std::error_code error;
  fs::recursive_directory_iterator it(html, fs::directory_options::skip_permission_denied, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (it.depth() > 32) it.disable_recursion_pending();
    if (!it->is_regular_file(error) || !IsHtmlName(it->path().filename().string())) continue;
    const std::string relative = it->path().lexically_relative(html).generic_string();
    if (relative == "index.html" || relative == "Modules/commands.html") continue;
    const std::string name = "/docs/html/" + relative;
    if (!linked(name)) pages.Add(name);
  }
  pages.Sort();
  return pages;
}

// Writes the texts for_each hands to its visitor, as bytes, as one array
// literal of escaped strings, in pieces to sink. A line or a page may hold
// control bytes, a string literal no line end: they become blanks.
template <class ForEach>
bool WriteArrayFile(const char* name, ForEach for_each, const ByteSink& sink) {
  OutputPieces out(sink);
  out.Append(std::string("var ") + name + "=[");
  bool first = true;
  for_each([&](std::string_view text) {
    out.Append(first ? "\"" : ",\"");
    first = false;
    char* const start = out.Room(2 * text.size() + 1);
    char* end = PutJsEscaped(start, text);
    std::replace_if(start, end, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    *end++ = '"';
    out.Advance(end);
  });
  out.Append("];");
  return out.Finish();
}

// Linked and walked pages in one order of names, each name once with the
// groups of records that link into it (two spellings of one page name it
// alike).
class PageWalk {
 public:
  PageWalk(const PageGroups& groups, const PageNames& walked) : groups_(groups), walked_(walked) {}
  // The next page's name and its groups' places [*first, *last) in name
  // order; false past the last page.
  bool Next(std::string_view* name, std::size_t* first, std::size_t* last) {
    if (g_ == groups_.Count() && w_ == walked_.size()) return false;
    *name = w_ == walked_.size() || (g_ < groups_.Count() && GroupName(g_) <= walked_[w_])
                ? GroupName(g_)
                : walked_[w_];
    *first = g_;
    while (g_ < groups_.Count() && GroupName(g_) == *name) ++g_;
    while (w_ < walked_.size() && walked_[w_] == *name) ++w_;
    *last = g_;
    return true;
  }

 private:
  std::string_view GroupName(std::size_t k) const { return groups_.Name(groups_.GroupAt(k)); }

  const PageGroups& groups_;
  const PageNames& walked_;
  std::size_t g_ = 0, w_ = 0;
};

// What one read and parse of a page gave, with what its records want.
struct PageReading {
  std::string_view name;
  // Per record of the page: its place in reading order and its decoded
  // fragment's place in fragments (kWholePage for a link to the page).
  std::vector<std::pair<std::uint32_t, std::uint32_t>> wanted;
  std::vector<std::string> fragments;
  bool read = false;
  PageSummaries found;
  PageText text;
};
constexpr std::uint32_t kWholePage = UINT32_MAX;

// Pages read ahead of the indexing: enough to keep both threads busy, few
// enough that their text stays small.
constexpr std::size_t kPagesAhead = 16;

// Runs read on a thread of its own, page after page until it answers
// false, at most kPagesAhead pages ahead, while apply takes each result in
// order on the calling thread. Answers false as soon as apply does (the
// reading thread is then stopped); *started is false, and nothing applied,
// when no thread could be started.
bool ReadAhead(const std::function<bool(PageReading*)>& read, const std::function<bool(PageReading&)>& apply,
               bool* started) {
  // Pages change hands in batches, each side taking all the other left
  // under one lock: a catalogue of a million pages that are not there
  // would otherwise spend its time waking threads, not reading.
  constexpr std::size_t kBatch = 8;
  std::mutex lock;
  std::condition_variable reader_wakes, indexer_wakes;
  bool reader_waits = false, indexer_waits = false;
  std::deque<PageReading> ready;
  bool stop = false, done = false;
  std::exception_ptr failure;
  // The parser's global tables are set up once, before two threads use it.
  xmlInitParser();
  std::jthread reader;
  try {
    reader = std::jthread([&] {
      std::deque<PageReading> batch;
      const auto hand_over = [&] {
        std::unique_lock hold(lock);
        if (!stop && ready.size() >= kPagesAhead) {
          reader_waits = true;
          reader_wakes.wait(hold, [&] { return stop || ready.size() < kPagesAhead / 2; });
          reader_waits = false;
        }
        if (stop) return false;
        for (PageReading& reading : batch) ready.push_back(std::move(reading));
        batch.clear();
        if (indexer_waits) indexer_wakes.notify_one();
        return true;
      };
      try {
        for (;;) {
          PageReading reading;
          if (!read(&reading)) break;
          batch.push_back(std::move(reading));
          if (batch.size() == kBatch && !hand_over()) break;
        }
        if (!batch.empty()) hand_over();
      } catch (...) {
        const std::lock_guard hold(lock);
        failure = std::current_exception();
      }
      const std::lock_guard hold(lock);
      done = true;
      indexer_wakes.notify_one();
    });
  } catch (const std::system_error&) {
    *started = false;
    return false;
  }
  *started = true;
  const auto stop_reader = [&] {
    {
      const std::lock_guard hold(lock);
      stop = true;
      reader_wakes.notify_one();
    }
    reader.join();
  };
  bool ok = true;
  try {
    std::deque<PageReading> taken;
    while (ok) {
      {
        std::unique_lock hold(lock);
        if (ready.empty() && !done) {
          indexer_waits = true;
          indexer_wakes.wait(hold, [&] { return !ready.empty() || done; });
          indexer_waits = false;
        }
        if (ready.empty()) break;  // every page read, or the reader failed
        taken.swap(ready);
        if (reader_waits) reader_wakes.notify_one();
      }
      for (; ok && !taken.empty(); taken.pop_front()) ok = apply(taken.front());
      taken.clear();
    }
  } catch (...) {
    stop_reader();
    throw;
  }
  stop_reader();
  if (failure) std::rethrow_exception(failure);
  return ok;
}

}  // namespace

void SetPageReadingObserver(PageReadingObserver observer) { Observer() = std::move(observer); }

std::vector<std::string> ReadSummaries(const Catalogue& catalogue, const String& install_dir) {
  RecordSummaries kept;
  ReadPages(catalogue, install_dir, nullptr, &kept);
  std::vector<std::string> summaries;
  const CatalogueRecord* const first = catalogue.RecordsInReadOrder().data();
  catalogue.ForEachRecord([&](const CatalogueRecord& record) { summaries.emplace_back(kept.At(&record - first)); });
  return summaries;
}

bool ReadPages(const Catalogue& catalogue, const String& install_dir, FullTextIndex* full_text,
               RecordSummaries* summaries) {
  summaries->Reset(static_cast<std::size_t>(catalogue.Count()));
  const auto root = SystemPath(install_dir, true);
  const std::string root_real = root ? RealPathOf(*root) : std::string();
  // A page's path is the installation's followed by the link's page part.
  const auto base = SystemPath(install_dir);
  const auto page_path = [&](std::string_view name) -> std::optional<std::string> {
    // A name longer than the system allows is no file; it is not even put
    // together, since the link may be of any length.
    if (!base || root_real.empty() || name.size() > PATH_MAX || name.find('\0') != std::string_view::npos)
      return std::nullopt;
    std::string path = *base;
    path.append(name);
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(base->size()), path.end(), '\\', '/');
    return path;
  };
  const PageGroups groups = [&] {
    // Listings held for this are bounded by the catalogue's own size, and
    // let go before any page is read.
    FolderListings listings(root_real, std::size_t{1} << 16 | static_cast<std::size_t>(catalogue.Count()));
    return PageGroups(catalogue, [&](std::string_view name) {
      if (root_real.empty() || name.empty() || name.size() > PATH_MAX || (name.front() != '/' && name.front() != '\\'))
        return true;
      if (name.find('\\') == std::string_view::npos) return listings.MayExist(name);
      std::string slashed(name);
      std::replace(slashed.begin(), slashed.end(), '\\', '/');
      return listings.MayExist(slashed);
    });
  }();
  // Pages no record links to are read for the full text alone.
  PageNames walked;
  if (full_text != nullptr && !root_real.empty())
    walked = UnlinkedPages(root_real, [&groups](std::string_view name) { return groups.Has(name); });

  std::size_t pages = 0;
  {
    PageWalk count(groups, walked);
    std::string_view name;
    std::size_t first, last;
    while (count.Next(&name, &first, &last)) ++pages;
  }

  PageWalk walk(groups, walked);
  const auto read = [&](PageReading* out, ContainedFileReader* files, SectionSplitter* splitter, std::string* bytes) {
    std::size_t first, last;
    if (!walk.Next(&out->name, &first, &last)) return false;
    const auto path = page_path(out->name);
    String error;
    if (path && files->Read(*path, kMaxSummaryPageBytes, bytes, &error)) {
      out->read = true;
      // What the records want of the page, only once there is a page.
      for (std::size_t k = first; k < last; ++k) {
        groups.ForEachRecord(groups.GroupAt(k), [&](std::uint32_t record, std::string_view fragment) {
          if (fragment.empty()) {
            out->wanted.emplace_back(record, kWholePage);
          } else {
            out->wanted.emplace_back(record, static_cast<std::uint32_t>(out->fragments.size()));
            out->fragments.push_back(PercentDecoded(fragment, false));
          }
        });
      }
      const bool page_wanted = out->fragments.size() < out->wanted.size();
      out->found = SummarizePage(*bytes, out->fragments, page_wanted, full_text != nullptr ? splitter : nullptr);
      if (full_text != nullptr) out->text = splitter->Take();
    }
    return true;
  };
  const PageReadingObserver& observer = Observer();
  std::size_t done = 0;
  std::unordered_map<std::string_view, std::uint32_t> kept;
  // Applied strictly in page order, whichever thread read the page, so the
  // summaries and the full-text files come out the same either way.
  const auto apply = [&](PageReading& reading) {
    if (reading.read) {
      // Records naming one item share its stored summary.
      kept.clear();
      std::optional<std::uint32_t> page_summary;  // kept once a record wants it
      for (const auto& [record, fragment] : reading.wanted) {
        if (fragment == kWholePage) {
          if (!page_summary) page_summary = summaries->Keep(reading.found.page);
          summaries->Assign(record, *page_summary);
          continue;
        }
        const std::string& id = reading.fragments[fragment];
        if (const auto it = reading.found.by_fragment.find(id); it != reading.found.by_fragment.end()) {
          const auto [at, fresh] = kept.try_emplace(id, 0);
          if (fresh) at->second = summaries->Keep(it->second);
          summaries->Assign(record, at->second);
        }
      }
      if (full_text != nullptr && !full_text->AddPage(std::string(reading.name), reading.text)) return false;
    }
    return !observer || observer(++done, pages);
  };

  // With a second core, one thread reads and parses the pages while this one
  // indexes them and keeps the window informed. Not when pages carry
  // thousands of records each: then the records' bookkeeping, not the
  // parsing, is the work, and each page read ahead holds all of theirs.
  constexpr std::size_t kRecordsPerPageAhead = 64;
  if (full_text != nullptr && BuildWorkers() > 1 && pages > 1 && groups.Records() <= kRecordsPerPageAhead * pages) {
    // Touched by the reading thread alone.
    ContainedFileReader reader_files(root_real);
    SectionSplitter reader_splitter;
    std::string reader_bytes;
    bool started = false;
    const bool finished = ReadAhead(
        [&](PageReading* out) { return read(out, &reader_files, &reader_splitter, &reader_bytes); }, apply, &started);
    if (started) return finished;
  }
  ContainedFileReader files(root_real);
  SectionSplitter splitter;
  std::string bytes;
  for (PageReading reading; read(&reading, &files, &splitter, &bytes); reading = PageReading()) {
    if (!apply(reading)) return false;
  }
  return true;
}

void RecordSummaries::Reset(std::size_t records) {
  count_ = records;
  std::vector<std::uint32_t>().swap(of_record_);
  ends_.Clear();
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  size_ = spilled_ = 0;
  // What an earlier build spilled is written over; a file that failed
  // then is tried again.
  spilling_ = true;
  window_.clear();
}

std::uint32_t RecordSummaries::Keep(std::string_view summary) {
  if (summary.empty()) return 0;
  // At most one text per record is kept: room for them all at once, rather
  // than twice as much for a moment each time the list would grow.
  if (ends_.Empty()) ends_.Reserve(count_);
  while (!summary.empty()) {
    const std::uint64_t held_end = spilled_ + blocks_.size() * kBlock;
    if (size_ == held_end) blocks_.push_back(std::make_unique<char[]>(kBlock));
    const std::size_t in_block = static_cast<std::size_t>(size_ % kBlock);
    const std::size_t n = std::min(kBlock - in_block, summary.size());
    std::copy_n(summary.data(), n, blocks_.back().get() + in_block);
    summary.remove_prefix(n);
    size_ += n;
  }
  ends_.Add(size_);
  if (blocks_.size() > kHeldBlocks && spilling_ && !spill_dir_.empty()) SpillFullBlocks();
  return static_cast<std::uint32_t>(ends_.Size());
}

void RecordSummaries::SpillFullBlocks() {
  if (!spill_.Valid() && !OpenUnnamedFile(spill_dir_, &spill_, nullptr)) {
    spilling_ = false;
    return;
  }
  // The last block is still being filled.
  const std::size_t full = blocks_.size() - 1;
  for (std::size_t k = 0; k < full; ++k) {
    if (!WriteAllAt(spill_.Get(), blocks_[k].get(), kBlock, spilled_ + k * kBlock)) {
      // What did go out stays readable; the rest stays here.
      blocks_.erase(blocks_.begin(), blocks_.begin() + static_cast<std::ptrdiff_t>(k));
      spilled_ += k * kBlock;
      spilling_ = false;
      return;
    }
  }
  blocks_.erase(blocks_.begin(), blocks_.begin() + static_cast<std::ptrdiff_t>(full));
  spilled_ += full * kBlock;
  window_.clear();
}

bool RecordSummaries::CopyOut(std::uint64_t begin, std::uint64_t end, std::string* out) const {
  while (begin < end) {
    std::string_view piece;
    if (begin >= spilled_) {
      const std::uint64_t offset = begin - spilled_;
      const std::size_t in_block = static_cast<std::size_t>(offset % kBlock);
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock - in_block, end - begin));
      piece = std::string_view(blocks_[static_cast<std::size_t>(offset / kBlock)].get() + in_block, n);
    } else {
      if (begin < window_at_ || begin >= window_at_ + window_.size()) {
        // Read back a page's worth, so that texts kept one after the other
        // are not read one system call each.
        constexpr std::uint64_t kWindow = 4096;
        window_.resize(static_cast<std::size_t>(std::min(spilled_, std::max(end, begin + kWindow)) - begin));
        window_at_ = begin;
        if (!ReadAllAt(spill_.Get(), window_.data(), window_.size(), begin)) {
          window_.clear();
          return false;
        }
      }
      const std::size_t at = static_cast<std::size_t>(begin - window_at_);
      piece = std::string_view(window_).substr(at, static_cast<std::size_t>(std::min<std::uint64_t>(end - begin, window_.size() - at)));
    }
    out->append(piece);
    begin += piece.size();
  }
  return true;
}

std::string_view RecordSummaries::At(std::size_t record) const {
  const std::uint32_t n = of_record_.empty() ? 0 : of_record_[record];
  if (n == 0) return {};
  const std::uint64_t begin = n == 1 ? 0 : ends_[n - 2], end = ends_[n - 1];
  const std::size_t size = static_cast<std::size_t>(end - begin);
  if (begin >= spilled_ && (begin - spilled_) % kBlock + size <= kBlock) {
    const std::uint64_t offset = begin - spilled_;
    return {blocks_[static_cast<std::size_t>(offset / kBlock)].get() + offset % kBlock, size};
  }
  text_.clear();
  // A text that cannot be read back is, like an unreadable page, none.
  if (!CopyOut(begin, end, &text_)) return {};
  return text_;
}

bool WriteSignaturesArray(const Catalogue& catalogue, const ByteSink& sink) {
  return WriteArrayFile(
      "sigs",
      [&](auto add) {
        catalogue.ForEachRecord([&](const CatalogueRecord& record) {
          // The name is the start of its line and the link's part the rest
          // after the separator, both in the list's bytes: the signature
          // lies between.
          std::string_view signature;
          if (!record.whole) {
            const char* start = catalogue.Name(record).data();
            const char* bar = catalogue.LinkTail(record).data() - 1;
            if (bar > start) signature = std::string_view(start, static_cast<std::size_t>(bar - start));
          }
          add(signature == catalogue.Name(record) ? std::string_view() : signature);
        });
      },
      sink);
}

bool WriteSummariesArray(const Catalogue& catalogue, const RecordSummaries& summaries, const ByteSink& sink) {
  const CatalogueRecord* const first = catalogue.RecordsInReadOrder().data();
  return WriteArrayFile(
      "summaries",
      [&](auto add) {
        catalogue.ForEachRecord([&](const CatalogueRecord& record) { add(summaries.At(&record - first)); });
      },
      sink);
}

std::string SignaturesArrayFile(const Catalogue& catalogue) {
  return CollectedBytes([&](const ByteSink& sink) { return WriteSignaturesArray(catalogue, sink); });
}

std::string SummariesArrayFile(const std::vector<std::string>& summaries) {
  return CollectedBytes([&](const ByteSink& sink) {
    return WriteArrayFile(
        "summaries",
        [&](auto add) {
          for (const std::string& summary : summaries) add(summary);
        },
        sink);
  });
}

}  // namespace qm
