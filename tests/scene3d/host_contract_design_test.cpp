// The contract every host of a 2D tree keeps, in design editing with the mouse: the first
// press makes the host's root, grips and rotation, grid and snap lines, Alt-drag into another
// object, Delete and hiding.
#include <gtest/gtest.h>

#include "HostContract.h"

namespace host_contract_design_test {

using namespace hostcontract;

TYPED_TEST_SUITE(HostContract, HostKinds);

// ---- design editing: the mouse --------------------------------------------------------------------

TYPED_TEST(HostContract, TheFirstDesignPressIntoAnEmptyTreeMakesTheHostsRoot) {
  this->Design();
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(5, 5))) << "a tree without roots takes every press";
  this->Click(30, 40);
  ASSERT_EQ(this->H()->RootCount(), 1);
  TvxObject* root = this->H()->GetRoot();
  EXPECT_EQ(root->ClassName(), TypeParam::RootClass);
  EXPECT_FLOAT_EQ(root->Visual()->Width(), 400);
  EXPECT_FLOAT_EQ(root->Visual()->Height(), 300);
  EXPECT_EQ(root->Owner(), this->kind.Owner());
  EXPECT_EQ(this->H()->GetSelected(), root);
}

TYPED_TEST(HostContract, PressesSelectAndAPressOnAGripKeepsTheSelection) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 20, 30, 100, 40);
  Box* other = this->Add(root, 200, 30, 40, 40);
  int changes = 0;
  this->Designer().OnDesignSelection = [&](rtl::TObject* Sender) {
    EXPECT_EQ(Sender, this->H()->GetComponent());
    ++changes;
  };
  this->Click(50, 50);
  ASSERT_EQ(this->H()->GetSelected(), box);
  EXPECT_EQ(changes, 1);
  // W = 100: the rotation handle lies at (50, -10) of the box.
  this->kind.Down(rtl::mbLeft, {}, 20 + 50, 30 - 10);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripRotate);
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Up(rtl::mbLeft, 70, 20);
  // The top-left grip reaches 3 units outside the box; a corner's grip wins over the body.
  this->kind.Down(rtl::mbLeft, {}, 18, 28);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripTopLeft);
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Up(rtl::mbLeft, 18, 28);
  EXPECT_EQ(this->Designer().Dragging(), Editor::dragNone);
  this->kind.Down(rtl::mbLeft, {}, 120, 50);
  EXPECT_EQ(this->Designer().Dragging(), Editor::gripRightMiddle);
  this->kind.Up(rtl::mbLeft, 120, 50);

  // Ctrl adds another object to the multi-selection; again, the selection takes its place.
  this->kind.Down(rtl::mbLeft, {rtl::ssCtrl}, 210, 40);
  EXPECT_EQ(this->Designer().SelectionList(), (std::vector<TvxVisualObject*>{other}));
  EXPECT_EQ(this->H()->GetSelected(), box);
  this->kind.Down(rtl::mbLeft, {rtl::ssCtrl}, 210, 40);
  EXPECT_EQ(this->Designer().SelectionList(), (std::vector<TvxVisualObject*>{box}));
  other->Free();
  EXPECT_TRUE(this->Designer().SelectionList().size() == 1);
  // A double click on the selection runs its DesignClick.
  int clicks = 0;
  struct Clicked : Box {
    using Box::Box;
    int* count = nullptr;
    void DesignClick() override { ++*count; }
  };
  auto* c = this->template Add<Clicked>(root, 300, 100, 40, 40);
  c->count = &clicks;
  this->Click(310, 110);
  this->kind.Down(rtl::mbLeft, {rtl::ssDouble}, 310, 110);
  EXPECT_EQ(clicks, 1);
  this->kind.Up(rtl::mbLeft, 310, 110);

  // A resize-locked object is selected but offers no grips.
  auto* point = this->template Add<TvxVisualObject>(root, 350, 200, 20, 20);
  point->SetDesignResizeLocked(true);
  this->Click(360, 210);
  EXPECT_EQ(this->H()->GetSelected(), point);
  EXPECT_EQ(this->Designer().GripAt(MakePoint(350, 200)), -1);
  this->Designer().OnDesignSelection = {};
}

