#include "gui/event_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_drivers.h"
#include "gui/hooks.h"

namespace qm::testing {
namespace {

class EventQueueTest : public ToolkitTest {
 protected:
  ObjectRef button_a = std::make_shared<Object>();
  ObjectRef button_b = std::make_shared<Object>();
};

// Merging of the continuous kinds into the pending event of the same source.

TEST_F(EventQueueTest, TwoPressesOfOneButtonGiveOneEventWithTheLastState) {
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_a, 1, 2, 3, 4, std::make_shared<StringObject>(u"first")));
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_a, 0, 5, 6, 7, std::make_shared<StringObject>(u"second")));
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), button_a);
  EXPECT_EQ(EventData(), 0);
  EXPECT_EQ(EventMods(), 5);
  EXPECT_EQ(EventX(), 6);
  EXPECT_EQ(EventY(), 7);
  EXPECT_EQ(EventText(), u"second");
  EXPECT_EQ(PollEvent(), 0);
}

TEST_F(EventQueueTest, PressesOfTwoButtonsGiveTwoEventsInPressOrder) {
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_b));
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_a));
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), button_b);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), button_a);
}

TEST_F(EventQueueTest, TwoWindowClosesGiveTwoEvents) {
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, button_a));
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, button_a));
  EXPECT_EQ(DrainIds(), (std::vector<std::int32_t>{EVENT_WINDOWCLOSE, EVENT_WINDOWCLOSE}));
}

TEST_F(EventQueueTest, MovesSizesAndTicksMergeButKeepTheirPlace) {
  EmitEvent(CreateEvent(EVENT_WINDOWMOVE, button_a, 0, 0, 1, 1));
  EmitEvent(CreateEvent(EVENT_WINDOWSIZE, button_a, 0, 0, 10, 10));
  EmitEvent(CreateEvent(EVENT_TIMERTICK, button_a, 1));
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, button_a));
  EmitEvent(CreateEvent(EVENT_WINDOWMOVE, button_a, 0, 0, 2, 2));
  EmitEvent(CreateEvent(EVENT_WINDOWSIZE, button_a, 0, 0, 20, 20));
  EmitEvent(CreateEvent(EVENT_TIMERTICK, button_a, 2));
  ASSERT_EQ(PollEvent(), EVENT_WINDOWMOVE);
  EXPECT_EQ(EventX(), 2);
  ASSERT_EQ(PollEvent(), EVENT_WINDOWSIZE);
  EXPECT_EQ(EventY(), 20);
  ASSERT_EQ(PollEvent(), EVENT_TIMERTICK);
  EXPECT_EQ(EventData(), 2);
  EXPECT_EQ(DrainIds(), (std::vector<std::int32_t>{EVENT_WINDOWCLOSE}));
}

TEST_F(EventQueueTest, PostingWithoutUpdateNeverMerges) {
  PostEvent(CreateEvent(EVENT_GADGETACTION, button_a, 1), 0);
  PostEvent(CreateEvent(EVENT_GADGETACTION, button_a, 2), 0);
  EXPECT_EQ(DrainIds().size(), 2u);
}

// The fixed ring.

TEST_F(EventQueueTest, AFullRingDropsThe257thEventAndKeepsTheOrder) {
  for (int n = 0; n < 257; ++n) EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, nullptr, n));
  for (int n = 0; n < 256; ++n) {
    ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
    EXPECT_EQ(EventData(), n);
  }
  EXPECT_EQ(PollEvent(), 0);
}

TEST_F(EventQueueTest, AFullRingStillMergesIntoAQueuedEvent) {
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_a, 1));
  for (int n = 1; n < 256; ++n) EmitEvent(CreateEvent(EVENT_WINDOWCLOSE));
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_a, 9));
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_b, 9));  // no room
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 9);
  auto rest = DrainIds();
  EXPECT_EQ(rest.size(), 255u);
  EXPECT_EQ(rest.back(), EVENT_WINDOWCLOSE);
}

TEST_F(EventQueueTest, TheCountersWrapAroundTheirTop) {
  ResetEventSystemForTesting(0xFFFFFFF0u);
  StartEventSystem(pump);
  for (int round = 0; round < 3; ++round) {
    for (int n = 0; n < 256; ++n) EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, nullptr, n));
    EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, nullptr, -1));  // dropped
    for (int n = 0; n < 256; ++n) {
      ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
      ASSERT_EQ(EventData(), n);
    }
    ASSERT_EQ(PollEvent(), 0);
  }
}

// Taking and looking.

TEST_F(EventQueueTest, PollingAnEmptyQueuePumpsOnceAndLeavesTheNullEvent) {
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, button_a, 3));
  ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
  const int polls_before = pump->polls;
  EXPECT_EQ(PollEvent(), 0);
  EXPECT_EQ(pump->polls, polls_before + 1);
  EXPECT_EQ(EventID(), 0);
  EXPECT_EQ(EventSource(), nullptr);
  EXPECT_EQ(EventData(), 0);
  EXPECT_EQ(EventSourceHandle(), 0);
  EXPECT_EQ(EventText(), u"");
}

TEST_F(EventQueueTest, PollingTakesWhatThePumpDelivers) {
  pump->on_poll = [this] { EmitEvent(CreateEvent(EVENT_WINDOWACTIVATE, button_a)); };
  EXPECT_EQ(PollEvent(), EVENT_WINDOWACTIVATE);
  EXPECT_EQ(EventSource(), button_a);
  EXPECT_EQ(EventSourceHandle(), reinterpret_cast<std::intptr_t>(button_a.get()));
}

TEST_F(EventQueueTest, PeekReturnsTheSameEventAndTakesNothing) {
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, button_a, 1));
  ASSERT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
  EmitEvent(CreateEvent(EVENT_GADGETACTION, button_b, 2));
  EmitEvent(CreateEvent(EVENT_WINDOWMOVE, button_b, 3));
  EventPtr first = PeekEvent();
  ASSERT_TRUE(first);
  EXPECT_EQ(PeekEvent(), first);
  EXPECT_EQ(EventID(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(EventData(), 1);
  EXPECT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(CurrentEvent(), first);
}

TEST_F(EventQueueTest, PeekOnAnEmptyQueuePumpsAndReturnsNull) {
  EXPECT_EQ(PeekEvent(), nullptr);
  EXPECT_EQ(pump->polls, 1);
  EXPECT_EQ(EventID(), 0);
}

TEST_F(EventQueueTest, TheQueueHookPassesNullOnForDataThatIsNoEvent) {
  EXPECT_EQ(RunHooks(EmitEventHook(), std::make_shared<StringObject>(u"not an event")), nullptr);
  EXPECT_EQ(RunHooks(EmitEventHook(), nullptr), nullptr);
  EventPtr e = CreateEvent(EVENT_WINDOWCLOSE);
  EXPECT_EQ(RunHooks(EmitEventHook(), e), e);
  EXPECT_EQ(DrainIds(), (std::vector<std::int32_t>{EVENT_WINDOWCLOSE}));
}

TEST_F(EventQueueTest, EventTextIsEmptyForAnExtraThatIsNoString) {
  auto extra = std::make_shared<Object>();
  EmitEvent(CreateEvent(EVENT_APPOPENFILE, nullptr, 0, 0, 0, 0, extra));
  PollEvent();
  EXPECT_EQ(EventExtra(), extra);
  EXPECT_EQ(EventText(), u"");
}

}  // namespace
}  // namespace qm::testing
