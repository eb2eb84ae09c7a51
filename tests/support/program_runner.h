#pragma once
// Runs a real program with arguments and a chosen environment, collecting
// its standard output, standard error and exit status.
#include <filesystem>
#include <string>
#include <vector>

namespace qm::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when killed by a signal
  std::string out;
  std::string err;
};

ProgramResult RunProgramForTest(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                                const std::string& cwd = std::string());

// The environment of a machine with no display.
std::vector<std::string> HeadlessEnvironment();

// The program keeps config.txt beside itself, so each test runs a copy of
// the executable in a folder of its own. Returns the copy's path.
std::filesystem::path CopiedApplication(const std::filesystem::path& app_dir);
// A copy of examples/sample-install at the path.
void CopySampleInstallation(const std::filesystem::path& to);

}  // namespace qm::testing
