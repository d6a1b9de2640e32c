// The tree view in its built-in style, driven through the host: the layout of shown items
// with their indentation, collapsing and the numbering the keys follow, selecting a hidden
// item, the selection rectangles, sorting, and moving items by drag and drop (never below
// themselves, never anything but an item).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/Header.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/controls/TreeView.h"
#include "tests/TestOutput.h"

namespace tree_view_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class TreeViews : public vgtest::ControlsTest {
protected:
  // A 150 x 100 tree at (10, 10).
  TvxTreeView* MakeTree(ControlScene& S) {
    auto* tree = S.Add(new TvxTreeView(nullptr), 10, 10);
    tree->SetBounds(10, 10, 150, 100);
    return tree;
  }
  static TvxTreeViewItem* Add(TvxObject* Parent, const char16_t* Text) {
    auto* item = new TvxTreeViewItem(nullptr);
    item->SetText(Text);
    Parent->AddObject(item);
    item->ApplyResource();
    return item;
  }
  static void Press(TvxTreeView* Tree, uint16_t Key) {
    char16_t c = 0;
    Tree->KeyDown(Key, c, {});
    EXPECT_EQ(Key, 0) << "the tree takes the key";
  }
  // The texts of the shown items in global order.
  static std::vector<std::u16string> Shown(TvxTreeView* Tree) {
    std::vector<std::u16string> texts;
    for (int i = 0; i < Tree->GlobalCount(); ++i) texts.push_back(Tree->ItemByGlobalIndex(i)->Text());
    return texts;
  }
  static float AbsY(TvxVisualObject* O) { return O->LocalToAbsolute({0, 0}).Y; }
};

}  // namespace

TEST_F(TreeViews, ShownItemsLieOneUnderAnotherAndChildrenAreIndented) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  tree->Realign();
  EXPECT_EQ(tree->Content()->Height(), 1.0f);  // an empty tree
  TvxTreeViewItem* a = Add(tree, u"a");
  TvxTreeViewItem* b = Add(tree, u"b");
  TvxTreeViewItem* c = Add(tree, u"c");
  TvxTreeViewItem* a1 = Add(a, u"a1");
  tree->Realign();
  EXPECT_EQ(a->Parent(), tree->Content());
  EXPECT_EQ(a->Position()->Y(), 0.0f);
  EXPECT_EQ(b->Position()->Y(), 19.0f);
  EXPECT_EQ(c->Position()->Y(), 38.0f);
  EXPECT_EQ(tree->Content()->Height(), 57.0f);
  EXPECT_FALSE(a1->Visible());
  EXPECT_EQ(tree->GlobalCount(), 3);
  ASSERT_NE(a->ExpanderButton(), nullptr);
  EXPECT_TRUE(a->ExpanderButton()->Visible());
  EXPECT_FALSE(b->ExpanderButton()->Visible());

  a->SetIsExpanded(true);
  EXPECT_TRUE(a1->Visible());
  EXPECT_EQ(a1->Level(), 1);
  EXPECT_EQ(a1->LocalToAbsolute({0, 0}).X - a->LocalToAbsolute({0, 0}).X, 19.0f);
  EXPECT_EQ(a1->Width(), a->Width() - 19);
  EXPECT_EQ(AbsY(a1) - AbsY(a), 19.0f);
  EXPECT_EQ(b->Position()->Y(), 38.0f);
  EXPECT_EQ(tree->GlobalCount(), 4);
  EXPECT_EQ(tree->GetItemRect(a1).Top, 19.0f);

  // A fixed item height overrides each item's own.
  tree->SetItemHeight(25);
  EXPECT_EQ(c->Position()->Y(), 75.0f);
}

