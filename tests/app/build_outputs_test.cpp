// Whole-program builds that meet another build of the same installation or
// outputs that are symbolic links.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using testing::HeadlessEnvironment;
using testing::ProgramResult;
using testing::ReadBytes;
using testing::RunProgramForTest;
using testing::ScratchDir;
using testing::WriteBytes;

std::string CommandList(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    const std::string name = "Command" + std::to_string(100000 + i);
    list += name + "|/docs/html/Modules/m" + std::to_string(i % 9) + ".x/index.html#" + name + "\n";
  }
  return list;
}

class BuildOutputs : public ::testing::Test {
 protected:
  BuildOutputs() : scratch_("outputs") {
    fs::create_directories(app_);
    fs::create_directories(modules_);
    fs::copy_file(QM_EXECUTABLE, app_ / "Quillmere");
    WriteBytes(app_ / "config.txt", inst_.string() + "\r\n0\r\n");
  }
  ProgramResult Build() {
    return RunProgramForTest({(app_ / "Quillmere").string(), "go"}, HeadlessEnvironment(), scratch_.path().string());
  }
  int ElementsOf(const char* file) {
    const std::string bytes = ReadBytes(modules_ / file);
    return bytes.size() > 30 ? static_cast<int>(std::count(bytes.begin(), bytes.end(), ',')) + 1 : 0;
  }
  bool NoTemporaryLeft() {
    for (const auto& entry : fs::recursive_directory_iterator(scratch_.path()))
      if (entry.path().filename().string().find(".quillmere-") != std::string::npos &&
          entry.path().filename() != ".quillmere.lock")
        return false;
    return true;
  }

  ScratchDir scratch_;
  fs::path app_ = scratch_.path() / "app";
  fs::path inst_ = scratch_.path() / "inst";
  fs::path modules_ = inst_ / "docs/html/Modules";
};

TEST_F(BuildOutputs, ABuildWaitsBrieflyForAnotherThenGivesUpNamingTheLock) {
  WriteBytes(modules_ / "commands.txt", CommandList(10));
  ASSERT_EQ(Build().status, 0);
  const std::string before = ReadBytes(modules_ / "command.js");
  WriteBytes(modules_ / "commands.txt", CommandList(20));
  const fs::path lock = modules_ / ".quillmere.lock";
  // Another build, as far as the program can tell, holds the installation.
  const int holder = open(lock.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);

  const auto start = std::chrono::steady_clock::now();
  const ProgramResult refused = Build();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << "it did not wait";
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
  EXPECT_NE(refused.err.find(lock.string()), std::string::npos) << refused.err;
  EXPECT_EQ(ReadBytes(modules_ / "command.js"), before);

  // Released while the next one waits: that one builds.
  auto waiting = std::async(std::launch::async, [&] { return Build(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  close(holder);
  const ProgramResult built = waiting.get();
  EXPECT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(ElementsOf("command.js"), 20);
}

TEST_F(BuildOutputs, TwoBuildsAtOnceLeaveOneWholeCatalogue) {
  WriteBytes(modules_ / "commands.txt", CommandList(20000));
  auto first = std::async(std::launch::async, [&] { return Build(); });
  auto second = std::async(std::launch::async, [&] { return Build(); });
  for (const ProgramResult& result : {first.get(), second.get()}) {
    // Each one either builds, after waiting its turn, or says why not.
    if (result.status != 0) {
      EXPECT_EQ(result.status, 1);
      EXPECT_NE(result.err.find(".quillmere.lock"), std::string::npos) << result.err;
    }
  }
  for (const char* file : {"command.js", "links.js", "modules.js"}) EXPECT_EQ(ElementsOf(file), 20000) << file;
  EXPECT_TRUE(NoTemporaryLeft());
}

TEST_F(BuildOutputs, OutputsThatAreLinksAreReplacedAndTheirTargetsKept) {
  WriteBytes(modules_ / "commands.txt", CommandList(3));
  const fs::path mine = scratch_.path() / "my-notes.txt";
  WriteBytes(mine, "nothing to do with the index");
  fs::create_symlink(mine, modules_ / "command.js");
  fs::create_symlink(mine, inst_ / "docs/html/index.html");
  const ProgramResult result = Build();
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadBytes(mine), "nothing to do with the index");
  for (const fs::path& output : {modules_ / "command.js", inst_ / "docs/html/index.html"}) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(output))) << output;
    EXPECT_NE(result.err.find("symbolic link " + output.string() + " "), std::string::npos) << result.err;
  }
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
  EXPECT_EQ(ElementsOf("command.js"), 3);
}

}  // namespace
}  // namespace qm
