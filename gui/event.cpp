#include "gui/event.h"

#include <utility>

#include "gui/event_modules.h"
#include "gui/hooks.h"
#include "system/strings.h"

namespace qm {

namespace {

struct EventModule {
  std::int32_t emit_hook = -1;
  // Unsigned so that running past the top wraps instead of overflowing.
  std::uint32_t user_counter = 0x80000000u;
  bool started = false;
};

EventModule& Module() {
  static EventModule module;
  return module;
}

struct EventName {
  std::int32_t id;
  const char16_t* name;
};

constexpr EventName kEventNames[] = {
    {EVENT_APPSUSPEND, u"AppSuspend"},
    {EVENT_APPRESUME, u"AppResume"},
    {EVENT_APPTERMINATE, u"AppTerminate"},
    {EVENT_APPOPENFILE, u"AppOpenFile"},
    {EVENT_APPIDLE, u"AppIdle"},
    {EVENT_KEYDOWN, u"KeyDown"},
    {EVENT_KEYUP, u"KeyUp"},
    {EVENT_KEYCHAR, u"KeyChar"},
    {EVENT_KEYREPEAT, u"KeyRepeat"},
    {EVENT_MOUSEDOWN, u"MouseDown"},
    {EVENT_MOUSEUP, u"MouseUp"},
    {EVENT_MOUSEMOVE, u"MouseMove"},
    {EVENT_MOUSEWHEEL, u"MouseWheel"},
    {EVENT_MOUSEENTER, u"MouseEnter"},
    {EVENT_MOUSELEAVE, u"MouseLeave"},
    {EVENT_TIMERTICK, u"TimerTick"},
    {EVENT_HOTKEYHIT, u"HotkeyHit"},
    {EVENT_GADGETACTION, u"GadgetAction"},
    {EVENT_GADGETPAINT, u"GadgetPaint"},
    {EVENT_GADGETSELECT, u"GadgetSelect"},
    {EVENT_GADGETMENU, u"GadgetMenu"},
    {EVENT_GADGETOPEN, u"GadgetOpen"},
    {EVENT_GADGETCLOSE, u"GadgetClose"},
    {EVENT_GADGETDONE, u"GadgetDone"},
    {EVENT_GADGETLOSTFOCUS, u"GadgetLostFocus"},
    {EVENT_GADGETSHAPE, u"GadgetShape"},
    {EVENT_WINDOWMOVE, u"WindowMove"},
    {EVENT_WINDOWSIZE, u"WindowSize"},
    {EVENT_WINDOWCLOSE, u"WindowClose"},
    {EVENT_WINDOWACTIVATE, u"WindowActivate"},
    {EVENT_WINDOWACCEPT, u"WindowAccept"},
    {EVENT_MENUACTION, u"MenuAction"},
    {EVENT_STREAMEOF, u"StreamEof"},
    {EVENT_STREAMAVAIL, u"StreamAvail"},
    {EVENT_PROCESSEXIT, u"ProcessExit"},
};

String EventName(std::int32_t id) {
  for (const auto& entry : kEventNames) {
    if (entry.id == id) return entry.name;
  }
  const auto bits = static_cast<std::uint32_t>(id);
  if (bits & 0x80000000u) return u"UserEvent" + FromInt(static_cast<std::int32_t>(bits - 0x80000000u));
  return u"Unknown Event, id=" + FromInt(id);
}

}  // namespace

void StartEventModule() {
  EventModule& module = Module();
  if (module.started) return;
  module.started = true;
  module.emit_hook = AllocHookId();
}

void ResetEventModule() { Module() = EventModule{}; }

std::int32_t EmitEventHook() { return Module().emit_hook; }

std::shared_ptr<TEvent> TEvent::Create(std::int32_t id, ObjectRef source, std::int32_t data, std::int32_t mods,
                                       std::int32_t x, std::int32_t y, ObjectRef extra) {
  auto event = std::make_shared<TEvent>();
  event->id = id;
  event->source = std::move(source);
  event->data = data;
  event->mods = mods;
  event->x = x;
  event->y = y;
  event->extra = std::move(extra);
  return event;
}

void TEvent::Emit() {
  // The chain's result is of no interest: the queue hook has done its work.
  // A record not held by a shared pointer is queued as a copy, since the ring
  // keeps what it is given.
  std::shared_ptr<TEvent> self = weak_from_this().lock();
  if (!self) self = std::make_shared<TEvent>(*this);
  RunHooks(EmitEventHook(), self);
}

std::int32_t TEvent::AllocUserId() {
  EventModule& module = Module();
  ++module.user_counter;
  return static_cast<std::int32_t>(module.user_counter);
}

String TEvent::ToString() const {
  String text = EventName(id);
  text += u": data=" + FromInt(data);
  text += u", mods=" + FromInt(mods);
  text += u", x=" + FromInt(x);
  text += u", y=" + FromInt(y);
  String extra_text;
  if (auto* s = dynamic_cast<const StringObject*>(extra.get())) extra_text = s->value;
  text += u", extra=\"" + extra_text + u"\"";
  return text;
}

EventPtr CreateEvent(std::int32_t id, ObjectRef source, std::int32_t data, std::int32_t mods, std::int32_t x,
                     std::int32_t y, ObjectRef extra) {
  return TEvent::Create(id, std::move(source), data, mods, x, y, std::move(extra));
}

void EmitEvent(const EventPtr& event) {
  if (event) event->Emit();
}

std::int32_t AllocUserEventId() { return TEvent::AllocUserId(); }

}  // namespace qm
