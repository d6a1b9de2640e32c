// List boxes in their built-in style, driven through the host: the item layout in rows and
// columns, the current item with its keys and type-ahead, scrolling it into view, single and
// multiple selection by mouse, the merged highlight, check boxes, sorting and the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/TextShape.h"
#include "vg2d/core/WideStrings.h"

namespace list_box_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class ListBoxes : public vgtest::ControlsTest {
protected:
  // A list at (10, 10) of W x H with the given item texts.
  template <class List = TvxListBox>
  List* MakeList(ControlScene& S, float W, float H, const std::vector<std::u16string>& Texts) {
    auto* list = S.Add(new List(nullptr), 10, 10);
    list->SetBounds(10, 10, W, H);
    for (const std::u16string& t : Texts) {
      auto* item = new TvxListBoxItem(nullptr);
      item->SetText(t);
      list->AddObject(item);
    }
    list->OnChange = [this](rtl::TObject* Sender) { changes.push_back(Sender); };
    return list;
  }
  static std::vector<std::u16string> Numbered(int Count) {
    std::vector<std::u16string> texts;
    for (int i = 0; i < Count; ++i) texts.push_back(u"Item " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
    return texts;
  }
  void Key(ControlScene& S, uint16_t Code, char16_t Char = 0) { S.scene.KeyDown(Code, Char, {}); }
  // Presses and releases on the middle of an item.
  void Click(ControlScene& S, TvxListBoxItem* Item, rtl::TShiftState Shift = {}) {
    const TvxPoint p = Item->LocalToAbsolute({Item->Width() / 2, Item->Height() / 2});
    rtl::TShiftState down = Shift;
    down.Include(rtl::ssLeft);
    S.scene.MouseDown(rtl::mbLeft, down, p.X, p.Y);
    S.scene.MouseUp(rtl::mbLeft, Shift, p.X, p.Y);
  }
  std::vector<rtl::TObject*> changes;
};

}  // namespace

TEST_F(ListBoxes, ItemsStackInRowsAndTheFirstIsCurrentFromTheStart) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, Numbered(3));
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_TRUE(list->ItemByIndex(0)->IsSelected());
  EXPECT_FALSE(list->ItemByIndex(1)->IsSelected());
  const float inner = list->ViewportWidth();
  EXPECT_EQ(inner, 118.0f);
  for (int i = 0; i < 3; ++i) {
    TvxListBoxItem* item = list->ItemByIndex(i);
    EXPECT_EQ(item->Position()->GetPoint(), (TvxPoint{0, 19.0f * static_cast<float>(i)}));
    EXPECT_EQ(item->Width(), inner);
  }
  EXPECT_EQ(list->GetData(), rtl::TPropValue(std::u16string(u"Item A")));
  // The highlight lies under the current item.
  ASSERT_EQ(list->Highlights().size(), 1u);
  list->SetFocus();
  const TvxRect h = list->Highlights()[0]->GetAbsoluteRect();
  const TvxRect first = list->ItemByIndex(0)->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(h.Top, first.Top);
  EXPECT_FLOAT_EQ(h.Bottom, first.Bottom);
  // Unfocused, the highlight hides.
  s.scene.SetFocused(nullptr);
  EXPECT_FALSE(list->Highlights()[0]->Visible());
}

