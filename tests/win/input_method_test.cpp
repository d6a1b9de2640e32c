#include <gtest/gtest.h>

#include <SDL.h>
// After GoogleTest: Xlib defines None and Bool as macros, which break its headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"
#include "tests/XTest.h"
#include "tests/win/XvfbChild.h"

namespace input_method_test {

using namespace win;

namespace {

// A control that takes typed text when told to and records what the input method says.
class Editor : public TCustomControl {
public:
  explicit Editor(rtl::TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
  bool takesText = true;
  struct Entry {
    UINT Msg;
    LPARAM L;
    std::u16string Text;  // the composition string the message carried
  };
  std::vector<Entry> log;
  std::u16string chars;
  LRESULT WndProc(MSG& M) override {
    switch (M.message) {
      case CM_WANTTEXTINPUT:
        return takesText ? 1 : 0;
      case WM_IME_STARTCOMPOSITION:
        log.push_back({M.message, 0, {}});
        return 1;
      case WM_IME_COMPOSITION:
        log.push_back({M.message, M.lParam, ImmGetCompositionString(M.lParam)});
        break;
      case WM_CHAR:
        chars.push_back(static_cast<char16_t>(M.wParam));
        return 0;
      default:
        break;
    }
    return TCustomControl::WndProc(M);
  }
};

struct InputMethodTest : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(10, 20, 300, 200);
    editor = new Editor(form.get());
    editor->SetBounds(50, 40, 200, 30);
    editor->SetParent(form.get());
    other = new Editor(form.get());
    other->takesText = false;
    other->SetBounds(50, 100, 200, 30);
    other->SetParent(form.get());
    form->Show();
  }
  void TearDown() override {
    SimulateInputLanguage(-1);
    form.reset();
    rtl::Application->ProcessMessages();
  }
  std::unique_ptr<TForm> form;
  Editor* editor = nullptr;
  Editor* other = nullptr;
};

TEST(TypedText, KeepsCharactersAndDropsControlCharactersAndIllFormedUtf8) {
  EXPECT_EQ(TypedText("a\xC3\xA9\xF0\x9F\x98\x80"), (std::u16string{u'a', 0xE9, 0xD83D, 0xDE00}));
  EXPECT_EQ(TypedText("\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"), u"한국어");
  // A surrogate written as UTF-8 (alone or as a pair of halves) is no character.
  EXPECT_EQ(TypedText("a\xED\xA0\x80" "b"), u"ab");
  EXPECT_EQ(TypedText("\xED\xA0\xBD\xED\xB8\x80"), u"");
  // Control characters: C0, DEL and C1.
  EXPECT_EQ(TypedText("a\x01\x08\t\r\n\x1B" "b\x7F\xC2\x85\xC2\x9F" "c"), u"abc");
  // Overlong forms, values beyond Unicode, stray continuation bytes and cut sequences.
  EXPECT_EQ(TypedText("\xC0\xAF" "x\xE0\x80\xAF" "y\xF4\x90\x80\x80" "z\x80\xBF\xE2\x82"), u"xyz");
  EXPECT_EQ(TypedText("\xF4\x8F\xBF\xBF"), (std::u16string{0xDBFF, 0xDFFF}));
  EXPECT_EQ(TypedText(""), u"");
}

TEST_F(InputMethodTest, TextInputIsOnOnlyWhileAControlThatTakesTextHasTheFocus) {
  EXPECT_FALSE(TextInputActive()) << "the form has no focused control yet";
  editor->SetFocus();
  EXPECT_TRUE(TextInputActive());
  EXPECT_TRUE(SDL_IsTextInputActive());
  other->SetFocus();
  EXPECT_FALSE(TextInputActive());
  editor->SetFocus();
  ASSERT_TRUE(TextInputActive());
  SetActiveForm(nullptr);
  EXPECT_FALSE(TextInputActive()) << "no form of the program has the keyboard";
  form->Show();
  SetActiveForm(form.get());
  EXPECT_TRUE(TextInputActive());
  form->Hide();
  EXPECT_FALSE(TextInputActive());
}

TEST_F(InputMethodTest, ACompositionInProgressSendsNoCharactersAndItsResultDoes) {
  editor->SetFocus();
  SimulateTextEditing(form.get(), "\xE3\x85\x8E");  // ㅎ
  SimulateTextEditing(form.get(), "\xED\x95\x9C");  // 한
  ASSERT_EQ(editor->log.size(), 3u);
  EXPECT_EQ(editor->log[0].Msg, WM_IME_STARTCOMPOSITION);
  EXPECT_EQ(editor->log[1].Msg, WM_IME_COMPOSITION);
  EXPECT_EQ(editor->log[1].L, GCS_COMPSTR);
  EXPECT_EQ(editor->log[1].Text, u"ㅎ");
  EXPECT_EQ(editor->log[2].Text, u"한");
  EXPECT_TRUE(editor->chars.empty());
  // The finished text: a result, taken as characters by a control that leaves it alone.
  SimulateText(form.get(), "\xED\x95\x9C");
  ASSERT_EQ(editor->log.size(), 4u);
  EXPECT_EQ(editor->log[3].L, GCS_RESULTSTR);
  EXPECT_EQ(editor->log[3].Text, u"한");
  EXPECT_EQ(editor->chars, u"한");
  EXPECT_TRUE(ImmGetCompositionString(GCS_RESULTSTR).empty()) << "only while the message is handled";
  // Typing without a composition: plain characters.
  editor->log.clear();
  SimulateText(form.get(), "q");
  EXPECT_TRUE(editor->log.empty());
  EXPECT_EQ(editor->chars, u"한q");
  // A key the input method lets through ends the composition: the text after it is typed.
  SimulateTextEditing(form.get(), "x");
  SimulateKeyStroke(form.get(), SDLK_LEFT);
  editor->log.clear();
  SimulateText(form.get(), "y");
  EXPECT_TRUE(editor->log.empty());
  EXPECT_EQ(editor->chars, u"한qy");
}

TEST_F(InputMethodTest, MovingTheFocusDropsTheCompositionInProgress) {
  editor->SetFocus();
  SimulateTextEditing(form.get(), "\xE3\x85\x8E");
  auto* second = new Editor(form.get());
  second->SetBounds(0, 0, 10, 10);
  second->SetParent(form.get());
  second->SetFocus();
  EXPECT_TRUE(TextInputActive());
  SimulateText(form.get(), "z");  // not the result of the composition that was dropped
  EXPECT_TRUE(second->log.empty());
  EXPECT_EQ(second->chars, u"z");
}

TEST_F(InputMethodTest, TheCandidateRectangleStartsAtTheCompositionPointOneFontLineHigh) {
  editor->SetFocus();
  TCompositionFont font;
  font.Height = -16;
  ImmSetCompositionFont(editor, font);
  TCompositionForm f;
  f.Style = CFS_RECT;
  f.CurrentPos = {12, 5};
  f.Area = editor->ClientRect();
  ImmSetCompositionWindow(editor, f);
  // In the form's client coordinates: the editor lies at (50, 40); a line of 16 pixels is 20.
  EXPECT_EQ(TextInputRect(), (TRect{62, 45, 250, 65}));
  // A point outside the area is brought into it; without CFS_RECT the area is the client.
  f.CurrentPos = {500, -9};
  ImmSetCompositionWindow(editor, f);
  EXPECT_EQ(TextInputRect(), (TRect{249, 40, 250, 60}));
  f.Style = 0;
  f.Area = {0, 0, 5, 5};
  f.CurrentPos = {30, 2};
  ImmSetCompositionWindow(editor, f);
  EXPECT_EQ(TextInputRect().Left, 80);
  font.Height = 18;  // a cell height is the line as it stands
  ImmSetCompositionFont(editor, font);
  ImmSetCompositionWindow(editor, f);
  EXPECT_EQ(TextInputRect().Height(), 18);
}

TEST_F(InputMethodTest, TheInputLanguageComesFromTheLocaleUnlessATestSetsIt) {
  const char* saved = std::getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  setenv("LC_ALL", "ko_KR.UTF-8", 1);
  EXPECT_EQ(InputLanguageId(), LANG_ID_KOREAN);
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  EXPECT_EQ(InputLanguageId(), 0);
  SimulateInputLanguage(LANG_ID_KOREAN);
  EXPECT_EQ(InputLanguageId(), LANG_ID_KOREAN);
  SimulateInputLanguage(-1);
  EXPECT_EQ(InputLanguageId(), 0);
  if (saved) setenv("LC_ALL", keep.c_str(), 1);
  else unsetenv("LC_ALL");
}

}  // namespace

