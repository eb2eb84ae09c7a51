#include "app/rebuild/doc_rebuild.h"

#include <cstring>
#include <string>

#include "app/rebuild/last_output_line.h"
#include "gui/event_queue.h"
#include "process/process.h"
#include "system/display_text.h"
#include "system/error_line.h"
#include "system/fix_path.h"
#include "system/strings.h"

namespace qm {

namespace {

constexpr int kPollMilliseconds = 10;

// Keeps the window redrawing while the child runs; whatever the user does
// meanwhile is taken off the queue and dropped.
void ServiceWindowSystem() {
  if (PeekEvent()) WaitEvent();
}

// Everything the child has written so far: its output streams past, leaving
// only its last line behind; its standard error is not used, but a pipe
// nobody reads fills up and then blocks the child for good.
void DrainOutput(TProcess& process, LastOutputLine& last) {
  process.pipe->Drain([&](const unsigned char* bytes, std::size_t count) { last.Take(bytes, count); });
  process.err->Drain([](const unsigned char*, std::size_t) {});
}

void ReportNotStarted(const String& command, int error) {
  std::string text = "Could not start " + DisplayUtf8(FixPath(command));
  if (error != 0) text += std::string(": ") + std::strerror(error);
  WriteErrorLine(text);
}

// A failing generator must not pass for a successful one.
void ReportOutcome(const String& command, const TProcess& process) {
  if (process.execerror != 0) {
    ReportNotStarted(command, process.execerror);
  } else if (!process.exitstatus || process.exitstatus->Succeeded()) {
    return;
  } else if (process.exitstatus->signalled) {
    WriteErrorLine(DisplayUtf8(FixPath(command)) + " ended by signal " + std::to_string(process.exitstatus->code));
  } else {
    WriteErrorLine(DisplayUtf8(FixPath(command)) + " ended with exit status " +
                   std::to_string(process.exitstatus->code));
  }
}

// Waits for a started child while the window system stays serviced, and
// returns the last line it wrote.
String FollowChild(const ProcessPtr& process, const String& command) {
  if (!process) {
    ReportNotStarted(command, 0);
    return String();
  }
  // Nothing is ever sent: a child that reads its input sees the end at once
  // instead of waiting for good.
  process->pipe->CloseWrite();

  LastOutputLine last;
  bool stopped_at_terminal = false;
  while (true) {
    DrainOutput(*process, last);
    ServiceWindowSystem();
    if (process->Status() == 0) break;
    // Run in the background, a child that asks at the terminal is stopped
    // and would wait for an answer nobody can give.
    if (process->StoppedAtTerminal()) {
      if (!stopped_at_terminal) WriteErrorLine(DisplayUtf8(FixPath(command)) + " stopped waiting for terminal input");
      stopped_at_terminal = true;
      process->EndGroup();
    }
    TPipeStream::AwaitInput({process->pipe.get(), process->err.get()}, kPollMilliseconds);
    ServiceWindowSystem();
  }
  // What the child wrote between the last drain and its end.
  DrainOutput(*process, last);

  // Nothing reads the pipes any more; the process object itself stays
  // listed until the program ends.
  process->Close();
  if (!stopped_at_terminal) ReportOutcome(command, *process);
  return last.Line();
}

}  // namespace

String DoProcess(const String& command, int flags) { return FollowChild(CreateProcess(command, flags), command); }

void RebuildDocumentation(const String& tlwndir) {
  // The path goes to the generator's exec as it stands: quoting it and
  // splitting it again would run another program for a path holding a
  // double quote.
  const String generator = tlwndir + u"/bin/makedocs";
  FollowChild(CreateProgramProcess(generator, 1), generator);
}

}  // namespace qm