TEST_F(ListBoxes, FixedItemWidthsMakeColumnsAndTheKeysMoveByRows) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 172, 100, Numbered(7));
  list->SetItemWidth(50);
  EXPECT_EQ(list->Columns(), 3);
  const TvxPoint expected[7] = {{0, 0}, {50, 0}, {100, 0}, {0, 19}, {50, 19}, {100, 19}, {0, 38}};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(list->ItemByIndex(i)->Position()->GetPoint(), expected[i]) << i;
  EXPECT_EQ(list->ItemByIndex(6)->Width(), 50.0f);

  list->SetFocus();
  Key(s, win::VK_END);  // End: the first item of the last full row from the end
  EXPECT_EQ(list->ItemIndex(), 4);
  Key(s, win::VK_UP);  // Up
  EXPECT_EQ(list->ItemIndex(), 1);
  Key(s, win::VK_UP);
  EXPECT_EQ(list->ItemIndex(), 0);
  Key(s, win::VK_DOWN);  // Down
  EXPECT_EQ(list->ItemIndex(), 3);
  Key(s, win::VK_DOWN);
  EXPECT_EQ(list->ItemIndex(), 6);
  Key(s, win::VK_LEFT);  // Left
  EXPECT_EQ(list->ItemIndex(), 5);
  Key(s, win::VK_RIGHT);  // Right
  EXPECT_EQ(list->ItemIndex(), 6);
  Key(s, win::VK_RIGHT);
  EXPECT_EQ(list->ItemIndex(), 6);
  Key(s, win::VK_HOME);  // Home
  EXPECT_EQ(list->ItemIndex(), 0);

  // Ten items in three columns: End gives 7; in one column 9.
  for (int i = 0; i < 3; ++i) list->AddObject(new TvxListBoxItem(nullptr));
  Key(s, win::VK_END);
  EXPECT_EQ(list->ItemIndex(), 7);
  list->SetItemWidth(0);
  EXPECT_EQ(list->Columns(), 3);  // kept: only a fixed width counts columns
  list->SetColumns(1);
  Key(s, win::VK_END);
  EXPECT_EQ(list->ItemIndex(), 9);
}

TEST_F(ListBoxes, OnChangeNamesTheNewItemAndATypedLetterFindsTheFirstItemWithIt) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, {u"alpha", u"Beta", u"", u"bravo"});
  list->SetFocus();
  Key(s, 0, u'b');
  EXPECT_EQ(list->ItemIndex(), 1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], list->ItemByIndex(1));
  EXPECT_TRUE(list->ItemByIndex(1)->IsSelected());
  EXPECT_FALSE(list->ItemByIndex(0)->IsSelected());
  // No match: nothing changes, and the character goes no further.
  char16_t typed = u'z';
  uint16_t key = 0;
  s.scene.KeyDown(key, typed, {});
  EXPECT_EQ(typed, 0);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(changes.size(), 1u);
  Key(s, 0, u'A');
  EXPECT_EQ(list->ItemIndex(), 0);
}

TEST_F(ListBoxes, TheCurrentItemIsScrolledIntoView) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, Numbered(20));
  TvxScrollBar* bar = list->VScrollBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Max(), 380.0f);
  list->SetItemIndex(10);
  // The item's bottom (209) meets the viewport's (98).
  EXPECT_FLOAT_EQ(bar->Value(), 209 - 98.0f);
  const TvxRect item = list->ItemByIndex(10)->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(item.Bottom, 10 + 1 + 98.0f);
  list->SetItemIndex(2);
  EXPECT_FLOAT_EQ(bar->Value(), 38.0f);
  EXPECT_FLOAT_EQ(list->ItemByIndex(2)->GetAbsoluteRect().Top, 11.0f);
}

TEST_F(ListBoxes, ClearKeepsTheIndexAndTheSameIndexAgainChangesNothing) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, Numbered(5));
  list->SetItemIndex(3);
  changes.clear();
  list->Clear();
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(list->ItemIndex(), 3);
  list->SetItemIndex(3);
  EXPECT_TRUE(changes.empty());
  // Without a current item the data is empty and taking data does nothing.
  EXPECT_EQ(list->GetData(), rtl::TPropValue(std::u16string()));
  list->SetData(std::u16string(u"lost"));
  list->SetItemIndex(-1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], nullptr);
}

