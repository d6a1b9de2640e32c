// Grids in their built-in style, driven through the host: the cells realised for the
// visible rows and rebound on scrolling, editing in place with Enter and Escape, the
// string grid's own texts (only those written, whatever its row count), the keys, the
// header's moves and resizes, and the selection.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Streams.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Grid.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Registry.h"

namespace grid_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Grids : public vgtest::ControlsTest {
protected:
  // A grid of Columns columns of 100 whose viewport is 100 high and wide enough for them.
  template <class G, class Column = TvxColumn>
  G* MakeGrid(ControlScene& S, int Columns = 2) {
    auto* grid = S.Add(new G(nullptr), 0, 0);
    grid->SetBounds(0, 0, 300, 140);
    for (int i = 0; i < Columns; ++i) {
      auto* c = new Column(nullptr);
      c->SetHeader(u"Col " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
      grid->AddObject(c);
    }
    grid->Realign();
    grid->SetHeight(140 + 100 - grid->ViewportHeight());
    return grid;
  }
  void Key(ControlScene& S, uint16_t K, char16_t C = 0, rtl::TShiftState Shift = {}) {
    S.scene.KeyDown(K, C, Shift);
  }
  void Type(ControlScene& S, const std::u16string& Text) {
    for (char16_t c : Text) Key(S, 0, c);
  }
};

std::u16string Text(const rtl::TPropValue& V) { return std::get<std::u16string>(V); }

}  // namespace

TEST_F(Grids, ColumnsRealiseTheVisibleRowsAndRebindThemOnScrolling) {
  ControlScene s(400, 300);
  std::vector<std::pair<int, int>> asked;
  auto* grid = MakeGrid<TvxGrid>(s);
  grid->OnGetValue = [&](rtl::TObject*, int Col, int Row, rtl::TPropValue& Value) {
    asked.emplace_back(Col, Row);
    Value = u"r" + rtl::Utf8ToWide(std::to_string(Row)) + u"c" + rtl::Utf8ToWide(std::to_string(Col));
  };
  grid->Realign();
  ASSERT_EQ(grid->ViewportHeight(), 100.0f);
  EXPECT_EQ(grid->GetVisibleRows(), 6);
  ASSERT_EQ(grid->ColumnCount(), 2);
  TvxColumn* second = grid->GetColumn(1);
  // Cells past the visible rows (made while the grid was taller) stay hidden.
  int realised = 0;
  for (TvxControl* c : second->Cells()) realised += c->Visible();
  EXPECT_EQ(realised, 6);
  ASSERT_GE(second->Cells().size(), 6u);
  EXPECT_EQ(Text(second->Cells()[3]->GetData()), u"r3c1");
  EXPECT_EQ(second->CellRow(3), 3);
  EXPECT_EQ(second->Cells()[3]->Position()->Y(), 63.0f);
  EXPECT_EQ(second->Position()->X(), 100.0f);
  EXPECT_FALSE(second->Cells()[3]->Stored());
  // The content is as tall as all rows.
  EXPECT_EQ(grid->VScrollBar()->Max(), 2100.0f);

  // Scrolling by two rows and a bit: the same six cells now show rows 2 to 7.
  const std::vector<TvxControl*> cells = second->Cells();
  asked.clear();
  grid->VScrollBar()->SetValue(50);
  ASSERT_GE(cells.size(), 6u);
  EXPECT_EQ(grid->GetTopRow(), 2);
  EXPECT_EQ(second->Cells(), cells);
  EXPECT_EQ(Text(cells[0]->GetData()), u"r2c1");
  EXPECT_EQ(Text(cells[5]->GetData()), u"r7c1");
  EXPECT_NE(std::find(asked.begin(), asked.end(), std::make_pair(0, 7)), asked.end());
  EXPECT_EQ(second->Position()->Y(), 42.0f);

  // A row height below 5 is 5; fewer rows than visible realise only those rows.
  grid->SetRowHeight(3);
  EXPECT_EQ(grid->RowHeight(), 5.0f);
  grid->SetRowHeight(21);
  grid->SetRowCount(3);
  EXPECT_EQ(grid->GetTopRow(), 0);
  int shown = 0;
  for (TvxControl* c : second->Cells()) shown += c->Visible();
  EXPECT_EQ(shown, 3);
}

