// The settings file's bytes: what counts as settings, and what can be saved
// so that it reads back the same.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/settings.h"
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
