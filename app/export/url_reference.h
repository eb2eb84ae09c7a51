#pragma once
#include <string>
#include <string_view>

namespace qm {

// Readers of the exports (the docset's database, the devhelp book) resolve
// each stored path as a URL, not as a file name. Written raw, "%2e%2e" would
// climb out of the documents, "javascript:" or "https://host" would become a
// script or a remote address, and a file really named "100%25 done.html"
// would not be found. So every path is stored as a relative URL reference
// that resolves to exactly that file: each byte of the UTF-8 page path but
// the unreserved characters and "/" is percent-encoded, and a first segment
// holding ":" gets "./" before it so that it cannot read as a scheme.

// Appends the reference for page (a path relative to where the reader
// starts, UTF-8) after prefix (already a reference, such as "../../", or
// ""), followed by suffix: "#fragment" or "?query" as the link had it, its
// "?" and first "#" kept as delimiters and the rest encoded like the path.
void AppendUrlReference(std::string& out, std::string_view prefix, std::string_view page, std::string_view suffix);

// The same, as a new string.
std::string UrlReference(std::string_view prefix, std::string_view page, std::string_view suffix = {});

}  // namespace qm
