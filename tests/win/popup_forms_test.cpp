// Activation between forms and the popup window: who hears of it and in which order, a
// press that does or does not activate, the keys a popup window takes for its owner, its
// return of the activation, and the window system's focus.
#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Popups.h"

namespace popup_forms_test {

using namespace win;

namespace {

// Records activation messages as "<name>:<message> <wParam> <other form's name>".
std::vector<std::string> journal;

std::string NameOf(HWND Wnd) {
  TCustomForm* f = FormOfHandle(Wnd);
  return f ? f->Name() : std::string("-");
}

template <class Base>
class Logged : public Base {
public:
  using Base::Base;
  LRESULT mouseActivate = MA_ACTIVATE;
  std::vector<WPARAM> keys;
  TCustomForm* left = nullptr;
  int leftCount = 0;
  LRESULT WndProc(MSG& M) override {
    switch (M.message) {
      case WM_ACTIVATE:
        journal.push_back(this->Name() + ":activate " + std::to_string(M.wParam) + " " + NameOf(M.lParam));
        break;
      case WM_NCACTIVATE: journal.push_back(this->Name() + ":ncactivate " + std::to_string(M.wParam)); break;
      case WM_MOUSEACTIVATE: Base::WndProc(M); return mouseActivate;
      case WM_KEYDOWN: keys.push_back(M.wParam); break;
      default: break;
    }
    return Base::WndProc(M);
  }

protected:
  void ActivationLeftHook(TCustomForm* Next) {
    left = Next;
    ++leftCount;
  }
};

class LoggedPopup : public Logged<TPopupForm> {
public:
  using Logged<TPopupForm>::Logged;

protected:
  void ActivationLeft(TCustomForm* Next) override { ActivationLeftHook(Next); }
};

struct PopupForms : ::testing::Test {
  void SetUp() override {
    rtl::Application->Reset();
    journal.clear();
    main = std::make_unique<Logged<TForm>>(nullptr);
    main->SetName("main");
    main->SetBorderStyle(bsNone);
    main->SetBounds(10, 20, 200, 100);
    popup = std::make_unique<LoggedPopup>(main.get());
    popup->SetName("popup");
    popup->SetBounds(30, 60, 80, 40);
  }
  void TearDown() override {
    popup.reset();
    main.reset();
    rtl::Application->ProcessMessages();
  }
  std::unique_ptr<Logged<TForm>> main;
  std::unique_ptr<LoggedPopup> popup;
};

}  // namespace

TEST_F(PopupForms, APopupShownWithoutActivationTakesItWhenPressedAndTheOwnerKeepsItsCaption) {
  main->Show();
  EXPECT_TRUE(main->Active());
  EXPECT_EQ(popup->PopupParent(), main.get());
  EXPECT_EQ(popup->BorderStyle(), bsNone);
  EXPECT_EQ(popup->FormStyle(), fsStayOnTop);
  journal.clear();
  popup->ShowNoActivate();
  EXPECT_TRUE(popup->Showing());
  EXPECT_TRUE(main->Active());
  EXPECT_TRUE(journal.empty());

  SimulateMouseButton(popup.get(), rtl::mbLeft, true, 5, 5);
  SimulateMouseButton(popup.get(), rtl::mbLeft, false, 5, 5);
  EXPECT_TRUE(popup->Active());
  // The old one hears first, each hears who the other is, and the popup window keeps its
  // owner's caption active.
  EXPECT_EQ(journal, (std::vector<std::string>{"main:ncactivate 1", "main:ncactivate 0", "main:activate 0 popup",
                                               "popup:ncactivate 1", "popup:activate 2 main", "main:ncactivate 1"}));
  EXPECT_TRUE(main->CaptionActive());

  // Keys arriving for the owner's window go to the active popup window.
  SimulateKeyStroke(main.get(), SDLK_x);
  EXPECT_EQ(popup->keys, std::vector<WPARAM>{'X'});
  EXPECT_TRUE(main->keys.empty());

  // A press in the owner takes the activation back; the popup hears where it went.
  SimulateMouseButton(main.get(), rtl::mbLeft, true, 150, 10);
  SimulateMouseButton(main.get(), rtl::mbLeft, false, 150, 10);
  EXPECT_TRUE(main->Active());
  EXPECT_EQ(popup->left, main.get());
  SimulateKeyStroke(main.get(), SDLK_y);
  EXPECT_EQ(main->keys, std::vector<WPARAM>{'Y'});
}

TEST_F(PopupForms, APressAnsweredWithNoActivateLeavesTheActivationAndAHiddenPopupGivesItBack) {
  main->Show();
  popup->ShowNoActivate();
  popup->mouseActivate = MA_NOACTIVATE;
  SimulateMouseButton(popup.get(), rtl::mbLeft, true, 5, 5);
  SimulateMouseButton(popup.get(), rtl::mbLeft, false, 5, 5);
  EXPECT_TRUE(main->Active());
  EXPECT_EQ(popup->leftCount, 0);

  SetActiveForm(popup.get());
  EXPECT_TRUE(popup->Active());
  popup->Hide();
  EXPECT_TRUE(main->Active());
  EXPECT_EQ(popup->left, main.get());
  // A form that is not shown cannot take the activation.
  SetActiveForm(popup.get());
  EXPECT_TRUE(main->Active());
}

TEST_F(PopupForms, TheWindowSystemsFocusMovesTheActivationButTheOwnerKeepsTheKeyboardForItsPopup) {
  main->Show();
  popup->ShowNoActivate();
  SetActiveForm(popup.get());
  // The owner's window getting the focus again does not take it from its popup.
  SimulateFocus(main.get(), true);
  EXPECT_TRUE(popup->Active());
  // The focus leaving the owner's window for another program leaves no form active.
  SimulateFocus(main.get(), false);
  EXPECT_EQ(ActiveForm(), nullptr);
  EXPECT_EQ(popup->left, nullptr);
  EXPECT_EQ(popup->leftCount, 1);
  SimulateFocus(main.get(), true);
  EXPECT_TRUE(main->Active());
}

TEST_F(PopupForms, AClosedPopupWindowFreesItselfAndForgetsAFreedOwner) {
  main->Show();
  popup->ShowNoActivate();
  SimulateClose(popup.get());
  TCustomForm* raw = popup.release();  // the loop frees it now
  const HWND handle = raw->Handle();
  EXPECT_EQ(FormOfHandle(handle), raw);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(FormOfHandle(handle), nullptr);

  auto other = std::make_unique<TPopupForm>(main.get());
  main.reset();
  EXPECT_EQ(other->OwnerForm(), nullptr);
}

}  // namespace popup_forms_test
