// A Hud window as the content of a real form: its buttons pass their modal result to the
// form, its close button closes the form, its size grip resizes it, and under Xvfb the
// window shows on screen as the reference picture of the Hud look.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/SceneControl.h"
#include "tests/vg2d_controls/ModalSteps.h"

namespace hud_window_form_test {

using namespace vg;

namespace {

constexpr TvxColor Desktop = 0xFF5A7A96u;

using looptest::Later;

// The centre of a visual object in the form's client coordinates (the scene fills the form).
TvxPoint Centre(TvxVisualObject* O) {
  const TvxRect r = O->GetAbsoluteRect();
  return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

void Click(win::TCustomForm* Form, TvxPoint P) {
  const int x = static_cast<int>(P.X), y = static_cast<int>(P.Y);
  win::SimulateMouseMove(Form, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, true, x, y);
  win::SimulateMouseButton(Form, rtl::mbLeft, false, x, y);
}


// Clicks at P from inside the modal loop (input is handled as it is simulated); a form still open after the click is ended with
// GaveUp, so a click that fails to end it fails the test instead of hanging it.
void ClickInModalLoop(win::TCustomForm* Form, std::function<TvxPoint()> P) {
  Later([Form, P] {
    Click(Form, P());
    vgtest::EndIfStillOpen(*Form);
  });
}

// A borderless form filled by a scene whose root is a Hud window with a button.
struct HudForm {
  explicit HudForm(int W = 300, int H = 200) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(Desktop);
    form->SetBounds(40, 30, W, H);
    scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    window = new TvxHudWindow(form.get());
    window->SetText(u"Settings");
    scene->AddObject(window);
    window->SetAlign(vaClient);
    button = new TvxHudButton(form.get());
    window->AddObject(button);
    button->SetBounds(20, 60, 90, 24);
    button->SetText(u"Apply");
  }
  // The window's own style part: the close button or the size grip.
  template <class T> T* Part(const std::string& Name) {
    window->ApplyResource();
    return FindPart<T>(window, Name);
  }
  std::unique_ptr<win::TForm> form;
  TvxScene* scene = nullptr;
  TvxHudWindow* window = nullptr;
  TvxHudButton* button = nullptr;
};

class HudWindowForm : public ::testing::Test {
protected:
  void SetUp() override {
    ControlsStartup();
    rtl::Application->Reset();
  }
  void TearDown() override {
    rtl::Application->ProcessMessages();
    FreeAniThread();
    ControlsShutdown();
  }
};

}  // namespace

TEST_F(HudWindowForm, AButtonsModalResultEndsTheModalFormAndTheCloseButtonCancelsIt) {
  HudForm f;
  int clicks = 0;
  f.button->OnClick = [&](rtl::TObject*) { ++clicks; };
  f.button->SetModalResult(2);
  ClickInModalLoop(f.form.get(), [&] { return Centre(f.button); });
  EXPECT_EQ(f.form->ShowModal(), 2);
  EXPECT_EQ(clicks, 1) << "the click runs after the result is passed on";
  EXPECT_FALSE(f.form->Showing());

  f.button->SetModalResult(win::mrYes);
  ClickInModalLoop(f.form.get(), [&] { return Centre(f.button); });
  EXPECT_EQ(f.form->ShowModal(), win::mrYes);

  // A button without a modal result leaves the form open; the close button then cancels.
  f.button->SetModalResult(0);
  auto* close = f.Part<TvxCloseButton>("close");
  ASSERT_NE(close, nullptr);
  int closeClicks = 0;
  close->OnClick = [&](rtl::TObject*) { ++closeClicks; };
  Later([&] {
    Click(f.form.get(), Centre(f.button));
    EXPECT_EQ(f.form->ModalResult(), win::mrNone);
    EXPECT_TRUE(f.form->Showing());
  });
  ClickInModalLoop(f.form.get(), [&] { return Centre(close); });
  EXPECT_EQ(f.form->ShowModal(), win::mrCancel);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(closeClicks, 1);
}

TEST_F(HudWindowForm, TheCloseButtonClosesAFormThatIsNotModalAndTheGripResizesIt) {
  HudForm f;
  f.form->Show();
  rtl::Application->ProcessMessages();
  auto* grip = f.Part<TvxSizeGrip>("sizegrip");
  ASSERT_NE(grip, nullptr);
  const TvxPoint g = Centre(grip);
  win::SimulateMouseMove(f.form.get(), static_cast<int>(g.X), static_cast<int>(g.Y));
  win::SimulateMouseButton(f.form.get(), rtl::mbLeft, true, static_cast<int>(g.X), static_cast<int>(g.Y));
  win::SimulateMouseMove(f.form.get(), static_cast<int>(g.X) + 40, static_cast<int>(g.Y) + 25);
  win::SimulateMouseButton(f.form.get(), rtl::mbLeft, false, static_cast<int>(g.X) + 40,
                           static_cast<int>(g.Y) + 25);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(f.form->Width(), 340);
  EXPECT_EQ(f.form->Height(), 225);
  EXPECT_EQ(f.form->Left(), 40) << "a grip resizes, it does not move";
  EXPECT_FLOAT_EQ(f.window->Width(), 340) << "the window follows the scene";

  // The close button asks the close query; a refusal keeps the form, then it hides.
  bool allow = false;
  f.form->OnCloseQuery = [&](rtl::TObject*, bool& CanClose) { CanClose = allow; };
  auto* close = f.Part<TvxCloseButton>("close");
  ASSERT_NE(close, nullptr);
  Click(f.form.get(), Centre(close));
  EXPECT_TRUE(f.form->Showing());
  allow = true;
  Click(f.form.get(), Centre(close));
  EXPECT_FALSE(f.form->Showing());

  // With CloseForm off the button only reports its click.
  f.form->Show();
  rtl::Application->ProcessMessages();
  close->SetCloseForm(false);
  int closeClicks = 0;
  close->OnClick = [&](rtl::TObject*) { ++closeClicks; };
  Click(f.form.get(), Centre(close));
  EXPECT_TRUE(f.form->Showing());
  EXPECT_EQ(closeClicks, 1);
}

// Under Xvfb: the Hud window of the reference picture, shown in a real window, reaches the
// screen as that picture (the form's colour is the picture's desktop).
TEST(HudWindowScreenshot, ARealWindowShowsTheHudReferencePicture) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("HudWindowScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(HudWindowScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  constexpr int W = 360, H = 240, X0 = 100, Y0 = 80;
  ControlsStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetColor(Desktop);
    form->SetBounds(X0, Y0, W, H);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush desktop(vgBrushSolid, Desktop);
    scene->SetFill(&desktop);
    // The scene of the reference picture (tests/vg2d_controls/hud_scene_test.cpp).
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto put = [&](TvxObject* Parent, auto* Control, float X, float Y, float Width, float Height) {
      Parent->AddObject(Control);
      Control->SetBounds(X, Y, Width, Height);
      return Control;
    };
    auto* window = put(root, new TvxHudWindow(form.get()), 10, 10, 340, 220);
    window->SetText(u"Settings");
    auto* label = put(window, new TvxHudLabel(form.get()), 20, 36, 140, 18);
    label->SetText(u"Reducer pressure");
    label->SetTextAlign(vgTextAlignNear);
    auto* panel = put(window, new TvxHudPanel(form.get()), 20, 62, 140, 60);
    auto* value = put(panel, new TvxHudLabel(form.get()), 0, 0, 140, 60);
    value->Font()->SetSize(26);
    value->SetText(u"1.25");
    put(window, new TvxHudButton(form.get()), 20, 134, 90, 24)->SetText(u"Connect");
    auto* check = put(window, new TvxHudCheckBox(form.get()), 20, 170, 140, 19);
    check->SetText(u"Buzzer");
    check->SetIsChecked(true);
    auto* group = put(window, new TvxHudGroupBox(form.get()), 180, 36, 150, 150);
    group->SetText(u"Errors");
    put(group, new TvxHudLabel(form.get()), 10, 30, 130, 18)->SetText(u"No errors");
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");

    TvxBitmap reference;
    TvxFilterGdiPlus png;
    ASSERT_TRUE(png.LoadFromFile(std::string(VG2D_CONTROLS_TEST_DATA) + "/hud_scene.png", 0, reference));
    ASSERT_EQ(reference.Width(), W);
    ASSERT_EQ(reference.Height(), H);
    // The pixels of the client area that differ from the reference by more than a trace.
    const std::string shot = "/tmp/gascal-hud-" + std::to_string(getpid()) + ".xwd";
    vgtest::Screenshot s;
    auto differing = [&] {
      if (!vgtest::ReadXwd(shot, s) || s.width < X0 + W || s.height < Y0 + H) return W * H;
      int off = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) off += vgtest::Near(s.At(X0 + x, Y0 + y), reference.Bits()[y * W + x], 10) ? 0 : 1;
      return off;
    };
    // The X server shows the window in its own time and the check mark fades in on the
    // clock: look again until the screen settles on the picture (bounded). A few dozen
    // pixels of glyph edges may differ; one changed digit of the value differs in more.
    constexpr int Trace = 64;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int off = W * H;
    while (off > Trace && std::chrono::steady_clock::now() < end) {
      win::PumpEvents();
      rtl::Application->ProcessMessages();
      ASSERT_EQ(std::system(("xwd -root -silent -out " + shot).c_str()), 0);
      off = differing();
      if (off > Trace) SDL_Delay(20);
    }
    EXPECT_LE(off, Trace) << "pixels of the window that differ from the reference picture";
    // Chosen pixels: the desktop outside the Hud window, its dark face and caption bar.
    EXPECT_TRUE(vgtest::Near(s.At(X0 + 3, Y0 + 3), Desktop));
    EXPECT_TRUE(vgtest::Near(s.At(X0 + 200, Y0 + 20), reference.Bits()[20 * W + 200] | 0xFF000000u));
    EXPECT_LT((s.At(X0 + 170, Y0 + 200) >> 16) & 0xFF, 0x40u);
    std::remove(shot.c_str());
  }
  rtl::Application->ProcessMessages();
  FreeAniThread();
  win::CloseDisplay();
  ControlsShutdown();
}

}  // namespace hud_window_form_test
