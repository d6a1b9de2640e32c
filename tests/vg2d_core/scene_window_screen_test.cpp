// A scene's window moved and sized with the X server's own pointer (XTest) under Xvfb: a press
// on an empty spot drags the window by the pointer's travel, in small steps and in one fast
// jump; a press on a size grip makes the window follow the pointer outward and inward. A
// designed scene shows the frame of what the pointer drags and the snap line it meets as plain
// lines. A transparent scene inside another control shows that control and the one below it,
// and hidden, it leaves the screen to them whatever its tree asks to repaint (bare and under a
// window manager). A transparent scene on its form shows its windowed children at its own place
// in the form, which stays where it is, and opaque scenes show the colours of fills that show
// nothing (bare and under a window manager). The test runs this program again under xvfb-run (the
// child tests do the work).
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "ScreenWait.h"
#include "Screenshot.h"
#include "Sheet.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "tests/TestOutput.h"
#include "tests/XTest.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace scene_window_screen_test {

using namespace vg;

namespace {

constexpr std::uint32_t Face = 0xFF2060C0u;

class Grip : public TvxRectangle, public IvxSizeGrip {
public:
  using TvxRectangle::TvxRectangle;
};

// Runs the loop until Cond holds or a minute has passed (a guard for a loaded machine).
bool PumpUntil(const std::function<bool()>& Cond) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!Cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    SDL_Delay(2);
  }
  return true;
}

// A borderless form at (100, 80), 240 x 160, whose scene is filled blue and holds a grip of
// 20 x 20 in its bottom-right corner; presses elsewhere land on empty space.
struct GripWindow {
  GripWindow() {
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 240, 160);
    scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush face(vgBrushSolid, Face);
    scene->SetFill(&face);
    auto* root = new TvxVisualObject(form.get());
    root->SetHitTest(false);
    root->SetBounds(0, 0, 240, 160);
    scene->AddObject(root);
    grip = new Grip(form.get());
    grip->SetBounds(220, 140, 20, 20);
    root->AddObject(grip);
    form->Show();
  }
  // The window where the X server has it.
  win::TRect OnScreen() const {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(form->Window(), &x, &y);
    SDL_GetWindowSize(form->Window(), &w, &h);
    return {x, y, x + w, y + h};
  }
  std::unique_ptr<win::TForm> form = std::make_unique<win::TForm>(nullptr);
  TvxScene* scene = nullptr;
  Grip* grip = nullptr;
};

}  // namespace

