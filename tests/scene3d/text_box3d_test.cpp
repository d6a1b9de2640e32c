// The 3D text box: its values when made, caret and selection by keys and mouse, word jumps,
// editing keys with their events and bounds, the clipboard, read-only and password boxes,
// the maximum length, the commit of changes, the context menu, scrolling long texts, a text
// set from code, and what it hands the canvas to draw.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cmath>
#include <memory>
#include <string>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "scene3d/Library.h"
#include "scene3d/TextBox3D.h"
#include "vg2d/core/Library.h"

namespace text_box3d_test {

using namespace dx;
using dxtest::FakeScene;
using dxtest::RecordingCanvas;

namespace {

const rtl::TShiftState NoShift{}, ShiftOnly{rtl::ssShift}, CtrlOnly{rtl::ssCtrl}, CtrlShift{rtl::ssCtrl, rtl::ssShift};
const TdxVector Down{0, 0, -1, 0};

struct TextBoxes : ::testing::Test {
  void SetUp() override {
    vg::LibraryStartup();
    host.canvas = &canvas;
  }
  void TearDown() override {
    host.SetFocused(nullptr);
    while (!host.roots.empty()) host.roots.back()->Free();
    rtl::Application->ProcessMessages();
    vg::LibraryShutdown();
  }
  // A box holding Text, focused (caret at the end), counting its events.
  TdxTextBox3D* Place(const std::u16string& Text, bool Focus = true) {
    auto* b = new TdxTextBox3D(nullptr);
    host.AddObject(b);
    b->SetText(Text);
    b->OnTyping = [this](rtl::TObject*) { ++typing; };
    b->OnChange = [this](rtl::TObject*) { ++changes; };
    if (Focus) host.SetFocused(b);
    return b;
  }
  void Key(TdxTextBox3D* B, std::uint16_t K, rtl::TShiftState Shift = NoShift) {
    char16_t ch = 0;
    B->KeyDown(K, ch, Shift);
  }
  // A character as the scene hands it on (no key code); returns what is left of it.
  char16_t Type(TdxTextBox3D* B, char16_t C, rtl::TShiftState Shift = NoShift) {
    std::uint16_t k = 0;
    B->KeyDown(k, C, Shift);
    return C;
  }
  // The mouse at X along the box (box units from its left edge), through a ray straight down
  // onto its face, or off the box at the same height.
  static TdxVector At(TdxTextBox3D* B, float X) { return {X - B->Width() / 2, 0, 5, 1}; }

