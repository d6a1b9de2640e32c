// Windows that show, hide and show again on a real X server, bare and under a window manager
// (openbox on the child's Xvfb), driven through the server's own devices (XTest). A window hidden
// by its own click and shown again lies where the server has it and takes the clicks and keys
// that land on it; a window stays above the main window it belongs to, a stay-on-top one keeps
// asking for it each time it shows and stays above the windows shown or brought to the front
// after it, one shown again while it shows comes to the front, and one put right above another
// takes no keys; what a hidden window covered shows the window under it again. A window manager started after the
// program finds its borderless windows undecorated and in their order. A window whose border has
// only the system menu is offered neither minimising nor maximising. A window maximised and
// restored comes back where it was.
#include <gtest/gtest.h>

#include <SDL.h>
// After GoogleTest: Xlib's macros would break it (and keep this file out of the batches).
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/XTest.h"
#include "tests/XWindows.h"
#include "tests/win/XvfbChild.h"

namespace window_stacking_screen_test {

using namespace win;

namespace {

using wintest::InXvfbChild;
using wintest::PumpUntil;
using xview::ClickAt;
using xview::TServerView;

// A control that fills its form and records the presses, releases and characters it gets; a
// press or a release can run a handler, as a menu's item or a button's click does.
class Pad : public TCustomControl {
public:
  explicit Pad(TForm* Form) : TCustomControl(Form) {
    SetControlStyle({csCaptureMouse});
    SetParent(Form);
    SetAlign(alClient);
  }
  std::vector<TPoint> presses;
  int releases = 0;
  std::u16string chars;
  std::function<void()> onPress, onRelease;
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_LBUTTONDOWN) presses.push_back(PointFromParam(M.lParam));
    if (M.message == WM_LBUTTONUP) ++releases;
    if (M.message == WM_CHAR) chars += static_cast<char16_t>(M.wParam);
    const LRESULT r = TCustomControl::WndProc(M);
    if (M.message == WM_LBUTTONDOWN && onPress) onPress();
    if (M.message == WM_LBUTTONUP && onRelease) onRelease();
    return r;
  }
};

// A form that records the characters it gets itself (while no control has the focus).
class KeyForm : public TForm {
public:
  using TForm::TForm;
  std::u16string chars;
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_CHAR) chars += static_cast<char16_t>(M.wParam);
    return TForm::WndProc(M);
  }
};

// A borderless form of one colour at a place, filled by a pad.
struct TestWindow {
  TestWindow(int Left, int Top, int Width, int Height, std::uint32_t Color, TFormStyle Style = fsNormal) {
    form->SetBorderStyle(bsNone);
    form->SetFormStyle(Style);
    form->SetColor(Color);
    form->SetBounds(Left, Top, Width, Height);
    pad = new Pad(form.get());
  }
  std::unique_ptr<KeyForm> form = std::make_unique<KeyForm>(nullptr);
  Pad* pad = nullptr;
  // The characters the form and its pad got.
  std::u16string Chars() const { return form->chars + pad->chars; }
};


constexpr std::uint32_t Blue = 0x2040C0, Red = 0xC02020, Green = 0x20A040, Grey = 0x808080;

}  // namespace

TEST(WindowStacking, RunsUnderXvfb) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("WindowStackingChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

TEST(WindowStacking, RunsUnderOpenbox) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled() || !wmtest::OpenboxInstalled())
    GTEST_SKIP() << "xvfb-run or openbox is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("WindowStackingChild.*", wmtest::TManager::Openbox), 0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

