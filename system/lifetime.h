#pragma once
#include <functional>
#include <string>
#include <vector>

#include "system/object.h"
#include "system/runtime_error.h"

namespace qm {

// Program-wide paths and arguments, fixed once by Startup.
extern std::vector<String> AppArgs;  // element 0 is the program path
extern String AppDir;                // the directory the program counts as home
extern String AppFile;               // the executable path
extern String AppTitle;              // title of the system requesters
extern String LaunchDir;             // working directory at start-up

// Establishes the globals (arguments widened byte for byte) and makes
// app_dir the working directory, so relative paths resolve beside the program.
void Startup(int argc, char** argv, const std::string& app_dir, const std::string& exe_path);

// Runs the end-of-program functions (most recent first, each once) and exits.
[[noreturn]] void End(int status = 0);
// Registers a function to run when the program ends by any path.
void OnEnd(std::function<void()> fn);
// Runs the registered end functions now, most recent first; later calls do
// nothing. End and the outermost error handler use it.
void RunEndFunctions();

// Sleeps the calling thread; negative values return at once.
void Delay(int milliseconds);

// The outermost level: runs body, and turns an escaping run-time error into
// its text on standard error, the end functions, and exit status 255.
[[noreturn]] void RunProgram(const std::function<void()>& body);
[[noreturn]] void FailWithRuntimeError(const RuntimeError& error);

}  // namespace qm
