#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

#include "platform/loop/Application.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "tests/loop/Later.h"

namespace forms_test {

using namespace win;

namespace {

// A windowed control that records the messages it gets.
class Recorder : public TCustomControl {
public:
  explicit Recorder(rtl::TComponent* AOwner) : TCustomControl(AOwner) {
    SetControlStyle({csCaptureMouse, csDoubleClicks});
    SetTabStop(true);
  }
  struct Entry {
    UINT Msg;
    WPARAM W;
    TPoint P;
  };
  std::vector<Entry> log;
  LRESULT dlgCode = 0;
  std::vector<UINT> Messages(UINT Lo, UINT Hi) const {
    std::vector<UINT> r;
    for (const Entry& e : log)
      if (e.Msg >= Lo && e.Msg <= Hi) r.push_back(e.Msg);
    return r;
  }
  std::vector<WPARAM> Params(UINT Msg) const {
    std::vector<WPARAM> r;
    for (const Entry& e : log)
      if (e.Msg == Msg) r.push_back(e.W);
    return r;
  }
  LRESULT WndProc(MSG& M) override {
    if (M.message == WM_GETDLGCODE) return dlgCode;
    log.push_back({M.message, M.wParam, PointFromParam(M.lParam)});
    return TCustomControl::WndProc(M);
  }
  rtl::TShiftState lastShift;

protected:
  void MouseDown(rtl::TMouseButton, rtl::TShiftState Shift, int, int) override { lastShift = Shift; }
};

using looptest::Later;

struct FormsTest : ::testing::Test {
  void SetUp() override { rtl::Application->Reset(); }
  void TearDown() override {
    form.reset();
    rtl::Application->ProcessMessages();
  }
  TForm* MakeForm(int W = 200, int H = 100) {
    form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsNone);
    form->SetBounds(10, 20, W, H);
    return form.get();
  }
  Recorder* AddRecorder(int L, int T, int W, int H) {
    auto* r = new Recorder(form.get());
    r->SetBounds(L, T, W, H);
    r->SetParent(form.get());
    return r;
  }
  std::unique_ptr<TForm> form;
};

TEST_F(FormsTest, CtrlChordsArriveAsControlCharactersBetweenKeyDownAndKeyUp) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->Show();
  r->SetFocus();
  for (char letter : {'a', 'c', 'v', 'x', 'z'}) {
    r->log.clear();
    SimulateKeyStroke(form.get(), letter, {rtl::ssCtrl});
    EXPECT_EQ(r->Messages(WM_KEYDOWN, WM_CHAR),
              (std::vector<UINT>{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYUP}))
        << letter;
    EXPECT_EQ(r->Params(WM_KEYDOWN), (std::vector<WPARAM>{VK_CONTROL, WPARAM(letter - 'a' + 'A')}));
    EXPECT_EQ(r->Params(WM_CHAR), (std::vector<WPARAM>{WPARAM(letter - 'a' + 1)})) << letter;
  }
  // Without Ctrl a letter types itself (no control here takes text, so no text event brings
  // it), and so do Enter and Escape; Alt chords are system keys without characters.
  r->log.clear();
  SimulateKeyStroke(form.get(), 'c');
  SimulateKeyStroke(form.get(), SDLK_RETURN);
  EXPECT_EQ(r->Params(WM_CHAR), (std::vector<WPARAM>{'c', 13}));
  r->log.clear();
  SimulateKeyStroke(form.get(), 'f', {rtl::ssAlt});
  EXPECT_EQ(r->Messages(WM_KEYDOWN, WM_SYSCHAR),
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYUP}));
  EXPECT_EQ(r->Params(WM_SYSKEYDOWN), (std::vector<WPARAM>{VK_MENU, 'F'}));
}

TEST_F(FormsTest, KeyPreviewSeesKeysFirstAndMayKeepThemFromTheControl) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->Show();
  r->SetFocus();
  std::vector<std::uint16_t> seen;
  form->OnKeyDown = [&](rtl::TObject*, std::uint16_t& Key, rtl::TShiftState) {
    seen.push_back(Key);
    if (Key == 'G' || Key == VK_RETURN) Key = 0;  // taken by the form
  };
  form->OnKeyUp = [&](rtl::TObject*, std::uint16_t& Key, rtl::TShiftState) { seen.push_back(Key | 0x8000); };
  // Without the preview the form hears nothing.
  SimulateKeyStroke(form.get(), 'g');
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(r->Params(WM_KEYDOWN), (std::vector<WPARAM>{'G'}));
  form->SetKeyPreview(true);
  r->log.clear();
  SimulateKeyStroke(form.get(), 'g');
  SimulateKeyStroke(form.get(), 'h');
  SimulateKeyStroke(form.get(), SDLK_RETURN);
  EXPECT_EQ(seen, (std::vector<std::uint16_t>{'G', 'G' | 0x8000, 'H', 'H' | 0x8000, VK_RETURN, VK_RETURN | 0x8000}));
  // What the form kept never reaches the control, not even as the character its key types.
  EXPECT_EQ(r->Params(WM_KEYDOWN), (std::vector<WPARAM>{'H'}));
  EXPECT_EQ(r->Params(WM_CHAR), (std::vector<WPARAM>{'h'}));
  EXPECT_EQ(r->Params(WM_KEYUP), (std::vector<WPARAM>{'G', 'H', VK_RETURN}));
}

