// The crop frame and the drag point, driven through the fake host: moving inside the
// parent, resizing by each grip with the minimum size and the kept aspect ratio, the grips'
// hit test outside the frame, hover marks, and the point's own size and bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "FakeScene.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/Selection.h"

namespace selection_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

const rtl::TShiftState Left{rtl::ssLeft};

class Selections : public ::testing::Test {
protected:
  void SetUp() override {
    root->SetBounds(0, 0, 400, 300);
    scene.AddObject(root.get());
    parent = new TvxVisualObject(nullptr);
    parent->SetBounds(50, 50, 200, 100);
    root->AddObject(parent);
    frame = new TvxSelection(nullptr);
    frame->SetBounds(20, 20, 60, 40);  // absolute 70,70 .. 130,110
    parent->AddObject(frame);
    frame->OnTrack = [this](rtl::TObject*) { ++tracks; };
    frame->OnChange = [this](rtl::TObject*) { ++changes; };
  }
  // Presses at (X0, Y0), moves to (X1, Y1) and releases there, all absolute.
  void Drag(float X0, float Y0, float X1, float Y1) {
    scene.MouseDown(rtl::mbLeft, {}, X0, Y0);
    scene.MouseMove(Left, X1, Y1);
    scene.MouseUp(rtl::mbLeft, {}, X1, Y1);
  }
  FakeScene scene;
  std::unique_ptr<TvxVisualObject> root = std::make_unique<TvxVisualObject>(nullptr);
  TvxVisualObject* parent = nullptr;
  TvxSelection* frame = nullptr;
  int tracks = 0;
  int changes = 0;
};

}  // namespace

