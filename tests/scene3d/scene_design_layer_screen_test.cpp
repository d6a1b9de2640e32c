// A GUI layer in the design view of a 3D scene in a real window under Xvfb, read back from the
// X screen and driven by the X server's own pointer and keyboard: a design menu opens where its
// press was and has the keys while it is open; the Delete key frees the button selected inside
// the layer, not the layer, and frees the layer when only its root is selected inside it; a
// drag of a button selected in the layer snaps onto its sibling's edge at the layer's
// tolerance, though the pointer reaches the layer through the view's projection. The menus' and
// the drag's tests run under openbox too.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "ViewAim.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"
#include "platform/win/Menus.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes3D.h"
#include "scene3d/TextBox3D.h"
#include "tests/XTest.h"
#include "tests/XWindows.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/core/DesignEditor.h"

// After the library's headers: the scene screen harness brings Xlib, as the last of its own.
#include "SceneScreen.h"

// Last: Xlib's macros (None, Bool) would break GoogleTest and the library's headers.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace scene_design_layer_screen_test {

using namespace dx;

namespace {

using namespace scenescreen;

// The cube window with a GUI layer at design time that holds a layout root and a button, shown
// in the design view; the X server's pointer and keyboard drive it. Pumps until a wait's
// guard (a minute) ends a wait that never ends.
struct DesignedLayerWindow : CubeWindow {
  DesignedLayerWindow() {
    layer = new TdxGUIObjectLayer(form.get());
    root->AddObject(layer);
    layer->SetDesignTime(true);
    layer->SetWidth(160);
    layer->SetHeight(100);
    layer->Position()->SetPoint({300, 220, 0});  // client (220, 170) to (380, 270)
    root2d = new vg::TvxLayout(form.get());
    layer->AddObject(root2d);
    layer->RealignRoot();
    button = new vg::TvxButton(form.get());
    root2d->AddObject(button);
    button->SetBounds(10, 10, 60, 30);  // client (230, 180) to (290, 210)
    button->SetText(u"Gas");
    form->Show();
    scene->SetDesignTime(true);
    Pump();
    FindPlace();
  }
  // A click of Button (1 left, 3 right) at the client point (X, Y).
  bool Click(int X, int Y, unsigned Button = 1) {
    const win::TPoint at = At(X, Y);
    return x.MoveTo(at.X, at.Y) && PumpUntil([&] { return win::GetCursorPos() == at; }) && x.Button(Button, true) &&
           x.Button(Button, false);
  }
  // Selects the layer (the scene selects it), then the button in it (the layer selects it); the
  // window gets the keyboard.
  void SelectButton() {
    ASSERT_TRUE(Click(350, 250));
    ASSERT_TRUE(PumpUntil([&] { return scene->Selected() == layer; })) << "the layer was never selected";
    ASSERT_TRUE(Click(260, 195));
    ASSERT_TRUE(PumpUntil([&] { return layer->GetSelected() == button; })) << "the button was never selected";
    ASSERT_TRUE(TakeKeyboard()) << "the window never had the keyboard";
  }
  bool TakeKeyboard() {
    SDL_SetWindowInputFocus(form->Window());
    return PumpUntil([&] { return SDL_GetKeyboardFocus() == form->Window(); });
  }
  TdxGUIObjectLayer* layer = nullptr;
  vg::TvxLayout* root2d = nullptr;
  vg::TvxButton* button = nullptr;
  xtest::TXTest x;
};

}  // namespace

// The design menus under a window manager, as on an installer's desktop.
TEST(SceneScreen, ARealDesignMenuOpensAtItsPressAndHasTheKeysUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.TheDesignMenu*", wmtest::TManager::Openbox);
}

TEST(SceneScreen, ARealDeleteTakesTheButtonSelectedInALayerNotTheLayer) {
  RunChildrenUnderXvfb("SceneScreenChild.DeleteTypedInTheDesignViewFreesTheButton*");
}

