#include "app/shell/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/index/catalogue.h"
#include "system/atomic_file.h"
#include "system/strings.h"
#include "system/system_driver.h"

namespace qm {

namespace {

FileLocations& Places() {
  static FileLocations places{true, "config.txt", "", "."};
  return places;
}

bool IsDamagingByte(unsigned char byte) {
  return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
}

// The next line: up to LF or the end, with every CR dropped.
std::string_view::size_type NextLine(std::string_view bytes, std::string_view::size_type at, std::string& line) {
  line.clear();
  while (at < bytes.size() && bytes[at] != '\n') {
    if (bytes[at] != '\r') line += bytes[at];
    ++at;
  }
  return at < bytes.size() ? at + 1 : at;
}

enum class FileState { kMissing, kDamaged, kRead };

// Reads a settings file without ever blocking on it (a named pipe) or
// reading more than a settings file can hold.
FileState ReadSettingsFile(const std::string& path, std::string& bytes) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileState::kMissing : FileState::kDamaged;
  struct stat info {};
  FileState state = FileState::kDamaged;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
      static_cast<std::size_t>(info.st_size) <= kMaxSettingsBytes) {
    bytes.resize(kMaxSettingsBytes + 1);
    std::size_t got = 0;
    ssize_t n = 0;
    while (got < bytes.size() && (n = read(fd, bytes.data() + got, bytes.size() - got)) != 0) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    if (n >= 0 && got <= kMaxSettingsBytes) state = FileState::kRead;
  }
  close(fd);
  return state;
}

}  // namespace

std::optional<StoredSettings> ParseSettings(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  for (const char byte : bytes) {
    if (IsDamagingByte(static_cast<unsigned char>(byte))) return std::nullopt;
  }
  std::string dir, rebuild;
  NextLine(bytes, NextLine(bytes, 0, dir), rebuild);
  return StoredSettings{FromBytes(dir), FromInt(ToInt(FromBytes(rebuild)))};
}

std::optional<std::string> FormatSettings(const StoredSettings& settings) {
  for (const char16_t unit : settings.dir) {
    if (unit > 0xFF || unit == u'\r' || unit == u'\n' || IsDamagingByte(static_cast<unsigned char>(unit))) {
      return std::nullopt;
    }
  }
  return ToByteString(settings.dir) + "\r\n" + ToByteString(FromInt(ToInt(settings.rebuild))) + "\r\n";
}

void UseSettingsLocations(const FileLocations& places) { Places() = places; }

const FileLocations& SettingsLocations() { return Places(); }

void LoadInfo() {
  std::string bytes;
  FileState state = ReadSettingsFile(Places().settings_file, bytes);
  if (state == FileState::kMissing && !Places().settings_default.empty()) {
    state = ReadSettingsFile(Places().settings_default, bytes);
  }
  if (state != FileState::kRead) return;
  const auto settings = ParseSettings(bytes);
  if (!settings) return;
  tlwndir = settings->dir;
  buildDoc = settings->rebuild;
}

bool WriteSettings(String* error) {
  const String path = FromBytes(Places().settings_file);
  const auto fail = [&](const String& reason) {
    if (error) *error = path + u": " + reason;
    return false;
  };
  const auto bytes = FormatSettings(StoredSettings{tlwndir, buildDoc});
  if (!bytes) return fail(u"the folder's name cannot be stored in the settings file");
  if (!Places().beside_program) {
    const std::string& file = Places().settings_file;
    const std::string dir = file.substr(0, file.rfind('/'));
    if (!MakeDirectories(dir)) return fail(u"cannot create the folder " + FromBytes(dir));
  }
  String reason;
  if (!WriteFileAtomically(path, *bytes, &reason)) {
    if (error) *error = reason;
    return false;
  }
  return true;
}

void SaveInfo() {
  String error;
  if (!WriteSettings(&error)) Notify(u"The settings could not be saved: " + error, 0);
}

}  // namespace qm
