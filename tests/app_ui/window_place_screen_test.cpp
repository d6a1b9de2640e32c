// Where the program's windows lie on a real X screen (Xvfb) against the ECU simulator, bare and
// under a window manager (openbox), driven with the X server's own pointer (XTest). The File and
// Language menus open above the settings and save/load windows that lie over the title row, and
// a click on a menu item there reaches the menu, not the window under it. A message stays above
// the windows shown after it, and above one clicked after it, until it is answered. Only the
// left button moves a window: a right-button drag on the caption's empty space leaves the main
// window where it was, a left-button drag moves it with the pointer.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Calc_Unit.h"
#include "platform/gfx3d/GlDevice.h"
#include "scene3d/SceneControl.h"
#include "tests/XTest.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ListBox.h"
// After every other header: Xlib's macros would break them (and this file compiles on its own,
// out of the batches).
#include <X11/Xlib.h>

#include "tests/XWindows.h"

namespace window_place_screen_test {

namespace {

using namespace std::chrono_literals;

// Far beyond what a step needs; only a lost event runs into it.
constexpr auto Guard = 60s;

TEST(WindowPlaceScreen, MenusAndMessagesLieAboveAndOnlyTheLeftButtonMovesAWindow) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("WindowPlaceScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

// The same with a window manager, which frames, stacks and raises the windows itself.
TEST(WindowPlaceScreen, MenusAndMessagesLieAboveAndOnlyTheLeftButtonMovesAWindowUnderOpenbox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(apptest::RunUnderXvfb("WindowPlaceScreenChild.*", wmtest::TManager::Openbox), 0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

class WindowPlaceScreenChild : public apptest::ReportingScreenTest {
protected:
  void SetUp() override {
    if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
    std::string why;
    if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
    ReportingScreenTest::SetUp();
    host->MessagesShown = true;
    // A sensor table, so that no message about a missing one comes in between.
    std::string table;
    for (int i = 0; i < ecu::SensorTableEntries; ++i) table += std::string("\x00\x00", 2);
    folder.Write("gascal.dat", table);
  }
  void TearDown() override {
    saveLoad.reset();
    message.reset();
    settings.reset();
    ReportingScreenTest::TearDown();
  }
  // The main window shown with its start-up run to its end.
  void ShowAndSettle() {
    ShowMain();
    ASSERT_TRUE(RunUntil([&] { return server.Settled(*main); }, Guard)) << "the main window did not come";
    ASSERT_TRUE(RunUntilActionsDone()) << "the start-up did not end";
  }
  void Settle(const win::TCustomForm& Form, const char* What) {
    ASSERT_TRUE(RunUntil([&] { return Form.Showing() && server.Settled(Form); }, Guard)) << What << " did not come";
  }
  // Where a point of a control of a window's scene lies on the screen, as the server has the
  // window (the middle by default).
  xview::TPlace OnScreenOf(const win::TCustomForm& Form, vg::TvxVisualObject* Object, float X = -1, float Y = -1) {
    const vg::TvxPoint p = Object->LocalToAbsolute({X < 0 ? Object->Width() / 2 : X, Y < 0 ? Object->Height() / 2 : Y});
    const xview::TPlace at = server.Place(Form);
    return {at.X + static_cast<int>(p.X), at.Y + static_cast<int>(p.Y)};
  }
  // Whether the screen point lies within the window, as the server has it.
  bool Covers(const win::TCustomForm& Form, xview::TPlace P) {
    const xview::TPlace at = server.Place(Form);
    return P.X >= at.X && P.Y >= at.Y && P.X < at.X + Form.Width() && P.Y < at.Y + Form.Height();
  }
  // The window a control shows in: the form of its scene.
  static win::TCustomForm* WindowOf(vg::TvxVisualObject* Object) {
    vg::IvxScene* scene = Object->Scene();
    rtl::TComponent* c = scene ? scene->GetComponent() : nullptr;
    if (!c) return nullptr;
    if (auto* form = dynamic_cast<win::TCustomForm*>(c->Owner())) return form;
    auto* control = dynamic_cast<win::TControl*>(c);
    return control ? win::GetParentForm(control) : nullptr;
  }
  // The window the menu's list shows in, once the press on its button opened the menu and the
  // server shows that window.
  win::TCustomForm* OpenMenu(vg::TvxHudButton* Button, vg::TvxHudStringListBox* List) {
    if (!xview::ClickAt(x, OnScreenOf(*main, Button))) return nullptr;
    win::TCustomForm* menu = nullptr;
    if (!RunUntil(
            [&] {
              menu = List->GetParentedVisible() ? WindowOf(List) : nullptr;
              return main->MenuOpen() && menu && server.Settled(*menu);
            },
            Guard))
      return nullptr;
    return menu;
  }
  // A press with the server's pointer at From, moved by (40, 40) in two steps, and released.
  void DragBy40(unsigned Button, xview::TPlace From) {
    ASSERT_TRUE(x.MoveTo(From.X, From.Y));
    ASSERT_TRUE(RunUntil([&] { return win::GetCursorPos().X == From.X && win::GetCursorPos().Y == From.Y; }, Guard));
    ASSERT_TRUE(x.Button(Button, true));
    for (int step : {20, 40}) {
      ASSERT_TRUE(x.MoveTo(From.X + step, From.Y + step));
      RunFor(50ms);
    }
    ASSERT_TRUE(x.Button(Button, false));
  }

  xtest::TXTest x;
  xview::TServerView server;
  std::unique_ptr<app::TForm_3D_SET> settings;
  std::unique_ptr<app::TForm_3D_MSG> message;
  std::unique_ptr<app::TForm_3D_SaveLoad> saveLoad;
};

TEST_F(WindowPlaceScreenChild, MenusOpenAboveEveryWindowAndAMessageStaysAboveTheWindowsAfterIt) {
  ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
  ShowAndSettle();
  settings = app::TForm_3D_SET::Create();
  message = app::TForm_3D_MSG::Create();
  saveLoad = app::TForm_3D_SaveLoad::Create();
  const app::TMainParts& p = main->Parts();

  // ---- the settings window lies over the title row: File opens its menu above it, and a click
  // on the menu's "Load" reaches the menu.
  main->ShowWindowNamed("Form_3D_SET");
  Settle(*settings, "the settings window");
  {
    win::TCustomForm* menu = OpenMenu(p.HudButton_Menu_File, p.HudStringListBox_Menu_File);
    ASSERT_TRUE(menu) << "the File menu did not open";
    vg::TvxListBoxItem* load = p.HudStringListBox_Menu_File->ItemByIndex(1);
    ASSERT_TRUE(load);
    const xview::TPlace at = OnScreenOf(*menu, load);
    ASSERT_TRUE(Covers(*settings, at)) << "the settings window does not lie where the menu opens";
    EXPECT_TRUE(server.Over(*menu, *settings)) << "the File menu opened under the settings window";
    EXPECT_TRUE(server.Over(*menu, *main));
    ASSERT_TRUE(xview::ClickAt(x, at));
    ASSERT_TRUE(RunUntil([&] { return saveLoad->Showing(); }, Guard))
        << "the click on Load did not reach the menu (item " << main->FileMenuIndex() << ")";
    EXPECT_EQ(main->FileMenuIndex(), 1);
    EXPECT_FALSE(main->MenuOpen());
  }
  // ---- the save/load window stays on top over the title row: both menus open above it.
  Settle(*saveLoad, "the save/load window");
  for (auto [button, list] : {std::pair{p.HudButton_Menu_File, p.HudStringListBox_Menu_File},
                              std::pair{p.HudButton_Menu_LNG, p.HudStringListBox_Menu_LNG}}) {
    SCOPED_TRACE(button->Name());
    win::TCustomForm* menu = OpenMenu(button, list);
    ASSERT_TRUE(menu) << "the menu did not open";
    EXPECT_TRUE(server.Over(*menu, *saveLoad)) << "the menu opened under the save/load window";
    EXPECT_TRUE(server.Over(*menu, *settings)) << "the menu opened under the settings window";
    main->CloseMenus();
    RunFor(50ms);
  }
  saveLoad->Close();
  settings->Close();
  ASSERT_TRUE(RunUntil([&] { return !saveLoad->Showing() && !settings->Showing(); }, Guard));

  // ---- a message, then the settings and the save/load window shown after it: the message
  // lies above both, also after a click on the settings window.
  host->ShowMessageWindow(13, "A message to be answered");
  Settle(*message, "the message window");
  main->ShowWindowNamed("Form_3D_SET");
  Settle(*settings, "the settings window");
  EXPECT_TRUE(RunUntil([&] { return server.Over(*message, *settings); }, Guard))
      << "the settings window shown after the message covers it";
  {
    // A click on the settings window where the message does not lie.
    const xview::TPlace s = server.Place(*settings);
    const xview::TPlace spot{s.X + 30, s.Y + settings->Height() - 30};
    ASSERT_FALSE(Covers(*message, spot));
    ASSERT_TRUE(xview::ClickAt(x, spot));
    ASSERT_TRUE(RunUntil([&] { return win::ActiveForm() == settings.get(); }, Guard)) << "the click missed";
    RunFor(200ms);
    EXPECT_TRUE(server.Over(*message, *settings)) << "the settings window clicked after the message covers it";
  }
  saveLoad->RunFileMenuAction(0);
  Settle(*saveLoad, "the save/load window");
  EXPECT_TRUE(RunUntil([&] { return server.Over(*message, *saveLoad); }, Guard))
      << "the save/load window shown after the message covers it";
  EXPECT_TRUE(server.Over(*message, *main));
  // Answered, the message goes.
  ASSERT_FALSE(message->Buttons().empty());
  ASSERT_TRUE(xview::ClickAt(x, OnScreenOf(*message, message->Buttons().front())));
  ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, Guard)) << "its button did not close it";
  EXPECT_TRUE(reports.empty()) << reports.front();
}

TEST_F(WindowPlaceScreenChild, OnlyTheLeftButtonMovesTheWindow) {
  ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
  ShowAndSettle();
  // The caption's empty space right of the Language button.
  vg::TvxHudButton* language = main->Parts().HudButton_Menu_LNG;
  const xview::TPlace from = OnScreenOf(*main, language, language->Width() + 15);
  const xview::TPlace before = server.Place(*main);
  DragBy40(3, from);
  // Every pointer event of the drag has been handled (the last one put the pointer there).
  ASSERT_TRUE(
      RunUntil([&] { return win::GetCursorPos().X == from.X + 40 && win::GetCursorPos().Y == from.Y + 40; }, Guard));
  RunFor(300ms);
  EXPECT_EQ(server.Place(*main).X, before.X) << "the right button moved the window";
  EXPECT_EQ(server.Place(*main).Y, before.Y) << "the right button moved the window";
  EXPECT_FALSE(main->Scene()->Moving());
  DragBy40(1, from);
  EXPECT_TRUE(RunUntil(
      [&] {
        const xview::TPlace now = server.Place(*main);
        return now.X == before.X + 40 && now.Y == before.Y + 40;
      },
      Guard))
      << "the left button did not move the window by (40, 40): it lies at " << server.Place(*main).X << ", "
      << server.Place(*main).Y << " from " << before.X << ", " << before.Y;
  EXPECT_TRUE(reports.empty()) << reports.front();
}

}  // namespace

}  // namespace window_place_screen_test
