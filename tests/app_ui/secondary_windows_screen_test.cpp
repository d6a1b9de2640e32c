// The program's secondary windows on a real X screen (Xvfb) against the ECU simulator, bare and
// under a window manager (openbox), driven with the X server's own pointer and keys (XTest). The
// save window takes a name and saves it each time it shows, also after a save or a load (which
// hide it from inside its own button's click while the wait window shows); it stays above the
// main window when the main window is clicked and comes to the front when File > Save or Load
// shows it again. The settings, skin, message and wait windows belong to the main window and
// stay above it, shown again or not, and take the keys typed into them; the brush dialog and
// the bitmap editor belong to the window they were opened from; a drop-down opens above its
// window each time; the port window never shows. The wait window never takes the keys typed into
// the main window as it comes, while it shows or after a click on it. The save and settings
// windows, destroyed by another client, close, and show again when the program shows them next,
// with no X error reported.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Link_State.h"
#include "platform/gfx3d/GlDevice.h"
#include "tests/XTest.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "tests/loop/Later.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
// After every other header: Xlib's macros would break them (and this file compiles on its own,
// out of the batches).
#include <X11/Xlib.h>

#include "tests/XWindows.h"

namespace secondary_windows_screen_test {

namespace {

using namespace std::chrono_literals;

// Far beyond what a step needs; only a lost event runs into it.
constexpr auto Guard = 60s;

TEST(SecondaryWindowsScreen, ShowHideAndShowAgainOnABareServer) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("SecondaryWindowsScreenChild.*"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(SecondaryWindowsScreen, ShowHideAndShowAgainUnderOpenbox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run, xwd or openbox is missing";
  EXPECT_EQ(apptest::RunUnderXvfb("SecondaryWindowsScreenChild.*", wmtest::TManager::Openbox), 0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

// The windows' host as the program has it: the message and wait windows show.
class ShowingHost : public apptest::RecordingHost {
public:
  void ShowWaitWindow() override {
    RecordingHost::ShowWaitWindow();
    app::TWindowHost::ShowWaitWindow();
  }
  void ShrinkWaitWindow() override {
    RecordingHost::ShrinkWaitWindow();
    app::TWindowHost::ShrinkWaitWindow();
  }
};

class SecondaryWindowsScreenChild : public apptest::ReportingScreenTest {
protected:
  void SetUp() override {
    ReportingScreenTest::SetUp();
    host.reset();
    host = std::make_unique<ShowingHost>();
    host->MessagesShown = true;
    // A sensor table, so that no message about a missing one comes in between.
    std::string table;
    for (int i = 0; i < ecu::SensorTableEntries; ++i) table += std::string("\x00\x00", 2);
    folder.Write("gascal.dat", table);
  }
  void TearDown() override {
    vg::TvxBrushDialog::OnAnyShow = nullptr;
    skin.reset();
    wait.reset();
    saveLoad.reset();
    message.reset();
    settings.reset();
    ReportingScreenTest::TearDown();
  }

  // Runs the loop until the window manager (if any) has done with the form's map.
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
  // A click of the server's pointer on a control of a window.
  void ClickOn(const win::TCustomForm& Form, vg::TvxVisualObject* Object, float X = -1, float Y = -1) {
    ASSERT_TRUE(xview::ClickAt(x, OnScreenOf(Form, Object, X, Y)));
  }
  // A key of the server's keyboard (by its key symbol), and the loop until Done holds.
  void TypeUntil(unsigned long KeySym, const char* What, const std::function<bool()>& Done) {
    ASSERT_TRUE(x.Type(KeySym));
    ASSERT_TRUE(RunUntil(Done, Guard)) << What;
  }
  // File > Save (0) or Load (1) as the main window's menu runs it; a name typed into the
  // window's box and its button clicked, all with the server's pointer and keys. The window
  // hides once it saved or loaded.
  void SaveOrLoad(int Index, const std::string& Name) {
    saveLoad->RunFileMenuAction(Index);
    Settle(*saveLoad, "the save window");
    ASSERT_TRUE(server.Over(*saveLoad, *main)) << "the save window is under the main window";
    const app::TSaveLoadParts& p = saveLoad->Parts();
    vg::TvxHudTextBox* box = p.HudTextBox_3D_SL_Name;
    ClickOn(*saveLoad, box);
    ASSERT_TRUE(RunUntil([&] { return box->IsFocused(); }, Guard)) << "the click did not reach the name box";
    ASSERT_TRUE(x.Type(0xFF57));  // End
    while (!box->Text().empty()) {
      const std::u16string before = box->Text();
      TypeUntil(0xFF08, "a backspace did not reach the name box", [&] { return box->Text() != before; });
    }
    for (char c : Name) {
      const std::u16string before = box->Text();
      const bool upper = c >= 'A' && c <= 'Z';
      if (upper) {
        ASSERT_TRUE(x.Key(0xFFE1, true));  // Shift
      }
      TypeUntil(static_cast<unsigned long>(upper ? c - 'A' + 'a' : c), "a key did not reach the name box",
                [&] { return box->Text() != before; });
      if (upper) {
        ASSERT_TRUE(x.Key(0xFFE1, false));
      }
    }
    ASSERT_EQ(rtl::WideToUtf8(box->Text()), Name);
    const int waits = host->WaitShown;
    ClickOn(*saveLoad, p.HudButton_3D_SL_Run);
    ASSERT_TRUE(RunUntil([&] { return !saveLoad->Showing(); }, Guard)) << "the window stayed after " << Name;
    // The link is up: the configuration goes to the ECU, under the wait window, which closes
    // when the ECU reports the data saved (as the host's step does: a write that follows at once
    // finds the report standing and leaves the window).
    ASSERT_TRUE(RunUntil([&] { return host->WaitShown > waits; }, Guard)) << "the wait window did not come";
    if (wait->Showing()) host->CloseWaitWindow();
  }
  // A click on Form at the first of Spots (client points) that none of the shown windows of
  // Others covers, and the loop until Form is the active window.
  void ClickUncovered(win::TCustomForm& Form, const std::vector<win::TPoint>& Spots,
                      std::initializer_list<const win::TCustomForm*> Others) {
    const xview::TPlace at = server.Place(Form);
    for (const win::TPoint& p : Spots) {
      const xview::TPlace s{at.X + p.X, at.Y + p.Y};
      bool covered = false;
      for (const win::TCustomForm* f : Others)
        if (f && f->Showing()) {
          const xview::TPlace o = server.Place(*f);
          covered = covered || (s.X >= o.X && s.Y >= o.Y && s.X < o.X + f->Width() && s.Y < o.Y + f->Height());
        }
      if (covered) continue;
      ASSERT_TRUE(xview::ClickAt(x, s));
      ASSERT_TRUE(RunUntil([&] { return win::ActiveForm() == &Form; }, Guard)) << "the click missed " << Form.Name();
      return;
    }
    FAIL() << "other windows cover " << Form.Name();
  }
  // A click on the main window (the Setup tab, else the empty space of its caption or its lower
  // edge) where no other window of the program covers it.
  void ClickMain() {
    vg::TvxVisualObject* tab = main->Parts().HudTabItem_CFG;
    const vg::TvxPoint t = tab->LocalToAbsolute({tab->Width() / 2, tab->Height() / 2});
    ClickUncovered(*main,
                   {{static_cast<int>(t.X), static_cast<int>(t.Y)},
                    {main->Width() / 2, 12},
                    {main->Width() - 60, main->Height() - 6},
                    {60, main->Height() - 6}},
                   {settings.get(), message.get(), saveLoad.get(), wait.get(), skin.get()});
  }
  // The corners of a window, a little inside it.
  static std::vector<win::TPoint> Corners(const win::TCustomForm& Form) {
    return {{6, 6}, {Form.Width() - 6, 6}, {6, Form.Height() - 6}, {Form.Width() - 6, Form.Height() - 6}};
  }
  // Whether the screen shows the main window's picture (as it last presented it) at a few points
  // of where Form lay.
  bool ShowsMainWhere(const win::TCustomForm& Form) {
    const xview::TPlace at = server.Place(Form), m = server.Place(*main);
    for (const win::TPoint p : {win::TPoint{10, 10}, win::TPoint{Form.Width() / 2, Form.Height() / 2},
                                win::TPoint{Form.Width() - 10, Form.Height() - 10}}) {
      const int cx = at.X + p.X - m.X, cy = at.Y + p.Y - m.Y;
      if (server.ScreenPixel(at.X + p.X, at.Y + p.Y) != (main->PresentedPixel(cx, cy) & 0xFFFFFFu)) return false;
    }
    return true;
  }
  bool Saved(const std::string& Name) const {
    return std::filesystem::exists(folder.Path() / "Config" / (Name + ".cfg"));
  }

  xtest::TXTest x;
  xview::TServerView server;
  std::unique_ptr<app::TForm_3D_SET> settings;
  std::unique_ptr<app::TForm_3D_MSG> message;
  std::unique_ptr<app::TForm_3D_SaveLoad> saveLoad;
  std::unique_ptr<app::TForm_3D_Wait> wait;
  std::unique_ptr<app::TForm_3D_Skin> skin;
};

TEST_F(SecondaryWindowsScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
  // The windows in the program's order.
  ShowMain();
  settings = app::TForm_3D_SET::Create();
  message = app::TForm_3D_MSG::Create();
  saveLoad = app::TForm_3D_SaveLoad::Create();
  wait = app::TForm_3D_Wait::Create();
  skin = app::TForm_3D_Skin::Create();
  Settle(*main, "the main window");
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, Guard)) << "the ECU was not read";

  // ---- the wait window as a write starts: keys typed into the main window's Name box as it
  // comes, while it shows, after a click on it, as it shrinks and as it goes all reach the box;
  // the main window keeps the activation and the server's keyboard focus.
  {
    vg::TvxHudTextBox* name = main->PageCFG()->Parts().HudTextBox_CFG_User_Name;
    ClickOn(*main, name);
    ASSERT_TRUE(RunUntil([&] { return name->IsFocused() && win::ActiveForm() == main.get(); }, Guard))
        << "the click did not reach the Name box";
    const std::u16string before = name->Text();
    std::u16string typed;
    const auto typeInto = [&](char C) {
      typed += static_cast<char16_t>(C);
      ASSERT_TRUE(x.Type(static_cast<unsigned long>(C)));
    };
    const auto reached = [&] {
      ASSERT_TRUE(RunUntil([&] { return name->Text() == before + typed; }, Guard))
          << "typed " << rtl::WideToUtf8(typed) << ", the box has " << rtl::WideToUtf8(name->Text());
    };
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round == 0 ? "wait window shown" : "wait window shown again");
      typeInto('a');
      host->ShowWaitWindow();
      typeInto('b');
      Settle(*wait, "the wait window");
      typeInto('c');
      reached();
      ClickOn(*wait, wait->Root());
      typeInto('d');
      host->ShrinkWaitWindow();
      typeInto('e');
      reached();
      host->CloseWaitWindow();
      typeInto('f');
      reached();
      EXPECT_EQ(win::ActiveForm(), main.get());
      EXPECT_TRUE(name->IsFocused());
      EXPECT_TRUE(server.HoldsFocus(*main)) << "the main window lost the keyboard focus";
    }
  }

