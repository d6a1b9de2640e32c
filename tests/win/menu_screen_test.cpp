// Popup menus in real windows, driven through the X server's own devices (XTest), on a bare
// server and under openbox: the test program runs itself again under xvfb-run with SDL's x11
// driver, and the child does the work. While a menu is open it has the keys of the window it came
// from: characters typed then reach nothing behind it, and the arrows, Return and Escape work the
// menu. Escape, a choice by key or by mouse and a press in another window close it, and the keys
// then reach the window it came from again (a second window too, with or without a main form),
// or the pressed window.
#include <gtest/gtest.h>

#include <SDL.h>
// After GoogleTest: Xlib's macros would break it.
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/WindowSystem.h"
#include "tests/XTest.h"
#include "tests/win/XvfbChild.h"

namespace menu_screen_test {

using namespace win;

namespace {

using wintest::InXvfbChild;
using wintest::PumpUntil;

// A borderless form that records the characters it is sent and counts its left releases.
class CharLog : public TForm {
public:
  CharLog(int Left, int Top) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(Left, Top, 200, 150);
  }
  std::u16string chars;
  int releases = 0;
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_CHAR) chars += static_cast<char16_t>(M.wParam);
    if (M.message == WM_LBUTTONUP) ++releases;
    return TForm::WndProc(M);
  }
};


// Where a client point of the form is on the screen, as the X server has the window now (a window
// manager may have put it elsewhere than asked).
TPoint OnScreen(TCustomForm& Form, int X, int Y) {
  _XDisplay* x = detail::XConnectionOf(Form.Window());
  Window child = 0;
  int sx = 0, sy = 0;
  XTranslateCoordinates(x, detail::XWindowOf(Form.Window()), DefaultRootWindow(x), X, Y, &sx, &sy, &child);
  return {sx, sy};
}

bool HoldsKeys(TCustomForm& Form) {
  return detail::XFocusWindow(detail::XConnectionOf(Form.Window())) == detail::XWindowOf(Form.Window());
}

bool Click(xtest::TXTest& X, TPoint At) { return X.MoveTo(At.X, At.Y) && X.Button(1, true) && X.Button(1, false); }

// A click on the form at its client point (X, Y), waited for until the form has its release. A
// window manager that focuses on a click holds the press until it has done so, and keys typed
// meanwhile can overtake it: the press must not come to the program after what the test does next.
bool ClickForm(xtest::TXTest& X, CharLog& Form, int AtX, int AtY) {
  const int before = Form.releases;
  return Click(X, OnScreen(Form, AtX, AtY)) && PumpUntil([&] { return Form.releases > before; });
}

// The middle of an item's row on the screen.
TPoint ItemMiddle(TPopupMenu& Menu, int Index) {
  const TRect r = Menu.Window()->ItemRect(Index);
  return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
}

