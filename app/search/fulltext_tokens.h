#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The words a reader can search the pages for. A word is a run of letters
// and digits in any script, lower-cased. Runs joined by "_", "." or "::"
// (identifiers, qualified names, version numbers) and runs with a change of
// case inside ("GtkWidget", "HTMLParser") are kept whole and also give each
// of their parts, so that "widget" finds gtk_widget_show and GtkWidget; a
// piece between joiners with parts of its own is kept whole as well
// ("CairoNode" of "Gsk.CairoNode").
// The search page splits what the reader types by the same rules.

// The longest word kept, in bytes; longer runs are no words anyone types.
constexpr std::size_t kMaxTokenBytes = 64;

// Calls emit once per word of utf8 (any bytes: invalid sequences separate
// words), the whole form of a compound before its parts.
void ForEachToken(std::string_view utf8, const std::function<void(std::string_view token)>& emit);

// The same words collected, for callers that want them all.
std::vector<std::string> Tokens(std::string_view utf8);

}  // namespace qm
