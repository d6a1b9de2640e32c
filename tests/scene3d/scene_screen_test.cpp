// A 3D scene in a real window under Xvfb, read back from the X screen: a transparent scene
// (as every window of the program is) put into design mode shows its cube and, once a click
// selected the cube, the selection's handles; a key typed on the X server's keyboard
// reaches a focused cube that takes no text as its character; and in the design view the
// Delete key frees the button selected inside a GUI layer, not the layer. With
// GASCAL_FRAME_DIR set the design views are written there as PNGs to look at.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "ViewAim.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"
#include "scene3d/DxCanvas.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "tests/XTest.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/Library.h"

namespace scene_screen_test {

using namespace dx;

namespace {

constexpr int X0 = 60, Y0 = 40, W = 400, H = 300;
constexpr TdxColor Fill = 0xFF303030u;

struct LibraryRun {
  LibraryRun() {
    rtl::Application->Reset();
    vg::LibraryStartup();
    dxDirectXStartup(gfx3d::OpenGlDirect3D());
    SceneLibraryStartup();
  }
  ~LibraryRun() {
    rtl::Application->ProcessMessages();
    SceneLibraryShutdown();
    dxDirectXShutdown();
    vg::LibraryShutdown();
  }
};

// A borderless form at (X0, Y0) whose transparent scene holds a lit grey cube.
struct CubeWindow {
  CubeWindow() {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(X0, Y0, W, H);
    scene = new TdxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetTransparency(true);
    scene->SetFillColor("#FF303030");
    root = new TdxVisualObject(form.get());
    scene->AddObject(root);
    root->AddObject(new TdxLight(form.get()));
    cube = new TdxCube(form.get());
    root->AddObject(cube);
    cube->SetWidth(6);
    cube->SetHeight(4);
    cube->SetDepth(4);
    cube->Material()->SetDiffuseColor(0xFF808080u);
  }
  void Pump() {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
  }
  // Where a point of the cube shows on the screen.
  win::TPoint OnScreen(const TdxVector& Local) const {
    const win::TPoint p = dxtest::ProjectToClient(*scene->GetCanvas(), cube->LocalToAbsolute(Local));
    return {X0 + p.X, Y0 + p.Y};
  }
  std::unique_ptr<win::TForm> form;
  TdxScene* scene = nullptr;
  TdxVisualObject* root = nullptr;
  TdxCube* cube = nullptr;
};

// Reads the X screen until Ready says what it shows is there (at most a minute).
bool WaitForScreen(CubeWindow& Window, vgtest::Screenshot& Shot,
                   const std::function<bool(const vgtest::Screenshot&)>& Ready) {
  const std::string file = "/tmp/gascal-scene-screen-" + std::to_string(getpid()) + ".xwd";
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  bool ready = false;
  while (!ready && std::chrono::steady_clock::now() < end) {
    Window.Pump();
    if (std::system(("xwd -root -silent -out " + file).c_str()) != 0) break;
    ready = vgtest::ReadXwd(file, Shot) && Shot.width >= X0 + W && Shot.height >= Y0 + H && Ready(Shot);
    if (!ready) SDL_Delay(20);
  }
  std::remove(file.c_str());
  return ready;
}

// Writes the window's part of the screen as a PNG to look at, when GASCAL_FRAME_DIR is set.
void SaveWindowShot(const vgtest::Screenshot& S, const std::string& Name) {
  const char* dir = std::getenv("GASCAL_FRAME_DIR");
  if (!dir) return;
  vg::TvxBitmap b;
  b.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) b.GetScanline(y)[x] = S.At(X0 + x, Y0 + y) | 0xFF000000u;
  EXPECT_TRUE(vg::TvxFilterGdiPlus().SaveToFile(std::string(dir) + "/" + Name + ".png", b, ""));
}

// How many pixels of the 5 x 5 square around P on the screen have the colour.
int Around(const vgtest::Screenshot& S, win::TPoint P, TdxColor Colour) {
  int n = 0;
  for (int y = P.Y - 2; y <= P.Y + 2; ++y)
    for (int x = P.X - 2; x <= P.X + 2; ++x) n += vgtest::Near(S.At(x, y), Colour, 3);
  return n;
}

}  // namespace