TEST_F(FormsTest, TheApplicationMinimisesAndComesBackAsAWhole) {
  MakeForm();
  auto second = std::make_unique<TForm>(nullptr);
  second->SetBounds(300, 20, 100, 80);
  auto hidden = std::make_unique<TForm>(nullptr);
  form->Show();
  second->Show();
  EXPECT_FALSE(ApplicationMinimized());
  MinimizeApplication();
  EXPECT_TRUE(ApplicationMinimized());
  EXPECT_EQ(form->WindowState(), wsMinimized);
  EXPECT_EQ(second->WindowState(), wsMinimized);
  EXPECT_EQ(hidden->WindowState(), wsNormal) << "a hidden window is left as it is";
  RestoreApplication();
  EXPECT_FALSE(ApplicationMinimized());
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_EQ(second->WindowState(), wsNormal);
  // A form freed while minimised is not touched when the others come back.
  MinimizeApplication();
  second.reset();
  RestoreApplication();
  EXPECT_EQ(form->WindowState(), wsNormal);
}

TEST_F(FormsTest, TheWorkAreaLiesOnTheScreen) {
  const TRect area = ScreenWorkArea();
  EXPECT_GT(area.Width(), 0);
  EXPECT_GT(area.Height(), 0);
  SDL_Rect whole{};
  ASSERT_EQ(SDL_GetDisplayBounds(0, &whole), 0);
  EXPECT_GE(area.Left, whole.x);
  EXPECT_GE(area.Top, whole.y);
  EXPECT_LE(area.Right, whole.x + whole.w);
  EXPECT_LE(area.Bottom, whole.y + whole.h);
}

TEST_F(FormsTest, TextArrivesAsUtf16UnitsToTheFocusedControl) {
  MakeForm();
  AddRecorder(0, 0, 50, 50);
  Recorder* second = AddRecorder(50, 0, 50, 50);
  form->Show();
  second->SetFocus();
  SimulateText(form.get(), "a\xC3\xA9\xF0\x9F\x98\x80");  // a, e acute, a face beyond the BMP
  EXPECT_EQ(second->Params(WM_CHAR), (std::vector<WPARAM>{u'a', 0xE9, 0xD83D, 0xDE00}));
}

TEST_F(FormsTest, MouseMessagesCarryClientPointsAndFollowTheCapture) {
  MakeForm();
  Recorder* left = AddRecorder(0, 0, 100, 100);
  Recorder* right = AddRecorder(100, 0, 100, 100);
  form->Show();
  SimulateMouseMove(form.get(), 30, 40);
  EXPECT_EQ(form->MouseControl(), left);
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 30, 40);
  EXPECT_TRUE(left->Focused());
  EXPECT_EQ(form->CaptureControl(), left);
  // Captured: the move over the right control still goes to the left one, in its own
  // coordinates (outside its rectangle); the hover follows the mouse.
  SimulateMouseMove(form.get(), 150, 10);
  SimulateMouseButton(form.get(), rtl::mbLeft, false, 150, 10);
  ASSERT_FALSE(left->log.empty());
  EXPECT_EQ(left->log.back().Msg, WM_LBUTTONUP);
  EXPECT_EQ(left->log.back().P, (TPoint{150, 10}));
  EXPECT_TRUE(right->Messages(WM_MOUSEMOVE, WM_MBUTTONDBLCLK).empty());
  EXPECT_EQ(left->Messages(CM_MOUSELEAVE, CM_MOUSELEAVE).size(), 1u);
  EXPECT_EQ(right->Messages(CM_MOUSEENTER, CM_MOUSEENTER).size(), 1u);
  EXPECT_EQ(form->CaptureControl(), nullptr);
  // The second press of a double click.
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 120, 10, 1);
  SimulateMouseButton(form.get(), rtl::mbLeft, false, 120, 10, 1);
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 120, 10, 2);
  EXPECT_EQ(right->log.back().Msg, WM_LBUTTONDBLCLK);
  EXPECT_EQ(right->log.back().P, (TPoint{20, 10}));
  EXPECT_TRUE(right->lastShift.Contains(rtl::ssDouble));
  SimulateMouseButton(form.get(), rtl::mbLeft, false, 120, 10, 2);
  SimulateMouseLeave(form.get());
  EXPECT_EQ(form->MouseControl(), nullptr);
  EXPECT_EQ(right->Messages(CM_MOUSELEAVE, CM_MOUSELEAVE).size(), 1u);
}

