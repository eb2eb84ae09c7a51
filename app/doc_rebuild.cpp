#include "app/doc_rebuild.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "gui/event_queue.h"
#include "process/process.h"
#include "system/display_text.h"
#include "system/error_line.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {

namespace {

constexpr int kPollMilliseconds = 10;

// Keeps the window redrawing while the child runs; whatever the user does
// meanwhile is taken off the queue and dropped.
void ServiceWindowSystem() {
  if (PeekEvent()) WaitEvent();
}

// The child's standard error is not used, but a pipe nobody reads fills up
// and then blocks the child for good. Takes only what is waiting now.
void DiscardWaiting(TPipeStream& stream) {
  unsigned char sink[4096];
  for (int left = stream.ReadAvail(); left > 0;) {
    const int got = stream.Read(sink, std::min(left, static_cast<int>(sizeof sink)));
    if (got <= 0) break;
    left -= got;
  }
}

// ReadLine, except that a full buffer without a line feed is handed out as
// it stands instead of ending the program: the lines are joined with
// nothing between them anyway, so a long line arrives in pieces but whole.
String NextLine(TPipeStream& pipe) {
  if (pipe.bufferpos >= TPipeStream::kBufferSize && !pipe.HoldsLine()) return pipe.TakeBuffered();
  return pipe.ReadLine();
}

// Bytes left after the last line feed form a last line, with the same
// carriage-return rules as any other line.
String LastLine(String held) {
  if (!held.empty() && held.back() == u'\r') held.pop_back();
  if (!held.empty() && held.front() == u'\r') held.erase(0, 1);
  return held;
}

// After the child has ended: everything still in the pipe and the buffer.
// Bounded by what was there at the end, so a grandchild that keeps writing
// into the inherited pipe cannot hold the call open.
String ReadRemains(TPipeStream& pipe) {
  String rest;
  const long passes = 2L * (static_cast<long>(pipe.ReadAvail()) + pipe.bufferpos) + 16;
  for (long pass = 0; pass < passes && (pipe.HoldsLine() || pipe.ReadAvail() > 0); ++pass) rest += NextLine(pipe);
  if (pipe.bufferpos > 0) rest += LastLine(pipe.TakeBuffered());
  return rest;
}

void ReportNotStarted(const String& command, int error) {
  std::string text = "Could not start " + DisplayUtf8(command);
  if (error != 0) text += std::string(": ") + std::strerror(error);
  WriteErrorLine(text);
}

// A failing generator must not pass for a successful one.
void ReportOutcome(const String& command, const TProcess& process) {
  if (process.execerror != 0) {
    ReportNotStarted(command, process.execerror);
  } else if (!process.reaped) {
    return;
  } else if (WIFEXITED(process.waitstatus) && WEXITSTATUS(process.waitstatus) != 0) {
    WriteErrorLine(DisplayUtf8(command) + " ended with exit status " + std::to_string(WEXITSTATUS(process.waitstatus)));
  } else if (WIFSIGNALED(process.waitstatus)) {
    WriteErrorLine(DisplayUtf8(command) + " ended by signal " + std::to_string(WTERMSIG(process.waitstatus)));
  }
}

}  // namespace

String DoProcess(const String& command, int flags) {
  String text;
  const ProcessPtr process = CreateProcess(command, flags);
  if (!process) {
    ReportNotStarted(command, 0);
    return text;
  }
  TPipeStream& pipe = *process->pipe;
  TPipeStream& err = *process->err;

  while (true) {
    // Drain: complete lines are taken at once, without sleeping. A pass that
    // finds only part of a line and nothing new waiting goes on to the
    // status check, so a child that ends in mid-line is still noticed.
    bool progressed = false;
    do {
      const int waiting = pipe.ReadAvail();
      const int held = pipe.bufferpos;
      text += NextLine(pipe);
      progressed = waiting > 0 || pipe.bufferpos != held;
      DiscardWaiting(err);
      ServiceWindowSystem();
    } while (pipe.bufferpos > 0 && progressed);

    if (process->Status() == 0) break;
    Delay(kPollMilliseconds);
    ServiceWindowSystem();
  }

  text += ReadRemains(pipe);
  // Nothing reads the pipes any more; the process object itself stays
  // listed so that the end of the program still reaches its group.
  process->Close();
  ReportOutcome(command, *process);
  return text;
}

void RebuildDocumentation(const String& tlwndir) {
  // Quoted, so that an installation path with blanks stays one argument.
  DoProcess(u"\"" + tlwndir + u"/bin/makedocs\"", 1);
}

}  // namespace qm
