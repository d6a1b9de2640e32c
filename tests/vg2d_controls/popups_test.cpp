// Popups in windows of their own over a form with a scene: where the window goes for each
// placement, what opening and closing do to the popup, the window and the activation, which
// popups close when the activation moves, Escape, StaysOpen, modal runs, and the overlay
// inside the scene.
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormScene.h"
#include "platform/win/Display.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Shapes.h"

namespace popups_test {

using namespace vg;

namespace {

class Popups : public vgtest::FormScene {};

}  // namespace

TEST_F(Popups, TheWindowGoesWhereThePlacementPutsItAgainstTheTargetOrTheRectangle) {
  TvxPopup* p = MakePopup();
  p->SetHorizontalOffset(5);
  p->SetVerticalOffset(3);
  // Scene point of the window's corner for each placement (target at (40, 60), 80 x 20;
  // popup 50 x 30); the form's client starts at (100, 80) on the screen.
  struct Case {
    TvxPlacement Placement;
    int X, Y;
  };
  const Case againstTarget[] = {{vgPlacementBottom, 45, 83},
                                {vgPlacementTop, 45, 27},  // 3 above the top edge, 5 right of the left
                                {vgPlacementLeft, -15, 63},
                                {vgPlacementRight, 125, 63},
                                {vgPlacementCenter, 60, 58}};
  for (const Case& c : againstTarget) {
    p->SetPlacement(c.Placement);
    p->SetIsOpen(true);
    ASSERT_TRUE(p->IsOpen());
    EXPECT_EQ(WindowAt(p), (win::TPoint{100 + c.X, 80 + c.Y})) << "placement " << static_cast<int>(c.Placement);
    EXPECT_EQ(p->PopupForm()->Width(), 50);
    EXPECT_EQ(p->PopupForm()->Height(), 30);
    p->SetIsOpen(false);
  }
  // A rectangle (target coordinates) stands for the target's bounds.
  p->PlacementRectangle()->SetRect(MakeRect(10, 4, 30, 14));
  const Case againstRectangle[] = {{vgPlacementBottom, 55, 77},
                                   {vgPlacementTop, 55, 31},
                                   {vgPlacementLeft, -5, 67},
                                   {vgPlacementRight, 75, 67},
                                   {vgPlacementCenter, 40, 57}};
  for (const Case& c : againstRectangle) {
    p->SetPlacement(c.Placement);
    p->Popup();
    EXPECT_EQ(WindowAt(p), (win::TPoint{100 + c.X, 80 + c.Y})) << "placement " << static_cast<int>(c.Placement);
    p->ClosePopup();
  }
  // Absolute: the rectangle's corner on the screen, offsets left out.
  p->SetPlacement(vgPlacementAbsolute);
  p->PlacementRectangle()->SetRect(MakeRect(300.5f, 201.5f, 0, 0));
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{300, 202}));
  p->ClosePopup();
  // Mouse: where the mouse is.
  win::SimulateMouseMove(form.get(), 7, 9);
  p->SetPlacement(vgPlacementMouse);
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{107, 89}));
  p->ClosePopup();
  Settle();
}

TEST_F(Popups, AScaledPopupKeepsItsZoomInItsWindowAndGetsItsScaleBack) {
  root->Scale()->SetPoint(MakePoint(2, 1.5f));
  TvxPopup* p = MakePopup();
  p->Popup();
  ASSERT_NE(p->PopupForm(), nullptr);
  EXPECT_EQ(p->PopupForm()->Width(), 100);
  EXPECT_EQ(p->PopupForm()->Height(), 45);
  EXPECT_FLOAT_EQ(p->Scale()->X(), 2);
  EXPECT_FLOAT_EQ(p->Scale()->Y(), 1.5f);
  // Below the scaled target: (40, 80) in the root is (80, 120) in the scene.
  EXPECT_EQ(WindowAt(p), (win::TPoint{180, 200}));
  p->ClosePopup();
  EXPECT_FLOAT_EQ(p->Scale()->X(), 1);
  EXPECT_FLOAT_EQ(p->Scale()->Y(), 1);
  Settle();
}