TEST_F(ListBoxes, CtrlTogglesShiftSelectsARangeAndAdjacentHighlightsMerge) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 150, Numbered(6));
  list->SetMultiSelect(true);
  list->SetFocus();
  Click(s, list->ItemByIndex(1));
  EXPECT_EQ(list->ItemIndex(), 1);
  Click(s, list->ItemByIndex(3), {rtl::ssShift});
  EXPECT_EQ(list->ItemIndex(), 3);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->ItemByIndex(i)->IsSelected(), i >= 1 && i <= 3) << i;
  Click(s, list->ItemByIndex(5), {rtl::ssCtrl});
  EXPECT_TRUE(list->ItemByIndex(5)->IsSelected());
  EXPECT_EQ(list->ItemIndex(), 3);

  // Items 1 to 3 share one highlight, item 5 has its own.
  int shown = 0;
  for (TvxVisualObject* h : list->Highlights())
    if (h->Visible()) ++shown;
  EXPECT_EQ(shown, 2);
  const TvxRect run = list->Highlights()[0]->GetAbsoluteRect();
  EXPECT_FLOAT_EQ(run.Top, list->ItemByIndex(1)->GetAbsoluteRect().Top);
  EXPECT_FLOAT_EQ(run.Bottom, list->ItemByIndex(3)->GetAbsoluteRect().Bottom);

  // Ctrl on a selected item deselects it only.
  Click(s, list->ItemByIndex(3), {rtl::ssCtrl});
  EXPECT_FALSE(list->ItemByIndex(3)->IsSelected());
  EXPECT_EQ(list->ItemIndex(), 3);
  shown = 0;
  for (TvxVisualObject* h : list->Highlights())
    if (h->Visible()) ++shown;
  EXPECT_EQ(shown, 2);

  // A drag with the button held selects from the anchor on.
  const TvxPoint from = list->ItemByIndex(0)->LocalToAbsolute({10, 9});
  const TvxPoint to = list->ItemByIndex(2)->LocalToAbsolute({10, 9});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, from.X, from.Y);
  s.scene.MouseMove({rtl::ssLeft}, to.X, to.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, to.X, to.Y);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->ItemByIndex(i)->IsSelected(), i <= 2) << i;
  EXPECT_EQ(list->ItemIndex(), 2);

  // Single selection again: only the current item stays selected.
  list->SetMultiSelect(false);
  list->SetItemIndex(4);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list->ItemByIndex(i)->IsSelected(), i == 4) << i;
}

TEST_F(ListBoxes, CheckBoxesShowOnRequestAndReportTheirItem) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, Numbered(3));
  TvxListBoxItem* item = list->ItemByIndex(2);
  item->ApplyResource();
  ASSERT_NE(item->CheckBox(), nullptr);
  EXPECT_FALSE(item->CheckBox()->Visible());
  list->SetShowCheckboxes(true);
  EXPECT_TRUE(item->CheckBox()->Visible());
  std::vector<rtl::TObject*> checked;
  list->OnChangeCheck = [&](rtl::TObject* Sender) { checked.push_back(Sender); };
  item->SetIsChecked(true);  // by code: no report
  EXPECT_TRUE(item->CheckBox()->IsChecked());
  EXPECT_TRUE(checked.empty());
  const TvxPoint p = item->CheckBox()->LocalToAbsolute({8, 9});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, p.X, p.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  EXPECT_FALSE(item->IsChecked());
  ASSERT_EQ(checked.size(), 1u);
  EXPECT_EQ(checked[0], item);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(s.scene.focused, list);
}

TEST_F(ListBoxes, SortedListsOrderTheirItemsByTextOrByOnCompare) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 100, {u"delta", u"Alpha", u"charlie", u"bravo"});
  list->SetSorted(true);
  std::u16string order;
  for (int i = 0; i < 4; ++i) order += list->ItemByIndex(i)->Text().substr(0, 1);
  EXPECT_EQ(order, u"Abcd");
  EXPECT_EQ(list->ItemByIndex(1)->Position()->Y(), 19.0f);
  list->OnCompare = [](TvxListBoxItem* A, TvxListBoxItem* B) {
    return -CompareWideText(A->Text(), B->Text());
  };
  list->Realign();
  order.clear();
  for (int i = 0; i < 4; ++i) order += list->ItemByIndex(i)->Text().substr(0, 1);
  EXPECT_EQ(order, u"dcbA");
}

TEST_F(ListBoxes, AHorizontalListFillsColumnsOfFixedHeightItems) {
  ControlScene s;
  auto* list = MakeList<TvxHorzListBox>(s, 200, 60, Numbered(5));
  EXPECT_EQ(list->ListStyle(), vgListHorizontal);
  list->SetItemHeight(20);
  list->SetItemWidth(40);
  EXPECT_EQ(list->Columns(), 2);  // two 20-high items in the 58 of the viewport
  const TvxPoint expected[5] = {{0, 0}, {0, 20}, {40, 0}, {40, 20}, {80, 0}};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list->ItemByIndex(i)->Position()->GetPoint(), expected[i]) << i;
}

