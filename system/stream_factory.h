#pragma once
#include <memory>

#include "system/stream.h"

namespace qm {

// A protocol handler for URLs of the form protocol "::" path.
class TStreamFactory {
 public:
  virtual ~TStreamFactory() = default;
  // A stream for the URL, or null to let the next handler try. protocol is
  // already lower-cased; path is everything after the first "::", untouched.
  virtual StreamPtr CreateStream(const String& url, const String& protocol, const String& path, bool readable,
                                 bool writeable) = 0;
};

// Puts a handler at the head of the handler list: the most recently added
// handler is asked first. The list starts with the embedded-data handler
// ("incbin") and the text-encoding handlers ("latin1", "utf8", "utf16be",
// "utf16le"), registered once on first use of the list.
void AddStreamFactory(std::unique_ptr<TStreamFactory> factory);

// A plain path (no "::") opens a file stream directly; a URL goes to the
// handlers. Null when nothing could open it.
StreamPtr OpenStream(const String& url, bool readable, bool writeable);
// An existing stream handed over as a URL comes back behind a pass-through
// wrapper that owns it.
StreamPtr OpenStream(StreamPtr stream, bool readable, bool writeable);
StreamPtr ReadStream(const String& url);
StreamPtr WriteStream(const String& url);

}  // namespace qm
