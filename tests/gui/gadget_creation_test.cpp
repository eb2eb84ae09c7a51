#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_drivers.h"
#include "gui/gadget.h"

namespace qm::testing {
namespace {

class GadgetCreationTest : public ToolkitTest {};

// Centring.

TEST_F(GadgetCreationTest, ACentredTopLevelWindowIgnoresXAndYAndTruncatesOddHalves) {
  // Screen 1025 x 769: (1025 - 400) / 2 = 312.5 and (769 - 150) / 2 = 309.5.
  GadgetPtr window = CreateWindow(u"Quillmere", 100, 100, 400, 150, nullptr, WindowTitleBar | WindowCenter);
  EXPECT_EQ(GadgetX(window), 312);
  EXPECT_EQ(GadgetY(window), 309);
  EXPECT_EQ(GadgetWidth(window), 400);
  EXPECT_EQ(GadgetHeight(window), 150);
}

TEST_F(GadgetCreationTest, CentringTruncatesTowardZeroForAWindowLargerThanTheScreen) {
  // (1025 - 1030) / 2 = -2.5 becomes -2, not -3.
  GadgetPtr window = CreateWindow(u"big", 0, 0, 1030, 772, nullptr, WindowCenter);
  EXPECT_EQ(GadgetX(window), -2);
  EXPECT_EQ(GadgetY(window), -1);
}

TEST_F(GadgetCreationTest, AChildWindowIsCentredOnItsParent) {
  GadgetPtr parent = CreateWindow(u"p", 10, 20, 301, 201, nullptr, 0);
  GadgetPtr child = CreateWindow(u"c", 0, 0, 100, 50, parent, WindowCenter);
  EXPECT_EQ(GadgetX(child), 10 + 100);  // 201 / 2
  EXPECT_EQ(GadgetY(child), 20 + 75);   // 151 / 2
}

TEST_F(GadgetCreationTest, AnUncentredWindowKeepsItsPosition) {
  GadgetPtr window = CreateWindow(u"w", 7, 9, 10, 10, nullptr, WindowTitleBar);
  EXPECT_EQ(GadgetX(window), 7);
  EXPECT_EQ(GadgetY(window), 9);
}

// Text clean-up.

TEST_F(GadgetCreationTest, AButtonLosesOnlyItsFirstAmpersand) {
  EXPECT_EQ(Recorded(CreateButton(u"&Save", 0, 0, 10, 10, nullptr, 0))->text, u"Save");
  EXPECT_EQ(Recorded(CreateButton(u"A&&B", 0, 0, 10, 10, nullptr, 0))->text, u"A&B");
  EXPECT_EQ(CreateButton(u"A&&B", 0, 0, 10, 10, nullptr, 0)->name, u"A&B");
}

TEST_F(GadgetCreationTest, LabelsKeepTheirAmpersands) {
  EXPECT_EQ(CreateLabel(u"Tom & Jerry", 0, 0, 10, 10, nullptr, 0)->name, u"Tom & Jerry");
}

TEST_F(GadgetCreationTest, TextIsCutAtTheFirstBackspace) {
  EXPECT_EQ(CreateLabel(u"shown\btip\bmore", 0, 0, 10, 10, nullptr, 0)->name, u"shown");
  EXPECT_EQ(CreateButton(u"&Go\bhint", 0, 0, 10, 10, nullptr, 0)->name, u"Go");
}

// The construction sequence.

TEST_F(GadgetCreationTest, ALabelInAWindowFollowsTheConstructionSequence) {
  GadgetPtr window = CreateWindow(u"w", 0, 0, 400, 150, nullptr, WindowTitleBar);
  gui->log.clear();
  GadgetPtr label = CreateLabel(u"path", 5, 6, 70, 20, window, LabelFrame);
  EXPECT_EQ(gui->log, (std::vector<std::string>{"SetRect", "InitNative", "LockLayout", "SetLayout", "LockLayout",
                                                "_setparent", "SetTextColor", "LinkView"}));
  EXPECT_EQ(label->parent, window);
  EXPECT_EQ(label->Class(), GadgetLabel);
  EXPECT_EQ(label->style, LabelFrame);
  ASSERT_EQ(window->kids.size(), 1u);
  EXPECT_EQ(window->kids[0].lock(), label);
  EXPECT_EQ(label->lockx, 5);
  EXPECT_EQ(label->lockh, 20);
  EXPECT_EQ(label->lockcw, 400);
  EXPECT_EQ(label->lockch, 150);
  const int black[3] = {0, 0, 0};
  EXPECT_TRUE(std::equal(black, black + 3, Recorded(label)->text_rgb));
}

TEST_F(GadgetCreationTest, ATopLevelWindowGetsADesktopParentAndNoLayoutLocks) {
  gui->log.clear();
  GadgetPtr window = CreateWindow(u"w", 0, 0, 400, 150, nullptr, WindowTitleBar);
  ASSERT_TRUE(window->parent);
  EXPECT_EQ(window->parent->Class(), GadgetDesktop);
  EXPECT_EQ(GadgetWidth(window->parent), 1025);
  EXPECT_TRUE(window->parent->kids.empty());
  EXPECT_EQ(window->lockcw, 1025);
  EXPECT_EQ(std::count(gui->log.begin(), gui->log.end(), "SetLayout"), 0);
}

TEST_F(GadgetCreationTest, ADesktopHasNoParent) {
  GadgetPtr desktop = Desktop();
  EXPECT_EQ(desktop->Class(), GadgetDesktop);
  EXPECT_EQ(desktop->parent, nullptr);
  EXPECT_EQ(desktop->lockcw, 1);
  EXPECT_EQ(GadgetHeight(desktop), 769);
}

TEST_F(GadgetCreationTest, TheDriversHandleMapKeepsGadgetsAliveAndNothingLeaks) {
  std::weak_ptr<TGadget> weak_label;
  {
    GadgetPtr window = CreateWindow(u"w", 0, 0, 400, 150, nullptr, 0);
    weak_label = CreateLabel(u"l", 0, 0, 1, 1, window, 0);
  }
  EXPECT_FALSE(weak_label.expired());
  gui->made.clear();
  EXPECT_TRUE(weak_label.expired());
}

// Focus ring.

TEST_F(GadgetCreationTest, TheFocusRingJoinsFocusableChildrenInCreationOrder) {
  GadgetPtr window = CreateWindow(u"w", 0, 0, 400, 150, nullptr, WindowTitleBar | WindowCenter);
  CreateLabel(u"caption", 0, 0, 10, 10, window, 0);
  CreateLabel(u"path", 0, 0, 10, 10, window, LabelFrame);
  GadgetPtr check = CreateButton(u"Rebuild docs", 0, 0, 10, 10, window, ButtonCheckbox);
  EXPECT_EQ(FocusRingLinksFor(check).previous, nullptr);  // the first is not linked
  GadgetPtr change = CreateButton(u"Change", 0, 0, 10, 10, window, ButtonPushStyle);
  GadgetPtr build = CreateButton(u"BUILD", 0, 0, 10, 10, window, ButtonPushStyle);
  GadgetPtr close = CreateButton(u"CLOSE", 0, 0, 10, 10, window, ButtonPushStyle);
  GadgetPtr credit = CreateLabel(u"credit", 0, 0, 10, 10, window, 0);
  EXPECT_EQ(Recorded(check)->next_focus.lock(), change);
  EXPECT_EQ(Recorded(change)->next_focus.lock(), build);
  EXPECT_EQ(Recorded(build)->next_focus.lock(), close);
  EXPECT_EQ(Recorded(close)->next_focus.lock(), check);
  EXPECT_TRUE(Recorded(credit)->next_focus.expired());
  FocusRingLinks links = FocusRingLinksFor(close);
  EXPECT_EQ(links.previous, build);
  EXPECT_EQ(links.first, check);
}

TEST_F(GadgetCreationTest, OnlyControlsTakeFocus) {
  for (int cls : std::initializer_list<int>{GadgetDesktop, GadgetWindow, GadgetToolbar, GadgetLabel, GadgetProgBar,
                                            GadgetMenu, GadgetNode}) {
    EXPECT_FALSE(IsFocusableClass(cls)) << cls;
  }
  for (int cls : std::initializer_list<int>{GadgetButton, GadgetPanel, GadgetTextField, GadgetTextArea, GadgetComboBox,
                                            GadgetListBox, GadgetTabber, GadgetTreeView, GadgetHTMLView, GadgetSlider,
                                            GadgetCanvas}) {
    EXPECT_TRUE(IsFocusableClass(cls)) << cls;
  }
}

}  // namespace
}  // namespace qm::testing