TEST(SceneWindowScreen, RunsUnderXvfb) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneWindowScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "1024x768x24"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(SceneWindowScreen, TheTransparentScenesRunUnderOpenbox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(vgtest::RunUnderXvfb("SceneWindowScreenChild.ATransparentScene*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp",
                                 "1024x768x24", wmtest::TManager::Openbox),
            0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

TEST(SceneWindowScreenChild, ThePointerDragsTheWindowAndItsGripSizesItBothWays) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  LibraryStartup();
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    GripWindow w;
    ASSERT_EQ(win::VideoDriver(), "x11");

    // A press on empty space, then steps of (20, 10) and one jump of (150, 90): the window
    // keeps the pressed point under the pointer.
    ASSERT_TRUE(x.MoveTo(150, 100));
    ASSERT_TRUE(PumpUntil([] { return win::GetCursorPos().X == 150 && win::GetCursorPos().Y == 100; }))
        << "the pointer never came";
    ASSERT_TRUE(x.Button(1, true));
    ASSERT_TRUE(PumpUntil([&] { return w.scene->Moving(); })) << "the press did not start a move";
    for (int i = 1; i <= 4; ++i) {
      ASSERT_TRUE(x.MoveTo(150 + 20 * i, 100 + 10 * i));
      ASSERT_TRUE(PumpUntil([&] { return w.form->Left() == 100 + 20 * i && w.form->Top() == 80 + 10 * i; }))
          << "step " << i << ": the window is at " << w.form->Left() << ", " << w.form->Top();
    }
    ASSERT_TRUE(x.MoveTo(380, 230));
    ASSERT_TRUE(PumpUntil([&] { return w.form->Left() == 330 && w.form->Top() == 210; }))
        << "after the jump the window is at " << w.form->Left() << ", " << w.form->Top();
    ASSERT_TRUE(x.Button(1, false));
    ASSERT_TRUE(PumpUntil([&] { return !w.scene->Moving(); })) << "the release never came";
    EXPECT_EQ(w.OnScreen().Left, 330);
    EXPECT_EQ(w.OnScreen().Top, 210);

    // The grip: outward in steps and in a jump far outside the window, then inward.
    const int gx = 330 + 230, gy = 210 + 150;
    ASSERT_TRUE(x.MoveTo(gx, gy));
    ASSERT_TRUE(PumpUntil([&] { return win::GetCursorPos().X == gx && win::GetCursorPos().Y == gy; }))
        << "the pointer never came to the grip";
    ASSERT_TRUE(x.Button(1, true));
    ASSERT_TRUE(PumpUntil([&] { return w.scene->Resizing(); })) << "the grip did not start a resize";
    for (int i = 1; i <= 3; ++i) {
      ASSERT_TRUE(x.MoveTo(gx + 10 * i, gy + 5 * i));
      ASSERT_TRUE(PumpUntil([&] { return w.form->Width() == 240 + 10 * i && w.form->Height() == 160 + 5 * i; }))
          << "step " << i << ": the window is " << w.form->Width() << " x " << w.form->Height();
    }
    ASSERT_TRUE(x.MoveTo(gx + 130, gy + 95));
    ASSERT_TRUE(PumpUntil([&] { return w.form->Width() == 370 && w.form->Height() == 255; }))
        << "after the jump outward the window is " << w.form->Width() << " x " << w.form->Height();
    ASSERT_TRUE(x.MoveTo(gx - 90, gy - 60));
    ASSERT_TRUE(PumpUntil([&] { return w.form->Width() == 150 && w.form->Height() == 100; }))
        << "after the jump inward the window is " << w.form->Width() << " x " << w.form->Height();
    ASSERT_TRUE(x.Button(1, false));
    ASSERT_TRUE(PumpUntil([&] { return !w.scene->Resizing(); })) << "the release never came";
    EXPECT_EQ(w.OnScreen().Right - w.OnScreen().Left, 150);
    EXPECT_EQ(w.OnScreen().Bottom - w.OnScreen().Top, 100);

    // The screen shows the window's face where the window now is, and nothing of it beyond.
    const std::string shot = testout::Path("scene_window_moved_and_sized.xwd");
    vgtest::Screenshot s;
    ASSERT_TRUE(PumpUntil([&] {
      return std::system(("xwd -root -silent -out " + shot).c_str()) == 0 && vgtest::ReadXwd(shot, s) &&
             vgtest::Near(s.At(330 + 5, 210 + 5), Face) && vgtest::Near(s.At(330 + 100, 210 + 50), Face) &&
             !vgtest::Near(s.At(330 + 160, 210 + 50), Face) && !vgtest::Near(s.At(330 + 50, 210 + 110), Face);
    })) << "the screen does not show the window where it is";
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  LibraryShutdown();
}

TEST(SceneWindowScreenChild, ADesignedSceneDrawsTheDraggedFrameAndItsSnapLinePlain) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  constexpr std::uint32_t White = 0xFFFFFFFFu, Grey = 0xFFC0C0C0u, Frame = 0xFF1072C5u;
  LibraryStartup();
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    // A white scene at (100, 80) with two grey boxes: A at (100, 20), B at (30, 150).
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 300, 220);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush fill(vgBrushSolid, White);
    scene->SetFill(&fill);
    scene->SetDesignTime(true);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto box = [&](float X, float Y, float W, float H) {
      auto* r = new TvxRectangle(form.get());
      r->Fill()->SetSolidColor(Grey);
      r->Stroke()->SetStyle(vgBrushNone);
      root->AddObject(r);
      r->SetBounds(X, Y, W, H);
      return r;
    };
    box(100, 20, 50, 30);
    TvxRectangle* b = box(30, 150, 40, 20);
    form->Show();

    // B pressed and dragged right until its left edge comes within 2 units of A's.
    ASSERT_TRUE(x.MoveTo(100 + 40, 80 + 160));
    ASSERT_TRUE(PumpUntil([] { return win::GetCursorPos().X == 140 && win::GetCursorPos().Y == 240; }))
        << "the pointer never came";
    ASSERT_TRUE(x.Button(1, true));
    ASSERT_TRUE(PumpUntil([&] { return scene->GetSelected() == b; })) << "the press did not select B";
    ASSERT_TRUE(x.MoveTo(100 + 111, 80 + 160));
    ASSERT_TRUE(PumpUntil([&] { return b->Position()->X() == 100; })) << "B did not snap to A's left edge";

    // While the button is down: the snap line down A's and B's left edges (scene x 100) and
    // B's frame along its top edge (scene y 150, between the corner grip and the middle one)
    // are unbroken.
    const std::string shot = testout::Path("scene_design_frame_and_snap_line.xwd");
    vgtest::Screenshot s;
    auto unbroken = [&] {
      if (!vgtest::ReadXwd(shot, s)) return false;
      for (int y = 60; y < 140; ++y)
        if (!vgtest::Near(s.At(100 + 100, 80 + y), Frame, 40)) return false;
      for (int x = 105; x <= 115; ++x)
        if (!vgtest::Near(s.At(100 + x, 80 + 150), Frame, 40)) return false;
      return true;
    };
    EXPECT_TRUE(vgtest::ScreenComesToShow(shot, unbroken))
        << "the snap line or the frame is broken on the screen (" << shot << ")";
    ASSERT_TRUE(x.Button(1, false));
    ASSERT_TRUE(PumpUntil([&] { return scene->Designer().Dragging() == TvxDesignEditor::dragNone; }))
        << "the release never came";
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  LibraryShutdown();
}

