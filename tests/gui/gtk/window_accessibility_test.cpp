// The main window as assistive technology reads it: the real program runs
// under the private X server with the accessibility bus of a D-Bus session
// of its own, and a small AT-SPI client (read_accessible_window.py) reports
// the accessible tree, the keyboard's path through the window and what
// BUILD's accessible action does.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/gtk/private_display.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

extern char** environ;

namespace qm {
namespace {

using namespace qm::testing;

TEST(WindowAccessibility, RolesNamesLabelKeysAndBuildActionOverAtSpi) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ScratchDir scratch("atspi");
  const auto app = scratch.path() / "app", inst = scratch.path() / "sample";
  std::filesystem::create_directories(app);
  CopiedApplication(app);
  CopySampleInstallation(inst);
  const std::string settings = inst.string() + "\r\n0\r\n";
  WriteBytes(app / "config.txt", settings);

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  const ProgramResult run = RunProgramForTest(
      {"/usr/bin/dbus-run-session", "--", "/usr/bin/python3", QM_SOURCE_DIR "/tests/gui/gtk/read_accessible_window.py",
       (app / "Quillmere").string(), app.string()},
      env);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  std::vector<std::string> lines;
  std::istringstream out(run.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  const auto has = [&](const std::string& line) { return std::count(lines.begin(), lines.end(), line) == 1; };

  const std::string path = inst.string();
  // The sample's command list holds one command a line.
  const std::string list = ReadBytes(inst / "docs/html/Modules/commands.txt");
  const auto commands = std::count(list.begin(), list.end(), '\n');
  for (const std::string& want : std::vector<std::string>{
           "control|label|Tallowin Path", "control|label|" + path, "control|check box|Rebuild docs",
           "control|push button|Change", "control|push button|BUILD", "control|push button|CLOSE",
           "control|label|Indexes and searches the Tallowin documentation.",
           // The caption and the path it names point at each other.
           "label-for|Tallowin Path|" + path, "labelled|" + path + "|Tallowin Path",
           // Tab from "Change" goes down the window and round again; Return presses the focused box.
           "focus|Rebuild docs", "focus|BUILD", "focus|CLOSE", "focus|Change", "enter|Rebuild docs|0|1",
           // BUILD's accessible action built and counted the index.
           "title|Quillmere v.1.2 Items: " + std::to_string(commands),
           // Escape ended the program as the close box does, saving nothing.
           "exit|0"}) {
    EXPECT_TRUE(has(want)) << "missing: " << want << "\n" << run.out << run.err;
  }
  const auto focus = std::find(lines.begin(), lines.end(), "focus|Rebuild docs");
  EXPECT_EQ(std::vector<std::string>(focus, focus + std::min<long>(4, lines.end() - focus)),
            (std::vector<std::string>{"focus|Rebuild docs", "focus|BUILD", "focus|CLOSE", "focus|Change"}));
  EXPECT_EQ(ReadBytes(app / "config.txt"), settings);
}

}  // namespace
}  // namespace qm
