// The drop-down text boxes on a form: the combo track bar's popup window under the box,
// its track writing the box's text with a point whatever the locale, and the box reading
// its text back, whatever bounds its stream gives.
#include <gtest/gtest.h>

#include <SDL.h>

#include <clocale>
#include <limits>
#include <string>

#include "FormScene.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/core/Registry.h"

namespace combo_boxes_test {

using namespace vg;

namespace {

class ComboBoxes : public vgtest::FormScene {
protected:
  // A press and release at a point of the form.
  void Click(int X, int Y) {
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, X, Y);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, X, Y);
  }
};

// Switches the C library to a locale that writes a decimal comma, for one scope.
class CommaLocale {
public:
  CommaLocale() : old_(std::setlocale(LC_ALL, nullptr)) { std::setlocale(LC_ALL, "de_DE.utf8"); }
  ~CommaLocale() { std::setlocale(LC_ALL, old_.c_str()); }

private:
  std::string old_;
};

}  // namespace

TEST_F(ComboBoxes, TheTrackBarDropsDownUnderTheBoxAndItsTrackWritesTheText) {
  auto* box = new TvxComboTrackBar(form.get());
  root->AddObject(box);
  box->SetBounds(20, 20, 80, 22);
  box->SetMax(10);
  EXPECT_EQ(box->Popup()->Parent(), root) << "the popup lives beside the box";
  int changes = 0;
  box->OnChange = [&](rtl::TObject* S) {
    EXPECT_EQ(S, box);
    ++changes;
  };
  Settle();
  // A press in the text area opens nothing; one on the arrow drops the track down.
  Click(20 + 10, 31);
  EXPECT_FALSE(box->Popup()->IsOpen());
  Click(20 + 74, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  win::TCustomForm* w = box->Popup()->PopupForm();
  EXPECT_EQ(w->Left(), 100 + 20);
  EXPECT_EQ(w->Top(), 80 + 42);
  EXPECT_EQ(w->Width(), 100) << "never narrower than 100";
  EXPECT_EQ(w->Height(), 30);

  {
    CommaLocale comma;
    box->TrackBar()->SetValue(2.5f);
    EXPECT_EQ(box->Text(), u"2.500");
    EXPECT_EQ(box->SelLength(), 5);
    EXPECT_EQ(changes, 1);
    box->TrackBar()->SetValue(7);
    EXPECT_EQ(box->Text(), u"7");
    // What it wrote reads back.
    box->SetText(u"3.25");
    box->Change();
    EXPECT_FLOAT_EQ(box->Value(), 3.25f);
    box->SetText(u"1,5");
    box->Change();
    EXPECT_FLOAT_EQ(box->Value(), 1.5f);
  }
  box->SetText(u"-");
  EXPECT_THROW(box->Change(), rtl::EConvertError);
  EXPECT_FLOAT_EQ(box->Value(), 1.5f);
  // The refusal quotes the text as typed.
  box->SetText(u"1,2,3");
  try {
    box->Change();
    ADD_FAILURE() << "no number";
  } catch (const rtl::EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1,2,3' is not a valid floating point value");
  }

  // The arrow again closes it; the caret is back in the focused box.
  Click(20 + 74, 31);
  EXPECT_FALSE(box->Popup()->IsOpen());
  EXPECT_TRUE(box->IsFocused());
  ASSERT_NE(box->Caret(), nullptr);
  EXPECT_TRUE(box->Caret()->Visible());
  box->OnChange = {};
  Settle();
}

// A bound or step a stream may give (INF, NAN) never leaves the box a text it refuses: an
// infinity is held at the largest number of its sign, whose digits Enter reads back.
TEST_F(ComboBoxes, TheTrackBarShowsOnlyTextsItReadsBackWhateverItsStreamGives) {
  rtl::TStringStream text("object Speed: TvxComboTrackBar\r\n  Max = INF\r\n  Frequency = NAN\r\nend\r\n");
  auto* box = dynamic_cast<TvxComboTrackBar*>(CreateObjectFromText(form.get(), &text));
  ASSERT_NE(box, nullptr);
  root->AddObject(box);
  box->SetBounds(20, 20, 80, 22);
  std::string reported;
  rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { reported = E.what(); };
  Settle();
  const std::u16string largest = u"340282346638528859811704183484516925440";
  const auto enter = [&] {
    win::SimulateKeyStroke(form.get(), SDLK_RETURN);
    Settle();
  };
  // A click on the track of an unbounded range (a step that is no number snaps nothing),
  // then Enter; the least value of a range unbounded below.
  Click(20 + 74, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  win::TCustomForm* popup = box->Popup()->PopupForm();
  win::SimulateMouseButton(popup, rtl::mbLeft, true, 80, 15);
  win::SimulateMouseButton(popup, rtl::mbLeft, false, 80, 15);
  Settle();
  EXPECT_EQ(box->Text(), largest);
  EXPECT_EQ(box->Value(), std::numeric_limits<float>::max());
  box->SetFocus();
  enter();
  EXPECT_EQ(box->Text(), largest);
  EXPECT_EQ(box->Value(), std::numeric_limits<float>::max());
  box->SetMin(-std::numeric_limits<float>::infinity());
  box->TrackBar()->SetValue(-std::numeric_limits<float>::infinity());
  EXPECT_EQ(box->Text(), u"-" + largest);
  box->SetMin(0);
  box->SetMax(10);
  box->TrackBar()->SetValue(2.5f);
  EXPECT_EQ(box->Text(), u"2.500");
  enter();
  EXPECT_FLOAT_EQ(box->Value(), 2.5f);
  EXPECT_EQ(reported, "");
  rtl::Application->OnException = {};
}

TEST_F(ComboBoxes, TheHudTrackBarTakesTheHudStyles) {
  TvxHudComboTrackBar box(nullptr);
  EXPECT_EQ(box.Resource(), "hudcombotextboxstyle");
  EXPECT_EQ(box.Popup()->Resource(), "hudcombopopupstyle");
  EXPECT_EQ(box.TrackBar()->Resource(), "hudtrackbarstyle");
  EXPECT_EQ(box.Text(), u"0");
  EXPECT_FLOAT_EQ(box.Width(), 100);
  EXPECT_FLOAT_EQ(box.Height(), 22);
  // The built-in style has the parts.
  EXPECT_NE(box.Style(), nullptr);
  EXPECT_NE(box.FindResource("content"), nullptr);
}

// The popup lives beside the box: a box taken out of its parent keeps it when that parent goes.
TEST_F(ComboBoxes, TheTrackBarKeepsItsPopupWhenTheParentItLeftIsFreed) {
  auto* first = new TvxLayout(form.get());
  root->AddObject(first);
  auto* box = new TvxComboTrackBar(form.get());
  first->AddObject(box);
  first->RemoveObject(box);
  delete first;
  root->AddObject(box);
  EXPECT_EQ(box->Popup()->Parent(), root);
  box->SetBounds(20, 20, 80, 22);
  Settle();
  Click(20 + 74, 31);
  EXPECT_TRUE(box->Popup()->IsOpen());
  Click(20 + 74, 31);
  Settle();
}

namespace {

// A Hud combo text box of ten texts, 120 x 22 at (20, 20) of the form's scene.
TvxHudComboTextBox* MakeCombo(vg::TvxVisualObject* Root, rtl::TComponent* Owner, int Count = 10) {
  auto* box = new TvxHudComboTextBox(Owner);
  Root->AddObject(box);
  box->SetBounds(20, 20, 120, 22);
  for (int i = 0; i < Count; ++i) box->Items()->Add(u"Item " + std::u16string(1, static_cast<char16_t>(u'0' + i)));
  return box;
}

}  // namespace

TEST_F(ComboBoxes, AHudComboTextBoxDropsItsListUnderItselfAndChoosesAtTheRelease) {
  TvxHudComboTextBox* box = MakeCombo(root, form.get());
  std::vector<std::u16string> tracked;
  box->OnChangeTracking = [&](rtl::TObject*) { tracked.push_back(box->Text()); };
  Settle();
  EXPECT_EQ(box->Count(), 10);
  EXPECT_EQ(box->ItemIndex(), -1);
  Click(20 + 114, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  win::TCustomForm* w = box->Popup()->PopupForm();
  EXPECT_EQ(w->Left(), 100 + 20);
  EXPECT_EQ(w->Top(), 80 + 42);
  EXPECT_EQ(w->Width(), 120);
  EXPECT_EQ(w->Height(), 152) << "eight rows of 19";
  EXPECT_EQ(box->ListBox()->Resource(), "hudcombolistboxstyle");
  Settle();
  // The release over the fourth row chooses it; the popup closes.
  win::SimulateMouseButton(w, rtl::mbLeft, true, 40, 1 + 3 * 19 + 9);
  win::SimulateMouseButton(w, rtl::mbLeft, false, 40, 1 + 3 * 19 + 9);
  EXPECT_FALSE(box->Popup()->IsOpen());
  EXPECT_EQ(box->ItemIndex(), 3);
  EXPECT_EQ(box->Text(), u"Item 3");
  EXPECT_EQ(tracked, std::vector<std::u16string>{u"Item 3"});
  EXPECT_EQ(box->SelLength(), 6);

  // A release outside the rows closes it and keeps the choice.
  Click(20 + 114, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  w = box->Popup()->PopupForm();
  win::SimulateMouseButton(w, rtl::mbLeft, true, 40, 60);
  win::SimulateMouseButton(w, rtl::mbLeft, false, 40, 400);
  EXPECT_FALSE(box->Popup()->IsOpen());
  EXPECT_EQ(box->ItemIndex(), 3);

  // A click elsewhere closes it, and so does Escape.
  Click(20 + 114, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  Click(300, 200);
  EXPECT_FALSE(box->Popup()->IsOpen());
  Click(20 + 114, 31);
  ASSERT_TRUE(box->Popup()->IsOpen());
  win::SimulateKeyStroke(form.get(), SDLK_ESCAPE);
  EXPECT_FALSE(box->Popup()->IsOpen());
  EXPECT_EQ(box->Text(), u"Item 3");
  box->OnChangeTracking = {};
  Settle();
}

// A read-only box is a choice: picking from its list, or taking the focus, shows no caret;
// an editable one shows its caret again after a pick.
TEST_F(ComboBoxes, AReadOnlyChoiceShowsNoCaretAfterAPickAndAnEditableBoxDoes) {
  TvxHudComboTextBox* choice = MakeCombo(root, form.get());
  choice->SetReadOnly(true);
  TvxHudComboTextBox* editable = MakeCombo(root, form.get());
  editable->SetBounds(20, 150, 120, 22);
  Settle();
  const auto caretShows = [](TvxHudComboTextBox* B) { return B->Caret() && B->Caret()->Visible(); };
  Click(20 + 114, 31);
  ASSERT_TRUE(choice->Popup()->IsOpen());
  win::TCustomForm* w = choice->Popup()->PopupForm();
  win::SimulateMouseButton(w, rtl::mbLeft, true, 40, 1 + 2 * 19 + 9);
  win::SimulateMouseButton(w, rtl::mbLeft, false, 40, 1 + 2 * 19 + 9);
  EXPECT_EQ(choice->Text(), u"Item 2");
  EXPECT_TRUE(choice->IsFocused());
  EXPECT_FALSE(caretShows(choice));
  Click(20 + 10, 31);  // the text area: the focus stays, no caret either
  EXPECT_FALSE(caretShows(choice));

  Click(20 + 114, 150 + 11);
  ASSERT_TRUE(editable->Popup()->IsOpen());
  w = editable->Popup()->PopupForm();
  win::SimulateMouseButton(w, rtl::mbLeft, true, 40, 1 + 4 * 19 + 9);
  win::SimulateMouseButton(w, rtl::mbLeft, false, 40, 1 + 4 * 19 + 9);
  EXPECT_EQ(editable->Text(), u"Item 4");
  EXPECT_TRUE(editable->IsFocused());
  EXPECT_TRUE(caretShows(editable));
  Settle();
}

TEST_F(ComboBoxes, ItemIndexTakesTheTextOfAnItemAndSurvivesNewItemsWhileItCan) {
  TvxHudComboTextBox* box = MakeCombo(root, form.get(), 3);
  int tracked = 0;
  box->OnChangeTracking = [&](rtl::TObject*) { ++tracked; };
  box->SetItemIndex(1);
  EXPECT_EQ(box->Text(), u"Item 1");
  EXPECT_EQ(tracked, 1);
  box->SetItemIndex(5);
  EXPECT_EQ(box->Text(), u"Item 1") << "an index beyond the items leaves the text";
  EXPECT_EQ(tracked, 1);
  box->SetItemIndex(1);
  EXPECT_EQ(tracked, 1) << "the same text again is no change";

  box->SetItemIndex(2);
  box->Items()->Add(u"Item 3");
  EXPECT_EQ(box->ItemIndex(), 2);
  box->Items()->BeginUpdate();
  box->Items()->Clear();
  box->Items()->Add(u"one");
  box->Items()->Add(u"two");
  box->Items()->EndUpdate();
  EXPECT_EQ(box->ItemIndex(), 1) << "the last item when the index is gone";
  EXPECT_EQ(box->Count(), 2);

  // Keys: Up and Down step; a read-only box jumps to the first item of a typed letter.
  uint16_t key = win::VK_UP;
  char16_t ch = 0;
  box->KeyDown(key, ch, {});
  EXPECT_EQ(key, 0);
  EXPECT_EQ(box->Text(), u"one");
  key = win::VK_UP;
  box->KeyDown(key, ch, {});
  EXPECT_EQ(box->ItemIndex(), 0);
  box->SetReadOnly(true);
  key = 0;
  ch = u'T';
  box->KeyDown(key, ch, {});
  EXPECT_EQ(ch, 0);
  EXPECT_EQ(box->Text(), u"two");
  ch = u'x';
  box->KeyDown(key, ch, {});
  EXPECT_EQ(ch, 0) << "taken also when nothing starts with it";
  EXPECT_EQ(box->Text(), u"two");
  box->OnChangeTracking = {};
}

TEST_F(ComboBoxes, AStringListRebuiltKeepsItsItemIndexAndScrollPosition) {
  auto* list = new TvxHudStringListBox(form.get());
  root->AddObject(list);
  list->SetBounds(160, 10, 120, 100);
  for (int i = 0; i < 20; ++i) list->Items()->Add(u"Line " + std::u16string(1, static_cast<char16_t>(u'A' + i)));
  Settle();
  ASSERT_EQ(list->Count(), 20);
  EXPECT_FLOAT_EQ(list->ItemByIndex(0)->Height(), 19);
  EXPECT_EQ(list->ItemByIndex(0)->Resource(), "hudlistboxitemstyle");
  list->SetItemIndex(12);
  ASSERT_NE(list->VScrollBar(), nullptr);
  const float scrolled = list->VScrollBar()->Value();
  EXPECT_GT(scrolled, 0) << "the current item was scrolled into view";
  EXPECT_EQ(std::get<std::u16string>(list->GetData()), u"Line M");

  // New texts, as many: index and position stay.
  list->Items()->BeginUpdate();
  for (int i = 0; i < 20; ++i) list->Items()->Put(i, u"Row " + std::u16string(1, static_cast<char16_t>(u'a' + i)));
  list->Items()->EndUpdate();
  EXPECT_EQ(list->ItemIndex(), 12);
  EXPECT_FLOAT_EQ(list->VScrollBar()->Value(), scrolled);
  EXPECT_EQ(list->ItemByIndex(12)->Text(), u"Row m");

  list->SetData(std::u16string(u"changed"));
  EXPECT_EQ(list->Items()->Get(12), u"changed");
  list->SetItemIndex(-1);
  list->SetData(std::u16string(u"nowhere"));
  EXPECT_EQ(std::get<std::u16string>(list->GetData()), u"");
  for (int i = 0; i < 20; ++i) EXPECT_NE(list->Items()->Get(i), u"nowhere");
}

namespace {

// Dark pixels the form shows in a rectangle of its client area.
int DarkPixels(const win::TCustomForm* Form, int X0, int Y0, int X1, int Y1) {
  int n = 0;
  for (int y = Y0; y < Y1; ++y)
    for (int x = X0; x < X1; ++x) {
      const uint32_t c = Form->PresentedPixel(x, y);
      n += ((c >> 16) & 0xFF) < 0x60 && ((c >> 8) & 0xFF) < 0x60 && (c & 0xFF) < 0x60 ? 1 : 0;
    }
  return n;
}

}  // namespace

TEST_F(ComboBoxes, AComboBoxDropsRowsOfItsItemHeightAndStepsByWheelAndKeys) {
  auto* combo = new TvxStringComboBox(form.get());
  root->AddObject(combo);
  combo->SetBounds(20, 100, 120, 22);
  for (const char16_t* t : {u"alpha", u"beta", u"gamma"}) combo->Items()->Add(t);
  int changes = 0;
  combo->OnChange = [&](rtl::TObject*) { ++changes; };
  combo->SetItemHeight(0);
  combo->MouseDown(rtl::mbLeft, {}, 10, 10);
  ASSERT_TRUE(combo->Popup()->IsOpen());
  EXPECT_EQ(combo->Popup()->PopupForm()->Height(), 144) << "8 rows of the combo's height less 4";
  // A press on the open combo closes it and chooses nothing.
  combo->MouseDown(rtl::mbLeft, {}, 10, 10);
  EXPECT_FALSE(combo->Popup()->IsOpen());
  EXPECT_EQ(changes, 0);
  combo->SetItemHeight(19);
  combo->MouseDown(rtl::mbLeft, {}, 10, 10);
  ASSERT_TRUE(combo->Popup()->IsOpen());
  EXPECT_EQ(combo->Popup()->PopupForm()->Height(), 152);
  EXPECT_EQ(combo->Popup()->PopupForm()->Top(), 80 + 122);
  // A release below the items closes the list and keeps the choice.
  const int before = combo->ItemIndex();
  combo->ListBox()->MouseUp(rtl::mbLeft, {}, 30, 140);
  EXPECT_FALSE(combo->Popup()->IsOpen());
  EXPECT_EQ(combo->ItemIndex(), before);
  // Over a row it chooses.
  combo->MouseDown(rtl::mbLeft, {}, 10, 10);
  combo->ListBox()->MouseUp(rtl::mbLeft, {}, 30, 1 + 19 + 9);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(std::get<std::u16string>(combo->GetData()), u"beta");

  // The wheel: down steps on, and at the last item it changes nothing but is still taken.
  bool handled = false;
  combo->MouseWheel({}, -120, handled);
  EXPECT_EQ(combo->ItemIndex(), 2);
  const int changesBefore = changes;
  handled = false;
  combo->MouseWheel({}, -120, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(changes, changesBefore);
  uint16_t key = win::VK_HOME;
  char16_t ch = 0;
  combo->KeyDown(key, ch, {});
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(key, 0);
  key = 0;
  ch = u'G';
  combo->KeyDown(key, ch, {});
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(ch, 0);

  // Fewer texts than the index: the last item.
  combo->Items()->Delete(2);
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetItemIndex(-1);
  combo->SetData(std::u16string(u"lost"));
  EXPECT_EQ(combo->Items()->Count(), 2);
  EXPECT_EQ(combo->Items()->IndexOf(u"lost"), -1);
  combo->OnChange = {};
  Settle();
}

TEST_F(ComboBoxes, AComboBoxFaceShowsItsCurrentItem) {
  auto* combo = new TvxStringComboBox(form.get());
  root->AddObject(combo);
  combo->SetBounds(20, 100, 120, 22);
  for (const char16_t* t : {u"Wide text", u"Other"}) combo->Items()->Add(t);
  combo->SetItemIndex(-1);
  Settle();
  // The face left of the arrow: no item, no text.
  EXPECT_EQ(DarkPixels(form.get(), 24, 103, 120, 119), 0);
  combo->SetItemIndex(0);
  Settle();
  EXPECT_GT(DarkPixels(form.get(), 24, 103, 120, 119), 20);
  EXPECT_EQ(combo->ListBox()->Selected()->Parent(), combo->ListBox()->Content()) << "the item stays in the list";
}

}  // namespace combo_boxes_test
