#include "app/main_routine.h"

#include "app/batch_mode.h"
#include "app/catalogue.h"
#include "app/index_outputs.h"
#include "app/services.h"
#include "app/settings.h"
#include "app/window_mode.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/system_driver.h"
#include "system/standard_io.h"
#include "system/text_io.h"

namespace qm {

namespace {

// Every argument, the program path included, in angle brackets with no
// line end, each pushed out at once and followed by a short pause.
void EchoArguments() {
  for (const auto& argument : AppArgs) {
    StandardIOStream().WriteString(u"<" + argument + u">");
    StandardIOStream().Flush();
    Delay(100);
  }
}

}  // namespace

void MainRoutine() {
  RegisterEmbeddedPages();
  StartServices();
  LoadInfo();
  MendOutputsAtStart();
  if (tlwndir.empty()) {
    tlwndir = RequestDir(u"Find the Tallowin dir", u"");
    SaveInfo();
  }
  CreateCatalogue();
  EchoArguments();
  if (AppArgs.size() > 1) RunBatchMode();
  RunWindowMode();
}

}  // namespace qm
