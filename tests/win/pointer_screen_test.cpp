// The pointer on a real X server, moved and pressed through the server's own devices (XTest):
// the test program runs itself again under xvfb-run with SDL's x11 driver, and the child does
// the work. A press belongs to the window it landed in: that window gets the moves and the
// release, wherever the pointer goes and whichever window holds the keyboard, and gives the
// capture up at the release. Clicks in quick succession count as a double click. A hint
// shows where the pointer came to rest, also when the events came from a test rig and the
// X server's pointer is elsewhere.
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Hints.h"
#include "tests/XTest.h"
#include "tests/win/XvfbChild.h"

namespace pointer_screen_test {

using namespace win;

namespace {

using wintest::InXvfbChild;
using wintest::PumpUntil;

// A control that fills its form, takes the capture on a press and records its mouse messages.
class PointerLog : public TCustomControl {
public:
  explicit PointerLog(TForm* Form) : TCustomControl(Form) {
    SetControlStyle({csCaptureMouse, csDoubleClicks});
    SetParent(Form);
    SetAlign(alClient);
  }
  struct Entry {
    UINT Msg;
    WPARAM Keys;
    TPoint P;
  };
  std::vector<Entry> log;
  bool Got(UINT Msg) const { return Count(Msg) > 0; }
  int Count(UINT Msg) const {
    int n = 0;
    for (const Entry& e : log) n += e.Msg == Msg;
    return n;
  }
  bool GotMoveTo(TPoint P) const { return MoveTo(P) != nullptr; }
  const Entry* MoveTo(TPoint P) const {
    for (const Entry& e : log)
      if (e.Msg == WM_MOUSEMOVE && e.P.X == P.X && e.P.Y == P.Y) return &e;
    return nullptr;
  }
  LRESULT WndProc(MSG& M) override {
    if (M.message >= WM_MOUSEMOVE && M.message < WM_MOUSEWHEEL) log.push_back({M.message, M.wParam, PointFromParam(M.lParam)});
    return TCustomControl::WndProc(M);
  }
};

// A shown borderless form at (Left, Top), 200 x 150, filled by a pointer log.
struct LoggedForm {
  LoggedForm(int Left, int Top) {
    form->SetBorderStyle(bsNone);
    form->SetBounds(Left, Top, 200, 150);
    log = new PointerLog(form.get());
    form->Show();
  }
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  PointerLog* log = nullptr;
};


}  // namespace

TEST(PointerScreen, RunsUnderXvfb) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("PointerScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(PointerScreenChild, APressBelongsToItsWindowWhileAnotherHoldsTheKeyboard) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    LoggedForm pressed(20, 20), other(300, 20);
    ASSERT_EQ(VideoDriver(), "x11");
    // The other window holds the keyboard, as the port window does while it searches.
    SDL_SetWindowInputFocus(other.form->Window());
    ASSERT_TRUE(PumpUntil([&] { return SDL_GetKeyboardFocus() == other.form->Window(); }))
        << "the other window never had the keyboard";

    ASSERT_TRUE(x.MoveTo(70, 60));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->GotMoveTo({50, 40}); })) << "the pointer never came";
    ASSERT_TRUE(x.Button(1, true));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->Got(WM_LBUTTONDOWN); })) << "the press never came";
    EXPECT_EQ(pressed.form->CaptureControl(), pressed.log);
    other.log->log.clear();

    // Dragged across the other window and beyond every window: the moves are the pressed
    // window's, in its client coordinates.
    ASSERT_TRUE(x.MoveTo(350, 60));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->GotMoveTo({330, 40}); }))
        << "a move over the other window did not reach the pressed one";
    ASSERT_TRUE(x.MoveTo(400, 300));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->GotMoveTo({380, 280}); }))
        << "a move outside every window did not reach the pressed one";
    ASSERT_TRUE(x.Button(1, false));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->Got(WM_LBUTTONUP); })) << "the release never came";
    EXPECT_EQ(pressed.log->log.back().P.X, 380);
    EXPECT_EQ(pressed.log->log.back().P.Y, 280);
    EXPECT_EQ(pressed.form->CaptureControl(), nullptr) << "the release gives the capture up";
    EXPECT_TRUE(other.log->log.empty()) << "the other window got " << other.log->log.size() << " messages";

    // Released, the pointer moving over the pressed window drags nothing: its moves carry no
    // button, and the other window gets its own moves again.
    pressed.log->log.clear();
    ASSERT_TRUE(x.MoveTo(60, 70));
    ASSERT_TRUE(PumpUntil([&] { return pressed.log->GotMoveTo({40, 50}); }));
    EXPECT_EQ(pressed.log->MoveTo({40, 50})->Keys & MK_LBUTTON, 0u);
    EXPECT_EQ(pressed.form->CaptureControl(), nullptr);
    ASSERT_TRUE(x.MoveTo(360, 70));
    ASSERT_TRUE(PumpUntil([&] { return other.log->GotMoveTo({60, 50}); }))
        << "the other window did not get the pointer back";
    EXPECT_FALSE(pressed.log->GotMoveTo({340, 50}));
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

