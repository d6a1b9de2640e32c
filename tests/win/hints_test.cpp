#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Hints.h"

namespace hints_test {

using namespace win;

namespace {

// A control that hands out hints for rectangles of its own, as a scene does for its objects.
class Zones : public TCustomControl {
public:
  explicit Zones(rtl::TComponent* AOwner) : TCustomControl(AOwner) { SetShowHint(true); }
  struct Zone {
    TRect R;
    std::u16string Text;
  };
  std::vector<Zone> zones;
  std::vector<THintInfo> asked;
  LRESULT refuse = 0;
  LRESULT WndProc(MSG& M) override {
    if (M.message != CM_HINTSHOW) return TCustomControl::WndProc(M);
    auto& info = *reinterpret_cast<THintInfo*>(M.lParam);
    asked.push_back(info);
    info.HintStr.clear();
    for (const Zone& z : zones)
      if (info.CursorPos.X >= z.R.Left && info.CursorPos.X < z.R.Right && info.CursorPos.Y >= z.R.Top &&
          info.CursorPos.Y < z.R.Bottom) {
        info.HintStr = z.Text;
        info.CursorRect = z.R;
        info.HintData = &z;
      }
    return refuse;
  }
};

struct HintsTest : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    rtl::Application->SetClock(&clock);
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(10, 20, 300, 200);
    zones = new Zones(form.get());
    zones->SetBounds(0, 0, 300, 200);
    zones->SetParent(form.get());
    zones->zones = {{{20, 20, 80, 40}, u"Reducer pressure"}, {{80, 20, 140, 40}, u"Gas temperature"}};
    form->Show();
  }
  void TearDown() override {
    FreeHintWindow();
    form.reset();
    rtl::Application->ProcessMessages();
    rtl::Application->SetClock(nullptr);
  }
  std::u16string Shown() const { return HintShowing() ? HintWindow()->Text() : std::u16string(); }
  void Rest(double Ms) { clock.Advance(Ms); }

  rtl::TTestClock clock{1000.0};
  std::unique_ptr<TForm> form;
  Zones* zones = nullptr;
};

