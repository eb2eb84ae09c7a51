#include "app/services.h"

#include "gui/event_queue.h"
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
  StartEventSystem(CreateHeadlessSystemDriver());
  StartProcesses();
}

}  // namespace qm
