#include "app/index/button_link.h"

namespace qm {

namespace {

bool NeedsPercentEscape(unsigned char byte) {
  return byte < 0x20 || byte >= 0x7F || byte == '%' || byte == '#' || byte == '?' || byte == '\\';
}

}  // namespace

String RebuildLinkHtml(const String& path) {
  static const char16_t kHex[] = u"0123456789ABCDEF";
  String link = u"<a href='";
  for (const char16_t unit : path) {
    // The file system sees each unit as its low byte.
    const auto byte = static_cast<unsigned char>(unit & 0xFF);
    if (NeedsPercentEscape(byte)) {
      link += u'%';
      link += kHex[byte >> 4];
      link += kHex[byte & 0xF];
    } else if (byte == '&') {
      link += u"&amp;";
    } else if (byte == '\'') {
      link += u"&#39;";
    } else {
      link += static_cast<char16_t>(byte);
    }
  }
  return link + u"'>Rebuild index</a>";
}

}  // namespace qm
