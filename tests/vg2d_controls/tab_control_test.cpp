// The tab control with its built-in style: the header row and pages it lays out, the
// selection by ItemIndex and by a click, the re-selection when items hide, and the
// selected header painted over its neighbours.
#include <gtest/gtest.h>

#include <vector>

#include "ControlScene.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/core/Shapes.h"

namespace tab_control_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

class Tabs : public vgtest::ControlsTest {
protected:
  // A tab control at (10, 10), 300 x 200, with Count items each owning a page.
  TvxTabControl* Place(ControlScene& S, int Count, bool Hud = false) {
    tabs = S.Add(Hud ? new TvxHudTabControl(nullptr) : new TvxTabControl(nullptr), 10, 10);
    tabs->SetBounds(10, 10, 300, 200);
    for (int i = 0; i < Count; ++i) {
      auto* item = Hud ? new TvxHudTabItem(nullptr) : new TvxTabItem(nullptr);
      item->SetText(u"Tab");
      auto* page = new TvxVisualObject(nullptr);
      tabs->AddObject(page);
      item->SetLayout(page);
      tabs->AddObject(item);
      item->ApplyResource();
      items.push_back(item);
      pages.push_back(page);
    }
    tabs->OnChange = [this](rtl::TObject*) { changes.push_back(tabs->ItemIndex()); };
    return tabs;
  }
  std::vector<bool> Shown() const {
    std::vector<bool> r;
    for (auto* p : pages) r.push_back(p->Visible());
    return r;
  }
  std::vector<bool> Selected() const {
    std::vector<bool> r;
    for (auto* i : items) r.push_back(i->IsSelected());
    return r;
  }
  void Press(ControlScene& S, float X, float Y) { S.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, X, Y); }
  void Release(ControlScene& S, float X, float Y) { S.scene.MouseUp(rtl::mbLeft, {}, X, Y); }

  TvxTabControl* tabs = nullptr;
  std::vector<TvxTabItem*> items;
  std::vector<TvxVisualObject*> pages;
  std::vector<int> changes;
};

}  // namespace

TEST_F(Tabs, TheHeaderRowIsAsHighAsTheTallestItemAndFullSizeSharesTheWidth) {
  ControlScene s(400, 300);
  Place(s, 3);
  EXPECT_EQ(tabs->ItemIndex(), -1);
  EXPECT_EQ(Shown(), (std::vector<bool>{false, false, false}));  // no page without a selection
  items[1]->SetHeight(24);
  tabs->Realign();
  EXPECT_EQ(tabs->HeaderHeight(), 24.0f);
  EXPECT_EQ(items[0]->Height(), 24.0f);
  tabs->SetItemHeight(30);
  EXPECT_EQ(items[2]->Height(), 30.0f);
  // The headers in a row, each its own width; with FullSize a third each.
  EXPECT_EQ(items[1]->Position()->X(), 80.0f);
  tabs->SetFullSize(true);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(items[static_cast<size_t>(i)]->Position()->X(), 100.0f * static_cast<float>(i));
    EXPECT_EQ(items[static_cast<size_t>(i)]->Width(), 100.0f);
  }
  // The style is the page frame below the header row; the selected page fills the rest.
  ASSERT_NE(tabs->Style(), nullptr);
  EXPECT_EQ(tabs->Style()->Position()->Y(), 30.0f);
  EXPECT_EQ(tabs->Style()->Height(), 170.0f);
  tabs->Margins()->SetRect({2, 3, 4, 5});
  pages[1]->Padding()->SetRect({1, 1, 1, 1});
  tabs->SetItemIndex(1);
  EXPECT_EQ(pages[1]->Position()->X(), 3.0f);
  EXPECT_EQ(pages[1]->Position()->Y(), 30.0f + 3 + 1);
  EXPECT_EQ(pages[1]->Width(), 300.0f - 2 - 4 - 2);
  EXPECT_EQ(pages[1]->Height(), 200.0f - 30 - 3 - 5 - 2);
  EXPECT_TRUE(pages[1]->ClipChildren());
  EXPECT_EQ(tabs->Children().back(), pages[1]);  // over the page frame
}

