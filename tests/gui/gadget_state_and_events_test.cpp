#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "fake_drivers.h"
#include "gui/event_queue.h"
#include "gui/gadget.h"

namespace qm::testing {
namespace {

// What a native button does on a click before its callback runs: toggle.
void NativeToggle(const GadgetPtr& button) {
  auto native = Recorded(button);
  native->check = native->check == 1 ? 0 : 1;
}

// A window at (10, 20) to hold buttons; Press is the native side reporting a
// click on one of them.
class GadgetTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window = CreateWindow(u"w", 10, 20, 400, 150, nullptr, WindowTitleBar);
  }
  GadgetPtr Button(int style) { return CreateButton(u"b", 0, 0, 10, 10, window, style); }
  void Press(const GadgetPtr& button) { PostDriverEvent(EVENT_GADGETACTION, button, 0, 0, 0, 0, nullptr); }
  GadgetPtr window;
};

// The state a gadget keeps when the program sets it.
using GadgetStateTest = GadgetTest;
// The events the native side's actions become, and what they change.
using GadgetEventsTest = GadgetTest;

TEST_F(GadgetStateTest, ButtonStateOfEveryKindAndState) {
  for (int kind : std::initializer_list<int>{ButtonPush, ButtonOk, ButtonCancel, ButtonPush | ButtonPushStyle}) {
    GadgetPtr push = Button(kind);
    SetButtonState(push, 1);  // the native push button has no check state
    EXPECT_EQ(ButtonState(push), 0) << kind;
  }
  for (int kind : std::initializer_list<int>{ButtonCheckbox, ButtonCheckbox | ButtonPushStyle, ButtonRadio,
                                             ButtonRadio | ButtonPushStyle}) {
    GadgetPtr b = Button(kind);
    EXPECT_EQ(ButtonState(b), 0) << kind;
    SetButtonState(b, 1);
    EXPECT_EQ(ButtonState(b), 1) << kind;
    SetButtonState(b, 0);
    EXPECT_EQ(ButtonState(b), 0) << kind;
  }
  GadgetPtr check = Button(ButtonCheckbox);
  SetButtonState(check, -1);
  EXPECT_EQ(ButtonState(check), -1);
}

TEST_F(GadgetStateTest, ADisabledOrHiddenCheckedCheckboxStillReportsChecked) {
  GadgetPtr check = Button(ButtonCheckbox);
  SetButtonState(check, 1);
  DisableGadget(check);
  EXPECT_EQ(ButtonState(check), 1);
  EXPECT_EQ(GadgetDisabled(check), 1);
  check->SetShow(0);
  EXPECT_EQ(ButtonState(check), 1);
  EXPECT_EQ(GadgetHidden(check), 1);
}

TEST_F(GadgetStateTest, ProgrammaticStateChangesEmitNothing) {
  GadgetPtr check = Button(ButtonCheckbox);
  GadgetPtr radio = Button(ButtonRadio);
  SetButtonState(check, 1);
  SetButtonState(radio, 1);
  SetGadgetText(check, u"new");
  DisableGadget(check);
  EXPECT_EQ(ButtonState(check), 1);
  EXPECT_EQ(PeekEvent(), nullptr);
}

TEST_F(GadgetStateTest, CheckingARadioButtonUnchecksOnlyItsRadioSiblings) {
  GadgetPtr first = Button(ButtonRadio);
  GadgetPtr second = Button(ButtonRadio | ButtonPushStyle);
  GadgetPtr check = Button(ButtonCheckbox);
  GadgetPtr other_window = CreateWindow(u"o", 0, 0, 10, 10, nullptr, 0);
  GadgetPtr elsewhere = CreateButton(u"r", 0, 0, 1, 1, other_window, ButtonRadio);
  SetButtonState(check, 1);
  SetButtonState(elsewhere, 1);
  SetButtonState(first, 1);
  SetButtonState(second, 1);
  EXPECT_EQ(ButtonState(first), 0);
  EXPECT_EQ(ButtonState(second), 1);
  EXPECT_EQ(ButtonState(check), 1);
  EXPECT_EQ(ButtonState(elsewhere), 1);
  SetButtonState(second, 0);  // unchecking touches no sibling
  EXPECT_EQ(ButtonState(first), 0);
}

TEST_F(GadgetStateTest, EnablingChangesButtonsAndLeavesLabels) {
  GadgetPtr button = Button(ButtonPush);
  GadgetPtr label = CreateLabel(u"l", 0, 0, 10, 10, window, 0);
  DisableGadget(button);
  DisableGadget(label);
  EXPECT_EQ(GadgetDisabled(button), 1);
  EXPECT_EQ(GadgetDisabled(label), 0);
  EnableGadget(button);
  EXPECT_EQ(GadgetDisabled(button), 0);
  EXPECT_EQ(GadgetHidden(button), 0);
}

TEST_F(GadgetStateTest, SetGadgetColorPicksBackgroundOrText) {
  GadgetPtr label = CreateLabel(u"l", 0, 0, 10, 10, window, LabelFrame);
  SetGadgetColor(label, 200, 200, 200, 1);
  SetGadgetColor(label, 20, 20, 230, 0);
  auto native = Recorded(label);
  EXPECT_EQ(native->back_rgb[0], 200);
  EXPECT_EQ(native->back_rgb[2], 200);
  EXPECT_EQ(native->text_rgb[0], 20);
  EXPECT_EQ(native->text_rgb[2], 230);
}