TEST(SceneScreen, ARealDeleteTakesALayerWithOnlyItsRootSelected) {
  RunChildrenUnderXvfb("SceneScreenChild.DeleteTypedInTheDesignViewFreesALayer*");
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
    w.FindPlace();
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    const win::TPoint press = w.At(30, 30), away = w.At(300, 200);
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    ASSERT_TRUE(x.MoveTo(press.X, press.Y));
    while (win::GetCursorPos() != press && std::chrono::steady_clock::now() < end) {
      w.Pump();
      SDL_Delay(5);
    }
    ASSERT_EQ(win::GetCursorPos(), press) << "the pointer never came";
    ASSERT_TRUE(x.Button(3, true) && x.MoveTo(away.X, away.Y));
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
    ControlsRun controls;
    DesignedLayerWindow w;
    ASSERT_EQ(win::VideoDriver(), "x11");
    ASSERT_TRUE(w.x.Ready()) << "the X test extension does not answer here";
    TdxGUIObjectLayer* layer = w.layer;
    vg::TvxButton* button = w.button;
    ASSERT_NO_FATAL_FAILURE(w.SelectButton());
    vgtest::Screenshot s;
    const auto buttonShows = [&](const vgtest::Screenshot& S) {
      const win::TPoint p = w.At(260, 195);
      return !vgtest::Near(S.At(p.X, p.Y), Fill, 12);
    };
    ASSERT_TRUE(WaitForScreen(w, s, buttonShows)) << "the button never reached the screen";
    SaveWindowShot(w, s, "scene_design_layer_button");

    vg::TvxFreeWatch buttonGone(button);
    TdxFreeWatch layerGone(layer);
    ASSERT_TRUE(w.x.Type(XK_Delete)) << "the X test extension cannot type here";
    ASSERT_TRUE(w.PumpUntil([&] { return buttonGone.Gone() || layerGone.Gone(); })) << "Delete freed nothing";
    EXPECT_TRUE(buttonGone.Gone());
    ASSERT_FALSE(layerGone.Gone()) << "Delete freed the layer";
    EXPECT_EQ(w.scene->Selected(), layer);
    EXPECT_EQ(layer->GetSelected(), nullptr);
    // The button leaves the screen; the layer, still selected, keeps its frame there.
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) { return !buttonShows(S); }))
        << "the button stayed on the screen";
    EXPECT_GE(Around(s, w.At(220, 220), DesignFrameColor), 4) << "the layer's frame left the screen";
    SaveWindowShot(w, s, "scene_design_layer_deleted");
  }
  win::CloseDisplay();
}

// The right button on the selected button opens the layer's design menu, which has the keys
// while it is open: Delete typed then frees nothing (it used to free the button under the menu,
// which stayed on the screen). Escape closes the menu and Delete then reaches the view again.
TEST(SceneScreenChild, TheDesignMenuOfALayerHasTheKeysWhileItIsOpen) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    ControlsRun controls;
    DesignedLayerWindow w;
    ASSERT_TRUE(w.x.Ready()) << "the X test extension does not answer here";
    ASSERT_NO_FATAL_FAILURE(w.SelectButton());
    vg::TvxFreeWatch buttonGone(w.button);
    ASSERT_TRUE(w.Click(260, 195, 3));
    ASSERT_TRUE(w.PumpUntil([] { return win::OpenPopupMenu() != nullptr; })) << "no design menu opened";
    ASSERT_TRUE(w.x.Type(XK_Delete) && w.x.Type(XK_Escape));
    EXPECT_TRUE(w.PumpUntil([] { return win::OpenPopupMenu() == nullptr; })) << "Escape did not close the menu";
    EXPECT_FALSE(buttonGone.Gone()) << "Delete typed into the open menu freed the button under it";
    EXPECT_EQ(w.layer->GetSelected(), w.button);
    ASSERT_TRUE(w.x.Type(XK_Delete));
    EXPECT_TRUE(w.PumpUntil([&] { return buttonGone.Gone(); })) << "the view did not have the keys again";

    // A press beside the menu closes it.
    ASSERT_TRUE(w.Click(350, 250, 3));
    ASSERT_TRUE(w.PumpUntil([] { return win::OpenPopupMenu() != nullptr; })) << "no design menu opened";
    ASSERT_TRUE(w.Click(20, 280));
    EXPECT_TRUE(w.PumpUntil([] { return win::OpenPopupMenu() == nullptr; })) << "a press outside left the menu open";
  }
  win::CloseDisplay();
}

