// A 3D scene in a real window under Xvfb, read back from the X screen: a transparent scene
// (as every window of the program is) put into design mode shows its cube and, once a click
// selected the cube, the selection's handles; a key typed on the X server's keyboard
// reaches a focused cube that takes no text as its character; a cube hidden from code leaves
// the screen; a real-time scene, whose loop never sleeps, of a tiled path far below a pixel
// draws its frames and closes on a termination signal; a real-time scene and one that asks for
// a frame after every frame take the pointer, the keys, a resize, the window manager's close
// and a destroyed window while they draw; a text box turned to face the camera opens its menu
// where the right button pressed; two double clicks on a camera look through it and back. The
// menu's, the camera's and the real-time scenes' tests run under openbox too. The design view's
// GUI layer has its own file (scene_design_layer_screen_test.cpp). With GASCAL_FRAME_DIR set the views are
// written there as PNGs to look at.
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

namespace scene_screen_test {

using namespace dx;

namespace {

using namespace scenescreen;

}  // namespace

// Each child runs on its own Xvfb screen: the display opens once per run.
TEST(SceneScreen, ARealWindowShowsTheDesignView) { RunChildrenUnderXvfb("SceneScreenChild.ADesigned*"); }

TEST(SceneScreen, ARealWindowTakesTypedCharacters) { RunChildrenUnderXvfb("SceneScreenChild.AKeyTyped*"); }

TEST(SceneScreen, ARealDesignMenuOpensAtItsPress) { RunChildrenUnderXvfb("SceneScreenChild.TheDesignMenu*"); }

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
    SaveWindowShot(w, s, "scene_design_screen");
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

TEST(SceneScreen, ARealWindowTakesAHiddenCubeOffTheScreen) { RunChildrenUnderXvfb("SceneScreenChild.AHiddenCube*"); }

// The cube of a window at run time is hidden from code and nothing else changes: the screen
// shows the fill where it was; shown again, it comes back.
TEST(SceneScreenChild, AHiddenCubeLeavesTheScreenAndComesBackWhenShown) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.Pump();
    ASSERT_TRUE(w.scene->GetCanvas());
    const win::TPoint centre = w.OnScreen({0, -2, 0, 1});  // the middle of the front face
    const auto cubeShows = [&](const vgtest::Screenshot& S) {
      return !vgtest::Near(S.At(centre.X, centre.Y), Fill, 12);
    };
    vgtest::Screenshot s;
    ASSERT_TRUE(WaitForScreen(w, s, cubeShows)) << "the cube never reached the screen";
    SaveWindowShot(w, s, "scene_cube_shown");
    w.cube->SetVisible(false);
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) { return !cubeShows(S); }))
        << "the hidden cube stayed on the screen";
    SaveWindowShot(w, s, "scene_cube_hidden");
    w.cube->SetVisible(true);
    EXPECT_TRUE(WaitForScreen(w, s, cubeShows)) << "the cube shown again never came back";
  }
  win::CloseDisplay();
}

TEST(SceneScreen, ARealTimeSceneOfATinyTiledPathDrawsAndEndsOnATerminationSignal) {
  RunChildrenUnderXvfb("SceneScreenChild.ARealTimeScene*");
}

TEST(SceneScreen, ARealTimeSceneOfATinyTiledPathDrawsAndEndsOnATerminationSignalUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.ARealTimeScene*", wmtest::TManager::Openbox);
}

