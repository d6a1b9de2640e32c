// The memo driven by keys, mouse and code: its display lines (paragraphs, wrapping, the
// lines list), caret movement across lines, line ends that stay whole, MaxLength and
// CharCase, the undo stack's joining and grouping, the wheel, the context menu, and a
// picture of a plain and a Hud memo with wrapped text and a selection.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ControlScene.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Menus.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/Tracks.h"

namespace memo_test {

using namespace vg;
using vgtest::ControlScene;

namespace {

const rtl::TShiftState ShiftOnly{rtl::ssShift}, CtrlOnly{rtl::ssCtrl};

class Memos : public vgtest::ControlsTest {
protected:
  template <class T = TvxMemo>
  T* Place(ControlScene& S, const std::u16string& Text, float Width = 200, float Height = 100) {
    auto* m = S.Add(new T(nullptr), 10, 10);
    m->SetWidth(Width);
    m->SetHeight(Height);
    m->SetText(Text);
    m->SetFocus();
    return m;
  }
  void Key(ControlScene& S, uint16_t K, rtl::TShiftState Shift = {}) {
    char16_t ch = 0;
    S.scene.KeyDown(K, ch, Shift);
  }
  void Type(ControlScene& S, const std::u16string& Text) {
    for (char16_t c : Text) {
      uint16_t k = 0;
      S.scene.KeyDown(k, c, {});
    }
  }
  static std::vector<std::u16string> LinesOf(TvxMemo* M) {
    std::vector<std::u16string> r;
    for (int i = 0; i < M->Lines()->GetCount(); ++i) r.push_back(M->Lines()->Get(i));
    return r;
  }
  static std::vector<std::u16string> L(std::initializer_list<const char16_t*> Items) {
    return {Items.begin(), Items.end()};
  }
};

}  // namespace

TEST_F(Memos, LinesCountParagraphsAndTheEmptyLineAfterALineEnd) {
  ControlScene s;
  auto* m = Place(s, u"");
  EXPECT_EQ(m->LineHeight(), 14);
  EXPECT_EQ(m->Lines()->GetCount(), 0);
  Type(s, u"a");
  EXPECT_EQ(LinesOf(m), L({u"a"}));
  Key(s, win::VK_RETURN);
  EXPECT_EQ(m->Text(), u"a\r\n");
  EXPECT_EQ(LinesOf(m), L({u"a", u""}));
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 0}));
  // CR, LF and CR LF each end a line; the lines list does not show them.
  m->SetText(u"one\rtwo\nthree\r\nfour");
  EXPECT_EQ(LinesOf(m), L({u"one", u"two", u"three", u"four"}));
  EXPECT_EQ(m->TextIndexOf({3, 2}), 17);
  EXPECT_EQ(m->PosOfIndex(17), (TvxMemoPos{3, 2}));
  // An index inside a line end is the end of its line.
  EXPECT_EQ(m->PosOfIndex(14), (TvxMemoPos{2, 5}));
  // Columns beyond a line are cut to it; lines beyond the last to the last.
  EXPECT_EQ(m->TextIndexOf({1, 99}), 7);
  EXPECT_EQ(m->TextIndexOf({99, 0}), 15);
  // The lines list edits the text.
  const size_t undoRecords = m->UndoStack().Size();
  m->Lines()->Clear();
  EXPECT_EQ(m->Text(), u"");
  m->Lines()->Add(u"first");
  m->Lines()->Add(u"third");
  m->Lines()->Insert(1, u"second");
  EXPECT_EQ(m->Text(), u"first\r\nsecond\r\nthird");
  m->Lines()->Delete(2);
  EXPECT_EQ(m->Text(), u"first\r\nsecond");
  m->Lines()->Delete(0);
  EXPECT_EQ(LinesOf(m), L({u"second"}));
  EXPECT_THROW(m->Lines()->Get(1), rtl::EStringListError);
  // None of it was recorded for undo.
  EXPECT_EQ(m->UndoStack().Size(), undoRecords);
  // A change handler already sees the lines of the new text, after edits as well.
  int checks = 0;
  m->OnChangeTracking = [&](rtl::TObject*) {
    std::u16string plain;
    for (int i = 0; i < m->Lines()->GetCount(); ++i) plain += (i ? u"\r\n" : u"") + m->Lines()->Get(i);
    EXPECT_EQ(plain, m->Text());
    ++checks;
  };
  m->SetText(u"a long first line\r\nb\r\nc");
  m->SetText(u"x");
  m->SetText(u"one\r\ntwo");
  m->SetCaretPosition({1, 3});
  Key(s, win::VK_BACK);
  Key(s, win::VK_BACK);
  Key(s, win::VK_BACK);
  Key(s, win::VK_BACK);
  EXPECT_EQ(m->Text(), u"one");
  EXPECT_EQ(checks, 7);
  m->OnChangeTracking = nullptr;
}

