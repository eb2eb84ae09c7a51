#include "system/fatal_signals.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "system/pending_temporaries.h"

namespace qm {

namespace {

void (*volatile end_children)() noexcept = nullptr;
// The thread that installed the handlers: the only one that makes the
// temporary files the handler removes.
volatile pid_t main_thread = 0;

// Signals raised by a fault of the program itself, and requests from
// outside to stop: Ctrl-C, a closed terminal, Ctrl-\ and kill.
constexpr int kFaults[] = {SIGTRAP, SIGBUS, SIGSEGV};
constexpr int kStopRequests[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// "SIGNAL: " and the number, from a signal handler: no stdio, no allocation.
void WriteSignalLine(int number) {
  char text[32] = "SIGNAL: ";
  int length = 8;
  char digits[12];
  int count = 0;
  unsigned value = static_cast<unsigned>(number);
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && count < 11);
  while (count > 0) text[length++] = digits[--count];
  text[length++] = '\n';
  ssize_t ignored = write(STDERR_FILENO, text, static_cast<size_t>(length));
  (void)ignored;
}

// Only async-signal-safe calls here: no allocation, no stdio, no throwing.
// Every handled signal is blocked while it runs, so a second one (Ctrl-C
// pressed twice, a hang-up during a kill) cannot cut the sequence short.
// The sequence: say which signal, run the program's own clean-ups, end the
// children's groups, exit with the status of a run-time error.
void OnFatalSignal(int number) {
  // A request to stop that reached another thread is handed to the main
  // one, which may be making a temporary file at this very moment; there it
  // waits until the file is remembered, or the renames are done.
  bool stop_request = true;
  for (int fault : kFaults) stop_request = stop_request && number != fault;
  if (stop_request && main_thread != 0 && gettid() != main_thread && tgkill(getpid(), main_thread, number) == 0) return;
  WriteSignalLine(number);
  RemovePendingTemporaries();
  if (end_children != nullptr) end_children();
  _exit(255);
}

bool IgnoredAtStart(int number) {
  struct sigaction current {};
  return sigaction(number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void InstallFatalSignalHandlers(void (*end_children_groups)() noexcept) {
  end_children = end_children_groups;
  main_thread = gettid();
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  for (int number : kFaults) sigaddset(&action.sa_mask, number);
  for (int number : kStopRequests) sigaddset(&action.sa_mask, number);
  for (int number : kFaults) sigaction(number, &action, nullptr);
  for (int number : kStopRequests) {
    // A program started under nohup, or in the background of a script,
    // was told to ignore these; it keeps doing so.
    if (number != SIGTERM && IgnoredAtStart(number)) continue;
    sigaction(number, &action, nullptr);
  }
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

}  // namespace qm
