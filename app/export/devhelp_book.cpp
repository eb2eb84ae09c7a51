#include "app/export/devhelp_book.h"

#include <algorithm>

#include "app/export/catalogue_export_source.h"
#include "app/export/url_reference.h"
#include "app/index/doc_location.h"
#include "system/display_text.h"
#include "system/filesystem.h"

namespace qm {

namespace {

// The bytes an attribute holds as they are: runs of them go out whole.
struct PlainBytes {
  bool plain[256] = {};
  constexpr PlainBytes() {
    for (int c = 0x20; c < 0x100; ++c) plain[c] = true;
    for (const char c : {'&', '<', '>', '"', '\'', '\xEF'}) plain[static_cast<unsigned char>(c)] = false;
  }
};
constexpr PlainBytes kPlainBytes;

}  // namespace

void AppendXmlAttribute(std::string& out, std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    std::size_t run = i;
    while (run < utf8.size() && kPlainBytes.plain[static_cast<unsigned char>(utf8[run])]) ++run;
    out.append(utf8.data() + i, run - i);
    if (run == utf8.size()) return;
    i = run;
    const unsigned char byte = static_cast<unsigned char>(utf8[i]);
    switch (byte) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      case '\t':
        out += "&#9;";
        continue;
      case '\n':
        out += "&#10;";
        continue;
      case '\r':
        out += "&#13;";
        continue;
      default:
        break;
    }
    if (byte < 0x20) {
      // U+2400 + byte, in UTF-8.
      out += '\xE2';
      out += static_cast<char>(0x90 + (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    } else if (byte == 0xEF && i + 2 < utf8.size() && utf8[i + 1] == '\xBF' &&
               (utf8[i + 2] == '\xBE' || utf8[i + 2] == '\xBF')) {
      out += "\xEF\xBF\xBD";
      i += 2;
    } else {
      out += static_cast<char>(byte);
    }
  }
}

namespace {

struct Chapter {
  const char16_t* title;
  const char16_t* page;  // relative to docs/html
};

// The parts of an installation's documentation besides the command pages.
constexpr Chapter kChapters[] = {
    {u"User Guide", u"User Guide/index.html"},
    {u"Language", u"Language/index.html"},
    {u"Modules", u"Modules/index.html"},
    {u"Tutorials", u"Tutorials/index.html"},
};

void AppendAttribute(std::string& out, const char* name, const String& value) {
  out += ' ';
  out += name;
  out += "=\"";
  AppendXmlAttribute(out, DisplayUtf8(value));
  out += '"';
}

// The link of a page as the book stores it: a URL reference from docs/html,
// where the book lives ("../../" up to the installation for pages
// elsewhere). The encoded text holds nothing XML would need escaped.
void AppendLink(std::string& book, std::string_view page, std::string_view suffix) {
  constexpr std::string_view kHtml = "docs/html/";
  book += " link=\"";
  if (page.starts_with(kHtml)) {
    AppendUrlReference(book, "", page.substr(kHtml.size()), suffix);
  } else {
    AppendUrlReference(book, "../../", page, suffix);
  }
  book += '"';
}

void AppendKeyword(std::string& book, const String& name, const String& link, const String& install_dir) {
  const DocLocation location = LocateInInstallation(link, install_dir);
  if (!location.inside) return;
  book += "    <keyword type=\"function\"";
  AppendAttribute(book, "name", name);
  AppendLink(book, DisplayUtf8(location.file), DisplayUtf8(location.suffix));
  book += "/>\n";
}

// The keyword of a record whose link is plain: made from the bytes, with
// the same result as AppendKeyword.
void AppendPlainKeyword(std::string& book, std::string_view name, std::string_view path, std::size_t page_size,
                        std::string& shown, std::string& shown_suffix) {
  book += "    <keyword type=\"function\" name=\"";
  shown.clear();
  AppendDisplayUtf8(shown, name);
  AppendXmlAttribute(book, shown);
  book += '"';
  shown.clear();
  AppendDisplayUtf8(shown, path.substr(0, page_size));
  shown_suffix.clear();
  AppendDisplayUtf8(shown_suffix, path.substr(page_size));
  AppendLink(book, shown, shown_suffix);
  book += "/>\n";
}

}  // namespace

bool WriteDevhelpBook(const String& install_dir, const ByteSink& sink) {
  constexpr std::size_t kPiece = 1 << 18;  // as the index files' pieces
  bool ok = true;
  std::string book = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                     "<book xmlns=\"http://www.devhelp.net/book\" title=\"Tallowin Documentation\" name=\"tallowin\""
                     " version=\"2\" language=\"tallowin\" author=\"\" link=\"index.html\">\n"
                     "  <chapters>\n";
  const String html = install_dir + u"/docs/html/";
  for (const Chapter& chapter : kChapters) {
    if (FileType(html + chapter.page) != 1) continue;
    book += "    <sub";
    AppendAttribute(book, "name", chapter.title);
    book += " link=\"" + UrlReference("", DisplayUtf8(chapter.page)) + '"';
    book += "/>\n";
  }
  book += "  </chapters>\n  <functions>\n";
  const auto flush = [&] {
    if (book.size() < kPiece) return;
    ok = ok && sink(book);
    book.clear();
  };
  std::string shown, shown_suffix;
  CatalogueVisitor visitor;
  visitor.record = [&](const String& name, const String& link, const String&) {
    AppendKeyword(book, name, link, install_dir);
    flush();
  };
  visitor.plain_record = [&](std::string_view name, std::string_view path, std::size_t page_size) {
    AppendPlainKeyword(book, name, path, page_size, shown, shown_suffix);
    flush();
  };
  VisitCatalogue(visitor, install_dir);
  book += "  </functions>\n</book>\n";
  return ok && sink(book);
}

std::string DevhelpBook(const String& install_dir) {
  std::string book;
  WriteDevhelpBook(install_dir, [&](std::string_view piece) {
    book += piece;
    return true;
  });
  return book;
}

}  // namespace qm
