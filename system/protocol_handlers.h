#pragma once
#include "system/stream_factory.h"

namespace qm {

// "incbin::name": the registered embedded data, read-only. The name must
// match the registered one exactly.
class IncbinStreamFactory : public TStreamFactory {
 public:
  StreamPtr CreateStream(const String& url, const String& protocol, const String& path, bool readable,
                         bool writeable) override;
};

// "latin1::", "utf8::", "utf16be::", "utf16le::" followed by any URL: that
// URL opened and wrapped in a text stream with the encoding.
class TextStreamFactory : public TStreamFactory {
 public:
  StreamPtr CreateStream(const String& url, const String& protocol, const String& path, bool readable,
                         bool writeable) override;
};

}  // namespace qm