TEST_F(HintsTest, AHintShowsOnceThePointerRestedForThePauseUnderThePointer) {
  SimulateMouseMove(form.get(), 30, 30);
  Rest(300);
  SimulateMouseMove(form.get(), 31, 30);  // the pointer moved on: the pause starts again
  Rest(499);
  EXPECT_FALSE(HintShowing());
  EXPECT_TRUE(zones->asked.empty());
  Rest(1);
  ASSERT_EQ(Shown(), u"Reducer pressure");
  ASSERT_EQ(zones->asked.size(), 1u);
  const THintInfo& info = zones->asked[0];
  EXPECT_EQ(info.HintControl, zones);
  EXPECT_EQ(info.CursorPos, (TPoint{31, 30}));
  EXPECT_EQ(info.CursorRect, zones->ClientRect());
  EXPECT_EQ(info.HideTimeout, 2500);
  EXPECT_GT(info.HintMaxWidth, 0);
  // Under the pointer (screen 41, 50), clear of the cursor.
  EXPECT_EQ(HintWindow()->Left(), 41);
  EXPECT_EQ(HintWindow()->Top(), 50 + HintCursorMargin);
  EXPECT_EQ(HintCursorRect(), (TRect{30, 40, 90, 60}));
  // Shown without taking the keyboard from the form, on top, borderless.
  EXPECT_EQ(ActiveForm(), form.get());
  EXPECT_EQ(HintWindow()->FormStyle(), fsStayOnTop);
  EXPECT_EQ(HintWindow()->BorderStyle(), bsNone);
  // A press in the hint would not activate it either.
  EXPECT_EQ(HintWindow()->Perform(WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
}

TEST_F(HintsTest, AHintHidesAfterTheHidePauseAndComesBackOnlyAfterThePointerLeftItsArea) {
  rtl::Application->SetHintHidePause(1000);
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  ASSERT_TRUE(HintShowing());
  SimulateMouseMove(form.get(), 60, 35);  // inside the area: the hint stays, nobody is asked again
  Rest(999);
  EXPECT_TRUE(HintShowing());
  EXPECT_EQ(zones->asked.size(), 1u);
  Rest(1);
  EXPECT_FALSE(HintShowing());
  SimulateMouseMove(form.get(), 40, 30);
  Rest(2000);
  EXPECT_FALSE(HintShowing());
  // Out and back in: the whole pause again (the hint that timed out does not count).
  SimulateMouseMove(form.get(), 200, 150);
  SimulateMouseMove(form.get(), 40, 30);
  Rest(499);
  EXPECT_FALSE(HintShowing());
  Rest(1);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  rtl::Application->SetHintHidePause(2500);
}

TEST_F(HintsTest, LeavingTheAreaHidesTheHintAndTheNextOneFollowsAfterTheShortPause) {
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  ASSERT_EQ(Shown(), u"Reducer pressure");
  SimulateMouseMove(form.get(), 100, 30);
  EXPECT_FALSE(HintShowing());
  Rest(49);
  EXPECT_FALSE(HintShowing());
  Rest(1);
  EXPECT_EQ(Shown(), u"Gas temperature");
  // Onto empty space: the hint goes, the control answers no text, and the short pause is
  // over: the next object waits for the whole pause.
  SimulateMouseMove(form.get(), 200, 150);
  EXPECT_FALSE(HintShowing());
  Rest(50);
  EXPECT_FALSE(HintShowing());
  SimulateMouseMove(form.get(), 30, 30);
  Rest(50);
  EXPECT_FALSE(HintShowing());
  Rest(450);
  EXPECT_EQ(Shown(), u"Reducer pressure");
}

TEST_F(HintsTest, APressAKeyAWheelTurnOrLeavingTheWindowClosesTheHint) {
  auto show = [&] {
    SimulateMouseMove(form.get(), 30, 30);
    Rest(500);
    return HintShowing();
  };
  ASSERT_TRUE(show());
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 30, 30);
  EXPECT_FALSE(HintShowing());
  SimulateMouseButton(form.get(), rtl::mbLeft, false, 30, 30);
  Rest(1000);
  EXPECT_FALSE(HintShowing()) << "no hint without a move after the press";
  SimulateMouseMove(form.get(), 31, 30);
  Rest(499);
  EXPECT_FALSE(HintShowing()) << "after a press the whole pause runs again";
  Rest(1);
  EXPECT_TRUE(HintShowing());
  SimulateKeyStroke(form.get(), 'g');
  EXPECT_FALSE(HintShowing());
  ASSERT_TRUE(show());
  SimulateMouseWheel(form.get(), 1);
  EXPECT_FALSE(HintShowing());
  ASSERT_TRUE(show());
  SimulateMouseLeave(form.get());
  EXPECT_FALSE(HintShowing());
  Rest(1000);
  EXPECT_FALSE(HintShowing());
}

TEST_F(HintsTest, OnlyControlsThatShowHintsAreAskedAndARefusalOrAnEmptyTextShowsNothing) {
  zones->refuse = 1;
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  EXPECT_EQ(zones->asked.size(), 1u);
  EXPECT_FALSE(HintShowing());
  zones->refuse = 0;
  zones->SetShowHint(false);
  SimulateMouseMove(form.get(), 35, 30);
  Rest(1000);
  EXPECT_EQ(zones->asked.size(), 1u);
  EXPECT_EQ(HintControl(), nullptr);
  // A child without hints of its own lets its parent speak for it.
  zones->SetShowHint(true);
  auto* child = new TCustomControl(form.get());
  child->SetBounds(10, 10, 50, 50);
  child->SetParent(zones);
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  EXPECT_EQ(HintControl(), zones);
  EXPECT_EQ(Shown(), u"Reducer pressure");
  EXPECT_EQ(zones->asked.back().CursorPos, (TPoint{30, 30}));
  // The application's switch turns every hint off.
  rtl::Application->SetShowHint(false);
  SimulateMouseMove(form.get(), 100, 30);
  Rest(1000);
  EXPECT_FALSE(HintShowing());
  rtl::Application->SetShowHint(true);
}

TEST_F(HintsTest, TheHintWindowStaysOnTheWorkAreaAndGoesAboveThePointerNearTheBottom) {
  const TRect work = WorkAreaAt({0, 0});
  ASSERT_GT(work.Width(), 300);
  zones->zones = {{{0, 0, 300, 200}, u"A rather long hint that names a value of the reducer and its unit"}};
  form->SetBounds(work.Right - 300, work.Bottom - 200, 300, 200);
  SimulateMouseMove(form.get(), 290, 190);
  Rest(500);
  ASSERT_TRUE(HintShowing());
  const TRect r = HintWindow()->BoundsRect();
  EXPECT_GE(r.Left, work.Left);
  EXPECT_LE(r.Right, work.Right);
  EXPECT_GE(r.Top, work.Top);
  EXPECT_LE(r.Bottom, work.Bottom);
  EXPECT_LE(r.Bottom, work.Bottom - 10) << "above the pointer, which sits 10 pixels above the bottom";
  EXPECT_GT(r.Width(), 200) << "one line for the whole text";
}

TEST_F(HintsTest, AHintClosesWhenWhatItNamesGoesOrItsControlGoes) {
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  ASSERT_TRUE(HintShowing());
  const Zones::Zone other{};
  CancelHintFor(&other);
  EXPECT_TRUE(HintShowing());
  CancelHintFor(&zones->zones[0]);
  EXPECT_FALSE(HintShowing());
  SimulateMouseMove(form.get(), 31, 30);
  Rest(500);
  ASSERT_TRUE(HintShowing());
  delete zones;
  EXPECT_FALSE(HintShowing());
  EXPECT_EQ(HintControl(), nullptr);
  Rest(5000);  // no timer is left to reach the freed control
  SimulateMouseMove(form.get(), 30, 31);
  Rest(1000);
  EXPECT_FALSE(HintShowing());
}

TEST_F(HintsTest, TheWindowIsADarkFaceWithALightEdgeAndLightText) {
  SimulateMouseMove(form.get(), 30, 30);
  Rest(500);
  ASSERT_TRUE(HintShowing());
  THintWindow* w = HintWindow();
  const TRect size = w->CalcHintRect(1000, u"Reducer pressure");
  EXPECT_EQ(w->Width(), size.Width());
  EXPECT_EQ(w->Height(), size.Height());
  EXPECT_GE(w->Height(), static_cast<int>(THintWindow::FontSize) + 2 * THintWindow::PaddingY);
  auto brightness = [](std::uint32_t P) { return ((P >> 16) & 0xFF) + ((P >> 8) & 0xFF) + (P & 0xFF); };
  int light = 0, dark = 0;
  for (int y = THintWindow::PaddingY; y < w->Height() - THintWindow::PaddingY; ++y)
    for (int x = THintWindow::PaddingX; x < w->Width() - THintWindow::PaddingX; ++x) {
      const unsigned b = brightness(w->PresentedPixel(x, y));
      if (b > 600) ++light;
      if (b < 150) ++dark;
    }
  EXPECT_GT(light, 20) << "the text is drawn in white";
  EXPECT_GT(dark, light) << "on a dark face";
  // The edge, half way down the left side, is lighter than the face beside it.
  const int mid = w->Height() / 2;
  EXPECT_GT(brightness(w->PresentedPixel(0, mid)), brightness(w->PresentedPixel(2, mid)) + 30);
  // A longer text makes a wider window; a narrow limit wraps it into more lines.
  EXPECT_GT(w->CalcHintRect(1000, u"Reducer pressure and more").Width(), size.Width());
  EXPECT_GT(w->CalcHintRect(60, u"Reducer pressure and more").Height(), size.Height());
  EXPECT_LE(w->CalcHintRect(60, u"Reducer pressure and more").Width(), 60);
}

}  // namespace

}  // namespace hints_test