TEST_F(Grids, StringGridStoresEditsAndEscapeRestoresTheCell) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxStringGrid, TvxStringColumn>(s);
  auto* first = dynamic_cast<TvxStringColumn*>(grid->GetColumn(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Text(grid->GetValue(0, 99)), u"");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(grid->GetValue(0, 100))) << "no row 100";
  first->SetCellText(1, u"LPG");
  grid->Realign();
  grid->SetFocus();
  Key(s, win::VK_DOWN);  // Down to row 1
  EXPECT_EQ(grid->Selected(), 1);
  // Typing starts an edit of the selected cell (over its selected text); Enter ends it
  // and the text is stored.
  Type(s, u"7");
  TvxControl* cell = first->CellOfRow(1);
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->IsFocused());
  Key(s, win::VK_RETURN);
  EXPECT_TRUE(grid->IsFocused());
  EXPECT_EQ(first->CellText(1), u"7");
  // Only the selected cell can take the focus.
  EXPECT_FALSE(first->CellOfRow(2)->CanFocused());

  // F2 edits, Escape restores the text the cell had and stores nothing.
  Key(s, win::VK_RIGHT);  // Right
  EXPECT_EQ(grid->SelectedColumn(), 1);
  auto* second = dynamic_cast<TvxStringColumn*>(grid->GetColumn(1));
  second->SetCellText(1, u"CNG");
  grid->Realign();
  Key(s, win::VK_F2);
  TvxControl* other = second->CellOfRow(1);
  ASSERT_TRUE(other->IsFocused());
  Type(s, u"xyz");
  EXPECT_NE(Text(other->GetData()), u"CNG");
  Key(s, win::VK_ESCAPE);
  EXPECT_TRUE(grid->IsFocused());
  EXPECT_EQ(Text(other->GetData()), u"CNG");
  EXPECT_EQ(second->CellText(1), u"CNG");
}

// A row count from a stream costs nothing: the columns keep the rows written, each as its
// own, and forget those the grid loses, as they would with a text per row.
TEST_F(Grids, AStringGridOfAnyRowCountKeepsOnlyTheTextsWritten) {
  ControlScene s(400, 300);
  rtl::TStringStream text(
      "object Fuels: TvxStringGrid\r\n  Width = 300.0\r\n  Height = 140.0\r\n  RowCount = 2147483647\r\n"
      "  object TvxStringColumn\r\n  end\r\n  object TvxStringColumn\r\n  end\r\nend\r\n");
  auto* grid = s.Add(dynamic_cast<TvxStringGrid*>(CreateObjectFromText(nullptr, &text)), 0, 0);
  ASSERT_NE(grid, nullptr);
  grid->Realign();
  ASSERT_EQ(grid->RowCount(), 2147483647);
  auto* first = dynamic_cast<TvxStringColumn*>(grid->GetColumn(0));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->TextCount(), 0u);
  const int last = 2147483646;
  EXPECT_EQ(Text(grid->GetValue(1, last)), u"");
  grid->SetValue(1, last, std::u16string(u"end"));
  grid->SetValue(0, 2, std::u16string(u"LPG"));
  grid->SetValue(0, 3, std::u16string(u"CNG"));
  grid->SetValue(0, 3, std::u16string());
  EXPECT_EQ(Text(grid->GetValue(1, last)), u"end");
  EXPECT_EQ(first->TextCount(), 1u) << "an emptied row keeps nothing";
  grid->Realign();
  EXPECT_EQ(Text(first->CellOfRow(2)->GetData()), u"LPG");
  // Page Down a few rows above the last stops at the last.
  grid->SetFocus();
  Key(s, win::VK_END, 0, {rtl::ssCtrl});
  Key(s, win::VK_UP);
  ASSERT_EQ(grid->Selected(), last - 1);
  Key(s, win::VK_NEXT);
  EXPECT_EQ(grid->Selected(), last);
  // There the last row shows.
  TvxControl* end = first->CellOfRow(last);
  ASSERT_NE(end, nullptr);
  EXPECT_TRUE(end->Visible());
  EXPECT_EQ(grid->GetTopRow(), last);
  EXPECT_GE(grid->RowAtPoint(50, 100), last) << "a point below the last row";

  // Rows the grid loses lose their texts; rows it gains again start empty.
  grid->SetRowCount(2);
  grid->SetRowCount(10);
  EXPECT_EQ(Text(grid->GetValue(0, 2)), u"");
  EXPECT_EQ(first->TextCount(), 0u);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(grid->GetValue(1, last)));
}

