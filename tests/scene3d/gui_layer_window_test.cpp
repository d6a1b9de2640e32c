// A window as the program builds every window: a form with a 3D scene whose root holds a GUI
// object layer that carries a layout with a Hud button and a size grip, read from component
// text and drawn by the Direct3D canvas on the OpenGL device. A click fires the button, the
// mouse over it hovers it, a press on empty space moves the form, the grip resizes the form
// with the layer and its buffer following, a burst of repaints gives one frame, and Tab
// focuses the first control. Under Xvfb the window reaches the screen as drawn (with
// GASCAL_FRAME_DIR set, the screenshot is written there as a PNG to look at).
#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace gui_layer_window_test {

using namespace dx;

namespace {

constexpr TdxColor Backdrop = 0xFF3A5A78u;

// The window's scene as a form streams it: the layer fills the client area and may be dragged,
// the layout (a bare control standing in for the layout control) lets presses through to the
// layer.
const char* const WindowText = R"(object dxScene1: TdxScene
  AllowDrag = True
  FillColor = '#FF3A5A78'
  UsingDesignCamera = False
  object Root1: TdxVisualObject
    object GuiLayer: TdxGUIObjectLayer
      DragDisableHighlight = True
      Width = 300.0
      Height = 200.0
      Position.X = 150.0
      Position.Y = 100.0
      Depth = 8.0
      ShowHint = True
      TwoSide = True
      ModulationColor = '#FFFFFFFF'
      AllowDrag = True
      LayerAlign = dxLayerContents
      Fill.Style = vgBrushNone
      DesignSnapGridShow = False
      DesignSnapToGrid = False
      DesignSnapToLines = True
      object Layout1: TvxLayout
        object Button1: TvxHudButton
          Position.X = 20.0
          Position.Y = 30.0
          Width = 100.0
          Height = 26.0
          Text = 'Apply'
        end
        object SizeGrip1: TvxHudSizeGrip
          Position.X = 280.0
          Position.Y = 180.0
          Width = 20.0
          Height = 20.0
        end
      end
    end
  end
end
)";

struct Window {
  Window(int X, int Y) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(X, Y, 300, 200);
    scene = new TdxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    rtl::TStringStream text(WindowText);
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 4096).ReadRootComponent(scene);
    layer = dynamic_cast<TdxGUIObjectLayer*>(scene->FindComponent("GuiLayer"));
    button = dynamic_cast<vg::TvxHudButton*>(scene->FindComponent("Button1"));
    grip = dynamic_cast<vg::TvxSizeGrip*>(scene->FindComponent("SizeGrip1"));
  }
  void Pump() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxGUIObjectLayer* layer = nullptr;
  vg::TvxHudButton* button = nullptr;
  vg::TvxSizeGrip* grip = nullptr;
};

void Press(win::TCustomForm* F, int X, int Y) {
  win::SimulateMouseMove(F, X, Y);
  win::SimulateMouseButton(F, rtl::mbLeft, true, X, Y);
}

struct LibraryRun {
  LibraryRun() {
    rtl::Application->Reset();
    vg::ControlsStartup();
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    SceneLibraryStartup();
  }
  ~LibraryRun() {
    rtl::Application->ProcessMessages();
    vg::FreeAniThread();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::ControlsShutdown();
  }
};

}  // namespace