TYPED_TEST(HostContract, MovesSnapToTheGridByTruncationAndResizesByEveryGrip) {
  this->Design();
  Editor& d = this->Designer();
  EXPECT_FLOAT_EQ(d.SnapValue(2.7f), 2.7f) << "no grid at first";
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap to grid"}));
  EXPECT_FLOAT_EQ(d.SnapValue(2.7f), 2);
  EXPECT_FLOAT_EQ(d.SnapValue(-2.7f), -2);
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 20, 30, 100, 40);
  this->kind.Down(rtl::mbLeft, {}, 50, 50);
  this->kind.Move(Left, 52.7f, 46.2f);
  EXPECT_FLOAT_EQ(box->Position()->X(), 22);
  EXPECT_FLOAT_EQ(box->Position()->Y(), 26);
  this->kind.Up(rtl::mbLeft, 52.7f, 46.2f);

  // The bottom-right grip sets the right and bottom edges; the top-left keeps the far ones.
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap disabled"}));
  box->SetBounds(20, 30, 100, 40);
  this->Drag(120, 70, 150, 90);
  EXPECT_FLOAT_EQ(box->Width(), 130);
  EXPECT_FLOAT_EQ(box->Height(), 60);
  this->Drag(20, 30, 40, 40);
  EXPECT_FLOAT_EQ(box->Position()->X(), 40);
  EXPECT_FLOAT_EQ(box->Position()->Y(), 40);
  EXPECT_FLOAT_EQ(box->Width(), 110);
  EXPECT_FLOAT_EQ(box->Height(), 50);
  // The edge grips move one edge each.
  this->Drag(95, 40, 95, 20);  // top middle
  EXPECT_FLOAT_EQ(box->Position()->Y(), 20);
  EXPECT_FLOAT_EQ(box->Height(), 70);
  this->Drag(150, 55, 170, 55);  // right middle
  EXPECT_FLOAT_EQ(box->Width(), 130);
  EXPECT_FLOAT_EQ(box->Position()->X(), 40);

  // A press selects the object under the pointer, not the one under its grid point.
  ASSERT_TRUE(d.Choose({u"Grid", u"Snap to grid"}));
  d.SetSnapGridSize(10);
  Box* small = this->Add(root, 304, 204, 10, 10);
  this->Click(308, 208);
  EXPECT_EQ(this->H()->GetSelected(), small);
}

TYPED_TEST(HostContract, EveryGripResizeAndEveryMoveRealignsTheParentAtTheRelease) {
  this->Design();
  TvxVisualObject* root = this->Root();
  struct Counting : Box {
    using Box::Box;
    int realigns = 0;
    void Realign() override {
      ++realigns;
      Box::Realign();
    }
  };
  auto* panel = this->template Add<Counting>(root, 0, 0, 300, 200);
  Box* box = this->Add(panel, 50, 100, 60, 40);
  this->Click(70, 110);
  ASSERT_EQ(this->H()->GetSelected(), box);
  // The grips at the top right, the right middle, the bottom middle, then the body.
  for (const TvxPoint grip : {MakePoint(110, 100), MakePoint(110, 120), MakePoint(80, 140), MakePoint(70, 110)}) {
    this->kind.Down(rtl::mbLeft, {}, grip.X, grip.Y);
    this->kind.Move(Left, grip.X + 20, grip.Y + 5);
    const int before = panel->realigns;
    this->kind.Up(rtl::mbLeft, grip.X + 20, grip.Y + 5);
    EXPECT_EQ(panel->realigns, before + 1) << "the parent realigns after the drag at " << grip.X << "," << grip.Y;
    box->SetBounds(50, 100, 60, 40);
  }
  // A turn is no resize.
  this->kind.Down(rtl::mbLeft, {}, 80, 90);
  this->kind.Move(Left, 120, 120);
  const int before = panel->realigns;
  this->kind.Up(rtl::mbLeft, 120, 120);
  EXPECT_EQ(panel->realigns, before);
}

// The scene draws the snap line and the selection's frame as plain lines, the layer dashed.
TYPED_TEST(HostContract, AMoveSnapsToASiblingsEdgeAndShowsALine) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* a = this->Add(root, 100, 20, 50, 30);
  Box* b = this->Add(root, 30, 150, 40, 20);
  b->color = 0xFF404040u;  // apart from the frame's colour
  this->RepaintAll();
  for (int y = 60; y < 140; ++y) ASSERT_EQ(this->Pixel(100, y) >> 24, 0u) << "nothing drawn there before, row " << y;
  // B's left edge dragged to 101, within 2 units of A's left edge at 100.
  this->kind.Down(rtl::mbLeft, {}, 40, 160);
  this->kind.Move(Left, 111, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 100) << "snapped to the sibling's left edge";
  EXPECT_EQ(this->Designer().SnapObjects(), (std::vector<TvxVisualObject*>{a}));
  EXPECT_FLOAT_EQ(this->H()->GetMousePos().X, 110) << "the mouse moves with the object";
  this->kind.Settle();
  int line = 0;
  for (int y = 60; y < 140; ++y)
    if (Near(this->Pixel(100, y), 0xFF1072C5u)) ++line;
  // The frame's top edge between the top-left grip and the top middle one.
  int frame = 0;
  for (int x = 105; x <= 115; ++x)
    if (Near(this->Pixel(x, 150), 0xFF1072C5u)) ++frame;
  if constexpr (std::is_same_v<TypeParam, SceneKind>) {
    EXPECT_EQ(line, 80) << "a plain line joins the two left edges";
    EXPECT_EQ(frame, 11) << "a plain frame";
  } else {
    EXPECT_GT(line, 20) << "a dashed line joins the two left edges";
    EXPECT_LT(line, 80) << "with gaps";
    EXPECT_GT(frame, 3) << "a dashed frame";
    EXPECT_LT(frame, 11) << "with gaps";
  }
  this->SavePicture(std::string("snap_line_") + TypeParam::RootClass + ".png");
  // The next step starts from where the object lies: it follows the pointer again.
  this->kind.Move(Left, 131, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 121);
  this->kind.Up(rtl::mbLeft, 131, 160);
  EXPECT_TRUE(this->Designer().SnapObjects().empty());
  this->kind.Settle();
  for (int y = 60; y < 140; ++y) EXPECT_EQ(this->Pixel(100, y) >> 24, 0u) << "the line is gone, row " << y;
}

