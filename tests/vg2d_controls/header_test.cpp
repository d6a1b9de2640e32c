// The header in its built-in style, driven through the host: the items laid side by side
// with the filler stretched over the rest, the corners and sides each item draws, the
// horizontal offset, reordering by drag and drop, and resizing by the grips on both edges.
#include <gtest/gtest.h>

#include <vector>

#include "ControlScene.h"
#include "vg2d/controls/Header.h"

namespace header_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

const rtl::TShiftState Left{rtl::ssLeft};

class Headers : public vgtest::ControlsTest {
protected:
  // A 300 x 20 header at (10, 10) with items of the given widths.
  TvxHeader* MakeHeader(ControlScene& S, std::vector<float> Widths) {
    auto* header = S.Add(new TvxHeader(nullptr), 10, 10);
    header->SetBounds(10, 10, 300, 20);
    for (float w : Widths) {
      auto* item = new TvxHeaderItem(nullptr);
      item->SetWidth(w);
      header->AddObject(item);
      item->ApplyResource();
      items.push_back(item);
    }
    header->Realign();
    return header;
  }
  std::vector<TvxHeaderItem*> items;
};

TvxSides Without(TvxSides S, TvxSide Side) { return S.Exclude(Side); }

}  // namespace

TEST_F(Headers, ItemsLieSideBySideAndTheFillerTakesTheRest) {
  ControlScene s;
  TvxHeader* header = MakeHeader(s, {40, 60, 80});
  TvxHeaderItem* filler = header->Filler();
  ASSERT_NE(filler, nullptr);
  EXPECT_EQ(header->GetItem(3), filler);  // made first, moved to the end
  EXPECT_EQ(items[0]->Position()->X(), 0.0f);
  EXPECT_EQ(items[1]->Position()->X(), 40.0f);
  EXPECT_EQ(items[2]->Position()->X(), 100.0f);
  EXPECT_EQ(filler->Position()->X(), 180.0f);
  EXPECT_EQ(filler->Width(), 120.0f);
  EXPECT_EQ(items[1]->Height(), 20.0f);

  // Each item draws its left separator only; the first and the filler round their corner.
  EXPECT_EQ(items[0]->Corners(), TvxCorners{vgCornerTopLeft});
  EXPECT_EQ(items[0]->Sides(), Without(AllSides, vgSideRight));
  EXPECT_EQ(items[1]->Corners(), TvxCorners{});
  EXPECT_EQ(items[1]->Sides(), Without(AllSides, vgSideRight));
  EXPECT_EQ(filler->Corners(), TvxCorners{vgCornerTopRight});
  EXPECT_EQ(filler->Sides(), AllSides);
  header->SetSides(TvxSides{vgSideBottom});
  EXPECT_EQ(items[1]->Sides(), (TvxSides{vgSideBottom, vgSideLeft}));
  header->SetRadius(4);
  EXPECT_EQ(items[2]->xRadius(), 4.0f);
  EXPECT_EQ(filler->yRadius(), 4.0f);

  // A scrolled grid moves the row to the left; the filler fills the gap it leaves.
  header->SetOffsetX(-30);
  EXPECT_EQ(items[0]->Position()->X(), -30.0f);
  EXPECT_EQ(items[2]->Position()->X(), 70.0f);
  EXPECT_EQ(filler->Width(), 150.0f);
  header->SetOffsetX(0);

  // Items wider than the header leave the filler nothing.
  items[2]->SetWidth(400);
  header->Realign();
  EXPECT_EQ(filler->Width(), 0.0f);

  // A hidden item takes no room.
  items[2]->SetWidth(80);
  items[1]->SetVisible(false);
  header->Realign();
  EXPECT_EQ(items[2]->Position()->X(), 40.0f);
}

TEST_F(Headers, AHeaderWithoutItemsShowsTheFillerAlone) {
  ControlScene s;
  TvxHeader* header = MakeHeader(s, {});
  TvxHeaderItem* filler = header->Filler();
  EXPECT_EQ(filler->Position()->X(), 0.0f);
  EXPECT_EQ(filler->Width(), 300.0f);
  EXPECT_EQ(filler->Corners(), TvxCorners{vgCornerTopLeft});
  EXPECT_EQ(filler->Sides(), Without(AllSides, vgSideRight));
  EXPECT_FALSE(filler->Stored());
}