// A cell keeps its column and row in its TagString, a point in text, whole at any row; an
// edit goes to the row its cell keeps. A hidden cell keeps none.
TEST_F(Grids, ACellKeepsItsPlaceInItsTagStringAndAnEditGoesThere) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxStringGrid, TvxStringColumn>(s);
  auto* second = dynamic_cast<TvxStringColumn*>(grid->GetColumn(1));
  ASSERT_NE(second, nullptr);
  grid->VScrollBar()->SetValue(50);
  ASSERT_GE(second->Cells().size(), 6u);
  EXPECT_EQ(second->Cells()[5]->TagString(), u"(1,7)");
  const int last = 2147483646;
  grid->SetRowCount(last + 1);
  grid->SetFocus();
  Key(s, win::VK_END, 0, {rtl::ssCtrl});
  Key(s, win::VK_END);
  TvxControl* cell = second->CellOfRow(last);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->TagString(), u"(1,2147483646)");
  Type(s, u"7");
  Key(s, win::VK_RETURN);
  EXPECT_EQ(second->CellText(last), u"7");
  EXPECT_EQ(second->CellText(last - 1), u"");
  // Scrolled while an edit is under way, the cell takes the edit to its row before it shows another.
  grid->VScrollBar()->SetValue(0);
  grid->SetSelected(3);
  Type(s, u"Q");
  ASSERT_TRUE(second->CellOfRow(3)->IsFocused());
  grid->VScrollBar()->SetValue(100);
  EXPECT_EQ(second->CellText(3), u"Q");
  EXPECT_EQ(second->CellText(3 + 100 / 21), u"");
  grid->SetRowCount(2);
  ASSERT_GE(second->Cells().size(), 3u);
  EXPECT_FALSE(second->Cells()[2]->Visible());
  EXPECT_EQ(second->Cells()[2]->TagString(), u"");
  EXPECT_EQ(second->CellRow(2), -1);
}

TEST_F(Grids, EscapeWritesNothingBackAndValueOnlyColumnsNeverWrite) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s, 1);
  auto* bars = new TvxProgressColumn(nullptr);
  grid->AddObject(bars);
  int writes = 0;
  grid->OnGetValue = [](rtl::TObject*, int, int Row, rtl::TPropValue& Value) { Value = static_cast<double>(Row); };
  grid->OnSetValue = [&](rtl::TObject*, int, int, const rtl::TPropValue&) { ++writes; };
  grid->Realign();
  auto* bar = dynamic_cast<TvxProgressBar*>(bars->Cells().at(4));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Value(), 4.0f);
  grid->SetFocus();
  Key(s, win::VK_F2);
  Type(s, u"5");
  Key(s, win::VK_ESCAPE);
  EXPECT_EQ(writes, 0);
  // Moving onto the progress column and pressing F2 edits nothing.
  Key(s, win::VK_RIGHT);
  Key(s, win::VK_F2);
  Type(s, u"9");
  Key(s, win::VK_RETURN);
  EXPECT_EQ(writes, 0);
  EXPECT_TRUE(grid->IsFocused());
}

