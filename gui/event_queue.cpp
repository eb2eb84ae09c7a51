#include "gui/event_queue.h"

#include <array>

#include "gui/event_modules.h"
#include "gui/hooks.h"
#include "system/system_driver.h"

namespace qm {

namespace {

constexpr std::uint32_t kRingSize = 256;

// The counters run freely and only their difference and low 8 bits matter;
// they are unsigned so that running past the top wraps as intended.
struct EventQueue {
  std::array<EventPtr, kRingSize> ring;
  std::uint32_t put = 0;
  std::uint32_t get = 0;
  EventPtr null_event;
  EventPtr current;
  bool started = false;
};

EventQueue& Queue() {
  static EventQueue queue;
  return queue;
}

std::uint32_t Queued() { return Queue().put - Queue().get; }

bool MergesIntoQueued(std::int32_t id) {
  return id == EVENT_WINDOWMOVE || id == EVENT_WINDOWSIZE || id == EVENT_TIMERTICK || id == EVENT_GADGETACTION;
}

// Last hook of the emit chain: every emitted event lands in the ring.
ObjectRef QueueHook(std::int32_t, ObjectRef data, ObjectRef) {
  auto event = std::dynamic_pointer_cast<TEvent>(data);
  if (!event) return nullptr;
  PostEvent(event, MergesIntoQueued(event->id) ? 1 : 0);
  return event;
}

std::int32_t TakeNextEvent() {
  EventQueue& queue = Queue();
  EventPtr& slot = queue.ring[queue.get & (kRingSize - 1)];
  queue.current = std::move(slot);
  slot = nullptr;
  ++queue.get;
  return queue.current->id;
}

std::int32_t BecomeIdle() {
  Queue().current = Queue().null_event;
  return 0;
}

// What the accessors read: the null event before the queue has started.
const TEvent& Current() {
  static const TEvent empty;
  const EventPtr& current = Queue().current;
  return current ? *current : empty;
}

}  // namespace

void StartEventQueueModule() {
  EventQueue& queue = Queue();
  if (queue.started) return;
  queue.started = true;
  AddHook(EmitEventHook(), QueueHook, nullptr, -10000);
  queue.null_event = std::make_shared<TEvent>();
  queue.current = queue.null_event;
}

void ResetEventQueueModule(std::uint32_t counter_start) {
  EventQueue& queue = Queue();
  queue.ring.fill(nullptr);
  queue.put = queue.get = counter_start;
  queue.null_event = nullptr;
  queue.current = nullptr;
  queue.started = false;
}

void PostEvent(const EventPtr& event, int update) {
  if (!event) return;
  EventQueue& queue = Queue();
  if (update) {
    for (std::uint32_t n = queue.get; n != queue.put; ++n) {
      TEvent& queued = *queue.ring[n & (kRingSize - 1)];
      if (queued.id == event->id && queued.source == event->source) {
        queued.data = event->data;
        queued.mods = event->mods;
        queued.x = event->x;
        queued.y = event->y;
        queued.extra = event->extra;
        return;
      }
    }
  }
  if (Queued() == kRingSize) return;  // full: dropped without a report
  queue.ring[queue.put & (kRingSize - 1)] = event;
  ++queue.put;
}

std::int32_t PollEvent() {
  if (Queued() == 0) PollSystem();
  if (Queued() == 0) return BecomeIdle();
  return TakeNextEvent();
}

std::int32_t WaitEvent() {
  while (Queued() == 0) {
    // Called from inside a pump (a native callback) or with no driver,
    // nothing can arrive while we wait: blocking would hang the program, so
    // report no event instead, as PollEvent does.
    if (!Driver || SystemPumpBusy()) return BecomeIdle();
    WaitSystem();
  }
  return TakeNextEvent();
}

EventPtr PeekEvent() {
  if (Queued() == 0) PollSystem();
  if (Queued() == 0) return nullptr;
  return Queue().ring[Queue().get & (kRingSize - 1)];
}

EventPtr CurrentEvent() { return Queue().current; }

std::int32_t EventID() { return Current().id; }
std::int32_t EventData() { return Current().data; }
std::int32_t EventMods() { return Current().mods; }
std::int32_t EventX() { return Current().x; }
std::int32_t EventY() { return Current().y; }
ObjectRef EventExtra() { return Current().extra; }

String EventText() {
  if (auto* s = dynamic_cast<const StringObject*>(Current().extra.get())) return s->value;
  return String();
}

ObjectRef EventSource() { return Current().source; }

std::intptr_t EventSourceHandle() { return reinterpret_cast<std::intptr_t>(Current().source.get()); }

}  // namespace qm
