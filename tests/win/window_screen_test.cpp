// The program's windows on a bare X server (no window manager), driven through the server's own
// devices (XTest): the test program runs itself again under xvfb-run with SDL's x11 driver, and
// the child does the work. Nobody but the program moves the keyboard focus there: a closed window
// gives it back to the one it came from, a popup shown without the activation leaves it where it
// was, and a press gives it to the pressed window. A window that another client destroyed counts
// as closed: hiding, showing and freeing it wait for nothing, and the keys go back as they would;
// the form hears of it as of its user's close, and nothing more is drawn on it.
#include <gtest/gtest.h>

#include <SDL.h>
// After GoogleTest: Xlib's macros would break it.
#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/Popups.h"
#include "platform/win/WindowSystem.h"
#include "tests/XTest.h"
#include "tests/win/XvfbChild.h"

namespace window_screen_test {

using namespace win;

namespace {

using wintest::InXvfbChild;
using wintest::PumpUntil;

// A form that records the characters it is sent.
template <class Base>
class CharLog : public Base {
public:
  using Base::Base;
  std::u16string chars;
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_CHAR) chars += static_cast<char16_t>(M.wParam);
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
      wintest::RunSelfUnderXvfb("ManagedWindowScreenChild.*:WindowScreenChild.AWindowAnotherClientDestroyedCloses*",
                                wmtest::TManager::Openbox),
      0)
      << "the run under Xvfb and openbox failed (its output is above)";
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
    ASSERT_TRUE(x.DestroyWindow(detail::XWindowOf(message->Window())));
    message->Hide();
    EXPECT_TRUE(HoldsKeys(*main)) << "the keys stayed with the window that went";
    EXPECT_TRUE(TypesInto(x, *main, 'a'));
    // Shown and hidden again, then freed: nothing waits for the window that is gone.
    message->Show();
    message->Hide();
    message.reset();
    EXPECT_TRUE(TypesInto(x, *main, 'b'));
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
  }
  rtl::Application->ProcessMessages();
  CloseDisplay();
}

}  // namespace window_screen_test
