#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "process/pipe_stream.h"
#include "system/object.h"

namespace qm {

class TProcess;
using ProcessPtr = std::shared_ptr<TProcess>;

// A child process started from a command line, with pipe streams on its
// standard streams. It is observed only by polling Status.
class TProcess : public Object {
 public:
  // The command line the child was started with, after the bundle rule.
  String name;
  // Process id, which is also the id of the child's process group; 0 once
  // terminated through this object.
  std::int32_t handle = 0;
  // Reads the child's standard output, writes its standard input.
  PipeStreamPtr pipe;
  // Reads the child's standard error; no write handle.
  PipeStreamPtr err;
  // What Status reaped: whether it has, and the raw waitpid status.
  bool reaped = false;
  int waitstatus = 0;
  // errno of a program that could not be executed, 0 when it started.
  int execerror = 0;

  // 1 while the child runs, 0 once it ended (the first such query reaps it)
  // or when there is no child.
  virtual std::int32_t Status();
  // Closes and drops both pipe streams; the child is not signalled and stays
  // listed. Result 0.
  virtual std::int32_t Close();
  // Unlists the process, then sends SIGTERM to its process group. Neither
  // closes the pipes nor waits. Result of the signal call, 0 when there was
  // nothing to terminate.
  virtual std::int32_t Terminate();

  // Starts the child (see fdProcess) and lists it; null when it could not be
  // started. A command line that is exactly a directory (an application
  // bundle) runs the executable inside it that carries its base name.
  static ProcessPtr Create(const String& command_line, std::int32_t flags);
  // Terminates and closes every listed process. Result 0.
  static std::int32_t TerminateAll();
};

// Every process started and not yet terminated, in start order.
extern std::vector<ProcessPtr> ProcessList;

// Registers TerminateAll to run when the program ends; later calls do nothing.
void StartProcesses();

ProcessPtr CreateProcess(const String& command_line, std::int32_t flags);
std::int32_t ProcessStatus(const ProcessPtr& process);
std::int32_t TerminateProcess(const ProcessPtr& process);

}  // namespace qm