TEST_F(GadgetEventsTest, PostGuiEventReportsAProxysSource) {
  GadgetPtr inner = Button(ButtonPush);
  inner->source = window;
  PostGuiEvent(EVENT_GADGETACTION, inner, 4, 1, 2, 3, nullptr);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), window);
  EXPECT_EQ(EventData(), 4);
  PostGuiEvent(EVENT_APPTERMINATE, nullptr, 0, 0, 0, 0, nullptr);
  ASSERT_EQ(PollEvent(), EVENT_APPTERMINATE);
  EXPECT_EQ(EventSource(), nullptr);
}

TEST_F(GadgetEventsTest, APushButtonReportsStateZero) {
  GadgetPtr build = Button(ButtonPushStyle);
  Press(build);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), build);
  EXPECT_EQ(EventData(), 0);
}

TEST_F(GadgetEventsTest, ACheckboxReportsItsStateAfterThePress) {
  GadgetPtr check = Button(ButtonCheckbox);
  NativeToggle(check);
  Press(check);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 1);
  NativeToggle(check);
  Press(check);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 0);
}

TEST_F(GadgetEventsTest, AMixedCheckboxBecomesCheckedWhenPressed) {
  GadgetPtr check = Button(ButtonCheckbox);
  SetButtonState(check, -1);
  Press(check);
  EXPECT_EQ(ButtonState(check), 1);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 1);
}

TEST_F(GadgetEventsTest, TwoPressesOfACheckboxGiveOneEventWithTheFinalState) {
  GadgetPtr check = Button(ButtonCheckbox);
  NativeToggle(check);
  Press(check);
  NativeToggle(check);
  Press(check);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 0);
  EXPECT_EQ(PollEvent(), 0);
}

TEST_F(GadgetEventsTest, PressesOfTwoButtonsGiveTwoEventsInOrder) {
  GadgetPtr change = Button(ButtonPushStyle);
  GadgetPtr build = Button(ButtonPushStyle);
  Press(build);
  Press(change);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), build);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), change);
}

TEST_F(GadgetEventsTest, APushStyleRadioIsCheckedAndItsSiblingsUnchecked) {
  GadgetPtr first = Button(ButtonRadio | ButtonPushStyle);
  GadgetPtr second = Button(ButtonRadio | ButtonPushStyle);
  SetButtonState(first, 1);
  Press(second);  // a push-style radio may come out of the press unchecked
  EXPECT_EQ(ButtonState(second), 1);
  EXPECT_EQ(ButtonState(first), 0);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 1);
}

TEST_F(GadgetEventsTest, APlainRadioUnchecksItsSiblingsAndReportsItsState) {
  GadgetPtr first = Button(ButtonRadio);
  GadgetPtr second = Button(ButtonRadio);
  Recorded(first)->check = 1;
  Recorded(second)->check = 1;  // the native side checked it on the click
  Press(second);
  EXPECT_EQ(ButtonState(first), 0);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventData(), 1);
}

TEST_F(GadgetEventsTest, WindowCloseClicksAreNeitherMergedNorAdjusted) {
  PostDriverEvent(EVENT_WINDOWCLOSE, window, 0, 0, 0, 0, nullptr);
  PostDriverEvent(EVENT_WINDOWCLOSE, window, 0, 0, 0, 0, nullptr);
  EXPECT_EQ(DrainIds(), (std::vector<std::int32_t>{EVENT_WINDOWCLOSE, EVENT_WINDOWCLOSE}));
  EXPECT_EQ(GadgetX(window), 10);
}

TEST_F(GadgetEventsTest, AWindowMoveUpdatesThePosition) {
  PostDriverEvent(EVENT_WINDOWMOVE, window, 0, 0, 50, 60, nullptr);
  EXPECT_EQ(GadgetX(window), 50);
  EXPECT_EQ(GadgetY(window), 60);
  EXPECT_EQ(GadgetWidth(window), 400);
  ASSERT_EQ(PollEvent(), EVENT_WINDOWMOVE);
  EXPECT_EQ(EventX(), 50);
  EXPECT_EQ(EventSource(), window);
}

TEST_F(GadgetEventsTest, AWindowSizeUpdatesTheSizeAndLaysOutTheChildren) {
  GadgetPtr button = CreateButton(u"CLOSE", 300, 100, 80, 20, window, 0);
  button->SetLayout(EdgeFree, EdgeAligned, EdgeFree, EdgeAligned);
  PostDriverEvent(EVENT_WINDOWSIZE, window, 0, 0, 500, 200, nullptr);
  EXPECT_EQ(GadgetX(window), 10);
  EXPECT_EQ(GadgetWidth(window), 500);
  EXPECT_EQ(GadgetHeight(window), 200);
  EXPECT_EQ(GadgetX(button), 400);
  EXPECT_EQ(GadgetY(button), 150);
  ASSERT_EQ(PollEvent(), EVENT_WINDOWSIZE);
  EXPECT_EQ(EventX(), 500);
}

TEST_F(GadgetEventsTest, AnActionOfAnUnknownNativeObjectIsStillReported) {
  PostDriverEvent(EVENT_GADGETACTION, nullptr, 5, 0, 0, 0, nullptr);
  ASSERT_EQ(PollEvent(), EVENT_GADGETACTION);
  EXPECT_EQ(EventSource(), nullptr);
  EXPECT_EQ(EventData(), 5);
}

}  // namespace
}  // namespace qm::testing