  // ---- the save window: a save, a second save, a load and a save, each typed and clicked.
  SaveOrLoad(0, "S1");
  EXPECT_TRUE(Saved("S1"));
  // Where it was, the screen shows the main window's own picture again.
  EXPECT_TRUE(RunUntil([&] { return ShowsMainWhere(*saveLoad); }, Guard)) << "the main window kept a stale picture";
  SaveOrLoad(0, "S2");
  EXPECT_TRUE(Saved("S2")) << "the second save wrote nothing";
  SaveOrLoad(1, "S1");
  EXPECT_EQ(app::CurrentCfgName(), u"S1");
  SaveOrLoad(0, "S3");
  EXPECT_TRUE(Saved("S3")) << "the save after a load wrote nothing";
  // The wait window belongs to the main window.
  ASSERT_TRUE(wait->Window());
  EXPECT_EQ(server.Owner(*wait), xview::TServerView::XOf(*main));

  // File > Save, then a click on the main window's Setup tab: the save window stays above it;
  // File > Load brings it to the front with the list filled anew, and it takes the keys.
  saveLoad->RunFileMenuAction(0);
  Settle(*saveLoad, "the save window");
  EXPECT_TRUE(server.HasState(*saveLoad, "_NET_WM_STATE_ABOVE"));
  ClickMain();
  EXPECT_TRUE(RunUntil([&] { return server.Over(*saveLoad, *main); }, Guard)) << "the save window went under";
  saveLoad->RunFileMenuAction(1);
  EXPECT_TRUE(RunUntil([&] { return win::ActiveForm() == saveLoad.get(); }, Guard)) << "Load did not activate it";
  EXPECT_EQ(saveLoad->Parts().HudStringListBox_3D_SL_List->Items()->Count(), 3);
  saveLoad->Close();
  ASSERT_TRUE(RunUntil([&] { return !saveLoad->Showing(); }, Guard));
  // Another client destroys the save window (xdotool windowclose): it closes; File > Save makes
  // it anew, and it takes a name and saves it as before, with no X error reported.
  {
    saveLoad->RunFileMenuAction(0);
    Settle(*saveLoad, "the save window");
    const std::uint64_t errors = win::WindowSystemErrors();
    ASSERT_TRUE(x.DestroyWindow(xview::TServerView::XOf(*saveLoad)));
    ASSERT_TRUE(RunUntil([&] { return !saveLoad->Showing(); }, Guard)) << "the destroyed save window stayed open";
    SaveOrLoad(0, "S4");
    EXPECT_TRUE(Saved("S4")) << "the save window made anew saved nothing";
    EXPECT_EQ(win::WindowSystemErrors(), errors) << "X errors about the window that went";
  }