TEST_F(Memos, WordWrapBreaksAfterSpacesCommasAndHyphensAndFollowsEdits) {
  ControlScene s(400, 300);
  const std::u16string text =
      u"Injector time,pressure and temperature-correction values are read every second from the unit\r\n"
      u"short\r\nanother long paragraph that needs to wrap as well at the edge";
  // Low enough that the vertical bar shows, after each edit as well.
  auto* m = Place(s, text, 150, 60);
  EXPECT_EQ(m->LineCount(), 3);
  m->SetWordWrap(true);
  const auto lines = LinesOf(m);
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(m->Lines()->GetCount(), static_cast<int>(lines.size()));
  // Pieces of a paragraph end after a break character and give back the paragraph.
  std::u16string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    joined += line;
    const bool paragraphEnd =
        m->Text().compare(static_cast<size_t>(m->TextIndexOf({static_cast<int>(i), 99})), 2, u"\r\n") == 0 ||
        i + 1 == lines.size();
    if (paragraphEnd) {
      joined += u"|";
      continue;
    }
    ASSERT_FALSE(line.empty());
    EXPECT_NE(std::u16string(u" ,-").find(line.back()), std::u16string::npos) << i;
    EXPECT_LE(m->TextWidth(line), m->ViewportWidth()) << i;
  }
  EXPECT_EQ(joined,
            u"Injector time,pressure and temperature-correction values are read every second from the unit|"
            u"short|another long paragraph that needs to wrap as well at the edge|");

  // Edits lay out only what they touch; the result is what a fresh layout gives.
  std::mt19937 random(7);
  for (int round = 0; round < 80; ++round) {
    const int len = static_cast<int>(m->Text().size());
    const TvxMemoPos at = m->PosOfIndex(static_cast<int>(random() % static_cast<unsigned>(len + 1)));
    switch (random() % 5) {
      case 0: m->InsertAt(at, u"wide words, ", 0); break;
      case 1: m->InsertAt(at, u"\r\n", 0); break;
      case 2: m->InsertAt(at, u"\n", 0); break;
      case 3: m->InsertAt(at, u"\r", 0); break;
      default: m->DeleteAt(at, static_cast<int>(random() % 9), 0); break;
    }
    auto* fresh = s.Add(new TvxMemo(nullptr), 10, 10);
    fresh->SetBounds(10, 10, 150, 60);
    fresh->SetWordWrap(true);
    fresh->SetText(m->Text());
    ASSERT_EQ(fresh->ViewportWidth(), m->ViewportWidth());
    ASSERT_EQ(LinesOf(m), LinesOf(fresh)) << "round " << round;
    EXPECT_EQ(m->WidestLine(), fresh->WidestLine());
    delete fresh;
  }
}

