#pragma once
#include "system/object.h"

namespace qm {

// Runs a command line as a child process, waits for it to end and returns
// the last non-empty line it wrote to standard output, without its line
// end (see LastOutputLine); "" when there was none or the child could not
// be created. The output is read and dropped as it comes, so memory stays
// bounded whatever the child prints, and its standard error is read and
// thrown away so the child cannot block on it. The child's standard input
// is closed at once. While waiting it looks at the child at least every
// 10 ms, keeps the window system serviced and drops every event it takes.
// A child stopped for trying to use the terminal is reported ("<command>
// stopped waiting for terminal input" on standard error) and its process
// group is ended. A child that could not be started or that ended
// unsuccessfully is reported in one line on standard error. The child's
// pipes are closed before returning.
String DoProcess(const String& command, int flags);

// Regenerates the installation's documentation with its own generator,
// tlwndir + "/bin/makedocs" (started as exactly that path, without
// arguments), and waits for it as DoProcess does; the output is discarded.
void RebuildDocumentation(const String& tlwndir);

}  // namespace qm
