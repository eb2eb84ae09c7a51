#include "app/search/search_details.h"

#include <libxml/parser.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

#include "app/index/build_workers.h"
#include "app/index/index_writer.h"
#include "app/search/fulltext_index.h"
#include "app/search/fulltext_sections.h"
#include "app/search/page_summary.h"
#include "system/contained_file.h"
#include "system/fix_path.h"
#include "system/strings.h"

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

// A link is an address: "%20" in it is a blank in the file name or the id.
// In the path, a backslash separates folders as "/" does (the links become
// so); in the fragment it is part of the id.
std::string PercentDecoded(std::string_view text, bool path) {
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

struct PageRef {
  std::string page;      // the link's path inside the installation
  std::string fragment;  // "" for the page itself
  std::uint32_t record;  // catalogue position
};

bool IsHtmlName(const std::string& name) {
  std::string lower = name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower == ".html" || lower == ".htm" || lower == ".xhtml";
}

// Every HTML page under docs/html, as paths from the installation's folder,
// except the two pages the build installs itself. Links to folders are not
// followed, so the walk stays in the tree and ends.
std::vector<std::string> DocumentationPages(const std::string& install_real) {
  namespace fs = std::filesystem;
  std::vector<std::string> pages;
  const fs::path html = fs::path(install_real) / "docs" / "html";
  std::error_code error;
  fs::recursive_directory_iterator it(html, fs::directory_options::skip_permission_denied, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (it.depth() > 32) it.disable_recursion_pending();
    if (!it->is_regular_file(error) || !IsHtmlName(it->path().filename().string())) continue;
    const std::string relative = it->path().lexically_relative(html).generic_string();
    if (relative == "index.html" || relative == "Modules/commands.html") continue;
    pages.push_back("/docs/html/" + relative);
  }
  return pages;
}

// Joins items as one array literal of escaped strings.
template <class Each>
std::string ArrayFile(const char* name, std::size_t count, Each each) {
  std::string out = std::string("var ") + name + "=[";
  for (std::size_t i = 0; i < count; ++i) {
    out += i == 0 ? "\"" : ",\"";
    AppendJsEscaped(out, FromBytes(each(i)));
    out += '"';
  }
  out += "];";
  return out;
}

// One page and the records that link into it: refs[first, last).
struct PageGroup {
  std::size_t first, last;
  std::vector<std::string> fragments;
  bool page_wanted;
};

// What one read and parse of a page gave.
struct PageReading {
  bool read = false;
  PageSummaries found;
  PageText text;
};

// Pages read ahead of the indexing: enough to keep both threads busy, few
// enough that their text stays small.
constexpr std::size_t kPagesAhead = 32;

// Runs read(0) .. read(count - 1) on a thread of its own, in order and at
// most kPagesAhead pages ahead, while apply(k, reading) takes each result in
// order on the calling thread. Answers false as soon as apply does (the
// reading thread is then stopped); *started is false, and nothing applied,
// when no thread could be started.
bool ReadAhead(std::size_t count, const std::function<PageReading(std::size_t)>& read,
               const std::function<bool(std::size_t, PageReading&)>& apply, bool* started) {
  std::mutex lock;
  // Each side is woken only when it waits and the other has made room or
  // work for it: the reader once the queue is down to half, so that the two
  // threads do not hand over every single page.
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
      try {
        for (std::size_t k = 0; k < count; ++k) {
          {
            std::unique_lock hold(lock);
            if (!stop && ready.size() >= kPagesAhead) {
              reader_waits = true;
              reader_wakes.wait(hold, [&] { return stop || ready.size() <= kPagesAhead / 2; });
              reader_waits = false;
            }
            if (stop) break;
          }
          PageReading reading = read(k);
          const std::lock_guard hold(lock);
          ready.push_back(std::move(reading));
          if (indexer_waits) indexer_wakes.notify_one();
        }
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
    for (std::size_t k = 0; k < count && ok; ++k) {
      PageReading reading;
      {
        std::unique_lock hold(lock);
        if (ready.empty() && !done) {
          indexer_waits = true;
          indexer_wakes.wait(hold, [&] { return !ready.empty() || done; });
          indexer_waits = false;
        }
        if (ready.empty()) break;  // the reader failed
        reading = std::move(ready.front());
        ready.pop_front();
        if (reader_waits && ready.size() <= kPagesAhead / 2) reader_wakes.notify_one();
      }
      ok = apply(k, reading);
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
  std::vector<std::string> summaries;
  ReadPages(catalogue, install_dir, nullptr, &summaries);
  return summaries;
}

bool ReadPages(const Catalogue& catalogue, const String& install_dir, FullTextIndex* full_text,
               std::vector<std::string>* summaries) {
  summaries->assign(static_cast<std::size_t>(catalogue.Count()), std::string());
  std::vector<PageRef> refs;
  refs.reserve(summaries->size());
  std::uint32_t at = 0;
  catalogue.ForEachRecord([&](const CatalogueRecord& record) {
    // A record added whole carries a complete link of its own, not a path
    // inside the installation.
    if (!record.whole) {
      const std::string_view tail = catalogue.LinkTail(record);
      const std::size_t hash = tail.find('#');
      std::string_view page = tail.substr(0, hash);
      page = page.substr(0, page.find('?'));
      const std::string_view fragment = hash == std::string_view::npos ? "" : tail.substr(hash + 1);
      if (!page.empty()) refs.push_back({PercentDecoded(page, true), PercentDecoded(fragment, false), at});
    }
    ++at;
  });
  const auto root = SystemPath(install_dir, true);
  const std::string root_real = root ? RealPathOf(*root) : std::string();
  // Pages no record links to are read for the full text alone.
  constexpr std::uint32_t kNoRecord = UINT32_MAX;
  if (full_text != nullptr && !root_real.empty()) {
    for (auto& page : DocumentationPages(root_real)) refs.push_back({std::move(page), std::string(), kNoRecord});
  }
  std::stable_sort(refs.begin(), refs.end(), [](const PageRef& a, const PageRef& b) { return a.page < b.page; });

  // The pages in path order, each with the fragments its records name.
  std::vector<PageGroup> groups;
  for (std::size_t first = 0; first < refs.size();) {
    PageGroup group{first, first, {}, false};
    for (; group.last < refs.size() && refs[group.last].page == refs[first].page; ++group.last) {
      const PageRef& ref = refs[group.last];
      if (ref.record == kNoRecord) continue;
      if (ref.fragment.empty()) {
        group.page_wanted = true;
      } else {
        group.fragments.push_back(ref.fragment);
      }
    }
    first = group.last;
    groups.push_back(std::move(group));
  }

  const auto read = [&](std::size_t k, ContainedFileReader* files, SectionSplitter* splitter, std::string* bytes) {
    const PageGroup& group = groups[k];
    PageReading out;
    String error;
    const auto path = root_real.empty() ? std::nullopt : SystemPath(install_dir + FromBytes(refs[group.first].page));
    if (path && files->Read(*path, kMaxSummaryPageBytes, bytes, &error)) {
      out.read = true;
      out.found = SummarizePage(*bytes, group.fragments, group.page_wanted, full_text != nullptr ? splitter : nullptr);
      if (full_text != nullptr) out.text = splitter->Take();
    }
    return out;
  };
  const PageReadingObserver& observer = Observer();
  // Applied strictly in page order, whichever thread read the page, so the
  // summaries and the full-text files come out the same either way.
  const auto apply = [&](std::size_t k, PageReading& reading) {
    const PageGroup& group = groups[k];
    if (reading.read) {
      for (std::size_t i = group.first; i < group.last; ++i) {
        if (refs[i].record == kNoRecord) continue;
        if (refs[i].fragment.empty()) {
          (*summaries)[refs[i].record] = reading.found.page;
        } else if (const auto it = reading.found.by_fragment.find(refs[i].fragment);
                   it != reading.found.by_fragment.end()) {
          (*summaries)[refs[i].record] = it->second;
        }
      }
      if (full_text != nullptr && !full_text->AddPage(refs[group.first].page, reading.text)) return false;
    }
    return !observer || observer(k + 1, groups.size());
  };

  // With a second core, one thread reads and parses the pages while this one
  // indexes them and keeps the window informed.
  if (full_text != nullptr && BuildWorkers() > 1 && groups.size() > 1) {
    // Touched by the reading thread alone.
    ContainedFileReader reader_files(root_real);
    SectionSplitter reader_splitter;
    std::string reader_bytes;
    bool started = false;
    const bool finished = ReadAhead(
        groups.size(), [&](std::size_t k) { return read(k, &reader_files, &reader_splitter, &reader_bytes); }, apply,
        &started);
    if (started) return finished;
  }
  ContainedFileReader files(root_real);
  SectionSplitter splitter;
  std::string bytes;
  for (std::size_t k = 0; k < groups.size(); ++k) {
    PageReading reading = read(k, &files, &splitter, &bytes);
    if (!apply(k, reading)) return false;
  }
  return true;
}

std::string SignaturesArrayFile(const Catalogue& catalogue) {
  std::vector<std::string_view> signatures;
  signatures.reserve(static_cast<std::size_t>(catalogue.Count()));
  catalogue.ForEachRecord([&](const CatalogueRecord& record) {
    // The name is the start of its line and the link's part the rest after
    // the separator, both in the list's bytes: the signature lies between.
    std::string_view signature;
    if (!record.whole) {
      const char* start = catalogue.Name(record).data();
      const char* bar = catalogue.LinkTail(record).data() - 1;
      if (bar > start) signature = std::string_view(start, static_cast<std::size_t>(bar - start));
    }
    if (signature == catalogue.Name(record)) signature = {};
    signatures.push_back(signature);
  });
  return ArrayFile("sigs", signatures.size(), [&](std::size_t i) {
    std::string text(signatures[i]);
    // A line may hold control bytes; a string literal may not.
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
  });
}

std::string SummariesArrayFile(const std::vector<std::string>& summaries) {
  return ArrayFile("summaries", summaries.size(), [&](std::size_t i) { return summaries[i]; });
}

}  // namespace qm
