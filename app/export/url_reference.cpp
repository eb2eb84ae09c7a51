#include "app/export/url_reference.h"

namespace qm {
namespace {

// The bytes a reference keeps as they are: the unreserved ones and "/".
struct KeptBytes {
  bool kept[256] = {};
  constexpr KeptBytes() {
    for (int c = 'A'; c <= 'Z'; ++c) kept[c] = kept[c - 'A' + 'a'] = true;
    for (int c = '0'; c <= '9'; ++c) kept[c] = true;
    for (const char c : {'-', '.', '_', '~', '/'}) kept[static_cast<unsigned char>(c)] = true;
  }
};
constexpr KeptBytes kKept;

// Every other byte as "%XX"; runs of kept bytes go out whole.
void AppendEncoded(std::string& out, std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t run = at;
    while (run < bytes.size() && kKept.kept[static_cast<unsigned char>(bytes[run])]) ++run;
    out.append(bytes.data() + at, run - at);
    if (run == bytes.size()) return;
    const auto byte = static_cast<unsigned char>(bytes[run]);
    const char escape[3] = {'%', kHex[byte >> 4], kHex[byte & 0x0F]};
    out.append(escape, 3);
    at = run + 1;
  }
}

}  // namespace

void AppendUrlReference(std::string& out, std::string_view prefix, std::string_view page, std::string_view suffix) {
  out += prefix;
  // A reference whose first segment holds ":" reads as scheme ":" rest.
  if (prefix.empty() && page.substr(0, page.find('/')).find(':') != std::string_view::npos) out += "./";
  AppendEncoded(out, page);
  if (suffix.empty()) return;
  // "?query#fragment", "?query" or "#fragment": the delimiters stay.
  std::size_t at = 0;
  if (suffix.front() == '?') {
    const std::size_t hash = suffix.find('#');
    out += '?';
    AppendEncoded(out, suffix.substr(1, hash == std::string_view::npos ? std::string_view::npos : hash - 1));
    if (hash == std::string_view::npos) return;
    at = hash;
  }
  if (suffix[at] == '#') {
    out += '#';
    ++at;
  }
  AppendEncoded(out, suffix.substr(at));
}

std::string UrlReference(std::string_view prefix, std::string_view page, std::string_view suffix) {
  std::string out;
  AppendUrlReference(out, prefix, page, suffix);
  return out;
}

}  // namespace qm
