#include "system/fix_path.h"

#include "system/strings.h"

namespace qm {

String FixPath(const String& path, bool directory) {
  String fixed = Replace(path, u"\\", u"/");
  if (directory && fixed.size() > 1 && fixed.back() == u'/') fixed.pop_back();
  return fixed;
}

std::optional<std::string> SystemPath(const String& path, bool directory) {
  const String fixed = FixPath(path, directory);
  for (const char16_t unit : fixed) {
    if (unit == 0 || unit > 255) return std::nullopt;
  }
  return ToByteString(fixed);
}

}  // namespace qm
