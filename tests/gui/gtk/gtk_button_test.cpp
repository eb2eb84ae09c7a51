#include <gtest/gtest.h>

#include "gui/event.h"
#include "gui/event_queue.h"
#include "support/gtk/private_display.h"

namespace qm {
namespace {

using namespace qm::testing;

struct ButtonWindow {
  GadgetPtr window = CreateWindow(u"Buttons", 0, 0, 400, 200, nullptr, WindowTitleBar | WindowCenter);
  FreeOnExit guard{window};
};

TEST(GtkButton, AClickPostsOneGadgetActionWithItsSource) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr build = CreateButton(u"BUILD", 20, 20, 90, 20, w.window, ButtonPushStyle);
  WaitShown(w.window);
  DrainEvents();
  ClickOn(Widget(build));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), build);
  EXPECT_EQ(EventData(), 0);
  PumpFor(200);
  EXPECT_EQ(PollEvent(), 0);
}

TEST(GtkButton, TwoQuickClicksBeforeReadingMerge) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr build = CreateButton(u"BUILD", 20, 20, 90, 20, w.window, ButtonPushStyle);
  GadgetPtr close = CreateButton(u"CLOSE", 120, 20, 90, 20, w.window, ButtonPushStyle);
  WaitShown(w.window);
  DrainEvents();
  ClickOn(Widget(build), 2);
  ClickOn(Widget(close));
  PumpFor(300);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), build);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), close);
  EXPECT_EQ(PollEvent(), 0);
}

TEST(GtkButton, ADisabledButtonIgnoresClicks) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr build = CreateButton(u"BUILD", 20, 20, 90, 20, w.window, ButtonPushStyle);
  GadgetPtr close = CreateButton(u"CLOSE", 120, 20, 90, 20, w.window, ButtonPushStyle);
  DisableGadget(build);
  EXPECT_EQ(GadgetDisabled(build), 1);
  WaitShown(w.window);
  DrainEvents();
  ClickOn(Widget(build));
  // The enabled button's click comes after; if the disabled one had posted
  // anything it would be queued first.
  ClickOn(Widget(close));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), close);
  PumpFor(200);
  EXPECT_EQ(PollEvent(), 0);
  EnableGadget(build);
  EXPECT_EQ(GadgetDisabled(build), 0);
  ClickOn(Widget(build));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), build);
}

TEST(GtkButton, AMixedCheckboxClickedBecomesChecked) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr box = CreateButton(u"Rebuild docs", 20, 20, 150, 20, w.window, ButtonCheckbox);
  SetButtonState(box, -1);
  EXPECT_EQ(ButtonState(box), -1);
  EXPECT_EQ(box->State() & 0x50, 0x50);
  WaitShown(w.window);
  DrainEvents();
  EXPECT_EQ(PollEvent(), 0) << "setting the state must not post events";
  ClickOn(Widget(box));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), box);
  EXPECT_EQ(EventData(), 1);
  EXPECT_EQ(ButtonState(box), 1);
  // An ordinary press toggles.
  ClickOn(Widget(box));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 0);
  EXPECT_EQ(ButtonState(box), 0);
}

TEST(GtkButton, TwoCheckboxPressesMergeIntoTheFinalState) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr box = CreateButton(u"Rebuild docs", 20, 20, 150, 20, w.window, ButtonCheckbox);
  WaitShown(w.window);
  DrainEvents();
  ClickOn(Widget(box), 3);
  PumpFor(300);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 1);
  EXPECT_EQ(PollEvent(), 0);
}

TEST(GtkButton, RadioButtonsUncheckTheirSiblings) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr a = CreateButton(u"A", 20, 20, 80, 20, w.window, ButtonRadio);
  GadgetPtr b = CreateButton(u"B", 20, 50, 80, 20, w.window, ButtonRadio);
  SetButtonState(a, 1);
  WaitShown(w.window);
  DrainEvents();
  ClickOn(Widget(b));
  ASSERT_EQ(WaitEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), b);
  EXPECT_EQ(EventData(), 1);
  EXPECT_EQ(ButtonState(a), 0);
}

TEST(GtkButton, CaptionAndStateBits) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  GadgetPtr save = CreateButton(u"&Save", 20, 20, 80, 20, w.window, ButtonPush);
  EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(Widget(save))), "Save");
  SetGadgetText(save, u"50% done");
  EXPECT_EQ(save->GetText(), u"50% done");
  EXPECT_EQ(ButtonState(save), 0);
  save->SetShow(0);
  EXPECT_EQ(GadgetHidden(save), 1);
}

TEST(GtkButton, TabFollowsTheFocusRingInCreationOrder) {
  QM_REQUIRE_PRIVATE_DISPLAY();
  ButtonWindow w;
  CreateLabel(u"Caption", 10, 5, 200, 20, w.window, 0);
  GadgetPtr box = CreateButton(u"Rebuild docs", 10, 30, 150, 20, w.window, ButtonCheckbox);
  // Placed right to left, so GTK's own order by position would differ.
  GadgetPtr change = CreateButton(u"Change", 300, 60, 80, 20, w.window, ButtonPushStyle);
  GadgetPtr build = CreateButton(u"BUILD", 200, 60, 80, 20, w.window, ButtonPushStyle);
  GadgetPtr close = CreateButton(u"CLOSE", 100, 60, 80, 20, w.window, ButtonPushStyle);
  CreateLabel(u"Credit", 10, 100, 200, 20, w.window, 0);
  WaitShown(w.window);
  GtkWindow* native = GTK_WINDOW(Widget(w.window));
  ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(native); })) << "window never became active";
  gtk_widget_grab_focus(Widget(box));
  for (const GadgetPtr& expected : {change, build, close, box}) {
    ASSERT_EQ(Xdotool("key Tab"), 0);
    EXPECT_TRUE(PumpUntil([&] { return gtk_window_get_focus(native) == Widget(expected); }, 2000))
        << "focus should be on " << gtk_button_get_label(GTK_BUTTON(Widget(expected)));
  }
  ASSERT_EQ(Xdotool("key shift+Tab"), 0);
  EXPECT_TRUE(PumpUntil([&] { return gtk_window_get_focus(native) == Widget(close); }, 2000));
}

}  // namespace
}  // namespace qm