// A paragraph longer than a display line may hold is cut into lines of at most
// MaxLineLength units (a surrogate pair stays whole), wrapped or not; an edit in such a
// paragraph lays out again only the lines it touched, and every line stays within bounds.
TEST_F(Memos, LongParagraphsAreCutIntoBoundedLinesAndEditedLocally) {
  ControlScene s(400, 300);
  const int most = TvxMemo::MaxLineLength;
  std::u16string text(static_cast<size_t>(most - 1), u'a');
  text += u"\U0001F600";  // its pair would straddle the first cut
  text += std::u16string(static_cast<size_t>(20 * most), u'b');
  text += u"\r\nshort";
  auto* m = Place(s, text, 300, 100);
  // The lines, joined, give the text without its line ends; none is longer than the most.
  const auto checkLines = [&](const char* When) {
    std::u16string joined, expected;
    for (int i = 0; i < m->LineCount(); ++i) {
      const std::u16string line = m->LineText(i);
      EXPECT_LE(static_cast<int>(line.size()), most) << When << " line " << i;
      joined += line;
    }
    for (char16_t c : m->Text())
      if (c != u'\r' && c != u'\n') expected += c;
    EXPECT_EQ(joined, expected) << When;
  };
  EXPECT_EQ(m->LineText(0), std::u16string(static_cast<size_t>(most - 1), u'a'));
  EXPECT_EQ(m->LineText(1).substr(0, 2), u"\U0001F600");
  EXPECT_EQ(m->LineCount(), 23);
  EXPECT_EQ(m->LineText(22), u"short");
  checkLines("after loading");

  // Typing in the middle of the long paragraph leaves the lines far from the edit alone.
  const TvxMemoPos at{10, 500};
  const int before = m->TextIndexOf({3, 0});
  const int after = m->TextIndexOf({18, 0});
  m->InsertAt(at, u"typed here", 0);
  EXPECT_EQ(m->TextIndexOf({3, 0}), before);
  bool stillALineStart = false;  // where a line started, moved by the edit
  for (int i = 0; i < m->LineCount(); ++i) stillALineStart |= m->TextIndexOf({i, 0}) == after + 10;
  EXPECT_TRUE(stillALineStart);
  EXPECT_EQ(m->LineText(10).size() + m->LineText(11).size(), static_cast<size_t>(most + 10));
  checkLines("after typing");
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const int len = static_cast<int>(m->Text().size());
    const TvxMemoPos p = m->PosOfIndex(static_cast<int>(random() % static_cast<unsigned>(len + 1)));
    if (round % 3 == 2) m->DeleteAt(p, static_cast<int>(random() % 3000), 0);
    else m->InsertAt(p, std::u16string(static_cast<size_t>(random() % 1500), u'c'), 0);
  }
  checkLines("after edits");
  m->SetWordWrap(true);
  checkLines("wrapped");
}

TEST_F(Memos, LineEndsAreDeletedWhole) {
  ControlScene s;
  auto* m = Place(s, u"ab\r\ncd\r\nef");
  m->SetCaretPosition({0, 2});
  Key(s, win::VK_DELETE);
  EXPECT_EQ(m->Text(), u"abcd\r\nef");
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{0, 2}));
  m->SetCaretPosition({1, 0});
  Key(s, win::VK_BACK);
  EXPECT_EQ(m->Text(), u"abcdef");
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{0, 4}));
  // A deletion that would start at the LF or end before it takes the pair.
  m->SetText(u"x\r\ny");
  m->DeleteAt({0, 1}, 1, 0);
  EXPECT_EQ(m->Text(), u"xy");
  m->SetText(u"x\r\ny");
  m->DeleteAt(m->PosOfIndex(0), 2, 0);
  EXPECT_EQ(m->Text(), u"y");
  // An edit that brings a lone CR and an LF together makes one line end of them.
  m->SetText(u"ab\rcd");
  m->InsertAt({1, 0}, u"\n", 0);
  EXPECT_EQ(LinesOf(m), L({u"ab", u"cd"}));
  m->SetText(u"ab\rX\ncd");
  m->DeleteAt({1, 0}, 1, 0);
  EXPECT_EQ(LinesOf(m), L({u"ab", u"cd"}));
  // Right and Left step over a line end as one step.
  m->SetText(u"ab\r\ncd");
  m->SetCaretPosition({0, 2});
  Key(s, win::VK_RIGHT);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 0}));
  Key(s, win::VK_LEFT);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{0, 2}));
  // Ctrl+Right at a line end goes to the next line; Ctrl+End to the end of the text.
  Key(s, win::VK_RIGHT, CtrlOnly);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 0}));
  Key(s, win::VK_HOME, CtrlOnly);
  Key(s, win::VK_END, CtrlOnly);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 2}));
}

