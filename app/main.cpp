// Process entry: works out where the program lives, fixes the program-wide
// globals and runs the main routine once.
#include "app/main_routine.h"
#include "system/app_paths.h"
#include "system/lifetime.h"

int main(int argc, char** argv) {
  const std::string exe = qm::ExecutablePath();
  qm::Startup(argc, argv, qm::AppDirFromExecutable(exe), exe);
  qm::RunProgram(qm::MainRoutine);
}