TEST_F(Selections, DraggingInsideMovesTheFrameAndKeepsItInsideItsParent) {
  Drag(100, 90, 110, 95);
  EXPECT_EQ(frame->Position()->X(), 30.0f);
  EXPECT_EQ(frame->Position()->Y(), 25.0f);
  EXPECT_EQ(frame->Width(), 60.0f);
  EXPECT_EQ(tracks, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(frame->Moving());

  // Far to the right and below: it stops at the parent's edges.
  Drag(100, 90, 390, 290);
  EXPECT_EQ(frame->Position()->X(), 200.0f - 60);
  EXPECT_EQ(frame->Position()->Y(), 100.0f - 40);
  // Far to the top-left: at the origin.
  Drag(220, 130, 0, 0);
  EXPECT_EQ(frame->Position()->X(), 0.0f);
  EXPECT_EQ(frame->Position()->Y(), 0.0f);

  // Without ParentBounds it leaves the parent.
  frame->SetParentBounds(false);
  Drag(80, 80, 60, 70);
  EXPECT_EQ(frame->Position()->X(), -20.0f);
  EXPECT_EQ(frame->Position()->Y(), -10.0f);

  // A release without a drag reports nothing; a right press drags nothing.
  changes = 0;
  scene.MouseDown(rtl::mbRight, {}, 60, 60);
  scene.MouseUp(rtl::mbRight, {}, 60, 60);
  EXPECT_EQ(changes, 0);
}

TEST_F(Selections, EachGripResizesFromItsCornerAndNeverBelowTheMinimum) {
  // Bottom-right grip at absolute (130, 110): grows right and down.
  Drag(130, 110, 150, 120);
  EXPECT_EQ(frame->Width(), 80.0f);
  EXPECT_EQ(frame->Height(), 50.0f);
  EXPECT_EQ(frame->Position()->X(), 20.0f);
  EXPECT_EQ(changes, 1);

  // Top-left grip at (70, 70): the opposite corner stays.
  Drag(70, 70, 60, 65);
  EXPECT_EQ(frame->Position()->X(), 10.0f);
  EXPECT_EQ(frame->Position()->Y(), 15.0f);
  EXPECT_EQ(frame->Width(), 90.0f);
  EXPECT_EQ(frame->Height(), 55.0f);

  // Top-right grip at (150, 65) pulled beyond the parent's top: the point is held to 0.
  Drag(150, 65, 160, 0);
  EXPECT_EQ(frame->Position()->Y(), 0.0f);
  EXPECT_EQ(frame->Height(), 70.0f);
  EXPECT_EQ(frame->Width(), 100.0f);

  // Bottom-left grip at (60, 120) dragged past the right edge: the minimum size holds.
  Drag(60, 120, 200, 40);
  EXPECT_EQ(frame->Width(), 15.0f);
  EXPECT_EQ(frame->Height(), 15.0f);

  frame->SetMinSize(-5);
  EXPECT_EQ(frame->MinSize(), 1);
}

TEST_F(Selections, ProportionalGripsKeepTheRatioOfThePress) {
  frame->SetProportional(true);
  // 60 x 40 is 3:2; the bottom-right grip pulled 30 to the right gives 90 x 60.
  Drag(130, 110, 160, 112);
  EXPECT_EQ(frame->Width(), 90.0f);
  EXPECT_EQ(frame->Height(), 60.0f);
  // The top-left grip keeps the bottom edge where it was.
  const float bottom = frame->Position()->Y() + frame->Height();
  Drag(70, 70, 100, 70);
  EXPECT_EQ(frame->Width(), 60.0f);
  EXPECT_EQ(frame->Height(), 40.0f);
  EXPECT_EQ(frame->Position()->X(), 50.0f);
  EXPECT_EQ(frame->Position()->Y() + frame->Height(), bottom);
  // Squeezed to nothing: the minimum width, and the height of the ratio, both at least 15.
  Drag(160, 130, 0, 130);
  EXPECT_EQ(frame->Height(), 15.0f);
  EXPECT_EQ(frame->Width(), 22.0f);  // 15 x 1.5 = 22.5, rounded to even
}

TEST_F(Selections, GripsAnswerHitTestsOutsideTheFrameAndLightUpUnderTheMouse) {
  EXPECT_TRUE(frame->PointInObject(100, 90));
  EXPECT_TRUE(frame->PointInObject(68, 68));    // top-left grip, outside the rectangle
  EXPECT_TRUE(frame->PointInObject(133, 113));  // bottom-right grip, on its edge
  EXPECT_FALSE(frame->PointInObject(66, 66));
  EXPECT_FALSE(frame->PointInObject(100, 114));
  frame->SetGripSize(50);
  EXPECT_EQ(frame->GripSize(), 20.0f);
  frame->SetGripSize(0);
  EXPECT_EQ(frame->GripSize(), 1.0f);
  frame->SetGripSize(3);
  // Not a number is no size: the grips keep theirs and are still hit.
  frame->SetGripSize(std::nanf(""));
  EXPECT_EQ(frame->GripSize(), 3.0f);
  EXPECT_TRUE(frame->PointInObject(68, 68));
  // The absolute rectangle carries the grips and a margin.
  const TvxRect r = frame->GetAbsoluteRect();
  EXPECT_EQ(r.Left, 70.0f - 7);
  EXPECT_EQ(r.Bottom, 110.0f + 7);

  scene.MouseMove({}, 130, 70);
  EXPECT_TRUE(frame->GripHot(1));
  EXPECT_FALSE(frame->GripHot(0));
  scene.MouseMove({}, 100, 90);
  EXPECT_FALSE(frame->GripHot(1));
  scene.MouseMove({}, 130, 110);
  EXPECT_TRUE(frame->GripHot(2));
  scene.MouseMove({}, 300, 250);  // leaves the frame
  EXPECT_FALSE(frame->GripHot(2));
}

TEST_F(Selections, APointKeepsItsGripSizeAndIsDraggedInsideItsParent) {
  auto* point = new TvxSelectionPoint(nullptr);
  parent->AddObject(point);
  point->SetWidth(100);
  EXPECT_EQ(point->Width(), 6.0f);
  point->SetGripSize(5);
  point->SetHeight(1);
  EXPECT_EQ(point->Height(), 10.0f);
  point->SetGripSize(std::nanf(""));
  EXPECT_EQ(point->GripSize(), 5.0f);
  point->SetWidth(1);
  EXPECT_EQ(point->Width(), 10.0f);
  point->Position()->SetPoint({100, 50});  // absolute 150, 100
  EXPECT_TRUE(point->PointInObject(146, 96));
  EXPECT_FALSE(point->PointInObject(145, 100));  // the edge is outside
  int moved = 0, done = 0;
  point->OnTrack = [&](rtl::TObject*) { ++moved; };
  point->OnChange = [&](rtl::TObject*) { ++done; };
  scene.MouseDown(rtl::mbLeft, {}, 151, 101);
  EXPECT_TRUE(point->Dragging());
  scene.MouseMove(Left, 170, 120);
  EXPECT_EQ(point->Position()->X(), 120.0f);
  EXPECT_EQ(point->Position()->Y(), 70.0f);
  scene.MouseMove(Left, 390, -40);
  EXPECT_EQ(point->Position()->X(), 200.0f);
  EXPECT_EQ(point->Position()->Y(), 0.0f);
  scene.MouseUp(rtl::mbLeft, {}, 390, -40);
  EXPECT_FALSE(point->Dragging());
  EXPECT_EQ(moved, 2);
  EXPECT_EQ(done, 1);
}

TEST_F(Selections, ASqueezedGripHoldsTheMinimumAndTheRatioAndTheOptionsKeepTheirRange) {
  // 100 x 50 at the parent's origin; the bottom-right grip dragged to (5, 5) from there.
  frame->SetBounds(0, 0, 100, 50);
  Drag(150, 100, 55, 55);
  EXPECT_EQ(frame->Width(), 15.0f);
  EXPECT_EQ(frame->Height(), 15.0f);
  frame->SetBounds(0, 0, 100, 50);
  frame->SetProportional(true);  // the ratio of the press: 2
  Drag(150, 100, 55, 55);
  EXPECT_EQ(frame->Width(), 30.0f);
  EXPECT_EQ(frame->Height(), 15.0f);

  frame->SetGripSize(50);
  EXPECT_EQ(frame->GripSize(), 20.0f);
  frame->SetGripSize(0.5f);
  EXPECT_EQ(frame->GripSize(), 1.0f);
  frame->SetMinSize(0);
  EXPECT_EQ(frame->MinSize(), 1);

  // A hover and a release without a drag report no change.
  changes = 0;
  scene.MouseMove({}, 60, 60);
  scene.MouseUp(rtl::mbLeft, {}, 60, 60);
  EXPECT_EQ(changes, 0);
}

TEST_F(Selections, OverlappingGripsPickTheTopLeftFirst) {
  // 4 x 4 with grips of 3: all four squares hold the middle point.
  frame->SetMinSize(1);
  frame->SetBounds(10, 10, 4, 4);  // absolute 60, 60 .. 64, 64
  scene.MouseDown(rtl::mbLeft, {}, 62, 62);
  ASSERT_TRUE(frame->DraggingGrip());
  scene.MouseMove(Left, 58, 58);
  scene.MouseUp(rtl::mbLeft, {}, 58, 58);
  // The top-left grip moved the frame's corner; the other three would have kept it.
  EXPECT_EQ(frame->Position()->X(), 8.0f + 2);
  EXPECT_EQ(frame->Position()->Y(), 8.0f + 2);
}

TEST(SelectionPoints, APointIsHitStrictlyInsideItsGripAroundItsPosition) {
  FakeScene scene;
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 100, 100);
  scene.AddObject(root.get());
  auto* point = new TvxSelectionPoint(nullptr);
  root->AddObject(point);
  point->Position()->SetPoint({10, 10});
  EXPECT_EQ(point->GripSize(), 3.0f);
  EXPECT_TRUE(point->PointInObject(12, 12));
  EXPECT_FALSE(point->PointInObject(13, 10)) << "the grip's edge is outside";
  EXPECT_TRUE(point->DesignResizeLocked()) << "a designed host never resizes it";
}

