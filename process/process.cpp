#include "process/process.h"

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>

#include "process/command_line.h"
#include "process/signal_groups.h"

#include "process/native_process.h"
#include "system/filesystem.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/termination_signals_held.h"

namespace qm {

std::vector<ProcessPtr> ProcessList;

namespace {

// An application bundle is a directory; the executable inside it carries
// the bundle's name without its extension: Tool.app runs
// Tool.app/Contents/MacOS/Tool.
String BundleExecutable(const String& bundle) { return bundle + u"/Contents/MacOS/" + StripExt(StripDir(bundle)); }

}  // namespace

std::int32_t TProcess::Status() {
  stopsignal = 0;
  if (handle == 0 || exitstatus) return 0;
  std::optional<int> reported;
  if (fdProcessStatus(handle, &reported) != 0) {
    if (reported && WIFSTOPPED(*reported)) stopsignal = WSTOPSIG(*reported);
    return 1;
  }
  // Once reaped, the number is free for reuse: no signal may go to it again.
  exitstatus = reported ? ExitStatus::FromWaitStatus(*reported) : ExitStatus{};
  ForgetGroupForSignals(handle);
  return 0;
}

bool TProcess::StoppedAtTerminal() const { return stopsignal == SIGTTIN || stopsignal == SIGTTOU; }

std::int32_t TProcess::EndGroup() {
  if (handle == 0 || exitstatus) return 0;
  const std::int32_t result = groupended_ ? fdKillProcess(handle) : fdTerminateProcess(handle);
  groupended_ = true;
  return result;
}

std::int32_t TProcess::Close() {
  if (pipe) {
    pipe->Close();
    pipe = nullptr;
  }
  if (err) {
    err->Close();
    err = nullptr;
  }
  return 0;
}

std::int32_t TProcess::Terminate() {
  auto listed = std::find_if(ProcessList.begin(), ProcessList.end(),
                             [this](const ProcessPtr& process) { return process.get() == this; });
  if (listed != ProcessList.end()) ProcessList.erase(listed);
  if (handle == 0) return 0;
  std::int32_t result = 0;
  if (!exitstatus) {
    ForgetGroupForSignals(handle);
    result = fdTerminateProcess(handle);
  }
  handle = 0;
  return result;
}

ProcessPtr TProcess::Create(const String& command_line, std::int32_t flags) {
  const String name = FileType(command_line) == 2 ? BundleExecutable(command_line) : command_line;
  return Start(name, SplitCommandLine(ToByteString(name)), flags);
}

ProcessPtr TProcess::CreateForProgram(const String& program, std::int32_t flags) {
  const String name = FileType(program) == 2 ? BundleExecutable(program) : program;
  return Start(name, {ToByteString(name)}, flags);
}

ProcessPtr TProcess::Start(const String& name, const std::vector<std::string>& arguments, std::int32_t /*flags*/) {
  auto process = std::make_shared<TProcess>();
  process->name = name;
  std::int32_t read_handle = 0, write_handle = 0, error_handle = 0;
  // A stop request arriving between the start and the recording of the
  // child's group would end the program and leave the child running.
  const TerminationSignalsHeld held;
  process->handle = fdProcessArguments(arguments, &read_handle, &write_handle, &error_handle, &process->execerror);
  if (process->handle == 0) return nullptr;

  process->pipe = TPipeStream::Create(read_handle, write_handle);
  process->err = TPipeStream::Create(error_handle, 0);
  ProcessList.push_back(process);
  RememberGroupForSignals(process->handle);
  return process;
}

std::int32_t TProcess::TerminateAll() {
  // Terminate unlists each process, so walk a copy of the list as it was.
  const std::vector<ProcessPtr> listed = ProcessList;
  for (const auto& process : listed) {
    process->Terminate();
    process->Close();
  }
  return 0;
}

void StartProcesses() {
  static bool started = false;
  if (started) return;
  started = true;
  OnEnd([] { TProcess::TerminateAll(); });
}

ProcessPtr CreateProcess(const String& command_line, std::int32_t flags) {
  return TProcess::Create(command_line, flags);
}

ProcessPtr CreateProgramProcess(const String& program, std::int32_t flags) {
  return TProcess::CreateForProgram(program, flags);
}

std::int32_t ProcessStatus(const ProcessPtr& process) { return process ? process->Status() : 0; }

std::int32_t TerminateProcess(const ProcessPtr& process) { return process ? process->Terminate() : 0; }

}  // namespace qm
