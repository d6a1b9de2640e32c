#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/loop/Application.h"
#include "platform/rtl/Component.h"
#include "tests/loop/LoopFixture.h"

namespace release_test {

namespace {

using rtl::Application;
using rtl::TComponent;
using rtl::TNotifyEvent;
using rtl::TObject;

constexpr rtl::UINT WM_CLICK = rtl::WM_USER + 7;

struct TFakeButton : TComponent {
  explicit TFakeButton(TComponent* AOwner) : TComponent(AOwner) {}
  void Click() { OnClick(this); }
  TNotifyEvent OnClick;
};

// A form with a window of its own: a posted click reaches its button.
struct TFakeForm : TComponent {
  TFakeForm(TComponent* AOwner, int& Freed) : TComponent(AOwner), freed(Freed) {
    window = rtl::AllocateHWnd([this](rtl::MSG& M) {
      if (M.message == WM_CLICK) button->Click();
      return rtl::LRESULT{0};
    });
  }
  ~TFakeForm() override {
    rtl::DeallocateHWnd(window);
    ++freed;
  }
  void Release() { Application->ReleaseComponent(this); }

  int& freed;
  TFakeButton* button = new TFakeButton(this);
  rtl::HWND window = 0;
};

using ReleaseTest = looptest::LoopTest;

TEST_F(ReleaseTest, ButtonWhoseClickClosesItsFormTwiceFreesItOnceAfterTheClick) {
  int freed = 0;
  auto* form = new TFakeForm(nullptr, freed);
  form->SetName("Dialog");
  std::string seen;
  form->button->OnClick = [form, &freed, &seen](TObject* Sender) {
    form->Release();
    form->Release();
    // Still whole until the message is done: the handler goes on with its form and button.
    seen = form->Name() + "/" + std::to_string(static_cast<TComponent*>(Sender)->Owner() == form) +
           std::to_string(freed);
  };
  ASSERT_TRUE(rtl::PostMessage(form->window, WM_CLICK, 0, 0));
  Application->ProcessMessages();
  EXPECT_EQ("Dialog/10", seen);
  EXPECT_EQ(1, freed);
  Application->ProcessMessages();
  EXPECT_EQ(1, freed);
}

TEST_F(ReleaseTest, ComponentFreedBeforeTheLoopGetsToItIsNotFreedAgain) {
  int freed = 0;
  auto* form = new TFakeForm(nullptr, freed);
  form->Release();
  form->Free();
  // Freed with its owner: the owner's free takes it off the list as well.
  auto* owner = new TComponent(nullptr);
  auto* owned = new TFakeForm(owner, freed);
  owned->Release();
  delete owner;
  Application->ProcessMessages();
  EXPECT_EQ(2, freed);
}

TEST_F(ReleaseTest, ReleaseFromANestedLoopWaitsForTheHandlerThatOpenedIt) {
  int freed = 0;
  auto* form = new TFakeForm(nullptr, freed);
  int handled = 0;
  int freedInside = -1;
  // The click opens a modal loop; the first message handled there releases the form, the
  // second one comes after that release.
  form->button->OnClick = [&](TObject*) {
    const rtl::HWND helper = rtl::AllocateHWnd([&](rtl::MSG&) {
      if (++handled == 1) form->Release();
      return rtl::LRESULT{0};
    });
    rtl::PostMessage(helper, WM_CLICK, 0, 0);
    rtl::PostMessage(helper, WM_CLICK, 0, 0);
    Application->RunUntil([&] { return handled == 2; });
    rtl::DeallocateHWnd(helper);
    freedInside = freed;
    form->button->OnClick = nullptr;  // the form is still whole
  };
  rtl::PostMessage(form->window, WM_CLICK, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(0, freedInside);
  EXPECT_EQ(1, freed);
}

#ifndef NDEBUG
TEST(GuiThreadCheckDeathTest, TimerStartedOnAnotherThreadAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(std::thread([] { Application->StartTimer(10, [] {}); }).join(), "StartTimer called outside the GUI thread");
}
#endif

}  // namespace

}  // namespace release_test