TEST_F(InputMethodTest, WithoutTextInputAKeyTypesItsOwnCharacterAndWithItOnlyTheTextDoes) {
  // A control that takes no text: no text event will come, so the key types its character
  // after its key-down, and Shift makes a letter a capital.
  other->SetFocus();
  ASSERT_FALSE(TextInputActive());
  SimulateKeyStroke(form.get(), 'h');
  SimulateKeyStroke(form.get(), 'h', {rtl::ssShift});
  SimulateKeyStroke(form.get(), ' ');
  SimulateKeyStroke(form.get(), SDLK_LEFT);
  EXPECT_EQ(other->chars, u"hH ");
  // A control that takes text gets the text the input method sends, and the key alone types
  // nothing, so nothing arrives twice.
  editor->SetFocus();
  ASSERT_TRUE(TextInputActive());
  SimulateKey(form.get(), 'h', true);
  SimulateText(form.get(), "h");
  SimulateKey(form.get(), 'h', false);
  EXPECT_EQ(editor->chars, u"h");
}

TEST(TypedChar, IsTheKeysCharacterWithTheCaseOfShiftAndCapsLockAndNothingForChords) {
  EXPECT_EQ(TypedCharOf('h', 0), u'h');
  EXPECT_EQ(TypedCharOf('h', KMOD_LSHIFT), u'H');
  EXPECT_EQ(TypedCharOf('h', KMOD_CAPS), u'H');
  EXPECT_EQ(TypedCharOf('h', KMOD_CAPS | KMOD_RSHIFT), u'h');
  // Letters of other scripts as the layout gives them (Cyrillic er, e acute).
  EXPECT_EQ(TypedCharOf(0x0440, 0), u'\u0440');
  EXPECT_EQ(TypedCharOf(0x0440, KMOD_LSHIFT), u'\u0420');
  EXPECT_EQ(TypedCharOf(0xE9, KMOD_CAPS), u'\u00C9');
  EXPECT_EQ(TypedCharOf('1', 0), u'1');
  EXPECT_EQ(TypedCharOf(';', 0), u';');
  EXPECT_EQ(TypedCharOf(' ', KMOD_LSHIFT), u' ');
  // Shift on a digit or a sign types what the keyboard map says, which the key code does not
  // tell (on X the map is read: TypedUnderX11Child).
  EXPECT_EQ(TypedCharOf('1', KMOD_LSHIFT), 0);
  EXPECT_EQ(TypedCharOf(';', KMOD_RSHIFT), 0);
  // Chords type nothing; Ctrl+letter has its control code elsewhere.
  for (std::uint16_t mods : {KMOD_LCTRL, KMOD_RALT, KMOD_LGUI, KMOD_MODE}) EXPECT_EQ(TypedCharOf('h', mods), 0) << mods;
  // Keys that are no characters.
  for (std::int32_t key : {SDLK_RETURN, SDLK_ESCAPE, SDLK_BACKSPACE, SDLK_TAB, SDLK_DELETE, SDLK_LEFT, SDLK_F1,
                           SDLK_LSHIFT, SDLK_CAPSLOCK})
    EXPECT_EQ(TypedCharOf(key, 0), 0) << key;
  // The keypad: digits and point with Num Lock, operators always.
  EXPECT_EQ(TypedCharOf(SDLK_KP_7, KMOD_NUM), u'7');
  EXPECT_EQ(TypedCharOf(SDLK_KP_0, KMOD_NUM), u'0');
  EXPECT_EQ(TypedCharOf(SDLK_KP_PERIOD, KMOD_NUM), u'.');
  EXPECT_EQ(TypedCharOf(SDLK_KP_7, 0), 0);
  EXPECT_EQ(TypedCharOf(SDLK_KP_PLUS, 0), u'+');
  EXPECT_EQ(TypedCharOf(SDLK_KP_DIVIDE, KMOD_NUM), u'/');
  // Beyond the 16-bit units and the surrogates: nothing.
  EXPECT_EQ(TypedCharOf(0x1F600, 0), 0);
  EXPECT_EQ(TypedCharOf(0xD800, 0), 0);
}