TEST(MenuScreen, RunsUnderXvfb) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("MenuScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(MenuScreen, RunsUnderOpenbox) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled() || !wmtest::OpenboxInstalled())
    GTEST_SKIP() << "xvfb-run or openbox is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("MenuScreenChild.*", wmtest::TManager::Openbox), 0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

TEST(MenuScreenChild, AnOpenMenuHasTheKeysAndGivesThemBackToTheWindowItCameFrom) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    auto main = std::make_unique<CharLog>(20, 20);
    auto second = std::make_unique<CharLog>(300, 20);
    main->Show();
    second->Show();
    SetMainForm(main.get());
    std::vector<int> chosen;
    TPopupMenu menu(nullptr);
    for (int i = 0; i < 3; ++i)
      menu.Add(i == 0 ? u"One" : i == 1 ? u"Two" : u"Three", [&chosen, i](rtl::TObject*) { chosen.push_back(i); });
    menu.Items(1)->SetEnabled(false);
    const auto open = [&](CharLog& From) {
      const TPoint at = OnScreen(From, 40, 40);
      menu.Popup(at.X, at.Y);
      return menu.IsOpen();
    };
    const auto types = [&](CharLog& Into, char Key) {
      const std::u16string expected = Into.chars + char16_t(Key);
      return x.Type(static_cast<unsigned long>(Key)) && PumpUntil([&] { return Into.chars == expected; });
    };

    // The second window takes the keys from a press (the main form keeps its place).
    ASSERT_TRUE(ClickForm(x, *second, 150, 120));
    ASSERT_TRUE(PumpUntil([&] { return HoldsKeys(*second) && ActiveForm() == second.get(); }))
        << "the pressed window never took the keys";
    ASSERT_TRUE(types(*second, 'a'));

    // Characters typed while the menu is open reach nothing; Down skips the disabled item and
    // Return chooses. The keys came in order: the characters would have arrived first.
    ASSERT_TRUE(open(*second));
    ASSERT_TRUE(x.Type('z') && x.Type(XK_Down) && x.Type(XK_Down) && x.Type(XK_Return));
    ASSERT_TRUE(PumpUntil([&] { return !chosen.empty(); })) << "the menu never had the keys";
    EXPECT_EQ(chosen, std::vector<int>{2});
    EXPECT_FALSE(menu.IsOpen());
    EXPECT_EQ(second->chars, u"a") << "a key typed into the open menu reached the window behind it";
    EXPECT_TRUE(types(*second, 'b')) << "the keys did not come back";

    // Escape closes it without a choice.
    ASSERT_TRUE(open(*second));
    ASSERT_TRUE(x.Type('z') && x.Type(XK_Escape));
    EXPECT_TRUE(PumpUntil([&] { return !menu.IsOpen(); })) << "Escape did not close the menu";
    EXPECT_EQ(chosen.size(), 1u);
    EXPECT_TRUE(types(*second, 'c'));
    EXPECT_EQ(second->chars, u"abc");
    EXPECT_EQ(main->chars, u"");

    // A press on an item chooses it; the keys stay with the window the menu came from, which is
    // not the main form, and also when there is no main form.
    for (CharLog* mainForm : {static_cast<CharLog*>(main.get()), static_cast<CharLog*>(nullptr)}) {
      SCOPED_TRACE(mainForm ? "with a main form" : "without a main form");
      SetMainForm(mainForm);
      ASSERT_TRUE(open(*second));
      ASSERT_TRUE(Click(x, ItemMiddle(menu, 0)));
      ASSERT_TRUE(PumpUntil([&] { return chosen.size() == 2; })) << "the press chose nothing";
      EXPECT_FALSE(menu.IsOpen());
      EXPECT_TRUE(PumpUntil([&] { return HoldsKeys(*second); })) << "the keys left the window the menu came from";
      EXPECT_EQ(ActiveForm(), second.get());
      EXPECT_TRUE(types(*second, 'd'));
      chosen.resize(1);
    }
    EXPECT_EQ(main->chars, u"");
    SetMainForm(main.get());

    // A press in another window closes the menu and gives that window the keys.
    ASSERT_TRUE(open(*second));
    ASSERT_TRUE(ClickForm(x, *main, 150, 120));
    EXPECT_TRUE(PumpUntil([&] { return !menu.IsOpen(); })) << "a press outside did not close the menu";
    ASSERT_TRUE(PumpUntil([&] { return HoldsKeys(*main) && ActiveForm() == main.get(); }));
    EXPECT_TRUE(types(*main, 'e'));
    // And a press in the window the menu came from, away from the menu, closes it too.
    ASSERT_TRUE(open(*main));
    ASSERT_TRUE(ClickForm(x, *main, 10, 120));
    EXPECT_TRUE(PumpUntil([&] { return !menu.IsOpen(); })) << "a press outside did not close the menu";
    EXPECT_TRUE(types(*main, 'f'));
    EXPECT_EQ(main->chars, u"ef");
    EXPECT_EQ(second->chars, u"abcdd");
    EXPECT_EQ(chosen, std::vector<int>{2});
    SetMainForm(nullptr);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

}  // namespace

}  // namespace menu_screen_test