  FakeScene host;
  RecordingCanvas canvas;
  int typing = 0, changes = 0;
};

}  // namespace

TEST_F(TextBoxes, ANewBoxHasItsValuesItsMenuAndItsCategory) {
  auto* b = Place(u"", false);
  EXPECT_FLOAT_EQ(b->Width(), 10);
  EXPECT_FLOAT_EQ(b->Height(), 2);
  EXPECT_EQ(b->Text(), u"");
  EXPECT_EQ(b->CaretPosition(), 0);
  EXPECT_EQ(b->SelAnchor(), 0);
  EXPECT_EQ(b->SelLengthSigned(), 0);
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  EXPECT_EQ(b->MaxLength(), 0);
  EXPECT_EQ(b->Background(), "#B0505050");
  EXPECT_EQ(b->Selection(), "#802A8ADF");
  EXPECT_TRUE(b->ShowBackground());
  EXPECT_TRUE(b->CanFocused());
  EXPECT_TRUE(b->AutoCapture());
  EXPECT_EQ(b->Cursor(), -4);
  EXPECT_FALSE(b->ReadOnly());
  EXPECT_FALSE(b->Password());
  win::TPopupMenu* menu = b->EditMenu();
  ASSERT_EQ(menu->Count(), 5);
  const char16_t* captions[] = {u"Cut", u"Copy", u"Paste", u"Delete", u"Select All"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(menu->Items(i)->Caption(), captions[i]);

  SceneLibraryStartup();
  EXPECT_THAT(DxClassesOf("Controls"), ::testing::ElementsAre(TdxTextBox3D::StaticClass()));
  b->SetText(u"fuel");
  b->SetPassword(true);
  const std::string text = SaveDxObjectToText(b);
  EXPECT_THAT(text, ::testing::HasSubstr("Password = True"));
  EXPECT_THAT(text, ::testing::Not(::testing::HasSubstr("Background"))) << "defaults are not written";
  auto back = CreateDxObjectFromText(nullptr, text);
  auto* copy = dynamic_cast<TdxTextBox3D*>(back.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Text(), u"fuel");
  EXPECT_TRUE(copy->Password());
  back.reset();
  SceneLibraryShutdown();
}

TEST_F(TextBoxes, ShiftMovesSelectAndWordJumpsStopAtWordStarts) {
  auto* b = Place(u"hello world");
  b->SetCaretPosition(5);
  Key(b, win::VK_LEFT, ShiftOnly);
  EXPECT_EQ(b->SelStart(), 4);
  EXPECT_EQ(b->SelLength(), 1);
  EXPECT_EQ(b->SelText(), u"o");
  Key(b, win::VK_RIGHT, ShiftOnly);
  EXPECT_EQ(b->SelLength(), 0);
  EXPECT_EQ(b->CaretPosition(), 5);
  Key(b, win::VK_RIGHT, ShiftOnly);
  Key(b, win::VK_RIGHT, ShiftOnly);
  EXPECT_EQ(b->SelText(), u" w");
  Key(b, win::VK_HOME);
  EXPECT_EQ(b->SelLength(), 0) << "a move without Shift drops the selection";
  EXPECT_EQ(b->CaretPosition(), 0);
  Key(b, win::VK_END, ShiftOnly);
  EXPECT_EQ(b->SelText(), u"hello world");

  b->SetText(u"one two  three");
  Key(b, win::VK_END);
  const int backwards[] = {9, 4, 0, 0};
  for (int expected : backwards) {
    Key(b, win::VK_LEFT, CtrlOnly);
    EXPECT_EQ(b->CaretPosition(), expected);
  }
  const int forwards[] = {4, 9, 14, 14};
  for (int expected : forwards) {
    Key(b, win::VK_RIGHT, CtrlOnly);
    EXPECT_EQ(b->CaretPosition(), expected);
  }
  b->SetCaretPosition(3);
  Key(b, win::VK_RIGHT, CtrlOnly);
  EXPECT_EQ(b->CaretPosition(), 4) << "from a space: over the spaces only";
  b->SetCaretPosition(8);
  Key(b, win::VK_LEFT, CtrlOnly);
  EXPECT_EQ(b->CaretPosition(), 4);
  Key(b, win::VK_HOME);
  Key(b, win::VK_RIGHT, CtrlShift);
  EXPECT_EQ(b->SelText(), u"one ");
  EXPECT_EQ(typing, 0) << "moving is no edit";
}

TEST_F(TextBoxes, EditingKeysStayInsideTheTextAndFireOnTyping) {
  auto* b = Place(u"abc");
  Key(b, win::VK_HOME);
  Key(b, win::VK_BACK);
  EXPECT_EQ(b->Text(), u"abc");
  EXPECT_EQ(typing, 1) << "Backspace at 0 still reports typing";
  EXPECT_FALSE(b->Changed());
  Key(b, win::VK_END);
  Key(b, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"abc");
  EXPECT_EQ(typing, 2);
  Key(b, win::VK_LEFT);
  Key(b, win::VK_BACK);
  EXPECT_EQ(b->Text(), u"ac");
  EXPECT_EQ(b->CaretPosition(), 1);
  Key(b, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"a");
  EXPECT_EQ(b->CaretPosition(), 1);
  EXPECT_EQ(Type(b, u'x'), u'x');
  EXPECT_EQ(b->Text(), u"ax");
  EXPECT_EQ(b->CaretPosition(), 2);
  EXPECT_EQ(typing, 5);
  // A character replaces the selection; control characters and Enter insert nothing.
  Key(b, win::VK_HOME, NoShift);
  Key(b, win::VK_END, ShiftOnly);
  Type(b, u'Q');
  EXPECT_EQ(b->Text(), u"Q");
  Type(b, 8);
  Type(b, 9);
  Key(b, win::VK_RETURN);
  EXPECT_EQ(b->Text(), u"Q");
  EXPECT_EQ(typing, 6);
  // Deleting a selection; Ctrl+Z is taken without effect.
  Key(b, win::VK_HOME, ShiftOnly);
  Key(b, win::VK_END, ShiftOnly);
  Key(b, win::VK_HOME, ShiftOnly);
  Key(b, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"");
  EXPECT_EQ(typing, 7);
  b->SetText(u"keep");
  EXPECT_EQ(Type(b, u'z', CtrlOnly), 0);
  EXPECT_EQ(Type(b, u'Z', CtrlOnly), 0);
  EXPECT_EQ(b->Text(), u"keep");
  EXPECT_EQ(typing, 7);
}

// The scene hands Ctrl+A, C, V, X and Z on as their letters with Ctrl, and Ctrl+Backspace as
// the key followed by the character DEL: chords act or do nothing, they never type.
TEST_F(TextBoxes, CtrlChordsTypeNothingAndKeysTakeAWholeCharacter) {
  auto* b = Place(u"hello");
  EXPECT_EQ(Type(b, u'a', CtrlOnly), 0);
  EXPECT_EQ(b->SelText(), u"hello") << "Ctrl+A selects all";
  Key(b, win::VK_END);
  win::ClipboardSetText(u"clip");
  for (char16_t c : std::u16string(u"acvxzACVXZ")) Type(b, c, CtrlShift);
  EXPECT_EQ(b->Text(), u"hello") << "Ctrl with Shift types nothing";
  Key(b, win::VK_BACK, CtrlOnly);
  Type(b, 127, CtrlOnly);
  Type(b, 127);
  EXPECT_EQ(b->Text(), u"hell") << "Ctrl+Backspace leaves no DEL";
  // "a", U+1F600 as its two halves, "b": Left and Right step over the face, Backspace behind it
  // and Delete before it take both halves.
  b->SetText(u"a\U0001F600b");
  for (std::uint16_t k : {win::VK_END, win::VK_LEFT, win::VK_LEFT}) Key(b, k);
  EXPECT_EQ(b->CaretPosition(), 1);
  for (std::uint16_t k : {win::VK_RIGHT, win::VK_BACK}) Key(b, k);
  EXPECT_EQ(b->Text(), u"ab");
  EXPECT_EQ(b->CaretPosition(), 1);
  b->SetText(u"a\U0001F600b");
  Key(b, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"ab");
}

TEST_F(TextBoxes, TheClipboardTakesAndGivesUnicodeText) {
  auto* b = Place(u"gas \u00E9tat");
  Key(b, win::VK_HOME);
  Key(b, win::VK_RIGHT, CtrlShift);
  EXPECT_EQ(Type(b, u'c', CtrlOnly), 0);
  EXPECT_EQ(win::ClipboardGetText(), u"gas ");
  Key(b, win::VK_END);
  Key(b, win::VK_LEFT, ShiftOnly);
  Key(b, win::VK_LEFT, ShiftOnly);
  Key(b, win::VK_INSERT, CtrlOnly);
  EXPECT_EQ(win::ClipboardGetText(), u"at");
  Key(b, win::VK_DELETE, ShiftOnly);
  EXPECT_EQ(b->Text(), u"gas \u00E9t") << "Shift+Delete cuts";
  EXPECT_EQ(win::ClipboardGetText(), u"at");
  EXPECT_EQ(typing, 1);
  Key(b, win::VK_HOME);
  Key(b, win::VK_INSERT, ShiftOnly);
  EXPECT_EQ(b->Text(), u"atgas \u00E9t");
  EXPECT_EQ(b->CaretPosition(), 2);
  EXPECT_EQ(typing, 2);
  Key(b, win::VK_HOME);
  Key(b, win::VK_RIGHT, CtrlShift);
  EXPECT_EQ(Type(b, u'x', CtrlOnly), 0);
  EXPECT_EQ(b->Text(), u"\u00E9t");
  EXPECT_EQ(win::ClipboardGetText(), u"atgas ");
  Key(b, win::VK_END);
  EXPECT_EQ(Type(b, u'V', CtrlOnly), 0);
  EXPECT_EQ(b->Text(), u"\u00E9tatgas ");
  EXPECT_EQ(typing, 3) << "Ctrl+V reports typing; Ctrl+X does not";

  // Nothing to paste: the selection stays.
  win::ClipboardSetText(u"");
  b->SelectAll();
  Type(b, u'v', CtrlOnly);
  EXPECT_EQ(b->Text(), u"\u00E9tatgas ");
  EXPECT_EQ(b->SelLength(), 8);
  // A password box copies the real text.
  b->SetPassword(true);
  b->CopyToClipboard();
  EXPECT_EQ(win::ClipboardGetText(), u"\u00E9tatgas ");
}

TEST_F(TextBoxes, AReadOnlyBoxCopiesAndMovesButNeverEdits) {
  auto* b = Place(u"read only");
  b->SetReadOnly(true);
  win::ClipboardSetText(u"paste");
  Type(b, u'x');
  Key(b, win::VK_BACK);
  Key(b, win::VK_DELETE);
  b->InsertText(u"y");
  b->PasteFromClipboard();
  EXPECT_EQ(b->Text(), u"read only");
  EXPECT_EQ(typing, 0);
  Key(b, win::VK_HOME);
  Key(b, win::VK_RIGHT, CtrlShift);
  EXPECT_EQ(b->SelText(), u"read ");
  Key(b, win::VK_DELETE, ShiftOnly);
  Type(b, u'x', CtrlOnly);
  EXPECT_EQ(b->Text(), u"read only");
  EXPECT_EQ(win::ClipboardGetText(), u"read ") << "Ctrl+X only copies";
  Type(b, u'v', CtrlOnly);
  Key(b, win::VK_INSERT, ShiftOnly);
  EXPECT_EQ(b->Text(), u"read only");
  EXPECT_EQ(typing, 2) << "Ctrl+V and Shift+Insert still report typing";
  b->SelectAll();
  EXPECT_EQ(b->SelText(), u"read only");
  EXPECT_EQ(b->CaretPosition(), 0);
  EXPECT_FALSE(b->Changed());
}

TEST_F(TextBoxes, AtTheMaximumLengthAnEditOnlyClearsTheSelection) {
  auto* b = Place(u"abcde");
  b->SetMaxLength(5);
  Type(b, u'x');
  EXPECT_EQ(b->Text(), u"abcde");
  Key(b, win::VK_LEFT, ShiftOnly);
  Key(b, win::VK_LEFT, ShiftOnly);
  Type(b, u'x');
  EXPECT_EQ(b->Text(), u"abcx") << "a shorter result is taken";
  Key(b, win::VK_LEFT, ShiftOnly);
  win::ClipboardSetText(u"123");
  Type(b, u'v', CtrlOnly);
  EXPECT_EQ(b->Text(), u"abcx");
  EXPECT_EQ(b->SelLength(), 0);
  EXPECT_EQ(b->CaretPosition(), 3);
  b->SetMaxLength(-4);
  EXPECT_EQ(b->MaxLength(), 0);
}

TEST_F(TextBoxes, OnChangeFiresOnEnterAndFocusLossAfterAChangeUntilTheBoxIsFocusedAgain) {
  auto* b = Place(u"map");
  auto* other = Place(u"other", false);
  b->SetText(u"mapped");
  EXPECT_EQ(changes, 0) << "a text from code fires nothing at once";
  EXPECT_TRUE(b->Changed());
  b->SetText(u"map");
  Key(b, win::VK_RETURN);
  EXPECT_EQ(changes, 1) << "changed back still counts";
  Key(b, win::VK_RETURN);
  EXPECT_EQ(changes, 2) << "and again on every Enter";
  host.SetFocused(other);
  EXPECT_EQ(changes, 3) << "losing the focus commits";
  host.SetFocused(b);
  EXPECT_FALSE(b->Changed());
  EXPECT_EQ(b->CaretPosition(), 3) << "the caret goes to the end on focus";
  Key(b, win::VK_RETURN);
  host.SetFocused(other);
  EXPECT_EQ(changes, 3);
  host.SetFocused(b);
  Type(b, u's');
  Key(b, win::VK_RETURN);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(b->Text(), u"maps");
}

TEST_F(TextBoxes, TheContextMenuEnablesItsItemsForTheStateAndOpensForTheBox) {
  auto* b = Place(u"lambda");
  win::TPopupMenu* menu = b->EditMenu();
  auto enabled = [&](const char16_t* Caption) { return menu->Find(Caption)->Enabled(); };
  win::ClipboardSetText(u"");
  b->ContextMenu(30, 20);
  EXPECT_TRUE(menu->IsOpen());
  EXPECT_EQ(menu->PopupComponent(), b);
  EXPECT_EQ(menu->Window()->Left(), 30);
  EXPECT_EQ(menu->Window()->Top(), 20);
  EXPECT_FALSE(enabled(u"Cut"));
  EXPECT_FALSE(enabled(u"Copy"));
  EXPECT_FALSE(enabled(u"Paste"));
  EXPECT_FALSE(enabled(u"Delete"));
  EXPECT_TRUE(enabled(u"Select All"));
  menu->Find(u"Select All")->Click();
  EXPECT_EQ(b->SelText(), u"lambda");
  menu->CloseMenu();

  win::ClipboardSetText(u"x");
  b->ContextMenu(30, 20);
  EXPECT_TRUE(enabled(u"Cut"));
  EXPECT_TRUE(enabled(u"Copy"));
  EXPECT_TRUE(enabled(u"Paste"));
  EXPECT_TRUE(enabled(u"Delete"));
  EXPECT_FALSE(enabled(u"Select All")) << "all is selected already";
  menu->CloseMenu();
  b->SetReadOnly(true);
  b->ContextMenu(30, 20);
  EXPECT_FALSE(enabled(u"Cut"));
  EXPECT_TRUE(enabled(u"Copy"));
  EXPECT_FALSE(enabled(u"Paste"));
  EXPECT_FALSE(enabled(u"Delete"));
  menu->CloseMenu();
  b->SetReadOnly(false);
  b->ContextMenu(30, 20);
  menu->Find(u"Cut")->Click();
  EXPECT_EQ(b->Text(), u"");
  EXPECT_EQ(win::ClipboardGetText(), u"lambda");
  EXPECT_EQ(typing, 0) << "the menu's items are no typing";
}

TEST_F(TextBoxes, TypedTextGoesToTheCaretInTheBoxsFont) {
  auto* b = Place(u"abc");
  b->SetProjection(dxProjectionScreen);
  b->Position()->SetPoint({200, 100, 0});
  b->Font()->SetSize(20);
  b->Font()->SetStyle(dxFontBold);
  b->Font()->SetFamily("Verdana");
  b->SetCaretPosition(1);
  TdxTextInputInfo info;
  ASSERT_TRUE(b->TextInput(info));
  EXPECT_EQ(info.Font.Height, -27) << "20 points are 27 pixels of the screen (26.67)";
  EXPECT_EQ(info.Font.Weight, 700);
  EXPECT_EQ(info.Font.FaceName, "Verdana");
  EXPECT_FLOAT_EQ(info.X, 200 - b->Width() / 2 + b->CharX(1));
  EXPECT_FLOAT_EQ(info.Y, 100 - 1) << "the top of the caret bar";
}

TEST_F(TextBoxes, TheMouseSetsTheCaretOnTheNearestBoundaryAndDragsPastTheEdgeScrollOn) {
  auto* b = Place(u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  Key(b, win::VK_HOME);
  const float x3 = b->CharX(3), x4 = b->CharX(4);
  ASSERT_GT(x4, x3);
  EXPECT_EQ(b->CharIndexAt(x3 + 0.4f * (x4 - x3)), 3);
  EXPECT_EQ(b->CharIndexAt(x3 + 0.6f * (x4 - x3)), 4);
  EXPECT_EQ(b->CharIndexAt(x4), 4);
  EXPECT_EQ(b->CharIndexAt(-2), 0);
  EXPECT_EQ(b->CharIndexAt(1e9f), 40);

  b->MouseDown(rtl::mbLeft, {}, 0, 0, At(b, x3 + 0.1f * (x4 - x3)), Down);
  EXPECT_TRUE(b->Selecting());
  EXPECT_EQ(host.captured, b);
  EXPECT_EQ(b->CaretPosition(), 3);
  b->MouseMove({}, 0, 0, 0, 0, At(b, b->CharX(6)), Down);
  EXPECT_EQ(b->SelStart(), 3);
  EXPECT_EQ(b->SelLength(), 3);
  // Past the right edge, off the box: each move goes one further and the box scrolls.
  int last = b->CaretPosition();
  for (int i = 0; i < 40; ++i) {
    b->MouseMove({}, 0, 0, 0, 0, At(b, b->Width() + 1), Down);
    EXPECT_GT(b->CaretPosition(), last);
    last = b->CaretPosition();
    if (last == 40) break;
  }
  EXPECT_EQ(last, 40);
  EXPECT_GT(b->FirstVisibleChar(), 1);
  EXPECT_LE(b->CharX(40), b->Width());
  EXPECT_EQ(b->SelStart(), 3);
  EXPECT_EQ(b->SelLength(), 37);
  b->MouseUp(rtl::mbLeft, {}, 0, 0, At(b, b->Width() + 1), Down);
  EXPECT_FALSE(b->Selecting());
  b->MouseMove({}, 0, 0, 0, 0, At(b, 1), Down);
  EXPECT_EQ(b->SelLength(), 37) << "a move after the release selects nothing";
  b->MouseDown(rtl::mbRight, {}, 0, 0, At(b, 1), Down);
  EXPECT_FALSE(b->Selecting());
  EXPECT_EQ(b->SelLength(), 37);
  b->EditMenu()->CloseMenu();

  // A press that gives an unfocused box the focus puts the caret where it lands in the text the
  // box showed, not in the text's end scrolled into view by the focus.
  b->SetText(u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  Key(b, win::VK_HOME);
  host.SetFocused(nullptr);
  b->MouseDown(rtl::mbLeft, {}, 0, 0, At(b, x3 + 0.1f * (x4 - x3)), Down);
  b->MouseUp(rtl::mbLeft, {}, 0, 0, At(b, x3 + 0.1f * (x4 - x3)), Down);
  EXPECT_TRUE(b->IsFocused());
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  EXPECT_EQ(b->CaretPosition(), 3);

  // "a", U+1F600 as its two halves, "b": a click anywhere on the face puts the caret beside it,
  // never between its halves.
  b->SetText(u"a\U0001F600b");
  Key(b, win::VK_HOME);
  const float face1 = b->CharX(1), face3 = b->CharX(3);
  for (int k : {1, 2, 3, 4, 6, 7, 8, 9}) {
    const float x = face1 + (face3 - face1) * static_cast<float>(k) / 10;
    EXPECT_EQ(b->CharIndexAt(x), k < 5 ? 1 : 3) << "at " << x;
  }
  // Dragged past the right edge, the selection takes such characters whole.
  std::u16string faces;
  for (int i = 0; i < 40; ++i) faces += u"\U0001F600";
  b->SetText(faces);
  Key(b, win::VK_HOME);
  b->MouseDown(rtl::mbLeft, {}, 0, 0, At(b, 0), Down);
  for (int i = 0; i < 10; ++i) {
    b->MouseMove({}, 0, 0, 0, 0, At(b, b->Width() + 1), Down);
    EXPECT_EQ(b->CaretPosition() % 2, 0) << b->CaretPosition();
  }
  b->MouseUp(rtl::mbLeft, {}, 0, 0, At(b, b->Width() + 1), Down);
}

TEST_F(TextBoxes, EndScrollsTheCaretIntoTheBoxAndHomeShowsTheStart) {
  auto* b = Place(u"");
  std::u16string text;
  while (b->TextWidth(text) < 2 * b->Width()) text += u"fuel trim ";
  b->SetText(text);
  Key(b, win::VK_HOME);
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  Key(b, win::VK_END);
  const int len = static_cast<int>(text.size());
  EXPECT_EQ(b->CaretPosition(), len);
  EXPECT_LE(b->CharX(len), b->Width());
  const int first = b->FirstVisibleChar();
  EXPECT_GT(first, 1);
  EXPECT_GT(b->TextWidth(text.substr(static_cast<size_t>(first - 2))), b->Width())
      << "one character more would not fit: the box shows as much as it can";
  Key(b, win::VK_HOME);
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  EXPECT_EQ(b->CharX(0), 0);

  // A long text scrolls in large steps and ends in the same place.
  std::u16string longText;
  while (longText.size() < 10000) longText += u"0123456789";
  b->SetText(longText);
  Key(b, win::VK_END);
  EXPECT_LE(b->CharX(10000), b->Width());
  const int longFirst = b->FirstVisibleChar();
  EXPECT_GT(b->TextWidth(longText.substr(static_cast<size_t>(longFirst - 2))), b->Width());
  Key(b, win::VK_LEFT);
  EXPECT_EQ(b->FirstVisibleChar(), longFirst) << "a caret inside the view does not scroll";

  // Characters outside the 16-bit plane, two units each: the view starts on a whole one,
  // scrolled either way.
  std::u16string faces;
  for (int i = 0; i < 40; ++i) faces += u"\U0001F600";
  b->SetText(faces);
  Key(b, win::VK_END);
  ASSERT_GT(b->FirstVisibleChar(), 1);
  EXPECT_EQ((b->FirstVisibleChar() - 1) % 2, 0) << b->FirstVisibleChar();
  while (b->CaretPosition() > 0) {
    Key(b, win::VK_LEFT);
    EXPECT_EQ((b->FirstVisibleChar() - 1) % 2, 0) << "caret " << b->CaretPosition();
  }
  // Nor when a shorter text brings hidden characters back into view.
  faces.resize(40);
  for (int m = 0; m < 30; ++m) {
    const std::u16string t = faces + std::u16string(static_cast<size_t>(m), u'i');
    b->SetText(t + u"i");
    Key(b, win::VK_END);
    b->SetText(t);
    EXPECT_TRUE(b->FirstVisibleChar() > 40 || (b->FirstVisibleChar() - 1) % 2 == 0) << m;
  }
}

TEST_F(TextBoxes, PasswordPositionsCountCharactersAndSurviveAFontOfNoWidth) {
  auto* b = Place(u"abc");
  b->SetPassword(true);
  const float a = b->TextWidth(u"a");
  ASSERT_GT(a, 0);
  EXPECT_FLOAT_EQ(b->TextWidth(u"abc"), 3 * a);
  EXPECT_FLOAT_EQ(b->CharX(2), 2 * a);
  EXPECT_FLOAT_EQ(b->CharX(7), 3 * a) << "beyond the text counts as its end";
  EXPECT_EQ(b->CharIndexAt(1.5f * a), 1);
  EXPECT_EQ(b->CharIndexAt(100), 3);
  // A character outside the 16-bit plane is one square, and no point lands between its halves.
  b->SetText(u"a\U0001F600b");
  EXPECT_FLOAT_EQ(b->TextWidth(u"a\U0001F600b"), 3 * a);
  EXPECT_FLOAT_EQ(b->CharX(3), 2 * a);
  EXPECT_EQ(b->CharIndexAt(1.5f * a), 1);
  EXPECT_EQ(b->CharIndexAt(2.5f * a), 3);
  b->Font()->SetSize(0);
  EXPECT_FLOAT_EQ(b->TextWidth(u"a"), 0);
  EXPECT_EQ(b->CharIndexAt(1), 0);
  EXPECT_EQ(b->CharIndexAt(-1), 0);
}

TEST_F(TextBoxes, ATextSetFromCodeIsBroughtIntoTheBoxAndRepaints) {
  auto* b = Place(u"0123456789abcdefghij");
  b->SetCaretPosition(15);
  Key(b, win::VK_LEFT, ShiftOnly);
  Key(b, win::VK_LEFT, ShiftOnly);
  const int repaints = host.repaints;
  b->SetText(u"xyz");
  EXPECT_GT(host.repaints, repaints);
  EXPECT_LE(b->CaretPosition(), 3);
  EXPECT_LE(b->SelStart() + b->SelLength(), 3);
  EXPECT_EQ(b->FirstVisibleChar(), 1);
  Key(b, win::VK_DELETE);
  Key(b, win::VK_BACK);
  Key(b, win::VK_RIGHT, CtrlOnly);
  Key(b, win::VK_LEFT, CtrlOnly);
  EXPECT_LE(static_cast<int>(b->Text().size()), 3);
  b->SetText(u"");
  for (std::uint16_t k : {win::VK_BACK, win::VK_DELETE, win::VK_LEFT, win::VK_RIGHT, win::VK_HOME, win::VK_END}) {
    Key(b, k, CtrlShift);
    Key(b, k);
  }
  EXPECT_EQ(b->CaretPosition(), 0);
  EXPECT_EQ(b->SelLength(), 0);
}

// However the text changes, caret, anchor and selection stay on whole characters: one between
// the halves of a pair goes to the pair's start. A character outside the 16-bit plane typed as
// its two halves goes in whole or not at all.
TEST_F(TextBoxes, EveryChangeOfTheTextKeepsCaretAndSelectionOnWholeCharacters) {
  const std::u16string face = u"\U0001F600", lead(1, face[0]), trail(1, face[1]);
  auto* b = Place(u"abc");
  b->SetCaretPosition(1);
  b->SetText(face);
  EXPECT_EQ(b->CaretPosition(), 0);
  Type(b, u'x');
  EXPECT_EQ(b->Text(), u"x" + face);
  b->SetText(u"abcdefg");
  b->SetCaretPosition(4);
  for (int i = 0; i < 3; ++i) Key(b, win::VK_RIGHT, ShiftOnly);
  b->SetText(u"x" + face + face);
  EXPECT_EQ(b->SelStart(), 1);
  Key(b, win::VK_DELETE);
  EXPECT_EQ(b->Text(), u"x");
  // Halves that meet when what stood between them goes, or when a paste ends with a first half.
  b->SetText(lead + u"x" + trail);
  b->SetCaretPosition(1);
  Key(b, win::VK_RIGHT, ShiftOnly);
  Key(b, win::VK_DELETE);
  Type(b, u'y');
  EXPECT_EQ(b->Text(), u"y" + face);
  b->SetText(trail);
  Key(b, win::VK_HOME);
  win::ClipboardSetText(u"a" + lead);
  Type(b, u'v', CtrlOnly);
  Type(b, u'z');
  EXPECT_EQ(b->Text(), u"az" + face);
  // Typed as its halves: room for both or nothing.
  b->SetText(u"ab");
  b->SetMaxLength(3);
  Key(b, win::VK_END);
  for (char16_t half : face) Type(b, half);
  EXPECT_EQ(b->Text(), u"ab");
  b->SetMaxLength(4);
  for (char16_t half : face) Type(b, half);
  EXPECT_EQ(b->Text(), u"ab" + face);
  EXPECT_EQ(b->CaretPosition(), 4);
}

// The first half of a pair waits only for the second: a key, a click or a change of focus that
// comes between them drops it, and the second half that follows alone types nothing.
TEST_F(TextBoxes, AHalfOfAPairIsForgottenWhenAnythingComesBetweenItAndItsOtherHalf) {
  const std::u16string face = u"\U0001F600";
  auto* b = Place(u"ab");
  for (int between = 0; between < 4; ++between) {
    SCOPED_TRACE(between);
    b->SetText(u"ab");
    Type(b, face[0]);
    if (between < 2) Key(b, between == 0 ? win::VK_LEFT : win::VK_END);
    if (between == 2) b->MouseDown(rtl::mbLeft, NoShift, 0, 0, At(b, 0.1f), Down);
    if (between == 2) b->MouseUp(rtl::mbLeft, NoShift, 0, 0, At(b, 0.1f), Down);
    if (between == 3) host.SetFocused(nullptr);
    if (between == 3) host.SetFocused(b);
    Type(b, face[1]);
    EXPECT_EQ(b->Text(), u"ab");
  }
}

TEST_F(TextBoxes, DrawingGivesTheGlyphsThePlateAndTheCaretOrBandTheirPlaces) {
  auto* b = Place(u"ab", false);
  auto draw = [&] {
    canvas.Log.clear();
    canvas.Polygons.clear();
    canvas.PolygonRects.clear();
    b->BeforePaint();
    b->Render();
  };
  draw();
  // The glyphs: front, back and walls over the box's layout rectangle.
  ASSERT_EQ(canvas.Only("polygon").size(), 3u);
  EXPECT_EQ(canvas.Only("polygon")[0], "polygon (5,1,0) (10,2,1) F-- 1");
  EXPECT_EQ(canvas.PolygonRects[0].Right, 100);
  EXPECT_EQ(canvas.PolygonRects[0].Bottom, 20);
  EXPECT_THAT(canvas.Log, ::testing::Contains("diffuse #B0505050"));
  EXPECT_EQ(canvas.Only("cube"), (std::vector<std::string>{"cube (5,1,0) (10,2,0.01) 1"}));
  EXPECT_THAT(canvas.Log, ::testing::Not(::testing::Contains("diffuse #802A8ADF"))) << "no caret without focus";

  host.SetFocused(b);
  draw();
  const float x = b->CharX(2);
  EXPECT_THAT(canvas.Log, ::testing::Contains("diffuse #802A8ADF"));
  const std::string caret = "polygon (" + RecordingCanvas::Num(x + 0.06f) + ",1,0) (0.12,1.2,1.002) FBS 1";
  EXPECT_EQ(canvas.Only("polygon").back(), caret);

  Key(b, win::VK_LEFT, ShiftOnly);
  draw();
  const float x1 = b->CharX(1), x2 = b->CharX(2), half = 12.0f / 10 / 1.8f;
  const std::string band = "polygon (" + RecordingCanvas::Num((x1 + x2) / 2) + ",1,0) (" +
                           RecordingCanvas::Num(x2 - x1) + "," + RecordingCanvas::Num(2 * half) + ",1.002) FBS 1";
  EXPECT_EQ(canvas.Only("polygon").back(), band);

  // Password squares on the middle line, one a character; no plate when it is not shown.
  b->SetShowBackground(false);
  b->SetPassword(true);
  b->SetText(u"abc");
  draw();
  const float a = b->TextWidth(u"a");
  const std::vector<std::string> squares = canvas.Only("polygon");
  ASSERT_EQ(squares.size(), 4u) << "three squares and the caret";
  for (int k = 0; k < 3; ++k)
    EXPECT_EQ(squares[static_cast<size_t>(k)],
              "polygon (" + RecordingCanvas::Num(static_cast<float>(k) * a + 0.24f) + ",1,0) (0.48,0.48,1) FBS 1");
  EXPECT_TRUE(canvas.Only("cube").empty());

  // A long text draws only the characters that fit.
  b->SetPassword(false);
  std::u16string longText(200, u'M');
  b->SetText(longText);
  Key(b, win::VK_HOME);
  draw();
  float right = 0;
  for (const vg::TvxPoint& p : canvas.Polygons[0])
    if (p.X < 65535) right = std::max(right, p.X);
  EXPECT_LE(right, 100) << "within the layout rectangle";
  EXPECT_GT(right, 80);
}

}  // namespace text_box3d_test
