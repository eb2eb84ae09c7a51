#include "system/lifetime.h"

#include <new>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "system/error_line.h"
#include "system/strings.h"

namespace qm {

std::vector<String> AppArgs;
String AppDir;
String AppFile;
String AppTitle;
String LaunchDir;

namespace {

std::vector<std::function<void()>>& EndFunctions() {
  static std::vector<std::function<void()>> functions;
  return functions;
}

bool end_functions_ran = false;

void RunEndFunctionsAtExit() { RunEndFunctions(); }

}  // namespace

void Startup(int argc, char** argv, const std::string& app_dir, const std::string& exe_path) {
  char buffer[1024] = {0};
  if (getcwd(buffer, sizeof buffer) == nullptr) buffer[0] = 0;
  LaunchDir = Replace(FromByteString(buffer), u"\\", u"/");
  AppDir = FromBytes(app_dir);
  AppFile = FromBytes(exe_path);
  AppTitle = u"Tallowin Application";
  AppArgs.clear();
  for (int i = 0; i < argc; ++i) AppArgs.push_back(FromByteString(argv[i]));
  if (!app_dir.empty() && chdir(app_dir.c_str()) != 0) {
    // Staying in the launch directory is the only sensible fallback.
  }
  static bool registered = false;
  if (!registered) {
    registered = true;
    std::atexit(RunEndFunctionsAtExit);
  }
}

void OnEnd(std::function<void()> fn) { EndFunctions().push_back(std::move(fn)); }

void RunEndFunctions() {
  if (end_functions_ran) return;
  end_functions_ran = true;
  auto& functions = EndFunctions();
  while (!functions.empty()) {
    auto fn = std::move(functions.back());
    functions.pop_back();
    if (fn) fn();
  }
}

void End(int status) {
  std::fflush(stdout);
  RunEndFunctions();
  // Everything the program writes is closed or flushed by now; leaving
  // without tearing down the catalogue (millions of records) saves the
  // time it would take to free what the system reclaims anyway.
  std::fflush(nullptr);
  _exit(status);
}

void Delay(int milliseconds) {
  if (milliseconds < 0) return;
  std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(milliseconds) * 1000));
}

void FailWithRuntimeError(const RuntimeError& error) {
  WriteErrorLine(error.what());
  RunEndFunctions();
  std::fflush(stdout);
  std::exit(255);
}

void RunProgram(const std::function<void()>& body) {
  try {
    body();
  } catch (const RuntimeError& error) {
    FailWithRuntimeError(error);
  } catch (const std::bad_alloc&) {
    // Memory ran out (a catalogue beyond what the machine can hold): ended
    // here as any run-time error, not by an abort that runs no clean-up.
    FailWithRuntimeError(RuntimeError(u"Out of memory"));
  }
  End(0);
}

}  // namespace qm
