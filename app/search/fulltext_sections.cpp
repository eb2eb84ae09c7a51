#include "app/search/fulltext_sections.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "app/search/page_summary.h"

namespace qm {
namespace {

// Beyond this many open elements the rest is nested deeper than any page a
// person reads; the summary reader stops the parse there too.
constexpr std::size_t kMaxDepth = 512;
// A named anchor inside running text starts a section of its own only when
// the text before it is long enough for a jump to it to matter.
constexpr std::size_t kAnchorSplitBytes = 400;

bool Is(const char* name, std::initializer_list<const char*> names) {
  // Most names differ from most of the list in their first letter.
  for (const char* n : names)
    if (name[0] == n[0] && std::strcmp(name, n) == 0) return true;
  return false;
}

bool IsHeading(const char* name) { return name[0] == 'h' && name[1] >= '1' && name[1] <= '6' && name[2] == 0; }

// Nothing inside these is text a reader sees as part of the page.
bool IsUnseen(const char* name) {
  return Is(name, {"script", "style", "noscript", "template", "textarea", "select", "button", "svg", "math", "object",
                   "iframe", "head"});
}

// Ends one run of text: what stands on either side is two words.
bool IsBlock(const char* name) {
  return IsHeading(name) || Is(name, {"p", "div", "dd", "dt", "li", "td", "th", "tr", "br", "pre", "table", "section",
                                      "article", "blockquote", "hr", "ul", "ol", "dl", "caption"});
}

std::string Lower(const char* text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

namespace {

// White space a run of text collapses: ASCII blanks and controls, DEL, and
// U+00A0 (no-break space). By byte: 1 blank, 2 the first byte of U+00A0
// when the next one is 0xA0, 0 anything else.
struct BlankBytes {
  unsigned char kind[256] = {};
  constexpr BlankBytes() {
    for (int c = 0; c <= ' '; ++c) kind[c] = 1;
    kind[0x7F] = 1;
    kind[0xC2] = 2;
  }
};
constexpr BlankBytes kBlankBytes;

// The length of the white space at text[i], 0 for none.
std::size_t BlankAt(const char* text, std::size_t i, std::size_t size) {
  const unsigned char kind = kBlankBytes.kind[static_cast<unsigned char>(text[i])];
  if (kind != 2) return kind;
  return i + 1 < size && static_cast<unsigned char>(text[i + 1]) == 0xA0 ? 2 : 0;
}

}  // namespace

void SectionSplitter::Add(std::string& to, const char* text, std::size_t size, bool& space) {
  std::size_t i = 0;
  // Whole words at a time while the page's limit is far.
  while (i < size && total_ < kMaxPageText) {
    if (const std::size_t blank = BlankAt(text, i, size)) {
      i += blank;
      space = !to.empty();
      continue;
    }
    std::size_t end = i + 1;
    for (; end < size; ++end) {
      const unsigned char kind = kBlankBytes.kind[static_cast<unsigned char>(text[end])];
      if (kind != 0 && (kind == 1 || BlankAt(text, end, size) != 0)) break;
    }
    if (total_ + (end - i) + 1 >= kMaxPageText) break;
    if (space && !to.empty()) {
      to += ' ';
      ++total_;
    }
    space = false;
    to.append(text + i, end - i);
    total_ += end - i;
    i = end;
  }
  // Near the limit, a byte at a time up to it.
  for (; i < size && total_ < kMaxPageText; ++i) {
    if (const std::size_t blank = BlankAt(text, i, size)) {
      i += blank - 1;
      space = !to.empty();
      continue;
    }
    if (space && !to.empty()) {
      to += ' ';
      ++total_;
    }
    space = false;
    to += text[i];
    ++total_;
  }
}

void SectionSplitter::StartSection(std::string anchor) {
  if (page_.sections.empty() || !page_.sections.back().text.empty() || !page_.sections.back().heading.empty()) {
    page_.sections.emplace_back();
  }
  page_.sections.back().anchor = std::move(anchor);
  space_ = false;
  pending_anchor_.clear();
  pending_split_ = false;
}

void SectionSplitter::StartElement(const char* name, const char* const* atts) {
  if (open_.size() >= kMaxDepth) return;
  std::string id, anchor_name, lower_class, role;
  for (int i = 0; atts != nullptr && atts[i] != nullptr; i += 2) {
    const char* value = atts[i + 1] != nullptr ? atts[i + 1] : "";
    if (std::strcmp(atts[i], "id") == 0) {
      id = value;
    } else if (std::strcmp(atts[i], "name") == 0) {
      anchor_name = value;
    } else if (std::strcmp(atts[i], "class") == 0) {
      lower_class = Lower(value);
    } else if (std::strcmp(atts[i], "role") == 0) {
      role = Lower(value);
    }
  }
  Open e;
  e.title = std::strcmp(name, "title") == 0;
  e.skip = !e.title && (IsUnseen(name) || (!Is(name, {"html", "body"}) &&
                                           IsRepeatedNavigation(name, lower_class, Lower(id.c_str()), role)));
  e.block = IsBlock(name);
  const bool skipping = skip_depth_ > 0;
  if (e.title && page_.title.empty()) in_title_ = true;
  if (e.skip) ++skip_depth_;
  const std::string& anchor = !id.empty() ? id : std::strcmp(name, "a") == 0 ? anchor_name : id;
  if (!skipping && !e.skip) {
    if (IsHeading(name)) {
      StartSection(!anchor.empty() ? anchor : pending_anchor_);
      e.heading = true;
      in_heading_ = true;
      heading_space_ = false;
    } else if (!anchor.empty()) {
      const bool empty = page_.sections.empty() || page_.sections.back().text.empty();
      if (empty) {
        pending_anchor_ = anchor;
      } else {
        // After a long stretch, the part from this anchor on is a section of
        // its own: under the same heading, unless a heading comes first.
        pending_anchor_ = anchor;
        pending_split_ = page_.sections.back().text.size() >= kAnchorSplitBytes && !in_heading_;
      }
    }
  }
  if (e.block) space_ = heading_space_ = true;
  open_.push_back(e);
}

void SectionSplitter::EndElement() {
  if (open_.empty()) return;
  const Open e = open_.back();
  open_.pop_back();
  if (e.skip) --skip_depth_;
  if (e.title) in_title_ = false;
  if (e.heading) in_heading_ = false;
  if (e.block) space_ = heading_space_ = true;
}

void SectionSplitter::Characters(const char* text, std::size_t size) {
  if (in_title_) {
    Add(page_.title, text, std::min<std::size_t>(size, 1024), title_space_);
    return;
  }
  if (skip_depth_ > 0) return;
  if (page_.sections.empty()) page_.sections.emplace_back();
  PageSection& section = page_.sections.back();
  if (in_heading_) {
    Add(section.heading, text, size, heading_space_);
  } else {
    if (pending_split_ && std::any_of(text, text + size, [](char c) { return static_cast<unsigned char>(c) > ' '; })) {
      std::string heading = section.heading;
      StartSection(pending_anchor_);
      page_.sections.back().heading = std::move(heading);
      Add(page_.sections.back().text, text, size, space_);
      return;
    }
    const std::size_t before = section.text.size();
    Add(section.text, text, size, space_);
    if (section.text.size() != before) {
      pending_anchor_.clear();
      pending_split_ = false;
    }
  }
}

PageText SectionSplitter::Take() {
  PageText out = std::move(page_);
  std::erase_if(out.sections, [](const PageSection& s) { return s.text.empty() && s.heading.empty(); });
  *this = SectionSplitter();
  return out;
}

}  // namespace qm
