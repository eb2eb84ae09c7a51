// A build that changes the catalogue, stopped by a signal right after each
// step that changes a file (every write of a temporary file, every rename),
// then one following start of the program: the index must be the whole old
// or the whole new catalogue, and no temporary file may be left.
#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::HeadlessEnvironment;
using testing::ReadBytes;
using testing::RunProgramForTest;
using testing::WriteBytes;

// The steps of one build that change files: fifteen outputs written to
// temporary files (the full-text index of the sample is four of them; the
// working copy of the button script is written and renamed among them), the
// journal written and renamed, fifteen renames. The suite checks that this
// is still the count.
constexpr int kFileSteps = 34;
const char* const kIndexFiles[] = {"command.js", "links.js", "modules.js", "mod.js"};

std::string CommandList(const std::string& prefix, int count, int modules) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(1000 + i);
    list += name + "|/docs/html/Modules/m" + std::to_string(i % modules) + ".x/index.html#" + name + "\n";
  }
  return list;
}

using IndexFiles = std::vector<std::string>;

// The index files of an installation under root. Every link begins with
// the installation's path, so the path is taken out: copies compare equal.
IndexFiles ReadIndex(const fs::path& root, const fs::path& inst) {
  IndexFiles files;
  const std::string prefix = root.string() + "/";
  for (const char* name : kIndexFiles) {
    std::string bytes = ReadBytes(inst / "docs/html/Modules" / name);
    for (std::size_t at = 0; (at = bytes.find(prefix, at)) != std::string::npos;) {
      const std::size_t end = bytes.find("/inst/", at + prefix.size());
      if (end == std::string::npos) break;
      bytes.replace(at, end + 5 - at, "<inst>");
    }
    files.push_back(bytes);
  }
  return files;
}

// The quoted elements of "var name=new Array(...);", or -1 when the file
// does not hold exactly such an array.
int ArrayLength(const std::string& file, const std::string& name) {
  const std::string head = "var " + name + "=new Array(";
  if (file.rfind(head, 0) != 0 || file.size() < head.size() + 2 || file.substr(file.size() - 2) != ");") return -1;
  int count = 0;
  std::size_t at = head.size();
  const std::size_t end = file.size() - 2;
  while (at < end) {
    if (file[at] != '"') return -1;
    for (++at; at < end && file[at] != '"'; ++at)
      if (file[at] == '\\') ++at;
    if (at >= end) return -1;
    ++count;
    if (++at < end && file[at++] != ',') return -1;
  }
  return count;
}

// Names of files a build writes only while it runs.
std::vector<fs::path> Leftovers(const fs::path& root) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".quillmere-tmp-") != std::string::npos || name == ".quillmere-commit") found.push_back(entry.path());
  }
  return found;
}

std::vector<std::string> Environment(const std::string& extra) {
  auto env = HeadlessEnvironment();
  // A preloaded library comes before the sanitizer runtime; that is fine.
  bool asan = false;
  for (auto& entry : env)
    if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
      entry += ":verify_asan_link_order=0";
      asan = true;
    }
  if (!asan) env.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
  std::istringstream words(extra);
  for (std::string word; words >> word;) env.push_back(word);
  return env;
}

struct KillPoint {
  int signal;
  int step;
};

class InterruptedBuild : public ::testing::TestWithParam<KillPoint> {
 protected:
  // One installation holding the index of the old catalogue and the command
  // list of the new one, copied for every kill point, and the index files
  // of both catalogues.
  static void SetUpTestSuite() {
    root_ = fs::path("/tmp") / ("quillmere-interrupted-" + std::to_string(getpid()));
    fs::remove_all(root_);
    const fs::path base = root_ / "template";
    MakeInstallation(base);
    WriteBytes(base / "inst/docs/html/Modules/commands.txt", CommandList("OldCommand", 300, 7));
    ASSERT_EQ(Build(base, "").status, 0);
    old_ = ReadIndex(root_, base / "inst");
    WriteBytes(base / "inst/docs/html/Modules/commands.txt", CommandList("New", 200, 5));
    const fs::path fresh = root_ / "fresh";
    CopyInstallation(base, fresh);
    const fs::path log = root_ / "steps.log";
    ASSERT_EQ(Build(fresh, "QM_FAULT_LOG=" + log.string()).status, 0);
    new_ = ReadIndex(root_, fresh / "inst");
    std::ifstream lines(log);
    steps_ = static_cast<int>(std::count(std::istreambuf_iterator<char>(lines), {}, '\n'));
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }

