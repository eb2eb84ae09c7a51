#pragma once
#include <cstdint>
#include <memory>

#include "system/object.h"

namespace qm {

// Event ids, grouped by their high bits.
enum : std::int32_t {
  EVENT_APPSUSPEND = 0x101,
  EVENT_APPRESUME = 0x102,
  EVENT_APPTERMINATE = 0x103,
  EVENT_APPOPENFILE = 0x104,
  EVENT_APPIDLE = 0x105,
  EVENT_KEYDOWN = 0x201,
  EVENT_KEYUP = 0x202,
  EVENT_KEYCHAR = 0x203,
  EVENT_KEYREPEAT = 0x204,
  EVENT_MOUSEDOWN = 0x401,
  EVENT_MOUSEUP = 0x402,
  EVENT_MOUSEMOVE = 0x403,
  EVENT_MOUSEWHEEL = 0x404,
  EVENT_MOUSEENTER = 0x405,
  EVENT_MOUSELEAVE = 0x406,
  EVENT_TIMERTICK = 0x801,
  EVENT_HOTKEYHIT = 0x1001,
  EVENT_GADGETACTION = 0x2001,
  EVENT_GADGETPAINT = 0x2002,
  EVENT_GADGETSELECT = 0x2003,
  EVENT_GADGETMENU = 0x2004,
  EVENT_GADGETOPEN = 0x2005,
  EVENT_GADGETCLOSE = 0x2006,
  EVENT_GADGETDONE = 0x2007,
  EVENT_GADGETLOSTFOCUS = 0x2008,
  EVENT_GADGETSHAPE = 0x2009,
  EVENT_WINDOWMOVE = 0x4001,
  EVENT_WINDOWSIZE = 0x4002,
  EVENT_WINDOWCLOSE = 0x4003,
  EVENT_WINDOWACTIVATE = 0x4004,
  EVENT_WINDOWACCEPT = 0x4005,
  EVENT_MENUACTION = 0x8001,
  EVENT_STREAMEOF = 0x10001,
  EVENT_STREAMAVAIL = 0x10002,
  EVENT_PROCESSEXIT = 0x20001,
};

// One asynchronous happening: a button pressed, a window closed, ...
class TEvent : public Object, public std::enable_shared_from_this<TEvent> {
 public:
  std::int32_t id = 0;
  ObjectRef source;
  std::int32_t data = 0;
  std::int32_t mods = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  ObjectRef extra;

  static std::shared_ptr<TEvent> Create(std::int32_t id, ObjectRef source, std::int32_t data, std::int32_t mods,
                                        std::int32_t x, std::int32_t y, ObjectRef extra);
  // Runs the emit hook chain, which queues the event.
  void Emit();
  static std::int32_t AllocUserId();
  // "GadgetAction: data=1, mods=0, x=0, y=0, extra=\"\""
  String ToString() const override;
};

using EventPtr = std::shared_ptr<TEvent>;

EventPtr CreateEvent(std::int32_t id, ObjectRef source = nullptr, std::int32_t data = 0, std::int32_t mods = 0,
                     std::int32_t x = 0, std::int32_t y = 0, ObjectRef extra = nullptr);
void EmitEvent(const EventPtr& event);
std::int32_t AllocUserEventId();

}  // namespace qm