TEST_F(Memos, UpDownAndPagesKeepTheCaretsX) {
  ControlScene s(400, 300);
  std::u16string text;
  for (int i = 0; i < 30; ++i) text += (i == 1 ? u"ab" : u"MMMMMMMMMMMMMMMM") + std::u16string(u"\r\n");
  auto* m = Place(s, text, 250, 14 * 7 + 6);
  m->SetCaretPosition({0, 6});
  Key(s, win::VK_DOWN);
  // A short line: its end, whose x the next line keeps.
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 2}));
  Key(s, win::VK_DOWN);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{2, 1}));
  Key(s, win::VK_UP);
  Key(s, win::VK_UP);
  Key(s, win::VK_UP);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{0, 1}));
  m->SetCaretPosition({2, 6});
  Key(s, win::VK_DOWN);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{3, 6}));
  Key(s, win::VK_UP);
  Key(s, win::VK_UP);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 2}));
  m->SetCaretPosition({2, 6});
  const float x = m->GetPositionPoint(m->CaretPosition()).X;
  // A page is the number of lines the view shows.
  const int page = static_cast<int>(Round(m->ViewportHeight() / 14));
  Key(s, win::VK_NEXT);
  EXPECT_EQ(m->CaretPosition().Line, 2 + page);
  EXPECT_NEAR(m->GetPositionPoint(m->CaretPosition()).X, x, 0.5f);
  // The caret line is scrolled into view.
  Key(s, win::VK_NEXT);
  Key(s, win::VK_NEXT);
  const int line = m->CaretPosition().Line;
  ASSERT_NE(m->VScrollBar(), nullptr);
  EXPECT_GT(m->VScrollPos(), 0);
  EXPECT_LE(m->VScrollPos(), static_cast<float>(line * 14));
  EXPECT_GE(m->VScrollPos() + m->ViewportHeight(), static_cast<float>((line + 1) * 14));
  EXPECT_NEAR(m->GetPositionPoint(m->CaretPosition()).X, x, 0.5f);
  // The caret object sits on the caret in the text's own coordinates.
  ASSERT_NE(m->Caret(), nullptr);
  EXPECT_FLOAT_EQ(m->Caret()->Height(), 14);
  EXPECT_FLOAT_EQ(m->Caret()->Position()->Y(), static_cast<float>(line * 14));
  // Shift+Page Up selects from the old caret.
  const TvxMemoPos before = m->CaretPosition();
  Key(s, win::VK_PRIOR, ShiftOnly);
  EXPECT_EQ(m->SelStart(), before);
  EXPECT_EQ(m->SelEnd(), m->CaretPosition());
  EXPECT_EQ(m->CaretPosition().Line, line - page);
  EXPECT_TRUE(m->HasSelection());
  Key(s, win::VK_LEFT);
  EXPECT_FALSE(m->HasSelection());
  // A click goes to the nearest boundary of the line under the point.
  const TvxPoint p = m->GetPositionPoint({m->CaretPosition().Line + 2, 3});
  s.scene.MouseDown(rtl::mbLeft, {}, 10 + p.X + 1, 10 + p.Y + 5);
  s.scene.MouseUp(rtl::mbLeft, {}, 10 + p.X + 1, 10 + p.Y + 5);
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{line - page + 2, 3}));
  EXPECT_FALSE(m->HasSelection());
}

