#include "system/stream_factory.h"

#include <vector>

#include "system/cstream.h"
#include "system/protocol_handlers.h"
#include "system/stream_wrapper.h"
#include "system/strings.h"

namespace qm {
namespace {

// Oldest first; asked from the back. Built on first use with the handlers
// the stream layer itself provides, and never destroyed, so streams can
// still be opened by end-of-program functions.
std::vector<std::unique_ptr<TStreamFactory>>& Handlers() {
  static auto* const handlers = [] {
    auto* list = new std::vector<std::unique_ptr<TStreamFactory>>();
    list->push_back(std::make_unique<IncbinStreamFactory>());
    list->push_back(std::make_unique<TextStreamFactory>());
    return list;
  }();
  return *handlers;
}

}  // namespace

void AddStreamFactory(std::unique_ptr<TStreamFactory> factory) {
  if (factory) Handlers().push_back(std::move(factory));
}

StreamPtr OpenStream(const String& url, bool readable, bool writeable) {
  const int separator = url.empty() ? -1 : Find(url, u"::");
  if (separator < 0) return TCStream::OpenFile(url, readable, writeable);
  const String protocol = Lower(url.substr(0, static_cast<std::size_t>(separator)));
  const String path = url.substr(static_cast<std::size_t>(separator) + 2);
  auto& handlers = Handlers();
  // By index: a handler may open a nested URL and so re-enter this list.
  for (std::size_t i = handlers.size(); i-- > 0;) {
    if (StreamPtr stream = handlers[i]->CreateStream(url, protocol, path, readable, writeable)) return stream;
  }
  return nullptr;
}

StreamPtr OpenStream(StreamPtr stream, bool, bool) {
  if (!stream) return nullptr;
  return std::make_unique<TStreamWrapper>(std::move(stream));
}

StreamPtr ReadStream(const String& url) { return OpenStream(url, true, false); }

StreamPtr WriteStream(const String& url) { return OpenStream(url, false, true); }

}  // namespace qm
