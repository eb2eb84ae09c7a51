#include "process/exit_status.h"

#include <sys/wait.h>

namespace qm {

ExitStatus ExitStatus::FromWaitStatus(int wait_status) {
  if (WIFSIGNALED(wait_status)) return {true, WTERMSIG(wait_status)};
  return {false, WEXITSTATUS(wait_status)};
}

}  // namespace qm