// A real-time scene draws a frame whenever the loop has nothing else to do, so the loop never
// sleeps. It holds two tiled paths 3 x 3: one of an outline far below a pixel (1e-19 across, so
// a tile a pixel spread over its face), which covers its face as the sane one beside it covers
// its own (four tiles of 1 each way, 4 x 4). Its frames follow one another, and a termination
// signal closes the main form as it does in a loop that sleeps.
TEST(SceneScreenChild, ARealTimeSceneOfATinyTiledPathDrawsFramesAndClosesOnATerminationSignal) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  // Each path's faces and walls (darker, so that the tiles tell apart).
  constexpr TdxColor Tiny = 0xFF20E020u, TinyWall = 0xFF107010u, Sane = 0xFFD03030u, SaneWall = 0xFF601818u;
  {
    LibraryRun run;
    CubeWindow w;
    w.cube->SetVisible(false);
    for (const auto& [data, x, face, wall] : {std::tuple{"M 0 0 L 1e-19 0 L 0 1e-19 Z", -2.5f, Tiny, TinyWall},
                                              std::tuple{"M 0 0 L 1 0 L 0 1 Z", 2.5f, Sane, SaneWall}}) {
      auto* p = new TdxPath3D(w.form.get());
      w.root->AddObject(p);
      p->Path()->SetData(data);
      p->SetWrapMode(vg::vgPathTile);
      p->SetWidth(3);
      p->SetHeight(3);
      p->Position()->SetX(x);
      for (TdxMaterial* m : {p->Material(), p->MaterialBack(), p->MaterialLeft()}) {
        m->SetLighting(false);
        m->SetDiffuseColor(m == p->MaterialLeft() ? wall : face);
      }
    }
    int closed = 0;
    w.form->OnClose = [&closed](rtl::TObject*, win::TCloseAction&) { ++closed; };
    win::SetMainForm(w.form.get());
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.Pump();
    w.FindPlace();
    const auto count = [&](const vgtest::Screenshot& S, TdxColor Colour) {
      int n = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) n += vgtest::Near(S.At(w.origin.X + x, w.origin.Y + y), Colour, 12);
      return n;
    };
    vgtest::Screenshot s;
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return count(S, Sane) > 100 && count(S, SaneWall) > 100;
    })) << "the sane tiles never reached the screen";
    SaveWindowShot(w, s, wmtest::UnderWindowManager() ? "scene_tiled_paths_openbox" : "scene_tiled_paths");
    // Where each path shows: the bounds of its colours, and how many pixels they hold.
    const auto shows = [&](TdxColor Face, TdxColor Wall, int& Width, int& Height) {
      int x0 = W, y0 = H, x1 = -1, y1 = -1, n = 0;
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
          const std::uint32_t c = s.At(w.origin.X + x, w.origin.Y + y);
          if (!vgtest::Near(c, Face, 12) && !vgtest::Near(c, Wall, 12)) continue;
          x0 = std::min(x0, x);
          x1 = std::max(x1, x);
          y0 = std::min(y0, y);
          y1 = std::max(y1, y);
          ++n;
        }
      Width = x1 - x0 + 1;
      Height = y1 - y0 + 1;
      return n;
    };
    int tinyWidth = 0, tinyHeight = 0, saneWidth = 0, saneHeight = 0;
    const int tiny = shows(Tiny, TinyWall, tinyWidth, tinyHeight);
    shows(Sane, SaneWall, saneWidth, saneHeight);
    EXPECT_GE(tinyWidth, saneWidth * 7 / 10) << "tiles far below a pixel left their face's far side empty";
    EXPECT_GE(tinyHeight, saneHeight * 7 / 10) << "tiles far below a pixel left their face's far side empty";
    EXPECT_GT(tiny, tinyWidth * tinyHeight * 3 / 4) << "tiles far below a pixel left their face mostly empty";

    // Frames from the idle handler; the signal comes once three have been drawn (timers go
    // before idle, so they still run).
    w.scene->SetRealTime(true);
    const int first = w.scene->FrameCount();
    bool raised = false, guard = false;
    const auto signal = rtl::Application->StartTimer(1, [&] {
      if (!raised && w.scene->FrameCount() >= first + 3) {
        raised = true;
        std::raise(SIGTERM);
      }
    });
    const auto guardTimer = rtl::Application->StartTimer(90000, [&guard] { guard = true; });
    rtl::Application->RunUntil([&] { return closed > 0 || guard; });
    rtl::Application->StopTimer(signal);
    rtl::Application->StopTimer(guardTimer);
    EXPECT_TRUE(raised) << "three frames were not drawn within the guard";
    EXPECT_EQ(closed, 1) << "the termination signal did not reach the loop";
    EXPECT_FALSE(guard);
    w.scene->SetRealTime(false);
  }
  win::CloseDisplay();
}

TEST(SceneScreen, ASceneThatNeverSleepsTakesTheWindowSystemsEvents) {
  RunChildrenUnderXvfb("SceneScreenChild.ASceneThatNeverSleeps*");
}

TEST(SceneScreen, ASceneThatNeverSleepsTakesTheWindowSystemsEventsUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.ASceneThatNeverSleeps*", wmtest::TManager::Openbox);
}