// A grey form at (100, 100) whose transparent scene lies 40 pixels right of and 10 below its
// corner, with a red box of its own and, as windowed children, a blue sheet and one of no size;
// beside it a grey form with two opaque scenes whose fills show nothing, a red one under half a
// blue box and the default black one. The screen shows the box and the sheet at the scene's place,
// the grey of the form around them, red and half blue over red and black: through repaints every
// 200 ms for two seconds (the form stays where it is), the sheet's own repaint, and a hide and
// show of the form.
TEST(SceneWindowScreenChild, ATransparentSceneOnItsFormShowsItsChildrenAtItsPlaceAndOpaqueFillsShowTheirColour) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  constexpr std::uint32_t Grey = 0xFF808080u, Red = 0xFFFF0000u, Blue = 0xFF0000FFu, Green = 0xFF00C000u,
                          Black = 0xFF000000u, HalfBlueOverRed = 0xFF800080u, HalfBlueOverBlack = 0xFF000080u;
  LibraryStartup();
  rtl::Application->Reset();
  {
    auto makeForm = [](int X, int Y, int W, int H) {
      auto f = std::make_unique<win::TForm>(nullptr);
      f->SetBorderStyle(win::bsNone);
      f->SetColor(Grey);
      f->SetBounds(X, Y, W, H);
      return f;
    };
    auto addBox = [](TvxScene* Scene, rtl::TComponent* Owner, std::uint32_t Color, float W) {
      auto* root = new TvxVisualObject(Owner);
      root->SetHitTest(false);
      Scene->AddObject(root);
      auto* b = new TvxRectangle(Owner);
      b->Fill()->SetSolidColor(Color);
      b->Stroke()->SetStyle(vgBrushNone);
      b->SetBounds(10, 10, W, 40);
      root->AddObject(b);
    };
    auto layered = makeForm(100, 100, 300, 160);
    auto* scene = new TvxScene(layered.get());
    scene->SetTransparency(true);
    scene->SetParent(layered.get());
    scene->SetBounds(40, 10, 200, 120);
    addBox(scene, layered.get(), Red, 40);
    auto* sheet = new vgtest::Sheet(scene, Blue, {100, 10, 140, 50});
    new vgtest::Sheet(scene, Green, {0, 0, 0, 0});
    auto opaque = makeForm(500, 100, 160, 80);
    for (int i = 0; i < 2; ++i) {
      auto* s = new TvxScene(opaque.get());
      s->SetParent(opaque.get());
      s->SetBounds(80 * i, 0, 80, 80);
      if (i == 0) {
        TvxBrush red(vgBrushNone, Red);
        s->SetFill(&red);
      }
      addBox(s, opaque.get(), 0x800000FFu, 20);
    }
    layered->Show();
    opaque->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");

    const std::string setup = wmtest::UnderWindowManager() ? "openbox" : "bare";
    vgtest::Screenshot s;
    auto at = [&](win::TForm& Form, int X, int Y) {
      int x = 0, y = 0;
      SDL_GetWindowPosition(Form.Window(), &x, &y);
      x += X;
      y += Y;
      return x >= 0 && y >= 0 && x < s.width && y < s.height ? s.At(x, y) : 0u;
    };
    int x0 = 0, y0 = 0;
    SDL_GetWindowPosition(layered->Window(), &x0, &y0);
    auto shows = [&](const std::string& Shot, std::uint32_t Sheet) {
      return vgtest::ScreenComesToShow(Shot, [&] {
        int x = 0, y = 0;
        SDL_GetWindowPosition(layered->Window(), &x, &y);
        return x == x0 && y == y0 && vgtest::ReadXwd(Shot, s) && vgtest::Near(at(*layered, 40 + 15, 10 + 15), Red) &&
               vgtest::Near(at(*layered, 40 + 110, 10 + 20), Sheet) && vgtest::Near(at(*layered, 5, 5), Grey) &&
               vgtest::Near(at(*layered, 40 + 180, 10 + 100), Grey) && vgtest::Near(at(*layered, 20, 60), Grey) &&
               vgtest::Near(at(*opaque, 60, 60), Red) && vgtest::Near(at(*opaque, 15, 15), HalfBlueOverRed) &&
               vgtest::Near(at(*opaque, 140, 60), Black) && vgtest::Near(at(*opaque, 95, 15), HalfBlueOverBlack);
      });
    };
    const std::string shown = testout::Path("scene_layered_children_" + setup + ".xwd");
    EXPECT_TRUE(shows(shown, Blue)) << "the scenes do not show as they should (" << shown << ")";

    // Repaints every 200 ms for two seconds; the sheet repaints itself in another colour.
    for (int i = 0; i < 10; ++i) {
      scene->AddUpdateRect(MakeRect(0, 0, 200, 120));
      const auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
      while (std::chrono::steady_clock::now() < next) {
        win::PumpEvents();
        rtl::Application->ProcessMessages();
        SDL_Delay(5);
      }
    }
    EXPECT_EQ(layered->Left(), 100);
    EXPECT_EQ(layered->Top(), 100);
    sheet->color = Green;
    sheet->Invalidate();
    const std::string repainted = testout::Path("scene_layered_repainted_" + setup + ".xwd");
    EXPECT_TRUE(shows(repainted, Green)) << "the repainted scene moved or lost its pixels (" << repainted << ")";

    layered->Hide();
    layered->Show();
    const std::string again = testout::Path("scene_layered_shown_again_" + setup + ".xwd");
    EXPECT_TRUE(shows(again, Green)) << "the form shown again lost the scene's pixels (" << again << ")";
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  LibraryShutdown();
}

