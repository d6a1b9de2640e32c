// Layouts: the grid's cells, the scaled layout's matrix, the window-control layout that
// follows its parents, the design-time outline, and the tab control's pages made as layouts.
#include <gtest/gtest.h>

#include <memory>

#include "ControlScene.h"
#include "platform/win/Controls.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/core/Shapes.h"

namespace layouts_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Layouts : public vgtest::ControlsTest {};

TvxRectangle* Child(TvxVisualObject* Parent) {
  auto* r = new TvxRectangle(nullptr);
  Parent->AddObject(r);
  return r;
}

}  // namespace

TEST_F(Layouts, AGridPutsItsChildrenInCellsRowByRowOrColumnByColumn) {
  ControlScene s;
  auto* grid = s.Add(new TvxGridLayout(nullptr), 0, 0);
  EXPECT_EQ(grid->ItemWidth(), 64.0f);
  EXPECT_EQ(grid->ItemHeight(), 64.0f);
  grid->SetBounds(0, 0, 200, 200);
  TvxRectangle* c[5];
  for (auto*& r : c) r = Child(grid);
  c[1]->Padding()->SetRect(MakeRect(2, 2, 2, 2));
  grid->Realign();
  // Three cells fit in 200 (the fourth would end at 256).
  EXPECT_EQ(c[0]->Position()->GetPoint(), (TvxPoint{0, 0}));
  EXPECT_EQ(c[1]->Position()->GetPoint(), (TvxPoint{66, 2}));
  EXPECT_EQ(c[1]->Width(), 60.0f);
  EXPECT_EQ(c[1]->Height(), 60.0f);
  EXPECT_EQ(c[2]->Position()->GetPoint(), (TvxPoint{128, 0}));
  EXPECT_EQ(c[3]->Position()->GetPoint(), (TvxPoint{0, 64}));
  EXPECT_EQ(c[4]->Width(), 64.0f);

  grid->Margins()->SetRect(MakeRect(10, 5, 0, 0));  // realigns
  EXPECT_EQ(c[0]->Position()->GetPoint(), (TvxPoint{10, 5}));
  EXPECT_EQ(c[2]->Position()->GetPoint(), (TvxPoint{10, 69}));  // 190 holds two

  grid->SetOrientation(vgVertical);
  grid->SetItemHeight(100);
  // 195 high holds one cell of 100: a column each.
  EXPECT_EQ(c[1]->Position()->GetPoint(), (TvxPoint{76, 7}));
  EXPECT_EQ(c[2]->Position()->GetPoint(), (TvxPoint{138, 5}));
}

TEST_F(Layouts, AScaledLayoutDrawsItsChildrenScaledBySizeOverOriginalSize) {
  ControlScene s;
  auto* scaled = s.Add(new TvxScaledLayout(nullptr), 10, 10);
  EXPECT_EQ(scaled->OriginalWidth(), scaled->Width());
  scaled->SetOriginalWidth(0);
  EXPECT_EQ(scaled->OriginalWidth(), 1.0f);
  scaled->SetOriginalWidth(100);
  scaled->SetOriginalHeight(100);
  scaled->SetBounds(10, 10, 200, 100);
  TvxRectangle* c = Child(scaled);
  c->SetBounds(10, 10, 30, 30);
  const TvxRect r = c->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(r.Left, 30.0f);
  EXPECT_FLOAT_EQ(RectWidth(r), 60.0f);
  EXPECT_FLOAT_EQ(RectHeight(r), 30.0f);
  // At design time the originals follow the size: nothing is scaled.
  s.scene.designTime = true;
  scaled->SetWidth(150);
  EXPECT_EQ(scaled->OriginalWidth(), 150.0f);
  EXPECT_FLOAT_EQ(RectWidth(c->GetAbsoluteRect()), 30.0f);
}

TEST_F(Layouts, AWindowControlFollowsItsLayoutsPlaceAndItsParentsVisibility) {
  ControlScene s;
  auto* outer = s.Add(new TvxLayout(nullptr), 20, 30);
  outer->SetBounds(20, 30, 200, 150);
  auto* host = new TvxNonVGLayout(nullptr);
  outer->AddObject(host);
  host->SetBounds(10.4f, 5.6f, 80.2f, 40);
  auto control = std::make_unique<win::TControl>(nullptr);
  host->SetNonVGControl(control.get());
  EXPECT_EQ(control->Left(), 30);
  EXPECT_EQ(control->Top(), 36);
  EXPECT_EQ(control->Width(), 80);
  EXPECT_EQ(control->Height(), 40);

  outer->SetVisible(false);
  clock.Advance(100);
  EXPECT_FALSE(control->Visible());
  outer->Position()->SetX(50);
  outer->SetVisible(true);
  clock.Advance(100);
  EXPECT_TRUE(control->Visible());
  EXPECT_EQ(control->Left(), 60);

  // A freed control is forgotten.
  control.reset();
  EXPECT_EQ(host->NonVGControl(), nullptr);
  clock.Advance(200);
}

TEST_F(Layouts, PlainLayoutsTakeNoMouseAndShowAnOutlineOnlyAtDesignTime) {
  ControlScene s(100, 100);
  auto* layout = s.Add(new TvxLayout(nullptr), 10, 10);
  layout->SetBounds(10, 10, 50, 50);
  EXPECT_FALSE(layout->HitTest());
  EXPECT_FALSE(TvxSplitLayout(nullptr).HitTest());
  s.PaintAll(0xFFFFFFFFu);
  EXPECT_EQ(s.At(10, 30), 0xFFFFFFFFu);
  s.scene.designTime = true;
  s.PaintAll(0xFFFFFFFFu);
  int dark = 0;
  for (int y = 12; y < 58; ++y)
    if (((s.At(10, y) >> 8) & 0xFF) < 0xE0) ++dark;
  EXPECT_GT(dark, 10);
  layout->SetLocked(true);
  s.PaintAll(0xFFFFFFFFu);
  EXPECT_EQ(s.At(10, 30), 0xFFFFFFFFu);
}

TEST_F(Layouts, ATabInsertedByTheDesignerGetsALayoutAsItsPage) {
  ControlScene s;
  auto* tabs = s.Add(new TvxTabControl(nullptr), 0, 0);
  auto* item = new TvxTabItem(nullptr);
  tabs->AddObject(item);
  item->DesignInsert();
  ASSERT_NE(item->Layout(), nullptr);
  EXPECT_EQ(item->Layout()->ClassName(), "TvxLayout");
  EXPECT_EQ(item->Layout()->Parent(), tabs);
}

}  // namespace layouts_test
