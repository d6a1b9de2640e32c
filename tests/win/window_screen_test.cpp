// The program's windows on a bare X server (no window manager), driven through the server's own
// devices (XTest): the test program runs itself again under xvfb-run with SDL's x11 driver, and
// the child does the work. Nobody but the program moves the keyboard focus there: a closed window
// gives it back to the one it came from, a popup shown without the activation leaves it where it
// was, and a press gives it to the pressed window. A window that another client destroyed counts
// as closed: hiding, showing and freeing it wait for nothing, and the keys go back as they would.
#include <SDL.h>
#include <gtest/gtest.h>

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

// Runs the loop until Cond holds or a minute has passed (a guard for a loaded machine).
bool PumpUntil(const std::function<bool()>& Cond) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!Cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    PumpEvents();
    rtl::Application->ProcessMessages();
    SDL_Delay(5);
  }
  return true;
}

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

TEST(WindowScreenChild, WithoutAWindowManagerTheKeyboardGoesBackToItsWindowAndToAPressedOne) {
  if (!InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
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

}  // namespace window_screen_test