// A move 2 units off a sibling's edge and a grip 4 units off it: a layer takes the edge, "within"
// its tolerance; the 2D scene does not, it snaps only what is "closer than" that. Closer, both
// snap.
TYPED_TEST(HostContract, MovesAndGripsSnapAtExactlyTheirTolerance) {
  this->Design();
  TvxVisualObject* root = this->Root();
  this->Add(root, 100, 20, 50, 30);
  Box* b = this->Add(root, 30, 150, 40, 20);
  const bool within = TypeParam::SnapsAtTolerance;
  // B's left edge dragged to 102, A's left edge at 100; then one unit nearer.
  this->kind.Down(rtl::mbLeft, {}, 40, 160);
  this->kind.Move(Left, 112, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), within ? 100 : 102) << "2 units off";
  this->kind.Move(Left, 111, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 100) << "1 unit off snaps";
  this->kind.Up(rtl::mbLeft, 111, 160);
  // B's right-middle grip dragged to 146, A's right edge at 150; then one unit nearer.
  this->kind.Down(rtl::mbLeft, {}, 140, 160);
  this->kind.Move(Left, 146, 160);
  EXPECT_FLOAT_EQ(b->Width(), within ? 50 : 46) << "a grip 4 units off";
  this->kind.Move(Left, 147, 160);
  EXPECT_FLOAT_EQ(b->Width(), 50) << "a grip 3 units off snaps";
  this->kind.Up(rtl::mbLeft, 147, 160);
  EXPECT_FLOAT_EQ(b->Position()->X(), 100);
}

TYPED_TEST(HostContract, AltDragMovesTheSelectionIntoAPanelWithoutMovingItOnScreen) {
  this->Design();
  TvxVisualObject* root = this->Root();
  auto* panel = this->template Add<TvxPanel>(root, 200, 50, 150, 150);
  panel->SetName("Panel1");
  Box* box = this->Add(root, 20, 30, 40, 20);
  this->kind.Down(rtl::mbLeft, {}, 30, 40);
  this->kind.Move(Left, 240, 110);  // over the panel without Alt: only the caption
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), panel);
  EXPECT_EQ(box->Parent(), root);
  this->kind.Settle();
  EXPECT_TRUE(Near(this->Pixel(359, 48), 0xFF5B91DEu)) << "the caption's strip over the panel";
  this->SavePicture(std::string("place_caption_") + TypeParam::RootClass + ".png");
  const TvxPoint before = box->LocalToAbsolute(MakePoint(0, 0));
  this->kind.Move(AltLeft, 240, 110);
  EXPECT_EQ(box->Parent(), panel);
  EXPECT_EQ(this->H()->GetSelected(), box) << "still the one being edited";
  const TvxPoint after = box->LocalToAbsolute(MakePoint(0, 0));
  EXPECT_FLOAT_EQ(after.X, before.X);
  EXPECT_FLOAT_EQ(after.Y, before.Y);
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), nullptr);
  this->kind.Up(rtl::mbLeft, 240, 110);

  // A target inside the selection's own tree is refused: a child made under the pointer
  // while the selection is dragged.
  Box* outer = this->Add(root, 0, 200, 100, 40);
  this->kind.Down(rtl::mbLeft, {}, 10, 210);
  ASSERT_EQ(this->H()->GetSelected(), outer);
  Box* inner = this->Add(outer, 0, 0, 100, 40);
  this->kind.Move(AltLeft, 12, 210);
  EXPECT_EQ(this->H()->GetDesignPlaceObject(), nullptr);
  EXPECT_EQ(outer->Parent(), root);
  EXPECT_EQ(inner->Parent(), outer);
  this->kind.Up(rtl::mbLeft, 12, 210);
}

