#include "app/shell/services.h"

#include "gui/event_queue.h"
#ifdef QM_HAVE_GTK
#include "gui/gtk/gtk_startup.h"
#endif
#include "process/process.h"
#include "resources/embedded.h"
#include "system/incbin.h"
#include "system/system_driver.h"

namespace qm {

void RegisterEmbeddedPages() {
  const auto add = [](const String& name, std::span<const unsigned char> data) {
    IncbinAdd(name, data.data(), data.size());
  };
  add(u"resources\\index.html", resources::IndexHtml());
  add(u"resources\\commands.html", resources::CommandsHtml());
  add(u"resources\\tlwstyle.css", resources::StyleCss());
}

void StartServices() {
  // The window system when a display can be opened; otherwise the headless
  // drivers, so that batch mode never needs a display.
  bool native = false;
#ifdef QM_HAVE_GTK
  native = InstallGtkDrivers();
#endif
  StartEventSystem(native ? Driver : CreateHeadlessSystemDriver());
  StartProcesses();
}

}  // namespace qm
