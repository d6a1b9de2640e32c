// The program's secondary windows on a real X screen (Xvfb) against the ECU simulator, bare and
// under a window manager (openbox), driven with the X server's own pointer and keys (XTest). The
// save window takes a name and saves it each time it shows, also after a save or a load (which
// hide it from inside its own button's click while the wait window shows); it stays above the
// main window when the main window is clicked and comes to the front when File > Save or Load
// shows it again. The settings, skin, message and wait windows belong to the main window and
// stay above it, shown again or not, and take the keys typed into them; the brush dialog and
// the bitmap editor belong to the window they were opened from, and the editor's "Save..." to
// a name no picture can be saved under says why in the message window; the shared brush
// designer opens over the window it was opened from; a drop-down opens above its window each
// time; the font dialog opened from the settings shows the letters typed into its size box, and
// its OK says what the box takes and leaves it open, until a size is typed; the port window
// never shows. The wait window goes when the last write has ended, also when a save is clicked
// while a Setup value is being written; an edit whose line closes before its write goes out is
// reported as not written and goes to no ECU, and once the line is back nothing is written that
// the installer did not change.
// The wait window never takes the keys typed into the main window as it comes, while it shows
// or after a click on it. The save and settings windows, destroyed by another client, close,
// and show again when the program shows them next, with no X error reported. While a dialog
// runs, the windows that showed take no click: the dialog stays active above them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Form_3D_MSG.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Form_3D_Skin.h"
#include "app/ui/Page_CFG.h"
#include "app/ui/SaveLoad_3D_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_State.h"
#include "platform/gfx3d/GlDevice.h"
#include "platform/loop/Timer.h"
#include "tests/TestOutput.h"
#include "tests/XTest.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "tests/loop/Later.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/NumberBox.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/FilterGdiPlus.h"
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
  // The reducer percentages as a save leaves them while the reducer's reference temperature
  // reads 0 degrees (as everywhere in the table below): "no value", which is all a write can
  // send them with that reference.
  ecusim::EcuState SimulatorState() const override {
    ecusim::EcuState state = ecusim::DefaultState();
    state.Params[150] = state.Params[151] = 0x0500;
    return state;
  }
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
    vg::TvxFontDialog::OnAnyShow = nullptr;
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
  // File > Save (0) or Load (1) as the main window's menu runs it, and a name typed into the
  // window's box, all with the server's pointer and keys.
  void OpenAndName(int Index, const std::string& Name) {
    saveLoad->RunFileMenuAction(Index);
    Settle(*saveLoad, "the save window");
    ASSERT_TRUE(server.Over(*saveLoad, *main)) << "the save window is under the main window";
    const app::TSaveLoadParts& p = saveLoad->Parts();
    vg::TvxHudTextBox* box = p.HudTextBox_3D_SL_Name;
    // The keys go to the name box from the start: a save's name is typed at once, a load's after
    // a click on the box.
    ASSERT_TRUE(RunUntil([&] { return box->IsFocused(); }, Guard)) << "the name box has not the keys";
    if (Index == 1) {
      ClickOn(*saveLoad, box);
      ASSERT_TRUE(RunUntil([&] { return box->IsFocused(); }, Guard)) << "the click did not reach the name box";
    }
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
  }
  // The same, then the window's button clicked. The window hides once it saved or loaded.
  void SaveOrLoad(int Index, const std::string& Name) {
    OpenAndName(Index, Name);
    if (HasFatalFailure()) return;
    const int waits = host->WaitShown;
    ClickOn(*saveLoad, saveLoad->Parts().HudButton_3D_SL_Run);
    ASSERT_TRUE(RunUntil([&] { return !saveLoad->Showing(); }, Guard)) << "the window stayed after " << Name;
    // The link is up: the configuration goes to the ECU under the wait window, which goes when
    // the write has ended (also when the ECU's "data saved" report still stands from the write
    // before).
    ASSERT_TRUE(RunUntil([&] { return host->WaitShown > waits; }, Guard)) << "the wait window did not come";
    WriteEnds();
  }
  // Runs the loop until no write runs or waits, and the wait window has gone with the last one.
  void WriteEnds() {
    ASSERT_TRUE(RunUntil(
        [&] { return !ecu::Session().Link.TaskRunning && ecu::Session().Link.TaskRequest == 0 && !wait->Showing(); },
        Guard))
        << "the wait window stayed after the write (" << (wait->Showing() ? "shown" : "gone") << ", " << wait->Width()
        << " x " << wait->Height() << ")";
  }
  // A click on Form at the first of Spots (client points) that none of the shown windows of
  // Others covers, and the loop until Active (Form when nil) is the active window.
  void ClickUncovered(win::TCustomForm& Form, const std::vector<win::TPoint>& Spots,
                      std::initializer_list<const win::TCustomForm*> Others, win::TCustomForm* Active = nullptr) {
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
      win::TCustomForm* active = Active ? Active : &Form;
      ASSERT_TRUE(RunUntil([&] { return win::ActiveForm() == active; }, Guard))
          << "after the click on " << Form.Name() << " the active window is "
          << (win::ActiveForm() ? win::ActiveForm()->Name() : std::string("none"));
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
  // The settings' Font button, clicked: the font dialog opens over the settings window; letters
  // typed into its size box show; OK says what the box takes and leaves the dialog open with the
  // text selected; a size typed over it and Enter take that size. A picture of the refusal is
  // kept. Only the four styles the settings keep are offered.
  void FontSizeRefusedThenTaken() {
    bool refused = false;
    vg::TvxFontDialog::OnAnyShow = [&](vg::TvxFontDialogForm& D) {
      looptest::Later([&] {
        const win::TCustomForm& form = D;  // the form, not its Hud window
        Settle(form, "the font dialog");
        EXPECT_TRUE(server.Over(form, *settings)) << "the font dialog opened under the settings";
        // The settings keep four styles: Underline and Strikeout, which OK would drop, are not offered.
        EXPECT_EQ(D.StyleList()->Items()->Count(), 4) << "the dialog offers styles the settings cannot keep";
        // The windows that showed are held while the dialog runs: a click on the main window's
        // Graph tab changes no page and leaves the dialog active (the click on the size box
        // below is handled after it).
        vg::TvxVisualObject* graph = main->Parts().HudTabItem_CLB;
        const vg::TvxPoint g = graph->LocalToAbsolute({graph->Width() / 2, graph->Height() / 2});
        const int page = main->Parts().HudTabControl_GEN->ItemIndex();
        ClickUncovered(*main, {{static_cast<int>(g.X), static_cast<int>(g.Y)}}, {&form, settings.get()}, &D);
        vg::TvxTextBox* size = D.SizeBox();
        ClickOn(form, size);
        ASSERT_TRUE(RunUntil([&] { return size->IsFocused(); }, Guard)) << "the click missed the size box";
        EXPECT_EQ(main->Parts().HudTabControl_GEN->ItemIndex(), page) << "the main window took a click";
        EXPECT_NE(page, 2);
        ASSERT_TRUE(x.Type(0xFF57));  // End
        while (!size->Text().empty()) {
          const std::u16string before = size->Text();
          TypeUntil(0xFF08, "a backspace did not reach the size box", [&] { return size->Text() != before; });
        }
        TypeUntil('x', "a letter did not reach the size box", [&] { return size->Text() == u"x"; });
        TypeUntil('y', "a letter did not reach the size box", [&] { return size->Text() == u"xy"; });
        ClickOn(form, D.OkButton());
        ASSERT_TRUE(RunUntil([&] { return !D.SizeMessage()->Text().empty(); }, Guard)) << "OK said nothing";
        EXPECT_EQ(D.SizeMessage()->Text(), u"Size takes a number from 6 to 72.");
        EXPECT_EQ(D.ModalResult(), win::mrNone);
        EXPECT_TRUE(D.Showing());
        ASSERT_TRUE(RunUntil([&] { return size->IsFocused() && size->SelLength() == 2; }, Guard))
            << "the size box did not get its text selected";
        vgtest::Screenshot screen;
        ASSERT_TRUE(ReadScreen(screen));
        KeepWindowPicture(screen,
                          wmtest::UnderWindowManager() ? "font_size_refused_openbox.png" : "font_size_refused.png");
        TypeUntil('2', "a digit did not replace the size", [&] { return size->Text() == u"2"; });
        TypeUntil('0', "a digit did not reach the size box", [&] { return size->Text() == u"20"; });
        EXPECT_TRUE(D.SizeMessage()->Text().empty());
        TypeUntil(0xFF0D, "Enter did not end the dialog", [&] { return D.ModalResult() == win::mrOk; });
        refused = true;
      });
    };
    ClickOn(*settings, settings->Parts().HudButton_3D_SET_Font);
    EXPECT_TRUE(RunUntil([&] { return refused && app::Model().Settings.Font_Size == 20; }, Guard))
        << "the size typed was not taken";
    vg::TvxFontDialog::OnAnyShow = nullptr;
  }
  // A size beyond the program's ("1e6") typed into the font dialog, and Enter: the size is taken
  // held to 72, and the message window says so in the delay boxes' words; its button closes it.
  // The size before is then put back.
  void FontSizeHeldAndSaid() {
    const float before = app::Model().Settings.Font_Size;
    bool typed = false;
    vg::TvxFontDialog::OnAnyShow = [&](vg::TvxFontDialogForm& D) {
      looptest::Later([&] {
        Settle(D, "the font dialog");
        vg::TvxTextBox* size = D.SizeBox();
        ClickOn(D, size);
        ASSERT_TRUE(RunUntil([&] { return size->IsFocused(); }, Guard)) << "the click missed the size box";
        size->SelectAll();
        for (const char c : std::string("1e6")) {
          const std::u16string was = size->Text();
          TypeUntil(static_cast<unsigned char>(c), "a key did not reach the size box",
                    [&] { return size->Text() != was; });
        }
        ASSERT_EQ(size->Text(), u"1e6");
        TypeUntil(0xFF0D, "Enter did not end the dialog", [&] { return D.ModalResult() == win::mrOk; });
        typed = true;
      });
    };
    const std::size_t shown = host->Messages.size();
    ClickOn(*settings, settings->Parts().HudButton_3D_SET_Font);
    ASSERT_TRUE(RunUntil([&] { return typed && message->Showing(); }, Guard)) << "nothing was said";
    vg::TvxFontDialog::OnAnyShow = nullptr;
    EXPECT_EQ(app::Model().Settings.Font_Size, 72);
    ASSERT_EQ(host->Messages.size(), shown + 1);
    EXPECT_EQ(host->Messages.back(), "13: Font: 1e6 is outside 6 to 72; 72 is taken");
    Settle(*message, "the message window");
    ASSERT_FALSE(message->Buttons().empty());
    ClickOn(*message, message->Buttons().front());
    ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, Guard)) << "its button did not close it";
    app::Model().Settings.Font_Size = before;
    app::QueueAction(app::Action_ApplyFonts, 100);
  }
  // Runs Then from the loop once Ready holds, as a timer's ticks find it (they come inside
  // modal loops too).
  static void WhenReady(std::function<bool()> Ready, std::function<void()> Then) {
    auto id = std::make_shared<rtl::TApplication::TTimerId>();
    *id = rtl::Application->StartTimer(10, [id, Ready, Then] {
      if (!Ready()) return;
      rtl::Application->StopTimer(*id);
      Then();
    });
  }
  // The whole screen, kept as Name in the build tree's test-output folder.
  void KeepScreen(const std::string& Name) {
    vgtest::Screenshot screen;
    ASSERT_TRUE(ReadScreen(screen));
    vg::TvxBitmap picture(screen.width, screen.height);
    std::copy(screen.pixels.begin(), screen.pixels.end(), picture.Bits());
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), picture, "");
  }
  // "Save..." of the bitmap editor, a name typed into its file dialog under which no picture
  // can be saved and OK, all with the server's pointer and keys: the dialog closes and the
  // program says why in its message window, as it does for a file "Load..." cannot read. The
  // message window's button closes it.
  void SaveFails(vg::TvxBitmapEditor& Editor, const std::string& Name) {
    auto told = std::make_shared<std::vector<std::string>>();
    rtl::Application->OnException = [this, told](rtl::TObject*, const std::exception& E) {
      told->push_back(E.what());
      host->ShowMessageWindow(13, E.what());  // as the program reports what a handler raises
    };
    // However the steps end, the loop's reports go to the test's list again.
    struct TRestore {
      std::vector<std::string>& Reports;
      ~TRestore() {
        rtl::Application->OnException = [&To = Reports](rtl::TObject*, const std::exception& E) {
          To.push_back(E.what());
        };
      }
    } restore{reports};
    auto typed = std::make_shared<bool>(false);
    WhenReady([] { return dynamic_cast<vg::TvxFileDialogForm*>(win::ActiveForm()) != nullptr; },
              [this, typed, Name] {
                auto& d = *dynamic_cast<vg::TvxFileDialogForm*>(win::ActiveForm());
                Settle(d, "the file dialog");
                ClickOn(d, d.NameBox());
                ASSERT_TRUE(RunUntil([&] { return d.NameBox()->IsFocused(); }, Guard)) << "the click missed the box";
                for (char c : Name) {
                  const std::u16string before = d.NameBox()->Text();
                  TypeUntil(static_cast<unsigned char>(c), "a key did not reach the name box",
                            [&] { return d.NameBox()->Text() != before; });
                }
                ASSERT_EQ(rtl::WideToUtf8(d.NameBox()->Text()), Name);
                *typed = true;
                ClickOn(d, d.OkButton());
              });
    ClickOn(Editor, static_cast<vg::TvxVisualObject*>(Editor.Part("btnSave")));
    // The test's loop takes the X events itself, outside the guarded turn in which the program's
    // loop takes them: what the click's handler raises is handed to the loop's handler here.
    bool said = false;
    for (int turns = 0; !said && turns < 2; ++turns) try {
        said = RunUntil([&] { return !told->empty(); }, Guard);
      } catch (...) {
        rtl::Application->HandleException(nullptr);
      }
    ASSERT_TRUE(said) << "the failed save told nothing";
    EXPECT_TRUE(*typed);
    EXPECT_NE(told->front().find("could not be saved to " + Name), std::string::npos) << told->front();
    EXPECT_FALSE(std::filesystem::exists(Name));
    Settle(*message, "the message window");
    EXPECT_TRUE(server.Over(*message, Editor)) << "the message went under the editor";
    KeepScreen(wmtest::UnderWindowManager() ? "bitmap_editor_save_failed_openbox.png"
                                            : "bitmap_editor_save_failed.png");
    ASSERT_FALSE(message->Buttons().empty());
    ClickOn(*message, message->Buttons().front());
    ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, Guard)) << "its button did not close it";
  }
  // Runs the loop until Done holds, setting Asked when meanwhile a write is asked for (the
  // transmission delay armed, a change waiting for it, or a write running).
  bool RunWatchingWrites(const std::function<bool()>& Done, bool& Asked) {
    const rtl::TTimer& transmit = *app::Model().Actions.Timer_GEN_Transmit;
    return RunUntil(
        [&] {
          Asked =
              Asked || transmit.Enabled() || app::Model().Actions.PendingKinds != 0 || ecu::Session().Link.TaskRunning;
          return Done();
        },
        Guard);
  }
  // Runs the loop until the ECU has been read and a dozen polls more have been answered; false
  // in Quiet when meanwhile a write was asked for or shown.
  void ReadWithoutWrites(const std::function<bool()>& Read, bool& Quiet) {
    const int waits = host->WaitShown;
    bool asked = false;
    ASSERT_TRUE(RunWatchingWrites(Read, asked)) << "the ECU was not read";
    const unsigned heard = sim->Stats().Requests;
    ASSERT_TRUE(RunWatchingWrites([&] { return sim->Stats().Requests > heard + 12; }, asked)) << "the polls stopped";
    Quiet = !asked && host->WaitShown == waits;
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
  // Reading the ECU writes nothing to it: not the page's fill, and not the reducer percentages
  // that came without a value, which a write would only send without one again, at every
  // connect.
  bool quiet = false;
  ReadWithoutWrites([&] { return StatusShowed(u"Data loaded"); }, quiet);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(quiet) << "a write was asked for after the ECU was read";

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

  // ---- a save clicked while a value of the Setup page is being written: the wait window shows
  // while either write runs and goes when the second has ended.
  OpenAndName(0, "S4");
  {
    const int waits = host->WaitShown;
    main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM->SetText(u"2500");
    ASSERT_TRUE(RunUntil([&] { return host->WaitShown > waits; }, Guard)) << "the page's write did not start";
    EXPECT_TRUE(wait->Showing());
    ClickOn(*saveLoad, saveLoad->Parts().HudButton_3D_SL_Run);
    ASSERT_TRUE(RunUntil([&] { return host->WaitShown > waits + 1; }, Guard)) << "the save's write did not start";
    WriteEnds();
    EXPECT_TRUE(Saved("S4"));
    std::uint8_t h = 0, l = 0;
    ecu::RPMToPeriodBytes(2500, h, l);
    EXPECT_EQ(sim->State().Params['C'], h * 256 + l) << "the ECU keeps 2500";
  }

  // ---- the simulator closes its line right after an edit, before its write goes out: the
  // message window says, in the language's text, that it was not written; once the line is back
  // the page shows what the ECU keeps, and the edit goes to no one.
  {
    const std::size_t said = host->Messages.size();
    main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM->SetText(u"2600");
    sim->Stop();
    ASSERT_TRUE(RunUntil([&] { return message->Showing() && server.Settled(*message); }, Guard))
        << "nothing said that the edit was not written";
    ASSERT_EQ(host->Messages.size(), said + 1);
    EXPECT_EQ(host->Messages.back(), "13: " + ecu::LngText("MSG_Not_Written"));
    ASSERT_TRUE(RunUntilActionsDone()) << "the message's fonts were never applied";
    vgtest::Screenshot screen;
    ASSERT_TRUE(ReadScreen(screen));
    KeepWindowPicture(screen, wmtest::UnderWindowManager() ? "not_written_openbox.png" : "not_written.png");
    ClickOn(*message, message->Buttons().front());
    ASSERT_TRUE(RunUntil([&] { return !message->Showing(); }, Guard)) << "its button did not close it";
    // Nor is anything written once the line is back: what the ECU reports is no change of the
    // installer's.
    sim->Start();
    vg::TvxHudComboTextBox* rpm = main->PageCFG()->Parts().HudComboTextBox_CFG_PG_RPM;
    bool quiet = false;
    ReadWithoutWrites([&] { return ecu::Session().Link.LinkUp && rpm->Text() == u"2500"; }, quiet);
    if (HasFatalFailure()) return;
    EXPECT_EQ(rtl::WideToUtf8(rpm->Text()), "2500") << "the page shows what the ECU keeps";
    EXPECT_TRUE(quiet) << "a write was asked for once the line was back";
    std::uint8_t h = 0, l = 0;
    ecu::RPMToPeriodBytes(2500, h, l);
    EXPECT_EQ(sim->State().Params['C'], h * 256 + l) << "the edit reached the ECU that came back";
    EXPECT_EQ(host->Messages.size(), said + 1);
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
    if (round == 0) FontSizeRefusedThenTaken();
    if (round == 0) FontSizeHeldAndSaid();
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
        SaveFails(*editor, "/proc/x.png");
        editorChecked = true;
        editor->SetModalResult(win::mrCancel);
      });
      editor->ShowModal();
      editor.reset();
      // The skin window is held while the dialog runs, as the dialog's owner: a click on it
      // brings the dialog forward and leaves it active.
      ClickUncovered(*skin, Corners(*skin), {&Brush}, &Brush);
      EXPECT_TRUE(RunUntil([&] { return server.Over(Brush, *skin); }, Guard)) << "the brush dialog went under";
      brushChecked = true;
      Brush.SetModalResult(win::mrCancel);
    });
  };
  ClickOn(*skin, skin->Parts().HudButton_Skin_Color);
  ASSERT_TRUE(RunUntil([&] { return brushChecked; }, Guard)) << "the brush dialog did not open";
  EXPECT_TRUE(editorChecked);
  vg::TvxBrushDialog::OnAnyShow = nullptr;
  // The shared designer, opened from the skin window, opens over it.
  ASSERT_TRUE(RunUntil([&] { return win::ActiveForm() == skin.get(); }, Guard)) << "the skin window is not active";
  vg::TvxBrush live(vg::vgBrushSolid, 0xFF336699);
  vg::TvxBrushDesign* shared = vg::ShowBrushDesigner(&live, nullptr);
  ASSERT_NE(shared, nullptr);
  Settle(*shared, "the shared brush designer");
  {
    const xview::TPlace d = server.Place(*shared), s = server.Place(*skin);
    EXPECT_LE(std::abs(d.X + shared->Width() / 2 - (s.X + skin->Width() / 2)), 2) << "not over the skin window";
    EXPECT_LE(std::abs(d.Y + shared->Height() / 2 - (s.Y + skin->Height() / 2)), 2) << "not over the skin window";
  }
  KeepScreen(wmtest::UnderWindowManager() ? "shared_brush_designer_openbox.png" : "shared_brush_designer.png");
  shared->Close();
  ASSERT_TRUE(RunUntil([&] { return vg::SharedBrushDesigner() == nullptr; }, Guard));
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