TEST_F(Headers, AnItemDroppedOnAnotherTakesItsPlace) {
  ControlScene s;
  TvxHeader* header = MakeHeader(s, {40, 60, 80});
  std::vector<std::vector<int>> moves;
  TvxObject* movedItem = nullptr;
  header->OnRealignItem = [&](rtl::TObject* Sender, int Old, int New) {
    movedItem = static_cast<TvxObject*>(Sender);
    moves.push_back({Old, New});
  };
  TvxDragObject data;
  data.Source = items[2];
  s.scene.DragOver(data, {30, 20});  // over item 0
  EXPECT_EQ(s.scene.dropTarget, items[0]);
  s.scene.DragDrop(data, {30, 20});
  EXPECT_EQ(items[2]->GetIndex(), 0);
  EXPECT_EQ(movedItem, items[2]);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], (std::vector<int>{2, 0}));
  // Laid out again in the new order.
  EXPECT_EQ(items[2]->Position()->X(), 0.0f);
  EXPECT_EQ(items[0]->Position()->X(), 80.0f);
  EXPECT_EQ(items[2]->Corners(), TvxCorners{vgCornerTopLeft});

  // Nothing lands on the filler, and nothing from elsewhere lands on an item.
  s.scene.DragOver(data, {250, 20});
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  auto* stranger = new TvxHeaderItem(nullptr);
  s.root->AddObject(stranger);
  data.Source = stranger;
  s.scene.DragOver(data, {30, 20});
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  data.Source = header;
  s.scene.DragOver(data, {30, 20});
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  EXPECT_EQ(moves.size(), 1u);
}

TEST_F(Headers, GripsResizeTheItemAndTheOneBeforeIt) {
  ControlScene s;
  TvxHeader* header = MakeHeader(s, {40, 60, 80});
  std::vector<float> asked;
  header->OnResizeItem = [&](rtl::TObject*, float& NewSize) {
    asked.push_back(NewSize);
    if (NewSize < 25) NewSize = 25;
  };
  // The right grip of item 1 spans 97 .. 100 locally, 107 .. 110 on the screen.
  s.scene.MouseDown(rtl::mbLeft, {}, 108, 20);
  EXPECT_EQ(s.scene.captured, items[1]->RightGrip());
  s.scene.MouseMove(Left, 130, 20);
  EXPECT_EQ(items[1]->Width(), 80.0f);
  EXPECT_EQ(items[2]->Position()->X(), 120.0f);
  // Left of the item's start: 0 asked, the handler makes it 25.
  s.scene.MouseMove(Left, 20, 20);
  EXPECT_EQ(asked.back(), 0.0f);
  EXPECT_EQ(items[1]->Width(), 25.0f);
  s.scene.MouseUp(rtl::mbLeft, {}, 20, 20);
  // Moving without the button resizes nothing.
  s.scene.MouseMove({}, 108, 20);
  EXPECT_EQ(items[1]->Width(), 25.0f);

  // The left grip of item 1 (now at 40 .. 43 locally) resizes item 0.
  s.scene.MouseDown(rtl::mbLeft, {}, 51, 20);
  EXPECT_EQ(s.scene.captured, items[1]->LeftGrip());
  s.scene.MouseMove(Left, 71, 20);
  s.scene.MouseUp(rtl::mbLeft, {}, 71, 20);
  EXPECT_EQ(items[0]->Width(), 61.0f);
  EXPECT_EQ(items[1]->Width(), 25.0f);
  EXPECT_EQ(items[1]->Position()->X(), 61.0f);

  // The first item's left grip has nothing before it.
  s.scene.MouseDown(rtl::mbLeft, {}, 11, 20);
  s.scene.MouseMove(Left, 40, 20);
  s.scene.MouseUp(rtl::mbLeft, {}, 40, 20);
  EXPECT_EQ(items[0]->Width(), 61.0f);
}

TEST_F(Headers, AnItemOutsideAHeaderResizesItselfQuietly) {
  ControlScene s;
  auto* item = s.Add(new TvxHeaderItem(nullptr), 10, 10);
  item->SetBounds(10, 10, 50, 20);
  item->Realign();
  item->ResizeTo({-30, 0});  // right grip at 47 locally
  EXPECT_EQ(item->Width(), 17.0f);
  item->ResizeTo({-100, 0});
  EXPECT_EQ(item->Width(), 0.0f);
}

}  // namespace header_test
