#include <gtest/gtest.h>

#include "fake_drivers.h"
#include "gui/gadget.h"

namespace qm::testing {
namespace {

// A 400 x 200 window with one 100 x 40 child at (60, 50), resized to a new
// client size; the child's rectangle is what layout made of it.
class GadgetLayoutTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window = CreateWindow(u"w", 0, 0, 400, 200, nullptr, WindowResizable);
    child = CreateButton(u"c", 60, 50, 100, 40, window, 0);
  }
  void Resize(std::int32_t w, std::int32_t h) {
    window->SetRect(window->xpos, window->ypos, w, h);
    window->LayoutKids();
  }
  GadgetPtr window, child;
};

TEST_F(GadgetLayoutTest, FreeEdgesKeepTheSizeAndMoveTheCentreProportionally) {
  Resize(801, 300);
  // (60 + 50) * 801 / 400 - 50 = 220.275 - 50 -> 170; (50 + 20) * 300 / 200 - 20 = 85.
  EXPECT_EQ(GadgetX(child), 170);
  EXPECT_EQ(GadgetY(child), 85);
  EXPECT_EQ(GadgetWidth(child), 100);
  EXPECT_EQ(GadgetHeight(child), 40);
}

TEST_F(GadgetLayoutTest, AlignedEdgesKeepTheirDistanceToTheirSide) {
  child->SetLayout(EdgeAligned, EdgeAligned, EdgeAligned, EdgeAligned);
  Resize(500, 150);
  EXPECT_EQ(GadgetX(child), 60);
  EXPECT_EQ(GadgetWidth(child), 200);  // right edge stays 240 from the right
  EXPECT_EQ(GadgetY(child), 50);
  EXPECT_EQ(GadgetHeight(child), -10);  // the window shrank below the child's margins
}

TEST_F(GadgetLayoutTest, AFreeEdgeFollowsTheHeldOneAtTheLockedSize) {
  child->SetLayout(EdgeFree, EdgeAligned, EdgeAligned, EdgeFree);
  Resize(500, 300);
  EXPECT_EQ(GadgetX(child), 160);  // right edge 160 + 100 keeps 240 to the right
  EXPECT_EQ(GadgetWidth(child), 100);
  EXPECT_EQ(GadgetY(child), 50);
  EXPECT_EQ(GadgetHeight(child), 40);
}

TEST_F(GadgetLayoutTest, RelativeEdgesScaleWithTheParent) {
  child->SetLayout(EdgeRelative, EdgeRelative, EdgeRelative, EdgeFree);
  Resize(333, 333);
  // 60 * 333 / 400 = 49.95 -> 49; 160 * 333 / 400 = 133.2 -> 133.
  EXPECT_EQ(GadgetX(child), 49);
  EXPECT_EQ(GadgetWidth(child), 84);
  // 50 * 333 / 200 = 83.25 -> 83.
  EXPECT_EQ(GadgetY(child), 83);
  EXPECT_EQ(GadgetHeight(child), 40);
}

TEST_F(GadgetLayoutTest, DivisionsTruncateTowardZeroForNegativePositions) {
  GadgetPtr off = CreateButton(u"o", -150, 0, 100, 40, window, 0);
  Resize(201, 200);
  // (-150 + 50) * 201 / 400 = -50.25 -> -50, minus 50.
  EXPECT_EQ(GadgetX(off), -100);
}

TEST_F(GadgetLayoutTest, ANonResizedParentLeavesChildrenInPlace) {
  child->SetLayout(EdgeRelative, EdgeAligned, EdgeFree, EdgeRelative);
  Resize(400, 200);
  EXPECT_EQ(GadgetX(child), 60);
  EXPECT_EQ(GadgetY(child), 50);
  EXPECT_EQ(GadgetWidth(child), 100);
  EXPECT_EQ(GadgetHeight(child), 40);
}

TEST_F(GadgetLayoutTest, AResizedChildLaysOutItsOwnChildren) {
  GadgetPtr box = CreateLabel(u"box", 0, 0, 200, 100, window, LabelGroupBox);
  box->SetLayout(EdgeAligned, EdgeAligned, EdgeAligned, EdgeAligned);
  GadgetPtr inner = CreateButton(u"i", 10, 10, 50, 20, box, 0);
  inner->SetLayout(EdgeAligned, EdgeAligned, EdgeAligned, EdgeAligned);
  Resize(500, 300);
  EXPECT_EQ(GadgetWidth(box), 300);
  EXPECT_EQ(GadgetWidth(inner), 150);
  EXPECT_EQ(GadgetHeight(inner), 120);
}

TEST_F(GadgetLayoutTest, ChildWindowsAreNeverLaidOut) {
  GadgetPtr tool = CreateWindow(u"t", 30, 30, 50, 50, window, WindowTool);
  Resize(800, 400);
  EXPECT_EQ(GadgetX(tool), 30);
  EXPECT_EQ(GadgetWidth(tool), 50);
}

TEST_F(GadgetLayoutTest, AnEmptyParentCountsAsOnePixel) {
  GadgetPtr empty = CreateLabel(u"e", 0, 0, 0, 0, window, LabelGroupBox);
  GadgetPtr inner = CreateButton(u"i", 3, 4, 5, 6, empty, 0);
  EXPECT_EQ(inner->lockcw, 1);
  EXPECT_EQ(inner->lockch, 1);
}

}  // namespace
}  // namespace qm::testing
