#pragma once
#include "gui/gtk/gtk_gadget.h"

namespace qm {

// Push buttons, checkboxes and radio buttons. Checkboxes and radio buttons
// with ButtonPushStyle are toggle buttons that stay pressed.
class TGtkButton : public TGtkGadget {
 public:
  int State() override;
  void SetText(const String& text) override;
  String GetText() override;
  void SetSelected(int state) override;
  void SetEnabled(int enabled) override;

  int Kind() const { return style & 7; }
  bool Toggles() const;
  // The controller's part of a press: a mixed checkbox leaves the mixed
  // state as checked. Returns false for a press the program made itself.
  bool AcceptPress();

 protected:
  void CreateNative() override;
  bool TakesTextColor() const override { return true; }

 private:
  // Programmatic state changes make GTK emit "clicked" too; those are not
  // presses and must not become events.
  int quiet_ = 0;
  // A GTK radio group always has one member active; an unchecked radio
  // button is one whose hidden partner is active instead.
  GObjectRef<GtkWidget> unchecked_partner_;
};

}  // namespace qm
