// The layout of children by Align, through a fake host.
#include <gtest/gtest.h>

#include <cmath>

#include "FakeScene.h"
#include "vg2d/core/VisualObjects.h"

namespace align_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

class Align : public ::testing::Test {
protected:
  // A hosted parent of the given size.
  TvxVisualObject* Parent(float W, float H) {
    parent_.reset(new TvxVisualObject(nullptr));
    parent_->Visual()->SetInitialSize(W, H);
    scene_.AddObject(parent_.get());
    return parent_->Visual();
  }
  static TvxVisualObject* Child(TvxVisualObject* Parent, TvxAlign Kind, float X, float Y, float W, float H) {
    auto* c = new TvxVisualObject(nullptr);
    c->SetBounds(X, Y, W, H);
    Parent->AddObject(c);
    c->SetAlign(Kind);
    return c;
  }
  static void Expect(TvxVisualObject* C, float X, float Y, float W, float H) {
    EXPECT_FLOAT_EQ(C->Position()->X(), X);
    EXPECT_FLOAT_EQ(C->Position()->Y(), Y);
    EXPECT_FLOAT_EQ(C->Width(), W);
    EXPECT_FLOAT_EQ(C->Height(), H);
  }

  FakeScene scene_;
  TvxObjectPtr parent_;
};

TEST_F(Align, EdgeKindsTakeStripsInTheirFixedOrder) {
  TvxVisualObject* p = Parent(200, 100);
  p->BeginUpdate();  // children listed against the order of the kinds
  TvxVisualObject* client = Child(p, vaClient, 0, 0, 10, 10);
  TvxVisualObject* right = Child(p, vaRight, 0, 0, 10, 10);
  TvxVisualObject* left = Child(p, vaLeft, 0, 0, 10, 10);
  TvxVisualObject* bottom = Child(p, vaBottom, 0, 0, 10, 10);
  TvxVisualObject* top = Child(p, vaTop, 0, 0, 10, 10);
  TvxVisualObject* mostRight = Child(p, vaMostRight, 0, 0, 5, 10);
  TvxVisualObject* mostLeft = Child(p, vaMostLeft, 0, 0, 10, 10);
  TvxVisualObject* mostBottom = Child(p, vaMostBottom, 0, 0, 10, 10);
  TvxVisualObject* mostTop = Child(p, vaMostTop, 0, 0, 10, 10);
  TvxVisualObject* none = Child(p, vaNone, 3, 4, 10, 10);
  TvxVisualObject* topLeft = Child(p, vaTopLeft, 6, 7, 10, 10);
  p->EndUpdate();

  Expect(mostTop, 0, 0, 200, 10);
  Expect(mostBottom, 0, 90, 200, 10);
  Expect(mostLeft, 0, 10, 10, 80);
  Expect(mostRight, 195, 10, 5, 80);
  Expect(top, 10, 10, 185, 10);
  Expect(bottom, 10, 80, 185, 10);
  Expect(left, 10, 20, 10, 60);
  Expect(right, 185, 20, 10, 60);
  Expect(client, 20, 20, 165, 60);
  Expect(none, 3, 4, 10, 10);
  Expect(topLeft, 6, 7, 10, 10);
}

TEST_F(Align, StripsStackByPositionAndKeepPadding) {
  TvxVisualObject* p = Parent(100, 100);
  p->Margins()->SetRect({5, 5, 5, 5});
  p->BeginUpdate();
  TvxVisualObject* lower = Child(p, vaTop, 0, 50, 10, 10);
  TvxVisualObject* upper = Child(p, vaTop, 0, 20, 10, 20);
  upper->Padding()->SetRect({1, 2, 3, 4});
  p->EndUpdate();
  Expect(upper, 6, 7, 86, 20);
  Expect(lower, 5, 31, 90, 10);

  // Two bottom strips with the same bottom: the later child is nearer the edge.
  p->BeginUpdate();
  TvxVisualObject* first = Child(p, vaBottom, 0, 0, 10, 10);
  TvxVisualObject* second = Child(p, vaBottom, 0, 0, 10, 10);
  p->EndUpdate();
  Expect(second, 5, 85, 90, 10);
  Expect(first, 5, 75, 90, 10);
}

TEST_F(Align, CentresCutTowardZero) {
  TvxVisualObject* p = Parent(15, 15);
  TvxVisualObject* c = Child(p, vaCenter, 7, 7, 10, 4);
  Expect(c, 2, 5, 10, 4);
  TvxVisualObject* h = Child(p, vaHorzCenter, 1, 1, 5, 5);
  Expect(h, 5, 0, 5, 15);
  TvxVisualObject* v = Child(p, vaVertCenter, 1, 1, 5, 5);
  Expect(v, 0, 5, 15, 5);
}

