#include "app/doc_location.h"

#include <vector>

namespace qm {

namespace {

String WithSlashes(String text) {
  for (char16_t& unit : text) {
    if (unit == u'\\') unit = u'/';
  }
  return text;
}

}  // namespace

DocLocation LocateInInstallation(const String& link, const String& install_dir) {
  DocLocation location;
  String dir = WithSlashes(install_dir);
  while (!dir.empty() && dir.back() == u'/') dir.pop_back();  // the root becomes ""
  const String path = WithSlashes(link);
  if (path.compare(0, dir.size(), dir) != 0) return location;
  String rest = path.substr(dir.size());
  if (rest.empty() || rest.front() != u'/') return location;

  const std::size_t cut = rest.find_first_of(u"#?");
  if (cut != String::npos) {
    location.suffix = rest.substr(cut);
    rest.resize(cut);
  }
  // Links as the reader makes them are already plain; only the others need
  // their parts taken apart.
  bool plain = rest.size() > 1;
  for (std::size_t at = 1; plain && at <= rest.size();) {
    std::size_t end = rest.find(u'/', at);
    if (end == String::npos) end = rest.size();
    const std::size_t length = end - at;
    plain = length > 0 && !(rest[at] == u'.' && (length == 1 || (length == 2 && rest[at + 1] == u'.')));
    at = end + 1;
  }
  if (plain) {
    location.file = rest.substr(1);
    location.inside = true;
    return location;
  }
  std::vector<String> parts;
  for (std::size_t at = 0; at <= rest.size();) {
    std::size_t end = rest.find(u'/', at);
    if (end == String::npos) end = rest.size();
    const String part = rest.substr(at, end - at);
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
