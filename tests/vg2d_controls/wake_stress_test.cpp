// Real windows under Xvfb: drop-down lists, popups and popup menus open and close 2,000 times
// while another thread wakes the loop without pause, as the serial port's thread does. A
// wake from another thread must never reach a window that a drop-down has just destroyed
// (the X server answers such a request with an error, and Xlib's own handler ends the
// program): here no wake goes through the X server at all. An X error that does happen is
// reported and survived. The test runs this program again under xvfb-run (the child test
// does the work); without xvfb-run it is skipped.
//
// A wake sent as an X message from another thread races with the GUI thread destroying the
// window it names, and loses only now and then (SDL's own wake-up did, once). So the test
// also counts the X client messages sent from threads other than the GUI thread
// (XSendEvent below stands in for Xlib's): a wake may send none.
#include <gtest/gtest.h>

#include <SDL.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Menus.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/core/SceneControl.h"

// Last: Xlib's macros (None, Bool, Status ...) would break the headers above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>

namespace wake_stress_test {

namespace {
const std::thread::id guiThread = std::this_thread::get_id();
std::atomic<long> sentFromOtherThreads{0};
}  // namespace

// Xlib's XSendEvent, counting the client messages sent from other threads.
extern "C" Status XSendEvent(Display* D, Window W, Bool Propagate, long Mask, XEvent* E) {
  using TReal = Status (*)(Display*, Window, Bool, long, XEvent*);
  static const auto real = reinterpret_cast<TReal>(dlsym(RTLD_NEXT, "XSendEvent"));
  if (E && E->type == ClientMessage && std::this_thread::get_id() != guiThread) ++sentFromOtherThreads;
  return real(D, W, Propagate, Mask, E);
}

using namespace vg;

namespace {

TEST(WakeStress, DropDownsComeAndGoWhileAnotherThreadWakesTheLoop) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("WakeStressChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

// Runs the loop, sleeping in its wait as the program does, until Done answers true; a 1 ms
// timer makes sure the wait ends even when nothing else comes.
template <class F>
void RunUntil(F Done) {
  const auto tick = rtl::Application->StartTimer(1.0, [] {});
  const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!Done() && std::chrono::steady_clock::now() < limit) rtl::Application->HandleMessage();
  rtl::Application->StopTimer(tick);
  ASSERT_TRUE(Done()) << "the loop did not get there within a minute";
}

// A few turns of the loop, each sleeping in the wait until a 2 ms timer (or a wake) ends it.
void Turns(int N) {
  for (int i = 0; i < N; ++i) {
    bool fired = false;
    const auto t = rtl::Application->StartTimer(2, [&fired] { fired = true; });
    RunUntil([&fired] { return fired; });
    rtl::Application->StopTimer(t);
  }
}

TEST(WakeStressChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(60, 40, 320, 240);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto* combo = new TvxHudComboTextBox(form.get());
    root->AddObject(combo);
    combo->SetBounds(20, 20, 140, 22);
    for (const char16_t* t : {u"English", u"Deutsch", u"Polski", u"Русский", u"Italiano"}) combo->Items()->Add(t);
    auto* popup = new TvxPopup(form.get());
    root->AddObject(popup);
    popup->SetBounds(0, 0, 120, 80);
    popup->SetPlacementTarget(combo);
    auto* menu = new win::TPopupMenu(form.get());
    menu->Add(u"Copy");
    menu->Add(u"Paste");
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    Turns(3);

    std::atomic<bool> stop{false};
    std::atomic<long> wakes{0};
    std::thread waker([&] {
      std::minstd_rand random(7);
      while (!stop) {
        rtl::Application->Wake();
        ++wakes;
        // A pause of 0.05 to 0.5 ms, so that the loop also falls asleep between wakes.
        std::this_thread::sleep_for(std::chrono::microseconds(50 + random() % 450));
      }
    });
    const std::uint64_t errorsBefore = win::WindowSystemErrors();
    for (int i = 0; i < 2000; ++i) {
      switch (i % 3) {
        case 0:  // the combo box's list, dropped and closed by presses on its arrow
          win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 20 + 134, 31);
          win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 20 + 134, 31);
          ASSERT_TRUE(combo->Popup()->IsOpen()) << "round " << i;
          Turns(1);
          win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 20 + 134, 31);
          win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 20 + 134, 31);
          ASSERT_FALSE(combo->Popup()->IsOpen()) << "round " << i;
          break;
        case 1:
          popup->Popup();
          ASSERT_TRUE(popup->IsOpen()) << "round " << i;
          Turns(1);
          popup->ClosePopup();
          break;
        default:
          menu->Popup(100 + i % 50, 120);
          ASSERT_TRUE(menu->IsOpen()) << "round " << i;
          Turns(1);
          menu->CloseMenu();
          break;
      }
      // The closed window is freed by the loop; it sleeps once more while it goes.
      Turns(1);
    }
    stop = true;
    waker.join();
    EXPECT_GT(wakes.load(), 2000);
    EXPECT_EQ(sentFromOtherThreads.load(), 0) << "wakes went through the X server";
    EXPECT_EQ(win::WindowSystemErrors(), errorsBefore);
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

// A request that the X server refuses (an event sent to a window that does not exist) is
// reported and counted, and the program goes on talking to the display.
TEST(WakeStressChild, AnXErrorIsReportedAndTheProgramGoesOn) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  auto form = std::make_unique<win::TForm>(nullptr);
  form->SetBounds(10, 10, 50, 40);
  form->Show();
  ASSERT_EQ(win::VideoDriver(), "x11");
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  ASSERT_TRUE(SDL_GetWindowWMInfo(form->Window(), &info));
  Display* x = info.info.x11.display;
  const std::uint64_t before = win::WindowSystemErrors();
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.format = 32;
  XSendEvent(x, 0x3FFFFFFF, False, NoEventMask, &e);
  XSync(x, False);
  EXPECT_EQ(win::WindowSystemErrors(), before + 1);
  // The display still answers.
  form->SetBounds(20, 20, 60, 40);
  rtl::Application->ProcessMessages();
  XSync(x, False);
  EXPECT_EQ(win::WindowSystemErrors(), before + 1);
  form.reset();
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
}

}  // namespace

}  // namespace wake_stress_test
