#pragma once

namespace qm {

// Registers the three page templates under their embedded-data names.
void RegisterEmbeddedPages();
// Brings up the runtime services once, in order: the window-system drivers
// (or the headless ones when no display can be opened), the streams, the
// event queue and the child-process services.
void StartServices();

}  // namespace qm
