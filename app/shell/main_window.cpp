#include "app/shell/main_window.h"

#include "app/index/catalogue.h"
#include "app/index/index_writer.h"
#include "app/rebuild/doc_rebuild.h"
#include "app/shell/settings.h"
#include "gui/event.h"
#include "system/fix_path.h"
#include "system/lifetime.h"
#include "system/strings.h"
#include "system/system_driver.h"

#ifdef QM_HAVE_GTK
#include "gui/gtk/gtk_accessibility.h"
#endif

namespace qm {

GadgetPtr window;
GadgetPtr label_path;
GadgetPtr button_docs;
GadgetPtr change_path;
GadgetPtr button_ok;
GadgetPtr button_cancel;

namespace {

// One line: the label is only one line high.
const char16_t kCredit[] = u"Indexes and searches the Tallowin documentation.";

void SetCommandButtons(bool enabled) {
  for (const auto& button : {button_ok, button_cancel, change_path}) {
    if (enabled) {
      EnableGadget(button);
    } else {
      DisableGadget(button);
    }
  }
}

void ChangePressed() {
  tlwndir = RequestDir(u"Find the Tallowin dir", u"");
  SetGadgetText(label_path, tlwndir);
  SaveInfo();
}

bool Is(const ObjectRef& source, const GadgetPtr& gadget) { return gadget && source.get() == gadget.get(); }

}  // namespace

void BuildMainWindow() {
  window = CreateWindow(u"Quillmere v." + version, 100, 100, 400, 150, nullptr, WindowTitleBar | WindowCenter);
  const GadgetPtr caption = CreateLabel(u"Tallowin Path", 10, 10, 380, 20, window, 0);
  label_path = CreateLabel(tlwndir, 10, 30, 300, 20, window, LabelFrame);
  SetGadgetColor(label_path, 200, 200, 200, 1);
  SetGadgetColor(label_path, 20, 20, 230, 0);
  button_docs = CreateButton(u"Rebuild docs", 10, 55, 380, 20, window, ButtonCheckbox);
  change_path = CreateButton(u"Change", 320, 30, 70, 20, window, ButtonPushStyle);
  button_ok = CreateButton(u"BUILD", 10, 80, 180, 20, window, ButtonPushStyle);
  button_cancel = CreateButton(u"CLOSE", 210, 80, 180, 20, window, ButtonPushStyle);
  CreateLabel(kCredit, 10, 105, 380, 20, window, 0);
  SetButtonState(button_docs, ToInt(buildDoc));
#ifdef QM_HAVE_GTK
  // A screen reader names the path by its caption, and Tab reads the window
  // as the eye does: the path's Change button first, then down the window.
  LabelGadgetFor(caption, label_path);
  SetFocusOrder({change_path, button_docs, button_ok, button_cancel});
#else
  static_cast<void>(caption);
#endif
}

void BuildPressed() {
  if (tlwndir.empty()) {
    Notify(u"Choose a path for Tallowin please!", 0);
    return;
  }
  SetCommandButtons(false);
  // The checkbox itself decides, not the remembered choice.
  if (ButtonState(button_docs) == 1) {
    SetGadgetText(window, u"Creating documentation....");
    RebuildDocumentation(tlwndir);
  }
  SetGadgetText(window, u"Creating index....");
  const IndexBuildResult result = CreateSearchIndex();
  SetCommandButtons(true);
  // A refused or failed build wrote nothing: a count in the title would
  // claim an index that is not there.
  SetGadgetText(window, u"Quillmere v." + version +
                            (result.ok ? u" Items: " + FromInt(list_command->Count()) : String(u" Nothing was built")));
  if (!result.ok) Notify(u"The index could not be built.\n" + FixPath(result.path) + u"\n" + result.reason, 0);
}

void HandleMainWindowEvent(std::int32_t id, const ObjectRef& source) {
  if (id == EVENT_WINDOWCLOSE) End();
  if (id != EVENT_GADGETACTION) return;
  if (Is(source, button_ok)) {
    BuildPressed();
  } else if (Is(source, button_docs)) {
    buildDoc = FromInt(ButtonState(button_docs));
  } else if (Is(source, button_cancel)) {
    SaveInfo();
    End();
  } else if (Is(source, change_path)) {
    ChangePressed();
  }
}

}  // namespace qm
