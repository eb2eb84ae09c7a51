#include "system/protocol_handlers.h"

#include <cstdint>

#include "system/incbin.h"
#include "system/ram_stream.h"
#include "system/text_stream.h"

namespace qm {

StreamPtr IncbinStreamFactory::CreateStream(const String&, const String& protocol, const String& path, bool,
                                             bool writeable) {
  if (protocol != u"incbin" || writeable) return nullptr;
  const void* data = IncbinPtr(path);
  if (data == nullptr) return nullptr;
  return TRamStream::Create(data, static_cast<std::int64_t>(IncbinLen(path)));
}

StreamPtr TextStreamFactory::CreateStream(const String&, const String& protocol, const String& path, bool readable,
                                           bool writeable) {
  int encoding = 0;
  if (protocol == u"latin1") {
    encoding = TTextStream::LATIN1;
  } else if (protocol == u"utf8") {
    encoding = TTextStream::UTF8;
  } else if (protocol == u"utf16be") {
    encoding = TTextStream::UTF16BE;
  } else if (protocol == u"utf16le") {
    encoding = TTextStream::UTF16LE;
  } else {
    return nullptr;
  }
  StreamPtr inner = OpenStream(path, readable, writeable);
  if (!inner) return nullptr;
  return TTextStream::Create(std::move(inner), encoding);
}

}  // namespace qm