TEST_F(FormsTest, TabMovesTheFocusUnlessTheControlWantsTabs) {
  MakeForm();
  Recorder* a = AddRecorder(0, 0, 50, 50);
  Recorder* b = AddRecorder(50, 0, 50, 50);
  form->Show();
  a->SetFocus();
  SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_TRUE(b->Focused());
  SimulateKeyStroke(form.get(), SDLK_TAB, {rtl::ssShift});
  EXPECT_TRUE(a->Focused());
  a->dlgCode = DLGC_WANTTAB;
  SimulateKeyStroke(form.get(), SDLK_TAB);
  EXPECT_TRUE(a->Focused());
  EXPECT_EQ(a->Params(WM_KEYDOWN).back(), VK_TAB);
}

TEST_F(FormsTest, ShowModalEndsWithTheModalResultTheCloseAllows) {
  MakeForm();
  int queries = 0;
  form->OnCloseQuery = [&](rtl::TObject*, bool& CanClose) { CanClose = ++queries > 1; };
  TCloseAction seen = caNone;
  form->OnClose = [&](rtl::TObject*, TCloseAction& Action) { seen = Action; };
  // The first request is refused by OnCloseQuery, the second goes through.
  Later([&] { form->SetModalResult(mrOk); });
  Later([&] {
    EXPECT_EQ(form->ModalResult(), mrNone);
    EXPECT_TRUE(form->Showing());
    EXPECT_EQ(ModalOwnerForm(form.get()), form.get());
    form->SetModalResult(mrYes);
  });
  EXPECT_EQ(form->ShowModal(), mrYes);
  EXPECT_EQ(queries, 2);
  EXPECT_EQ(seen, caHide);
  EXPECT_FALSE(form->Showing());
  EXPECT_FALSE(form->Modal());
  EXPECT_EQ(ModalOwnerForm(form.get()), nullptr);
  // Close on a modal form cancels; the window's close button does the same.
  Later([&] { SimulateClose(form.get()); });
  EXPECT_EQ(form->ShowModal(), mrCancel);
}

