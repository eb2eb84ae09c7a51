#include "app/shell/settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/index/catalogue.h"
#include "system/atomic_file.h"
#include "system/output_set.h"
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

namespace {

// Earlier versions named a settings temporary ".config.txt.tmp-<pid>-<n>";
// the writer of one, or 0 when name is not one.
pid_t OldTemporaryWriter(const std::string& name, const std::string& file) {
  const std::string prefix = "." + file + ".tmp-";
  if (name.rfind(prefix, 0) != 0) return 0;
  const std::string tail = name.substr(prefix.size());
  const std::size_t dash = tail.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == tail.size() ||
      tail.find_first_not_of("0123456789-") != std::string::npos || tail.find('-', dash + 1) != std::string::npos)
    return 0;
  return static_cast<pid_t>(std::atol(tail.substr(0, dash).c_str()));
}

}  // namespace

int RemoveLeftoverSettingsTemporaries() {
  const std::string& path = Places().settings_file;
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  int removed = RemoveLeftoverTemporaries(dir, true);
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) return removed;
  std::vector<std::string> doomed;
  while (const dirent* entry = readdir(listing)) {
    const pid_t writer = OldTemporaryWriter(entry->d_name, file);
    // kill with signal 0 only asks whether the writer still runs.
    if (writer > 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH)
      doomed.push_back(dir + "/" + entry->d_name);
  }
  closedir(listing);
  for (const auto& name : doomed) {
    struct stat info {};
    if (lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(name.c_str()) == 0) ++removed;
  }
  return removed;
}

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
