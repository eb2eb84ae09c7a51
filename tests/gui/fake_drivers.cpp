#include "fake_drivers.h"

#include <utility>

#include "gui/event.h"

namespace qm::testing {

void FakeSystemDriver::Poll() {
  ++polls;
  if (on_poll) on_poll();
}

void FakeSystemDriver::Wait() {
  ++waits;
  if (on_wait) on_wait();
}

void BlockingSystemDriver::Poll() {}

void BlockingSystemDriver::Wait() {
  std::vector<std::function<void()>> actions;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait(lock, [this] { return !pending_.empty(); });
    actions.swap(pending_);
  }
  // Dispatch on the pumping thread, outside the lock: the actions emit, and
  // the emit chain calls Interrupt.
  for (auto& action : actions) action();
}

void BlockingSystemDriver::Interrupt() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++interrupts_;
}

void BlockingSystemDriver::Deliver(std::function<void()> action) {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_.push_back(std::move(action));
  arrived_.notify_all();
}

int BlockingSystemDriver::interrupts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return interrupts_;
}

void RecordingGadget::Log(const std::string& step) {
  if (log_) log_->push_back(step);
}

void RecordingGadget::SetRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  Log("SetRect");
  TGadget::SetRect(x, y, w, h);
}

void RecordingGadget::LockLayout() {
  Log("LockLayout");
  TGadget::LockLayout();
}

void RecordingGadget::SetLayout(std::int32_t l, std::int32_t r, std::int32_t t, std::int32_t b) {
  Log("SetLayout");
  TGadget::SetLayout(l, r, t, b);
}

void RecordingGadget::_setparent(const std::shared_ptr<TGadget>& group, int index) {
  Log("_setparent");
  TGadget::_setparent(group, index);
}

void RecordingGadget::InitNative() {
  Log("InitNative");
  text = name;
  if (Class() == GadgetDesktop) TGadget::SetRect(0, 0, screen_w_, screen_h_);
}

void RecordingGadget::LinkView() {
  Log("LinkView");
  FocusRingLinks links = FocusRingLinksFor(shared_from_this());
  if (!links.previous) return;
  Recorded(links.previous)->next_focus = shared_from_this();
  next_focus = links.first;
}

int RecordingGadget::State() {
  int bits = 0;
  if (Class() == GadgetButton) {
    const int kind = style & 7;
    if (kind == ButtonCheckbox || kind == ButtonRadio) {
      if (check == 1) bits |= StateSelected;
      if (check == -1) bits |= StateSelected | StateIndeterminate;
    }
  }
  if (!enabled) bits |= StateDisabled;
  if (!shown) bits |= StateHidden;
  return bits;
}

void RecordingGadget::SetColor(int r, int g, int b) {
  back_rgb[0] = r;
  back_rgb[1] = g;
  back_rgb[2] = b;
}

void RecordingGadget::SetTextColor(int r, int g, int b) {
  Log("SetTextColor");
  text_rgb[0] = r;
  text_rgb[1] = g;
  text_rgb[2] = b;
}

void RecordingGadget::SetSelected(int state) {
  if (Class() == GadgetButton) check = state;
  TGadget::SetSelected(state);
}

void RecordingGadget::SetEnabled(int value) {
  if (Class() != GadgetLabel) enabled = value != 0;
}

GadgetPtr FakeGuiDriver::CreateGadget(int cls, const String& text, std::int32_t x, std::int32_t y, std::int32_t w,
                                      std::int32_t h, const GadgetPtr& group, std::int32_t style) {
  auto gadget = std::make_shared<RecordingGadget>(&log, screen_width, screen_height);
  ConstructGadget(gadget, cls, text, x, y, w, h, group, style);
  made.push_back(gadget);
  return gadget;
}

std::shared_ptr<RecordingGadget> Recorded(const GadgetPtr& g) { return std::dynamic_pointer_cast<RecordingGadget>(g); }

void ToolkitTest::SetUp() {
  ResetEventSystemForTesting();
  pump = std::make_shared<FakeSystemDriver>();
  StartEventSystem(pump);
  gui = std::make_shared<FakeGuiDriver>();
  InstallGuiDriver(gui);
}

void ToolkitTest::TearDown() {
  InstallGuiDriver(nullptr);
  ResetEventSystemForTesting();
}

std::vector<std::int32_t> ToolkitTest::DrainIds() {
  std::vector<std::int32_t> ids;
  while (std::int32_t id = PollEvent()) ids.push_back(id);
  return ids;
}

}  // namespace qm::testing
