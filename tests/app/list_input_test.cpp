// Command lists the build cannot read to an end must fail the run at once,
// with one line naming the list, and leave the index as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using namespace testing;

TEST(ListInput, ListsThatNeverEndOrCannotFitFailWithOneLine) {
  ScratchDir scratch("listinput");
  const fs::path app = scratch.path() / "app", inst = scratch.path() / "inst";
  const fs::path list = inst / "docs/html/Modules/commands.txt";
  fs::create_directories(list.parent_path());
  CopiedApplication(app);
  WriteBytes(app / "config.txt", inst.string() + "\r\n0\r\n");
  WriteBytes(list, "Keep|/docs/html/Modules/k.m/index.html#Keep\n");
  const auto run = [&] {
    // A hang shows as the status of the time limit instead of blocking the suite.
    return RunProgramForTest({"/usr/bin/timeout", "20", (app / "Quillmere").string(), "go"}, HeadlessEnvironment(),
                             scratch.path().string());
  };
  ASSERT_EQ(run().status, 0);
  const std::string index = ReadBytes(list.parent_path() / "command.js");

  const std::map<std::string, std::function<bool()>> kinds = {
      {"named pipe", [&] { return mkfifo(list.c_str(), 0644) == 0; }},
      {"link to a device", [&] { return symlink("/dev/zero", list.c_str()) == 0; }},
      {"sparse terabyte", [&] { return truncate((WriteBytes(list, ""), list).c_str(), 1LL << 40) == 0; }},
  };
  for (const auto& [kind, make] : kinds) {
    SCOPED_TRACE(kind);
    fs::remove(list);
    if (!make()) {
      ADD_FAILURE() << "cannot make the list";
      continue;
    }
    const auto result = run();
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.err.rfind("Index build failed: " + inst.string() + "/docs/html/Modules/commands.txt: ", 0), 0u)
        << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(ReadBytes(list.parent_path() / "command.js"), index);
  }
}

}  // namespace
}  // namespace qm
