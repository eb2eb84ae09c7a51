#include "gui/hooks.h"

#include <gtest/gtest.h>

#include <vector>

#include "fake_drivers.h"
#include "system/runtime_error.h"
#include "system/strings.h"

namespace qm::testing {
namespace {

std::vector<String> calls;

ObjectRef Named(const char16_t* name) { return std::make_shared<StringObject>(name); }

// Records which hook ran: the context is a string naming it.
ObjectRef RecordingHook(std::int32_t, ObjectRef data, ObjectRef context) {
  calls.push_back(context->ToString());
  return data;
}

// Appends its context's name to the text passed along the chain.
ObjectRef AppendingHook(std::int32_t, ObjectRef data, ObjectRef context) {
  return std::make_shared<StringObject>(data->ToString() + context->ToString());
}

ObjectRef SelfRemovingHook(std::int32_t id, ObjectRef data, ObjectRef context) {
  calls.push_back(context->ToString());
  RemoveHook(id, SelfRemovingHook, context);
  return data;
}

// What the emit chain has done by the time a hook of priority 0 runs.
int interrupts_before = -1;
bool queued_before = true;
ObjectRef SeeingHook(std::int32_t, ObjectRef data, ObjectRef context) {
  interrupts_before = std::static_pointer_cast<FakeSystemDriver>(context)->interrupts;
  queued_before = PeekEvent() != nullptr;
  return data;
}

class HooksTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    calls.clear();
    id = AllocHookId();
  }
  std::int32_t id = -1;
};

TEST_F(HooksTest, HigherPriorityRunsFirstAndEqualPrioritiesInInsertionOrder) {
  auto first_five = Named(u"first 5");
  AddHook(id, RecordingHook, first_five, 5);
  AddHook(id, RecordingHook, Named(u"10"), 10);
  AddHook(id, RecordingHook, Named(u"second 5"), 5);
  AddHook(id, RecordingHook, Named(u"-1"), -1);
  RunHooks(id, nullptr);
  EXPECT_EQ(calls, (std::vector<String>{u"10", u"first 5", u"second 5", u"-1"}));
}

TEST_F(HooksTest, EachHookSeesWhatThePreviousOneReturned) {
  AddHook(id, AppendingHook, Named(u"b"), 1);
  AddHook(id, AppendingHook, Named(u"c"), 0);
  EXPECT_EQ(RunHooks(id, Named(u"a"))->ToString(), u"abc");
}

TEST_F(HooksTest, AnEmptyListReturnsTheDataUnchanged) {
  ObjectRef data = Named(u"same");
  EXPECT_EQ(RunHooks(id, data), data);
}

TEST_F(HooksTest, RemoveUnlinksOnlyTheFirstMatchOfFunctionAndContext) {
  auto twice = Named(u"twice");
  AddHook(id, RecordingHook, twice, 1);
  AddHook(id, RecordingHook, twice, 1);
  AddHook(id, RecordingHook, Named(u"other"), 1);
  RemoveHook(id, RecordingHook, twice);
  RemoveHook(id, RecordingHook, Named(u"other"));  // an equal text, not the same object
  RemoveHook(id, AppendingHook, twice);            // another function
  RunHooks(id, nullptr);
  EXPECT_EQ(calls, (std::vector<String>{u"twice", u"other"}));
}

TEST_F(HooksTest, AHookRemovingItselfLetsTheRestOfTheListRun) {
  AddHook(id, SelfRemovingHook, Named(u"once"), 2);
  AddHook(id, RecordingHook, Named(u"after"), 1);
  RunHooks(id, nullptr);
  RunHooks(id, nullptr);
  EXPECT_EQ(calls, (std::vector<String>{u"once", u"after", u"after"}));
}

TEST_F(HooksTest, IdsRunOutAfter255) {
  // The emit hook took id 0 and the fixture id 1.
  EXPECT_EQ(id, 1);
  std::int32_t last = id;
  for (int n = 2; n <= 255; ++n) last = AllocHookId();
  EXPECT_EQ(last, 255);
  try {
    AllocHookId();
    FAIL() << "no error raised";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Text(), u"Too many hook ids");
  }
  EXPECT_THROW(AllocHookId(), RuntimeError);
}

TEST_F(HooksTest, IdsOutsideTheTableAreIgnored) {
  AddHook(256, RecordingHook, Named(u"x"), 0);
  AddHook(-1, RecordingHook, Named(u"x"), 0);
  ObjectRef data = Named(u"d");
  EXPECT_EQ(RunHooks(256, data), data);
  EXPECT_EQ(RunHooks(-1, data), data);
  EXPECT_TRUE(calls.empty());
}

TEST_F(HooksTest, ANullFunctionRaisesWhenRun) {
  AddHook(id, nullptr, nullptr, 0);
  EXPECT_THROW(RunHooks(id, nullptr), RuntimeError);
}

TEST_F(HooksTest, TheEmitChainRunsOwnHooksBetweenWakeUpAndQueue) {
  // Priority 0 lies between the wake-up hook (10000) and the queue (-10000).
  AddHook(EmitEventHook(), SeeingHook, pump, 0);
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE));
  EXPECT_EQ(interrupts_before, 1);
  EXPECT_FALSE(queued_before);
  EXPECT_EQ(PollEvent(), EVENT_WINDOWCLOSE);
}

TEST_F(HooksTest, StartingTheEventSystemAgainAddsNothing) {
  StartEventSystem(std::make_shared<FakeSystemDriver>());
  EXPECT_EQ(Driver, pump);
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE));
  EXPECT_EQ(pump->interrupts, 1);
  EXPECT_EQ(DrainIds(), (std::vector<std::int32_t>{EVENT_WINDOWCLOSE}));
}

}  // namespace
}  // namespace qm::testing