  // ---- the settings window, shown twice: above the main window, typed into.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "settings shown" : "settings shown again");
    main->ShowWindowNamed("Form_3D_SET");
    Settle(*settings, "the settings window");
    EXPECT_EQ(server.Owner(*settings), xview::TServerView::XOf(*main));
    ClickMain();
    EXPECT_TRUE(RunUntil([&] { return server.Over(*settings, *main); }, Guard)) << "the settings went under";
    vg::TvxHudNumberBox* delay = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
    ClickOn(*settings, delay);
    ASSERT_TRUE(RunUntil([&] { return delay->IsFocused() && !delay->Dragging(); }, Guard))
        << "the click missed the box";
    const char16_t digit = round == 0 ? u'7' : u'8';
    TypeUntil(digit, "the key did not reach the settings", [&] { return delay->Text() == std::u16string(1, digit); });
    // A drop-down of the window opens above it, each time.
    vg::TvxHudComboTextBox* language = settings->Parts().HudComboTextBox_3D_SET_Language;
    ClickOn(*settings, language, language->Width() - 6);
    ASSERT_TRUE(RunUntil([&] { return language->Popup()->IsOpen() && language->Popup()->PopupForm(); }, Guard))
        << "the drop-down did not open";
    Settle(*language->Popup()->PopupForm(), "the drop-down");
    EXPECT_TRUE(server.Over(*language->Popup()->PopupForm(), *settings)) << "the drop-down opened under its window";
    language->Popup()->ClosePopup();
    ASSERT_TRUE(RunUntil([&] { return !language->Popup()->IsOpen(); }, Guard));
    settings->Close();
    ASSERT_TRUE(RunUntil([&] { return !settings->Showing(); }, Guard));
  }
  // Another client destroys the settings window: it closes; its button shows it again, made
  // anew, above the main window and typed into, with no X error reported.
  {
    main->ShowWindowNamed("Form_3D_SET");
    Settle(*settings, "the settings window");
    const std::uint64_t errors = win::WindowSystemErrors();
    ASSERT_TRUE(x.DestroyWindow(xview::TServerView::XOf(*settings)));
    ASSERT_TRUE(RunUntil([&] { return !settings->Showing(); }, Guard)) << "the destroyed settings stayed open";
    main->HudButton_3D_GEN_SettingsClick(nullptr);
    Settle(*settings, "the settings window made anew");
    EXPECT_EQ(server.Owner(*settings), xview::TServerView::XOf(*main));
    vg::TvxHudNumberBox* delay = settings->Parts().HudNumberBox_3D_SET_Transmit_CFG_Delay;
    ClickOn(*settings, delay);
    ASSERT_TRUE(RunUntil([&] { return delay->IsFocused() && !delay->Dragging(); }, Guard))
        << "the click missed the box";
    TypeUntil(u'9', "the key did not reach the settings made anew", [&] { return delay->Text() == u"9"; });
    settings->Close();
    ASSERT_TRUE(RunUntil([&] { return !settings->Showing(); }, Guard));
    EXPECT_EQ(win::WindowSystemErrors(), errors) << "X errors about the window that went";
  }

