#include "gui/gtk/gtk_requesters.h"

#include <gtk/gtk.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

#include "gui/gtk/gtk_object_ref.h"
#include "gui/gtk/gtk_text.h"
#include "system/fix_path.h"
#include "system/lifetime.h"
#include "system/strings.h"

namespace qm {

namespace {

constexpr std::size_t kPathLimit = 4096;

// Remembers the active window when a requester opens and makes it active
// again when the requester closes.
class PanelScope {
 public:
  PanelScope() {
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next) {
      if (gtk_window_is_active(GTK_WINDOW(item->data))) {
        key_window_ = GObjectRef<GtkWindow>::Hold(GTK_WINDOW(item->data));
        break;
      }
    }
    g_list_free(toplevels);
  }
  ~PanelScope() {
    if (key_window_ && gtk_widget_get_visible(GTK_WIDGET(key_window_.get()))) gtk_window_present(key_window_.get());
  }
  PanelScope(const PanelScope&) = delete;
  PanelScope& operator=(const PanelScope&) = delete;
  GtkWindow* KeyWindow() const { return key_window_.get(); }

 private:
  GObjectRef<GtkWindow> key_window_;
};

struct Choice {
  const char* label;
  int result;
};

int RunMessage(const String& text, int serious, GtkMessageType ordinary, const Choice* choices, int count,
               int on_dismiss) {
  PanelScope panel;
  // The message goes through "%s": a percent sign is shown, not interpreted,
  // and the text is never read as markup.
  const std::string message = ToGtkText(text);
  GtkWidget* dialog =
      gtk_message_dialog_new(panel.KeyWindow(), GTK_DIALOG_MODAL, serious ? GTK_MESSAGE_ERROR : ordinary,
                             GTK_BUTTONS_NONE, "%s", message.c_str());
  const std::string title = ToGtkText(AppTitle);
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  for (int i = 0; i < count; ++i) gtk_dialog_add_button(GTK_DIALOG(dialog), choices[i].label, i);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), 0);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response >= 0 && response < count ? choices[response].result : on_dismiss;
}

}  // namespace

void GtkNotify(const String& text, int serious) {
  static const Choice choices[] = {{"OK", 1}};
  RunMessage(text, serious, GTK_MESSAGE_INFO, choices, 1, 0);
}

int GtkConfirm(const String& text, int serious) {
  static const Choice choices[] = {{"OK", 1}, {"Cancel", 0}};
  return RunMessage(text, serious, GTK_MESSAGE_QUESTION, choices, 2, 0);
}

int GtkProceed(const String& text, int serious) {
  static const Choice choices[] = {{"Yes", 1}, {"No", 0}, {"Cancel", -1}};
  return RunMessage(text, serious, GTK_MESSAGE_QUESTION, choices, 3, -1);
}

String GtkRequestDir(const String& text, const String& initial_path) {
  // The initial folder is a file name, not text to show: it keeps its bytes
  // (UTF-8 or not), just as the chosen folder comes back as its own bytes.
  // A path the file system layer could not open either leaves the chooser
  // at its default folder.
  const std::optional<std::string> path = SystemPath(initial_path);
  PanelScope panel;
  const std::string title = text.empty() ? std::string("Select Folder") : ToGtkText(text);
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(title.c_str(), panel.KeyWindow(), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "_Cancel",
                                  GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_file_chooser_set_create_folders(chooser, TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  // Without a usable initial folder the chooser starts in the home folder:
  // GTK's own default, the recent-files view, has no folders to select.
  char resolved[PATH_MAX];
  if (path && !path->empty() && realpath(path->c_str(), resolved)) {
    gtk_file_chooser_set_current_folder(chooser, resolved);
  } else {
    gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
  }
  String result;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    gchar* chosen = gtk_file_chooser_get_filename(chooser);
    if (chosen && std::char_traits<char>::length(chosen) < kPathLimit) result = FromByteString(chosen);
    g_free(chosen);
  }
  gtk_widget_destroy(dialog);
  return result;
}

}  // namespace qm