TEST_F(Popups, OpeningMovesThePopupIntoItsWindowsSceneAndClosingBringsItBack) {
  TvxPopup* p = MakePopup();
  int closes = 0;
  p->OnClosePopup = [&](rtl::TObject* Sender) {
    EXPECT_EQ(Sender, p);
    EXPECT_FALSE(p->IsOpen());
    ++closes;
  };
  EXPECT_FALSE(p->Visible());
  p->SetIsOpen(true);
  TvxPopupForm* w = p->PopupForm();
  ASSERT_NE(w, nullptr);
  ASSERT_NE(p->PopupScene(), nullptr);
  EXPECT_EQ(p->Parent(), nullptr);
  EXPECT_EQ(p->Scene(), static_cast<IvxScene*>(p->PopupScene()));
  EXPECT_EQ(p->PopupScene()->GetRoot(), p);
  EXPECT_TRUE(p->PopupScene()->Transparency());
  EXPECT_TRUE(p->Visible());
  EXPECT_TRUE(w->Showing());
  EXPECT_EQ(w->BorderStyle(), win::bsNone);
  EXPECT_EQ(w->FormStyle(), win::fsStayOnTop);
  EXPECT_EQ(w->OwnerForm(), form.get());
  // Its scene took the keyboard and the activation; the owner still looks active.
  EXPECT_TRUE(w->Active());
  EXPECT_FALSE(form->Active());
  EXPECT_TRUE(form->CaptionActive());
  EXPECT_EQ(OpenPopups(), std::vector<TvxPopup*>{p});
  Settle();
  // The popup's face reaches the window.
  EXPECT_EQ(w->PresentedPixel(25, 15), 0xFF2080C0u);

  // Opening an open popup closes it.
  p->Popup();
  EXPECT_FALSE(p->IsOpen());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(p->PopupForm(), nullptr);
  EXPECT_EQ(p->Parent(), root);
  EXPECT_EQ(p->Scene(), static_cast<IvxScene*>(scene));
  EXPECT_FALSE(p->Visible());
  EXPECT_TRUE(OpenPopups().empty());
  // The activation went back to the owner; the window goes once the loop is back.
  EXPECT_TRUE(form->Active());
  TvxFreeWatch alive(p);
  Settle();
  EXPECT_FALSE(alive.Gone());
  p->Popup();
  EXPECT_TRUE(p->IsOpen());
  p->OnClosePopup = {};
}

TEST_F(Popups, EscapeOrAPressElsewhereClosesItButNotAStaysOpenPopup) {
  TvxPopup* p = MakePopup();
  p->SetIsOpen(true);
  // The keys that arrive for the owner's window go to the active popup.
  win::SimulateKeyStroke(form.get(), SDLK_ESCAPE);
  EXPECT_FALSE(p->IsOpen());
  EXPECT_TRUE(form->Active());

  p->SetIsOpen(true);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 300, 200);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 300, 200);
  EXPECT_FALSE(p->IsOpen());
  EXPECT_NE(p->ClosedAtPress(), 0u);

  p->SetStaysOpen(true);
  p->SetIsOpen(true);
  EXPECT_TRUE(OpenPopups().empty());
  win::SimulateKeyStroke(p->PopupForm(), SDLK_ESCAPE);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 300, 200);
  win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 300, 200);
  CloseAllPopups();
  EXPECT_TRUE(p->IsOpen());
  p->SetIsOpen(false);
  EXPECT_EQ(p->PopupForm(), nullptr);
  EXPECT_EQ(p->ClosedAtPress(), 0u) << "closed outside a press";
  Settle();
}

TEST_F(Popups, ActivatingAnOlderPopupClosesTheNewerOnesAndLeavingThemAllClosesAllNewestFirst) {
  TvxPopup* a = MakePopup();
  TvxPopup* b = MakePopup();
  std::vector<TvxPopup*> closed;
  for (TvxPopup* p : {a, b})
    p->OnClosePopup = [&closed](rtl::TObject* S) { closed.push_back(static_cast<TvxPopup*>(S)); };
  a->Popup();
  b->Popup();
  EXPECT_EQ(OpenPopups(), (std::vector<TvxPopup*>{a, b}));
  EXPECT_TRUE(b->PopupForm()->Active());
  EXPECT_TRUE(a->IsOpen()) << "the newer window taking the activation leaves the older open";
  // A press in A's window activates it: B closes, A stays.
  win::SimulateMouseButton(a->PopupForm(), rtl::mbLeft, true, 5, 5);
  win::SimulateMouseButton(a->PopupForm(), rtl::mbLeft, false, 5, 5);
  EXPECT_TRUE(a->IsOpen());
  EXPECT_FALSE(b->IsOpen());
  EXPECT_EQ(closed, std::vector<TvxPopup*>{b});
  EXPECT_TRUE(form->CaptionActive());

  b->Popup();
  closed.clear();
  // The window system takes the keyboard away from the program: both close, B first.
  win::SimulateFocus(form.get(), false);
  EXPECT_EQ(closed, (std::vector<TvxPopup*>{b, a}));
  EXPECT_EQ(win::ActiveForm(), nullptr);
  for (TvxPopup* p : {a, b}) p->OnClosePopup = {};
  Settle();
}

