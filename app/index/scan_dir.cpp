#include "app/index/scan_dir.h"

#include "system/filesystem.h"
#include "system/strings.h"

namespace qm {

std::vector<String> ScanDir(const String& dir, const String& ext) {
  String base = dir.empty() ? CurrentDir() : dir;
  if (Right(base, 1) != u"\\") base += u"\\";
  std::vector<String> paths;
  const int handle = ReadDir(base);
  if (handle == 0) return paths;
  for (String name = NextFile(handle); !name.empty(); name = NextFile(handle)) {
    const String path = base + name;
    if (FileType(path) == 1 && ExtractExt(path) == ext) paths.push_back(path);
  }
  CloseDir(handle);
  return paths;
}

}  // namespace qm