// The save window's case: its button hides it and a wait window shows at once; shown again, it
// takes the click and the keys that land on it where the screen shows it.
TEST(WindowStackingChild, AWindowHiddenByItsOwnClickShowsAgainWhereItIsAndTakesClicksAndKeys) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
    TestWindow main(20, 20, 400, 300, Blue), dialog(40, 60, 200, 150, Red, fsStayOnTop), wait(460, 20, 50, 50, Green);
    SetMainForm(main.form.get());
    main.form->Show();
    dialog.pad->onRelease = [&] {
      dialog.form->Hide();
      wait.form->Show();
    };
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE("showing " + std::to_string(round + 1));
      dialog.form->Show();
      ASSERT_TRUE(PumpUntil([&] { return server.Settled(*dialog.form); })) << "the window did not come";
      const xview::TPlace at = server.Place(*dialog.form);
      dialog.pad->presses.clear();
      ASSERT_TRUE(ClickAt(x, {at.X + 100, at.Y + 70}));
      ASSERT_TRUE(PumpUntil([&] { return !dialog.pad->presses.empty(); })) << "the click went elsewhere";
      EXPECT_EQ(dialog.pad->presses[0].X, 100);
      EXPECT_EQ(dialog.pad->presses[0].Y, 70);
      EXPECT_EQ(dialog.form->Left(), at.X);
      EXPECT_EQ(dialog.form->Top(), at.Y);
      // Its release hid it and showed the wait window.
      ASSERT_TRUE(PumpUntil([&] { return !dialog.form->Showing() && server.Settled(*wait.form); }));
      wait.form->Hide();
    }
    dialog.pad->onRelease = nullptr;
    dialog.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.Settled(*dialog.form); }));
    const xview::TPlace at = server.Place(*dialog.form);
    ASSERT_TRUE(ClickAt(x, {at.X + 20, at.Y + 20}));
    ASSERT_TRUE(PumpUntil([&] { return dialog.pad->presses.size() == 2; })) << "the click went elsewhere";
    ASSERT_TRUE(x.Type('k'));
    EXPECT_TRUE(PumpUntil([&] { return dialog.Chars() == u"k"; })) << "the key went elsewhere";

    // Hidden by the press itself (as a menu that closes on its item): the pointer stays with no
    // hidden window; the release goes to the main window under it, and so do the next clicks.
    dialog.pad->onPress = [&] { dialog.form->Hide(); };
    ASSERT_TRUE(x.MoveTo(at.X + 30, at.Y + 30) && x.Button(1, true));
    ASSERT_TRUE(PumpUntil([&] { return !dialog.form->Showing(); }));
    ASSERT_TRUE(x.Button(1, false));
    const std::size_t before = main.pad->presses.size();
    ASSERT_TRUE(ClickAt(x, {at.X + 60, at.Y + 60}));
    EXPECT_TRUE(PumpUntil([&] { return main.pad->presses.size() == before + 1 && main.pad->releases > 0; }))
        << "the click after the hide went elsewhere";
    dialog.pad->onPress = nullptr;
    SetMainForm(nullptr);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// A window belongs to the main window and stays above it, also after a click on the main window,
