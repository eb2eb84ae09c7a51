#include "app/window_mode.h"

#include "system/lifetime.h"
#include "system/text_io.h"

namespace qm {

void RunWindowMode() {
  Print(u"");
  Print(u"The window is not available in this build; give an argument to build the index.");
  End();
}

}  // namespace qm
