// The program's windows on a bare X server (no window manager), driven through the server's own
// devices (XTest): the test program runs itself again under xvfb-run with SDL's x11 driver, and
// the child does the work. Nobody but the program moves the keyboard focus there: a closed window
// gives it back to the one it came from, a popup shown without the activation leaves it where it
// was, and a press gives it to the pressed window. A window that another client destroyed counts
// as closed: hiding, showing and freeing it wait for nothing, and the keys go back as they would;
// the form hears of it as of its user's close, and nothing more is drawn on it; shown again, its
// window is made anew, and no X error is reported about the one that went. A busy sign (a form
// that never activates) takes neither the keys nor the activation, bare or under a window
// manager. A display whose connection breaks (xkill) ends nothing where it breaks: the program
// hears of it once and goes on without its windows.
#include <gtest/gtest.h>

#include <SDL.h>
// After GoogleTest: Xlib's macros would break it.
#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Popups.h"
#include "platform/win/WindowSystem.h"
#include "tests/XTest.h"
#include "tests/XWindows.h"
#include "tests/win/XvfbChild.h"

namespace window_screen_test {

using namespace win;

namespace {

using wintest::InXvfbChild;
using wintest::PumpUntil;

// A form that records the characters and the presses it is sent.
template <class Base>
class CharLog : public Base {
public:
  using Base::Base;
  std::u16string chars;
  int presses = 0;
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_CHAR) chars += static_cast<char16_t>(M.wParam);
    if (M.message == WM_LBUTTONDOWN) ++presses;
    return Base::WndProc(M);
  }
};


void PlaceBorderless(TCustomForm& Form, int Left, int Top) {
  Form.SetBorderStyle(bsNone);
  Form.SetBounds(Left, Top, 200, 150);
}

// Whether the form's window holds the server's keyboard focus, asked on the program's own
// connection: the server has taken every request the program made before it answers.
bool HoldsKeys(TCustomForm& Form) {
  return detail::XFocusWindow(detail::XConnectionOf(Form.Window())) == detail::XWindowOf(Form.Window());
}

// A key typed on the server's keyboard reaches the form as its character.
template <class Form>
bool TypesInto(xtest::TXTest& X, Form& Into, char Key) {
  const std::u16string before = Into.chars;
  return X.Type(static_cast<unsigned long>(Key)) && PumpUntil([&] { return Into.chars.size() > before.size(); }) &&
         Into.chars == before + char16_t(Key);
}

}  // namespace