TEST_F(ListBoxes, WithMouseTrackingAReleaseThatDidNotDragSelectsAndADragOnlyScrolls) {
  ControlScene s;
  TvxListBox* list = MakeList(s, 120, 60, Numbered(10));
  list->SetMouseTracking(true);
  s.PaintAll();
  // The press alone selects nothing; the still release makes the item current.
  TvxListBoxItem* second = list->ItemByIndex(1);
  const TvxPoint p = second->LocalToAbsolute({second->Width() / 2, second->Height() / 2});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, p.X, p.Y);
  EXPECT_EQ(list->ItemIndex(), 0);
  s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  EXPECT_EQ(list->ItemIndex(), 1);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0], second);
  // A drag scrolls the content and selects nothing, also where it ends.
  ASSERT_NE(list->VScrollBar(), nullptr);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, p.X, p.Y + 20);
  s.scene.MouseMove({rtl::ssLeft}, p.X, p.Y + 10);
  s.scene.MouseMove({rtl::ssLeft}, p.X, p.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, p.X, p.Y);
  EXPECT_GT(list->VScrollBar()->Value(), 0);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(changes.size(), 1u);
  // A right click is no choice.
  TvxListBoxItem* third = list->ItemByIndex(2);
  const TvxPoint q = third->LocalToAbsolute({third->Width() / 2, third->Height() / 2});
  s.scene.MouseDown(rtl::mbRight, {rtl::ssRight}, q.X, q.Y);
  s.scene.MouseUp(rtl::mbRight, {}, q.X, q.Y);
  EXPECT_EQ(list->ItemIndex(), 1);
}

namespace {

// The contrast ratio of two opaque colours (relative luminance, as readability guides
// count it).
double Contrast(TvxColor A, TvxColor B) {
  const auto luminance = [](TvxColor C) {
    const auto channel = [](unsigned V) {
      const double c = V / 255.0;
      return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel((C >> 16) & 0xFF) + 0.7152 * channel((C >> 8) & 0xFF) + 0.0722 * channel(C & 0xFF);
  };
  const double a = luminance(A), b = luminance(B);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TvxColor TextColour(TvxControl* C) {
  auto* text = dynamic_cast<TvxText*>(C->FindResource("text"));
  return text ? text->Fill()->Color() : 0;
}

}  // namespace

TEST_F(ListBoxes, PlainContentOfAHudListReadsOnItsFace) {
  ControlScene s;
  auto* hud = MakeList<TvxHudListBox>(s, 120, 80, {u"Plain item"});
  auto* labelled = new TvxListBoxItem(nullptr);
  auto* label = new TvxLabel(nullptr);
  label->SetText(u"Fill");
  labelled->AddObject(label);
  hud->AddObject(labelled);
  // A list styled Hud by name, as the brush designer makes its lists.
  auto* named = MakeList(s, 120, 80, {u"Named"});
  named->SetResource("hudlistboxstyle");
  auto* plain = MakeList(s, 120, 80, {u"Light"});
  s.PaintAll();

  auto* face = dynamic_cast<TvxShape*>(hud->FindResource("background"));
  ASSERT_NE(face, nullptr);
  for (TvxControl* c : std::vector<TvxControl*>{hud->ItemByIndex(0), label, named->ItemByIndex(0)}) {
    SCOPED_TRACE(rtl::WideToUtf8(static_cast<TvxTextControl*>(c)->Text()));
    ASSERT_NE(TextColour(c), 0u);
    for (int i = 0; i < face->Fill()->Gradient()->Points()->Count(); ++i)
      EXPECT_GE(Contrast(TextColour(c), face->Fill()->Gradient()->Points()->GetPoint(i)->IntColor()), 4.5);
  }
  // The light list keeps the light look.
  EXPECT_EQ(TextColour(plain->ItemByIndex(0)), 0xFF000000u);
}

}  // namespace list_box_test
