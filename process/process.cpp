#include "process/process.h"
#include "process/signal_groups.h"

#include <algorithm>

#include "process/native_process.h"
#include "system/filesystem.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {

std::vector<ProcessPtr> ProcessList;

namespace {

// An application bundle is a directory; the executable inside it carries
// the bundle's name without its extension: Tool.app runs
// Tool.app/Contents/MacOS/Tool.
String BundleExecutable(const String& bundle) {
  return bundle + u"/Contents/MacOS/" + StripExt(StripDir(bundle));
}

}  // namespace

std::int32_t TProcess::Status() {
  if (handle == 0) return 0;
  int status = 0;
  bool running = fdProcessStatus(handle, &status) != 0;
  if (!running && !reaped) {
    reaped = true;
    waitstatus = status;
  }
  return running ? 1 : 0;
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
  ForgetGroupForSignals(handle);
  const std::int32_t result = fdTerminateProcess(handle);
  handle = 0;
  return result;
}

ProcessPtr TProcess::Create(const String& command_line, std::int32_t flags) {
  String name = command_line;
  if (FileType(name) == 2) name = BundleExecutable(name);

  auto process = std::make_shared<TProcess>();
  process->name = name;
  std::int32_t read_handle = 0, write_handle = 0, error_handle = 0;
  const std::string bytes = ToByteString(name);
  process->handle = fdProcess(bytes.c_str(), &read_handle, &write_handle, &error_handle, flags, &process->execerror);
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

std::int32_t ProcessStatus(const ProcessPtr& process) { return process ? process->Status() : 0; }

std::int32_t TerminateProcess(const ProcessPtr& process) { return process ? process->Terminate() : 0; }

}  // namespace qm