TEST_F(Memos, MaxLengthCutsInsertsAndCharCaseMapsLaterTexts) {
  ControlScene s;
  auto* m = Place(s, u"12345678");
  m->SetMaxLength(10);
  win::ClipboardSetText(u"abcdef");
  m->SetCaretPosition({0, 8});
  m->PasteFromClipboard();
  EXPECT_EQ(m->Text(), u"12345678ab");
  Type(s, u"z");
  EXPECT_EQ(m->Text(), u"12345678ab");
  // A longer text set from code leaves no room at all, and no harm.
  m->SetText(u"123456789012");
  Type(s, u"z");
  EXPECT_EQ(m->Text(), u"123456789012");
  m->SetMaxLength(0);

  m->SetText(u"Mixed Ärger");
  m->SetCharCase(vgecLowerCase);
  EXPECT_EQ(m->Text(), u"Mixed Ärger");
  m->SetText(u"NEW ÄRGER Ω");
  EXPECT_EQ(m->Text(), u"new ärger ω");
  m->SetCharCase(vgecUpperCase);
  m->SetText(u"straße è");
  EXPECT_EQ(m->Text(), u"STRAßE È");
}

TEST_F(Memos, UndoTakesBackJoinedAndGroupedEdits) {
  ControlScene s;
  auto* m = Place(s, u"");
  Type(s, u"abc");
  EXPECT_EQ(m->UndoStack().Size(), 1u);
  m->Undo();
  EXPECT_EQ(m->Text(), u"");

  // Three Backspaces, one Undo: the text is back and selected.
  m->SetText(u"xabc");
  m->SetCaretPosition({0, 4});
  Key(s, win::VK_BACK);
  Key(s, win::VK_BACK);
  Key(s, win::VK_BACK);
  EXPECT_EQ(m->Text(), u"x");
  m->Undo();
  EXPECT_EQ(m->Text(), u"xabc");
  EXPECT_EQ(m->SelText(), u"abc");

  // Delete twice at one place joins too.
  m->SetCaretPosition({0, 1});
  Key(s, win::VK_DELETE);
  Key(s, win::VK_DELETE);
  EXPECT_EQ(m->Text(), u"xc");
  m->Undo();
  EXPECT_EQ(m->Text(), u"xabc");

  // Typing over a selected word: one Undo gives the word back and takes the typing.
  m->SetText(u"gas valve open");
  m->Select({0, 4}, {0, 9});
  Type(s, u"xy");
  EXPECT_EQ(m->Text(), u"gas xy open");
  m->Undo();
  EXPECT_EQ(m->Text(), u"gas valve open");
  EXPECT_EQ(m->SelText(), u"valve");

  // A deleted line end comes back unselected; other text comes back selected.
  m->SetText(u"ab\r\ncd");
  m->SetCaretPosition({1, 0});
  Key(s, win::VK_BACK);
  EXPECT_EQ(m->Text(), u"abcd");
  m->Undo();
  EXPECT_EQ(m->Text(), u"ab\r\ncd");
  EXPECT_FALSE(m->HasSelection());

  // Deletions apart from each other stay apart.
  m->SetText(u"abcde");
  m->SetCaretPosition({0, 3});
  Key(s, win::VK_DELETE);
  Key(s, win::VK_LEFT);
  Key(s, win::VK_LEFT);
  Key(s, win::VK_DELETE);
  EXPECT_EQ(m->Text(), u"ace");
  m->Undo();
  EXPECT_EQ(m->Text(), u"abce");
  m->Undo();
  EXPECT_EQ(m->Text(), u"abcde");

  // Enter over a selection is undone in one step as well; a read-only memo neither edits
  // nor undoes.
  m->SetText(u"one two");
  m->Select({0, 3}, {0, 4});
  Key(s, win::VK_RETURN);
  EXPECT_EQ(LinesOf(m), L({u"one", u"two"}));
  m->SetReadOnly(true);
  Type(s, u"q");
  m->Undo();
  EXPECT_EQ(m->Text(), u"one\r\ntwo");
  m->SetReadOnly(false);
  m->Undo();
  EXPECT_EQ(m->Text(), u"one two");
  while (!m->UndoStack().Empty()) m->Undo();
  EXPECT_EQ(m->Text(), u"one two");
}

