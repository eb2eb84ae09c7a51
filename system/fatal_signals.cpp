#include "system/fatal_signals.h"

#include <signal.h>
#include <unistd.h>

#include <initializer_list>

#include "system/pending_temporaries.h"

namespace qm {

namespace {

void (*volatile end_work)() noexcept = nullptr;

// Only async-signal-safe calls here: no allocation, no stdio, no throwing.
void OnFatalSignal(int number) {
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
  RemovePendingTemporaries();
  if (end_work != nullptr) end_work();
  _exit(255);
}

}  // namespace

void InstallFatalSignalHandlers(void (*before_exit)() noexcept) {
  end_work = before_exit;
  struct sigaction action {};
  action.sa_handler = OnFatalSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGTRAP, SIGBUS, SIGSEGV, SIGTERM}) sigaddset(&action.sa_mask, number);
  for (int number : {SIGTRAP, SIGBUS, SIGSEGV, SIGTERM}) sigaction(number, &action, nullptr);
}

void IgnoreBrokenPipes() { signal(SIGPIPE, SIG_IGN); }

}  // namespace qm
