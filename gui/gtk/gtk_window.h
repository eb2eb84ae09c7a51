#pragma once
#include "gui/gtk/gtk_gadget.h"

namespace qm {

// The screen: no widget, its rectangle is the primary monitor's.
class TGtkDesktop : public TGtkGadget {
 protected:
  void CreateNative() override;
};

// A top-level window. Titled windows draw their own title bar (a header bar
// with the close box), so the window GTK manages is the whole frame and the
// gadget rectangle can be honoured exactly; below the title bar sits the
// client area and, with WindowStatus, an 18-pixel strip of three fields.
class TGtkWindow : public TGtkGadget {
 public:
  static constexpr int kStatusHeight = 18;

  void SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
  int State() override;
  void SetShow(int show) override;
  void SetText(const String& text) override;
  String GetText() override;
  void SetTextColor(int r, int g, int b) override;
  void SetEnabled(int enabled) override;
  void SetStatus(const String& text) override;
  void Activate(int command) override;

  GtkWindow* Window() const { return handle ? GTK_WINDOW(handle) : nullptr; }
  // The rectangle the window has on screen now, in gadget coordinates (the
  // client area with WindowClientCoords, the frame otherwise).
  GdkRectangle ScreenRectInGadgetCoords() const;
  // Called by the controller for configure and allocation changes: posts
  // "WindowMove" and "WindowSize" when the reported rectangle changed.
  void ReportGeometry();
  // The window is on screen where the window manager put it.
  void Mapped() {
    map_seen_ = true;
    ReportGeometry();
  }
  bool Enabled() const { return enabled_; }

 protected:
  void CreateNative() override;
  bool TakesBackground() const override { return true; }

 private:
  int TitleBarHeight() const;
  void MoveNative();

  GtkWidget* header_ = nullptr;
  GtkWidget* status_[3] = {nullptr, nullptr, nullptr};
  bool enabled_ = true;
  bool reporting_ = false;
  bool map_seen_ = false;  // inside a report: the rectangle comes from the screen
  GdkRectangle reported_{0, 0, 0, 0};
};

}  // namespace qm
