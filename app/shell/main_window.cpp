#include "app/shell/main_window.h"

#include <chrono>
#include <string>

#include "app/index/catalogue.h"
#include "app/index/index_writer.h"
#include "app/rebuild/doc_rebuild.h"
#include "app/search/search_details.h"
#include "app/shell/settings.h"
#include "gui/event.h"
#include "gui/event_queue.h"
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

// "5995" as "5,995".
String Grouped(std::size_t number) {
  std::string digits = std::to_string(number), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return FromBytes(out);
}

bool Is(const ObjectRef& source, const GadgetPtr& gadget) { return gadget && source.get() == gadget.get(); }

// CLOSE or the close box, pressed while the pages were read: handled once
// the build has let go of the installation.
struct StopEvent {
  std::int32_t id = 0;
  ObjectRef source;
};
StopEvent stop_event;

// Reading and indexing the pages of a large documentation set takes seconds
// to minutes: the title says how far it has come, a few times a second, and
// the window is kept drawn meanwhile. What the user does is taken and
// dropped, as during the documentation rebuild, except CLOSE and the close
// box, which stop the build.
bool ShowPageReading(std::size_t done, std::size_t total) {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last_shown;
  const Clock::time_point now = Clock::now();
  if (done != total && done != 1 && now - last_shown < std::chrono::milliseconds(100)) return true;
  last_shown = now;
  SetGadgetText(window, u"Indexing pages: " + Grouped(done) + u" of " + Grouped(total));
  for (int i = 0; i < 64 && PeekEvent(); ++i) {
    const std::int32_t id = WaitEvent();
    const ObjectRef source = EventSource();
    if (id == EVENT_WINDOWCLOSE || (id == EVENT_GADGETACTION && Is(source, button_cancel))) {
      stop_event = {id, source};
      return false;
    }
  }
  return true;
}

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
  // Only CLOSE stays live while the pages are read.
  EnableGadget(button_cancel);
  stop_event = {};
  SetPageReadingObserver(ShowPageReading);
  const IndexBuildResult result = CreateSearchIndex();
  SetPageReadingObserver(nullptr);
  if (result.stopped) {
    const StopEvent stop = std::move(stop_event);
    stop_event = {};
    HandleMainWindowEvent(stop.id, stop.source);
    return;
  }
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