// Gives a key that has no symbols those of a German keyboard's Q key (q, Q, and @ with AltGr,
// the third level), unless a key has them already (an earlier run on the same server); its
// key code, 0 when the server does not take it.
unsigned GiveAKeyTheGermanQ() {
  ::Display* d = XOpenDisplay(nullptr);
  if (!d) return 0;
  unsigned code = 0;
  XkbDescPtr xkb = XkbGetMap(d, XkbAllClientInfoMask, XkbUseCoreKbd);
  const auto isGermanQ = [&](unsigned C) {
    return XkbKeyNumGroups(xkb, C) > 0 && XkbKeyGroupWidth(xkb, C, 0) == 4 && XkbKeySymEntry(xkb, C, 0, 0) == 'q' &&
           XkbKeySymEntry(xkb, C, 2, 0) == 0x40;
  };
  int type = -1;
  if (xkb && XkbGetNames(d, XkbKeyTypeNamesMask, xkb) == Success) {
    const Atom fourLevels = XInternAtom(d, "FOUR_LEVEL", False);
    for (int i = 0; i < xkb->map->num_types; ++i)
      if (xkb->map->types[i].name == fourLevels) type = i;
    for (unsigned c = xkb->min_key_code; c <= xkb->max_key_code && !code; ++c)
      if (isGermanQ(c)) code = c;
  }
  XkbMapChangesRec changes{};
  if (!code && type >= 0) {
    unsigned spare = 0;
    for (unsigned c = xkb->max_key_code; c > xkb->min_key_code && !spare; --c)
      if (XkbKeyNumGroups(xkb, c) == 0) spare = c;
    if (spare && XkbChangeTypesOfKey(xkb, static_cast<int>(spare), 1, XkbGroup1Mask, &type, &changes) == Success) {
      KeySym* syms = XkbResizeKeySyms(xkb, static_cast<int>(spare), 4);
      syms[0] = 'q';
      syms[1] = 'Q';
      syms[2] = 0x40;  // at
      syms[3] = 0x40;
      changes.changed |= XkbKeySymsMask;
      changes.first_key_sym = static_cast<KeyCode>(spare);
      changes.num_key_syms = 1;
      if (XkbChangeMap(d, xkb, &changes)) code = spare;
      XSync(d, False);
    }
  }
  if (xkb) XkbFreeKeyboard(xkb, 0, True);
  XCloseDisplay(d);
  return code;
}

