#include "gui/event.h"
#include "gui/gadget.h"

namespace qm {

void PostGuiEvent(std::int32_t id, const GadgetPtr& g, std::int32_t data, std::int32_t mods, std::int32_t x,
                  std::int32_t y, ObjectRef extra) {
  GadgetPtr source = g;
  if (source && source->source) source = source->source;
  EmitEvent(CreateEvent(id, source, data, mods, x, y, std::move(extra)));
}

namespace {

// A press has already toggled the native button; what is left is the part
// the window system does not know about.
void AdjustPressedButton(const GadgetPtr& button) {
  const int kind = button->style & 7;
  if (kind == ButtonCheckbox) {
    if (ButtonState(button) == -1) SetButtonState(button, 1);
  } else if (kind == ButtonRadio) {
    if (button->style & ButtonPushStyle) SetButtonState(button, 1);
    UncheckRadioSiblings(*button);
  }
}

}  // namespace

void PostDriverEvent(std::int32_t id, const GadgetPtr& source, std::int32_t data, std::int32_t mods, std::int32_t x,
                     std::int32_t y, ObjectRef extra) {
  if (source) {
    if (id == EVENT_WINDOWSIZE) {
      source->SetRect(source->xpos, source->ypos, x, y);
      source->LayoutKids();
    } else if (id == EVENT_WINDOWMOVE) {
      source->SetRect(x, y, source->width, source->height);
    } else if (id == EVENT_GADGETACTION && source->Class() == GadgetButton) {
      AdjustPressedButton(source);
      data = ButtonState(source);
    }
  }
  PostGuiEvent(id, source, data, mods, x, y, std::move(extra));
}

}  // namespace qm
