#pragma once
#include <cstdint>

#include "gui/event.h"

namespace qm {

// Brings up, once and in order, the hook table, the event module, the system
// module (wake-up hook, then the given driver) and the event queue.
void StartEventSystem(std::shared_ptr<class TSystemDriver> driver);

// Queues an event; with update set, first tries to merge it into a queued
// event of the same id and source. A full ring drops the event silently.
void PostEvent(const EventPtr& event, int update);
std::int32_t PollEvent();
std::int32_t WaitEvent();
EventPtr PeekEvent();
EventPtr CurrentEvent();

std::int32_t EventID();
std::int32_t EventData();
std::int32_t EventMods();
std::int32_t EventX();
std::int32_t EventY();
ObjectRef EventExtra();
String EventText();
ObjectRef EventSource();
// The integer handle of the source: its address, 0 for no source.
std::intptr_t EventSourceHandle();

// Test-only: forgets every module's state (hooks, user ids, installed system
// driver, ring, counters) so that the next StartEventSystem starts afresh.
// counter_start places both ring counters, to exercise their wrap-around.
void ResetEventSystemForTesting(std::uint32_t counter_start = 0);

}  // namespace qm
