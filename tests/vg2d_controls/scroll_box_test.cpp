// Scroll boxes in their built-in style, driven through the host: the range the bars take
// from the content, the wheel, dragging with its coast, hidden bars, small bars, the
// viewport's clipping of the content and the content's streaming as the box's children.
#include <gtest/gtest.h>

#include <memory>

#include "ControlScene.h"
#include "platform/rtl/Streams.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Shapes.h"

namespace scroll_box_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class ScrollBoxes : public vgtest::ControlsTest {
protected:
  // A box of 100 x 100 at (10, 10) holding a block of W x H at its origin.
  template <class Box = TvxScrollBox>
  Box* MakeBox(ControlScene& S, float W, float H) {
    auto* box = S.Add(new Box(nullptr), 10, 10);
    box->SetBounds(10, 10, 100, 100);
    block = new TvxRectangle(nullptr);
    block->SetBounds(0, 0, W, H);
    box->AddObject(block);
    box->Realign();  // adding a child leaves the range to the next layout
    return box;
  }
  TvxRectangle* block = nullptr;
};

}  // namespace

TEST_F(ScrollBoxes, TallContentGivesTheVerticalBarItsRangeAndAWheelNotchCoastsThreeSteps) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 300);
  EXPECT_EQ(block->Parent(), box->Content());
  TvxScrollBar* bar = box->VScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->Enabled());
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 300.0f);
  EXPECT_EQ(bar->ViewportSize(), 100.0f);
  EXPECT_EQ(bar->SmallChange(), 20.0f);
  EXPECT_EQ(box->ViewportWidth(), 84.0f);  // the bar takes its 16 on the right
  // The content is no wider than the viewport: no horizontal bar.
  ASSERT_NE(box->HScrollBar(), nullptr);
  EXPECT_FALSE(box->HScrollBar()->Enabled());
  EXPECT_FALSE(box->HScrollBar()->Visible());

  s.scene.MouseMove({}, 40, 40);
  EXPECT_TRUE(s.scene.MouseWheel({}, -120));
  ASSERT_NE(box->VInertia(), nullptr);
  EXPECT_TRUE(box->VInertia()->Running());
  EXPECT_EQ(box->VInertia()->StopValue(), 60.0f);
  clock.Advance(350);
  EXPECT_GT(bar->Value(), 30.0f);  // quadratic out: more than half way at half time
  EXPECT_LT(bar->Value(), 60.0f);
  clock.Advance(400);
  EXPECT_EQ(bar->Value(), 60.0f);
  EXPECT_FALSE(box->VInertia()->Running());
  EXPECT_EQ(box->ScrollOffset().Y, 60.0f);
  // The content moved up under the viewport.
  EXPECT_FLOAT_EQ(block->LocalToAbsolute({0, 0}).Y, 10 - 60.0f);

  // Without animation a notch up goes at once; the range holds the value.
  box->SetAnimated(false);
  s.scene.MouseWheel({}, 120);
  EXPECT_EQ(bar->Value(), 0.0f);
  s.scene.MouseWheel({}, 120);
  EXPECT_EQ(bar->Value(), 0.0f);
  box->SetDisableMouseWheel(true);
  EXPECT_FALSE(s.scene.MouseWheel({}, -120));
  EXPECT_EQ(bar->Value(), 0.0f);
}

TEST_F(ScrollBoxes, ContentThatFitsHidesItsBarsAndGrowingContentBringsThemBack) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 60);
  TvxScrollBar* bar = box->VScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->Enabled());
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(bar->Value(), 0.0f);
  EXPECT_EQ(box->ViewportWidth(), 100.0f);
  EXPECT_FALSE(s.scene.MouseWheel({}, -120));

  // A child that grows (not aligned) makes the content longer than the viewport.
  block->SetHeight(250);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 250.0f);
  // Both ways at once: the horizontal bar leaves the vertical one its corner.
  block->SetWidth(400);
  TvxScrollBar* hbar = box->HScrollBar();
  EXPECT_TRUE(hbar->Visible());
  EXPECT_EQ(hbar->Max(), 400.0f);
  EXPECT_EQ(hbar->ViewportSize(), 84.0f);
  EXPECT_EQ(hbar->Padding()->Right(), bar->Width());
  EXPECT_EQ(bar->ViewportSize(), 84.0f);

  block->SetWidth(40);
  block->SetHeight(40);
  EXPECT_FALSE(bar->Visible());
  EXPECT_FALSE(hbar->Visible());
  EXPECT_EQ(bar->Value(), 0.0f);
}

