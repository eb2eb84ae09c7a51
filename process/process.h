#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process/exit_status.h"
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
  // How the child ended, once Status has reaped it.
  std::optional<ExitStatus> exitstatus;
  // The signal that stopped the child, when the latest Status call found it
  // stopped; 0 otherwise.
  int stopsignal = 0;
  // errno of a program that could not be executed, 0 when it started.
  int execerror = 0;

  // 1 while the child runs (or is stopped), 0 once it ended (the first such
  // query ends what the child left running in its group, then reaps it
  // and records exitstatus) or when there is no child. A
  // reaped child is never asked about again: its number may belong to an
  // unrelated process by then.
  virtual std::int32_t Status();
  // Closes and drops both pipe streams; the child is not signalled and stays
  // listed. Result 0.
  virtual std::int32_t Close();
  // Unlists the process, then sends SIGTERM to its process group unless the
  // child has already been reaped. Neither closes the pipes nor waits.
  // Result of the signal call, 0 when there was nothing to terminate.
  virtual std::int32_t Terminate();
  // Ends the child's process group but keeps the process listed and polled,
  // so that its end is still noticed and reaped: the first call asks
  // (SIGTERM), a later one forces (SIGKILL). Nothing is sent once the child
  // has been reaped. Result of the signal call, 0 when nothing was sent.
  virtual std::int32_t EndGroup();

  // Whether the latest Status call found the child stopped for trying to
  // use the terminal from the background.
  bool StoppedAtTerminal() const;

  // Starts the child (see fdProcess) and lists it; null when it could not be
  // started. A command line that is exactly a directory (an application
  // bundle) runs the executable inside it that carries its base name.
  static ProcessPtr Create(const String& command_line, std::int32_t flags);
  // Starts the program at this path without arguments: the path goes to
  // exec as one argument, never split or unquoted, whatever it holds. The
  // bundle rule applies as for Create.
  static ProcessPtr CreateForProgram(const String& program, std::int32_t flags);
  // Terminates and closes every listed process. Result 0.
  static std::int32_t TerminateAll();

 private:
  static ProcessPtr Start(const String& name, const std::vector<std::string>& arguments, std::int32_t flags);

  // Whether EndGroup has asked once already.
  bool groupended_ = false;
};

// Every process started and not yet terminated, in start order.
extern std::vector<ProcessPtr> ProcessList;

// Registers TerminateAll to run when the program ends; later calls do nothing.
void StartProcesses();

ProcessPtr CreateProcess(const String& command_line, std::int32_t flags);
ProcessPtr CreateProgramProcess(const String& program, std::int32_t flags);
std::int32_t ProcessStatus(const ProcessPtr& process);
std::int32_t TerminateProcess(const ProcessPtr& process);

}  // namespace qm