TEST_F(FormsTest, AModalFormHandsTheActivationBackToTheFormThatHadIt) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->Show();
  r->SetFocus();
  rtl::Application->ProcessMessages();
  ASSERT_EQ(ActiveForm(), form.get());
  auto modal = std::make_unique<TForm>(nullptr);
  TForm& dialog = *modal;
  dialog.SetBounds(40, 40, 100, 60);
  Later([&] {
    EXPECT_EQ(ActiveForm(), &dialog);
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(ActiveForm(), form.get());
  // The keys reach the form's focused control again.
  SimulateKeyStroke(form.get(), 'k');
  EXPECT_EQ(r->Params(WM_KEYDOWN), (std::vector<WPARAM>{'K'}));

  // A form hidden or freed meanwhile does not take it back.
  Later([&] {
    form->Hide();
    dialog.SetModalResult(mrOk);
  });
  dialog.ShowModal();
  EXPECT_EQ(ActiveForm(), nullptr);
  form->Show();
  ASSERT_EQ(ActiveForm(), form.get());
  Later([&] {
    form.reset();
    dialog.SetModalResult(mrOk);
  });
  dialog.ShowModal();
  EXPECT_EQ(ActiveForm(), nullptr);
}

// While a modal form runs, the forms that showed when it opened are held as Windows disables
// them: a press, a key, the wheel or the window system's focus reach nothing in them; a press
// brings the modal form forward, and keys arriving for their windows go to the modal form. A form
// shown during the run takes its input as usual, and the held ones take theirs again at the end.
TEST_F(FormsTest, AModalFormHoldsTheFormsThatShowedUntilItEnds) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->Show();
  r->SetFocus();
  rtl::Application->ProcessMessages();
  auto dialog = std::make_unique<TForm>(nullptr);
  dialog->SetBorderStyle(bsNone);
  dialog->SetBounds(300, 40, 100, 60);
  auto* d = new Recorder(dialog.get());
  d->SetBounds(0, 0, 50, 50);
  d->SetParent(dialog.get());
  auto later = std::make_unique<TForm>(nullptr);
  later->SetBorderStyle(bsNone);
  later->SetBounds(500, 40, 100, 60);
  auto* l = new Recorder(later.get());
  l->SetBounds(0, 0, 50, 50);
  l->SetParent(later.get());
  Later([&] {
    d->SetFocus();
    ASSERT_EQ(ActiveForm(), dialog.get());
    SimulateMouseMove(form.get(), 10, 10);
    SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
    SimulateMouseButton(form.get(), rtl::mbLeft, false, 10, 10);
    SimulateMouseWheel(form.get(), 1);
    SimulateFocus(form.get(), true);
    EXPECT_EQ(ActiveForm(), dialog.get());
    SimulateKeyStroke(form.get(), 'k');
    // Input messages, from the keys' to the wheel's.
    EXPECT_EQ(r->Messages(WM_KEYDOWN, WM_MOUSEWHEEL), std::vector<UINT>{}) << "the held form's control heard them";
    EXPECT_EQ(d->Params(WM_KEYDOWN), (std::vector<WPARAM>{'K'})) << "keys for the held window go to the dialog";
    // A form shown during the run is not held.
    later->Show();
    SimulateMouseButton(later.get(), rtl::mbLeft, true, 10, 10);
    SimulateMouseButton(later.get(), rtl::mbLeft, false, 10, 10);
    EXPECT_EQ(l->Messages(WM_LBUTTONDOWN, WM_LBUTTONUP), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    EXPECT_EQ(ActiveForm(), later.get());
    // A press in the held form brings the dialog forward again.
    SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
    SimulateMouseButton(form.get(), rtl::mbLeft, false, 10, 10);
    EXPECT_EQ(ActiveForm(), dialog.get());
    EXPECT_EQ(r->Messages(WM_KEYDOWN, WM_MOUSEWHEEL), std::vector<UINT>{});
    dialog->SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_FALSE(form->HeldByModal());
  later.reset();
  ASSERT_EQ(ActiveForm(), form.get());
  SimulateKeyStroke(form.get(), 'k');
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
  EXPECT_EQ(r->Params(WM_KEYDOWN), (std::vector<WPARAM>{'K'}));
  EXPECT_EQ(r->Messages(WM_LBUTTONDOWN, WM_LBUTTONDOWN), (std::vector<UINT>{WM_LBUTTONDOWN}));
  SimulateMouseButton(form.get(), rtl::mbLeft, false, 10, 10);
}

TEST_F(FormsTest, CloseAsksAndThenDoesWhatOnCloseSays) {
  MakeForm();
  form->Show();
  bool allow = false;
  form->OnCloseQuery = [&](rtl::TObject*, bool& CanClose) { CanClose = allow; };
  form->Close();
  EXPECT_TRUE(form->Showing());
  allow = true;
  form->OnClose = [](rtl::TObject*, TCloseAction& Action) { Action = caNone; };
  form->Close();
  EXPECT_TRUE(form->Showing());
  form->OnClose = nullptr;
  form->Close();
  EXPECT_FALSE(form->Showing());
  // caFree releases the form once the loop is back at its outermost level.
  auto* owner = new rtl::TComponent(nullptr);
  auto* freed = new TForm(owner);
  freed->Show();
  freed->OnClose = [](rtl::TObject*, TCloseAction& Action) { Action = caFree; };
  freed->Close();
  EXPECT_EQ(owner->ComponentCount(), 1);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(owner->ComponentCount(), 0);
  delete owner;
}

TEST_F(FormsTest, PresentedPixelsAreComposedOverTheFormColour) {
  MakeForm(40, 30);
  form->SetColor(0xFF204060u);
  Recorder* r = AddRecorder(10, 5, 20, 20);
  form->Show();
  gfx2d::PixelTarget dc = r->GetDC();
  ASSERT_NE(dc.Bits, nullptr);
  EXPECT_EQ(dc.Width, 20);
  dc.Bits[0] = 0xFFFF0000u;                    // opaque red at the control's origin
  dc.Bits[1] = 0x80008000u;                    // half-covering green, premultiplied
  dc.Bits[2 * dc.Stride + 2] = 0x00000000u;    // nothing
  const int before = form->PresentCount();
  r->PresentRects({{0, 0, 3, 3}});
  EXPECT_EQ(form->PresentCount(), before + 1);
  EXPECT_EQ(form->PresentedPixel(10, 5), 0xFFFF0000u);
  EXPECT_EQ(form->PresentedPixel(11, 5), 0xFF10A030u);  // 0x80 green plus half of the background
  EXPECT_EQ(form->PresentedPixel(12, 7), 0xFF204060u);
  // What the window shows is the composed frame.
  EXPECT_EQ(ReadWindowPixel(form->Window(), 10, 5), 0xFFFF0000u);
  EXPECT_EQ(ReadWindowPixel(form->Window(), 11, 5), 0xFF10A030u);
  // A layered update replaces the whole frame.
  std::vector<std::uint32_t> frame(40 * 30, 0xFF0000FFu);
  form->UpdateLayered(frame.data(), 40, 30, 40, 10, 20);
  EXPECT_EQ(form->PresentedPixel(39, 29), 0xFF0000FFu);
  EXPECT_EQ(ReadWindowPixel(form->Window(), 10, 5), 0xFF0000FFu);
}

TEST_F(FormsTest, ALayeredFormKeepsNoFrameAndComposesAndShowsOnlyTheRectanglesItIsGiven) {
  MakeForm(40, 30);
  form->SetColor(0xFF204060u);
  Recorder* r = AddRecorder(0, 0, 40, 30);
  form->Show();
  form->SetLayered(true);
  EXPECT_FALSE(form->HasFrame());
  std::vector<std::uint32_t> frame(40 * 30, 0xFF0000FFu);
  form->UpdateLayered(frame.data(), 40, 30, 40, 10, 20);
  EXPECT_EQ(ReadWindowPixel(form->Window(), 39, 29), 0xFF0000FFu);
  // The next frame differs everywhere, but only a rectangle of it is handed over.
  std::fill(frame.begin(), frame.end(), 0x80008000u);
  const int before = form->PresentCount();
  form->UpdateLayered(frame.data(), 40, 30, 40, 10, 20, {{5, 6, 9, 8}, {30, 25, 50, 40}});
  EXPECT_EQ(form->PresentCount(), before + 1);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool in = (x >= 5 && x < 9 && y >= 6 && y < 8) || (x >= 30 && y >= 25);
      ASSERT_EQ(form->PresentedPixel(x, y), in ? 0xFF10A030u : 0xFF0000FFu) << x << "," << y;
      ASSERT_EQ(ReadWindowPixel(form->Window(), x, y), form->PresentedPixel(x, y)) << x << "," << y;
    }
  // Rows of another stride: the rectangle is taken from the right rows.
  std::vector<std::uint32_t> wide(50 * 30, 0u);
  wide[7 * 50 + 6] = 0xFFFF0000u;
  form->UpdateLayered(wide.data(), 50, 30, 50, 10, 20, {{6, 7, 7, 8}});
  EXPECT_EQ(form->PresentedPixel(6, 7), 0xFFFF0000u);
  EXPECT_EQ(form->PresentedPixel(5, 7), 0xFF10A030u);
  // An exposed window shows what was composed; a new colour asks the controls for a frame.
  form->Present({form->ClientRect()});
  EXPECT_EQ(form->PresentedPixel(6, 7), 0xFFFF0000u);
  rtl::Application->ProcessMessages();
  r->log.clear();
  form->SetColor(0xFF000000u);
  EXPECT_EQ(form->PresentedPixel(0, 0), 0xFF0000FFu);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(r->Messages(WM_PAINT, WM_PAINT).size(), 1u);
  EXPECT_FALSE(form->HasFrame()) << "layered updates never need a frame of the form's own";
  // A control that paints into the form after all gets a frame, from which it presents.
  gfx2d::PixelTarget dc = r->GetDC();
  ASSERT_NE(dc.Bits, nullptr);
  dc.Bits[0] = 0xFF00FF00u;
  r->PresentRects({{0, 0, 1, 1}});
  EXPECT_EQ(form->PresentedPixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(form->PresentedPixel(1, 0), 0xFF0000FFu);
  // Shown again, the window shows the layered picture and what the control presented, not the
  // rest of that frame.
  form->Hide();
  form->Show();
  EXPECT_EQ(form->PresentedPixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(form->PresentedPixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(ReadWindowPixel(form->Window(), 1, 0), 0xFF0000FFu);
  // No longer layered, the form keeps its frame.
  form->SetLayered(false);
  EXPECT_TRUE(form->HasFrame());
}

// A layered picture whose top-left lies away from the window's is drawn there, cut to the
// client, and the window stays where it is.
TEST_F(FormsTest, ALayeredPictureIsDrawnWhereItLiesAndTheWindowStays) {
  MakeForm(40, 30);
  form->SetColor(0xFF204060u);
  form->Show();
  form->SetLayered(true);
  const std::vector<std::uint32_t> red(4 * 3, 0xFFFF0000u);
  form->UpdateLayered(red.data(), 4, 3, 4, 10 + 5, 20 + 6);
  EXPECT_EQ(form->Left(), 10);
  EXPECT_EQ(form->Top(), 20);
  for (int y = 4; y < 11; ++y)
    for (int x = 3; x < 11; ++x)
      ASSERT_EQ(form->PresentedPixel(x, y), x >= 5 && x < 9 && y >= 6 && y < 9 ? 0xFFFF0000u : 0xFF204060u)
          << x << "," << y;
  EXPECT_EQ(ReadWindowPixel(form->Window(), 5, 6), 0xFFFF0000u);
  // Reaching out of the client at its bottom-left corner: only what lies inside shows.
  form->UpdateLayered(red.data(), 4, 3, 4, 10 - 2, 20 + 28, {{1, 0, 4, 3}});
  EXPECT_EQ(form->PresentedPixel(0, 29), 0xFFFF0000u);
  EXPECT_EQ(form->PresentedPixel(1, 28), 0xFFFF0000u);
  EXPECT_EQ(form->PresentedPixel(2, 29), 0xFF204060u);
  EXPECT_EQ(form->PresentedPixel(0, 27), 0xFF204060u);
}

// A recorder that fills its client with one colour when it paints.
class Swatch : public Recorder {
public:
  Swatch(TWinControl* Parent, std::uint32_t Color, const TRect& R) : Recorder(Parent), color(Color) {
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
    SetParent(Parent);
  }
  void Paint() override {
    const gfx2d::PixelTarget dc = GetDC();
    for (int y = 0; y < dc.Height; ++y) std::fill_n(dc.Bits + y * dc.Stride, dc.Width, color);
    PresentRects({ClientRect()});
  }
  std::uint32_t color;

protected:
  // Asks for its first paint, as the scenes do.
  void CreateHandle() override {
    Recorder::CreateHandle();
    Invalidate();
  }
};

// What a control leaves when it hides, moves or goes is painted again by what lies under it
// (the form's colour where nothing does); a control that does not show gets no paint; a
// control that paints has the controls above it painted over it again.
TEST_F(FormsTest, AControlPaintsOnlyWhileItShowsAndNeverOverTheControlsAboveIt) {
  MakeForm(200, 100);
  form->SetColor(0xFF000000u);
  Swatch* under = new Swatch(form.get(), 0xFF00C000u, {0, 0, 100, 100});
  Swatch* over = new Swatch(under, 0xFF0000FFu, {20, 20, 60, 60});
  form->Show();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF0000FFu);
  // The one below paints after the one above it: the one above comes back over it.
  under->Invalidate();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF0000FFu);
  EXPECT_EQ(form->PresentedPixel(10, 10), 0xFF00C000u);
  over->SetVisible(false);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF00C000u) << "the hidden control's pixels stayed";
  over->log.clear();
  over->Invalidate();
  rtl::Application->ProcessMessages();
  EXPECT_TRUE(over->Messages(WM_PAINT, WM_PAINT).empty());
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF00C000u);
  over->SetVisible(true);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF0000FFu) << "shown again, it paints whole";
  // Moved, it leaves its old place; gone, it leaves nothing; beside the one below, the form's colour.
  over->SetBounds(120, 20, 40, 40);
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(30, 30), 0xFF00C000u);
  EXPECT_EQ(form->PresentedPixel(130, 30), 0xFF0000FFu);
  delete over;
  rtl::Application->ProcessMessages();
  EXPECT_EQ(form->PresentedPixel(130, 30), 0xFF000000u);

  // A paint message that carries a target: the whole client painted into it, nothing
  // presented, the pending region left for the paint to come.
  under->InvalidateRect({0, 0, 5, 5});
  std::vector<std::uint32_t> bits(50 * 50, 0);
  const gfx2d::PixelTarget dc{bits.data(), 50, 50, 50};
  const int presents = form->PresentCount();
  under->Perform(WM_PAINT, DCParam(&dc), 0);
  EXPECT_EQ(bits[49 * 50 + 49], 0xFF00C000u);
  EXPECT_EQ(form->PresentCount(), presents);
  EXPECT_EQ(under->UpdateRegion(), (std::vector<TRect>{{0, 0, 5, 5}}));
  EXPECT_EQ(under->GetDC().Stride, 200) << "the form's frame again after the message";
}

