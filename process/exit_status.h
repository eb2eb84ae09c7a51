#pragma once

namespace qm {

// How a child that has been reaped ended, decoded from what waitpid reported,
// so that nothing above the process layer looks at raw wait statuses.
struct ExitStatus {
  // Ended by a signal rather than by exiting.
  bool signalled = false;
  // The exit status, or the number of the signal that ended the child.
  int code = 0;

  bool Succeeded() const { return !signalled && code == 0; }
  bool operator==(const ExitStatus&) const = default;

  static ExitStatus FromWaitStatus(int wait_status);
};

}  // namespace qm
