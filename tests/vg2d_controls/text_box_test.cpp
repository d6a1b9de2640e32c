// The text box driven as a person drives it: key sequences with their texts, selections
// and carets, the three grades of change events, the clipboard, the context menu's
// enabling, the mouse, scrolling a long text, the caret object, passwords, and a picture
// of plain and Hud boxes with a selection.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/EditKeys.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TextBox.h"

namespace text_box_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

const rtl::TShiftState NoShift{}, ShiftOnly{rtl::ssShift}, CtrlOnly{rtl::ssCtrl}, CtrlShift{rtl::ssCtrl, rtl::ssShift};

class TextBoxes : public vgtest::ControlsTest {
protected:
  // A focused box at (10, 10) holding Text, counting its events.
  template <class T = TvxTextBox>
  T* Place(ControlScene& S, const std::u16string& Text, float Width = 100) {
    auto* b = S.Add(new T(nullptr), 10, 10);
    b->SetWidth(Width);
    b->SetText(Text);
    b->OnChangeTracking = [this](rtl::TObject*) { ++tracking; };
    b->OnTyping = [this](rtl::TObject*) { ++typing; };
    b->OnChange = [this](rtl::TObject*) { ++changes; };
    b->SetFocus();
    return b;
  }
  void Key(ControlScene& S, uint16_t K, rtl::TShiftState Shift = {}) {
    char16_t ch = 0;
    S.scene.KeyDown(K, ch, Shift);
  }
  void Type(ControlScene& S, char16_t C, rtl::TShiftState Shift = {}) {
    uint16_t k = 0;
    S.scene.KeyDown(k, C, Shift);
  }
  int tracking = 0, typing = 0, changes = 0;
};

}  // namespace

TEST_F(TextBoxes, KeySequencesGiveTheirTextsSelectionsAndCarets) {
  ControlScene s;
  auto* b = Place(s, u"hello big world");
  // Focused without an on-screen keyboard: all selected, caret at the end.
  EXPECT_EQ(b->SelText(), u"hello big world");
  EXPECT_EQ(b->CaretPosition(), 15);
  Key(s, win::VK_END);
  EXPECT_EQ(b->SelLength(), 0);
  // Shift+Home selects from the caret to the start.
  Key(s, win::VK_HOME, ShiftOnly);
  EXPECT_EQ(b->CaretPosition(), 0);
  EXPECT_EQ(b->SelStart(), 0);
  EXPECT_EQ(b->SelText(), u"hello big world");
  // Shift+Right shrinks it again from the caret end.
  Key(s, win::VK_RIGHT, ShiftOnly);
  EXPECT_EQ(b->SelText(), u"ello big world");
  Key(s, win::VK_END);
  // Ctrl+Shift+Left: word by word, the selection growing.
  Key(s, win::VK_LEFT, CtrlShift);
  EXPECT_EQ(b->CaretPosition(), 10);
  EXPECT_EQ(b->SelText(), u"world");
  Key(s, win::VK_LEFT, CtrlShift);
  EXPECT_EQ(b->CaretPosition(), 6);
  EXPECT_EQ(b->SelText(), u"big world");
  // Ctrl+Right goes to the next word's start, and at the last word to the end.
  Key(s, win::VK_RIGHT, CtrlOnly);
  EXPECT_EQ(b->CaretPosition(), 10);
  EXPECT_EQ(b->SelLength(), 0);
  Key(s, win::VK_RIGHT, CtrlOnly);
  EXPECT_EQ(b->CaretPosition(), 15);
  // Typing replaces a selection.
  Key(s, win::VK_LEFT, CtrlShift);
  Type(s, u'W');
  EXPECT_EQ(b->Text(), u"hello big W");
  EXPECT_EQ(b->CaretPosition(), 11);
  // Ctrl+Z is swallowed and changes nothing.
  char16_t z = u'z';
  uint16_t none = 0;
  s.scene.KeyDown(none, z, CtrlOnly);
  EXPECT_EQ(z, 0);
  EXPECT_EQ(b->Text(), u"hello big W");
  // Backspace and Delete around the caret; Left without Shift drops the selection.
  Key(s, win::VK_BACK);
  EXPECT_EQ(b->Text(), u"hello big ");
  Key(s, win::VK_HOME);
  Key(s, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"ello big ");
  EXPECT_EQ(b->CaretPosition(), 0);
  // Shift+Delete with a selection cuts it to the clipboard.
  Key(s, win::VK_RIGHT, CtrlShift);
  EXPECT_EQ(b->SelText(), u"ello ");
  Key(s, win::VK_DELETE, ShiftOnly);
  EXPECT_EQ(b->Text(), u"big ");
  EXPECT_EQ(win::ClipboardGetText(), u"ello ");
  // Shift+Insert pastes it back at the caret; Ctrl+Insert copies.
  Key(s, win::VK_END);
  Key(s, win::VK_INSERT, ShiftOnly);
  EXPECT_EQ(b->Text(), u"big ello ");
  Key(s, win::VK_HOME, ShiftOnly);
  Key(s, win::VK_INSERT, CtrlOnly);
  EXPECT_EQ(win::ClipboardGetText(), u"big ello ");
  // A filtered character is dropped; an allowed one goes in.
  b->SetFilterChar(u"0123456789");
  Key(s, win::VK_END);
  char16_t a = u'a';
  uint16_t k = 0;
  s.scene.KeyDown(k, a, NoShift);
  EXPECT_EQ(a, 0);
  Type(s, u'7');
  EXPECT_EQ(b->Text(), u"big ello 7");
}

