#include "app/search/page_summary.h"

#include "app/search/fulltext_sections.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace qm {
namespace {

// The page is read as a stream of parser events, never as a tree: memory
// stays at the page's bytes and one small record per open element, however
// large or deeply nested the page is.

constexpr std::size_t kSummaryChars = 160;
// Deeper nesting than this is no documentation anyone wrote by hand or
// generator: the page is read no further (browsers stop nesting there too).
constexpr std::size_t kMaxDepth = 512;
// Prose gathered for one candidate block: enough for a first sentence.
constexpr std::size_t kBlockBytes = 1200;

bool Is(const char* name, std::initializer_list<const char*> names) {
  // Most names differ from most of the list in their first letter.
  for (const char* n : names)
    if (name[0] == n[0] && std::strcmp(name, n) == 0) return true;
  return false;
}

bool IsHeading(const char* name) { return name[0] == 'h' && name[1] >= '1' && name[1] <= '6' && name[2] == 0; }

// Elements whose content ends one piece of prose and starts the next.
bool IsBlock(const char* name) {
  return IsHeading(name) ||
         Is(name, {"p",     "div",    "dd",      "dt",     "li",      "td",      "th",         "tr",
                   "table", "ul",     "ol",      "dl",     "section", "article", "blockquote", "pre",
                   "hr",    "br",     "body",    "main",   "header",  "footer",  "nav",        "aside",
                   "form",  "center", "caption", "figure", "details", "summary"});
}

// Code, declarations and anything not shown as prose: never a summary.
bool IsCodeBlock(const char* name) {
  return Is(name, {"pre", "script", "style", "noscript", "template", "textarea", "select", "button", "svg", "math",
                   "object", "iframe", "head", "title"});
}
bool IsInlineCode(const char* name) { return Is(name, {"code", "tt", "kbd", "samp", "var"}); }
// The term of a definition and every heading name the item, not describe it.
bool IsLabel(const char* name) { return IsHeading(name) || Is(name, {"dt"}); }
bool IsNavigation(const char* name) { return Is(name, {"nav", "header", "footer", "aside", "menu"}); }

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Classes generators give to declarations, synopses and code listings.
bool IsDeclarationClass(const std::string& lower_class) {
  for (const char* part : {"synopsis", "programlisting", "prototype", "declaration", "signature", "dcl", "decl",
                           "codeblock", "highlight", "sourcecode"})
    if (Contains(lower_class, part)) return true;
  return false;
}
// Whole words of a class or id ("t-navbar", "sidebar devhelp-hidden"), so
// that "canvas" or "tocolours" do not count.
bool IsNavigationClass(const std::string& lower) {
  std::size_t start = 0;
  while (start < lower.size()) {
    std::size_t end = start;
    while (end < lower.size() && std::isalnum(static_cast<unsigned char>(lower[end]))) ++end;
    const std::string_view word(lower.data() + start, end - start);
    for (const char* nav : {"nav", "navbar", "navigation", "navhead", "menu", "header", "footer", "sidebar",
                            "breadcrumb", "breadcrumbs", "toc", "banner", "topbar"})
      if (word == nav) return true;
    start = end + 1;
  }
  return false;
}
bool IsMainMarker(const std::string& lower_id, const std::string& lower_role) {
  return lower_role == "main" || lower_id == "content" || lower_id == "main" || lower_id == "main-content" ||
         lower_id == "mw-content-text";
}

// Letters and digits only, lower-cased: "gtk_window_new ()" and the fragment
// "gtk-window-new" both come to "gtkwindownew".
std::string Squeezed(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c >= 0x80) out += static_cast<char>(std::tolower(c));
  }
  return out;
}

