#pragma once
#include <gtk/gtk.h>

#include <unordered_map>

#include "gui/gadget.h"
#include "gui/gtk/gtk_object_ref.h"

namespace qm {

// The GUI driver on GTK 3: makes TGtkGadget instances for the desktop,
// windows, buttons and labels, and keeps the map from widgets back to their
// gadgets. The map owns the gadgets, so a window stays on screen while the
// program holds no reference to it.
class TGtkGuiDriver : public TGuiDriver {
 public:
  TGtkGuiDriver();
  ~TGtkGuiDriver() override;

  GadgetPtr CreateGadget(int cls, const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         const GadgetPtr& group, std::int32_t style) override;
  // The gadget that has the keyboard focus in the active window, else the
  // active window's gadget, else null.
  GadgetPtr ActiveGadget() override;

  void Register(GtkWidget* widget, const GadgetPtr& gadget);
  void Unregister(GtkWidget* widget);
  GadgetPtr GadgetFromHandle(const void* widget) const;

 private:
  std::unordered_map<const void*, GadgetPtr> gadgets_;
  GObjectRef<GtkCssProvider> theme_;
};

// The installed GTK driver, or null when another driver is installed.
TGtkGuiDriver* CurrentGtkDriver();

}  // namespace qm