TEST_F(TextBoxes, ReadOnlyMaxLengthAndCtrlLettersRefuseOrActAsTheyShould) {
  ControlScene s;
  auto* b = Place(s, u"abc");
  b->SetMaxLength(4);
  Key(s, win::VK_END);
  Type(s, u'd');
  Type(s, u'e');  // would make five
  EXPECT_EQ(b->Text(), u"abcd");
  Type(s, u'a', CtrlOnly);
  EXPECT_EQ(b->SelText(), u"abcd");
  Type(s, u'c', CtrlOnly);
  EXPECT_EQ(win::ClipboardGetText(), u"abcd");
  Type(s, u'x', CtrlOnly);
  EXPECT_EQ(b->Text(), u"");
  Type(s, u'v', CtrlOnly);
  EXPECT_EQ(b->Text(), u"abcd");
  b->SetReadOnly(true);
  Type(s, u'a', CtrlOnly);
  for (uint16_t key : {win::VK_BACK, win::VK_DELETE}) Key(s, key);
  Type(s, u'q');
  Type(s, u'v', CtrlOnly);
  Type(s, u'x', CtrlOnly);
  EXPECT_EQ(b->Text(), u"abcd");
  // Copying still works.
  win::ClipboardSetText(u"");
  Type(s, u'c', CtrlOnly);
  EXPECT_EQ(win::ClipboardGetText(), u"abcd");
}