TEST_F(ScrollBoxes, BarsMoveTheContentAndTheViewportClipsIt) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 300);
  block->SetHitTest(true);
  auto* lower = new TvxRectangle(nullptr);
  lower->SetBounds(0, 200, 50, 50);
  box->AddObject(lower);
  box->Realign();
  // The lower block lies below the viewport: the point there does not reach it.
  EXPECT_NE(s.scene.ObjectAtPoint({30, 100}), lower);
  EXPECT_NE(s.scene.ObjectAtPoint({30, 215}), lower);

  box->VScrollBar()->SetValue(150);
  EXPECT_EQ(box->ScrollOffset().Y, 150.0f);
  EXPECT_FLOAT_EQ(lower->LocalToAbsolute({0, 0}).Y, 10 + 200 - 150.0f);
  EXPECT_EQ(s.scene.ObjectAtPoint({30, 70}), lower);
  // The part of the upper block scrolled out above is out of reach too.
  EXPECT_NE(s.scene.ObjectAtPoint({30, 5}), block);
  EXPECT_EQ(s.scene.ObjectAtPoint({30, 15}), block);
  // The box paints the content only where the viewport is.
  const TvxRect shown = box->Content()->GetUpdateRect();
  EXPECT_FLOAT_EQ(shown.Top, 10.0f);
  EXPECT_FLOAT_EQ(shown.Bottom, 110.0f);

  box->Center();
  EXPECT_EQ(box->VScrollBar()->Value(), 100.0f);
}

TEST_F(ScrollBoxes, ADragScrollsAndCoastsSevenTimesItsLastStep) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 600);
  box->SetMouseTracking(true);
  block->SetHitTest(false);  // the box itself takes the mouse
  box->VScrollBar()->SetValue(100);
  // A press and release without movement starts nothing.
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 50, 60);
  s.scene.MouseUp(rtl::mbLeft, {}, 50, 60);
  EXPECT_EQ(box->VInertia(), nullptr);
  EXPECT_EQ(box->VScrollBar()->Value(), 100.0f);

  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 50, 80);
  s.scene.MouseMove({rtl::ssLeft}, 50, 75);
  s.scene.MouseMove({rtl::ssLeft}, 50, 65);  // the last step: 10 upward
  EXPECT_EQ(box->VScrollBar()->Value(), 115.0f);
  s.scene.MouseUp(rtl::mbLeft, {}, 50, 65);
  ASSERT_NE(box->VInertia(), nullptr);
  EXPECT_EQ(box->VInertia()->StopValue(), 185.0f);
  EXPECT_FLOAT_EQ(box->VInertia()->Duration(), 0.7f);
  EXPECT_EQ(box->VInertia()->AnimationType(), vgAnimationOut);
  EXPECT_EQ(box->VInertia()->Interpolation(), vgInterpolationQuadratic);
  clock.Advance(750);
  EXPECT_EQ(box->VScrollBar()->Value(), 185.0f);

  // A new press stops a coast where it is.
  box->VScrollBar()->SetValue(0);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 50, 80);
  s.scene.MouseMove({rtl::ssLeft}, 50, 60);
  s.scene.MouseUp(rtl::mbLeft, {}, 50, 60);
  clock.Advance(100);
  const float caught = box->VScrollBar()->Value();
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 50, 60);
  EXPECT_FALSE(box->VInertia()->Running());
  clock.Advance(700);
  EXPECT_EQ(box->VScrollBar()->Value(), caught);
  s.scene.MouseUp(rtl::mbLeft, {}, 50, 60);

  // Without MouseTracking a drag scrolls nothing.
  box->SetMouseTracking(false);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 50, 80);
  s.scene.MouseMove({rtl::ssLeft}, 50, 40);
  s.scene.MouseUp(rtl::mbLeft, {}, 50, 40);
  EXPECT_EQ(box->VScrollBar()->Value(), caught);
}

