#pragma once
#include "gui/gtk/gtk_gadget.h"

namespace qm {

// Text labels (plain or framed), group boxes and separators. Labels take no
// part in enabling: EnableGadget and DisableGadget leave them as they are.
class TGtkLabel : public TGtkGadget {
 public:
  void SetText(const String& text) override;
  String GetText() override;
  void SetEnabled(int) override {}

  int FrameKind() const { return style & 3; }

 protected:
  void CreateNative() override;
  bool TakesTextColor() const override { return FrameKind() != LabelSeparator; }
  bool TakesBackground() const override { return FrameKind() == 0 || FrameKind() == LabelFrame; }
};

}  // namespace qm
