#include "gui/gadget.h"

#include <algorithm>

namespace qm {

// The base screen operations stand for a gadget with nothing on screen: they
// change nothing, and report what the record knows.

std::int32_t TGadget::ClientWidth() { return width; }
std::int32_t TGadget::ClientHeight() { return height; }
void TGadget::Activate(int) {}
int TGadget::State() { return 0; }
void TGadget::SetShow(int) {}
void TGadget::SetText(const String&) {}
String TGadget::GetText() { return name; }
void TGadget::SetColor(int, int, int) {}
void TGadget::SetTextColor(int, int, int) {}
void TGadget::SetEnabled(int) {}
void TGadget::SetStatus(const String&) {}
void TGadget::InitNative() {}
void TGadget::LinkView() {}

void TGadget::SetSelected(int state) {
  if (state != 0 && IsRadioButton(*this)) UncheckRadioSiblings(*this);
}

void TGadget::Free() {
  if (parent) {
    auto& siblings = parent->kids;
    std::erase_if(siblings, [this](const std::weak_ptr<TGadget>& kid) {
      auto alive = kid.lock();
      return !alive || alive.get() == this;
    });
  }
  parent = nullptr;
}

bool IsFocusableClass(int cls) {
  switch (cls) {
    case GadgetDesktop:
    case GadgetWindow:
    case GadgetToolbar:
    case GadgetLabel:
    case GadgetProgBar:
    case GadgetMenu:
    case GadgetNode:
      return false;
    default:
      return true;
  }
}

FocusRingLinks FocusRingLinksFor(const GadgetPtr& gadget) {
  FocusRingLinks links;
  if (!gadget || !gadget->parent || !IsFocusableClass(gadget->Class())) return links;
  GadgetPtr first;
  GadgetPtr previous;
  for (const auto& weak : gadget->parent->kids) {
    GadgetPtr kid = weak.lock();
    if (!kid) continue;
    if (kid == gadget) break;
    if (!IsFocusableClass(kid->Class())) continue;
    if (!first) first = kid;
    previous = kid;
  }
  if (previous) {
    links.previous = previous;
    links.first = first;
  }
  return links;
}

bool IsRadioButton(const TGadget& gadget) {
  return gadget.Class() == GadgetButton && (gadget.style & 7) == ButtonRadio;
}

void UncheckRadioSiblings(const TGadget& gadget) {
  if (!gadget.parent) return;
  // A copy: unchecking a sibling runs driver code that may touch the list.
  const auto siblings = gadget.parent->kids;
  for (const auto& weak : siblings) {
    GadgetPtr kid = weak.lock();
    if (kid && kid.get() != &gadget && IsRadioButton(*kid)) kid->SetSelected(0);
  }
}

}  // namespace qm