// The scene hands Ctrl+A, C, V, X and Z on as their letters with Ctrl, and Ctrl+Backspace as
// the key followed by DEL; the text box and the memo type none of them, and their keys take a
// character outside the 16-bit plane whole.
TEST_F(TextBoxes, NoChordTypesAndKeysTakeAWholeCharacterInTheBoxAndTheMemo) {
  ControlScene s;
  auto* b = Place(s, u"hello");
  auto* m = s.Add(new TvxMemo(nullptr), 10, 60);
  m->SetText(u"hello");
  for (TvxVisualObject* editor : {static_cast<TvxVisualObject*>(b), static_cast<TvxVisualObject*>(m)}) {
    const auto text = [&] { return editor == b ? b->Text() : m->Text(); };
    editor->SetFocus();
    Key(s, win::VK_END, CtrlOnly);
    win::ClipboardSetText(u"clip");
    for (char16_t c : std::u16string(u"acvxzACVXZ")) Type(s, c, CtrlShift);
    EXPECT_EQ(text(), u"hello") << "Ctrl with Shift types nothing";
    Key(s, win::VK_BACK, CtrlOnly);
    Type(s, 127, CtrlOnly);
    Type(s, 127);
    EXPECT_EQ(text(), u"hell") << "Ctrl+Backspace leaves no DEL";
    Type(s, u'\u00E9', {rtl::ssCtrl, rtl::ssAlt});
    EXPECT_EQ(text(), u"hell\u00E9") << "AltGr types";
    // Left and Right step over U+1F600 (its two halves); Backspace and Delete take both.
    Type(s, u'a', CtrlOnly);
    for (char16_t c : std::u16string(u"a\U0001F600b")) Type(s, c);
    for (uint16_t k : {win::VK_LEFT, win::VK_LEFT, win::VK_BACK}) Key(s, k);
    EXPECT_EQ(text(), u"\U0001F600b");
    for (uint16_t k : {win::VK_RIGHT, win::VK_RIGHT, win::VK_BACK}) Key(s, k);
    EXPECT_EQ(text(), u"\U0001F600");
    for (uint16_t k : {win::VK_LEFT, win::VK_DELETE}) Key(s, k);
    EXPECT_EQ(text(), u"");
  }
  // A point on either half of U+1F600 is the nearer edge of the whole character, never
  // between its halves.
  b->SetText(u"a\U0001F600b");
  m->SetText(u"a\U0001F600b");
  const float l = b->GetCharX(1), r = b->GetCharX(3);
  EXPECT_EQ(b->GetPosAtX(l + (r - l) * 0.3f), 1);
  EXPECT_EQ(b->GetPosAtX(l + (r - l) * 0.6f), 3);
  const TvxPoint ml = m->GetPositionPoint({0, 1}), mr = m->GetPositionPoint({0, 3});
  EXPECT_EQ(m->PositionAtPoint({ml.X + (mr.X - ml.X) * 0.3f, ml.Y + 2}).Column, 1);
  EXPECT_EQ(m->PositionAtPoint({ml.X + (mr.X - ml.X) * 0.6f, ml.Y + 2}).Column, 3);
}

// However the text changes (set from code, a selection set from code, halves brought together,
// a paste, MaxLength), caret and selection of the box and the memo stay on whole characters: a
// place between the halves of a pair goes to the pair's start. A character outside the 16-bit
// plane typed as its two halves goes in whole or not at all.
TEST_F(TextBoxes, EveryChangeOfTheTextKeepsCaretAndSelectionOnWholeCharactersInTheBoxAndTheMemo) {
  const std::u16string face = u"\U0001F600", lead(1, face[0]), trail(1, face[1]);
  ControlScene s;
  auto* b = Place(s, u"abc");
  Key(s, win::VK_HOME);
  b->SetCaretPosition(1);
  b->SetText(face);
  EXPECT_EQ(b->CaretPosition(), 0);
  b->SetText(u"abcdefg");
  b->SetCaretPosition(4);
  for (int i = 0; i < 3; ++i) Key(s, win::VK_RIGHT, ShiftOnly);
  b->SetText(u"x" + face + face);
  EXPECT_EQ(b->SelStart(), 1);
  Key(s, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"x");
  b->SetText(lead + u"x" + trail);
  b->SetSelStart(1);
  b->SetSelLength(1);
  Key(s, win::VK_DELETE);
  Type(s, u'y');
  EXPECT_EQ(b->Text(), u"y" + face);
  b->SetText(face + u"b");
  b->SetSelStart(0);
  b->SetSelLength(1);
  EXPECT_EQ(b->SelText(), u"");
  b->SetText(trail);
  Key(s, win::VK_HOME);
  win::ClipboardSetText(u"a" + lead);
  Type(s, u'v', CtrlOnly);
  Type(s, u'z');
  EXPECT_EQ(b->Text(), u"az" + face);
  // Scrolled, the box shows from a whole character, never from a second half.
  std::u16string faces = u"a";
  for (int i = 0; i < 40; ++i) faces += face;
  b->SetText(faces);
  Key(s, win::VK_END);
  EXPECT_FALSE(SplitsPair(faces, b->FirstVisibleChar() - 1));
  b->SetCaretPosition(3);
  EXPECT_FALSE(SplitsPair(faces, b->FirstVisibleChar() - 1));
  auto* m = s.Add(new TvxMemo(nullptr), 10, 60);
  m->SetText(u"abc");
  m->SetFocus();
  m->SetCaretPosition({0, 1});
  m->SetText(face);
  EXPECT_EQ(m->CaretPosition().Column, 0);
  m->SetText(u"x" + face);
  m->Select({0, 2}, {0, 0});
  Key(s, win::VK_DELETE);
  EXPECT_EQ(m->Text(), face);
  m->SetText(lead + u"x" + trail);
  m->Select({0, 1}, {0, 2});
  Key(s, win::VK_DELETE);
  Type(s, u'y');
  EXPECT_EQ(m->Text(), u"y" + face);
  m->SetText(faces);
  for (int column : {81, 3}) {
    m->SetCaretPosition({0, column});
    EXPECT_FALSE(SplitsPair(faces, m->FirstVisibleColumn() - 1)) << column;
  }
  // Typed as its halves: room for both or nothing, in either editor.
  for (TvxVisualObject* editor : {static_cast<TvxVisualObject*>(b), static_cast<TvxVisualObject*>(m)}) {
    const auto text = [&] { return editor == b ? b->Text() : m->Text(); };
    b->SetText(u"ab");
    m->SetText(u"ab");
    b->SetMaxLength(3);
    m->SetMaxLength(3);
    editor->SetFocus();
    Key(s, win::VK_END, CtrlOnly);
    for (char16_t half : face) Type(s, half);
    EXPECT_EQ(text(), u"ab");
    b->SetMaxLength(4);
    m->SetMaxLength(4);
    Type(s, face[0]);
    Key(s, win::VK_END);  // only the very next key may bring the second half
    Type(s, face[1]);
    EXPECT_EQ(text(), u"ab");
    for (char16_t half : face) Type(s, half);
    EXPECT_EQ(text(), u"ab" + face);
  }
}