TEST(WindowScreen, RunsUnderXvfb) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("WindowScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

// The same server with openbox managing it, as an installer's desktop: the child knows it runs
// under a manager, and the program sees one. A window destroyed by another client closes there too.
TEST(WindowScreen, RunsUnderOpenbox) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled() || !wmtest::OpenboxInstalled()) GTEST_SKIP() << "xvfb-run or openbox is not installed";
  EXPECT_EQ(
      wintest::RunSelfUnderXvfb("ManagedWindowScreenChild.*:WindowScreenChild.AWindowAnotherClientDestroyedCloses*:"
                                "WindowScreenChild.ABusySign*",
                                wmtest::TManager::Openbox),
      0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

// Another client kills the program's connection to the X server (xkill): a run of its own, since
// the display is gone for the rest of it.
TEST(WindowScreen, ALostDisplayEndsNothingWhereItBreaks) {
  if (InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!wintest::XvfbRunInstalled()) GTEST_SKIP() << "xvfb-run is not installed";
  EXPECT_EQ(wintest::RunSelfUnderXvfb("WindowScreenLostChild.*"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(ManagedWindowScreenChild, TheWindowManagerRunsAndFramesTheProgramsWindow) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ASSERT_TRUE(wmtest::UnderWindowManager());
  rtl::Application->Reset();
  {
    auto main = std::make_unique<TForm>(nullptr);
    main->SetBounds(20, 20, 200, 150);
    main->Show();
    _XDisplay* connection = detail::XConnectionOf(main->Window());
    EXPECT_TRUE(detail::WindowManagerRuns(connection));
    // The manager reparents a window it manages into its frame.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(PumpUntil([&] {
      if (children) XFree(children);
      children = nullptr;
      return XQueryTree(connection, detail::XWindowOf(main->Window()), &root, &parent, &children, &count) &&
             parent != root;
    })) << "openbox did not take the window into a frame";
    if (children) XFree(children);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

TEST(WindowScreenChild, WithoutAWindowManagerTheKeyboardGoesBackToItsWindowAndToAPressedOne) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ASSERT_FALSE(wmtest::UnderWindowManager());
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    auto main = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*main, 20, 20);
    main->Show();
    ASSERT_TRUE(HoldsKeys(*main)) << "the shown window does not hold the keys";
    ASSERT_TRUE(TypesInto(x, *main, 'a'));

    // A window shown over it (a message) takes the keys; closed, it gives them back.
    auto message = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*message, 300, 20);
    message->Show();
    ASSERT_TRUE(HoldsKeys(*message));
    EXPECT_TRUE(TypesInto(x, *message, 'b'));
    message->Hide();
    EXPECT_TRUE(HoldsKeys(*main)) << "the closed message kept the keys";
    EXPECT_TRUE(TypesInto(x, *main, 'c'));
    EXPECT_EQ(ActiveForm(), main.get());

    // A popup shown without the activation leaves the keys and the activation where they
    // were; made active (its content took the focus), it takes the keys that come for its
    // parent's window; hidden, it leaves them to the parent.
    auto popup = std::make_unique<CharLog<TPopupForm>>(main.get());
    PlaceBorderless(*popup, 40, 200);
    popup->ShowNoActivate();
    EXPECT_TRUE(HoldsKeys(*main)) << "the popup shown without the activation took the keys";
    EXPECT_TRUE(TypesInto(x, *main, 'd'));
    EXPECT_EQ(ActiveForm(), main.get());
    SetActiveForm(popup.get());
    EXPECT_TRUE(TypesInto(x, *popup, 'e'));
    popup->Hide();
    EXPECT_TRUE(HoldsKeys(*main));
    EXPECT_TRUE(TypesInto(x, *main, 'g')) << "the hidden popup kept the keys";

    // Nobody holds the keys (another program took them and went): a press gives them to the
    // pressed window.
    ASSERT_TRUE(x.FocusNowhere());
    ASSERT_TRUE(PumpUntil([] { return SDL_GetKeyboardFocus() == nullptr; }));
    ASSERT_TRUE(x.MoveTo(70, 60) && x.Button(1, true) && x.Button(1, false));
    EXPECT_TRUE(PumpUntil([&] { return HoldsKeys(*main); })) << "the press did not give the keys to its window";
    EXPECT_TRUE(TypesInto(x, *main, 'f'));
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