// Keys typed on a real X server's keyboard reach a control that takes no text as the
// characters the keyboard map gives them: Shift on a digit, AltGr on a key with a third level,
// and a dead key with the letter after it; a chord with Ctrl types its control code only.
// A control that takes text gets each character once, a key the layout lacks too.
TEST(TypedUnderX11, RunsUnderXvfb) {
  if (wintest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("TypedUnderX11Child.*"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(TypedUnderX11Child, EveryCharacterAKeyTypesReachesAControlThatTakesNoText) {
  if (!wintest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  const unsigned germanQ = GiveAKeyTheGermanQ();
  ASSERT_NE(germanQ, 0u) << "the X server keeps its keyboard map";
  {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(10, 20, 300, 200);
    auto* keys = new Editor(form.get());
    keys->takesText = false;
    keys->SetBounds(50, 40, 200, 30);
    keys->SetParent(form.get());
    auto* typing = new Editor(form.get());
    typing->SetBounds(50, 100, 200, 30);
    typing->SetParent(form.get());
    form->Show();
    ASSERT_EQ(VideoDriver(), "x11");
    keys->SetFocus();
    ASSERT_FALSE(TextInputActive());
    // A guard against keys that never come: the test fails instead of hanging.
    bool guard = false;
    const auto guardTimer = rtl::Application->StartTimer(60000, [&guard] { guard = true; });
    SDL_SetWindowInputFocus(form->Window());
    rtl::Application->RunUntil([&] { return SDL_GetKeyboardFocus() == form->Window() || guard; });
    ASSERT_FALSE(guard) << "the window never had the keyboard";
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready());
    const auto stroke = [&](std::initializer_list<unsigned long> Keys) {
      for (unsigned long k : Keys) ASSERT_TRUE(x.Key(k, true));
      for (auto k = std::rbegin(Keys); k != std::rend(Keys); ++k) ASSERT_TRUE(x.Key(*k, false));
    };
    stroke({0x61});                         // a
    stroke({0xFFE1, 0x31});                 // Shift+1
    stroke({0xFFE1, 0x61});                 // Shift+a
    stroke({0xFFE3, 0x61});                 // Ctrl+a
    stroke({0xFE51});                       // dead acute, then e
    stroke({0x65});
    stroke({0x20});                         // space
    ASSERT_TRUE(x.Key(0xFE03, true));       // AltGr (the third level's shift) and the Q key
    ASSERT_TRUE(x.Code(germanQ, true) && x.Code(germanQ, false));
    ASSERT_TRUE(x.Key(0xFE03, false));
    ASSERT_TRUE(x.Code(germanQ, true) && x.Code(germanQ, false));
    const std::u16string expected = u"a!A\u0001\u00E9 @q";
    rtl::Application->RunUntil([&] { return keys->chars.size() >= expected.size() || guard; });
    EXPECT_EQ(keys->chars, expected);
    EXPECT_FALSE(TextInputActive()) << "a key's text input outlived the key";
    // A control that takes text gets a key the layout lacks (one the tool maps, which SDL
    // knows no scan code of) once: from the text event, not again from the key's own press.
    typing->SetFocus();
    ASSERT_TRUE(TextInputActive());
    stroke({0x6D6});  // Cyrillic zhe
    stroke({0x61});
    rtl::Application->RunUntil([&] { return typing->chars.size() >= 2 || guard; });
    EXPECT_EQ(typing->chars, u"\u0436a");
    EXPECT_FALSE(guard);
    rtl::Application->StopTimer(guardTimer);
    form.reset();
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

}  // namespace input_method_test