TEST_F(Memos, UndoNeverReachesEditsMadeBeforeATextFromCode) {
  // The records name places in the old text: undone in the new one they would cut it up.
  ControlScene s;
  auto* m = Place(s, u"");
  Type(s, u"abc");
  m->SetText(u"Hello world");
  EXPECT_TRUE(m->UndoStack().Empty());
  m->Undo();
  EXPECT_EQ(m->Text(), u"Hello world");
  // Through the lines list as well, and the edits after it are undone as usual.
  m->SetCaretPosition({0, 5});
  Key(s, win::VK_DELETE);
  m->Lines()->Insert(0, u"first");
  m->Undo();
  EXPECT_EQ(m->Text(), u"first\r\nHelloworld");
  Type(s, u"!");
  m->Lines()->Delete(0);
  m->Undo();
  EXPECT_EQ(m->Text(), u"Hello!world");
  Type(s, u"?");
  m->Lines()->Clear();
  m->Undo();
  EXPECT_EQ(m->Text(), u"");
  Type(s, u"xy");
  m->Undo();
  EXPECT_EQ(m->Text(), u"");
}

TEST_F(Memos, ClipboardMenuWheelAndFocus) {
  ControlScene s;
  auto* m = Place(s, u"first line\r\nsecond line");
  // Focus without an on-screen keyboard selects everything.
  EXPECT_EQ(m->SelText(), u"first line\r\nsecond line");
  EXPECT_FALSE(m->Modified());
  m->Select({0, 6}, {1, 6});
  char16_t c = u'c';
  uint16_t none = 0;
  s.scene.KeyDown(none, c, CtrlOnly);
  EXPECT_EQ(c, 0);
  EXPECT_EQ(win::ClipboardGetText(), u"line\r\nsecond");
  m->UpdateMenuItems();
  win::TPopupMenu* menu = m->TextMenu();
  EXPECT_FALSE(menu->Find(u"Undo")->Enabled());
  EXPECT_TRUE(menu->Find(u"Cut")->Enabled());
  m->CutToClipboard();
  EXPECT_EQ(m->Text(), u"first  line");
  m->UpdateMenuItems();
  EXPECT_TRUE(menu->Find(u"Undo")->Enabled());
  EXPECT_FALSE(menu->Find(u"Copy")->Enabled());
  menu->Find(u"Undo")->Click();
  EXPECT_EQ(m->Text(), u"first line\r\nsecond line");
  m->SetReadOnly(true);
  m->UpdateMenuItems();
  EXPECT_FALSE(menu->Find(u"Undo")->Enabled());
  EXPECT_FALSE(menu->Find(u"Paste")->Enabled());
  m->SetReadOnly(false);
  // OnChange on leaving, once modified.
  int changes = 0;
  m->OnChange = [&](rtl::TObject*) { ++changes; };
  s.scene.SetFocused(nullptr);
  EXPECT_EQ(changes, 1);

  // The wheel: the scroll box's three steps, then a further delta / 30.
  std::u16string many;
  for (int i = 0; i < 40; ++i) many += u"line\r\n";
  m->SetText(many);
  TvxScrollBar* bar = m->VScrollBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->Visible());
  bar->SetValue(200);
  s.scene.MouseMove({}, 50, 50);
  EXPECT_TRUE(s.scene.MouseWheel({}, 120));
  ASSERT_NE(m->VInertia(), nullptr);
  EXPECT_FLOAT_EQ(m->VInertia()->StopValue(), 200 - bar->SmallChange() * 3 - 4);
  clock.Advance(1000);
  EXPECT_FLOAT_EQ(bar->Value(), 200 - bar->SmallChange() * 3 - 4);
  m->SetAnimated(false);
  s.scene.MouseWheel({}, -240);
  EXPECT_FLOAT_EQ(bar->Value(), 200 + bar->SmallChange() * 3 + 4);
}

