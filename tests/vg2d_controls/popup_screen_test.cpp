// A popup placed at the mouse, on a real X screen (Xvfb): a press of the X server's own
// pointer (XTest) opens it, and the pointer moves on before the program looks at the press
// (a busy GUI thread): the window opens where the press was, not where the pointer went.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "FormScene.h"
#include "platform/win/Display.h"
#include "tests/XTest.h"
#include "tests/vg2d_core/Screenshot.h"

namespace popup_screen_test {

using namespace vg;

namespace {

class PopupScreenChild : public vgtest::FormScene {
protected:
  void SetUp() override {
    if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
    FormScene::SetUp();
  }
  // Runs the loop until Cond holds or a minute has passed (a guard for a loaded machine).
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
};

TEST(PopupScreen, RunsUnderXvfb) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("PopupScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST_F(PopupScreenChild, APopupAtTheMouseOpensWhereItsPressWasThoughThePointerMovedOn) {
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
  ASSERT_EQ(win::VideoDriver(), "x11");
  TvxPopup* p = MakePopup();
  p->SetPlacement(vgPlacementMouse);
  target->OnMouseDown = [p](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float) { p->Popup(); };
  // The target's middle: (40 + 40, 60 + 10) in the form at (100, 80).
  const win::TPoint press{180, 150};
  ASSERT_TRUE(x.MoveTo(press.X, press.Y));
  ASSERT_TRUE(PumpUntil([&] { return win::GetCursorPos() == press; })) << "the pointer never came";
  ASSERT_TRUE(x.Button(1, true) && x.MoveTo(400, 350));
  ASSERT_TRUE(PumpUntil([&] { return p->IsOpen(); })) << "the press did not open the popup";
  EXPECT_EQ(WindowAt(p), press);
  ASSERT_TRUE(x.Button(1, false));
  p->ClosePopup();
  Settle();
}

}  // namespace

}  // namespace popup_screen_test
