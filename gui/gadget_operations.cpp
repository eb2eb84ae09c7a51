#include "gui/gadget.h"

namespace qm {

std::int32_t GadgetX(const GadgetPtr& g) { return g->xpos; }
std::int32_t GadgetY(const GadgetPtr& g) { return g->ypos; }
std::int32_t GadgetWidth(const GadgetPtr& g) { return g->width; }
std::int32_t GadgetHeight(const GadgetPtr& g) { return g->height; }

void SetGadgetText(const GadgetPtr& g, const String& text) { g->SetText(text); }

void SetGadgetColor(const GadgetPtr& gadget, int r, int g, int b, int bg) {
  if (bg) {
    gadget->SetColor(r, g, b);
  } else {
    gadget->SetTextColor(r, g, b);
  }
}

void EnableGadget(const GadgetPtr& g) { g->SetEnabled(1); }
void DisableGadget(const GadgetPtr& g) { g->SetEnabled(0); }

int GadgetDisabled(const GadgetPtr& g) { return (g->State() & StateDisabled) ? 1 : 0; }
int GadgetHidden(const GadgetPtr& g) { return (g->State() & StateHidden) ? 1 : 0; }

int ButtonState(const GadgetPtr& g) {
  const int s = g->State() & (StateSelected | StateIndeterminate);
  if (s & ~StateSelected) return -1;  // mixed
  return s == StateSelected ? 1 : 0;
}

// A programmatic change: the driver sets the native state, nothing is emitted.
void SetButtonState(const GadgetPtr& g, int state) { g->SetSelected(state); }

}  // namespace qm