TEST_F(ScrollBoxes, HiddenBarsTakeNoRoomButStillFollowTheScrolling) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 300);
  box->SetShowScrollBars(false);
  TvxScrollBar* bar = box->VScrollBar();
  EXPECT_EQ(bar->Opacity(), 0.0f);
  EXPECT_EQ(bar->Align(), vaNone);
  EXPECT_EQ(bar->Position()->X(), 200.0f);
  EXPECT_EQ(box->ViewportWidth(), 100.0f);
  box->SetAnimated(false);
  s.scene.MouseMove({}, 40, 40);
  s.scene.MouseWheel({}, -120);
  EXPECT_EQ(bar->Value(), 60.0f);
  EXPECT_FLOAT_EQ(block->LocalToAbsolute({0, 0}).Y, 10 - 60.0f);
  box->SetShowScrollBars(true);
  EXPECT_EQ(bar->Opacity(), 1.0f);
  EXPECT_EQ(bar->Align(), vaRight);
  EXPECT_EQ(box->ViewportWidth(), 84.0f);
}

TEST_F(ScrollBoxes, SmallBarsReplaceTheLargeOnesAndTheSizeGripShowsOnRequest) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 300);
  box->SetUseSmallScrollBars(true);
  TvxScrollBar* bar = box->VScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Width(), 8.0f);
  EXPECT_EQ(box->ViewportWidth(), 90.0f);  // 8 and its padding of 2
  EXPECT_FALSE(dynamic_cast<TvxVisualObject*>(box->FindResource("vscrollbar"))->Visible());
  EXPECT_EQ(bar->Max(), 300.0f);
  auto* grip = dynamic_cast<TvxVisualObject*>(box->FindResource("sizegrip"));
  ASSERT_NE(grip, nullptr);
  EXPECT_FALSE(grip->Visible());
  box->SetShowSizeGrip(true);
  grip = dynamic_cast<TvxVisualObject*>(box->FindResource("sizegrip"));
  EXPECT_TRUE(grip->Visible());
}

TEST_F(ScrollBoxes, AVerticalBoxKeepsItsContentAsWideAsTheViewport) {
  ControlScene s;
  auto* box = MakeBox<TvxVertScrollBox>(s, 50, 300);
  auto* wide = new TvxRectangle(nullptr);
  wide->SetAlign(vaTop);
  wide->SetHeight(30);
  box->AddObject(wide);
  EXPECT_EQ(box->Content()->Width(), box->ViewportWidth());
  EXPECT_EQ(wide->Width(), 84.0f);
  EXPECT_FALSE(box->HScrollBar()->Visible());
}

TEST_F(ScrollBoxes, ChildrenAreStreamedAsTheBoxsOwn) {
  ControlScene s;
  TvxScrollBox* box = MakeBox(s, 50, 300);
  box->SetMouseTracking(true);
  rtl::TMemoryStream stream;
  box->SaveToBinaryStream(&stream);
  stream.SetPosition(0);
  auto copy = std::make_unique<TvxScrollBox>(nullptr);
  copy->LoadFromBinaryStream(&stream);
  EXPECT_TRUE(copy->MouseTracking());
  ASSERT_EQ(copy->Content()->GetChildrenCount(), 1);
  EXPECT_EQ(copy->Content()->GetChild(0)->Visual()->Height(), 300.0f);
  // Only the block and the content: no second content, no style.
  int contents = 0;
  for (TvxObject* o : copy->Children())
    if (dynamic_cast<TvxScrollContent*>(o)) ++contents;
  EXPECT_EQ(contents, 1);
}

}  // namespace scroll_box_test
