#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "app/shell/file_locations.h"
#include "system/object.h"

namespace qm {

// The two remembered settings, each line ended by CR LF: the installation
// directory, then the "Rebuild docs" choice as a decimal number.
struct StoredSettings {
  String dir;
  String rebuild = u"0";
};

// A settings file larger than this is damaged: two lines hold two paths.
inline constexpr std::size_t kMaxSettingsBytes = 65536;

// The settings in a file's bytes, or nothing when the file is empty or
// damaged (a NUL or another control byte than tab, CR and LF): such a file
// counts as no settings at all. A line ends at LF; CRs are dropped; lines
// after the second are ignored.
std::optional<StoredSettings> ParseSettings(std::string_view bytes);
// The file's bytes, or nothing when dir cannot be stored so that it reads
// back the same (a line end or NUL in it, or a unit above U+00FF).
std::optional<std::string> FormatSettings(const StoredSettings& settings);

// Where the settings are read and saved from now on; chosen once at
// start-up. Until then the file is "config.txt" in the working directory.
void UseSettingsLocations(const FileLocations& places);
const FileLocations& SettingsLocations();

// Removes the temporary files that runs killed while saving the settings
// left beside the settings file (those of a writer that still runs stay).
// The number removed.
int RemoveLeftoverSettingsTemporaries();

// Loads tlwndir and buildDoc; a missing, unreadable or damaged file (not a
// regular file, too large, binary) leaves them as they are.
void LoadInfo();
// Rewrites the whole file from tlwndir and buildDoc; an existing file is
// only ever replaced by a complete one. false, with the reason, when the
// settings could not be saved.
bool WriteSettings(String* error = nullptr);
// As WriteSettings, and a failure is shown as a notice (on standard error
// without a display).
void SaveInfo();

}  // namespace qm