TEST_F(TextBoxes, ChangeTrackingTypingAndChangeFireAtTheirGrades) {
  ControlScene s;
  auto* other = s.Add(new TvxTextBox(nullptr), 10, 100);
  auto* b = Place(s, u"ab");
  EXPECT_EQ(tracking, 0);  // the events were hooked after the text was set
  Key(s, win::VK_END);
  Type(s, u'c');
  EXPECT_EQ(tracking, 1);
  EXPECT_EQ(typing, 1);
  Key(s, win::VK_BACK);
  EXPECT_EQ(tracking, 2);
  EXPECT_EQ(typing, 2);
  Key(s, win::VK_LEFT);  // moving the caret is no edit
  EXPECT_EQ(typing, 2);
  EXPECT_EQ(changes, 0);
  Key(s, win::VK_RETURN);
  EXPECT_EQ(changes, 1);
  // Modified stays until the box is focused anew: Enter and leaving report again.
  Key(s, win::VK_RETURN);
  EXPECT_EQ(changes, 2);
  other->SetFocus();
  EXPECT_EQ(changes, 3);
  b->SetFocus();
  EXPECT_FALSE(b->Modified());
  other->SetFocus();
  EXPECT_EQ(changes, 3);
  // Backspace on an empty text still counts as typing, but changes nothing.
  b->SetFocus();
  b->SetText(u"");
  const int before = tracking;
  Key(s, win::VK_BACK);
  EXPECT_EQ(typing, 3);
  EXPECT_EQ(tracking, before);
  // The same text from code fires nothing; a shorter one puts the caret at its end.
  b->SetText(u"longer text");
  b->SetCaretPosition(9);
  const int t = tracking;
  b->SetText(u"longer text");
  EXPECT_EQ(tracking, t);
  b->SetText(u"long");
  EXPECT_EQ(tracking, t + 1);
  EXPECT_EQ(b->CaretPosition(), 4);
  // The context menu's items act without OnTyping.
  const int typed = typing;
  b->SelectAll();
  b->TextMenu()->Find(u"Delete")->Click();
  EXPECT_EQ(b->Text(), u"");
  EXPECT_EQ(typing, typed);
}

