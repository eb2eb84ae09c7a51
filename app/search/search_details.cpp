#include "app/search/search_details.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string_view>

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

  std::size_t pages = 0;
  for (std::size_t i = 0; i < refs.size(); ++i) pages += i == 0 || refs[i].page != refs[i - 1].page;
  const PageReadingObserver& observer = Observer();
  std::size_t done = 0;
  std::string bytes;
  String error;
  SectionSplitter splitter;
  for (std::size_t first = 0; first < refs.size();) {
    std::size_t last = first;
    std::vector<std::string> fragments;
    bool page_wanted = false;
    for (; last < refs.size() && refs[last].page == refs[first].page; ++last) {
      if (refs[last].record == kNoRecord) continue;
      if (refs[last].fragment.empty()) {
        page_wanted = true;
      } else {
        fragments.push_back(refs[last].fragment);
      }
    }
    const auto path = root_real.empty() ? std::nullopt : SystemPath(install_dir + FromBytes(refs[first].page));
    if (path && ReadContainedFile(*path, root_real, kMaxSummaryPageBytes, &bytes, &error)) {
      const PageSummaries found =
          SummarizePage(bytes, fragments, page_wanted, full_text != nullptr ? &splitter : nullptr);
      for (std::size_t i = first; i < last; ++i) {
        if (refs[i].record == kNoRecord) continue;
        if (refs[i].fragment.empty()) {
          (*summaries)[refs[i].record] = found.page;
        } else if (const auto it = found.by_fragment.find(refs[i].fragment); it != found.by_fragment.end()) {
          (*summaries)[refs[i].record] = it->second;
        }
      }
      if (full_text != nullptr && !full_text->AddPage(refs[first].page, splitter.Take())) return false;
    }
    first = last;
    if (observer && !observer(++done, pages)) return false;
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