// Text of one candidate block, white space collapsed as it arrives.
class BlockText {
 public:
  void Add(const char* bytes, std::size_t size, bool code) {
    for (std::size_t i = 0; i < size && text_.size() < kBlockBytes; ++i) {
      const unsigned char c = static_cast<unsigned char>(bytes[i]);
      // U+00A0 (no-break space) is white space too, and so are the control
      // characters U+0080 to U+009F that bytes read as Latin-1 turn into.
      const unsigned char next = i + 1 < size ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      const bool two_byte_space = c == 0xC2 && next >= 0x80 && next <= 0xA0;
      if (c <= ' ' || c == 0x7F || two_byte_space) {
        if (two_byte_space) ++i;
        space_ = !text_.empty();
        continue;
      }
      // Generators often break a line before the punctuation that ends a
      // parameter's name: "of a\n." reads "of a.".
      const bool closing = c == '.' || c == ',' || c == ';' || c == ':' || c == ')' || c == '!' || c == '?';
      if (space_ && !closing) text_ += ' ';
      space_ = false;
      text_ += static_cast<char>(c);
      (code ? code_ : prose_)++;
    }
  }
  bool Full() const { return text_.size() >= kBlockBytes; }
  bool Empty() const { return text_.empty(); }
  // Prose, not code only and not the item's name alone: a single word that
  // ends no sentence, or
  // the name the fragment spells ("GTK_ACCEL_LOCKED" for the fragment
  // "GTK-ACCEL-LOCKED:CAPS").
  bool IsProse(const std::string& squeezed_name) const {
    if (prose_ == 0) return false;
    if (squeezed_name.empty()) return true;
    const char last = text_.back();
    if (text_.find(' ') == std::string::npos && last != '.' && last != '!' && last != '?') return false;
    const std::string squeezed = Squeezed(text_);
    return squeezed_name.compare(0, squeezed.size(), squeezed) != 0;
  }
  const std::string& Text() const { return text_; }
  void Clear() {
    text_.clear();
    space_ = false;
    code_ = prose_ = 0;
  }

 private:
  std::string text_;
  bool space_ = false;
  std::size_t code_ = 0, prose_ = 0;
};

struct OpenElement {
  bool skip = false;  // its text is never prose
  bool code = false;  // inline code
  bool block = false;
  bool main = false;    // the page's main content
  bool target = false;  // the element a fragment names
  bool heading = false;
  bool paragraph = false;
};

class SummaryReader {
 public:
  SummaryReader(const std::vector<std::string>& fragments, bool page, PageTextSink* sink)
      : fragments_(fragments), page_wanted_(page), sink_(sink) {
    any_wanted_ = std::any_of(fragments.begin(), fragments.end(), [](const std::string& f) { return !f.empty(); });
  }

  PageSummaries Read(htmlParserCtxtPtr ctxt) {
    ctxt_ = ctxt;
    htmlParseDocument(ctxt);
    if (target_state_ != TargetState::kNone) EndItem();
    if (page_wanted_ && result_.page.empty()) {
      // A description that only restates the title ("Reference for" it)
      // says nothing the result's name does not.
      BlockText title;
      title.Add(title_.data(), title_.size(), false);
      const std::size_t at = title.Empty() ? std::string::npos : meta_.find(title.Text());
      if (at != std::string::npos) {
        const std::string rest = meta_.substr(0, at) + meta_.substr(at + title.Text().size());
        if (std::count(rest.begin(), rest.end(), ' ') <= 3) meta_.clear();
      }
      result_.page = !meta_.empty() ? meta_ : !main_paragraph_.empty() ? main_paragraph_ : first_paragraph_;
    }
    return std::move(result_);
  }