namespace {
// A popup that can be put into design mode.
class DesignedPopup : public TvxPopup {
public:
  using TvxPopup::TvxPopup;
  void Design(bool Value) { SetDesigning(Value); }
};
}  // namespace

TEST_F(Popups, AtDesignTimeIsOpenStaysFalseAndFreeingAnOpenPopupClosesItsWindow) {
  auto* p = static_cast<DesignedPopup*>(MakePopup(new DesignedPopup(form.get())));
  p->Design(true);
  p->SetIsOpen(true);
  EXPECT_FALSE(p->IsOpen());
  EXPECT_EQ(p->PopupForm(), nullptr);
  p->Design(false);

  p->Popup();
  TvxPopupForm* w = p->PopupForm();
  ASSERT_NE(w, nullptr);
  TvxScene* popupScene = p->PopupScene();
  delete p;
  EXPECT_EQ(popupScene->RootCount(), 0);
  EXPECT_EQ(w->Popup(), nullptr);
  EXPECT_TRUE(OpenPopups().empty());
  EXPECT_FALSE(w->Showing());
  EXPECT_TRUE(form->Active());
  Settle();
}

TEST_F(Popups, ClosingTheWindowClosesThePopupAndFreesTheWindow) {
  TvxPopup* p = MakePopup();
  p->Popup();
  win::SimulateClose(p->PopupForm());
  EXPECT_FALSE(p->IsOpen());
  EXPECT_EQ(p->Parent(), root);
  Settle();
  p->Popup();
  EXPECT_TRUE(p->IsOpen());
}

TEST_F(Popups, AModalMessagePopupDisablesTheSceneAndAnswersItsWindowsResult) {
  auto* m = static_cast<TvxMessagePopup*>(MakePopup(new TvxMessagePopup(form.get())));
  m->SetPlacementTarget(nullptr);
  bool rootEnabledDuringRun = true;
  win::TPoint at{};
  vgtest::Later([&] {
    rootEnabledDuringRun = root->Enabled();
    at = WindowAt(m);
    m->PopupForm()->SetModalResult(win::mrOk);
  });
  EXPECT_EQ(m->PopupModal(), win::mrOk);
  EXPECT_FALSE(rootEnabledDuringRun);
  EXPECT_TRUE(root->Enabled());
  EXPECT_FALSE(m->IsOpen());
  // Without a target it hangs centred below the top of its window: x = 100 + (320 - 50) / 2.
  EXPECT_EQ(at, (win::TPoint{235, 80}));

  // Closing it from outside ends the run with mrCancel.
  vgtest::Later([&] { m->ClosePopup(); });
  EXPECT_EQ(m->PopupModal(), win::mrCancel);
  EXPECT_FALSE(m->IsOpen());
  Settle();
}

TEST_F(Popups, AnOverlayCatchesClicksAroundThePopupAndGivesTheFocusBack) {
  vgtest::ControlScene s(200, 150);
  auto* before = s.Add(new TvxButton(nullptr), 10, 10);
  before->SetFocus();
  auto* anchor = s.Add(new TvxRectangle(nullptr), 20, 40);
  anchor->SetBounds(20, 40, 60, 20);
  auto* p = s.Add(new TvxPopup(nullptr), 0, 0);
  p->SetHost(TvxPopupHost::Overlay);
  p->SetBounds(0, 0, 50, 30);
  p->SetPlacementTarget(anchor);
  p->SetPlacement(vgPlacementRight);
  p->SetIsOpen(true);
  ASSERT_NE(p->Overlay(), nullptr);
  EXPECT_EQ(p->Parent(), p->Overlay());
  EXPECT_EQ(p->Overlay()->Parent(), s.root.get());
  EXPECT_FLOAT_EQ(p->Position()->X(), 80);
  EXPECT_FLOAT_EQ(p->Position()->Y(), 40);
  EXPECT_TRUE(p->IsFocused());
  // A click on the overlay (outside the popup) closes it.
  EXPECT_EQ(s.root->Visual()->ObjectAtPoint(MakePoint(150, 120)), p->Overlay());
  EXPECT_NE(s.root->Visual()->ObjectAtPoint(MakePoint(90, 50)), p->Overlay());
  p->Overlay()->MouseDown(rtl::mbLeft, {}, 150, 120);
  p->Overlay()->MouseUp(rtl::mbLeft, {}, 150, 120);
  EXPECT_FALSE(p->IsOpen());
  EXPECT_EQ(p->Overlay(), nullptr);
  EXPECT_EQ(p->Parent(), s.root.get());
  EXPECT_TRUE(before->IsFocused());
}

}  // namespace popups_test
