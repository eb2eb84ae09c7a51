#pragma once
#include <string>
#include <string_view>

#include "system/object.h"
#include "system/output_set.h"

namespace qm {

// The devhelp2 book of the installation's documentation, kept in its
// docs/html folder as "tallowin.devhelp2": the search page as the book's
// start, a chapter for each of the guide, language, module and tutorial
// pages the installation has, and one keyword per catalogue record with a
// link relative to docs/html. Records whose page lies outside the
// installation have no place in it and are left out.
// The book is handed to sink in pieces of about a megabyte, so that a large
// catalogue's book is never held whole; false when the sink gave up.
bool WriteDevhelpBook(const String& install_dir, const ByteSink& sink);
std::string DevhelpBook(const String& install_dir);

// UTF-8 text as the value of an XML attribute in double quotes. Markup
// characters become references; tab, line feed and carriage return become
// character references so that they survive attribute normalisation; the
// other control characters, which XML 1.0 cannot carry at all, are shown by
// their visible pictures (U+2400 and on), and U+FFFE and U+FFFF by U+FFFD.
void AppendXmlAttribute(std::string& out, std::string_view utf8);

}  // namespace qm