  // ---- the skin window and, opened from it, the brush dialog and from that the bitmap editor:
  // each belongs to the window it was opened from and stays above it when that one is clicked.
  main->ShowWindowNamed("Form_3D_Skin");
  Settle(*skin, "the skin window");
  EXPECT_EQ(server.Owner(*skin), xview::TServerView::XOf(*main));
  bool brushChecked = false, editorChecked = false;
  vg::TvxBrushDialog::OnAnyShow = [&](vg::TvxBrushDesign& Brush) {
    looptest::Later([&] {
      Settle(Brush, "the brush dialog");
      EXPECT_EQ(server.Owner(Brush), xview::TServerView::XOf(*skin));
      auto editor = std::make_unique<vg::TvxBitmapEditor>(nullptr);
      looptest::Later([&] {
        Settle(*editor, "the bitmap editor");
        EXPECT_EQ(server.Owner(*editor), xview::TServerView::XOf(Brush));
        editorChecked = true;
        editor->SetModalResult(win::mrCancel);
      });
      editor->ShowModal();
      editor.reset();
      ClickUncovered(*skin, Corners(*skin), {&Brush});
      EXPECT_TRUE(RunUntil([&] { return server.Over(Brush, *skin); }, Guard)) << "the brush dialog went under";
      brushChecked = true;
      Brush.SetModalResult(win::mrCancel);
    });
  };
  ClickOn(*skin, skin->Parts().HudButton_Skin_Color);
  ASSERT_TRUE(RunUntil([&] { return brushChecked; }, Guard)) << "the brush dialog did not open";
  EXPECT_TRUE(editorChecked);
  vg::TvxBrushDialog::OnAnyShow = nullptr;
  skin->Close();
  ASSERT_TRUE(RunUntil([&] { return !skin->Showing(); }, Guard));

  // ---- the message window, twice: above the main window, closed with its button.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "message shown" : "message shown again");
    host->ShowMessageWindow(13, "Message " + std::to_string(round + 1));
    Settle(*message, "the message window");
    EXPECT_EQ(server.Owner(*message), xview::TServerView::XOf(*main));
    ClickMain();
    EXPECT_TRUE(RunUntil([&] { return server.Over(*message, *main); }, Guard)) << "the message went under";
    ASSERT_FALSE(message->Buttons().empty());
    ClickOn(*message, message->Buttons().front());
    ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, Guard)) << "its button did not close it";
  }

  // The port window never showed.
  EXPECT_FALSE(port->Showing());
  EXPECT_FALSE(port->Window() && server.Mapped(*port));
  EXPECT_TRUE(reports.empty()) << reports.front();
  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, wmtest::UnderWindowManager() ? "secondary_windows_openbox.png" : "secondary_windows.png");
}

}  // namespace

}  // namespace secondary_windows_screen_test
