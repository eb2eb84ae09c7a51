#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "system/object.h"

namespace qm {

// Gadget class numbers, as passed to the driver and reported by Class().
enum : int {
  GadgetDesktop = 0,
  GadgetWindow = 1,
  GadgetButton = 2,
  GadgetPanel = 3,
  GadgetTextField = 4,
  GadgetTextArea = 5,
  GadgetComboBox = 6,
  GadgetListBox = 7,
  GadgetToolbar = 8,
  GadgetTabber = 9,
  GadgetTreeView = 10,
  GadgetHTMLView = 11,
  GadgetLabel = 12,
  GadgetSlider = 13,
  GadgetProgBar = 14,
  GadgetMenu = 15,
  GadgetNode = 16,
  GadgetCanvas = 17,
};

// Window style bits.
enum : int {
  WindowTitleBar = 0x1,
  WindowResizable = 0x2,
  WindowStatus = 0x8,
  WindowTool = 0x10,
  WindowClientCoords = 0x20,
  WindowHidden = 0x40,
  WindowAcceptFiles = 0x80,
  WindowCenter = 0x200,
};

// Button kinds (style & 7) and the push-style modifier bit.
enum : int {
  ButtonPush = 0,
  ButtonCheckbox = 2,
  ButtonRadio = 3,
  ButtonOk = 4,
  ButtonCancel = 5,
  ButtonPushStyle = 0x8,
};

// Label frame kinds (style & 3) and alignment bits.
enum : int {
  LabelFrame = 1,
  LabelGroupBox = 2,
  LabelSeparator = 3,
  LabelRight = 0x8,
  LabelCenter = 0x10,
};

// State bits reported by State().
enum : int {
  StateMinimized = 0x1,
  StateMaximized = 0x2,
  StateDisabled = 0x4,
  StateHidden = 0x8,
  StateSelected = 0x10,
  StateIndeterminate = 0x40,
};

// Layout modes of one edge.
enum : int { EdgeFree = 0, EdgeAligned = 1, EdgeRelative = 2 };

// Every window and control. The core keeps the record and the portable
// logic; a driver subclass overrides the screen operations.
class TGadget : public Object, public std::enable_shared_from_this<TGadget> {
 public:
  std::shared_ptr<TGadget> source;  // reported as event source instead (proxies)
  std::shared_ptr<TGadget> parent;
  // Children in creation order. Held weakly: the driver's handle map owns
  // gadgets, and a parent that owned its kids would form a cycle.
  std::vector<std::weak_ptr<TGadget>> kids;
  std::int32_t xpos = 0, ypos = 0, width = 0, height = 0;
  String name;
  ObjectRef extra;
  std::int32_t style = 0;
  std::int32_t sensitivity = 0;
  std::int32_t visible = 0;
  std::int32_t total = 1;
  std::int32_t lockl = 0, lockr = 0, lockt = 0, lockb = 0;
  std::int32_t lockx = 0, locky = 0, lockw = 0, lockh = 0;
  std::int32_t lockcw = 0, lockch = 0;
  std::int32_t gadget_class = 0;  // creation class, as Class() reports it
  // The class the native side builds: the creation class, except that a
  // panel with style bit 0x8 is built as a group-box label.
  std::int32_t internal_class = 0;

  // Portable operations.
  virtual void SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
  virtual void LockLayout();
  virtual void SetLayout(std::int32_t l, std::int32_t r, std::int32_t t, std::int32_t b);
  virtual void LayoutKids();
  virtual void DoLayout();
  virtual void _setparent(const std::shared_ptr<TGadget>& group, int index);
  virtual int Class() const { return gadget_class; }

  // Screen operations; the base versions do nothing (or report the record).
  virtual std::int32_t ClientWidth();
  virtual std::int32_t ClientHeight();
  virtual void Activate(int command);
  virtual int State();
  virtual void SetShow(int show);
  virtual void SetText(const String& text);
  virtual String GetText();
  virtual void SetColor(int r, int g, int b);
  virtual void SetTextColor(int r, int g, int b);
  // Drivers set the native check state, then call this base version, which
  // unchecks the radio siblings of a radio button being checked.
  virtual void SetSelected(int state);
  virtual void SetEnabled(int enabled);
  virtual void SetStatus(const String& text);
  virtual void Free();

