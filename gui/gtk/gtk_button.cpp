#include "gui/gtk/gtk_button.h"

#include "gui/gtk/gtk_controller.h"
#include "gui/gtk/gtk_text.h"

namespace qm {

namespace {

class QuietScope {
 public:
  explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
  ~QuietScope() { --depth_; }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  int& depth_;
};

}  // namespace

bool TGtkButton::Toggles() const { return Kind() == ButtonCheckbox || Kind() == ButtonRadio; }

void TGtkButton::CreateNative() {
  const std::string caption = ToGtkText(name);
  GtkWidget* button = nullptr;
  const bool push_style = (style & ButtonPushStyle) != 0;
  if (Kind() == ButtonCheckbox) {
    button = push_style ? gtk_toggle_button_new_with_label(caption.c_str())
                        : gtk_check_button_new_with_label(caption.c_str());
  } else if (Kind() == ButtonRadio) {
    // Each radio button is a group of its own: the toolkit unchecks the
    // siblings itself, as it does for every other window system.
    if (push_style) {
      button = gtk_toggle_button_new_with_label(caption.c_str());
    } else {
      unchecked_partner_ = GObjectRef<GtkWidget>::Hold(gtk_radio_button_new(nullptr));
      button = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(unchecked_partner_.get()), caption.c_str());
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(unchecked_partner_.get()), TRUE);
    }
  } else {
    button = gtk_button_new_with_label(caption.c_str());
  }
  gtk_style_context_add_class(gtk_widget_get_style_context(button), "qm-gadget");
  handle = view = button;
  PlaceInParent(button);
  if (Kind() == ButtonOk || Kind() == ButtonCancel) {
    auto host = NativeParent();
    while (host && host->Class() != GadgetWindow) host = std::dynamic_pointer_cast<TGtkGadget>(host->parent);
    if (host && host->handle && Kind() == ButtonOk) {
      // Return in the window activates the default widget.
      gtk_widget_set_can_default(button, TRUE);
      gtk_window_set_default(GTK_WINDOW(host->handle), button);
    }
  }
  GtkController::ConnectButton(button);
}

int TGtkButton::State() {
  int state = TGtkGadget::State();
  if (handle && Toggles() && GTK_IS_TOGGLE_BUTTON(handle)) {
    GtkToggleButton* toggle = GTK_TOGGLE_BUTTON(handle);
    if (gtk_toggle_button_get_inconsistent(toggle)) {
      state |= StateSelected | StateIndeterminate;
    } else if (gtk_toggle_button_get_active(toggle)) {
      state |= StateSelected;
    }
  }
  return state;
}

void TGtkButton::SetText(const String& text) {
  if (handle) gtk_button_set_label(GTK_BUTTON(handle), ToGtkText(text).c_str());
}

String TGtkButton::GetText() {
  String text = handle ? FromGtkText(gtk_button_get_label(GTK_BUTTON(handle))) : String();
  return text.empty() ? name : text;
}

// 1 checks, 0 unchecks, -1 is the mixed state (shown checked-and-dashed).
void TGtkButton::SetSelected(int state) {
  if (!handle || !GTK_IS_TOGGLE_BUTTON(handle)) return;
  {
    QuietScope quiet(quiet_);
    GtkToggleButton* toggle = GTK_TOGGLE_BUTTON(handle);
    gtk_toggle_button_set_inconsistent(toggle, state == -1);
    if (state == 0 && unchecked_partner_) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(unchecked_partner_.get()), TRUE);
    } else {
      gtk_toggle_button_set_active(toggle, state != 0);
    }
  }
  TGadget::SetSelected(state);
}

void TGtkButton::SetEnabled(int enabled) {
  if (handle) gtk_widget_set_sensitive(handle, enabled != 0);
}

bool TGtkButton::AcceptPress() {
  if (quiet_) return false;
  if (handle && GTK_IS_TOGGLE_BUTTON(handle)) {
    GtkToggleButton* toggle = GTK_TOGGLE_BUTTON(handle);
    if (gtk_toggle_button_get_inconsistent(toggle)) {
      QuietScope quiet(quiet_);
      gtk_toggle_button_set_inconsistent(toggle, FALSE);
      gtk_toggle_button_set_active(toggle, TRUE);
    }
  }
  return true;
}

}  // namespace qm
