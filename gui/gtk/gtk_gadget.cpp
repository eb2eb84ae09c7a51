#include "gui/gtk/gtk_gadget.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "gui/gtk/gtk_client_area.h"
#include "gui/gtk/gtk_gui_driver.h"

namespace qm {

namespace {

std::string CssColor(const GdkRGBA& c) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "rgb(%d,%d,%d)", static_cast<int>(c.red * 255 + 0.5),
                static_cast<int>(c.green * 255 + 0.5), static_cast<int>(c.blue * 255 + 0.5));
  return buffer;
}

GdkRGBA ColorFromBytes(int r, int g, int b) { return GdkRGBA{r / 255.0, g / 255.0, b / 255.0, 1.0}; }

}  // namespace

TGtkGadget::~TGtkGadget() = default;

std::shared_ptr<TGtkGadget> TGtkGadget::FromWidget(GtkWidget* widget) {
  TGtkGuiDriver* driver = CurrentGtkDriver();
  if (!driver || !widget) return nullptr;
  return std::dynamic_pointer_cast<TGtkGadget>(driver->GadgetFromHandle(widget));
}

std::shared_ptr<TGtkGadget> TGtkGadget::NativeParent() const { return std::dynamic_pointer_cast<TGtkGadget>(parent); }

void TGtkGadget::InitNative() {
  CreateNative();
  if (handle) {
    owned_ = GObjectRef<GtkWidget>::Hold(handle);
    if (TGtkGuiDriver* driver = CurrentGtkDriver()) driver->Register(handle, shared_from_this());
  }
}

void TGtkGadget::PlaceInParent(GtkWidget* widget) {
  auto host = NativeParent();
  if (host && host->view && GTK_IS_FIXED(host->view)) {
    PlaceInClientArea(host->view, widget, xpos, ypos, width, height);
    gtk_widget_show(widget);
  } else {
    // No client area to live in (the desktop, or no parent): keep the widget
    // unplaced, the size still recorded for when it is.
    gtk_widget_set_size_request(widget, std::max(width, 0), std::max(height, 0));
  }
}

void TGtkGadget::SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  TGadget::SetRect(x, y, w, h);
  if (!handle) return;
  GtkWidget* area = gtk_widget_get_parent(handle);
  if (area && GTK_IS_FIXED(area)) PlaceInClientArea(area, handle, x, y, w, h);
}

std::int32_t TGtkGadget::ClientWidth() {
  if (view && gtk_widget_get_realized(view)) return gtk_widget_get_allocated_width(view);
  return width;
}

std::int32_t TGtkGadget::ClientHeight() {
  if (view && gtk_widget_get_realized(view)) return gtk_widget_get_allocated_height(view);
  return height;
}

void TGtkGadget::Activate(int) {
  if (handle && gtk_widget_get_can_focus(handle)) gtk_widget_grab_focus(handle);
}

int TGtkGadget::State() {
  int state = 0;
  if (!handle) return state;
  if (!gtk_widget_get_sensitive(handle)) state |= StateDisabled;
  if (!gtk_widget_get_visible(handle)) state |= StateHidden;
  return state;
}

void TGtkGadget::SetShow(int show) {
  if (!handle) return;
  if (show) {
    gtk_widget_show(handle);
  } else {
    gtk_widget_hide(handle);
  }
}

void TGtkGadget::SetColor(int r, int g, int b) {
  if (!TakesBackground()) return;
  background_ = ColorFromBytes(r, g, b);
  ApplyColors();
}

void TGtkGadget::SetTextColor(int r, int g, int b) {
  if (!TakesTextColor()) return;
  text_color_ = ColorFromBytes(r, g, b);
  ApplyColors();
}

// One provider per gadget holds its colours; it stays attached, so a
// background once set stays drawn whatever else changes.
void TGtkGadget::ApplyColors() {
  if (!handle) return;
  if (!colors_) {
    colors_ = GObjectRef<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_style_context_add_provider(gtk_widget_get_style_context(handle), GTK_STYLE_PROVIDER(colors_.get()),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
  }
  std::string css = "* {";
  if (text_color_) css += " color: " + CssColor(*text_color_) + ";";
  if (background_) css += " background-color: " + CssColor(*background_) + "; background-image: none;";
  css += " }";
  gtk_css_provider_load_from_data(colors_.get(), css.c_str(), -1, nullptr);
}

// Children go first: their widgets die with this one, and no widget may
// stay in the driver's map after it is gone.
void TGtkGadget::Free() {
  if (freed_) return;
  freed_ = true;
  auto keep_alive = shared_from_this();  // the map may hold the last reference
  const auto children = kids;
  for (const auto& weak : children) {
    if (auto kid = weak.lock()) kid->Free();
  }
  if (GtkWidget* widget = std::exchange(handle, nullptr)) {
    view = nullptr;
    if (TGtkGuiDriver* driver = CurrentGtkDriver()) driver->Unregister(widget);
    gtk_widget_destroy(widget);
  }
  owned_.Reset();
  TGadget::Free();
}

// The focusable children of one parent form a ring in creation order.
void TGtkGadget::LinkView() {
  const FocusRingLinks links = FocusRingLinksFor(shared_from_this());
  auto previous = std::dynamic_pointer_cast<TGtkGadget>(links.previous);
  if (!previous) return;
  previous->next_focus = std::static_pointer_cast<TGtkGadget>(shared_from_this());
  next_focus = std::dynamic_pointer_cast<TGtkGadget>(links.first);
}

}  // namespace qm