TEST_F(FormsTest, ClientAlignedControlsFollowTheForm) {
  MakeForm(200, 100);
  Recorder* top = AddRecorder(0, 0, 10, 20);
  top->SetAlign(alTop);
  Recorder* fill = AddRecorder(0, 0, 10, 10);
  fill->SetAlign(alClient);
  EXPECT_EQ(fill->BoundsRect(), (TRect{0, 20, 200, 100}));
  form->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 300, 20}));
  EXPECT_EQ(fill->BoundsRect(), (TRect{0, 20, 300, 150}));
  top->SetVisible(false);
  EXPECT_EQ(fill->BoundsRect(), (TRect{0, 0, 300, 150}));
}

TEST_F(FormsTest, ResizingAShownControlPostsOnePaintForItsWholeClient) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->Show();
  rtl::Application->ProcessMessages();
  r->log.clear();
  r->SetBounds(0, 0, 60, 40);
  r->InvalidateRect({5, 5, 10, 10});
  EXPECT_EQ(r->UpdateRegion().front(), (TRect{0, 0, 60, 40}));
  rtl::Application->ProcessMessages();
  EXPECT_EQ(r->Messages(WM_PAINT, WM_PAINT).size(), 1u);
  EXPECT_TRUE(r->UpdateRegion().empty());
  // A new frame for a resized form: every control paints into it again.
  form->SetBounds(form->Left(), form->Top(), 300, 200);
  EXPECT_EQ(r->UpdateRegion(), (std::vector<TRect>{{0, 0, 60, 40}}));
  rtl::Application->ProcessMessages();
  EXPECT_EQ(r->Messages(WM_PAINT, WM_PAINT).size(), 2u);
  // The window system's word that the window now has that size, whenever it comes (here after
  // the paint), makes no frame anew: the form's pixels are already of that size.
  form->SetBounds(form->Left(), form->Top(), 320, 210);
  rtl::Application->ProcessMessages();
  win::PumpEvents();
  rtl::Application->ProcessMessages();
  EXPECT_EQ(r->Messages(WM_PAINT, WM_PAINT).size(), 3u);
}