  static void StartElement(void* self, const xmlChar* name, const xmlChar** atts) {
    auto* reader = static_cast<SummaryReader*>(self);
    reader->Start(reinterpret_cast<const char*>(name), atts);
    if (reader->sink_ && !reader->stopped_)
      reader->sink_->StartElement(reinterpret_cast<const char*>(name), reinterpret_cast<const char* const*>(atts));
  }
  static void EndElement(void* self, const xmlChar*) {
    auto* reader = static_cast<SummaryReader*>(self);
    reader->End();
    if (reader->sink_ && !reader->stopped_) reader->sink_->EndElement();
  }
  static void Characters(void* self, const xmlChar* text, int size) {
    auto* reader = static_cast<SummaryReader*>(self);
    reader->Text(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
    if (reader->sink_ && !reader->stopped_)
      reader->sink_->Characters(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
  }

 private:
  enum class TargetState { kNone, kInside, kAfter };

  bool Skipping() const { return skip_depth_ > 0; }
  bool InCode() const { return code_depth_ > 0; }

  void Start(const char* name, const xmlChar** atts) {
    if (open_.size() >= kMaxDepth) {
      target_state_ = TargetState::kNone;
      stopped_ = true;
      xmlStopParser(ctxt_);
      return;
    }
    OpenElement e;
    std::string id, anchor_name, lower_class, role;
    for (int i = 0; atts != nullptr && atts[i] != nullptr; i += 2) {
      const char* key = reinterpret_cast<const char*>(atts[i]);
      const char* value = atts[i + 1] ? reinterpret_cast<const char*>(atts[i + 1]) : "";
      if (std::strcmp(key, "id") == 0)
        id = value;
      else if (std::strcmp(key, "name") == 0)
        anchor_name = value;
      else if (std::strcmp(key, "class") == 0)
        lower_class = Lower(value);
      else if (std::strcmp(key, "role") == 0)
        role = Lower(value);
      else if (std::strcmp(key, "content") == 0 && std::strcmp(name, "meta") == 0)
        MetaContent(atts, value);
    }
    const std::string lower_id = Lower(id);
    e.heading = IsHeading(name);
    e.block = IsBlock(name);
    e.code = IsInlineCode(name);
    // The page's own body may carry classes about its layout.
    const bool whole_page = Is(name, {"html", "body"});
    e.skip = IsCodeBlock(name) || IsLabel(name) || IsNavigation(name) || role == "navigation" ||
             (!whole_page &&
              (IsDeclarationClass(lower_class) || IsNavigationClass(lower_class) || IsNavigationClass(lower_id)));
    e.main = Is(name, {"main"}) || IsMainMarker(lower_id, role);
    e.paragraph = std::strcmp(name, "p") == 0;

    // An element that carries a name starts the next documented item.
    const bool is_anchor = std::strcmp(name, "a") == 0 && !anchor_name.empty();
    const std::string& item = !id.empty() ? id : is_anchor ? anchor_name : id;
    if (!item.empty() && !InsideTarget()) {
      if (target_state_ != TargetState::kNone) EndItem();
      if (IsWanted(item) && result_.by_fragment.count(item) == 0 && seen_.insert(item).second) {
        BeginItem(item, name);
        e.target = true;
      }
    }
    if (e.block) Boundary();
    if (target_state_ == TargetState::kAfter && e.heading && !Skipping()) {
      // The first heading after a bare anchor is the item's own title; any
      // later one, or one after a heading that was the item, is the next
      // part of the page.
      if (heading_allowed_) {
        heading_allowed_ = false;
      } else {
        EndItem();
      }
    }
    if (e.paragraph) paragraph_.Clear();
    if (std::strcmp(name, "title") == 0) in_title_ = true;
    if (e.main) ++main_depth_;
    if (e.skip) ++skip_depth_;
    if (e.code) ++code_depth_;
    open_.push_back(e);
    if (e.target) target_depth_ = open_.size();
  }

  void End() {
    if (open_.empty()) return;
    const OpenElement e = open_.back();
    open_.pop_back();
    if (e.skip) --skip_depth_;
    if (e.code) --code_depth_;
    if (e.paragraph && !Skipping()) EndParagraph();
    in_title_ = false;
    if (e.main) --main_depth_;
    if (e.block) Boundary();
    if (e.target) {
      target_depth_ = 0;
      if (target_state_ == TargetState::kInside) target_state_ = TargetState::kAfter;
      // A label (an anchor, a heading, a term) holds the name, not prose.
      if (target_label_) block_.Clear();
    }
  }

  void Text(const char* text, std::size_t size) {
    if (in_title_ && page_wanted_) title_.append(text, std::min<std::size_t>(size, 512));
    if (Skipping()) return;
    if (target_state_ != TargetState::kNone && !(InsideTarget() && target_label_)) {
      block_.Add(text, size, InCode());
      if (block_.Full()) Boundary();
    }
    if (page_wanted_) paragraph_.Add(text, size, InCode());
  }

  void MetaContent(const xmlChar** atts, const char* content) {
    if (!page_wanted_ || !meta_.empty()) return;
    for (int i = 0; atts[i] != nullptr; i += 2) {
      const char* key = reinterpret_cast<const char*>(atts[i]);
      const std::string value = atts[i + 1] ? Lower(reinterpret_cast<const char*>(atts[i + 1])) : "";
      if ((std::strcmp(key, "name") == 0 && value == "description") ||
          (std::strcmp(key, "property") == 0 && value == "og:description")) {
        BlockText text;
        text.Add(content, std::strlen(content), false);
        if (text.IsProse("")) meta_ = FirstSentence(text.Text());
      }
    }
  }

  void EndParagraph() {
    if (!page_wanted_ || !paragraph_.IsProse("")) return;
    if (first_paragraph_.empty()) first_paragraph_ = FirstSentence(paragraph_.Text());
    if (main_depth_ > 0 && main_paragraph_.empty()) main_paragraph_ = FirstSentence(paragraph_.Text());
    paragraph_.Clear();
    MaybeStop();
  }

  bool InsideTarget() const { return target_depth_ != 0; }

  void BeginItem(const std::string& fragment, const char* element) {
    target_ = fragment;
    target_name_ = Squeezed(fragment);
    target_state_ = TargetState::kInside;
    target_label_ = Is(element, {"a", "dt", "b", "strong", "code", "tt", "span", "em", "var"}) || IsHeading(element);
    // A heading that is itself the item leaves no title heading to pass.
    heading_allowed_ = !IsHeading(element);
    block_.Clear();
  }

  // A block ended: its text is the summary when it is prose.
  void Boundary() {
    if (target_state_ == TargetState::kNone || block_.Empty()) return;
    if (block_.IsProse(target_name_)) {
      result_.by_fragment.emplace(target_, FirstSentence(block_.Text()));
      EndItem();
    } else {
      block_.Clear();
    }
  }

  void EndItem() {
    if (target_state_ == TargetState::kNone) return;
    target_state_ = TargetState::kNone;
    if (!block_.Empty() && block_.IsProse(target_name_) && result_.by_fragment.count(target_) == 0)
      result_.by_fragment.emplace(target_, FirstSentence(block_.Text()));
    block_.Clear();
    target_depth_ = 0;
    MaybeStop();
  }

  // The fragments are looked up only once the page names an item: a page
  // that names none (thousands of records may link into one) costs no
  // look-up table at all.
  bool IsWanted(const std::string& item) {
    if (!any_wanted_) return false;
    if (wanted_.empty()) {
      wanted_.reserve(fragments_.size());
      for (const std::string& f : fragments_)
        if (!f.empty()) wanted_.emplace_back(f);
      std::sort(wanted_.begin(), wanted_.end());
      wanted_.erase(std::unique(wanted_.begin(), wanted_.end()), wanted_.end());
    }
    return std::binary_search(wanted_.begin(), wanted_.end(), std::string_view(item));
  }
  // How many distinct items are wanted; before any was looked up, only
  // whether there are some matters.
  std::size_t WantedCount() const { return !wanted_.empty() ? wanted_.size() : any_wanted_ ? SIZE_MAX : 0; }

  // Every wanted item is found and the page needs no more reading.
  void MaybeStop() {
    // The full-text index wants the whole page.
    if (sink_ != nullptr) return;
    if (target_state_ != TargetState::kNone || seen_.size() < WantedCount()) return;
    if (page_wanted_ && main_paragraph_.empty()) return;
    xmlStopParser(ctxt_);
  }

  htmlParserCtxtPtr ctxt_ = nullptr;
  const std::vector<std::string>& fragments_;
  bool any_wanted_ = false;
  bool page_wanted_;
  PageTextSink* sink_;
  bool stopped_ = false;
  std::vector<std::string_view> wanted_;  // sorted, once an item is met
  std::unordered_set<std::string> seen_;
  PageSummaries result_;
  std::vector<OpenElement> open_;
  int skip_depth_ = 0, code_depth_ = 0, main_depth_ = 0;

  TargetState target_state_ = TargetState::kNone;
  std::string target_, target_name_;
  bool target_label_ = false, heading_allowed_ = false;
  std::size_t target_depth_ = 0;
  BlockText block_;

  BlockText paragraph_;
  std::string meta_, first_paragraph_, main_paragraph_, title_;
  bool in_title_ = false;
};

void Ignore(void*, const char*, ...) {}

struct ContextDeleter {
  void operator()(htmlParserCtxtPtr ctxt) const {
    if (ctxt->myDoc != nullptr) xmlFreeDoc(ctxt->myDoc);
    htmlFreeParserCtxt(ctxt);
  }
};

std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// The byte where the first count characters end.
std::size_t Utf8Prefix(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == count) break;
  }
  return i;
}