// Each child runs on its own Xvfb screen: the display opens once per run.
TEST(SceneScreen, ARealWindowShowsTheDesignView) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneScreenChild.ADesigned*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(SceneScreen, ARealWindowTakesTypedCharacters) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneScreenChild.AKeyTyped*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(SceneScreen, ARealDesignMenuOpensAtItsPress) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneScreenChild.TheDesignMenu*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(SceneScreenChild, ADesignedSceneShowsItsCubeAndTheClickedCubesHandles) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    ASSERT_TRUE(w.form->Layered()) << "a transparent scene at run time hands its form whole frames";
    w.scene->SetDesignTime(true);
    EXPECT_FALSE(w.form->Layered()) << "the design view is opaque";
    w.Pump();
    ASSERT_TRUE(w.scene->GetCanvas());
    const win::TPoint centre = w.OnScreen({0, -2, 0, 1});  // the middle of the front face
    vgtest::Screenshot s;
    // The design view reaches the screen: the fill around, the cube's front face, no handles.
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return vgtest::Near(S.At(X0 + 10, Y0 + H - 10), Fill) && !vgtest::Near(S.At(centre.X, centre.Y), Fill, 12);
    })) << "the designed scene never reached the screen";
    const TdxVector resize1{3, -2, 2, 1}, rotateZ{0, -2 - 1.8f, 0, 1}, rotateY{3 + 1.8f, 0, 0, 1};
    EXPECT_EQ(Around(s, w.OnScreen(rotateZ), DesignRotateColor), 0);

    // A click on the cube selects it; its frame and handles then show on the screen.
    win::SimulateMouseMove(w.form.get(), centre.X - X0, centre.Y - Y0);
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, true, centre.X - X0, centre.Y - Y0);
    win::SimulateMouseButton(w.form.get(), rtl::mbLeft, false, centre.X - X0, centre.Y - Y0);
    ASSERT_EQ(w.scene->Selected(), w.cube);
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return Around(S, w.OnScreen(rotateZ), DesignRotateColor) >= 4;
    })) << "the selection's handles never reached the screen";
    EXPECT_GE(Around(s, w.OnScreen(resize1), DesignFrameColor), 4);
    EXPECT_GE(Around(s, w.OnScreen(rotateY), DesignRotateColor), 4);
    // The cube is still there, lit grey, and the design hints' first line at the top left.
    const std::uint32_t face = s.At(centre.X, centre.Y);
    EXPECT_FALSE(vgtest::Near(face, Fill, 12));
    EXPECT_TRUE(vgtest::Near((face >> 16) & 0xFF, face & 0xFF, 4) && vgtest::Near((face >> 8) & 0xFF, face & 0xFF, 4))
        << std::hex << face;
    int hint = 0;
    for (int y = Y0; y < Y0 + 10; ++y)
      for (int x = X0; x < X0 + 200; ++x) hint += !vgtest::Near(s.At(x, y), Fill, 12);
    EXPECT_GT(hint, 20) << "the hints are drawn over the view";
    // Outside the window: the X root.
    EXPECT_FALSE(vgtest::Near(s.At(X0 - 5, Y0 - 5), Fill, 2));
    SaveWindowShot(s, "scene_design_screen");
  }
  win::CloseDisplay();
}

TEST(SceneScreenChild, AKeyTypedOnTheKeyboardReachesAFocusedCubeAsItsCharacter) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    std::u16string chars;
    w.cube->SetCanFocused(true);
    w.cube->OnKeyDown = [&](rtl::TObject*, std::uint16_t&, char16_t& Ch, rtl::TShiftState) {
      if (Ch) chars.push_back(Ch);
    };
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.scene->SetFocus();
    w.cube->SetFocus();
    ASSERT_EQ(w.scene->GetFocused(), w.cube);
    EXPECT_FALSE(win::TextInputActive()) << "a cube takes no text: keys stay keys";
    // The X server gives the window the keyboard.
    SDL_SetWindowInputFocus(w.form->Window());
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (SDL_GetKeyboardFocus() != w.form->Window() && std::chrono::steady_clock::now() < end) {
      w.Pump();
      SDL_Delay(10);
    }
    ASSERT_EQ(SDL_GetKeyboardFocus(), w.form->Window()) << "the window never had the keyboard";
    ASSERT_TRUE(xtest::TXTest().Type(0x68)) << "the X test extension cannot type here";  // the "h" key
    while (chars.empty() && std::chrono::steady_clock::now() < end) {
      w.Pump();
      SDL_Delay(10);
    }
    EXPECT_EQ(chars, u"h");
    EXPECT_EQ(w.scene->GetFocused(), w.cube);
  }
  win::CloseDisplay();
}

TEST(SceneScreen, ARealDeleteTakesTheButtonSelectedInALayerNotTheLayer) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneScreenChild.DeleteTyped*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

