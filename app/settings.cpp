#include "app/settings.h"

#include "app/catalogue.h"
#include "system/atomic_file.h"
#include "system/filesystem.h"
#include "system/strings.h"

namespace qm {

namespace {
const char16_t kSettingsFile[] = u"config.txt";
}

void LoadInfo() {
  StreamPtr stream = ReadFile(kSettingsFile);
  if (!stream) return;
  tlwndir = stream->ReadLine();
  buildDoc = FromInt(ToInt(stream->ReadLine()));
  CloseFile(stream);
}

void SaveInfo() {
  std::string bytes = ToByteString(tlwndir) + "\r\n";
  bytes += ToByteString(FromInt(ToInt(buildDoc))) + "\r\n";
  WriteFileAtomically(kSettingsFile, bytes, nullptr);
}

}  // namespace qm