TEST_F(TextBoxes, TheClipboardKeepsTextsOutsideTheBasicPlaneAndLoneSurrogates) {
  ControlScene s;
  const std::u16string smile = u"tank \U0001F600 full";
  auto* b = Place(s, smile);
  Type(s, u'c', CtrlOnly);
  EXPECT_EQ(win::ClipboardGetText(), smile);
  Key(s, win::VK_END);
  Type(s, u'v', CtrlOnly);
  EXPECT_EQ(b->Text(), smile + smile);
  // What other programs read is UTF-8.
  EXPECT_EQ(win::WideToClipboardUtf8(u"\u20AC\U0001F600"), "\xE2\x82\xAC\xF0\x9F\x98\x80");
  // A surrogate without its partner comes back as itself, in either order.
  const std::u16string lone{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)};
  win::ClipboardSetText(lone);
  EXPECT_EQ(win::ClipboardGetText(), lone);
  // Bytes that are no UTF-8 read as one replacement character each.
  EXPECT_EQ(win::ClipboardUtf8ToWide("a\xFF\xC3"), u"a\uFFFD\uFFFD");
  EXPECT_EQ(win::ClipboardUtf8ToWide("\xC0\xAF"), u"\uFFFD\uFFFD");  // an overlong slash
}

TEST_F(TextBoxes, TheContextMenuEnablesItsItemsForTheStateAndPopsUpAtThePoint) {
  ControlScene s;
  auto* b = Place(s, u"gas level");
  win::TPopupMenu* menu = b->TextMenu();
  ASSERT_EQ(menu->Count(), 5);
  const char16_t* captions[] = {u"Cut", u"Copy", u"Paste", u"Delete", u"Select All"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(menu->Items(i)->Caption(), captions[i]);
  auto enabled = [&](const char16_t* Caption) { return menu->Find(Caption)->Enabled(); };
  // All selected, clipboard empty.
  win::ClipboardSetText(u"");
  b->UpdateMenuItems();
  EXPECT_TRUE(enabled(u"Cut"));
  EXPECT_TRUE(enabled(u"Copy"));
  EXPECT_FALSE(enabled(u"Paste"));
  EXPECT_TRUE(enabled(u"Delete"));
  EXPECT_FALSE(enabled(u"Select All"));
  // Nothing selected, something to paste.
  win::ClipboardSetText(u"x");
  Key(s, win::VK_END);
  b->UpdateMenuItems();
  EXPECT_FALSE(enabled(u"Cut"));
  EXPECT_FALSE(enabled(u"Copy"));
  EXPECT_TRUE(enabled(u"Paste"));
  EXPECT_FALSE(enabled(u"Delete"));
  EXPECT_TRUE(enabled(u"Select All"));
  // Read-only: only copying and selecting.
  b->SetReadOnly(true);
  Key(s, win::VK_LEFT, ShiftOnly);
  b->UpdateMenuItems();
  EXPECT_FALSE(enabled(u"Cut"));
  EXPECT_TRUE(enabled(u"Copy"));
  EXPECT_FALSE(enabled(u"Paste"));
  EXPECT_FALSE(enabled(u"Delete"));
  EXPECT_TRUE(enabled(u"Select All"));
  // A right click opens it for the box at the rounded screen point.
  s.scene.MouseDown(rtl::mbRight, {}, 30.5f, 20.4f);
  EXPECT_TRUE(menu->IsOpen());
  EXPECT_EQ(menu->PopupComponent(), b);
  EXPECT_EQ(menu->Window()->Left(), 30);
  EXPECT_EQ(menu->Window()->Top(), 20);
  // Choosing an enabled item closes the menu and runs it; a disabled one does nothing.
  win::TPopupMenuWindow* w = menu->Window();
  const int row = win::TPopupMenuWindow::ItemHeight;
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + 3 * row + row / 2));  // Delete
  EXPECT_TRUE(menu->IsOpen());
  EXPECT_EQ(b->Text(), u"gas level");
  w->Perform(win::WM_LBUTTONUP, 0, win::MakePointParam(10, 1 + 4 * row + row / 2));  // Select All
  EXPECT_FALSE(menu->IsOpen());
  EXPECT_EQ(b->SelText(), u"gas level");
  // Freeing the box's menu partner: the menu forgets it.
  auto* gone = new TvxTextBox(nullptr);
  menu->SetPopupComponent(gone);
  delete gone;
  EXPECT_EQ(menu->PopupComponent(), nullptr);
}

