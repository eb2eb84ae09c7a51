#include <utility>

#include "gui/gadget.h"
#include "system/runtime_error.h"
#include "system/strings.h"

namespace qm {

std::shared_ptr<TGuiDriver> gui_driver;

void InstallGuiDriver(std::shared_ptr<TGuiDriver> driver) { gui_driver = std::move(driver); }

GadgetPtr TGuiDriver::ActiveGadget() { return nullptr; }

namespace {

TGuiDriver& InstalledDriver() {
  if (!gui_driver) throw RuntimeError(u"No GUI driver installed");
  return *gui_driver;
}

// Toolbars are told apart by a running number in their name.
int toolbar_count = 0;

String CleanText(int cls, String text) {
  if (cls == GadgetButton) {
    // Only the first "&" marks a mnemonic; "A&&B" thus shows "A&B".
    const int at = Find(text, u"&");
    if (at >= 0) text.erase(static_cast<std::size_t>(at), 1);
  } else if (cls == GadgetMenu) {
    text = Replace(text, u"&", u"");
  } else if (cls == GadgetToolbar) {
    text = u"Toolbar" + FromInt(++toolbar_count);
  }
  const auto backspace = text.find(u'\b');
  if (backspace != String::npos) text.resize(backspace);
  return text;
}

}  // namespace

void ConstructGadget(const GadgetPtr& gadget, int cls, const String& text, std::int32_t x, std::int32_t y,
                     std::int32_t w, std::int32_t h, const GadgetPtr& group, std::int32_t style) {
  gadget->name = CleanText(cls, text);
  gadget->gadget_class = cls;
  gadget->internal_class = cls;
  if (cls == GadgetPanel && (style & 0x8)) {
    gadget->internal_class = GadgetLabel;
    style = LabelGroupBox;
  }
  gadget->parent = group;
  if (!group && cls != GadgetDesktop) gadget->parent = Desktop();
  gadget->SetRect(x, y, w, h);
  gadget->style = style;
  gadget->InitNative();
  gadget->LockLayout();
  if (cls != GadgetDesktop && cls != GadgetWindow && cls != GadgetMenu) gadget->SetLayout(0, 0, 0, 0);
  if (group) gadget->_setparent(group, -1);
  gadget->SetTextColor(0, 0, 0);
  gadget->LinkView();
}

GadgetPtr Desktop() { return InstalledDriver().CreateGadget(GadgetDesktop, String(), 0, 0, 0, 0, nullptr, 0); }

GadgetPtr CreateWindow(const String& title, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       const GadgetPtr& group, std::int32_t style) {
  if (style & WindowCenter) {
    // Integer division truncates toward zero, also for a window larger
    // than the area it is centred on.
    if (group) {
      x = GadgetX(group) + (GadgetWidth(group) - w) / 2;
      y = GadgetY(group) + (GadgetHeight(group) - h) / 2;
    } else {
      const GadgetPtr desktop = Desktop();
      x = (GadgetWidth(desktop) - w) / 2;
      y = (GadgetHeight(desktop) - h) / 2;
    }
  }
  return InstalledDriver().CreateGadget(GadgetWindow, title, x, y, w, h, group, style);
}

GadgetPtr CreateLabel(const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                      const GadgetPtr& group, std::int32_t style) {
  return InstalledDriver().CreateGadget(GadgetLabel, text, x, y, w, h, group, style);
}

GadgetPtr CreateButton(const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       const GadgetPtr& group, std::int32_t style) {
  return InstalledDriver().CreateGadget(GadgetButton, text, x, y, w, h, group, style);
}

}  // namespace qm