TEST_F(FormsTest, TheLoopSleepsInSdlAndHandsRealEventsToTheForm) {
  MakeForm();
  Recorder* r = AddRecorder(0, 0, 100, 100);
  form->Show();
  bool gaveUp = false;
  const auto limit = rtl::Application->StartTimer(60000, [&] { gaveUp = true; });
  // An event put on SDL's queue from another thread wakes the loop and reaches the form.
  std::thread poster([id = SDL_GetWindowID(form->Window())] {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = id;
    e.motion.x = 30;
    e.motion.y = 40;
    SDL_PushEvent(&e);
  });
  rtl::Application->RunUntil([&] { return gaveUp || !r->Messages(WM_MOUSEMOVE, WM_MOUSEMOVE).empty(); });
  poster.join();
  rtl::Application->StopTimer(limit);
  EXPECT_FALSE(gaveUp);
  ASSERT_EQ(r->Messages(WM_MOUSEMOVE, WM_MOUSEMOVE).size(), 1u);
  EXPECT_EQ(r->log.back().P, (TPoint{30, 40}));
  // Work handed over by another thread wakes it too.
  std::atomic<bool> handled{false};
  std::thread other([&] { rtl::Application->Queue(nullptr, [&] { handled = true; }); });
  rtl::Application->RunUntil([&] { return handled.load(); });
  other.join();
  EXPECT_TRUE(handled);
}

