#pragma once
#include "system/object.h"

namespace qm {

// Runs a command line as a child process and returns everything it wrote
// to standard output, the lines joined with nothing between them and
// without their line ends; "" when the child could not be created. Polls
// every 10 ms, keeps the window system serviced meanwhile and drops every
// event it takes. Always returns once the child has ended, whatever it
// wrote: a last line without a line feed is kept, lines longer than the
// pipe stream's buffer come through whole, and the child's standard error is
// read and thrown away so the child cannot block on it. The child's pipes
// are closed before returning. A child that could not be started or that
// ended unsuccessfully is reported in one line on standard error.
String DoProcess(const String& command, int flags);

// Regenerates the installation's documentation with its own generator,
// tlwndir + "/bin/makedocs", and waits for it; the generator's output is
// discarded.
void RebuildDocumentation(const String& tlwndir);

}  // namespace qm