TEST_F(TextBoxes, TheMouseFocusesSelectsPlacesTheCaretAndDrags) {
  ControlScene s;
  auto* b = s.Add(new TvxTextBox(nullptr), 10, 10);
  b->SetText(u"mmmm");
  // The press that focuses selects everything and leaves the caret at the end.
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, 12, 20);
  s.scene.MouseUp(rtl::mbLeft, {}, 12, 20);
  EXPECT_EQ(s.scene.focused, b);
  EXPECT_EQ(b->SelText(), u"mmmm");
  EXPECT_EQ(b->CaretPosition(), 4);
  // A second press puts the caret at the nearest character boundary.
  const float two = 10 + b->GetCharX(2);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft}, two + 1, 20);
  EXPECT_EQ(b->CaretPosition(), 2);
  EXPECT_EQ(b->SelLength(), 0);
  // Dragging to the right selects; beyond the content's edge it reaches the end.
  s.scene.MouseMove({rtl::ssLeft}, 10 + b->GetCharX(3) + 1, 20);
  EXPECT_EQ(b->SelText(), u"m");
  s.scene.MouseMove({rtl::ssLeft}, 200, 20);
  EXPECT_EQ(b->CaretPosition(), 4);
  EXPECT_EQ(b->SelText(), u"mm");
  s.scene.MouseUp(rtl::mbLeft, {}, 200, 20);
  // A double click selects all.
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssLeft, rtl::ssDouble}, 20, 20);
  EXPECT_EQ(b->SelText(), u"mmmm");
  // The position under a point is the nearer boundary of the character there.
  for (int i = 0; i < 4; ++i) {
    const float l = b->GetCharX(i), r = b->GetCharX(i + 1);
    EXPECT_EQ(b->GetPosAtX(l + (r - l) * 0.25f), i);
    EXPECT_EQ(b->GetPosAtX(l + (r - l) * 0.75f), i + 1);
  }
}

TEST_F(TextBoxes, ALongTextScrollsToKeepTheCaretInView) {
  ControlScene s;
  std::u16string text;
  for (int i = 0; i < 60; ++i) text += char16_t(u'a' + i % 26);
  auto* b = Place(s, text, 80);
  Key(s, win::VK_END);
  ASSERT_GT(b->FirstVisibleChar(), 1);
  const TvxRect content = b->GetContentRect();
  const float caretX = b->GetCharX(b->CaretPosition());
  EXPECT_LE(caretX, content.Right);
  EXPECT_GT(caretX, content.Left);
  // One character further left would not fit any more.
  EXPECT_GT(b->TextWidth(text.substr(static_cast<size_t>(b->FirstVisibleChar() - 2))), RectWidth(content));
  // Moving left past the first visible character shows the one before the caret first.
  const int first = b->FirstVisibleChar();
  b->SetCaretPosition(first - 3);
  EXPECT_EQ(b->FirstVisibleChar(), first - 3);
  Key(s, win::VK_HOME);
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  EXPECT_FLOAT_EQ(b->GetCharX(0), content.Left);
}