bool EndsWithAbbreviation(std::string_view before) {
  for (std::string_view a : {"e.g", "i.e", "etc", "vs", "cf", "approx", "resp"}) {
    if (before.size() >= a.size() && Lower(before.substr(before.size() - a.size())) == a &&
        (before.size() == a.size() || before[before.size() - a.size() - 1] == ' ' ||
         before[before.size() - a.size() - 1] == '('))
      return true;
  }
  return false;
}

}  // namespace

std::string FirstSentence(std::string_view text) {
  std::size_t end = text.size();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '.' && c != '!' && c != '?') continue;
    if (i + 1 < text.size() && text[i + 1] != ' ') continue;
    if (i + 2 < text.size() && std::islower(static_cast<unsigned char>(text[i + 2]))) continue;
    if (c == '.' && EndsWithAbbreviation(text.substr(0, i))) continue;
    end = i + 1;
    break;
  }
  std::string_view sentence = text.substr(0, end);
  if (Utf8Length(sentence) <= kSummaryChars) return std::string(sentence);
  // Too long: cut at the last word break before the limit.
  std::size_t cut = Utf8Prefix(sentence, kSummaryChars - 1);
  const std::size_t space = sentence.rfind(' ', cut);
  if (space != std::string_view::npos && space > cut / 2) cut = space;
  std::string out(sentence.substr(0, cut));
  while (!out.empty() && (out.back() == ' ' || out.back() == ',' || out.back() == ';' || out.back() == ':'))
    out.pop_back();
  return out + "\xE2\x80\xA6";
}

