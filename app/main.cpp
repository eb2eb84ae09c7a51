// Process entry: works out where the program lives, fixes the program-wide
// globals, installs the signal handling and runs the main routine once.
// Documents handed to the program at launch (a file manager's "open with")
// arrive as arguments and so select batch mode.
#include "app/shell/main_routine.h"
#include "process/signal_groups.h"
#include "system/app_paths.h"
#include "system/fatal_signals.h"
#include "system/lifetime.h"

int main(int argc, char** argv) {
  const std::string exe = qm::ExecutablePath();
  qm::Startup(argc, argv, qm::AppDirFromExecutable(exe), exe);
  qm::IgnoreBrokenPipes();
  // A program inside an application bundle keeps the default handling.
  if (exe.find(".app/Contents/MacOS/") == std::string::npos) {
    qm::InstallFatalSignalHandlers(&qm::TerminateRememberedGroups);
  }
  qm::RunProgram(qm::MainRoutine);
}