// A text given from code is a new text: it shows from its start (a long text scrolled to its
// end and replaced by a short one used to show only the short one's last characters), as far
// as the caret stays in view. The box's own edits keep the view where it was.
TEST_F(TextBoxes, ATextSetFromCodeShowsFromItsStartAndEditsKeepTheView) {
  ControlScene s(240, 120);
  std::u16string digits;
  for (int i = 0; i < 40; ++i) digits += char16_t(u'0' + (i * 7 + 3) % 10);
  auto* scrolled = Place(s, digits, 80);
  Key(s, win::VK_END);
  ASSERT_GT(scrolled->FirstVisibleChar(), 10);
  scrolled->SetText(u"8000");
  EXPECT_EQ(scrolled->FirstVisibleChar(), 1);
  EXPECT_EQ(scrolled->CaretPosition(), 4);
  EXPECT_FLOAT_EQ(scrolled->GetCharX(0), scrolled->GetContentRect().Left);
  // Its text area draws what a box that never held anything else draws (the frame, whose
  // focus look fades, left aside).
  auto* fresh = s.Add(new TvxTextBox(nullptr), 10, 60);
  fresh->SetWidth(80);
  fresh->SetText(u"8000");
  s.scene.SetFocused(nullptr);
  s.PaintAll(0xFFFFFFFFu);
  const TvxRect area = scrolled->GetContentRect();
  int inked = 0;
  for (int y = static_cast<int>(area.Top) + 2; y < static_cast<int>(area.Bottom) - 2; ++y)
    for (int x = static_cast<int>(area.Left) + 1; x < static_cast<int>(area.Right) - 1; ++x) {
      EXPECT_EQ(s.At(10 + x, 10 + y), s.At(10 + x, 60 + y)) << x << ", " << y;
      inked += (s.At(10 + x, 10 + y) & 0xFF) < 0x80;
      if (HasFailure()) return;
    }
  EXPECT_GT(inked, 20) << "the text is drawn";

  // A long text given to a box whose caret stands at its end keeps the caret in view, with
  // as many characters before it as fit.
  scrolled->SetFocus();
  Key(s, win::VK_END);
  scrolled->SetText(digits.substr(0, 30) + u"12");
  ASSERT_EQ(scrolled->CaretPosition(), 4);
  Key(s, win::VK_END);
  scrolled->SetText(digits + u"5");
  EXPECT_EQ(scrolled->CaretPosition(), 32) << "a longer text leaves the caret where it stood";
  const TvxRect content = scrolled->GetContentRect();
  const int first = scrolled->FirstVisibleChar();
  EXPECT_LE(scrolled->TextWidth(digits.substr(static_cast<size_t>(first - 1), static_cast<size_t>(32 - first + 1))),
            RectWidth(content));
  EXPECT_GT(scrolled->TextWidth(digits.substr(static_cast<size_t>(first - 2), static_cast<size_t>(32 - first + 2))),
            RectWidth(content));

  // Deleting at the end of a scrolled text keeps the characters at the left edge; so does
  // typing there.
  Key(s, win::VK_END);
  const int atEnd = scrolled->FirstVisibleChar();
  ASSERT_GT(atEnd, 1);
  Key(s, win::VK_BACK);
  EXPECT_EQ(scrolled->FirstVisibleChar(), atEnd);
  Key(s, win::VK_BACK);
  EXPECT_EQ(scrolled->FirstVisibleChar(), atEnd);
  Type(s, u'7');
  EXPECT_EQ(scrolled->FirstVisibleChar(), atEnd);
  // Cutting the selection keeps it too.
  Key(s, win::VK_LEFT, ShiftOnly);
  Key(s, win::VK_DELETE);
  EXPECT_EQ(scrolled->FirstVisibleChar(), atEnd);
}

TEST_F(TextBoxes, TheCaretObjectSitsAtTheCaretSlotInTheTextColour) {
  ControlScene s;
  auto* b = Place(s, u"", 100);
  b->SetTextAlign(vgTextAlignCenter);
  b->SetCaretPosition(0);
  TvxVisualObject* caret = b->Caret();
  ASSERT_NE(caret, nullptr);
  EXPECT_TRUE(caret->Visible());
  EXPECT_FLOAT_EQ(caret->Width(), 2);
  EXPECT_FLOAT_EQ(caret->Height(), 13.75f);
  // An empty centred box: half the width of "a" left of the middle.
  const TvxRect content = b->GetContentRect();
  const float middle = (content.Left + content.Right) / 2;
  EXPECT_NEAR(b->GetCharX(0), middle - b->TextWidth(u"a") / 2, 0.01);
  EXPECT_FLOAT_EQ(caret->Position()->X(), static_cast<float>(Round(b->GetCharX(0) - 1)));
  EXPECT_FLOAT_EQ(caret->Position()->Y(), static_cast<float>(Round((content.Top + content.Bottom - 13.75f) / 2)));
  // Leaving hides it.
  s.scene.SetFocused(nullptr);
  EXPECT_FALSE(caret->Visible());
}

