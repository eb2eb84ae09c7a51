// The settings file's bytes: what counts as settings, and what can be saved
// so that it reads back the same.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/shell/settings.h"
#include "system/strings.h"

namespace qm {
namespace {

TEST(SettingsBytes, ParsedOrCountedAsNone) {
  struct Case {
    std::string bytes;
    std::optional<std::pair<std::string, std::string>> expected;
  };
  const Case cases[] = {
      {"/opt/tlwn\r\n1\r\n", std::pair{"/opt/tlwn", "1"}},
      {"/opt/tlwn\n1\n", std::pair{"/opt/tlwn", "1"}},
      {"/opt/t\rlwn  \r\n\r\n", std::pair{"/opt/tlwn  ", "0"}},
      {"/opt/tlwn", std::pair{"/opt/tlwn", "0"}},
      {"/caf\xE9\tx\r\n-1\r\nmore\r\n", std::pair{"/caf\xE9\tx", "-1"}},
      {"\r\n 1x\r\n", std::pair{"", "1"}},
      {"", std::nullopt},
      {std::string("/opt\0/x\r\n1\r\n", 11), std::nullopt},
      {"/opt/x\r\n1\x1B\r\n", std::nullopt},
      {"\x7F\x45LF\x02\x01", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseSettings(c.bytes);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.bytes;
    if (!parsed) continue;
    EXPECT_EQ(ToByteString(parsed->dir), c.expected->first) << c.bytes;
    EXPECT_EQ(ToByteString(parsed->rebuild), c.expected->second) << c.bytes;
  }
}

TEST(SettingsBytes, OnlyFoldersThatReadBackTheSameAreSaved) {
  EXPECT_EQ(FormatSettings({u"", u"0"}), std::string("\x0D\x0A\x30\x0D\x0A"));
  EXPECT_EQ(FormatSettings({u"/caf\u00E9 x", u" 1x"}), std::string("/caf\xE9 x\r\n1\r\n"));
  for (const String& dir : {String(u"/a\nb"), String(u"/a\rb"), String(u"/a\u0000b", 4), String(u"/\u0101")}) {
    EXPECT_FALSE(FormatSettings({dir, u"1"}).has_value());
  }
}

}  // namespace
}  // namespace qm

#include <filesystem>

#include "app/index/catalogue.h"
#include "support/files.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchDir;
using testing::WriteBytes;

// A program folder that cannot be written: the user's own file wins, the
// administrator's default beside the program is read until it exists, and
// saving creates the user's file.
TEST(SettingsLocations, UserFileFirstThenTheDefaultBesideTheProgram) {
  ScratchDir scratch("settings-places");
  const fs::path program = scratch.path() / "lib";
  const fs::path user = scratch.path() / "config/quillmere/config.txt";
  const FileLocations previous = SettingsLocations();
  UseSettingsLocations({false, user.string(), (program / "config.txt").string(), scratch.path().string()});
  const auto load = [] {
    tlwndir = u"unset";
    buildDoc = u"0";
    LoadInfo();
    return ToByteString(tlwndir) + "|" + ToByteString(buildDoc);
  };
  EXPECT_EQ(load(), "unset|0");
  WriteBytes(program / "config.txt", "/opt/site\r\n1\r\n");
  EXPECT_EQ(load(), "/opt/site|1");
  tlwndir = u"/home/me/tlwn";
  buildDoc = u"0";
  String error;
  ASSERT_TRUE(WriteSettings(&error)) << ToUtf8(error);
  EXPECT_EQ(ReadBytes(user), "/home/me/tlwn\r\n0\r\n");
  EXPECT_EQ(load(), "/home/me/tlwn|0");
  // A damaged user file is no settings; the default is not read instead.
  WriteBytes(user, std::string("\0\0\0", 3));
  EXPECT_EQ(load(), "unset|0");
  // A folder that cannot be created is reported with its path.
  fs::remove_all(scratch.path() / "config");
  WriteBytes(scratch.path() / "config", "a file where the folder belongs");
  EXPECT_FALSE(WriteSettings(&error));
  EXPECT_NE(ToUtf8(error).find(user.string()), std::string::npos) << ToUtf8(error);
  UseSettingsLocations(previous);
}

}  // namespace
}  // namespace qm
