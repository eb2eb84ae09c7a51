#include "gui/event.h"

#include <gtest/gtest.h>

#include "fake_drivers.h"
#include "gui/event_queue.h"

namespace qm::testing {
namespace {

class EventTest : public ToolkitTest {};

TEST_F(EventTest, ToStringOfANamedIdListsEveryFieldInOrder) {
  EXPECT_EQ(CreateEvent(EVENT_GADGETACTION, nullptr, 1)->ToString(),
            u"GadgetAction: data=1, mods=0, x=0, y=0, extra=\"\"");
  EXPECT_EQ(CreateEvent(EVENT_WINDOWMOVE, nullptr, -3, 2, -40, 50)->ToString(),
            u"WindowMove: data=-3, mods=2, x=-40, y=50, extra=\"\"");
}

TEST_F(EventTest, ToStringShowsAStringExtraAndNothingForOtherObjects) {
  auto path = std::make_shared<StringObject>(u"/tmp/a b");
  EXPECT_EQ(CreateEvent(EVENT_APPOPENFILE, nullptr, 0, 0, 0, 0, path)->ToString(),
            u"AppOpenFile: data=0, mods=0, x=0, y=0, extra=\"/tmp/a b\"");
  EXPECT_EQ(CreateEvent(EVENT_PROCESSEXIT, nullptr, 0, 0, 0, 0, std::make_shared<Object>())->ToString(),
            u"ProcessExit: data=0, mods=0, x=0, y=0, extra=\"\"");
}

TEST_F(EventTest, ToStringNamesUnknownAndUserIdsByNumber) {
  EXPECT_EQ(CreateEvent(0x12345)->ToString(), u"Unknown Event, id=74565: data=0, mods=0, x=0, y=0, extra=\"\"");
  EXPECT_EQ(CreateEvent(static_cast<std::int32_t>(0x80000002u))->ToString(),
            u"UserEvent2: data=0, mods=0, x=0, y=0, extra=\"\"");
  EXPECT_EQ(CreateEvent(0)->ToString().substr(0, 20), u"Unknown Event, id=0:");
}

TEST_F(EventTest, UserIdsStartAboveTheUserBit) {
  EXPECT_EQ(static_cast<std::uint32_t>(AllocUserEventId()), 0x80000001u);
  EXPECT_EQ(static_cast<std::uint32_t>(TEvent::AllocUserId()), 0x80000002u);
}

TEST_F(EventTest, CreateSetsEveryField) {
  auto source = std::make_shared<Object>();
  auto extra = std::make_shared<StringObject>(u"x");
  EventPtr e = CreateEvent(EVENT_WINDOWSIZE, source, 1, 2, 3, 4, extra);
  EXPECT_EQ(e->id, EVENT_WINDOWSIZE);
  EXPECT_EQ(e->source, source);
  EXPECT_EQ(e->data, 1);
  EXPECT_EQ(e->mods, 2);
  EXPECT_EQ(e->x, 3);
  EXPECT_EQ(e->y, 4);
  EXPECT_EQ(e->extra, extra);
}

TEST_F(EventTest, EmitWakesThePumpAndQueuesTheEvent) {
  EventPtr e = CreateEvent(EVENT_WINDOWCLOSE);
  EmitEvent(e);
  EXPECT_EQ(pump->interrupts, 1);
  EXPECT_EQ(PeekEvent(), e);
}

TEST_F(EventTest, EmitOfARecordNotHeldBySharedPointerQueuesACopy) {
  TEvent local;
  local.id = EVENT_WINDOWACTIVATE;
  local.data = 7;
  local.Emit();
  ASSERT_EQ(PollEvent(), EVENT_WINDOWACTIVATE);
  EXPECT_EQ(EventData(), 7);
  EXPECT_NE(CurrentEvent().get(), &local);
}

}  // namespace
}  // namespace qm::testing
