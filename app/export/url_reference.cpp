#include "app/export/url_reference.h"

namespace qm {
namespace {

bool Unreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '-' ||
         byte == '.' || byte == '_' || byte == '~';
}

// Every byte but the unreserved ones and those in keep as "%XX".
void AppendEncoded(std::string& out, std::string_view bytes, std::string_view keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (Unreserved(byte) || keep.find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
}

}  // namespace

void AppendUrlReference(std::string& out, std::string_view prefix, std::string_view page, std::string_view suffix) {
  out += prefix;
  // A reference whose first segment holds ":" reads as scheme ":" rest.
  if (prefix.empty() && page.substr(0, page.find('/')).find(':') != std::string_view::npos) out += "./";
  AppendEncoded(out, page, "/");
  if (suffix.empty()) return;
  // "?query#fragment", "?query" or "#fragment": the delimiters stay.
  std::size_t at = 0;
  if (suffix.front() == '?') {
    const std::size_t hash = suffix.find('#');
    out += '?';
    AppendEncoded(out, suffix.substr(1, hash == std::string_view::npos ? std::string_view::npos : hash - 1), "/");
    if (hash == std::string_view::npos) return;
    at = hash;
  }
  if (suffix[at] == '#') {
    out += '#';
    ++at;
  }
  AppendEncoded(out, suffix.substr(at), "/");
}

std::string UrlReference(std::string_view prefix, std::string_view page, std::string_view suffix) {
  std::string out;
  AppendUrlReference(out, prefix, page, suffix);
  return out;
}

}  // namespace qm