TEST(SelectionLooks, ADashedFrameWithWhiteGripsAndTheOneUnderTheMouseRed) {
  struct Started {
    Started() { LibraryStartup(); }
    ~Started() { LibraryShutdown(); }
  } library;
  std::unique_ptr<TvxCanvas> canvas = DefaultCanvasClass->Create(200, 120);
  FakeScene scene(canvas.get());
  TvxObjectPtr root(new TvxVisualObject(nullptr));
  root->Visual()->SetBounds(0, 0, 200, 120);
  scene.AddObject(root.get());
  auto* frame = new TvxSelection(nullptr);
  root->AddObject(frame);
  frame->SetBounds(40, 30, 100, 60);
  auto paint = [&] {
    scene.dirty.assign(1, MakeRect(0, 0, 200, 120));
    ASSERT_TRUE(canvas->BeginScene());
    canvas->ClearRect(MakeRect(0, 0, 200, 120), 0);
    scene.Paint();
    canvas->EndScene();
  };
  auto at = [&](int X, int Y) { return canvas->BufferBits()[Y * canvas->Width() + X]; };
  paint();
  EXPECT_EQ(at(40, 30), 0xFFFFFFFFu) << "the top-left grip";
  EXPECT_EQ(at(140, 90), 0xFFFFFFFFu) << "the bottom-right grip";
  int dashes = 0, gaps = 0;
  for (int x = 50; x < 130; ++x) (at(x, 30) == 0xFF1072C5u ? dashes : gaps) += 1;
  EXPECT_GT(dashes, 10);
  EXPECT_GT(gaps, 10) << "dashed, not solid";
  EXPECT_EQ(at(90, 60), 0u) << "the frame is not filled";
  scene.MouseMove({}, 140, 90);
  ASSERT_TRUE(frame->GripHot(2));
  paint();
  EXPECT_EQ(at(140, 90), 0xFFFF0000u);
  EXPECT_EQ(at(40, 30), 0xFFFFFFFFu);
  frame->SetHideSelection(true);
  paint();
  EXPECT_EQ(at(140, 90), 0u);
}

}  // namespace selection_test