TEST_F(TreeViews, CollapsingHidesTheBranchAndTheKeysSkipIt) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  TvxTreeViewItem* a = Add(tree, u"a");
  TvxTreeViewItem* a1 = Add(a, u"a1");
  TvxTreeViewItem* a11 = Add(a1, u"a11");
  Add(tree, u"b");
  a->SetIsExpanded(true);
  a1->SetIsExpanded(true);
  EXPECT_EQ(Shown(tree), (std::vector<std::u16string>{u"a", u"a1", u"a11", u"b"}));
  int changes = 0;
  tree->OnChange = [&](rtl::TObject*) { ++changes; };
  tree->SetSelected(a);
  Press(tree, win::VK_DOWN);
  EXPECT_EQ(tree->Selected(), a1);
  EXPECT_FALSE(a->IsSelected());
  EXPECT_TRUE(a1->IsSelected());
  Press(tree, win::VK_END);  // End
  EXPECT_EQ(tree->Selected()->Text(), u"b");
  Press(tree, win::VK_DOWN);  // Down on the last: nothing, but taken
  EXPECT_EQ(tree->Selected()->Text(), u"b");
  Press(tree, win::VK_HOME);  // Home
  EXPECT_EQ(tree->Selected(), a);
  EXPECT_EQ(changes, 4);

  Press(tree, win::VK_SUBTRACT);  // keypad minus collapses
  EXPECT_FALSE(a->IsExpanded());
  EXPECT_FALSE(a1->Visible());
  EXPECT_FALSE(a11->Visible());
  EXPECT_EQ(a11->Opacity(), 0.0f);
  EXPECT_EQ(Shown(tree), (std::vector<std::u16string>{u"a", u"b"}));
  Press(tree, win::VK_DOWN);
  EXPECT_EQ(tree->Selected()->Text(), u"b");
  Press(tree, win::VK_UP);
  Press(tree, win::VK_ADD);  // keypad plus expands
  EXPECT_TRUE(a11->Visible());

  // Other keys are left alone; without a selection no key is taken.
  uint16_t key = 'A';
  char16_t ch = u'a';
  tree->KeyDown(key, ch, {});
  EXPECT_EQ(key, 65);
  tree->SetSelected(nullptr);
  key = win::VK_DOWN;
  tree->KeyDown(key, ch, {});
  EXPECT_EQ(key, 40);
}

TEST_F(TreeViews, TheExpanderButtonTogglesItsItem) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  TvxTreeViewItem* a = Add(tree, u"a");
  Add(a, u"a1");
  tree->Realign();
  s.PaintAll();
  // The expander is the first 19 units of the row; the tree's content starts 2 in.
  const TvxPoint p = a->ExpanderButton()->LocalToAbsolute({9, 9});
  s.scene.MouseDown(rtl::mbLeft, {}, p.X, p.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  EXPECT_TRUE(a->IsExpanded());
  EXPECT_EQ(tree->GlobalCount(), 2);
  // A click on the row's caption selects it.
  s.scene.MouseDown(rtl::mbLeft, {}, p.X + 40, p.Y + 19);
  s.scene.MouseUp(rtl::mbLeft, {}, p.X + 40, p.Y + 19);
  ASSERT_NE(tree->Selected(), nullptr);
  EXPECT_EQ(tree->Selected()->Text(), u"a1");
}

TEST_F(TreeViews, SelectingAHiddenItemExpandsItsAncestorsAndScrollsItIntoView) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  std::vector<TvxTreeViewItem*> top;
  for (int i = 0; i < 10; ++i) top.push_back(Add(tree, u"item"));
  TvxTreeViewItem* mid = Add(top[8], u"mid");
  TvxTreeViewItem* deep = Add(mid, u"deep");
  tree->Realign();
  ASSERT_NE(tree->VScrollBar(), nullptr);
  EXPECT_EQ(tree->VScrollBar()->Value(), 0.0f);
  tree->SetSelected(deep);
  EXPECT_TRUE(top[8]->IsExpanded());
  EXPECT_TRUE(mid->IsExpanded());
  EXPECT_TRUE(deep->Visible());
  const TvxVisualObject* viewport = tree->Viewport();
  const float top_ = AbsY(const_cast<TvxVisualObject*>(viewport));
  EXPECT_GT(tree->VScrollBar()->Value(), 0.0f);
  // Its bottom lies on the viewport's bottom.
  EXPECT_FLOAT_EQ(AbsY(deep) + deep->Height(), top_ + viewport->Height());
  // Back to the first: scrolled up to it.
  tree->SetSelected(top[0]);
  EXPECT_FLOAT_EQ(AbsY(top[0]), top_);
}