TEST_F(Tabs, SelectingShowsOnePageAndAnUnknownIndexShowsNone) {
  ControlScene s(400, 300);
  Place(s, 3, true);
  tabs->SetItemIndex(2);
  EXPECT_EQ(Selected(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(Shown(), (std::vector<bool>{false, false, true}));
  tabs->SetItemIndex(2);  // no change, no event
  tabs->SetItemIndex(7);
  EXPECT_EQ(Selected(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(Shown(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(changes, (std::vector<int>{2, 7}));
  // The selected header's style shows its state.
  tabs->SetItemIndex(0);
  clock.Advance(300);
  auto* mark = dynamic_cast<TvxVisualObject*>(items[0]->FindResource("selected"));
  ASSERT_NE(mark, nullptr);
  EXPECT_EQ(mark->Opacity(), 1.0f);
  EXPECT_EQ(tabs->GetItemClassName(), "TvxHudTabItem");
  // A freed page is forgotten.
  delete pages[0];
  EXPECT_EQ(items[0]->Layout(), nullptr);
}

TEST_F(Tabs, AClickSelectsAtTheReleaseOverTheHeader) {
  ControlScene s(400, 300);
  Place(s, 3);
  Press(s, 10 + 100, 20);  // on the second header
  EXPECT_EQ(tabs->ItemIndex(), -1);
  Release(s, 10 + 100, 20);
  EXPECT_EQ(tabs->ItemIndex(), 1);
  Press(s, 10 + 180, 20);  // third header, released elsewhere
  Release(s, 10 + 180, 150);
  EXPECT_EQ(tabs->ItemIndex(), 1);
  EXPECT_EQ(changes, (std::vector<int>{1}));
}

TEST_F(Tabs, HidingTheSelectedItemSelectsTheOneThatTakesItsPlace) {
  ControlScene s(400, 300);
  Place(s, 3);
  tabs->SetItemIndex(2);
  items[2]->SetVisible(false);  // the last: the new last is selected
  EXPECT_EQ(tabs->ItemIndex(), 1);
  EXPECT_EQ(Selected(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(Shown(), (std::vector<bool>{false, true, false}));
  items[2]->SetVisible(true);  // showing another keeps the selection
  EXPECT_EQ(tabs->ItemIndex(), 1);
  EXPECT_TRUE(items[1]->IsSelected());
  EXPECT_EQ(items[2]->Index(), 2);
  tabs->SetItemIndex(0);
  items[0]->SetVisible(false);  // the first of three: the one moving into its place
  EXPECT_EQ(tabs->ItemIndex(), 0);
  EXPECT_EQ(Selected(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(items[1]->Index(), 0);
  EXPECT_EQ(items[1]->Position()->X(), 0.0f);
  // Hiding an item before the selected one renumbers; the same item stays selected.
  tabs->SetItemIndex(1);  // items[2]
  items[0]->SetVisible(true);
  EXPECT_EQ(tabs->ItemIndex(), 2);
  EXPECT_TRUE(items[2]->IsSelected());
  EXPECT_EQ(Shown(), (std::vector<bool>{false, false, true}));
}

TEST_F(Tabs, TheSelectedHeaderIsPaintedOverItsNeighbours) {
  ControlScene s(400, 300);
  Place(s, 2);
  // Two headers overlapping by 20: the second one normally paints over the first.
  items[0]->Padding()->SetRight(-20);
  auto* cover0 = new TvxRectangle(nullptr);
  cover0->Fill()->SetSolidColor(0xFFFF0000u);
  cover0->SetAlign(vaClient);
  items[0]->AddObject(cover0);
  auto* cover1 = new TvxRectangle(nullptr);
  cover1->Fill()->SetSolidColor(0xFF0000FFu);
  cover1->SetAlign(vaClient);
  items[1]->AddObject(cover1);
  tabs->Realign();
  ASSERT_EQ(items[1]->Position()->X(), 60.0f);
  s.PaintAll();
  EXPECT_EQ(s.At(10 + 70, 20), 0xFF0000FFu);
  tabs->SetItemIndex(0);
  s.PaintAll();
  EXPECT_EQ(s.At(10 + 70, 20), 0xFFFF0000u);
  EXPECT_EQ(items[0]->Opacity(), 1.0f);
}

TEST_F(Tabs, ItemsAndTheSelectionComeBackFromAStream) {
  ControlScene s(400, 300);
  Place(s, 3, true);
  tabs->SetItemIndex(2);
  tabs->SetFullSize(true);
  tabs->SetItemHeight(26);
  std::unique_ptr<TvxObject> copy(tabs->Clone(nullptr));
  auto* back = dynamic_cast<TvxHudTabControl*>(copy.get());
  ASSERT_NE(back, nullptr);
  s.root->AddObject(copy.release());
  back->ApplyResource();
  EXPECT_EQ(back->ItemIndex(), 2);
  EXPECT_TRUE(back->FullSize());
  EXPECT_EQ(back->HeaderHeight(), 26.0f);
  const std::vector<TvxTabItem*> items = back->VisibleItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2]->Position()->X(), 200.0f);
  items[2]->ApplyResource();
  EXPECT_TRUE(items[2]->IsSelected());
  EXPECT_FALSE(items[0]->IsSelected());
}

// A press on a header takes the keyboard focus from the box that had it to the tab control,
// so typed keys no longer reach the box; so does a press on the control around the pages.
TEST_F(Tabs, APressOnAHeaderTakesTheFocusToTheTabControl) {
  ControlScene s(400, 300);
  Place(s, 2, true);
  auto* box = new TvxHudTextBox(nullptr);
  pages[0]->AddObject(box);
  box->SetBounds(10, 10, 100, 22);
  box->ApplyResource();
  box->SetText(u"2000");
  tabs->SetItemIndex(0);
  s.PaintAll();
  const TvxRect b = box->GetAbsoluteRect();
  TvxVisualObject* hit = s.scene.ObjectAtPoint({b.Left + 5, b.Top + 5});
  ASSERT_EQ(hit, box) << (hit ? hit->ClassName() : std::string("nothing")) << " at " << b.Left << ", " << b.Top;
  Press(s, b.Left + 5, b.Top + 5);
  Release(s, b.Left + 5, b.Top + 5);
  ASSERT_TRUE(box->IsFocused());
  const TvxRect header = items[1]->GetAbsoluteRect();
  Press(s, header.Left + 10, header.Top + 5);
  EXPECT_TRUE(tabs->IsFocused());
  EXPECT_FALSE(box->IsFocused());
  EXPECT_EQ(s.scene.GetFocused(), tabs);
  Release(s, header.Left + 10, header.Top + 5);
  EXPECT_EQ(tabs->ItemIndex(), 1);
  uint16_t key = 'G';
  char16_t ch = u'g';
  s.scene.KeyDown(key, ch, {});
  EXPECT_EQ(box->Text(), u"2000");
  // Back to the first page and into the box; a press on the empty page area of the
  // control (a page that takes no presses, as a layout) takes the focus to it as well.
  pages[0]->SetHitTest(false);
  Press(s, items[0]->GetAbsoluteRect().Left + 5, items[0]->GetAbsoluteRect().Top + 5);
  Release(s, items[0]->GetAbsoluteRect().Left + 5, items[0]->GetAbsoluteRect().Top + 5);
  Press(s, b.Left + 5, b.Top + 5);
  Release(s, b.Left + 5, b.Top + 5);
  ASSERT_TRUE(box->IsFocused());
  Press(s, 10 + 250, 10 + 150);
  EXPECT_TRUE(tabs->IsFocused());
}

}  // namespace tab_control_test
