// Typed text and the input method in a window: SDL's composition events reach the focused
// text box or memo of a scene, the input method's candidates follow the caret, and the text
// input is on only while a control that takes text has the focus. Hints of controls too.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <string>
#include <vector>

#include "FormScene.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/Memo.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/core/Registry.h"

namespace text_input_test {

using namespace vg;

namespace {

class TextInput : public vgtest::FormScene {
protected:
  void TearDown() override {
    win::SimulateInputLanguage(-1);
    win::FreeHintWindow();
    FormScene::TearDown();
  }
  // A text box at (20, 30), focused, its caret after the first of its two characters.
  TvxTextBox* FocusedBox() {
    auto* box = new TvxTextBox(form.get());
    root->AddObject(box);
    box->SetBounds(20, 30, 150, 22);
    box->SetText(u"ab");
    scene->SetFocus();
    box->SetFocus();  // selects the whole text
    box->SetSelStart(1);
    box->OnTyping = [this](rtl::TObject*) { ++typed; };
    return box;
  }
  void Push(Uint32 Type, const char* Utf8) {
    SDL_Event e{};
    e.type = Type;
    if (Type == SDL_TEXTEDITING) {
      e.edit.windowID = SDL_GetWindowID(form->Window());
      SDL_strlcpy(e.edit.text, Utf8, sizeof(e.edit.text));
    } else {
      e.text.windowID = SDL_GetWindowID(form->Window());
      SDL_strlcpy(e.text.text, Utf8, sizeof(e.text.text));
    }
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    win::PumpEvents();
  }
  static int At(float V) { return static_cast<int>(std::nearbyint(V)); }
  int typed = 0;
};

TEST_F(TextInput, AComposedResultGoesIntoTheFocusedBoxAtTheCaretOneCharacterAtATime) {
  TvxTextBox* box = FocusedBox();
  ASSERT_TRUE(win::TextInputActive());
  Push(SDL_TEXTEDITING, "\xE3\x85\x8E");          // ㅎ
  Push(SDL_TEXTEDITING, "\xED\x95\x9C\xEA\xB5");  // 한 and half a syllable cut off
  EXPECT_EQ(box->Text(), u"ab") << "a composition in progress inserts nothing";
  EXPECT_EQ(typed, 0);
  Push(SDL_TEXTINPUT, "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4");  // 한국어
  EXPECT_EQ(box->Text(), u"a한국어b");
  EXPECT_EQ(box->CaretPosition(), 4);
  EXPECT_EQ(typed, 3);
  // The box still takes what it takes: a length limit keeps the text within it.
  box->SetMaxLength(6);
  Push(SDL_TEXTEDITING, "x");
  Push(SDL_TEXTINPUT, "xyz");
  EXPECT_EQ(box->Text(), u"a한국어xb");
}

TEST_F(TextInput, CompositionTextWithALoneSurrogateOrAControlCharacterInsertsOnlyItsCharacters) {
  TvxTextBox* box = FocusedBox();
  Push(SDL_TEXTEDITING, "q");
  Push(SDL_TEXTINPUT, "q\xED\xA0\x80\x01\x7F\xC2\x85r\x08");
  EXPECT_EQ(box->Text(), u"aqrb");
  EXPECT_EQ(typed, 2);
  // A memo would take a carriage return as a line break: composed text never carries one.
  auto* memo = new TvxMemo(form.get());
  root->AddObject(memo);
  memo->SetBounds(20, 80, 200, 100);
  memo->SetFocus();
  ASSERT_EQ(scene->GetFocused(), memo);
  Push(SDL_TEXTEDITING, "x");
  Push(SDL_TEXTINPUT, "x\ry\xED\xB0\x80");
  EXPECT_EQ(memo->Text(), u"xy");
}

TEST_F(TextInput, TheCandidatesFollowTheCaretOfATextBoxInItsFont) {
  TvxTextBox* box = FocusedBox();
  win::SimulateTextEditing(form.get(), "\xE3\x85\x8E");
  // The scene fills the form: its coordinates are the window's. The box's 11 points are 15
  // pixels of the screen at 96 an inch (14.67 rounded): a line of 19.
  ASSERT_FLOAT_EQ(box->Font()->Size(), 11);
  const int line = 19;
  const win::TRect first = win::TextInputRect();
  EXPECT_EQ(first.Left, At(20 + box->GetCharX(1)));
  EXPECT_EQ(first.Top, At(30 + box->GetContentRect().Top));
  EXPECT_EQ(first.Height(), line);
  EXPECT_EQ(first.Right, scene->Width());
  win::SimulateText(form.get(), "\xED\x95\x9C");
  // The next composition starts at the caret, now one character further.
  win::SimulateTextEditing(form.get(), "\xE3\x84\xB1");
  EXPECT_EQ(win::TextInputRect().Left, At(20 + box->GetCharX(2)));
  EXPECT_GT(win::TextInputRect().Left, first.Left);
  // A larger font makes a taller line: 20 points are 27 pixels (26.67), a line of 34.
  box->Font()->SetSize(20);
  win::SimulateText(form.get(), "\xEA\xB5\xAD");
  win::SimulateTextEditing(form.get(), "\xE3\x84\xB1");
  EXPECT_EQ(win::TextInputRect().Height(), 34);
}

// The composition font is the control's: its size taken to whole points (halves to even)
// and then to the nearest pixels of the screen, its weight and slant from its style.
TEST(CompositionFont, IsTheControlsFontInWholePointsAtTheScreensPixelsAnInch) {
  struct Case {
    float Size;
    TvxFontStyle Style;
    int Height, Weight;
    bool Italic;
  };
  const Case cases[] = {{9, vgFontRegular, -12, 400, false},    {10.5f, vgFontBold, -13, 700, false},
                        {11.5f, vgFontItalic, -16, 400, true},   {1.5f, vgFontBoldItalic, -3, 700, true},
                        {0.4f, vgFontRegular, 0, 400, false},    {72, vgFontRegular, -96, 400, false}};
  for (const Case& c : cases) {
    TvxFont font;
    font.SetFamily("Verdana");
    font.SetSize(c.Size);
    font.SetStyle(c.Style);
    const win::TCompositionFont f = CompositionFontOf(font);
    EXPECT_EQ(f.Height, c.Height) << c.Size;
    EXPECT_EQ(f.Weight, c.Weight) << c.Size;
    EXPECT_EQ(f.Italic, c.Italic) << c.Size;
    EXPECT_EQ(f.FaceName, "Verdana");
  }
}

TEST_F(TextInput, AKoreanInputMethodIsPlacedAgainAfterEachResultOnePixelDown) {
  win::SimulateInputLanguage(win::LANG_ID_KOREAN);
  TvxTextBox* box = FocusedBox();
  win::SimulateTextEditing(form.get(), "\xE3\x85\x8E");
  EXPECT_EQ(win::TextInputRect().Top, At(30 + box->GetContentRect().Top) + 1);
  const int before = win::TextInputRect().Left;
  win::SimulateText(form.get(), "\xED\x95\x9C");
  EXPECT_EQ(win::TextInputRect().Left, before) << "placed again once the posted message is handled";
  Settle();
  EXPECT_EQ(win::TextInputRect().Left, At(20 + box->GetCharX(2)));
  EXPECT_GT(win::TextInputRect().Left, before);
}

TEST_F(TextInput, TheCandidatesFollowTheCaretOfAMemo) {
  auto* memo = new TvxMemo(form.get());
  root->AddObject(memo);
  memo->SetBounds(20, 80, 200, 100);
  memo->SetText(u"first\r\nsecond");
  scene->SetFocus();
  memo->SetFocus();
  memo->SetCaretPosition({1, 3});
  ASSERT_TRUE(win::TextInputActive());
  win::SimulateTextEditing(form.get(), "\xE3\x85\x8E");
  const TvxPoint p = memo->GetPositionPoint({1, 3});
  EXPECT_GT(p.Y, memo->GetPositionPoint({0, 3}).Y);
  EXPECT_EQ(win::TextInputRect().Left, At(20 + p.X));
  EXPECT_EQ(win::TextInputRect().Top, At(80 + p.Y));
  win::SimulateText(form.get(), "\xED\x95\x9C");
  EXPECT_EQ(memo->Text(), u"first\r\nsec한ond");
  win::SimulateTextEditing(form.get(), "\xE3\x85\x8E");
  EXPECT_EQ(win::TextInputRect().Left, At(20 + memo->GetPositionPoint({1, 4}).X));
}

TEST_F(TextInput, WithoutAFocusedTextControlTheTextInputIsOffAndKeysReachTheKeyHandlers) {
  auto* button = new TvxButton(form.get());
  root->AddObject(button);
  button->SetBounds(200, 30, 80, 22);
  std::vector<int> keys;
  std::u16string chars;
  button->OnKeyDown = [&](rtl::TObject*, uint16_t& Key, char16_t& KeyChar, rtl::TShiftState) {
    keys.push_back(Key);
    if (KeyChar) chars.push_back(KeyChar);
  };
  scene->SetFocus();
  button->SetFocus();
  ASSERT_EQ(scene->GetFocused(), button);
  EXPECT_FALSE(win::TextInputActive());
  EXPECT_FALSE(SDL_IsTextInputActive());
  // The key, then the character it types (no text event brings one while the input is off).
  win::SimulateKeyStroke(form.get(), 'g');
  EXPECT_EQ(keys, (std::vector<int>{'G', 0}));
  EXPECT_EQ(chars, u"g");
  // A text box turns it on, the button off again; a list takes typed letters too.
  TvxTextBox* box = FocusedBox();
  EXPECT_EQ(scene->GetFocused(), box);
  EXPECT_TRUE(win::TextInputActive());
  button->SetFocus();
  EXPECT_FALSE(win::TextInputActive());
  auto* list = new TvxListBox(form.get());
  root->AddObject(list);
  list->SetBounds(20, 120, 100, 60);
  list->SetFocus();
  ASSERT_EQ(scene->GetFocused(), list);
  EXPECT_TRUE(win::TextInputActive());
  // The focused control going takes the text input with it.
  list->Free();
  EXPECT_FALSE(win::TextInputActive());
}

TEST_F(TextInput, AControlsHintIsTranslatedWhenItsStyleIsApplied) {
  const TvxTranslateProc before = TranslateCallback;
  TranslateCallback = [](const std::u16string& T) { return T == u"Pressure" ? std::u16string(u"Druck") : u""; };
  auto* button = new TvxButton(form.get());
  button->SetHint(u"Pressure");
  button->SetShowHint(true);
  root->AddObject(button);
  button->SetBounds(200, 30, 80, 22);
  button->ApplyResource();
  win::SimulateMouseMove(form.get(), 210, 40);
  clock.Advance(500);
  ASSERT_TRUE(win::HintShowing());
  EXPECT_EQ(win::HintWindow()->Text(), u"Druck");
  // The rectangle is the button's, on the screen (the form lies at (100, 80)).
  EXPECT_EQ(win::HintCursorRect(), (win::TRect{300, 110, 380, 132}));
  TranslateCallback = before;
}

}  // namespace

}  // namespace text_input_test
