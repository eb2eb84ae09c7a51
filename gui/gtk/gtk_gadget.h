#pragma once
#include <gtk/gtk.h>

#include <memory>
#include <optional>

#include "gui/gadget.h"
#include "gui/gtk/gtk_object_ref.h"

namespace qm {

// A gadget carried by a GTK widget. The subclasses for each class build the
// widget; this base keeps it, registers it so callbacks find the gadget,
// places it in the parent's client area, and keeps the colours.
class TGtkGadget : public TGadget {
 public:
  GtkWidget* handle = nullptr;           // the main widget: the window, button, label or frame
  GtkWidget* view = nullptr;             // where children go: a client area, or the control itself
  std::weak_ptr<TGtkGadget> next_focus;  // Tab moves the keyboard focus here

  ~TGtkGadget() override;

  void SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
  std::int32_t ClientWidth() override;
  std::int32_t ClientHeight() override;
  void Activate(int command) override;
  int State() override;
  void SetShow(int show) override;
  void SetColor(int r, int g, int b) override;
  void SetTextColor(int r, int g, int b) override;
  void Free() override;
  void InitNative() override;
  void LinkView() override;

  // The gadget behind a widget the binding made, or null.
  static std::shared_ptr<TGtkGadget> FromWidget(GtkWidget* widget);

 protected:
  // Builds the widget(s) and sets handle and view.
  virtual void CreateNative() = 0;
  // What a kind does with each colour; the defaults ignore them.
  virtual bool TakesTextColor() const { return false; }
  virtual bool TakesBackground() const { return false; }
  // Puts the new widget into the parent's client area at the gadget's rectangle.
  void PlaceInParent(GtkWidget* widget);
  std::shared_ptr<TGtkGadget> NativeParent() const;
  void ApplyColors();

  std::optional<GdkRGBA> text_color_;
  std::optional<GdkRGBA> background_;

 private:
  GObjectRef<GtkWidget> owned_;  // our reference on handle
  GObjectRef<GtkCssProvider> colors_;
  bool freed_ = false;
};

}  // namespace qm