bool IsRepeatedNavigation(const char* name, const std::string& lower_class, const std::string& lower_id,
                          const std::string& lower_role) {
  return IsNavigation(name) || lower_role == "navigation" || IsNavigationClass(lower_class) ||
         IsNavigationClass(lower_id);
}

PageSummaries SummarizePage(std::string_view markup, const std::vector<std::string>& fragments, bool page_description,
                            PageTextSink* sink) {
  if (markup.empty() || markup.size() > static_cast<std::size_t>(INT_MAX)) return {};
  std::unique_ptr<htmlParserCtxt, ContextDeleter> ctxt(
      htmlCreateMemoryParserCtxt(markup.data(), static_cast<int>(markup.size())));
  if (!ctxt) return {};
  SummaryReader reader(fragments, page_description, sink);
  htmlSAXHandler sax{};
  sax.startElement = &SummaryReader::StartElement;
  sax.endElement = &SummaryReader::EndElement;
  sax.characters = &SummaryReader::Characters;
  sax.ignorableWhitespace = &SummaryReader::Characters;
  // Script and style text arrives here and is dropped.
  sax.cdataBlock = [](void*, const xmlChar*, int) {};
  sax.warning = &Ignore;
  sax.error = &Ignore;
  sax.fatalError = &Ignore;
  *ctxt->sax = sax;
  ctxt->userData = &reader;
  // No network, no messages; the default depth limit stays.
  htmlCtxtUseOptions(ctxt.get(), HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
  return reader.Read(ctxt.get());
}

}  // namespace qm
