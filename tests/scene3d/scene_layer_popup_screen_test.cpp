// The 2D controls of an object layer seen through the camera, turned, in a real window under
// Xvfb, bare and under openbox: the X server's pointer right-clicks a text box on the layer and
// its menu opens at the pointer, and clicks a combo box, whose list drops down from the combo's
// lower left corner as it shows on the screen; a window layer turned on the screen opens its text
// box's menu at the pointer too. Both used to open near the window's corner, at
// the layer's scene coordinates taken as pixels. Dragged by an empty part, the layer follows the
// pointer in its plane. With GASCAL_FRAME_DIR set the screen is
// written there as PNGs to look at.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "ViewAim.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TextBox.h"

// After the library's headers: these bring Xlib.
#include "SceneScreen.h"
#include "tests/XTest.h"
#include "tests/XWindows.h"

// Last: Xlib's macros (None, Bool) would break GoogleTest and the library's headers.
#include <X11/Xlib.h>

namespace scene_layer_popup_screen_test {

using namespace dx;
using namespace scenescreen;

TEST(SceneLayerPopupScreen, ARealLayerSeenThroughTheCameraOpensItsPopupsWhereItsControlsShow) {
  RunChildrenUnderXvfb("SceneLayerPopupScreenChild.*");
}

TEST(SceneLayerPopupScreen, ARealLayerSeenThroughTheCameraOpensItsPopupsWhereItsControlsShowUnderOpenbox) {
  RunChildrenUnderXvfb("SceneLayerPopupScreenChild.*", wmtest::TManager::Openbox);
}

// A layer of 10 x 7 units at 30 pixels a unit, turned in its plane and away from the camera on
// one side, holds a combo box and a text box on a light fill.
TEST(SceneLayerPopupScreenChild, TheMenuOpensAtThePointerAndTheListUnderTheCombo) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  {
    LibraryRun run;
    ControlsRun controls;
    CubeWindow w;
    w.cube->SetVisible(false);
    auto* flat = new TdxObjectLayer(w.form.get());
    w.root->AddObject(flat);
    flat->SetWidth(10);
    flat->SetDepth(7);
    flat->SetResolution(30);
    flat->RotateAngle()->SetY(12);
    flat->RotateAngle()->SetZ(25);
    flat->Fill()->SetStyle(vg::vgBrushSolid);
    flat->Fill()->SetSolidColor(0xFFD8E0E8u);
    auto* top = new vg::TvxLayout(w.form.get());
    flat->AddObject(top);
    auto* combo = new vg::TvxStringComboBox(w.form.get());
    top->AddObject(combo);
    combo->SetBounds(20, 25, 180, 26);
    for (const char16_t* fuel : {u"Petrol", u"LPG", u"CNG"}) combo->Items()->Add(fuel);
    combo->SetItemIndex(1);
    auto* box = new vg::TvxTextBox(w.form.get());
    top->AddObject(box);
    box->SetBounds(20, 110, 200, 30);
    box->SetText(u"Reducer");
    // A window layer on the screen, turned about its upright axis, with a text box of its own.
    auto* side = new TdxGUIObjectLayer(w.form.get());
    w.root->AddObject(side);
    side->SetWidth(170);
    side->SetHeight(60);
    side->Position()->SetPoint({95, 255, 0});
    side->RotateAngle()->SetY(35);
    side->Fill()->SetStyle(vg::vgBrushSolid);
    side->Fill()->SetSolidColor(0xFFE8D8D0u);
    auto* sideTop = new vg::TvxLayout(w.form.get());
    side->AddObject(sideTop);
    auto* sideBox = new vg::TvxTextBox(w.form.get());
    sideTop->AddObject(sideBox);
    sideBox->SetBounds(10, 15, 150, 30);
    sideBox->SetText(u"Vaporizer");
    w.form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    w.Pump();
    w.FindPlace();
    xtest::TXTest x;
    xview::TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X test extension or the server's view does not answer here";
    ASSERT_EQ(flat->BufferWidth(), 300);
    ASSERT_EQ(flat->BufferHeight(), 210);
    // Where a buffer point shows on the screen: on the layer's X-Z plane, its rows from the far
    // edge on, through the camera.
    const auto shows = [&](float X, float Y) {
      const TdxVector local{X / 300 * flat->Width() - flat->Width() / 2, 0, flat->Depth() / 2 - Y / 210 * flat->Depth(),
                            1};
      const win::TPoint p = dxtest::ProjectToClient(*w.scene->GetCanvas(), flat->LocalToAbsolute(local));
      return w.At(p.X, p.Y);
    };
    // Where a point of the turned window layer shows: through the screen's mild perspective.
    const auto showsOnSide = [&](float X, float Y) {
      const TdxVector a = side->LocalToAbsolute({X - 85, Y - 30, 0, 1});
      const TdxMatrix m = w.scene->GetCanvas()->GetScreenMatrix();
      float v[4];
      for (int j = 0; j < 4; ++j) v[j] = a.X * m.M[0][j] + a.Y * m.M[1][j] + a.Z * m.M[2][j] + m.M[3][j];
      return w.At(static_cast<int>(std::lround((v[0] / v[3] + 1) / 2 * W)),
                  static_cast<int>(std::lround((1 - v[1] / v[3]) / 2 * H)));
    };
    const auto click = [&](win::TPoint At, unsigned Button) {
      return x.MoveTo(At.X, At.Y) && w.PumpUntil([&] { return win::GetCursorPos() == At; }) && x.Button(Button, true) &&
             x.Button(Button, false);
    };
    const std::string suffix = wmtest::UnderWindowManager() ? "_openbox" : "";
    vgtest::Screenshot s;
    const win::TPoint boxAt = shows(150, 125), comboAt = shows(100, 38);
    ASSERT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return !vgtest::Near(S.At(boxAt.X, boxAt.Y), Fill, 12) && !vgtest::Near(S.At(comboAt.X, comboAt.Y), Fill, 12);
    })) << "the layer never reached the screen";
    SaveWindowShot(w, s, "scene_layer_popups" + suffix);

    // The text box's menu, right-clicked at two points of the box, opens at the pointer, and
    // so does the menu of the text box on the turned window layer, at its far end.
    const std::pair<vg::TvxTextBox*, win::TPoint> presses[] = {
        {box, boxAt}, {box, shows(40, 132)}, {sideBox, showsOnSide(150, 30)}};
    for (const auto& [pressed, at] : presses) {
      SCOPED_TRACE(::testing::Message() << "at " << at.X << ", " << at.Y);
      ASSERT_TRUE(click(at, 3));
      win::TPopupMenu* menu = pressed->TextMenu();
      ASSERT_TRUE(w.PumpUntil([&] { return menu->IsOpen() && server.Mapped(*menu->Window()); })) << "no menu opened";
      const xview::TPlace place = server.Place(*menu->Window());
      // The press went to buffer pixels and back: within a pixel of the pointer.
      EXPECT_NEAR(place.X, at.X, 1);
      EXPECT_NEAR(place.Y, at.Y, 1);
      EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
        return Around(S, {place.X + 6, place.Y + 6}, 0xFFF5F5F5u) == 25;
      })) << "the menu never showed at the pointer";
      if (at == boxAt) SaveScreenShot(s, "scene_layer_menu" + suffix);
      if (pressed == sideBox) SaveScreenShot(s, "scene_turned_layer_menu" + suffix);
      menu->CloseMenu();
      ASSERT_TRUE(w.PumpUntil([&] { return !server.Mapped(*menu->Window()); })) << "the menu stayed";
    }

    // The combo's list drops down from the combo's lower left corner as it shows.
    ASSERT_TRUE(click(comboAt, 1));
    vg::TvxPopup* list = combo->Popup();
    ASSERT_TRUE(w.PumpUntil([&] { return list->IsOpen() && list->PopupForm() && server.Mapped(*list->PopupForm()); }))
        << "the list never dropped down";
    const xview::TPlace place = server.Place(*list->PopupForm());
    const win::TPoint corner = shows(20, 51);
    EXPECT_NEAR(place.X, corner.X, 2);
    EXPECT_NEAR(place.Y, corner.Y, 2);
    const std::uint32_t under = s.At(place.X + 20, place.Y + 10);
    EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return !vgtest::Near(S.At(place.X + 20, place.Y + 10), under, 12);
    })) << "the list never showed there";
    SaveScreenShot(s, "scene_layer_combo_list" + suffix);
    list->SetIsOpen(false);
    ASSERT_TRUE(w.PumpUntil([&] { return !list->PopupForm(); })) << "the list stayed";

    // Dragged by an empty part, the layer moves in its plane with the pressed point under the
    // pointer (it used to fly off along its thickness, a unit a pixel).
    flat->SetAllowDrag(true);
    const win::TPoint from = shows(260, 190), to{from.X + 40, from.Y - 25};
    ASSERT_TRUE(x.MoveTo(from.X, from.Y) && w.PumpUntil([&] { return win::GetCursorPos() == from; }));
    ASSERT_TRUE(x.Button(1, true));
    ASSERT_TRUE(w.PumpUntil([&] { return flat->Moving(); })) << "the press did not take the layer";
    ASSERT_TRUE(x.MoveTo(to.X, to.Y) && w.PumpUntil([&] { return win::GetCursorPos() == to; }));
    ASSERT_TRUE(x.Button(1, false));
    ASSERT_TRUE(w.PumpUntil([&] { return !flat->Moving(); })) << "the release did not end the drag";
    const win::TPoint pressed = shows(260, 190);
    EXPECT_NEAR(pressed.X, to.X, 2);
    EXPECT_NEAR(pressed.Y, to.Y, 2);
    const win::TPoint corner0 = shows(4, 4);
    EXPECT_TRUE(WaitForScreen(w, s, [&](const vgtest::Screenshot& S) {
      return vgtest::Near(S.At(corner0.X, corner0.Y), 0xFFD8E0E8u, 12);
    })) << "the moved layer never showed";
    SaveWindowShot(w, s, "scene_layer_dragged" + suffix);
  }
  win::CloseDisplay();
}

}  // namespace scene_layer_popup_screen_test
