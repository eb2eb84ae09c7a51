#include "app/shell/window_mode.h"

#include "app/shell/main_window.h"
#include "gui/event_queue.h"
#include "system/error_line.h"
#include "system/lifetime.h"

namespace qm {

void RunWindowMode() {
  if (!gui_driver) {
    // Without a display there is no window to open; batch mode still works.
    WriteErrorLine("\nQuillmere: no display is available for the window; "
                   "start it with an argument to build the index in batch mode.");
    End(1);
  }
  BuildMainWindow();
  for (;;) {
    const std::int32_t id = WaitEvent();
    HandleMainWindowEvent(id, EventSource());
  }
}

}  // namespace qm
