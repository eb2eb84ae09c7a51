#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "system/system_driver.h"

namespace qm {
namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

class HeadlessSystemDriverTest : public ::testing::Test {
 protected:
  std::shared_ptr<TSystemDriver> driver = CreateHeadlessSystemDriver();
};

TEST_F(HeadlessSystemDriverTest, AFolderRequestCancelsWithOneLineOnStandardError) {
  ::testing::internal::CaptureStderr();
  const String chosen = driver->RequestDir(u"Find the Tallowin dir", u"C:\\x");
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(chosen, u"");
  EXPECT_EQ(err, "No folder chooser is available without a display: Find the Tallowin dir\n");
}

TEST_F(HeadlessSystemDriverTest, NoticesGoToStandardErrorLiterallyAndAnswerCancel) {
  ::testing::internal::CaptureStderr();
  driver->Notify(u"Choose a path for Tallowin please!", 0);
  driver->Notify(u"100% done \u00e9", 1);
  const int confirmed = driver->Confirm(u"Sure?", 0);
  const int proceeded = driver->Proceed(u"Go on?", 0);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(confirmed, 0);
  EXPECT_EQ(proceeded, -1);
  EXPECT_EQ(err, "Choose a path for Tallowin please!\n100% done \xc3\xa9\nSure?\nGo on?\n");
}

TEST_F(HeadlessSystemDriverTest, PollReturnsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  driver->Poll();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_F(HeadlessSystemDriverTest, WaitSleepsWithoutSpinningAndReturnsWithinItsLimit) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = ProcessCpuSeconds();
  driver->Wait();
  const double cpu_used = ProcessCpuSeconds() - cpu_start;
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::seconds(2));
  EXPECT_LT(cpu_used, 0.05);
}

TEST_F(HeadlessSystemDriverTest, InterruptEndsARunningWait) {
  std::thread waiter([&] { driver->Wait(); });
  // Interrupt only wakes a wait in progress, so keep knocking until it ends.
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> done{false};
  std::thread knocker([&] {
    while (!done) {
      driver->Interrupt();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  waiter.join();
  const auto waited = std::chrono::steady_clock::now() - start;
  done = true;
  knocker.join();
  EXPECT_LT(waited, std::chrono::milliseconds(150));
}

}  // namespace
}  // namespace qm
