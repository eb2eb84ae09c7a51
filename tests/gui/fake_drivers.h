#pragma once
// Drivers that stand in for a window system in the toolkit tests: they
// record what the core asks of them and let a test inject user actions from
// inside the pump, as native dispatch would.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gui/event_queue.h"
#include "gui/gadget.h"
#include "system/system_driver.h"

namespace qm::testing {

// A pump whose native dispatch is whatever the test puts in on_poll/on_wait.
class FakeSystemDriver : public TSystemDriver {
 public:
  std::function<void()> on_poll;
  std::function<void()> on_wait;
  int polls = 0;
  int waits = 0;
  int interrupts = 0;

  void Poll() override;
  void Wait() override;
  void Interrupt() override { ++interrupts; }
};

// A pump that really blocks: Wait sleeps on a condition variable until
// another thread delivers a native action, then dispatches it on the waiting
// thread (where it may emit events) and returns.
class BlockingSystemDriver : public TSystemDriver {
 public:
  void Poll() override;
  void Wait() override;
  void Interrupt() override;
  // Called from another thread: hands an action to the waiting pump.
  void Deliver(std::function<void()> action);
  int interrupts() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<std::function<void()>> pending_;
  int interrupts_ = 0;
};

// A gadget whose "screen" is a handful of fields, behaving like the native
// controls: labels ignore enabling, buttons of the check kinds keep a check
// state that may be mixed.
class RecordingGadget : public TGadget {
 public:
  explicit RecordingGadget(std::vector<std::string>* log, std::int32_t screen_w, std::int32_t screen_h)
      : log_(log), screen_w_(screen_w), screen_h_(screen_h) {}

  String text;
  int text_rgb[3] = {-1, -1, -1};
  int back_rgb[3] = {-1, -1, -1};
  bool enabled = true;
  bool shown = true;
  int check = 0;  // 1 on, 0 off, -1 mixed
  std::weak_ptr<TGadget> next_focus;

  void SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
  void LockLayout() override;
  void SetLayout(std::int32_t l, std::int32_t r, std::int32_t t, std::int32_t b) override;
  void _setparent(const std::shared_ptr<TGadget>& group, int index) override;
  void InitNative() override;
  void LinkView() override;
  int State() override;
  void SetShow(int show) override { shown = show != 0; }
  void SetText(const String& value) override { text = value; }
  String GetText() override { return text.empty() ? name : text; }
  void SetColor(int r, int g, int b) override;
  void SetTextColor(int r, int g, int b) override;
  void SetSelected(int state) override;
  void SetEnabled(int value) override;

 private:
  void Log(const std::string& step);
  std::vector<std::string>* log_;
  std::int32_t screen_w_, screen_h_;
};

// Makes RecordingGadgets and, like a handle map, owns every one it made.
class FakeGuiDriver : public TGuiDriver {
 public:
  std::int32_t screen_width = 1025;
  std::int32_t screen_height = 769;
  std::vector<std::string> log;
  std::vector<GadgetPtr> made;

  GadgetPtr CreateGadget(int cls, const String& text, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         const GadgetPtr& group, std::int32_t style) override;
};

std::shared_ptr<RecordingGadget> Recorded(const GadgetPtr& g);

// Every test starts the event system afresh with a recording pump and, for
// gadget tests, a recording GUI driver; the next test finds nothing left.
class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The ids of every queued event, oldest first, taken out of the ring.
  std::vector<std::int32_t> DrainIds();

  std::shared_ptr<FakeSystemDriver> pump;
  std::shared_ptr<FakeGuiDriver> gui;
};

}  // namespace qm::testing
