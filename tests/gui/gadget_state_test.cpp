#include <gtest/gtest.h>

#include "fake_drivers.h"
#include "gui/event_queue.h"
#include "gui/gadget.h"

namespace qm::testing {
namespace {

class GadgetStateTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window = CreateWindow(u"w", 0, 0, 400, 150, nullptr, WindowTitleBar);
  }
  GadgetPtr Button(int style) { return CreateButton(u"b", 0, 0, 10, 10, window, style); }
  GadgetPtr window;
};

TEST_F(GadgetStateTest, ButtonStateOfEveryKindAndState) {
  for (int kind : std::initializer_list<int>{ButtonPush, ButtonOk, ButtonCancel, ButtonPush | ButtonPushStyle}) {
    GadgetPtr push = Button(kind);
    SetButtonState(push, 1);  // the native push button has no check state
    EXPECT_EQ(ButtonState(push), 0) << kind;
  }
  for (int kind : std::initializer_list<int>{ButtonCheckbox, ButtonCheckbox | ButtonPushStyle, ButtonRadio, ButtonRadio | ButtonPushStyle}) {
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

TEST_F(GadgetStateTest, SetGadgetTextReachesTheDriver) {
  SetGadgetText(window, u"Quillmere v.1.2 Items: 3");
  EXPECT_EQ(Recorded(window)->text, u"Quillmere v.1.2 Items: 3");
}

}  // namespace
}  // namespace qm::testing
