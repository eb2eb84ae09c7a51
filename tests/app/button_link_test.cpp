// The "Rebuild index" link for any program path.
#include <gtest/gtest.h>

#include <string>

#include "app/index/index_writer.h"
#include "system/strings.h"

namespace qm {
namespace {

TEST(RebuildLink, EveryPathGivesAWorkingScriptAndPlainPathsKeepTheirBytes) {
  struct Case {
    std::string path;
    std::string href;  // as it stands inside the script
  };
  const Case cases[] = {
      {"/Apps/Quillmere", "/Apps/Quillmere"},
      {"/home/me/my tools (2)/Quillmere", "/home/me/my tools (2)/Quillmere"},
      {"/home/me/John's tools/Quillmere", "/home/me/John&#39;s tools/Quillmere"},
      {"/home/me/\"q\"/Quillmere", "/home/me/\\\"q\\\"/Quillmere"},
      {"/a&b/Quillmere", "/a&amp;b/Quillmere"},
      {"/C# 100%?/Quillmere", "/C%23 100%25%3F/Quillmere"},
      {"/back\\slash/Quillmere", "/back%5Cslash/Quillmere"},
      {"/caf\xC3\xA9\n/Quillmere", "/caf%C3%A9%0A/Quillmere"},
      {"/<b>/Quillmere", "/<b>/Quillmere"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToByteString(ButtonScript(FromBytes(c.path))),
              "document.write(\"<a href='" + c.href + "'>Rebuild index</a>\");")
        << c.path;
  }
}

}  // namespace
}  // namespace qm