// shown for the first time or again; a stay-on-top window asks for it each time it shows; a
// window shown again while it shows comes to the front; what a hidden window covered shows the
// main window's own picture again.
TEST(WindowStackingChild, AWindowStaysAboveTheWindowItBelongsToAndComesToTheFrontWhenShownAgain) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
    TestWindow main(20, 20, 500, 400, Blue), settings(60, 60, 200, 150, Green),
        dialog(200, 120, 200, 150, Red, fsStayOnTop);
    SetMainForm(main.form.get());
    main.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.Settled(*main.form); }));
    const xview::TPlace mainAt = server.Place(*main.form);
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round == 0 ? "shown" : "shown again");
      settings.form->Show();
      dialog.form->Show();
      ASSERT_TRUE(PumpUntil([&] { return server.Settled(*settings.form) && server.Settled(*dialog.form); }));
      EXPECT_EQ(server.Owner(*settings.form), TServerView::XOf(*main.form));
      EXPECT_EQ(server.Owner(*dialog.form), TServerView::XOf(*main.form));
      EXPECT_TRUE(server.HasState(*dialog.form, "_NET_WM_STATE_ABOVE"));
      EXPECT_FALSE(server.HasState(*settings.form, "_NET_WM_STATE_ABOVE"));
      // A click on the main window (which a manager raises) leaves both above it.
      ASSERT_TRUE(ClickAt(x, {mainAt.X + 450, mainAt.Y + 350}));
      ASSERT_TRUE(PumpUntil([&] { return ActiveForm() == main.form.get(); }));
      EXPECT_TRUE(PumpUntil([&] { return server.Over(*settings.form, *main.form); })) << "the settings went under";
      EXPECT_TRUE(PumpUntil([&] { return server.Over(*dialog.form, *main.form); })) << "the dialog went under";
      // A new size of the main window (the program takes its saved size once its windows show)
      // leaves both above it: a borderless window, which SDL raises as it resizes it, keeps its
      // place among the windows.
      main.form->SetBounds(main.form->Left(), main.form->Top(), 520 - 10 * round, 410 - 10 * round);
      ASSERT_TRUE(PumpUntil([&] {
        return server.Size(*main.form) == std::pair{520 - 10 * round, 410 - 10 * round};
      })) << "the main window kept its size";
      EXPECT_TRUE(PumpUntil([&] { return server.Over(*settings.form, *main.form); }))
          << "the settings went under the resized main window";
      EXPECT_TRUE(PumpUntil([&] { return server.Over(*dialog.form, *main.form); }))
          << "the dialog went under the resized main window";
      const xview::TPlace s = server.Place(*settings.form);
      EXPECT_TRUE(PumpUntil([&] { return server.ScreenPixel(s.X + 20, s.Y + 20) == Green; }));
      settings.form->Hide();
      dialog.form->Hide();
      // The main window shows its own picture where the hidden ones were.
      EXPECT_TRUE(PumpUntil([&] { return server.ScreenPixel(s.X + 20, s.Y + 20) == Blue; }))
          << "the main window kept the settings' picture";
    }
    // Two windows of the main window's: the one shown later lies above and holds the keys; the
    // first, shown again while it shows, comes to the front and takes them.
    TestWindow skin(100, 100, 200, 150, Grey);
    const auto holdsKeys = [](const TestWindow& W) {
      return SDL_GetKeyboardFocus() == W.form->Window() && ActiveForm() == W.form.get();
    };
    // The stay-on-top dialog, shown first, stays above both, bare as under a manager.
    dialog.form->Show();
    settings.form->Show();
    skin.form->Show();
    ASSERT_TRUE(PumpUntil(
        [&] { return server.Settled(*settings.form) && server.Settled(*skin.form) && server.Settled(*dialog.form); }));
    ASSERT_TRUE(PumpUntil([&] { return server.Over(*skin.form, *settings.form) && holdsKeys(skin); }));
    EXPECT_TRUE(server.Over(*dialog.form, *skin.form)) << "a window shown later covers the stay-on-top one";
    settings.form->Show();
    EXPECT_TRUE(PumpUntil([&] { return server.Over(*settings.form, *skin.form); })) << "shown again, it stayed behind";
    EXPECT_TRUE(PumpUntil([&] { return holdsKeys(settings); })) << "shown again, it did not take the keys";
    EXPECT_TRUE(server.Over(*dialog.form, *settings.form)) << "a window shown again covers the stay-on-top one";
    // One window put right above another: the keys stay where they were.
    StackFormAbove(skin.form.get(), settings.form.get());
    EXPECT_TRUE(PumpUntil([&] { return server.Over(*skin.form, *settings.form); })) << "it was not put above";
    EXPECT_TRUE(server.Over(*dialog.form, *skin.form));
    EXPECT_EQ(ActiveForm(), settings.form.get());
    ASSERT_TRUE(x.Type('s'));
    EXPECT_TRUE(PumpUntil([&] { return settings.Chars() == u"s"; })) << "the key went elsewhere";
    dialog.form->Hide();
    SetMainForm(nullptr);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// A window manager that starts after the program's windows were made finds its borderless
// windows without decorations, none of them above all the others, and a window shown then above
// the main window.
TEST(WindowStackingChild, AWindowManagerStartedLaterFindsTheWindowsUndecoratedAndInTheirOrder) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  if (wmtest::UnderWindowManager()) GTEST_SKIP() << "a window manager runs already";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
    TestWindow main(20, 20, 500, 400, Blue), later(60, 60, 200, 150, Red);
    SetMainForm(main.form.get());
    main.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.Settled(*main.form); }));
    wmtest::TOpenbox openbox;
    const char* display = std::getenv("DISPLAY");
    ASSERT_TRUE(display && openbox.Start(display)) << "openbox did not start";
    EXPECT_TRUE(PumpUntil([&] { return server.FrameExtents(*main.form).size() == 4; })) << "openbox left the window";
    EXPECT_EQ(server.FrameExtents(*main.form), (std::vector<long>{0, 0, 0, 0})) << "the window got a frame";
    EXPECT_EQ(server.Owner(*main.form), 0u);
    later.form->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.FrameExtents(*later.form).size() == 4; }));
    const xview::TPlace at = server.Place(*main.form);
    ASSERT_TRUE(ClickAt(x, {at.X + 450, at.Y + 350}));
    ASSERT_TRUE(PumpUntil([&] { return !main.pad->presses.empty(); }));
    EXPECT_TRUE(PumpUntil([&] { return server.Over(*later.form, *main.form); })) << "the later window went under";
    later.form->Hide();
    main.form->Hide();
    SetMainForm(nullptr);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// The check window's border (the system menu only): the window tells a window manager that its
