#include "app/index/doc_location.h"

#include <string_view>
#include <vector>

namespace qm {

namespace {

bool IsSeparator(char16_t unit) { return unit == u'/' || unit == u'\\'; }

String WithSlashes(String text) {
  for (char16_t& unit : text) {
    if (unit == u'\\') unit = u'/';
  }
  return text;
}

}  // namespace

DocLocation LocateInInstallation(const String& link, const String& install_dir) {
  // Compared and cut in place, "\\" counting as "/": this runs once per
  // record of an export, so nothing is copied before the link is known to
  // lie inside.
  DocLocation location;
  std::size_t dir_size = install_dir.size();
  while (dir_size > 0 && IsSeparator(install_dir[dir_size - 1])) --dir_size;  // the root becomes ""
  if (link.size() < dir_size) return location;
  for (std::size_t i = 0; i < dir_size; ++i) {
    if (link[i] != install_dir[i] && !(IsSeparator(link[i]) && IsSeparator(install_dir[i]))) return location;
  }
  std::u16string_view rest(link.data() + dir_size, link.size() - dir_size);
  if (rest.empty() || !IsSeparator(rest.front())) return location;

  std::size_t cut = 0;
  while (cut < rest.size() && rest[cut] != u'#' && rest[cut] != u'?') ++cut;
  if (cut < rest.size()) {
    location.suffix = WithSlashes(String(rest.substr(cut)));
    rest = rest.substr(0, cut);
  }
  // Links as the reader makes them are already plain; only the others need
  // their parts taken apart.
  bool plain = rest.size() > 1;
  for (std::size_t at = 1; plain && at <= rest.size();) {
    std::size_t end = at;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::size_t length = end - at;
    plain = length > 0 && !(rest[at] == u'.' && (length == 1 || (length == 2 && rest[at + 1] == u'.')));
    at = end + 1;
  }
  if (plain) {
    location.file = WithSlashes(String(rest.substr(1)));
    location.inside = true;
    return location;
  }
  const String page = WithSlashes(String(rest));
  std::vector<String> parts;
  for (std::size_t at = 0; at <= page.size();) {
    std::size_t end = page.find(u'/', at);
    if (end == String::npos) end = page.size();
    const String part = page.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (parts.empty()) return DocLocation{};
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  if (parts.empty()) return DocLocation{};
  for (const String& part : parts) {
    if (!location.file.empty()) location.file += u'/';
    location.file += part;
  }
  location.inside = true;
  return location;
}

String RelativeToHtmlFolder(const DocLocation& location) {
  static const String kHtml = u"docs/html/";
  if (location.file.compare(0, kHtml.size(), kHtml) == 0) return location.file.substr(kHtml.size()) + location.suffix;
  return u"../../" + location.file + location.suffix;
}

}  // namespace qm
