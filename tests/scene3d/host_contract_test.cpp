// The contract every host of a 2D tree keeps, run against each kind of host (HostContract.h):
// the rules of the tree and its host (roots join and leave, freed objects leave no reference,
// focus and selection), and what the design decorations look like.
#include <gtest/gtest.h>

#include "HostContract.h"

namespace host_contract_test {

using namespace hostcontract;

TYPED_TEST_SUITE(HostContract, HostKinds);

// ---- the tree and its host ------------------------------------------------------------------------

TYPED_TEST(HostContract, RootsJoinAndLeaveTheHostAndAHostTakesAnObjectFromItsParent) {
  TvxObjectPtr other(new Box(nullptr));
  TvxVisualObject* root = this->Root();
  Box* child = this->Add(root, 10, 10, 20, 20);
  EXPECT_EQ(child->Scene(), this->H());
  EXPECT_EQ(this->H()->GetRoot(), root);
  EXPECT_FLOAT_EQ(root->Width(), 400) << "the first root covers the host";

  other->AddObject(child);
  EXPECT_EQ(child->Scene(), nullptr);
  this->H()->AddObject(child);
  EXPECT_EQ(other->GetChildrenCount(), 0);
  EXPECT_EQ(child->Scene(), this->H());
  EXPECT_EQ(this->H()->RootCount(), 2);

  auto* inner = this->Add(child, 0, 0, 5, 5);
  this->H()->SetCaptured(inner);
  other->AddObject(child);  // a root added to an object leaves the host with its tree
  EXPECT_EQ(this->H()->RootCount(), 1);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);
  EXPECT_EQ(inner->Scene(), nullptr);
}

TYPED_TEST(HostContract, FreedOrRemovedObjectsLeaveNoReferenceBehind) {
  TvxVisualObject* root = this->Root();
  Box* panel = this->Add(root, 0, 0, 50, 50);
  auto* edit = this->template Add<TvxControl>(panel, 5, 5, 20, 20);
  edit->SetCanFocused(true);
  this->H()->SetActiveControl(edit);
  EXPECT_EQ(this->H()->GetFocused(), edit) << "the active control takes the focus";
  this->H()->SetSelected(panel);
  this->kind.Move({}, 10, 10);
  EXPECT_EQ(this->H()->Hovered(), edit);
  panel->Free();
  EXPECT_EQ(this->H()->GetFocused(), nullptr);
  EXPECT_EQ(this->H()->ActiveControl(), nullptr);
  EXPECT_EQ(this->H()->Hovered(), nullptr);
  EXPECT_EQ(this->H()->GetSelected(), nullptr);

  Box* b = this->Add(root, 0, 0, 10, 10);
  Box* c = this->Add(b, 0, 0, 5, 5);
  this->H()->SetCaptured(c);
  root->RemoveObject(b);
  TvxObjectPtr kept(b);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);
  EXPECT_EQ(c->Scene(), nullptr);

  // A list rebuilt while one of its items is hovered and captured.
  Box* list = this->Add(root, 100, 0, 50, 50);
  Box* item = this->Add(list, 0, 0, 50, 20);
  this->kind.Move({}, 105, 5);
  ASSERT_EQ(this->H()->Hovered(), item);
  this->H()->SetCaptured(item);
  list->DeleteChildren();
  EXPECT_EQ(this->H()->Hovered(), nullptr);
  EXPECT_EQ(this->H()->GetCaptured(), nullptr);

  // The root freed by the window: nothing of its tree stays with the host.
  Box* d = this->Add(root, 0, 0, 10, 10);
  d->SetCanFocused(true);
  this->H()->SetFocused(d);
  root->Free();
  EXPECT_EQ(this->H()->GetFocused(), nullptr);
  EXPECT_EQ(this->H()->RootCount(), 0);
}

