#pragma once
#include <vector>

#include "gui/gadget.h"

namespace qm {

// Makes a plain label the label of another gadget, so that assistive
// technology reads the caption with what it captions (GTK's mnemonic widget,
// which gives the pair ATK's LABEL_FOR and LABELLED_BY relations). Does
// nothing unless both are gadgets of this binding and the first is a label.
void LabelGadgetFor(const GadgetPtr& caption, const GadgetPtr& target);

// Tab visits the given gadgets, children of one window, in this order and
// then starts again; Shift+Tab goes back. The list should name every gadget
// of the window that takes the focus: one left out is skipped by Tab.
void SetFocusOrder(const std::vector<GadgetPtr>& order);

}  // namespace qm