  static void MakeInstallation(const fs::path& dir) {
    fs::create_directories(dir / "app");
    fs::create_directories(dir / "inst/docs/html/Modules");
    // A link is quicker than a copy and is still a program in its own folder.
    std::error_code error;
    fs::create_hard_link(QM_EXECUTABLE, dir / "app/Quillmere", error);
    if (error) fs::copy_file(QM_EXECUTABLE, dir / "app/Quillmere");
    WriteBytes(dir / "app/config.txt", (dir / "inst").string() + "\r\n0\r\n");
  }
  static void CopyInstallation(const fs::path& from, const fs::path& to) {
    MakeInstallation(to);
    fs::copy(from / "inst", to / "inst", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  static testing::ProgramResult Build(const fs::path& dir, const std::string& env) {
    return RunProgramForTest({(dir / "app/Quillmere").string(), "go"},
                             Environment("LD_PRELOAD=" + std::string(QM_KILL_SHIM) + " " + env), dir.string());
  }
  // A start that builds nothing: without a display the window cannot open.
  static testing::ProgramResult Start(const fs::path& dir) {
    return RunProgramForTest({(dir / "app/Quillmere").string()}, HeadlessEnvironment(), dir.string());
  }

  static fs::path root_;
  static IndexFiles old_, new_;
  static int steps_;
};

fs::path InterruptedBuild::root_;
IndexFiles InterruptedBuild::old_;
IndexFiles InterruptedBuild::new_;
int InterruptedBuild::steps_ = 0;

TEST_P(InterruptedBuild, LeavesTheWholeOldOrTheWholeNewIndex) {
  ASSERT_EQ(steps_, kFileSteps) << "the build changed; cover every step it takes";
  ASSERT_EQ(ArrayLength(old_[0], "commands"), 300);
  ASSERT_EQ(ArrayLength(new_[0], "commands"), 200);
  const auto [signal, step] = GetParam();
  const fs::path dir = root_ / ("kill-" + std::to_string(signal) + "-" + std::to_string(step));
  CopyInstallation(root_ / "template", dir);
  const auto killed = Build(dir, "QM_FAULT_AT=" + std::to_string(step) + " QM_FAULT_SIGNAL=" + std::to_string(signal));
  const IndexFiles right_after = ReadIndex(root_, dir / "inst");
  if (signal == SIGKILL) {
    EXPECT_EQ(killed.status, -1) << "not killed at step " << step << "\n" << killed.err;
  } else {
    // A handled signal ends the program at once and takes its temporary
    // files with it, or waits for the renames to finish.
    EXPECT_EQ(killed.status, 255) << killed.err;
    EXPECT_TRUE(right_after == old_ || right_after == new_) << "a mixed index after signal " << signal;
    EXPECT_EQ(Leftovers(dir), std::vector<fs::path>{});
  }

  const auto next = Start(dir);
  EXPECT_EQ(next.status, 1) << next.err;
  const IndexFiles index = ReadIndex(root_, dir / "inst");
  const bool whole_old = index == old_;
  EXPECT_TRUE(whole_old || index == new_) << "step " << step << ": neither the old nor the new index";
  const int length = ArrayLength(index[0], "commands");
  EXPECT_EQ(ArrayLength(index[1], "links"), length);
  EXPECT_EQ(ArrayLength(index[2], "modules"), length);
  EXPECT_EQ(Leftovers(dir), std::vector<fs::path>{});
  if (right_after != old_ && right_after != new_) {
    // Killed halfway through the renames: the start completed the set.
    EXPECT_FALSE(whole_old);
    EXPECT_NE(next.err.find("Completed an interrupted update of the index"), std::string::npos) << next.err;
  }
  fs::remove_all(dir);
}

std::vector<KillPoint> KillPoints() {
  std::vector<KillPoint> points;
  for (int step = 1; step <= kFileSteps; ++step) points.push_back({SIGKILL, step});
  // SIGTERM while a temporary file is written, and during the renames.
  for (int step : {4, 16}) points.push_back({SIGTERM, step});
  return points;
}

INSTANTIATE_TEST_SUITE_P(EveryFileStep, InterruptedBuild, ::testing::ValuesIn(KillPoints()),
                         [](const ::testing::TestParamInfo<KillPoint>& info) {
                           return std::string(info.param.signal == SIGKILL ? "Kill" : "Term") + "AfterStep" +
                                  std::to_string(info.param.step);
                         });

}  // namespace
}  // namespace qm