// Two scenes whose loop never sleeps: a real-time one, which draws from the idle handler, and
// one whose cube asks for a new frame as each frame draws it (a stream of frame messages, under
// which no timer runs). While they draw, the X server's pointer presses the cube, its keyboard
// types a key, another client resizes the window, the window manager closes it (a click on
// openbox's close button; bare, what a manager sends; the form refuses) and another client
// destroys it: each reaches the scene or the form while the frames go on and show.
TEST(SceneScreenChild, ASceneThatNeverSleepsTakesThePointerTheKeysAResizeTheManagersCloseAndADestroyedWindow) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  xtest::TXTest x;
  ASSERT_TRUE(x.Ready()) << "the X test extension does not answer";
  {
    LibraryRun run;
    for (const bool realTime : {true, false}) {
      SCOPED_TRACE(realTime ? "a real-time scene" : "a frame after every frame");
      CubeWindow w;
      w.form->SetBorderStyle(win::bsSizeable);  // a manager lets another client resize it
      int presses = 0, asks = 0, closes = 0;
      bool mayClose = false;
      std::u16string chars;
      w.cube->SetCanFocused(true);
      w.cube->OnMouseDown = [&](rtl::TObject*, rtl::TMouseButton, rtl::TShiftState, float, float, const TdxVector&,
                                const TdxVector&) { ++presses; };
      w.cube->OnKeyDown = [&](rtl::TObject*, std::uint16_t&, char16_t& Ch, rtl::TShiftState) {
        if (Ch) chars.push_back(Ch);
      };
      w.form->OnCloseQuery = [&](rtl::TObject*, bool& CanClose) {
        ++asks;
        CanClose = mayClose;
      };
      w.form->OnClose = [&](rtl::TObject*, win::TCloseAction&) { ++closes; };
      w.form->Show();
      ASSERT_EQ(win::VideoDriver(), "x11");
      w.Pump();
      w.FindPlace();
      w.scene->SetFocus();
      w.cube->SetFocus();
      SDL_SetWindowInputFocus(w.form->Window());
      ASSERT_TRUE(w.PumpUntil([&] { return SDL_GetKeyboardFocus() == w.form->Window(); }))
          << "the window never had the keyboard";
      const win::TPoint centre = w.OnScreen({0, -2, 0, 1});  // the middle of the front face
      const ::Window xw = win::detail::XWindowOf(w.form->Window());

      if (realTime) {
        w.scene->SetRealTime(true);
      } else {
        w.cube->OnBeforePaint = [&](rtl::TObject*, TdxCanvas*) { w.scene->RepaintScene(); };
        w.scene->RepaintScene();
      }
      // The loop runs until Done holds, at most a minute (no timer runs under a stream of
      // messages); frames are drawn meanwhile.
      const auto busyUntil = [&](const std::function<bool()>& Done) {
        const int frames = w.scene->FrameCount();
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        rtl::Application->RunUntil(
            [&] { return (Done() && w.scene->FrameCount() > frames + 1) || std::chrono::steady_clock::now() > end; });
        return Done();
      };
      ASSERT_TRUE(x.MoveTo(centre.X, centre.Y) && x.Button(1, true) && x.Button(1, false));
      ASSERT_TRUE(busyUntil([&] { return presses == 1; })) << "the press did not reach the cube";
      ASSERT_TRUE(x.Type(XK_h));
      ASSERT_TRUE(busyUntil([&] { return chars == u"h"; })) << "the key did not reach the cube";
      // The frames reach the screen meanwhile: the cube over the fill.
      vgtest::Screenshot s;
      ASSERT_TRUE(busyUntil([&] { return ReadScreen(w, s) && !vgtest::Near(s.At(centre.X, centre.Y), Fill, 12); }))
          << "the busy scene's frames never reached the screen";
      SaveWindowShot(w, s,
                     std::string(realTime ? "scene_real_time" : "scene_frame_after_frame") +
                         (wmtest::UnderWindowManager() ? "_openbox" : ""));
      XResizeWindow(other, xw, W + 40, H + 20);
      XSync(other, False);
      ASSERT_TRUE(busyUntil([&] { return w.form->ClientWidth() == W + 40 && w.form->ClientHeight() == H + 20; }))
          << "the resize did not reach the form";

      if (wmtest::UnderWindowManager()) {
        // A click on the close button of openbox's frame, in the title bar's right corner.
        const std::vector<long> frame = xview::TServerView().FrameExtents(*w.form);
        ASSERT_EQ(frame.size(), 4u) << "openbox put no frame around the window";
        w.FindPlace();
        const int half = static_cast<int>(frame[2]) / 2;
        ASSERT_TRUE(xview::ClickAt(
            x, {w.origin.X + w.form->ClientWidth() + static_cast<int>(frame[1]) - half, w.origin.Y - half}));
      } else {
        // Without a manager, what one sends.
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.format = 32;
        e.xclient.window = xw;
        e.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
        e.xclient.data.l[0] = static_cast<long>(XInternAtom(other, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(other, xw, False, NoEventMask, &e);
        XSync(other, False);
      }
      ASSERT_TRUE(busyUntil([&] { return asks == 1; })) << "the window manager's close did not reach the form";
      EXPECT_EQ(closes, 0);
      EXPECT_TRUE(w.form->Showing()) << "the close was refused";

      mayClose = true;
      ASSERT_TRUE(x.DestroyWindow(xw));
      ASSERT_TRUE(busyUntil([&] { return closes == 1; })) << "the destroyed window did not close the form";
      EXPECT_FALSE(w.form->Showing());
      w.scene->SetRealTime(false);
      w.cube->OnBeforePaint = nullptr;
      w.Pump();
    }
  }
  XCloseDisplay(other);
  win::CloseDisplay();
}

TEST(SceneScreen, ARealRightClickOpensATurnedTextBoxsMenuAtThePointer) {
  RunChildrenUnderXvfb("SceneScreenChild.ATurnedTextBox*");
}

TEST(SceneScreen, ARealRightClickOpensATurnedTextBoxsMenuAtThePointerUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.ATurnedTextBox*", wmtest::TManager::Openbox);
}

// A text box through the camera, turned upright to face it, in a window at run time: the X
// server's pointer right-clicks three points of it, and each time the box's menu opens with
// its corner at the pointer (it used to open at the same height each time, as if the pointer
// were on the box's middle line).
TEST(SceneScreenChild, ATurnedTextBoxsMenuOpensWhereTheRightButtonPressed) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    w.cube->SetVisible(false);
    auto* box = new TdxTextBox3D(w.form.get());
    w.root->AddObject(box);
    box->SetWidth(14);
    box->SetHeight(5);
    box->Font()->SetSize(30);
    box->SetText(u"Reducer");
    box->RotateAngle()->SetX(-90);  // upright across the view, facing the camera
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.Pump();
    w.FindPlace();
    xtest::TXTest x;
    xview::TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X test extension or the server's view does not answer here";
    win::TPopupMenu* menu = box->EditMenu();
    // Left of the middle low on the box, the middle high on it, right of the middle low again.
    const TdxVector points[] = {{-4, -1.5f, 0, 1}, {0, 1.5f, 0, 1}, {5, -1, 0, 1}};
    for (const TdxVector& local : points) {
      const win::TPoint client = dxtest::ProjectToClient(*w.scene->GetCanvas(), box->LocalToAbsolute(local));
      const win::TPoint at = w.At(client.X, client.Y);
      SCOPED_TRACE(::testing::Message() << "at " << at.X << ", " << at.Y);
      ASSERT_TRUE(x.MoveTo(at.X, at.Y));
      ASSERT_TRUE(w.PumpUntil([&] { return win::GetCursorPos() == at; })) << "the pointer never came";
      ASSERT_TRUE(x.Button(3, true) && x.Button(3, false));
      ASSERT_TRUE(w.PumpUntil([&] { return menu->IsOpen() && server.Mapped(*menu->Window()); })) << "no menu opened";
      EXPECT_EQ(menu->PopupComponent(), box);
      const xview::TPlace place = server.Place(*menu->Window());
      EXPECT_EQ(place.X, at.X);
      EXPECT_EQ(place.Y, at.Y);
      // The menu's light face shows on the screen from the pointer on.
      vgtest::Screenshot s;
      EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
        return Around(S, {at.X + 6, at.Y + 6}, 0xFFF5F5F5u) == 25 && Around(S, {at.X - 4, at.Y - 4}, 0xFFF5F5F5u) == 0;
      })) << "the menu never showed at the pointer";
      if (&local == &points[1])
        SaveScreenShot(s, wmtest::UnderWindowManager() ? "scene_text_box_menu_openbox" : "scene_text_box_menu");
      menu->CloseMenu();
      ASSERT_TRUE(w.PumpUntil([&] { return !server.Mapped(*menu->Window()); })) << "the menu stayed";
    }
  }
  win::CloseDisplay();
}