// A green panel with a blue square on it and, above the square, a transparent scene whose only
// object is a red box; beside the panel, on the form, a white scene with a red box too: the
// screen shows the panel and the square through the first scene. Hidden, the first scene leaves
// the red box's place to the panel, the second its place to the form's grey, and nothing their
// trees ask for (a new colour, a repaint) reaches the screen; shown again, they show what their
// trees hold now.
TEST(SceneWindowScreenChild, ATransparentSceneInAPanelShowsItAndHiddenPaintsNothing) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  constexpr std::uint32_t Grey = 0xFF808080u, Green = 0xFF00C000u, DarkGreen = 0xFF006000u, Blue = 0xFF0000FFu,
                          Red = 0xFFFF0000u, Yellow = 0xFFFFFF00u, White = 0xFFFFFFFFu;
  LibraryStartup();
  rtl::Application->Reset();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsSingle);
    form->SetCaption("A transparent scene in a panel");
    form->SetColor(Grey);
    form->SetBounds(100, 80, 400, 200);
    auto* panel = new vgtest::Sheet(form.get(), Green, {20, 20, 280, 180});
    new vgtest::Sheet(panel, Blue, {30, 30, 90, 90});
    auto* scene = new TvxScene(form.get());
    scene->SetTransparency(true);
    scene->SetParent(panel);
    scene->SetBounds(10, 10, 200, 140);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto addBox = [&](TvxObject* Parent, float X, float Y) {
      auto* b = new TvxRectangle(form.get());
      b->Fill()->SetSolidColor(Red);
      b->Stroke()->SetStyle(vgBrushNone);
      b->SetBounds(X, Y, 40, 40);
      Parent->AddObject(b);
      return b;
    };
    TvxRectangle* box = addBox(root, 120, 20);
    auto* side = new TvxScene(form.get());
    side->SetParent(form.get());
    side->SetBounds(300, 20, 80, 160);
    TvxBrush white(vgBrushSolid, White);
    side->SetFill(&white);
    auto* sideRoot = new TvxVisualObject(form.get());
    side->AddObject(sideRoot);
    TvxRectangle* sideBox = addBox(sideRoot, 20, 60);
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");

    // Form client points: the panel starts at (20, 20), the scene in it at (30, 30), the scene
    // beside it at (300, 20).
    const std::string setup = wmtest::UnderWindowManager() ? "openbox" : "bare";
    vgtest::Screenshot s;
    auto at = [&](int X, int Y) {
      int x = 0, y = 0;
      SDL_GetWindowPosition(form->Window(), &x, &y);
      return s.At(x + X, y + Y);
    };
    auto shows = [&](const std::string& Shot, std::uint32_t Panel, std::uint32_t Box, std::uint32_t SideFill,
                     std::uint32_t SideBox) {
      return vgtest::ScreenComesToShow(Shot, [&] {
        return vgtest::ReadXwd(Shot, s) && vgtest::Near(at(35, 35), Panel) && vgtest::Near(at(70, 70), Blue) &&
               vgtest::Near(at(170, 70), Box) && vgtest::Near(at(250, 100), Panel) && vgtest::Near(at(10, 10), Grey) &&
               vgtest::Near(at(310, 30), SideFill) && vgtest::Near(at(340, 100), SideBox);
      });
    };
    const std::string shown = testout::Path("scene_transparent_in_panel_" + setup + ".xwd");
    EXPECT_TRUE(shows(shown, Green, Red, White, Red))
        << "the panel and the square do not show through the scene (" << shown << ")";

    scene->SetVisible(false);
    side->SetVisible(false);
    const std::string hidden = testout::Path("scene_hidden_in_panel_" + setup + ".xwd");
    EXPECT_TRUE(shows(hidden, Green, Green, Grey, Grey)) << "a hidden scene stayed on the screen (" << hidden << ")";
    // Their trees ask for paints; then the panel darkens, which shows only after those requests.
    for (TvxRectangle* b : {box, sideBox}) {
      b->Fill()->SetSolidColor(Yellow);
      b->Repaint();
    }
    scene->AddUpdateRect(MakeRect(0, 0, 200, 140));
    side->AddUpdateRect(MakeRect(0, 0, 80, 160));
    panel->color = DarkGreen;
    panel->Invalidate();
    const std::string asked = testout::Path("scene_hidden_asked_in_panel_" + setup + ".xwd");
    EXPECT_TRUE(shows(asked, DarkGreen, DarkGreen, Grey, Grey)) << "a hidden scene painted (" << asked << ")";

    scene->SetVisible(true);
    side->SetVisible(true);
    const std::string again = testout::Path("scene_shown_again_in_panel_" + setup + ".xwd");
    EXPECT_TRUE(shows(again, DarkGreen, Yellow, White, Yellow))
        << "a scene shown again does not show its tree (" << again << ")";
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  LibraryShutdown();
}

}  // namespace scene_window_screen_test