TYPED_TEST(HostContract, TheRotationHandleFollowsThePointerAndTheCentreTurnsNothing) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* box = this->Add(root, 100, 100, 100, 40);  // centre (150, 120)
  this->Click(150, 120);
  this->kind.Down(rtl::mbLeft, {}, 150, 90);
  ASSERT_EQ(this->Designer().Dragging(), Editor::gripRotate);
  this->kind.Move(Left, 190, 120);  // due east of the centre
  EXPECT_NEAR(box->RotateAngle(), 90, 0.01);
  const TvxPoint handle = box->LocalToAbsolute(MakePoint(50, -10));
  EXPECT_NEAR(handle.X, 180, 0.01) << "the handle lies on the way to the pointer";
  EXPECT_NEAR(handle.Y, 120, 0.01);
  this->kind.Move(Left, 150, 120);  // on the centre
  this->kind.Move(Left, 150, 160);  // due south, from the centre: no direction to turn from
  EXPECT_TRUE(std::isfinite(box->RotateAngle()));
  this->kind.Move(Left, 110, 120);  // due west from due south
  EXPECT_TRUE(std::isfinite(box->RotateAngle()));
  this->kind.Up(rtl::mbLeft, 110, 120);
}

TYPED_TEST(HostContract, DeleteFreesTheSelectionButNeverTheRoot) {
  this->Design();
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 10, 10, 200, 200);
  Box* box = this->Add(panel, 20, 20, 40, 40);
  this->Click(40, 40);
  ASSERT_EQ(this->H()->GetSelected(), box);
  TvxFreeWatch gone(box);
  this->kind.KeyUp(46);
  EXPECT_TRUE(gone.Gone());
  EXPECT_EQ(this->H()->GetSelected(), nullptr) << "the key leaves nothing selected";
  EXPECT_EQ(panel->GetChildrenCount(), 0);
  // "Delete object" selects the parent instead.
  Box* other = this->Add(panel, 20, 20, 40, 40);
  this->H()->SetSelected(other);
  TvxFreeWatch otherGone(other);
  ASSERT_TRUE(this->Designer().Choose({u"Delete object"}));
  EXPECT_TRUE(otherGone.Gone());
  EXPECT_EQ(this->H()->GetSelected(), panel);
  // Neither frees the root.
  this->H()->SetSelected(root);
  this->kind.KeyUp(46);
  EXPECT_EQ(this->H()->GetSelected(), root);
  ASSERT_TRUE(this->Designer().Choose({u"Delete object"}));
  EXPECT_EQ(this->H()->GetRoot(), root);
  EXPECT_EQ(this->H()->GetSelected(), root);
  EXPECT_EQ(root->GetChildrenCount(), 1);
}

TYPED_TEST(HostContract, HideInDesignTimeHidesTheRootOnlyInAScene) {
  this->Design();
  TvxVisualObject* root = this->Root();
  this->Add(root, 10, 10, 200, 200);
  // A scene hides its root and shows it again; a layer leaves it alone.
  this->H()->SetSelected(root);
  ASSERT_TRUE(this->Designer().Choose({u"Hide in Design-time"}));
  const bool scene = std::is_same_v<TypeParam, SceneKind>;
  EXPECT_EQ(root->DesignHide(), scene);
  EXPECT_EQ(this->H()->GetSelected(), root) << "a root has no parent to pass the selection to";
  std::vector<TvxDesignMenuItem> menu = this->Designer().BuildMenu();
  const auto hide = std::find_if(menu.begin(), menu.end(), [](auto& I) { return I.Caption == u"Hide in Design-time"; });
  ASSERT_NE(hide, menu.end());
  EXPECT_EQ(hide->Checked, scene);
  ASSERT_TRUE(this->Designer().Choose({u"Hide in Design-time"}));
  EXPECT_FALSE(root->DesignHide());
  EXPECT_EQ(this->H()->GetRoot(), root);
}

TYPED_TEST(HostContract, TheDesignHitTestTakesObjectsTheSelectionAndEmptyTrees) {
  this->Design();
  auto* root = new TvxVisualObject(this->kind.Owner());
  this->H()->AddObject(root);
  root->SetLocked(true);  // presses on it pass through to what lies under the host
  Box* box = this->Add(root, 100, 100, 40, 40);
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(110, 110)));
  EXPECT_FALSE(this->Designer().HitTest(MakePoint(10, 10)));
  this->H()->SetSelected(box);
  box->SetLocked(true);
  EXPECT_TRUE(this->Designer().HitTest(MakePoint(110, 110))) << "the selection's area";
}

}  // namespace host_contract_design_test