TEST(WindowScreenChild, AWindowAnotherClientDestroyedCountsAsClosedAndGivesTheKeysBack) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    auto main = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*main, 20, 20);
    main->Show();
    auto message = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*message, 300, 20);
    message->Show();
    ASSERT_TRUE(HoldsKeys(*message));

    // Destroyed while it holds the keys, before the program has heard of it: its close (a hide)
    // gives the keys back to the window it came from.
    const std::uint64_t errors = WindowSystemErrors();
    const unsigned long gone = detail::XWindowOf(message->Window());
    ASSERT_TRUE(x.DestroyWindow(gone));
    message->Hide();
    EXPECT_TRUE(HoldsKeys(*main)) << "the keys stayed with the window that went";
    EXPECT_TRUE(TypesInto(x, *main, 'a'));
    // Shown again, its window is made anew: it shows and takes the keys; hidden, it gives them
    // back. Shown and hidden once more, then freed: nothing waits for the window that is gone,
    // and nothing about it is reported.
    message->Show();
    ASSERT_NE(detail::XWindowOf(message->Window()), gone) << "no new window";
    EXPECT_TRUE(detail::XWindowExists(message->Window()));
    EXPECT_TRUE(HoldsKeys(*message)) << "the window made anew does not hold the keys";
    EXPECT_TRUE(TypesInto(x, *message, 'c'));
    message->Hide();
    EXPECT_TRUE(HoldsKeys(*main));
    message->Show();
    message->Hide();
    message.reset();
    EXPECT_TRUE(TypesInto(x, *main, 'b'));
    detail::XSyncConnection(detail::XConnectionOf(main->Window()));
    PumpEvents();
    EXPECT_EQ(WindowSystemErrors(), errors) << "X errors about the window that went";
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// Another client destroys a shown window: the form hears it as its user's close (so a main
// form's close can end the program), and a form whose close keeps it shown draws nothing on the
// window that is gone (each picture would be an X error, 30 of them a second while a scene runs).
TEST(WindowScreenChild, AWindowAnotherClientDestroyedClosesAsItsUsersCloseWouldAndGetsNoPictures) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X test extension does not answer here";
    auto main = std::make_unique<TForm>(nullptr);
    PlaceBorderless(*main, 20, 20);
    int mainCloses = 0;
    main->OnClose = [&](rtl::TObject*, TCloseAction&) { ++mainCloses; };
    main->Show();
    auto keeper = std::make_unique<TForm>(nullptr);
    PlaceBorderless(*keeper, 300, 20);
    int keeperCloses = 0;
    keeper->OnClose = [&](rtl::TObject*, TCloseAction& Action) {
      ++keeperCloses;
      Action = caNone;
    };
    keeper->Show();
    ASSERT_TRUE(PumpUntil([&] { return keeper->PresentCount() > 0; }));

    ASSERT_TRUE(x.DestroyWindow(detail::XWindowOf(main->Window())));
    EXPECT_TRUE(PumpUntil([&] { return mainCloses == 1; })) << "the form never heard that its window went";
    EXPECT_FALSE(main->Showing());
    EXPECT_EQ(keeperCloses, 0);

    ASSERT_TRUE(x.DestroyWindow(detail::XWindowOf(keeper->Window())));
    ASSERT_TRUE(PumpUntil([&] { return keeperCloses == 1; })) << "the form never heard that its window went";
    ASSERT_TRUE(keeper->Showing());
    _XDisplay* connection = detail::XConnectionOf(keeper->Window());
    detail::XSyncConnection(connection);
    PumpEvents();
    const std::uint64_t errors = WindowSystemErrors();
    for (int i = 0; i < 3; ++i) {
      keeper->Present({keeper->ClientRect()});
      PumpEvents();
    }
    // Every request made so far has been answered, its error too.
    detail::XSyncConnection(connection);
    EXPECT_EQ(WindowSystemErrors(), errors) << "pictures went to the window that is gone";
    EXPECT_EQ(mainCloses, 1);

    // Shown again, each gets a window made anew, which shows and takes its pictures: the one
    // whose close kept it shown as well as the one that closed.
    xview::TServerView server;
    ASSERT_TRUE(server.Ready());
    for (TForm* form : {keeper.get(), main.get()}) {
      const unsigned long gone = detail::XWindowOf(form->Window());
      form->Show();
      ASSERT_NE(detail::XWindowOf(form->Window()), gone) << form->Name() << ": no new window";
      EXPECT_TRUE(PumpUntil([&] { return server.Settled(*form); })) << "the new window did not show";
      const int presented = form->PresentCount();
      form->Present({form->ClientRect()});
      PumpEvents();
      EXPECT_GT(form->PresentCount(), presented);
    }
    detail::XSyncConnection(connection);
    EXPECT_EQ(WindowSystemErrors(), errors) << "X errors about the windows that went";
    EXPECT_EQ(mainCloses, 1);
    EXPECT_EQ(keeperCloses, 1);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// A busy sign (a form that never activates, as the wait window) shows over the window the user
