#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "gui/event.h"
#include "gui/event_queue.h"
#include "support/gtk/private_display.h"
#include "system/system_driver.h"

namespace qm {
namespace {

using namespace qm::testing;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST(GtkPump, WaitEventIdlesWithoutProcessorTimeAndWakesForAClick) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  GadgetPtr window = CreateWindow(u"Idle", 0, 0, 300, 120, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard(window);
  GadgetPtr button = CreateButton(u"BUILD", 20, 20, 90, 20, window, ButtonPushStyle);
  WaitShown(window);
  DrainEvents();
  const GdkRectangle r = RootRect(Widget(button));
  // The pointer goes there first, so only the click itself remains.
  ASSERT_EQ(Xdotool("mousemove --sync " + std::to_string(r.x + 10) + " " + std::to_string(r.y + 10)), 0);
  PumpFor(200);
  DrainEvents();
  std::thread clicker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    std::system("xdotool click 1");
  });
  const double cpu_before = ThreadCpuSeconds();
  const auto wall_before = std::chrono::steady_clock::now();
  const int id = WaitEvent();
  const double cpu = ThreadCpuSeconds() - cpu_before;
  const auto waited = std::chrono::steady_clock::now() - wall_before;
  clicker.join();
  EXPECT_EQ(id, EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), button);
  EXPECT_GE(waited, std::chrono::milliseconds(1400));
  EXPECT_LT(cpu, 0.15) << "a blocked wait used " << cpu << " s of processor time";
}

TEST(GtkPump, InterruptEndsABlockedWait) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  PumpFor(100);
  std::thread waker([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Driver->Interrupt();
  });
  const auto before = std::chrono::steady_clock::now();
  Driver->Wait();
  const auto waited = std::chrono::steady_clock::now() - before;
  waker.join();
  EXPECT_LT(waited, std::chrono::seconds(3));
}

TEST(GtkPump, AnEventEmittedFromANativeCallbackWakesTheWait) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  DrainEvents();
  const std::int32_t user = AllocUserEventId();
  g_timeout_add(
      200,
      [](gpointer id) -> gboolean {
        EmitEvent(CreateEvent(static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(id))));
        return G_SOURCE_REMOVE;
      },
      reinterpret_cast<gpointer>(static_cast<std::intptr_t>(user)));
  EXPECT_EQ(WaitEvent(), user);
}

TEST(GtkPump, PollReturnsAtOnceWithNothingPending) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  DrainEvents();
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(PollEvent(), 0);
  EXPECT_EQ(EventID(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
}

}  // namespace
}  // namespace qm