// border has neither a minimise nor a maximise button and that it offers neither action, only
// moving and closing (the Motif hints, functions as well as decorations), also after its border
// style was set again (SDL writes the border's hints anew then) and it showed again. A window
// with the default buttons leaves its functions to the manager. Under openbox, which keeps the
// minimise button of every window whatever the hints say, a window of fixed size is offered no
// maximising.
TEST(WindowStackingChild, AWindowWithOnlyTheSystemMenuOffersNeitherMinimiseNorMaximise) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    TServerView server;
    ASSERT_TRUE(server.Ready()) << "the X server does not answer here";
    auto checkForm = std::make_unique<TForm>(nullptr), plainForm = std::make_unique<TForm>(nullptr);
    TForm &check = *checkForm, &plain = *plainForm;
    for (TForm* f : {&check, &plain}) {
      f->SetBorderStyle(bsSingle);
      f->SetBounds(f == &check ? 40 : 300, 60, 200, 120);
    }
    check.SetBorderIcons({biSystemMenu});
    check.Show();
    plain.Show();
    // The Motif hints' bits: functions given, decorations given; the functions resize, move,
    // minimise, maximise, close; the decorations' minimise and maximise buttons.
    constexpr long FunctionsGiven = 1, DecorationsGiven = 2;
    constexpr long Resize = 2, Move = 4, Minimize = 8, Maximize = 16, Close = 32;
    constexpr long MinimizeButton = 32, MaximizeButton = 64;
    for (int round = 0; round < 2; ++round) {
      SCOPED_TRACE(round == 0 ? "shown" : "shown again");
      ASSERT_TRUE(PumpUntil([&] { return server.Settled(check) && server.Settled(plain); }));
      const std::vector<long> hints = server.MotifHints(check);
      ASSERT_EQ(hints.size(), 5u);
      EXPECT_EQ(hints[0] & (FunctionsGiven | DecorationsGiven), FunctionsGiven | DecorationsGiven);
      EXPECT_EQ(hints[1] & (Move | Close), Move | Close);
      EXPECT_EQ(hints[1] & (Resize | Minimize | Maximize), 0) << "offered resizing, minimising or maximising";
      EXPECT_NE(hints[2], 0) << "the border is decorated";
      EXPECT_EQ(hints[2] & (MinimizeButton | MaximizeButton), 0) << "minimise or maximise button";
      const std::vector<long> plainHints = server.MotifHints(plain);
      ASSERT_EQ(plainHints.size(), 5u);
      EXPECT_EQ(plainHints[0] & FunctionsGiven, 0) << "the default buttons restricted the functions";
      if (wmtest::UnderWindowManager()) {
        ASSERT_TRUE(PumpUntil([&] { return server.ActionsListed(check); })) << "the manager listed no actions";
        EXPECT_TRUE(server.Allows(check, "_NET_WM_ACTION_CLOSE"));
        EXPECT_FALSE(server.Allows(check, "_NET_WM_ACTION_MAXIMIZE_HORZ"));
        EXPECT_FALSE(server.Allows(check, "_NET_WM_ACTION_MAXIMIZE_VERT"));
      }
      check.Hide();
      check.SetBorderStyle(bsSingle);
      check.Show();
    }
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// A sizeable window maximised and restored through its state comes back where it was shown, at its
// size, and the form says so too: the program hears of the restore's move and of its size one at a
// time, and neither may send the window back to where or how large it was maximised.
TEST(WindowStackingChild, AWindowMaximisedAndRestoredComesBackWhereItWas) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    TServerView server;
    ASSERT_TRUE(server.Ready()) << "the X server does not answer here";
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(301, 320, 200, 120);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.Settled(*form); }));
    const xview::TPlace shown = server.Place(*form);
    ASSERT_TRUE(PumpUntil([&] { return form->Left() == shown.X && form->Top() == shown.Y; }));
    form->SetWindowState(wsMaximized);
    // Only a window manager maximises a window.
    if (wmtest::UnderWindowManager()) {
      ASSERT_TRUE(PumpUntil([&] { return server.Size(*form).first > 400 && form->Width() > 400; }))
          << "the window was not maximised";
    }
    form->SetWindowState(wsNormal);
    const auto back = [&] {
      const xview::TPlace at = server.Place(*form);
      return server.Size(*form) == std::make_pair(200, 120) && at.X == shown.X && at.Y == shown.Y &&
             form->Left() == shown.X && form->Top() == shown.Y && form->Width() == 200 && form->Height() == 120;
    };
    EXPECT_TRUE(PumpUntil(back)) << "restored at (" << server.Place(*form).X << ", " << server.Place(*form).Y
                                 << ") instead of (" << shown.X << ", " << shown.Y << "), the form at (" << form->Left()
                                 << ", " << form->Top() << ")";
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

}  // namespace window_stacking_screen_test