TEST_F(Align, ContentsCoverTheWholeParent) {
  TvxVisualObject* p = Parent(100, 80);
  p->Margins()->SetRect({10, 10, 10, 10});
  Child(p, vaTop, 0, 0, 10, 20);
  TvxVisualObject* c = Child(p, vaContents, 30, 30, 5, 5);
  c->Padding()->SetRect({1, 2, 3, 4});
  Expect(c, 1, 2, 96, 74);
}

TEST_F(Align, VerticalAndHorizontalKeepTheirOwnCoordinate) {
  TvxVisualObject* p = Parent(100, 80);
  TvxVisualObject* v = Child(p, vaVertical, 30, 10, 12, 5);
  v->Padding()->SetRect({0, 3, 0, 2});
  Expect(v, 30, 3, 12, 75);
  TvxVisualObject* h = Child(p, vaHorizontal, 5, 40, 12, 6);
  Expect(h, 0, 40, 100, 6);
}

TEST_F(Align, CornersKeepTheirDistanceAndScaleGrows) {
  TvxVisualObject* p = Parent(100, 100);
  TvxVisualObject* topRight = Child(p, vaTopRight, 80, 5, 10, 10);
  TvxVisualObject* bottomRight = Child(p, vaBottomRight, 80, 80, 10, 10);
  TvxVisualObject* topLeft = Child(p, vaTopLeft, 80, 5, 10, 10);
  TvxVisualObject* scaled = Child(p, vaScale, 10, 20, 30, 40);
  p->SetWidth(200);
  Expect(topRight, 180, 5, 10, 10);
  Expect(bottomRight, 180, 80, 10, 10);
  Expect(topLeft, 80, 5, 10, 10);
  Expect(scaled, 20, 20, 60, 40);
  p->SetHeight(50);
  Expect(bottomRight, 180, 30, 10, 10);
  Expect(scaled, 20, 10, 60, 20);
}

// The corner and scale kinds measure the parent's change from its size when the child was
// aligned, however often the parent was resized before it had aligned children.
TEST_F(Align, CornersAndScaleMeasureFromWhenTheChildWasAligned) {
  TvxVisualObject* p = Parent(50, 50);
  TvxVisualObject* plain = Child(p, vaNone, 10, 5, 10, 10);
  p->SetBounds(0, 0, 300, 100);  // resized with only an unaligned child
  plain->SetAlign(vaTopRight);
  Expect(plain, 10, 5, 10, 10);
  p->SetWidth(400);
  Expect(plain, 110, 5, 10, 10);

  TvxVisualObject* q = Parent(50, 50);
  q->SetBounds(0, 0, 100, 200);  // resized with no child at all
  auto* scaled = new TvxVisualObject(nullptr);
  scaled->SetBounds(10, 20, 30, 40);
  scaled->SetAlign(vaScale);
  q->AddObject(scaled);
  Expect(scaled, 10, 20, 30, 40);
  q->SetWidth(200);
  Expect(scaled, 20, 20, 60, 40);
}

TEST_F(Align, FitKeepsTheAspectAndSkipsAChildWithoutArea) {
  TvxVisualObject* p = Parent(100, 100);
  TvxVisualObject* fit = Child(p, vaFit, 0, 0, 20, 10);
  Expect(fit, 0, 25, 100, 50);
  TvxVisualObject* flat = Child(p, vaFit, 7, 8, 0, 10);
  Expect(flat, 7, 8, 0, 10);
  TvxVisualObject* right = Child(p, vaFitRight, 0, 0, 10, 20);
  Expect(right, 50, 0, 50, 100);
  for (TvxVisualObject* c : {fit, flat, right}) {
    const TvxRect u = c->GetUpdateRect();
    EXPECT_TRUE(std::isfinite(u.Left) && std::isfinite(u.Right) && std::isfinite(u.Top) && std::isfinite(u.Bottom));
  }
}

TEST_F(Align, TinyParentsAndLoadingDoNotLayOut) {
  TvxVisualObject* p = Parent(1.5f, 100);
  TvxVisualObject* c = Child(p, vaClient, 3, 3, 10, 10);
  Expect(c, 3, 3, 10, 10);
  p->SetWidth(-1.5f);
  Expect(c, 3, 3, 10, 10);
  p->SetWidth(40);
  Expect(c, 0, 0, 40, 100);
}

}  // namespace

}  // namespace align_test
