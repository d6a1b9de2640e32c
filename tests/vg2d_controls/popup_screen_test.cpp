// Popups on a real X screen (Xvfb, bare and under openbox), driven by the X server's own pointer
// and keyboard (XTest). A popup placed at the mouse opens where its press was, though the pointer
// moved on before the program looked at the press (a busy GUI thread). A text box's edit menu has
// the keys while it is open: what is typed then does not reach the box behind it, the arrows,
// Return and Escape work the menu, and once Escape, a choice or a press outside closed it the box
// has the keys again.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <functional>

#include "FormScene.h"
#include "platform/win/Display.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"
#include "platform/win/WindowSystem.h"
#include "tests/XTest.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/TextBox.h"
// Last: Xlib's macros (None, Bool) would break GoogleTest and the drawing headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace popup_screen_test {

using namespace vg;

namespace {

class PopupScreenChild : public vgtest::FormScene {
protected:
  void SetUp() override {
    if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
    FormScene::SetUp();
  }
  // Runs the loop until Cond holds; the guard only ends a wait that would never end.
  static bool PumpUntil(const std::function<bool()>& Cond) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Cond()) {
      if (std::chrono::steady_clock::now() > end) return false;
      win::PumpEvents();
      Settle();
      SDL_Delay(2);
    }
    return true;
  }
  // Where a client point of the form is on the screen, as the X server has its window now (a
  // window manager may have put it elsewhere than asked).
  win::TPoint OnScreen(int X, int Y) const {
    _XDisplay* x = win::detail::XConnectionOf(form->Window());
    Window child = 0;
    int sx = 0, sy = 0;
    XTranslateCoordinates(x, win::detail::XWindowOf(form->Window()), DefaultRootWindow(x), X, Y, &sx, &sy, &child);
    return {sx, sy};
  }
};

TEST(PopupScreen, RunsUnderXvfb) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("PopupScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(PopupScreen, RunsUnderOpenbox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(vgtest::RunUnderXvfb("PopupScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "640x480x24",
                                 wmtest::TManager::Openbox),
            0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

TEST_F(PopupScreenChild, APopupAtTheMouseOpensWhereItsPressWasThoughThePointerMovedOn) {
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  ASSERT_EQ(win::VideoDriver(), "x11");
  TvxPopup* p = MakePopup();
  p->SetPlacement(vgPlacementMouse);
  target->OnMouseDown = [p](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) { p->Popup(); };
  // The target's middle: (40 + 40, 60 + 10) in the form.
  const win::TPoint press = OnScreen(80, 70);
  ASSERT_TRUE(x.MoveTo(press.X, press.Y));
  ASSERT_TRUE(PumpUntil([&] { return win::GetCursorPos() == press; })) << "the pointer never came";
  ASSERT_TRUE(x.Button(1, true) && x.MoveTo(400, 350));
  ASSERT_TRUE(PumpUntil([&] { return p->IsOpen(); })) << "the press did not open the popup";
  EXPECT_EQ(WindowAt(p), press);
  ASSERT_TRUE(x.Button(1, false));
  p->ClosePopup();
  Settle();
}

TEST_F(PopupScreenChild, ATextBoxsEditMenuHasTheKeysWhileItIsOpenAndGivesThemBackToTheBox) {
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  auto* box = new vg::TvxTextBox(form.get());
  root->AddObject(box);
  box->SetBounds(40, 120, 200, 22);
  Settle();
  const win::TPoint inBox = OnScreen(100, 131), besideBox = OnScreen(45, 131);
  const auto typed = [&](const std::u16string& Text) { return PumpUntil([&] { return box->Text() == Text; }); };
  const auto menuOpen = [&] { return box->TextMenu()->IsOpen(); };
  // A click gives the box the focus and its window the keys.
  ASSERT_TRUE(x.MoveTo(inBox.X, inBox.Y) && x.Button(1, true) && x.Button(1, false));
  ASSERT_TRUE(PumpUntil([&] { return box->IsFocused() && SDL_GetKeyboardFocus() == form->Window(); }))
      << "the box never had the keys";
  ASSERT_TRUE(x.Type('a') && x.Type('b'));
  ASSERT_TRUE(typed(u"ab"));

  // The right button opens the menu; "zz" typed then reaches nothing, Escape closes the menu.
  ASSERT_TRUE(x.Button(3, true) && x.Button(3, false));
  ASSERT_TRUE(PumpUntil(menuOpen)) << "the right button opened no menu";
  EXPECT_EQ(win::OpenPopupMenu(), box->TextMenu());
  EXPECT_FALSE(win::TextInputActive()) << "an input method could take the menu's keys";
  ASSERT_TRUE(x.Type('z') && x.Type('z') && x.Type(XK_Escape));
  EXPECT_TRUE(PumpUntil([&] { return !menuOpen(); })) << "Escape did not close the menu";
  EXPECT_EQ(box->Text(), u"ab") << "keys typed into the open menu reached the box behind it";
  ASSERT_TRUE(x.Type('c'));
  EXPECT_TRUE(typed(u"abc")) << "the box did not have the keys again";

  // Up lights the last item, Select All, and Return chooses it: what is typed next replaces it all.
  ASSERT_TRUE(x.Button(3, true) && x.Button(3, false));
  ASSERT_TRUE(PumpUntil(menuOpen));
  ASSERT_TRUE(x.Type(XK_Up) && x.Type(XK_Return));
  EXPECT_TRUE(PumpUntil([&] { return !menuOpen(); })) << "Return did not choose";
  ASSERT_TRUE(x.Type('x'));
  EXPECT_TRUE(typed(u"x"));

  // A press outside the menu (on the box, left of where the menu opened) closes it.
  ASSERT_TRUE(x.Button(3, true) && x.Button(3, false));
  ASSERT_TRUE(PumpUntil(menuOpen));
  ASSERT_TRUE(x.MoveTo(besideBox.X, besideBox.Y) && x.Button(1, true) && x.Button(1, false));
  EXPECT_TRUE(PumpUntil([&] { return !menuOpen(); })) << "a press outside did not close the menu";
  ASSERT_TRUE(x.Type('y'));
  EXPECT_TRUE(PumpUntil([&] { return box->Text().size() == 2 && box->Text().find(u'y') != std::u16string::npos; }))
      << "the box did not have the keys again";
}

}  // namespace

}  // namespace popup_screen_test
