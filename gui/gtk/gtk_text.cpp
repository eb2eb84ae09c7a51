#include "gui/gtk/gtk_text.h"

#include "system/display_text.h"

namespace qm {

std::string ToGtkText(const String& text) { return DisplayUtf8(text); }

String FromGtkText(const char* utf8) {
  if (!utf8) return String();
  return FromDisplayUtf8(utf8);
}

}  // namespace qm