TEST_F(Grids, PopupAndImageColumnsShowTheRowsValuesAndWriteNothing) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s, 0);
  auto* fuels = new TvxPopupColumn(nullptr);
  TvxWideStringList choices;
  choices.Add(u"petrol");
  choices.Add(u"LPG");
  choices.Add(u"CNG");
  fuels->SetItems(&choices);
  choices.Add(u"diesel");  // the column keeps its own copy
  auto* pictures = new TvxImageColumn(nullptr);
  grid->AddObject(fuels);
  grid->AddObject(pictures);
  std::vector<std::unique_ptr<TvxBitmap>> bitmaps;
  for (int i = 0; i < 8; ++i) bitmaps.push_back(std::make_unique<TvxBitmap>(i + 1, 2));
  int writes = 0;
  grid->OnGetValue = [&](rtl::TObject*, int Col, int Row, rtl::TPropValue& Value) {
    if (Col == 0) Value = static_cast<int64_t>(Row % 3);
    else Value = static_cast<rtl::TObject*>(bitmaps.at(static_cast<size_t>(Row)).get());
  };
  grid->OnSetValue = [&](rtl::TObject*, int, int, const rtl::TPropValue&) { ++writes; };
  grid->Realign();
  ASSERT_EQ(fuels->Items()->GetCount(), 3);
  auto* popup = dynamic_cast<TvxPopupBox*>(fuels->Cells().at(4));
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->ClassName(), "TvxPopupCell");
  EXPECT_EQ(popup->Items()->GetCount(), 3);
  EXPECT_EQ(popup->ItemIndex(), 1);
  EXPECT_EQ(popup->Text(), u"LPG");
  auto* image = dynamic_cast<TvxImageControl*>(pictures->Cells().at(4));
  ASSERT_NE(image, nullptr);
  EXPECT_FALSE(image->EnableOpenDialog());
  EXPECT_EQ(image->Bitmap()->Width(), 5);

  // Scrolling rebinds the same cells to later rows.
  grid->VScrollBar()->SetValue(42);
  EXPECT_EQ(popup->Text(), u"petrol");  // row 6
  EXPECT_EQ(image->Bitmap()->Width(), 7);
  // A choice made in a cell stays in the cell: the grid is not written.
  popup->SetItemIndex(2);
  image->SetData(static_cast<rtl::TObject*>(bitmaps[0].get()));
  EXPECT_EQ(writes, 0);
  EXPECT_NE(grid->GetItemClassName().find("TvxPopupColumn;TvxImageColumn"), std::string::npos);
}

TEST_F(Grids, KeysMoveTheSelectionWithinTheRows) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s);
  grid->SetFocus();
  Key(s, win::VK_NEXT);  // Page Down: six rows
  EXPECT_EQ(grid->Selected(), 6);
  // The selected row is scrolled into view.
  EXPECT_GT(grid->VScrollBar()->Value(), 0.0f);
  Key(s, win::VK_PRIOR);
  EXPECT_EQ(grid->Selected(), 0);
  Key(s, win::VK_END, 0, {rtl::ssCtrl});
  EXPECT_EQ(grid->Selected(), 99);
  Key(s, win::VK_NEXT);
  EXPECT_EQ(grid->Selected(), 99);
  Key(s, win::VK_END);
  EXPECT_EQ(grid->SelectedColumn(), 1);
  Key(s, win::VK_HOME);
  EXPECT_EQ(grid->SelectedColumn(), 0);
  Key(s, win::VK_HOME, 0, {rtl::ssCtrl});
  EXPECT_EQ(grid->Selected(), 0);
  // The selection copy lies behind the selected row, the marker on the selected cell.
  ASSERT_EQ(grid->Highlights().size(), 1u);
  EXPECT_TRUE(grid->Highlights()[0]->Visible());
  ASSERT_NE(grid->FocusMarker(), nullptr);
  EXPECT_TRUE(grid->FocusMarker()->Visible());
  EXPECT_EQ(grid->FocusMarker()->Width(), 98.0f);

  // Fewer rows than the selected one: the last row is selected.
  grid->SetSelected(50);
  grid->SetRowCount(10);
  EXPECT_EQ(grid->Selected(), 9);
  // Without rows nothing is selected and no key is taken.
  grid->SetRowCount(0);
  EXPECT_FALSE(grid->Highlights()[0]->Visible());
  uint16_t k = win::VK_DOWN;
  char16_t c = 0;
  grid->KeyDown(k, c, {});
  EXPECT_EQ(k, 40);
}