TEST_F(TextBoxes, PasswordsMeasureHalfTheFontSizePerCharacterAndCopyThePlainText) {
  ControlScene s;
  auto* b = Place(s, u"secret");
  b->SetPassword(true);
  const float left = b->GetContentRect().Left;
  EXPECT_FLOAT_EQ(b->GetCharX(3), left + 3 * 5.5f);
  EXPECT_EQ(b->GetPosAtX(left + 3 * 5.5f + 1), 3);
  EXPECT_EQ(b->GetPosAtX(left + 1000), 6);
  b->SelectAll();
  b->CopyToClipboard();
  EXPECT_EQ(win::ClipboardGetText(), u"secret");
}

TEST_F(TextBoxes, PlainAndHudBoxesPaintTheirTextAndSelection) {
  // Each box in a host of its own, so that both are focused.
  ControlScene plainScene(240, 40), hudScene(240, 40);
  auto* plain = plainScene.Add(new TvxTextBox(nullptr), 10, 10);
  auto* hud = hudScene.Add(new TvxHudTextBox(nullptr), 10, 10);
  for (TvxTextBox* b : {static_cast<TvxTextBox*>(plain), static_cast<TvxTextBox*>(hud)}) {
    b->SetWidth(200);
    b->SetText(u"Gas pressure 1.2 bar");
    b->SetFocus();
  }
  plain->SetSelStart(4);
  plain->SetSelLength(8);  // "pressure"
  hud->SetSelStart(13);
  hud->SetSelLength(3);  // "1.2"
  plainScene.PaintAll(0xFF808080u);
  hudScene.PaintAll(0xFF808080u);
  // Both pictures, one above the other, for a look by eye.
  std::vector<uint32_t> sheet(240 * 80);
  std::copy_n(plainScene.canvas->BufferBits(), 240 * 40, sheet.begin());
  std::copy_n(hudScene.canvas->BufferBits(), 240 * 40, sheet.begin() + 240 * 40);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(sheet.data()),
                                                                 CAIRO_FORMAT_ARGB32, 240, 80, 240 * 4);
  EXPECT_EQ(cairo_surface_write_to_png(surface, "/tmp/gascal_text_boxes.png"), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  // Selected columns are bluish (the Hud style has no selection brush: the default one).
  auto blue = [](uint32_t P) { return (P & 0xFF) > ((P >> 16) & 0xFF) + 40; };
  auto blueColumns = [&](ControlScene& S, TvxTextBox* B, int From, int To) {
    int hits = 0;
    for (int x = static_cast<int>(10 + B->GetCharX(From)) + 1; x < static_cast<int>(10 + B->GetCharX(To)); ++x)
      hits += blue(S.At(x, 21));
    return hits;
  };
  const int plainSelected = static_cast<int>(plain->GetCharX(12) - plain->GetCharX(4)) - 1;
  EXPECT_GE(blueColumns(plainScene, plain, 4, 12), plainSelected - 1);
  EXPECT_EQ(blueColumns(plainScene, plain, 13, 20), 0);
  EXPECT_GT(blueColumns(hudScene, hud, 13, 16), 3);
  EXPECT_EQ(blueColumns(hudScene, hud, 0, 12), 0);
  // The texts are there: dark pixels in the plain box, light ones in the Hud box.
  int dark = 0, light = 0;
  for (int x = 15; x < 200; ++x)
    for (int y = 14; y < 30; ++y) {
      dark += (plainScene.At(x, y) & 0xFF) < 0x60;
      light += (hudScene.At(x, y) & 0xFF) > 0xC0;
    }
  EXPECT_GT(dark, 50);
  EXPECT_GT(light, 50);
  // Losing the focus takes the selection's look away.
  plainScene.scene.SetFocused(nullptr);
  plainScene.PaintAll(0xFF808080u);
  EXPECT_EQ(blueColumns(plainScene, plain, 4, 12), 0);
}

}  // namespace text_box_test