TEST(PointerScreenChild, TwoQuickClicksInOnePlaceAreADoubleClickAndASlowOneIsNot) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    LoggedForm form(20, 20);
    ASSERT_TRUE(x.MoveTo(70, 60));
    ASSERT_TRUE(PumpUntil([&] { return form.log->GotMoveTo({50, 40}); })) << "the pointer never came";
    // Clicks is how many clicks go to the X server back to back; the server's own times tell
    // them apart, so the two of a double click are sent before the program has seen either
    // (waiting for the first in between could take longer than the double-click time on a
    // busy machine).
    const auto click = [&](int Clicks) {
      const int ups = form.log->Count(WM_LBUTTONUP);
      for (int i = 0; i < Clicks; ++i) ASSERT_TRUE(x.Button(1, true) && x.Button(1, false));
      ASSERT_TRUE(PumpUntil([&] { return form.log->Count(WM_LBUTTONUP) == ups + Clicks; })) << "the clicks never came";
    };
    click(2);
    EXPECT_EQ(form.log->Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(form.log->Count(WM_LBUTTONDBLCLK), 1);
    // Past the double-click time (half a second) on the server's clock as on ours.
    SDL_Delay(700);
    click(1);
    EXPECT_EQ(form.log->Count(WM_LBUTTONDOWN), 2) << "a click after the double-click time starts a new run";
    EXPECT_EQ(form.log->Count(WM_LBUTTONDBLCLK), 1);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

TEST(PointerScreenChild, AHintShowsUnderThePointWhereTheLastMoveCameToRest) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  rtl::Application->SetHintPause(50);
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(20, 20, 300, 150);
    TCustomControl* halves[2] = {new TCustomControl(form.get()), new TCustomControl(form.get())};
    for (int i = 0; i < 2; ++i) {
      halves[i]->SetBounds(150 * i, 0, 150, 150);
      halves[i]->SetParent(form.get());
      halves[i]->SetShowHint(true);
      halves[i]->SetHint(i ? u"Gas temperature" : u"Reducer pressure");
    }
    form->Show();
    // The X server's pointer comes to rest over the left half.
    ASSERT_TRUE(x.MoveTo(70, 60));
    ASSERT_TRUE(PumpUntil([] { return HintShowing(); })) << "no hint showed";
    EXPECT_EQ(HintControl(), halves[0]);
    EXPECT_EQ(HintWindow()->Left(), 70);
    EXPECT_EQ(HintWindow()->Top(), 60 + HintCursorMargin);
    // A rig's move over the right half (the X server's pointer stays where it is).
    SimulateMouseMove(form.get(), 200, 50);
    ASSERT_TRUE(PumpUntil([&] { return HintShowing() && HintControl() == halves[1]; })) << "no second hint showed";
    EXPECT_EQ(HintWindow()->Left(), 220);
    EXPECT_EQ(HintWindow()->Top(), 70 + HintCursorMargin);
    FreeHintWindow();
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

}  // namespace pointer_screen_test
