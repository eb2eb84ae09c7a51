// The main window as assistive technology reads it: the real program runs
// under the private X server with the accessibility bus of a D-Bus session
// of its own, and a small AT-SPI client (read_accessible_window.py) reports
// the accessible tree, the keyboard's path through the window and what
// BUILD's accessible action does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
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

namespace fs = std::filesystem;
using namespace qm::testing;

TEST(WindowAccessibility, RolesNamesLabelKeysAndBuildActionOverAtSpi) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ScratchDir scratch("atspi");
  const fs::path app = scratch.path() / "app";
  const fs::path inst = scratch.path() / "sample";
  fs::create_directories(app);
  CopiedApplication(app);
  CopySampleInstallation(inst);
  WriteBytes(app / "config.txt", inst.string() + "\r\n0\r\n");

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  const std::string script = std::string(QM_SOURCE_DIR) + "/tests/gui/gtk/read_accessible_window.py";
  const ProgramResult run = RunProgramForTest(
      {"/usr/bin/dbus-run-session", "--", "/usr/bin/python3", script, (app / "Quillmere").string(), app.string()}, env);
  ASSERT_EQ(run.status, 0) << run.out << run.err;

  std::set<std::string> lines;
  std::istringstream out(run.out);
  for (std::string line; std::getline(out, line);) lines.insert(line);
  for (const std::string& want : {
           std::string("control|label|Tallowin Path"),
           "control|label|" + inst.string(),
           std::string("control|check box|Rebuild docs"),
           std::string("control|push button|Change"),
           std::string("control|push button|BUILD"),
           std::string("control|push button|CLOSE"),
           std::string("control|label|Indexes and searches the Tallowin documentation."),
           "label-for|Tallowin Path|" + inst.string(),
           "labelled|" + inst.string() + "|Tallowin Path",
           std::string("enter|Rebuild docs|0|1"),
           std::string("exit|0"),
       }) {
    EXPECT_TRUE(lines.count(want)) << "missing: " << want << "\n" << run.out << run.err;
  }
  // BUILD through its accessible action built the index and counted it in the title.
  const std::string built = "title|Quillmere v.1.2 Items: ";
  auto title = lines.lower_bound(built);
  ASSERT_TRUE(title != lines.end() && title->rfind(built, 0) == 0) << run.out;
  EXPECT_GT(std::stoi(title->substr(built.size())), 100);
  EXPECT_TRUE(fs::exists(inst / "docs/html/Modules/command.js"));
  // Tab from "Change" goes down the window and round again.
  std::vector<std::string> focus;
  std::istringstream again(run.out);
  for (std::string line; std::getline(again, line);) {
    if (line.rfind("focus|", 0) == 0) focus.push_back(line.substr(6));
  }
  EXPECT_EQ(focus, (std::vector<std::string>{"Rebuild docs", "BUILD", "CLOSE", "Change"})) << run.out;
  // Escape ends the program as the close box does: nothing is saved.
  EXPECT_EQ(ReadBytes(app / "config.txt"), inst.string() + "\r\n0\r\n");
}

}  // namespace
}  // namespace qm