// SDL turns SIGTERM and SIGINT into a quit request while the display is open: the main
// form gets the close the user's close button gives it (its OnCloseQuery may refuse it);
// a program without a main form ends its loop.
TEST_F(FormsTest, TerminationSignalsCloseTheMainFormAsTheUsersCloseWould) {
  MakeForm();
  form->Show();
  SetMainForm(form.get());
  ASSERT_EQ(MainForm(), form.get());
  int asked = 0, closed = 0;
  bool refuse = false;
  form->OnCloseQuery = [&](rtl::TObject*, bool& CanClose) {
    ++asked;
    CanClose = !refuse;
  };
  form->OnClose = [&](rtl::TObject*, TCloseAction&) { ++closed; };
  const auto deliver = [&](int Signal, const std::function<bool()>& Done) {
    std::raise(Signal);
    bool gaveUp = false;
    const auto limit = rtl::Application->StartTimer(60000, [&] { gaveUp = true; });
    rtl::Application->RunUntil([&] { return gaveUp || Done(); });
    rtl::Application->StopTimer(limit);
    return !gaveUp;
  };
  EXPECT_TRUE(deliver(SIGTERM, [&] { return closed == 1; }));
  EXPECT_FALSE(form->Showing());
  EXPECT_TRUE(rtl::Application->Terminated()) << "the main form's close ends the program";
  rtl::Application->Reset();
  form->Show();
  EXPECT_TRUE(deliver(SIGINT, [&] { return closed == 2; }));
  EXPECT_FALSE(form->Showing());
  EXPECT_TRUE(rtl::Application->Terminated());
  rtl::Application->Reset();
  form->Show();
  refuse = true;
  EXPECT_TRUE(deliver(SIGTERM, [&] { return asked == 3; }));
  EXPECT_EQ(closed, 2);
  EXPECT_TRUE(form->Showing());
  EXPECT_FALSE(rtl::Application->Terminated());

  form.reset();  // a freed main form is forgotten
  EXPECT_EQ(MainForm(), nullptr);
  EXPECT_TRUE(deliver(SIGTERM, [] { return rtl::Application->Terminated(); }));
  rtl::Application->Reset();
}

// A program built on the forms ends when its main form closes: the window's close button ends
// the application's Run, as the system's request to end the program (SIGTERM) does. Closing
// another form ends nothing, nor does a close of the main form that its OnClose turns down or
// turns into a minimise (the form is still there to be used).
TEST_F(FormsTest, ClosingTheMainFormEndsTheApplicationsRun) {
  MakeForm();
  SetMainForm(form.get());
  TForm other(nullptr);
  other.SetBorderStyle(bsNone);
  other.SetBounds(300, 20, 100, 60);
  TCloseAction action = caHide;
  form->OnClose = [&](rtl::TObject*, TCloseAction& Action) { Action = action; };
  // Runs the application with Do called from its loop; true when Run ended with Do, false when
  // the loop went on to the next call (which ends it). A guard ends a Run nothing else ends.
  const auto endsRun = [](std::function<void()> Do, bool CheckGoesOn) {
    bool wentOn = false, gaveUp = false;
    const auto limit = rtl::Application->StartTimer(60000, [&] {
      gaveUp = true;
      rtl::Application->Terminate();
    });
    Later(std::move(Do));
    if (CheckGoesOn)
      Later([&] {
        wentOn = true;
        rtl::Application->Terminate();
      });
    rtl::Application->Run();
    rtl::Application->StopTimer(limit);
    rtl::Application->Reset();
    EXPECT_FALSE(gaveUp) << "Run did not end";
    return !wentOn && !gaveUp;
  };
  form->Show();
  other.Show();
  EXPECT_FALSE(endsRun([&] { SimulateClose(&other); }, true)) << "another form's close";
  EXPECT_FALSE(other.Showing());
  for (const TCloseAction kept : {caNone, caMinimize}) {
    action = kept;
    EXPECT_FALSE(endsRun([&] { SimulateClose(form.get()); }, true)) << static_cast<int>(kept);
    EXPECT_TRUE(form->Showing());
    form->SetWindowState(wsNormal);
  }
  action = caHide;
  EXPECT_TRUE(endsRun([&] { SimulateClose(form.get()); }, false)) << "the main form's close button";
  EXPECT_FALSE(form->Showing());
  form->Show();
  EXPECT_TRUE(endsRun([] { std::raise(SIGTERM); }, false)) << "SIGTERM";
  EXPECT_FALSE(form->Showing());
  // Hidden already, it ends the program all the same.
  EXPECT_TRUE(endsRun([] { std::raise(SIGTERM); }, false)) << "SIGTERM to a hidden main form";
  SetMainForm(nullptr);
}