TEST(SceneScreen, ARealDoubleClickLooksThroughACameraAndBack) {
  RunChildrenUnderXvfb("SceneScreenChild.TwoDoubleClicks*");
}

TEST(SceneScreen, ARealDoubleClickLooksThroughACameraAndBackUnderOpenbox) {
  RunChildrenUnderXvfb("SceneScreenChild.TwoDoubleClicks*", wmtest::TManager::Openbox);
}

// The design view of the cube with a camera beside it that looks at the cube's end: the X
// server's pointer double-clicks the camera, and the view on the screen is the camera's (the
// cube's end fills the middle of the window); a double click anywhere brings the design view
// back.
TEST(SceneScreenChild, TwoDoubleClicksLookThroughACameraAndBack) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    CubeWindow w;
    auto* camera = new TdxCamera(w.form.get());
    w.root->AddObject(camera);
    camera->Position()->SetPoint({8, 0, 0});
    camera->SetTarget(w.cube);
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.scene->SetDesignTime(true);
    w.Pump();
    w.FindPlace();
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    // Two clicks a tenth of a second apart, as a hand makes them: a window manager that holds a
    // press until it has raised and focused the window may swallow a second press that comes
    // in the same millisecond as the first.
    const auto doubleClick = [&](win::TPoint At) {
      if (!x.MoveTo(At.X, At.Y) || !w.PumpUntil([&] { return win::GetCursorPos() == At; }) || !x.Button(1, true) ||
          !x.Button(1, false))
        return false;
      const auto pause = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
      w.PumpUntil([&] { return std::chrono::steady_clock::now() >= pause; });
      return x.Button(1, true) && x.Button(1, false);
    };
    const win::TPoint eye = [&] {
      const win::TPoint p = dxtest::ProjectToClient(*w.scene->GetCanvas(), camera->AbsolutePosition());
      return w.At(p.X, p.Y);
    }();
    // Through the camera the cube's end, 4 x 4 units 5 away, spans 290 pixels about the middle;
    // from the design camera this point lies above the horizon.
    const win::TPoint corner = w.At(W / 2 + 120, H / 2 - 110);
    const auto cubeAt = [&](const vgtest::Screenshot& S, win::TPoint P) {
      return !vgtest::Near(S.At(P.X, P.Y), Fill, 12);
    };
    const std::string suffix = wmtest::UnderWindowManager() ? "_openbox" : "";
    vgtest::Screenshot s;
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return Around(S, eye, 0xFF60A799u) >= 9 && cubeAt(S, w.At(W / 2, H / 2)) && !cubeAt(S, corner);
    })) << "the design view with the camera never reached the screen";
    SaveWindowShot(w, s, "scene_look_design" + suffix);

    ASSERT_TRUE(doubleClick(eye));
    ASSERT_TRUE(w.PumpUntil([&] { return w.scene->Camera() == camera; })) << "the double click chose no camera";
    EXPECT_EQ(w.scene->Selected(), camera);
    EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) { return cubeAt(S, corner); }))
        << "the view through the camera never reached the screen";
    EXPECT_EQ(Around(s, eye, 0xFF60A799u), 0) << "the camera itself is out of its own view";
    SaveWindowShot(w, s, "scene_look_through" + suffix);

    ASSERT_TRUE(doubleClick(w.At(40, H - 40)));
    ASSERT_TRUE(w.PumpUntil([&] { return w.scene->Camera() == nullptr; })) << "the second double click kept the camera";
    EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return !cubeAt(S, corner) && Around(S, eye, 0xFF60A799u) >= 9;
    })) << "the design view never came back";
    SaveWindowShot(w, s, "scene_look_back" + suffix);
  }
  win::CloseDisplay();
}

}  // namespace scene_screen_test