TEST_F(TreeViews, AdjacentSelectedItemsShareOneRectangleShownOnlyWithTheFocus) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  tree->SetMultiSelect(true);
  std::vector<TvxTreeViewItem*> items;
  for (const char16_t* t : {u"0", u"1", u"2", u"3"}) items.push_back(Add(tree, t));
  tree->Realign();
  tree->SetFocus();
  ASSERT_TRUE(tree->IsFocused());
  items[0]->SetIsSelected(true);
  items[1]->SetIsSelected(true);
  items[3]->SetIsSelected(true);
  tree->SetSelected(items[3]);
  std::vector<TvxVisualObject*> shown;
  for (TvxVisualObject* r : tree->SelectionRects())
    if (r->Visible()) shown.push_back(r);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0]->Height(), 38.0f);
  EXPECT_FLOAT_EQ(AbsY(shown[0]), AbsY(items[0]));
  EXPECT_EQ(shown[1]->Height(), 19.0f);
  EXPECT_FLOAT_EQ(AbsY(shown[1]), AbsY(items[3]));

  // Shift selects a range, Ctrl toggles one.
  const TvxPoint p1 = items[1]->LocalToAbsolute({30, 9});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssShift}, p1.X, p1.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, p1.X, p1.Y);
  EXPECT_FALSE(items[0]->IsSelected());
  EXPECT_TRUE(items[1]->IsSelected() && items[2]->IsSelected() && items[3]->IsSelected());
  const TvxPoint p2 = items[2]->LocalToAbsolute({30, 9});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssCtrl}, p2.X, p2.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, p2.X, p2.Y);
  EXPECT_FALSE(items[2]->IsSelected());
  int visible = 0;
  for (TvxVisualObject* r : tree->SelectionRects()) visible += r->Visible();
  EXPECT_EQ(visible, 2);

  // The focus elsewhere hides them; back, they return.
  s.scene.SetFocused(nullptr);
  for (TvxVisualObject* r : tree->SelectionRects()) EXPECT_FALSE(r->Visible());
  tree->SetFocus();
  visible = 0;
  for (TvxVisualObject* r : tree->SelectionRects()) visible += r->Visible();
  EXPECT_EQ(visible, 2);
}

TEST_F(TreeViews, SortedTopLevelItemsIgnoreCaseAndKeepTheirChildrensOrder) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  TvxTreeViewItem* b = Add(tree, u"b");
  Add(tree, u"A");
  Add(tree, u"c");
  Add(b, u"z");
  Add(b, u"y");
  b->SetIsExpanded(true);
  tree->SetSorted(true);
  EXPECT_EQ(Shown(tree), (std::vector<std::u16string>{u"A", u"b", u"z", u"y", u"c"}));
  tree->OnCompare = [](TvxTreeViewItem* X, TvxTreeViewItem* Y) { return X->Text() < Y->Text() ? 1 : -1; };
  tree->Realign();
  EXPECT_EQ(tree->ItemByIndex(0)->Text(), u"c");
  EXPECT_EQ(tree->ItemByIndex(2)->Text(), u"A");
}