  // Construction hooks for drivers: create and register the native object
  // (called after the rectangle and style are stored; a desktop sets its
  // rectangle to the screen here), and join the keyboard-focus ring (called
  // last; FocusRingLinksFor says where).
  virtual void InitNative();
  virtual void LinkView();
};

using GadgetPtr = std::shared_ptr<TGadget>;

// Desktops, windows, toolbars, labels, progress bars, menus and tree nodes
// take no keyboard focus.
bool IsFocusableClass(int cls);

// Where a new gadget joins its parent's focus ring: the nearest focusable
// sibling created before it passes focus to it, and it passes focus on to
// the first focusable sibling. Both are null when the gadget is not
// focusable or is its parent's first focusable child.
struct FocusRingLinks {
  GadgetPtr previous;
  GadgetPtr first;
};
FocusRingLinks FocusRingLinksFor(const GadgetPtr& gadget);

// A button (class 2) of the radio kind.
bool IsRadioButton(const TGadget& gadget);
// Unchecks every other radio button among the gadget's parent's children.
void UncheckRadioSiblings(const TGadget& gadget);

// The toolkit's driver: makes gadgets of the window system it stands for.
class TGuiDriver : public Object {
 public:
  virtual GadgetPtr CreateGadget(int cls, const String& text, std::int32_t x, std::int32_t y, std::int32_t w,
                                 std::int32_t h, const GadgetPtr& group, std::int32_t style) = 0;
  virtual GadgetPtr ActiveGadget();
};

extern std::shared_ptr<TGuiDriver> gui_driver;
void InstallGuiDriver(std::shared_ptr<TGuiDriver> driver);

// The construction sequence every driver's CreateGadget follows, applied to
// the driver's fresh gadget instance.
void ConstructGadget(const GadgetPtr& gadget, int cls, const String& text, std::int32_t x, std::int32_t y,
                     std::int32_t w, std::int32_t h, const GadgetPtr& group, std::int32_t style);

GadgetPtr Desktop();
GadgetPtr CreateWindow(const String& title, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       const GadgetPtr& group, std::int32_t style);
GadgetPtr CreateLabel(const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                      const GadgetPtr& group, std::int32_t style);
GadgetPtr CreateButton(const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                       const GadgetPtr& group, std::int32_t style);

std::int32_t GadgetX(const GadgetPtr& g);
std::int32_t GadgetY(const GadgetPtr& g);
std::int32_t GadgetWidth(const GadgetPtr& g);
std::int32_t GadgetHeight(const GadgetPtr& g);
void SetGadgetText(const GadgetPtr& g, const String& text);
void SetGadgetColor(const GadgetPtr& gadget, int r, int g, int b, int bg);
void EnableGadget(const GadgetPtr& g);
void DisableGadget(const GadgetPtr& g);
int GadgetDisabled(const GadgetPtr& g);
int GadgetHidden(const GadgetPtr& g);
// 1 checked, 0 unchecked, -1 mixed.
int ButtonState(const GadgetPtr& g);
void SetButtonState(const GadgetPtr& g, int state);

// Emits an event for a user action, reporting a proxy's source instead.
void PostGuiEvent(std::int32_t id, const GadgetPtr& g, std::int32_t data, std::int32_t mods, std::int32_t x,
                  std::int32_t y, ObjectRef extra);
// What a driver calls for every native action on a known gadget (or null):
// "WindowSize" and "WindowMove" update the rectangle (a resize also lays out
// the children); "GadgetAction" on a button adjusts its state by kind and
// reports the state after the press as data; then PostGuiEvent.
void PostDriverEvent(std::int32_t id, const GadgetPtr& source, std::int32_t data, std::int32_t mods, std::int32_t x,
                     std::int32_t y, ObjectRef extra);

}  // namespace qm