TEST_F(Grids, SelectingAColumnOutsideTheColumnsMarksAndScrollsNothing) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s);
  grid->SetWidth(150);  // the second column lies partly outside
  grid->Realign();
  ASSERT_TRUE(grid->HScrollBar()->Visible());
  grid->SetSelectedColumn(1);
  const float scrolled = grid->HScrollBar()->Value();
  EXPECT_GT(scrolled, 0.0f);
  grid->SetSelectedColumn(5);
  EXPECT_EQ(grid->SelectedColumn(), 5);
  EXPECT_EQ(grid->HScrollBar()->Value(), scrolled);
  EXPECT_FALSE(grid->FocusMarker()->Visible());
  grid->SetSelectedColumn(-3);
  EXPECT_FALSE(grid->FocusMarker()->Visible());
  EXPECT_EQ(grid->HScrollBar()->Value(), scrolled);
}

TEST_F(Grids, HeaderFollowsTheColumnsAndMovesAndResizesThem) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s, 3);
  TvxHeader* header = grid->HeaderPart();
  ASSERT_NE(header, nullptr);
  auto* item0 = dynamic_cast<TvxHeaderItem*>(header->GetItem(0));
  auto* item2 = dynamic_cast<TvxHeaderItem*>(header->GetItem(2));
  ASSERT_NE(item0, nullptr);
  ASSERT_NE(item2, nullptr);
  EXPECT_EQ(item0->Text(), u"Col A");
  grid->GetColumn(1)->SetHeader(u"Pressure");
  EXPECT_EQ(dynamic_cast<TvxHeaderItem*>(header->GetItem(1))->Text(), u"Pressure");

  // Resizing an item below 10 gives its column 10.
  item0->ResizeTo({-200, 0});
  EXPECT_EQ(grid->GetColumn(0)->Width(), 10.0f);
  EXPECT_EQ(grid->GetColumn(1)->Position()->X(), 10.0f);

  // Dropping item 0 on item 2 moves the first column to the end, still selected.
  TvxColumn* moved = grid->GetColumn(0);
  TvxDragObject data;
  data.Source = item0;
  item2->DragDrop(data, {5, 5});
  EXPECT_EQ(grid->GetColumn(2), moved);
  EXPECT_EQ(grid->SelectedColumn(), 2);
}

TEST_F(Grids, ClicksSelectTheRowAndColumnUnderThePointer) {
  ControlScene s(400, 300);
  auto* grid = MakeGrid<TvxGrid>(s);
  const TvxPoint origin = grid->LocalToAbsolute({grid->ViewportRect().Left, grid->ViewportRect().Top});
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, origin.X + 150, origin.Y + 45);
  s.scene.MouseUp(rtl::mbLeft, {}, origin.X + 150, origin.Y + 45);
  EXPECT_EQ(grid->Selected(), 2);
  EXPECT_EQ(grid->SelectedColumn(), 1);
  EXPECT_TRUE(grid->IsFocused());
}

}  // namespace grid_test