TEST_F(Memos, PlainAndHudMemosPaintWrappedTextAndTheSelection) {
  ControlScene plainScene(220, 110), hudScene(220, 110), barsScene(220, 110);
  const std::u16string text = u"Reducer temperature is low, switching to gas is delayed until the engine warms up.";
  auto* plain = Place(plainScene, text, 200, 90);
  auto* hud = Place<TvxHudMemo>(hudScene, text, 200, 90);
  for (TvxMemo* m : {static_cast<TvxMemo*>(plain), static_cast<TvxMemo*>(hud)}) {
    m->SetWordWrap(true);
    ASSERT_GE(m->LineCount(), 3);
    m->Select({0, 8}, {1, 5});
  }
  // Long lines without wrapping, scrolled down by the caret: both bars.
  std::u16string log;
  for (int i = 1; i <= 12; ++i)
    log +=
        u"Line " + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u" of the port log, longer than the view\r\n";
  auto* bars = Place<TvxHudMemo>(barsScene, log, 200, 90);
  bars->SetCaretPosition({10, 3});
  plainScene.PaintAll(0xFF808080u);
  hudScene.PaintAll(0xFF808080u);
  barsScene.PaintAll(0xFF808080u);
  std::vector<uint32_t> sheet(220 * 330);
  std::copy_n(plainScene.canvas->BufferBits(), 220 * 110, sheet.begin());
  std::copy_n(hudScene.canvas->BufferBits(), 220 * 110, sheet.begin() + 220 * 110);
  std::copy_n(barsScene.canvas->BufferBits(), 220 * 110, sheet.begin() + 220 * 220);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(sheet.data()),
                                                                 CAIRO_FORMAT_ARGB32, 220, 330, 220 * 4);
  EXPECT_EQ(cairo_surface_write_to_png(surface, "/tmp/gascal_memos.png"), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);

  auto blue = [](uint32_t P) { return (P & 0xFF) > ((P >> 16) & 0xFF) + 40; };
  // Selected stretches on the first two lines, none on the third; text on every line.
  auto blueBetween = [&](ControlScene& S, TvxMemo* M, int Line, int From, int To) {
    const int y = static_cast<int>(10 + M->GetPositionPoint({Line, 0}).Y + 7);
    const int x0 = static_cast<int>(10 + M->GetPositionPoint({Line, From}).X) + 1;
    const int x1 = static_cast<int>(10 + M->GetPositionPoint({Line, To}).X);
    int hits = 0;
    for (int x = x0; x < x1; ++x) hits += blue(S.At(x, y));
    return std::pair{hits, x1 - x0};
  };
  for (auto [scene, memo] : {std::pair{&plainScene, plain}, std::pair{&hudScene, static_cast<TvxMemo*>(hud)}}) {
    const int len0 = static_cast<int>(memo->LineText(0).size());
    auto [selected0, width0] = blueBetween(*scene, memo, 0, 8, len0);
    EXPECT_GE(selected0, width0 - 2);
    EXPECT_EQ(blueBetween(*scene, memo, 0, 0, 7).first, 0);
    auto [selected1, width1] = blueBetween(*scene, memo, 1, 0, 5);
    EXPECT_GE(selected1, width1 - 2);
    EXPECT_EQ(blueBetween(*scene, memo, 1, 6, static_cast<int>(memo->LineText(1).size())).first, 0);
    EXPECT_EQ(blueBetween(*scene, memo, 2, 0, static_cast<int>(memo->LineText(2).size())).first, 0);
  }
  int dark = 0, light = 0;
  for (int y = 10 + 2 * 14 + 2; y < 10 + 3 * 14; ++y)
    for (int x = 14; x < 200; ++x) {
      dark += (plainScene.At(x, y) & 0xFF) < 0x60;
      light += (hudScene.At(x, y) & 0xFF) > 0xC0;
    }
  EXPECT_GT(dark, 30);
  EXPECT_GT(light, 30);
}

