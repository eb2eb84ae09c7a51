#include "gui/gtk/gtk_gui_driver.h"

#include "gui/gtk/gtk_button.h"
#include "gui/gtk/gtk_label.h"
#include "gui/gtk/gtk_window.h"
#include "system/runtime_error.h"
#include "system/strings.h"

namespace qm {

namespace {

TGtkGuiDriver* installed = nullptr;

// Gadget rectangles are exact, so controls give up the theme's minimum
// sizes and vertical padding; a framed label gets its border. A window's
// height includes its title bar, so the title bar is kept as low as a
// classic one: the theme's tall header bar would cover the bottom of a
// small window's content.
constexpr char kTheme[] =
    ".qm-gadget { min-height: 0; min-width: 0; padding-top: 0; padding-bottom: 0; }\n"
    "label.qm-frame { border: 1px solid rgb(128,128,128); padding: 1px 2px; }\n"
    "headerbar.qm-titlebar { min-height: 0; padding: 0 4px; }\n"
    "headerbar.qm-titlebar button.titlebutton { min-height: 0; min-width: 0; padding: 1px; margin: 0; }\n";

}  // namespace

TGtkGuiDriver* CurrentGtkDriver() { return installed; }

TGtkGuiDriver::TGtkGuiDriver() {
  theme_ = GObjectRef<GtkCssProvider>::Adopt(gtk_css_provider_new());
  gtk_css_provider_load_from_data(theme_.get(), kTheme, -1, nullptr);
  if (GdkScreen* screen = gdk_screen_get_default()) {
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(theme_.get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  installed = this;
}

TGtkGuiDriver::~TGtkGuiDriver() {
  if (installed == this) installed = nullptr;
}

GadgetPtr TGtkGuiDriver::CreateGadget(int cls, const String& text, std::int32_t x, std::int32_t y, std::int32_t w,
                                      std::int32_t h, const GadgetPtr& group, std::int32_t style) {
  std::shared_ptr<TGtkGadget> gadget;
  switch (cls) {
    case GadgetDesktop:
      gadget = std::make_shared<TGtkDesktop>();
      break;
    case GadgetWindow:
      gadget = std::make_shared<TGtkWindow>();
      break;
    case GadgetButton:
      gadget = std::make_shared<TGtkButton>();
      break;
    case GadgetLabel:
      gadget = std::make_shared<TGtkLabel>();
      break;
    case GadgetPanel:
      // A panel with bit 0x8 is a group box; plain panels are not provided.
      if (style & 0x8) {
        gadget = std::make_shared<TGtkLabel>();
        break;
      }
      [[fallthrough]];
    default:
      throw RuntimeError(u"The GTK driver cannot create gadgets of class " + FromInt(cls));
  }
  ConstructGadget(gadget, cls, text, x, y, w, h, group, style);
  return gadget;
}

GadgetPtr TGtkGuiDriver::ActiveGadget() {
  GList* toplevels = gtk_window_list_toplevels();
  GadgetPtr result;
  for (GList* item = toplevels; item && !result; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (!gtk_window_is_active(window)) continue;
    result = GadgetFromHandle(gtk_window_get_focus(window));
    if (!result) result = GadgetFromHandle(window);
  }
  g_list_free(toplevels);
  return result;
}

void TGtkGuiDriver::Register(GtkWidget* widget, const GadgetPtr& gadget) { gadgets_[widget] = gadget; }

void TGtkGuiDriver::Unregister(GtkWidget* widget) { gadgets_.erase(widget); }

GadgetPtr TGtkGuiDriver::GadgetFromHandle(const void* widget) const {
  if (!widget) return nullptr;
  auto found = gadgets_.find(widget);
  return found == gadgets_.end() ? nullptr : found->second;
}

}  // namespace qm