// The X server's pointer presses the right button and moves on before the program looks (a
// busy GUI thread): the menu opens where the press was.
TEST(SceneScreenChild, TheDesignMenuOpensWhereItsPressWasThoughThePointerMovedOn) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.scene->SetDesignTime(true);
    w.Pump();
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    const win::TPoint press{X0 + 30, Y0 + 30};
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    ASSERT_TRUE(x.MoveTo(press.X, press.Y));
    while (win::GetCursorPos() != press && std::chrono::steady_clock::now() < end) {
      w.Pump();
      SDL_Delay(5);
    }
    ASSERT_EQ(win::GetCursorPos(), press) << "the pointer never came";
    ASSERT_TRUE(x.Button(3, true) && x.MoveTo(X0 + 300, Y0 + 200));
    const auto open = [&] { return w.scene->DesignPopupMenu() && w.scene->DesignPopupMenu()->IsOpen(); };
    while (!open() && std::chrono::steady_clock::now() < end) {
      w.Pump();
      SDL_Delay(5);
    }
    ASSERT_TRUE(open()) << "no menu opened";
    EXPECT_EQ(w.scene->DesignMenuPoint(), press);
    ASSERT_TRUE(x.Button(3, false));
    w.Pump();
    w.scene->DesignPopupMenu()->CloseMenu();
    w.Pump();
  }
  win::CloseDisplay();
}

// The X server's pointer clicks a GUI layer in the design view (the scene selects it), then
// the button on it (the layer selects the button); Delete typed on the X server's keyboard
// then frees the button and leaves the layer, still selected, on the screen.
TEST(SceneScreenChild, DeleteTypedInTheDesignViewFreesTheButtonSelectedInALayer) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    struct ControlsRun {
      ControlsRun() { vg::ControlsStartup(); }
      ~ControlsRun() { vg::ControlsShutdown(); }
    } controls;
    CubeWindow w;
    auto* layer = new TdxGUIObjectLayer(w.form.get());
    w.root->AddObject(layer);
    layer->SetDesignTime(true);
    layer->SetWidth(160);
    layer->SetHeight(100);
    layer->Position()->SetPoint({300, 220, 0});  // client (220, 170) to (380, 270)
    auto* root2d = new vg::TvxLayout(w.form.get());
    layer->AddObject(root2d);
    layer->RealignRoot();
    auto* button = new vg::TvxButton(w.form.get());
    root2d->AddObject(button);
    button->SetBounds(10, 10, 60, 30);  // client (230, 180) to (290, 210)
    button->SetText(u"Gas");
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.scene->SetDesignTime(true);
    w.Pump();
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    const auto pumpUntil = [&](const std::function<bool()>& Done) {
      while (!Done() && std::chrono::steady_clock::now() < end) {
        w.Pump();
        SDL_Delay(5);
      }
      return Done();
    };
    const auto click = [&](int X, int Y) {
      const win::TPoint at{X0 + X, Y0 + Y};
      return x.MoveTo(at.X, at.Y) && pumpUntil([&] { return win::GetCursorPos() == at; }) && x.Button(1, true) &&
             x.Button(1, false);
    };
    ASSERT_TRUE(click(350, 250));
    ASSERT_TRUE(pumpUntil([&] { return w.scene->Selected() == layer; })) << "the layer was never selected";
    ASSERT_TRUE(click(260, 195));
    ASSERT_TRUE(pumpUntil([&] { return layer->GetSelected() == button; })) << "the button was never selected";
    SDL_SetWindowInputFocus(w.form->Window());
    ASSERT_TRUE(pumpUntil([&] { return SDL_GetKeyboardFocus() == w.form->Window(); }))
        << "the window never had the keyboard";
    vgtest::Screenshot s;
    const auto buttonShows = [&](const vgtest::Screenshot& S) {
      return !vgtest::Near(S.At(X0 + 260, Y0 + 195), Fill, 12);
    };
    ASSERT_TRUE(WaitForScreen(w, s, buttonShows)) << "the button never reached the screen";
    SaveWindowShot(s, "scene_design_layer_button");

    vg::TvxFreeWatch buttonGone(button);
    TdxFreeWatch layerGone(layer);
    ASSERT_TRUE(x.Type(0xFFFF)) << "the X test extension cannot type here";  // the Delete key
    ASSERT_TRUE(pumpUntil([&] { return buttonGone.Gone() || layerGone.Gone(); })) << "Delete freed nothing";
    EXPECT_TRUE(buttonGone.Gone());
    ASSERT_FALSE(layerGone.Gone()) << "Delete freed the layer";
    EXPECT_EQ(w.scene->Selected(), layer);
    EXPECT_EQ(layer->GetSelected(), nullptr);
    // The button leaves the screen; the layer, still selected, keeps its frame there.
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) { return !buttonShows(S); }))
        << "the button stayed on the screen";
    EXPECT_GE(Around(s, {X0 + 220, Y0 + 220}, DesignFrameColor), 4) << "the layer's frame left the screen";
    SaveWindowShot(s, "scene_design_layer_deleted");
  }
  win::CloseDisplay();
}

}  // namespace scene_screen_test
