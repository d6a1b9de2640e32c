// The rectangle an object and its visible subtree cover, which painting and hit tests keep
// between changes: every change of geometry, visibility, clipping or children below an object
// reaches it and its ancestors; painting and hit tests that rely on it see what moved.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakeScene.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Selection.h"
#include "vg2d/core/VisualObjects.h"

namespace children_rect_test {

using namespace vg;
using vgtest::Box;
using vgtest::FakeScene;

namespace {

template <class T = Box>
T* Make(TvxObject* Parent, float X, float Y, float W, float H) {
  auto* o = new T(nullptr);
  o->SetBounds(X, Y, W, H);
  if (Parent) Parent->AddObject(o);
  return o;
}

// A selection point at the origin of Parent, as large as its grip makes it.
TvxSelectionPoint* MakePoint(TvxObject* Parent) {
  auto* p = new TvxSelectionPoint(nullptr);
  Parent->AddObject(p);
  return p;
}

// The rectangle worked out from nothing kept: the object's reach and, unless it clips, that
// of every visible visual child.
TvxRect Fresh(TvxVisualObject* O) {
  TvxRect r = O->GetReachRect();
  if (!O->ClipChildren())
    for (TvxObject* c : O->Children())
      if (c->IsVisual() && c->Visual()->Visible()) {
        const TvxRect a = r;
        UnionRectF(a, Fresh(c->Visual()), r);
      }
  return r;
}

// Every object of the tree keeps what it would work out now.
void ExpectKeptAsFresh(TvxVisualObject* Root, const char* After) {
  std::function<void(TvxVisualObject*)> check = [&](TvxVisualObject* O) {
    const TvxRect kept = O->GetChildrenRect(), fresh = Fresh(O);
    EXPECT_TRUE(kept.Left == fresh.Left && kept.Top == fresh.Top && kept.Right == fresh.Right &&
                kept.Bottom == fresh.Bottom)
        << After << ": " << O->Name() << " keeps (" << kept.Left << ", " << kept.Top << ", " << kept.Right << ", "
        << kept.Bottom << "), is (" << fresh.Left << ", " << fresh.Top << ", " << fresh.Right << ", " << fresh.Bottom
        << ")";
    for (TvxObject* c : O->Children())
      if (c->IsVisual()) check(c->Visual());
  };
  check(Root);
}

// A root of 200 x 200 with two branches: a (child a1, grandchild a2) and b (child b1).
struct Tree {
  Tree() {
    scene.AddObject(root);
    a = Make(root, 10, 10, 50, 50);
    a1 = Make(a, 5, 5, 20, 20);
    a2 = Make(a1, 2, 2, 8, 8);
    b = Make(root, 100, 100, 40, 40);
    b1 = Make(b, 0, 0, 10, 10);
    int n = 0;
    for (TvxVisualObject* o : {root, a, a1, a2, b, b1}) o->SetName("o" + std::to_string(n++));
    root->GetChildrenRect();  // every object keeps its rectangle from here on
  }
  FakeScene scene;
  TvxVisualObject* root = Make<TvxVisualObject>(nullptr, 0, 0, 200, 200);
  TvxObjectPtr holder{root};
  TvxVisualObject *a, *a1, *a2, *b, *b1;
};

TEST(ChildrenRect, EveryChangeBelowReachesTheObjectAndItsAncestors) {
  Tree t;
  const std::pair<const char*, std::function<void()>> steps[] = {
      {"a grandchild moved out", [&] { t.a2->Position()->SetPoint({300, 5}); }},
      {"its size", [&] { t.a2->SetWidth(90); }},
      {"its height", [&] { t.a2->SetHeight(70); }},
      {"its scale", [&] { t.a2->Scale()->SetPoint({2, 3}); }},
      {"its rotation", [&] { t.a2->SetRotateAngle(30); }},
      {"its rotation centre", [&] { t.a2->RotateCenter()->SetPoint({0, 1}); }},
      {"its size while turned", [&] { t.a2->SetWidth(40); }},
      {"its bounds", [&] { t.a2->SetBounds(-50, -60, 10, 10); }},
      {"its bounds rectangle", [&] { t.a2->SetBoundsRect(MakeRect(0, 0, 120, 12)); }},
      {"a middle object moved", [&] { t.a1->Position()->SetPoint({150, 150}); }},
      {"a branch scaled", [&] { t.a->Scale()->SetPoint({0.5f, 4}); }},
      {"the root moved", [&] { t.root->Position()->SetPoint({7, 9}); }},
      {"a grandchild hidden", [&] { t.a2->SetVisible(false); }},
      {"changed while hidden", [&] { t.a2->Position()->SetPoint({-400, -400}); }},
      {"shown again", [&] { t.a2->SetVisible(true); }},
      {"a middle object hidden", [&] { t.a1->SetVisible(false); }},
      {"below it while hidden", [&] { t.a2->Position()->SetPoint({500, 0}); }},
      {"the middle object shown", [&] { t.a1->SetVisible(true); }},
      {"a branch clips", [&] { t.a->SetClipChildren(true); }},
      {"below a clipping branch", [&] { t.a2->Position()->SetPoint({-300, 0}); }},
      {"the branch no longer clips", [&] { t.a->SetClipChildren(false); }},
      {"a child added", [&] { Make(t.b1, 300, 300, 5, 5)->SetName("added"); }},
      {"a child removed", [&] { delete t.b1->Children().back(); }},
      {"a grandchild moved to the other branch", [&] { t.b1->AddObject(t.a2); }},
      {"children deleted", [&] { t.b1->DeleteChildren(); }},
      {"sized from nothing", [&] { t.b->SetInitialSize(300, 2); }},
      {"order changed", [&] { t.a->BringToFront(); }},
  };
  for (const auto& [name, change] : steps) {
    change();
    ExpectKeptAsFresh(t.root, name);
  }
}

TEST(ChildrenRect, LayoutMovesAndRepaintsIntoOtherCanvasesKeepItTrue) {
  Tree t;
  t.a1->SetAlign(vaClient);
  ExpectKeptAsFresh(t.root, "aligned");
  t.a->SetWidth(170);  // the aligned child follows its parent
  ExpectKeptAsFresh(t.root, "the parent of an aligned child resized");
  t.a->Margins()->SetRect(MakeRect(30, 30, 30, 30));
  ExpectKeptAsFresh(t.root, "margins");
  // A screenshot paints a branch somewhere else for a moment and puts it back.
  DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
  t.a->MakeScreenshot();
  DefaultCanvasClass = nullptr;
  ExpectKeptAsFresh(t.root, "a screenshot of a branch");
  t.a2->Position()->SetPoint({-77, 3});
  ExpectKeptAsFresh(t.root, "a change below the branch after its screenshot");
}

TEST(ChildrenRect, ClassesThatReachPastTheirRectangleAreKeptTrue) {
  Tree t;
  auto* selection = Make<TvxSelection>(t.a2, 0, 0, 10, 10);
  auto* point = MakePoint(t.b1);
  ExpectKeptAsFresh(t.root, "selections");
  selection->SetGripSize(15);
  point->SetGripSize(12);
  ExpectKeptAsFresh(t.root, "grips grown");
  // The point's grip lies round its origin, past its own rectangle.
  const TvxRect reach = t.b1->GetChildrenRect();
  EXPECT_LE(reach.Left, 100 - 12);
  EXPECT_LE(reach.Top, 100 - 12);
}

// A paint that is asked only for where a grandchild went paints it there.
TEST(ChildrenRect, AGrandchildMovedPastItsParentIsPaintedWhereItWent) {
  DefaultCanvasClass = TvxCanvasGdiPlus::ClassRef();
  DefaultFilterClass = TvxFilterClassOf<TvxFilterGdiPlus>::Instance();
  {
    std::unique_ptr<TvxCanvas> canvas(TvxCanvasGdiPlus::ClassRef()->Create(200, 200));
    canvas->Clear(0);
    FakeScene scene(canvas.get());
    TvxVisualObject* root = Make<TvxVisualObject>(nullptr, 0, 0, 200, 200);
    TvxObjectPtr holder(root);
    scene.AddObject(root);
    Box* parent = Make(root, 10, 10, 20, 20);
    Box* child = Make(parent, 2, 2, 10, 10);
    Box* grandchild = Make(child, 2, 2, 4, 4);
    grandchild->color = 0xFFFF0000u;
    scene.Paint();
    ASSERT_EQ(canvas->BufferBits()[15 * 200 + 15], 0xFFFF0000u);
    const int before = grandchild->paints;
    grandchild->Position()->SetPoint({140, 140});
    scene.dirty.assign(1, MakeRect(150, 150, 160, 160));  // only where it went
    scene.Paint();
    EXPECT_EQ(grandchild->paints, before + 1);
    EXPECT_EQ(canvas->BufferBits()[155 * 200 + 155], 0xFFFF0000u);
    // Hidden, it is passed over; shown again, it is painted.
    child->SetVisible(false);
    scene.dirty.assign(1, MakeRect(150, 150, 160, 160));
    scene.Paint();
    EXPECT_EQ(grandchild->paints, before + 1);
    child->SetVisible(true);
    scene.dirty.assign(1, MakeRect(150, 150, 160, 160));
    scene.Paint();
    EXPECT_EQ(grandchild->paints, before + 2);
  }
  DefaultCanvasClass = nullptr;
  DefaultFilterClass = nullptr;
}

TEST(ChildrenRect, HitTestsFindWhatLiesPastParentsAndNothingAwayFromIt) {
  Tree t;
  t.a2->Position()->SetPoint({300, 300});  // far out of its parents
  const TvxPoint a2 = t.a2->LocalToAbsolute({4, 4});
  EXPECT_EQ(t.scene.ObjectAtPoint(a2), t.a2);
  t.a2->Position()->SetPoint({2, 2});
  EXPECT_EQ(t.scene.ObjectAtPoint(a2), nullptr);
  EXPECT_EQ(t.scene.ObjectAtPoint(t.a2->LocalToAbsolute({4, 4})), t.a2);
  // A point just inside an edge hits; the grip of a selection point round its origin, past
  // its rectangle, hits too.
  EXPECT_EQ(t.scene.ObjectAtPoint(t.b1->LocalToAbsolute({0.5f, 0.5f})), t.b1);
  auto* point = MakePoint(t.b1);
  EXPECT_EQ(t.scene.ObjectAtPoint(t.b1->LocalToAbsolute({-2, -2})), point);
  // A turned object is hit where it turned to.
  t.a1->SetRotateAngle(90);
  ExpectKeptAsFresh(t.root, "turned");
  EXPECT_EQ(t.scene.ObjectAtPoint(t.a2->LocalToAbsolute({4, 4})), t.a2);
  // Hidden, a branch is passed over, except at design time.
  t.b->SetVisible(false);
  EXPECT_EQ(t.scene.ObjectAtPoint(t.b1->LocalToAbsolute({5, 5})), t.root);
  t.scene.designTime = true;
  EXPECT_EQ(t.scene.ObjectAtPoint(t.b1->LocalToAbsolute({5, 5})), t.b1);
}

}  // namespace

}  // namespace children_rect_test