TEST_F(FormsTest, ClipboardKeepsUnicodeText) {
  ClipboardSetText(u"Gas \u20AC \U0001F600");
  EXPECT_TRUE(ClipboardHasText());
  EXPECT_EQ(ClipboardGetText(), u"Gas \u20AC \U0001F600");
}

struct DropRecorder : IDropTarget {
  std::vector<std::string> calls;
  TDropData data;
  TPoint at;
  HRESULT DragEnter(const TDropData&, rtl::TShiftState, const TPoint&, std::int32_t&) override {
    calls.push_back("enter");
    return S_OK;
  }
  HRESULT DragOver(rtl::TShiftState, const TPoint& Pt, std::int32_t&) override {
    calls.push_back("over");
    at = Pt;
    return S_OK;
  }
  HRESULT DragLeave() override {
    calls.push_back("leave");
    return S_OK;
  }
  HRESULT Drop(const TDropData& Data, rtl::TShiftState, const TPoint&, std::int32_t&) override {
    calls.push_back("drop");
    data = Data;
    return S_OK;
  }
};

TEST_F(FormsTest, DroppedFilesReachTheRegisteredControlUnderTheMouse) {
  MakeForm();
  AddRecorder(0, 0, 100, 100);
  Recorder* target = AddRecorder(100, 0, 100, 100);
  form->Show();
  DropRecorder drop;
  RegisterDragDrop(target, &drop);
  SimulateDrop(form.get(), {"/tmp/a.cfg", "/tmp/\xC3\xA4.cfg"}, "", 20, 20);
  EXPECT_TRUE(drop.calls.empty());
  SimulateDrop(form.get(), {"/tmp/a.cfg", "/tmp/\xC3\xA4.cfg"}, "", 150, 20);
  EXPECT_EQ(drop.calls, (std::vector<std::string>{"enter", "over", "drop"}));
  EXPECT_EQ(drop.data.Files, (std::vector<std::u16string>{u"/tmp/a.cfg", u"/tmp/\u00E4.cfg"}));
  EXPECT_EQ(drop.at, target->ClientToScreen({50, 20}));
  RevokeDragDrop(target);
  drop.calls.clear();
  SimulateDrop(form.get(), {}, "text", 150, 20);
  EXPECT_TRUE(drop.calls.empty());
}

}  // namespace

TEST_F(FormsTest, BoundsBeyondWhatAWindowCanHaveAreBroughtInSoTheFormStillShowsAndTakesInput) {
  MakeForm();
  form->SetLeft(std::numeric_limits<int>::max());
  form->SetTop(std::numeric_limits<int>::min());
  form->SetWidth(100000);
  form->SetHeight(-7);
  EXPECT_EQ(form->Left(), TForm::MaxFormPosition);
  EXPECT_EQ(form->Top(), -TForm::MaxFormPosition);
  EXPECT_EQ(form->Width(), TForm::MaxFormSize);
  EXPECT_EQ(form->Height(), 1);
  form->SetBounds(5, 6, 120, std::numeric_limits<int>::max());
  EXPECT_EQ(form->Height(), TForm::MaxFormSize);
  form->SetHeight(80);
  Recorder* r = AddRecorder(0, 0, 50, 50);
  form->SetLeft(std::numeric_limits<int>::max());
  ASSERT_NO_THROW(form->Show());
  SimulateMouseMove(form.get(), 10, 10);
  SimulateMouseButton(form.get(), rtl::mbLeft, true, 10, 10);
  EXPECT_EQ(r->Messages(WM_LBUTTONDOWN, WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(FormsTest, AMinimumSizeHoldsForTheProgramAndTheWindowSystem) {
  MakeForm();
  form->SetMinSize(150, 90);
  EXPECT_EQ(form->Width(), 200) << "a larger size stays";
  form->SetBounds(0, 0, 100, 50);
  EXPECT_EQ(form->Width(), 150);
  EXPECT_EQ(form->Height(), 90);
  form->Show();
  int w = 0, h = 0;
  SDL_GetWindowMinimumSize(form->Window(), &w, &h);
  EXPECT_EQ(w, 150);
  EXPECT_EQ(h, 90);
  form->HandleResized(40, 40);  // the window manager's resize
  EXPECT_EQ(form->Width(), 150);
  EXPECT_EQ(form->Height(), 90);
  form->SetMinSize(0, 0);
  form->SetBounds(0, 0, 100, 50);
  EXPECT_EQ(form->Width(), 100);
}

}  // namespace forms_test