TEST_F(Memos, SettingsAndTextComeBackFromAStream) {
  TvxHudMemo m(nullptr);
  m.SetText(u"first\r\nsecond");
  m.SetWordWrap(true);
  m.SetMaxLength(40);
  m.SetReadOnly(true);
  m.SetHideSelection(false);
  m.SetAutoSelect(false);
  m.SetTextAlign(vgTextAlignFar);
  m.Font()->SetSize(16);
  std::unique_ptr<TvxObject> copy(m.Clone(nullptr));
  auto* back = dynamic_cast<TvxHudMemo*>(copy.get());
  ASSERT_NE(back, nullptr);
  // The text once: the lines are its view and are not written.
  EXPECT_EQ(back->Text(), u"first\r\nsecond");
  EXPECT_EQ(LinesOf(back), L({u"first", u"second"}));
  EXPECT_TRUE(back->WordWrap());
  EXPECT_EQ(back->MaxLength(), 40);
  EXPECT_TRUE(back->ReadOnly());
  EXPECT_FALSE(back->HideSelection());
  EXPECT_FALSE(back->AutoSelect());
  EXPECT_EQ(back->TextAlign(), vgTextAlignFar);
  EXPECT_EQ(back->LineHeight(), 20);
  EXPECT_TRUE(back->UndoStack().Empty());
}

TEST_F(Memos, TheMouseSelectsByDraggingAndWordsByDoubleClicks) {
  ControlScene s;
  auto* m = Place(s, u"gas valve open\r\nsecond line here", 200, 100);
  m->SetAutoSelect(false);
  s.scene.SetFocused(nullptr);
  m->SetFocus();
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{0, 0}));
  EXPECT_FALSE(m->HasSelection());
  auto point = [&](TvxMemoPos P) {
    const TvxPoint p = m->GetPositionPoint(P);
    return TvxPoint{10 + p.X, 10 + p.Y + 7};
  };
  const TvxPoint a = point({0, 4}), b = point({1, 6});
  s.scene.MouseMove({}, a.X, a.Y);
  s.scene.MouseDown(rtl::mbLeft, {}, a.X, a.Y);
  s.scene.MouseMove({rtl::ssLeft}, b.X, b.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, b.X, b.Y);
  EXPECT_EQ(m->SelText(), u"valve open\r\nsecond");
  EXPECT_EQ(m->CaretPosition(), (TvxMemoPos{1, 6}));
  // Dragging below the view stops at the last visible line's boundary, not beyond the text.
  s.scene.MouseDown(rtl::mbLeft, {}, a.X, a.Y);
  s.scene.MouseMove({rtl::ssLeft}, 500, 500);
  s.scene.MouseUp(rtl::mbLeft, {}, 500, 500);
  EXPECT_EQ(m->SelText(), u"valve open\r\nsecond line here");
  // A double click takes the word under the caret with the spaces after it.
  const TvxPoint w = point({1, 9});
  s.scene.MouseDown(rtl::mbLeft, {}, w.X, w.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, w.X, w.Y);
  s.scene.MouseDown(rtl::mbLeft, {rtl::ssDouble}, w.X, w.Y);
  s.scene.MouseUp(rtl::mbLeft, {}, w.X, w.Y);
  EXPECT_EQ(m->SelText(), u"line ");
  // A long line scrolls sideways to keep the caret in view.
  m->SetText(u"a line much longer than the memo is wide, to be scrolled sideways while typing");
  m->SetCaretPosition({0, 79});
  ASSERT_NE(m->HScrollBar(), nullptr);
  EXPECT_TRUE(m->HScrollBar()->Visible());
  EXPECT_GT(m->HScrollPos(), 0);
  EXPECT_GT(m->FirstVisibleColumn(), 1);
  const float x = m->GetPositionPoint(m->CaretPosition()).X;
  EXPECT_GE(x, m->ViewportRect().Left);
  EXPECT_LE(x, m->ViewportRect().Right);
  Key(s, win::VK_HOME);
  EXPECT_EQ(m->HScrollPos(), 0);
}

}  // namespace memo_test
