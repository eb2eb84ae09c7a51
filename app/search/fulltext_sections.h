#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace qm {

// What the page reader hands on besides the summaries: the events of its one
// parse of a page, for the full-text index to take the page's text from.
class PageTextSink {
 public:
  virtual ~PageTextSink() = default;
  // atts: name, value pairs ended by a null name (values may be null).
  virtual void StartElement(const char* name, const char* const* atts) = 0;
  virtual void EndElement() = 0;
  virtual void Characters(const char* text, std::size_t size) = 0;
};

// One part of a page a search result can open: from a heading (or a named
// anchor) to the next. Text is UTF-8 with white space collapsed.
struct PageSection {
  std::string anchor;   // the fragment that opens it; "" for the top of the page
  std::string heading;  // its heading's text; "" for the top of the page
  std::string text;     // what a reader sees under the heading
};

struct PageText {
  std::string title;
  std::vector<PageSection> sections;  // in page order; sections without text are left out
};

// The text a reader sees, without scripts, styles, forms and the
// navigation repeated on every page, split at headings (and at named
// anchors inside long stretches of text).
class SectionSplitter : public PageTextSink {
 public:
  // Past this much text a page is read no further for the index.
  static constexpr std::size_t kMaxPageText = std::size_t{4} << 20;

  void StartElement(const char* name, const char* const* atts) override;
  void EndElement() override;
  void Characters(const char* text, std::size_t size) override;

  // The page read so far; the splitter is empty afterwards.
  PageText Take();

 private:
  struct Open {
    bool skip = false;
    bool heading = false;
    bool title = false;
    bool block = false;
  };
  void StartSection(std::string anchor);
  void Add(std::string& to, const char* text, std::size_t size, bool& space);

  PageText page_;
  std::vector<Open> open_;
  int skip_depth_ = 0;
  bool in_heading_ = false, in_title_ = false;
  bool space_ = false, heading_space_ = false, title_space_ = false;
  std::string pending_anchor_;  // named before any text of its own
  bool pending_split_ = false;  // that anchor starts a section with its first text
  std::size_t total_ = 0;
};

}  // namespace qm
