#pragma once
#include "gui/gadget.h"

namespace qm {

// The gadgets of the main window, kept for the whole run.
extern GadgetPtr window;
extern GadgetPtr label_path;
extern GadgetPtr button_docs;
extern GadgetPtr change_path;
extern GadgetPtr button_ok;
extern GadgetPtr button_cancel;

// Creates the window and its gadgets in their fixed order and sets the path
// label's colours and the checkbox from the remembered choice.
void BuildMainWindow();

// Handles one event taken from the queue; ends the program on the close box
// and on "CLOSE".
void HandleMainWindowEvent(std::int32_t id, const ObjectRef& source);

// The handler of "BUILD": optional documentation rebuild, index build, and
// the item count in the title.
void BuildPressed();

}  // namespace qm