TEST_F(TreeViews, DropsMoveItemsButNeverBelowThemselves) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  tree->SetAllowDrag(true);
  EXPECT_TRUE(tree->DragDisableHighlight());
  TvxTreeViewItem* a = Add(tree, u"a");
  TvxTreeViewItem* a1 = Add(a, u"a1");
  TvxTreeViewItem* b = Add(tree, u"b");
  a->SetIsExpanded(true);
  tree->Realign();
  std::vector<std::pair<TvxTreeViewItem*, TvxTreeViewItem*>> reported;
  tree->OnDragChange = [&](TvxTreeViewItem* Src, TvxTreeViewItem* Dst, bool) { reported.push_back({Src, Dst}); };

  // A click on the selected item starts a drag through the host.
  const TvxPoint pa = a->LocalToAbsolute({40, 9});
  s.scene.MouseDown(rtl::mbLeft, {}, pa.X, pa.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, pa.X, pa.Y);
  EXPECT_TRUE(s.scene.dragged.empty());
  s.scene.MouseDown(rtl::mbLeft, {}, pa.X, pa.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, pa.X, pa.Y);
  ASSERT_EQ(s.scene.dragged.size(), 1u);
  EXPECT_EQ(s.scene.dragged[0], a);

  // Over itself or its own child: refused, and a drop there changes nothing.
  TvxDragObject data;
  data.Source = a;
  s.scene.DragOver(data, pa);
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  const TvxPoint pa1 = a1->LocalToAbsolute({40, 9});
  s.scene.DragOver(data, pa1);
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  tree->DragDrop(data, pa1);
  EXPECT_EQ(a1->Parent(), a);
  EXPECT_EQ(a->Parent(), tree->Content());
  // Something that is not an item is refused too.
  TvxDragObject other;
  other.Source = tree;
  const TvxPoint pb = b->LocalToAbsolute({40, 9});
  s.scene.DragOver(other, pb);
  EXPECT_EQ(s.scene.dropTarget, nullptr);
  tree->DragDrop(other, pb);
  EXPECT_TRUE(reported.empty());

  // a1 dropped onto b becomes b's child, and b opens.
  data.Source = a1;
  s.scene.DragOver(data, pb);
  EXPECT_EQ(s.scene.dropTarget, tree);
  EXPECT_EQ(tree->DragOverItem(), b);
  s.scene.DragDrop(data, pb);
  EXPECT_EQ(a1->Parent(), b);
  EXPECT_TRUE(b->IsExpanded());
  EXPECT_EQ(tree->DragOverItem(), nullptr);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], std::make_pair(a1, b));
  EXPECT_EQ(Shown(tree), (std::vector<std::u16string>{u"a", u"b", u"a1"}));

  // Dropped on empty space it goes to the top level.
  tree->DragDrop(data, {100, 100});
  EXPECT_EQ(a1->Parent(), tree->Content());
  EXPECT_EQ(reported.back(), std::make_pair(a1, static_cast<TvxTreeViewItem*>(nullptr)));
  EXPECT_EQ(Shown(tree), (std::vector<std::u16string>{u"a", u"b", u"a1"}));
}

TEST_F(TreeViews, ClearFreesEveryItemAndForgetsTheSelection) {
  ControlScene s;
  TvxTreeView* tree = MakeTree(s);
  TvxTreeViewItem* a = Add(tree, u"a");
  TvxTreeViewItem* a1 = Add(a, u"a1");
  tree->SetSelected(a1);
  tree->SetShowCheckboxes(true);
  ASSERT_NE(a1->CheckBox(), nullptr);
  EXPECT_TRUE(a1->CheckBox()->Visible());
  tree->Clear();
  EXPECT_EQ(tree->Selected(), nullptr);
  EXPECT_EQ(tree->Count(), 0);
  EXPECT_EQ(tree->GlobalCount(), 0);
  EXPECT_EQ(tree->Content()->Height(), 1.0f);
}

TEST_F(TreeViews, PaintsTheSelectionUnderTheSelectedRowOnly) {
  ControlScene s(320, 160);
  TvxTreeView* tree = MakeTree(s);
  TvxTreeViewItem* a = Add(tree, u"Engine");
  Add(a, u"Injectors");
  Add(a, u"Reducer");
  Add(tree, u"Sensors");
  TvxTreeViewItem* tank = Add(tree, u"Tank");
  a->SetIsExpanded(true);
  auto* header = s.Add(new TvxHeader(nullptr), 170, 10);
  header->SetBounds(170, 10, 140, 20);
  for (const char16_t* t : {u"Name", u"Value"}) {
    auto* item = new TvxHeaderItem(nullptr);
    item->SetText(t);
    item->SetWidth(50);
    header->AddObject(item);
  }
  header->Realign();
  tree->SetFocus();
  tree->SetSelected(tank);
  s.PaintAll(0xFFFFFFFFu);
  clock.Advance(400);
  s.PaintAll(0xFFFFFFFFu);
  TvxBitmap picture(320, 160);
  std::copy(s.canvas->BufferBits(), s.canvas->BufferBits() + 320 * 160, picture.Bits());
  ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile(testout::Path("tree_view.png"), picture, ""));

  // Blue-tinted behind the selected row, white behind another, right of their captions.
  const auto blueish = [](uint32_t C) { return (C & 0xFF) > ((C >> 16) & 0xFF) + 40; };
  const TvxPoint sel = tank->LocalToAbsolute({110, 9});
  const TvxPoint other = a->LocalToAbsolute({110, 9});
  EXPECT_TRUE(blueish(s.At(static_cast<int>(sel.X), static_cast<int>(sel.Y))));
  EXPECT_EQ(s.At(static_cast<int>(other.X), static_cast<int>(other.Y)), 0xFFFFFFFFu);
}

}  // namespace tree_view_test
