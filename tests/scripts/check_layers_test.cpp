// The layering check: a fabricated source tree with one include each, run
// through scripts/check-layers.
#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace {

using qm::testing::HeadlessEnvironment;
using qm::testing::RunProgramForTest;
using qm::testing::ScratchDir;
using qm::testing::WriteBytes;

struct IncludeCase {
  const char* file;
  const char* include;
  const char* complaint;  // empty when the include is allowed
};

TEST(CheckLayers, ReportsEveryIncludeAgainstTheLayeringAndNothingElse) {
  const IncludeCase cases[] = {
      {"system/a.h", "#include \"gui/event.h\"", "system/ may include only from: system"},
      {"system/b.cpp", "#include \"../process/fd.h\"", "system/ may include only from: system"},
      {"process/a.cpp", "#include \"app/settings.h\"", "process/ may include only from: process system"},
      {"process/b.cpp", "#include \"gui/event.h\"", "process/ may include only from: process system"},
      {"gui/a.h", "#include \"gui/gtk/gtk_screen.h\"", "gui/ may include only from: gui system"},
      {"gui/b.cpp", "#include <gtk/gtk.h>", "includes the toolkit header <gtk/gtk.h>"},
      {"app/a.cpp", "  #  include <gdk/gdk.h>", "includes the toolkit header <gdk/gdk.h>"},
      {"app/b.cpp", "#include <glib-object.h>", "includes the toolkit header <glib-object.h>"},
      {"resources/a.cpp", "#include \"system/strings.h\"", "resources/ may include only from: resources"},
      {"system/c.h", "#include \"tests/helper.h\"", "which is in no layer"},
      {"app/index/a.cpp", "#include \"app/shell/options.h\"", "app/index/ may include only from the rooms: index"},
      {"app/rebuild/a.cpp", "#include \"app/index/catalogue.h\"", "app/rebuild/ may include only from the rooms"},
      {"app/export/a.cpp", "#include \"app/index/catalogue.h\"", ""},
      {"gui/gtk/a.cpp", "#include <gtk/gtk.h>", ""},
      {"gui/gtk/b.cpp", "#include \"gui/gadget.h\"", ""},
      {"gui/c.h", "#include \"c.h\"", ""},  // found beside the including file
      {"app/c.cpp", "#include \"gui/gtk/gtk_startup.h\"", ""},
      {"app/d.cpp", "#include \"resources/embedded.h\"", ""},
      {"process/c.cpp", "#include \"system/fd.h\"", ""},
      {"system/d.cpp", "#include <gtest/gtest.h>", ""},
  };
  const std::string script = std::string(QM_SOURCE_DIR) + "/scripts/check-layers";
  for (const IncludeCase& c : cases) {
    SCOPED_TRACE(std::string(c.file) + ": " + c.include);
    ScratchDir tree("check-layers");
    WriteBytes(tree.path() / c.file, std::string("#pragma once\n") + c.include + "\n");
    const auto result = RunProgramForTest({"/bin/bash", script, tree.path().string()}, HeadlessEnvironment());
    if (*c.complaint == '\0') {
      EXPECT_EQ(result.status, 0) << result.err;
      EXPECT_EQ(result.err, "");
    } else {
      EXPECT_EQ(result.status, 1);
      EXPECT_NE(result.err.find(std::string(c.file) + ":2: "), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(c.complaint), std::string::npos) << result.err;
    }
  }
}

}  // namespace