// The X server's pointer clicks a GUI layer in the design view (the scene selects it), then an
// empty part of it (the layer selects its root, which Delete never frees); Delete typed on the
// X server's keyboard then frees the layer, and it leaves the screen with its button.
TEST(SceneScreenChild, DeleteTypedInTheDesignViewFreesALayerWithOnlyItsRootSelected) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    ControlsRun controls;
    DesignedLayerWindow w;
    ASSERT_EQ(win::VideoDriver(), "x11");
    ASSERT_TRUE(w.x.Ready()) << "the X test extension does not answer here";
    TdxGUIObjectLayer* layer = w.layer;
    ASSERT_TRUE(w.Click(350, 250));
    ASSERT_TRUE(w.PumpUntil([&] { return w.scene->Selected() == layer; })) << "the layer was never selected";
    ASSERT_TRUE(w.Click(240, 250));  // below the button, far from the first click
    ASSERT_TRUE(w.PumpUntil([&] { return layer->GetSelected() == w.root2d; })) << "the root was never selected";
    ASSERT_TRUE(w.TakeKeyboard()) << "the window never had the keyboard";
    vgtest::Screenshot s;
    const auto layerShows = [&](const vgtest::Screenshot& S) {
      const win::TPoint button = w.At(260, 195);
      return !vgtest::Near(S.At(button.X, button.Y), Fill, 12) && Around(S, w.At(220, 220), DesignFrameColor) >= 4;
    };
    ASSERT_TRUE(WaitForScreen(w, s, layerShows)) << "the layer never reached the screen";
    SaveWindowShot(w, s, "scene_design_layer_root");

    TdxFreeWatch layerGone(layer);
    ASSERT_TRUE(w.x.Type(XK_Delete)) << "the X test extension cannot type here";
    ASSERT_TRUE(w.PumpUntil([&] { return layerGone.Gone(); })) << "Delete never freed the layer";
    EXPECT_EQ(w.scene->Selected(), nullptr);
    // The layer leaves the screen: neither its button nor its frame stays there.
    const auto layerLeft = [&](const vgtest::Screenshot& S) {
      const win::TPoint button = w.At(260, 195);
      return vgtest::Near(S.At(button.X, button.Y), Fill, 12) && Around(S, w.At(220, 220), DesignFrameColor) == 0;
    };
    EXPECT_TRUE(WaitForScreen(w, s, layerLeft)) << "the layer stayed on the screen";
    SaveWindowShot(w, s, "scene_design_layer_root_deleted");
  }
  win::CloseDisplay();
}

TEST(SceneScreen, ARealDragInALayerSnapsAtItsTolerance) {
  RunChildrenUnderXvfb("SceneScreenChild.ADragInTheDesignView*");
}

TEST(SceneScreen, ARealDragInALayerSnapsAtItsToleranceUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.ADragInTheDesignView*", wmtest::TManager::Openbox);
}

// The X server's pointer drags the button selected in a GUI layer until its left edge lies 2
// pixels from its sibling's: it snaps onto that edge. The pointer reaches the layer through the
// view's projection, whose float noise put the button at 114.00003, 2.00003 off the sibling.
TEST(SceneScreenChild, ADragInTheDesignViewSnapsTheButtonOntoItsSiblingsEdge) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    ControlsRun controls;
    DesignedLayerWindow w;
    ASSERT_TRUE(w.x.Ready()) << "the X test extension does not answer here";
    auto* sibling = new vg::TvxButton(w.form.get());
    w.root2d->AddObject(sibling);
    sibling->SetBounds(112, 55, 40, 20);
    ASSERT_NO_FATAL_FAILURE(w.SelectButton());
    // Pressed at the button's (30, 15), moved 104 pixels right in four steps, released.
    vg::TvxPosition* at = w.button->Position();
    ASSERT_TRUE(w.x.Button(1, true));
    for (int x = 260 + 26; x <= 260 + 104; x += 26) {
      const win::TPoint p = w.At(x, 195);
      ASSERT_TRUE(w.x.MoveTo(p.X, p.Y));
      ASSERT_TRUE(w.PumpUntil([&] { return at->X() > static_cast<float>(x - 250 - 3); })) << "no move to " << x;
    }
    vgtest::Screenshot s;
    EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return !vgtest::Near(S.At(w.At(362, 195).X, w.At(362, 195).Y), Fill, 12);
    })) << "the moved button never reached the screen";
    SaveWindowShot(w, s, wmtest::UnderWindowManager() ? "scene_design_layer_snap_openbox" : "scene_design_layer_snap");
    ASSERT_TRUE(w.x.Button(1, false));
    ASSERT_TRUE(w.PumpUntil([&] { return w.layer->Designer().Dragging() == vg::TvxDesignEditor::dragNone; }))
        << "the release never came";
    EXPECT_EQ(at->X(), 112) << "2 pixels off the sibling's left edge, at " << std::to_string(at->X());
    EXPECT_EQ(at->Y(), 10);
  }
  win::CloseDisplay();
}

}  // namespace scene_design_layer_screen_test