TYPED_TEST(HostContract, FocusChangesOnlyOnARealChangeAndSelectionOnlyForOwnObjects) {
  TvxVisualObject* root = this->Root();
  Box* a = this->Add(root, 0, 0, 10, 10);
  Box* b = this->Add(root, 20, 0, 10, 10);
  for (Box* x : {a, b}) x->SetCanFocused(true);
  int enters = 0, kills = 0;
  a->OnEnterFocus = [&](rtl::TObject*) { ++enters; };
  a->OnKillFocus = [&](rtl::TObject*) { ++kills; };
  this->H()->SetFocused(a);
  this->H()->SetFocused(a);
  EXPECT_EQ(enters, 1);
  this->H()->SetFocused(nullptr);
  EXPECT_EQ(kills, 1);
  EXPECT_TRUE(this->H()->FocusNext(false));
  EXPECT_EQ(this->H()->GetFocused(), a);
  EXPECT_TRUE(this->H()->FocusNext(false));
  EXPECT_EQ(this->H()->GetFocused(), b);
  EXPECT_TRUE(this->H()->FocusNext(true));
  EXPECT_EQ(this->H()->GetFocused(), a);

  this->other.Make(100, 100);
  auto* foreign = new Box(this->other.Owner());
  this->other.Host()->AddObject(foreign);
  this->H()->SetSelected(foreign);
  EXPECT_EQ(this->H()->GetSelected(), nullptr);
  this->H()->SetSelected(b);
  EXPECT_EQ(this->H()->GetSelected(), b);
  EXPECT_EQ(this->H()->GetUpdateRect(99).Right, 0) << "an index outside the list";
  a->OnEnterFocus = {};
  a->OnKillFocus = {};
}

// ---- loading and looks ------------------------------------------------------------------------------

TYPED_TEST(HostContract, LoadedSnapOptionsShowNoGridOutsideADesignerAndLinesWinOverTheGrid) {
  this->kind.Load("  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = True\r\n");
  EXPECT_FALSE(this->H()->DesignSnapGridShow());
  EXPECT_FALSE(this->H()->DesignSnapToGrid());
  EXPECT_TRUE(this->H()->DesignSnapToLines());
  this->other.Make(100, 100);
  this->other.Host()->SetDesignTime(true);
  this->other.Load("  DesignSnapGridShow = True\r\n  DesignSnapToGrid = True\r\n  DesignSnapToLines = False\r\n");
  EXPECT_TRUE(this->other.Host()->DesignSnapGridShow()) << "inside a designer it is read";
  EXPECT_TRUE(this->other.Host()->DesignSnapToGrid());
}

// The scene draws the frame plain, the layer dashed.
TYPED_TEST(HostContract, TheSelectionShowsAFrameWhiteGripsAndTheHotOneRed) {
  this->Design();
  TvxVisualObject* root = this->Root();
  struct GreyBox : Box {
    explicit GreyBox(rtl::TComponent* Owner) : Box(Owner, 0xFF404040u) {}
  };
  this->template Add<GreyBox>(root, 100, 100, 120, 60);
  this->Click(150, 130);
  this->RepaintAll();
  this->SavePicture(std::string("selection_") + TypeParam::RootClass + ".png");
  // Corner grips: white inside, the frame colour on their rim.
  EXPECT_TRUE(Near(this->Pixel(100, 100), 0xFFFFFFFFu));
  EXPECT_TRUE(Near(this->Pixel(220, 160), 0xFFFFFFFFu));
  EXPECT_TRUE(Near(this->Pixel(160, 90), 0xFFFFFFFFu)) << "the rotation handle";
  // The frame along the top edge: every pixel in the frame colour, or, dashed, some not.
  int frame = 0;
  for (int x = 110; x < 150; ++x) frame += Near(this->Pixel(x, 100), 0xFF1072C5u);
  if constexpr (std::is_same_v<TypeParam, SceneKind>) {
    EXPECT_EQ(frame, 40);
  } else {
    EXPECT_GT(frame, 5);
    EXPECT_LT(frame, 38);
  }
  // The mouse over the bottom-right grip lights it.
  this->kind.Move({}, 220, 160);
  EXPECT_TRUE(this->Designer().GripHot(Editor::gripBottomRight));
  this->kind.Settle();
  EXPECT_TRUE(Near(this->Pixel(220, 160), 0xFFFF0000u));
  EXPECT_TRUE(Near(this->Pixel(100, 100), 0xFFFFFFFFu));
  this->SavePicture(std::string("selection_hot_") + TypeParam::RootClass + ".png");
}

}  // namespace host_contract_test
