#pragma once
#include <signal.h>

namespace qm {

// Holds back the signals that end the program through its handlers for as
// long as it lives: a step that the handlers must see whole (a set of
// renames, a child started and recorded for them) is never cut in two.
class TerminationSignalsHeld {
 public:
  TerminationSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int number : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&held, number);
    sigprocmask(SIG_BLOCK, &held, &saved_);
  }
  ~TerminationSignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  TerminationSignalsHeld(const TerminationSignalsHeld&) = delete;
  TerminationSignalsHeld& operator=(const TerminationSignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

}  // namespace qm
