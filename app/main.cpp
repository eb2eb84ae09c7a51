// Process entry: works out where the program lives, fixes the program-wide
// globals and runs the main routine once.
#include "system/app_paths.h"
#include "system/lifetime.h"
#include "system/strings.h"

#include <cstdio>

namespace {

void MainRoutine() {
  for (const auto& arg : qm::AppArgs) {
    const std::string text = qm::ToUtf8(u"<" + arg + u">");
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    qm::Delay(100);
  }
  qm::End();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string exe = qm::ExecutablePath();
  qm::Startup(argc, argv, qm::AppDirFromExecutable(exe), exe);
  qm::RunProgram(MainRoutine);
}
