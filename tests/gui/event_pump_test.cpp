#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "fake_drivers.h"
#include "gui/event_queue.h"
#include "system/runtime_error.h"
#include "system/system_driver.h"

namespace qm::testing {
namespace {

class EventPumpTest : public ToolkitTest {};

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST_F(EventPumpTest, APumpCalledFromInsideAPumpReturnsAtOnce) {
  int inner_polls_seen = -1;
  pump->on_poll = [&] {
    PollSystem();
    WaitSystem();
    EXPECT_EQ(PollEvent(), 0);
    inner_polls_seen = pump->polls;
  };
  PollSystem();
  EXPECT_EQ(inner_polls_seen, 1);
  EXPECT_EQ(pump->polls, 1);
  EXPECT_EQ(pump->waits, 0);
  EXPECT_FALSE(SystemPumpBusy());
}

TEST_F(EventPumpTest, WaitEventWakesWhenTheDriversWaitEmitsAnEvent) {
  auto window = std::make_shared<Object>();
  int waits_until_action = 3;
  pump->on_wait = [&] {
    if (--waits_until_action == 0) EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, window));
  };
  EXPECT_EQ(WaitEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(EventSource(), window);
  EXPECT_EQ(pump->waits, 3);
  EXPECT_EQ(pump->interrupts, 1);
}

TEST_F(EventPumpTest, WaitEventTakesAQueuedEventWithoutPumping) {
  EmitEvent(CreateEvent(EVENT_WINDOWCLOSE));
  EXPECT_EQ(WaitEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(pump->waits, 0);
}

TEST_F(EventPumpTest, WaitEventInsideACallbackReturnsTheNullEventInsteadOfHanging) {
  std::int32_t inner = -1;
  pump->on_wait = [&] {
    inner = WaitEvent();
    EmitEvent(CreateEvent(EVENT_WINDOWCLOSE));
  };
  EXPECT_EQ(WaitEvent(), EVENT_WINDOWCLOSE);
  EXPECT_EQ(inner, 0);
  EXPECT_EQ(pump->waits, 1);
}

TEST_F(EventPumpTest, WaitEventWithoutADriverReturnsTheNullEvent) {
  InstallSystemDriver(nullptr);
  EXPECT_EQ(WaitEvent(), 0);
  EXPECT_EQ(EventID(), 0);
}

TEST_F(EventPumpTest, ARunTimeErrorInThePumpClearsTheBusyFlag) {
  pump->on_poll = [] { throw RuntimeError(u"boom"); };
  EXPECT_THROW(PollSystem(), RuntimeError);
  EXPECT_FALSE(SystemPumpBusy());
}

TEST_F(EventPumpTest, WaitEventConsumesNoProcessorTimeWhileIdle) {
  auto blocking = std::make_shared<BlockingSystemDriver>();
  InstallSystemDriver(blocking);
  auto window = std::make_shared<Object>();
  std::thread native_side([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    blocking->Deliver([&] { EmitEvent(CreateEvent(EVENT_WINDOWCLOSE, window)); });
  });
  const auto wall_start = std::chrono::steady_clock::now();
  const double cpu_start = ProcessCpuSeconds();
  const std::int32_t id = WaitEvent();
  const double cpu_used = ProcessCpuSeconds() - cpu_start;
  const auto waited = std::chrono::steady_clock::now() - wall_start;
  native_side.join();
  EXPECT_EQ(id, EVENT_WINDOWCLOSE);
  EXPECT_EQ(EventSource(), window);
  EXPECT_EQ(blocking->interrupts(), 1);
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  // A spinning wait would burn about 0.3 s; a blocked one next to nothing.
  EXPECT_LT(cpu_used, 0.05) << "CPU seconds consumed while waiting";
}

}  // namespace
}  // namespace qm::testing