TEST(GuiLayerWindow, AStreamedWindowClicksHoversMovesResizesAndTabs) {
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  LibraryRun run;
  // Time stands still unless the test moves it: only render requests make frames.
  rtl::TTestClock clock;
  rtl::Application->SetClock(&clock);
  {
    Window w(40, 30);
    ASSERT_NE(w.layer, nullptr);
    ASSERT_NE(w.button, nullptr);
    ASSERT_NE(w.grip, nullptr);
    EXPECT_EQ(w.layer->LayerAlign(), dxLayerContents);
    EXPECT_TRUE(w.layer->AllowDrag());
    ASSERT_EQ(w.layer->RootCount(), 1);
    EXPECT_EQ(w.button->Scene(), w.layer) << "the 2D controls are hosted by the layer";
    int clicks = 0;
    w.button->OnClick = [&](rtl::TObject*) { ++clicks; };
    w.form->Show();
    clock.Advance(2);  // the first full repaint after loading
    w.Pump();
    ASSERT_TRUE(w.scene->GetCanvas());
    EXPECT_GT(w.scene->FrameCount(), 0);
    EXPECT_EQ(w.layer->GetBuffer()->Width(), 300);
    EXPECT_EQ(w.layer->GetUpdateRectsCount(), 0) << "everything pending was painted";
    // In the buffer: the button opaque, the grip's strokes in the corner, nothing between.
    auto alpha = [&](int X, int Y) { return w.layer->GetBuffer()->Bits()[Y * 300 + X] >> 24; };
    EXPECT_EQ(alpha(70, 43), 0xFFu);
    EXPECT_EQ(alpha(200, 120), 0u);
    int strokes = 0;
    for (int y = 180; y < 200; ++y)
      for (int x = 280; x < 300; ++x) strokes += alpha(x, y) > 0;
    EXPECT_GT(strokes, 8);

    // Hover and click.
    win::SimulateMouseMove(w.form.get(), 70, 43);
    EXPECT_TRUE(w.button->IsMouseOver());
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, true, 70, 43);
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, false, 70, 43);
    EXPECT_EQ(clicks, 1);
    win::SimulateMouseMove(w.form.get(), 200, 120);
    EXPECT_FALSE(w.button->IsMouseOver());
    EXPECT_EQ(w.layer->Hovered(), nullptr);

    // A press on empty space moves the window.
    Press(w.form.get(), 200, 120);
    win::SimulateMouseMove(w.form.get(), 230, 110);
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, false, 230, 110);
    w.Pump();
    EXPECT_EQ(w.form->Left(), 70);
    EXPECT_EQ(w.form->Top(), 20);
    EXPECT_EQ(w.form->Width(), 300);
    EXPECT_EQ(clicks, 1);

    // The grip resizes it; the layer and, at the next frame, its buffer follow.
    Press(w.form.get(), 290, 190);
    win::SimulateMouseMove(w.form.get(), 330, 215);
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, false, 330, 215);
    w.Pump();
    EXPECT_EQ(w.form->Width(), 340);
    EXPECT_EQ(w.form->Height(), 225);
    EXPECT_EQ(w.form->Left(), 70) << "a grip resizes, it does not move";
    EXPECT_FLOAT_EQ(w.layer->Width(), 340);
    EXPECT_FLOAT_EQ(w.layer->Height(), 225);
    EXPECT_FLOAT_EQ(w.layer->Position()->X(), 170);
    EXPECT_EQ(w.layer->GetBuffer()->Width(), 340);
    EXPECT_EQ(w.layer->GetBuffer()->Height(), 225);
    EXPECT_EQ(w.layer->Canvas()->Width(), 340);
    EXPECT_FLOAT_EQ(w.layer->Roots(0)->Visual()->Width(), 340) << "the layout fills the layer";

    // A burst of twenty-one repaints is one frame.
    const int frames = w.scene->FrameCount();
    for (int i = 0; i < 21; ++i) w.layer->AddUpdateRect(vg::MakeRect(i * 10.0f, 5, i * 10.0f + 2, 7));
    EXPECT_EQ(w.layer->GetUpdateRectsCount(), 21);
    w.Pump();
    EXPECT_EQ(w.scene->FrameCount(), frames + 1);
    EXPECT_EQ(w.layer->GetUpdateRectsCount(), 0);

    // Tab gives the layer the focus, and the layer its first control.
    w.scene->SetFocus();
    win::SimulateKeyStroke(w.form.get(), SDLK_TAB);
    EXPECT_EQ(w.scene->GetFocused(), w.layer);
    EXPECT_EQ(w.layer->GetFocused(), w.button);
  }
  rtl::Application->SetClock(nullptr);
}

// Under Xvfb: the window reaches the screen with its backdrop and its Hud button.
TEST(GuiLayerWindowScreenshot, ARealWindowShowsTheLayersControls) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("GuiLayerWindowScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(GuiLayerWindowScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  constexpr int X0 = 100, Y0 = 80;
  LibraryRun run;
  {
    Window w(X0, Y0);
    ASSERT_NE(w.button, nullptr);
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    const std::string shot = "/tmp/gascal-guilayer-" + std::to_string(getpid()) + ".xwd";
    vgtest::Screenshot s;
    // The X server shows the window in its own time: look until the backdrop is there.
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool shown = false;
    while (!shown && std::chrono::steady_clock::now() < end) {
      w.Pump();
      ASSERT_EQ(std::system(("xwd -root -silent -out " + shot).c_str()), 0);
      shown = vgtest::ReadXwd(shot, s) && s.width >= X0 + 300 && s.height >= Y0 + 200 &&
              vgtest::Near(s.At(X0 + 200, Y0 + 120), Backdrop) && !vgtest::Near(s.At(X0 + 70, Y0 + 43), Backdrop);
      if (!shown) SDL_Delay(20);
    }
    ASSERT_TRUE(shown) << "the window never showed its backdrop and its button";
    // Outside the window: the X root; the button's face differs from the backdrop across its
    // width, and its corners stay within it.
    EXPECT_FALSE(vgtest::Near(s.At(X0 - 5, Y0 - 5), Backdrop));
    for (int x = X0 + 30; x < X0 + 110; x += 20) EXPECT_FALSE(vgtest::Near(s.At(x, Y0 + 43), Backdrop, 4)) << x;
    EXPECT_TRUE(vgtest::Near(s.At(X0 + 130, Y0 + 43), Backdrop));
    EXPECT_TRUE(vgtest::Near(s.At(X0 + 70, Y0 + 70), Backdrop));
    if (const char* dir = std::getenv("GASCAL_FRAME_DIR")) {
      vg::TvxBitmap b;
      b.SetSize(300, 200);
      for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) b.GetScanline(y)[x] = s.At(X0 + x, Y0 + y) | 0xFF000000u;
      EXPECT_TRUE(vg::TvxFilterGdiPlus().SaveToFile(std::string(dir) + "/gui_layer_window.png", b, ""));
    }
    std::remove(shot.c_str());
  }
  win::CloseDisplay();
}

}  // namespace gui_layer_window_test