// types in, again and again: every key typed as it comes, while it shows and after a press on it
// reaches that window, which keeps the activation and the server's keyboard focus (under a window
// manager, which focuses a new window itself unless told that it takes no input, too).
TEST(WindowScreenChild, ABusySignNeverTakesTheKeysNorTheActivation) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  {
    xtest::TXTest x;
    xview::TServerView server;
    ASSERT_TRUE(x.Ready() && server.Ready()) << "the X server does not answer here";
    auto main = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*main, 20, 20);
    SetMainForm(main.get());
    main->Show();
    ASSERT_TRUE(PumpUntil([&] { return server.Settled(*main) && server.HoldsFocus(*main); }))
        << "the main window did not take the keys";
    auto busy = std::make_unique<CharLog<TForm>>(nullptr);
    PlaceBorderless(*busy, 300, 20);
    busy->SetNoActivate(true);
    std::u16string typed;
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE("showing " + std::to_string(round + 1));
      const char first = static_cast<char>('a' + 4 * round);
      ASSERT_TRUE(x.Type(static_cast<unsigned long>(first)));
      busy->Show();
      ASSERT_TRUE(x.Type(static_cast<unsigned long>(first + 1)));
      ASSERT_TRUE(PumpUntil([&] { return server.Settled(*busy); })) << "the busy sign did not show";
      ASSERT_TRUE(x.Type(static_cast<unsigned long>(first + 2)));
      const xview::TPlace at = server.Place(*busy);
      ASSERT_TRUE(xview::ClickAt(x, {at.X + 50, at.Y + 50}));
      ASSERT_TRUE(PumpUntil([&] { return busy->presses == round + 1; })) << "the press went elsewhere";
      ASSERT_TRUE(x.Type(static_cast<unsigned long>(first + 3)));
      for (int i = 0; i < 4; ++i) typed += static_cast<char16_t>(first + i);
      EXPECT_TRUE(PumpUntil([&] { return main->chars == typed; })) << "keys went elsewhere";
      EXPECT_TRUE(busy->chars.empty());
      EXPECT_EQ(ActiveForm(), main.get());
      EXPECT_FALSE(busy->Active());
      EXPECT_TRUE(server.HoldsFocus(*main)) << "the main window lost the keyboard focus";
      if (wmtest::UnderWindowManager()) {
        EXPECT_TRUE(server.ActiveWindow(*main));
      }
      busy->Hide();
    }
    SetMainForm(nullptr);
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

// Another client kills the program's connection (xkill): Xlib would end the program where it
// met the break. The program hears of it once, from the loop, and its forms go on without their
// windows: showing, hiding, moving and drawing ask nothing of the X server and wait for nothing,
// a form made then gets no window, and the display closes.
TEST(WindowScreenLostChild, TheFormsGoOnWithoutTheirDisplayWhichIsHeardOfOnce) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  rtl::Application->Reset();
  int lost = 0;
  SetDisplayLostHandler([&lost] { ++lost; });
  {
    xtest::TXTest x;
    ASSERT_TRUE(x.Ready()) << "the X server does not answer here";
    auto main = std::make_unique<TForm>(nullptr);
    PlaceBorderless(*main, 20, 20);
    main->Show();
    auto other = std::make_unique<TForm>(nullptr);
    PlaceBorderless(*other, 300, 20);
    other->Show();
    ASSERT_TRUE(PumpUntil([&] { return main->PresentCount() > 0 && other->PresentCount() > 0; }));
    ASSERT_FALSE(DisplayLost());

    ASSERT_TRUE(x.KillClient(detail::XWindowOf(main->Window())));
    EXPECT_TRUE(PumpUntil([&] { return lost > 0; })) << "the program never heard that its display went";
    EXPECT_TRUE(DisplayLost());
    other->Hide();
    other->SetBounds(40, 40, 120, 90);
    other->SetCaption("again");
    other->SetBorderStyle(bsSingle);
    other->SetBorderIcons({biSystemMenu});
    other->Show();
    main->Present({main->ClientRect()});
    main->SetNoActivate(true);
    auto later = std::make_unique<TForm>(nullptr);
    later->Show();
    EXPECT_TRUE(later->Showing());
    EXPECT_EQ(later->Window(), nullptr) << "a window was made without a display";
    for (int i = 0; i < 3; ++i) {
      PumpEvents();
      rtl::Application->ProcessMessages();
    }
    EXPECT_EQ(lost, 1) << "heard of more than once";
    later.reset();
    other.reset();
    main.reset();
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
  SetDisplayLostHandler(nullptr);
}

}  // namespace window_screen_test
