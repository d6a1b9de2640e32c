// Windows that open by themselves open wholly on the screen's work area: dialogs placed over
// a small window at the screen's corner are moved in; the design windows and the colour
// dialog open in the middle of the screen; popup windows that do not fit beside their
// target open on its other side or are moved in. The tab-order window lists and moves the
// controls beside the selected one on a real screen. The image control's click opens the open
// dialog on the image files, and the picture chosen there shows in the control.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormScene.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Display.h"
#include "platform/win/Menus.h"
#include "tests/TestOutput.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_controls/ModalSteps.h"
#include "tests/vg2d_core/ScreenWait.h"
#include "tests/vg2d_core/Screenshot.h"
#include "vg2d/controls/BitmapEditor.h"
#include "vg2d/controls/BrushDesigner.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Expanders.h"
#include "vg2d/controls/FileDialog.h"
#include "vg2d/controls/FontDialog.h"
#include "vg2d/controls/InputQuery.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/PathDesigner.h"
#include "vg2d/controls/TabOrderEditor.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/TreeView.h"
#include "vg2d/core/FilterGdiPlus.h"

namespace on_screen_test {

using namespace vg;
using looptest::Later;

namespace {

using vgtest::GaveUp;

win::TRect BoundsOf(const win::TCustomForm& F) { return {F.Left(), F.Top(), F.Left() + F.Width(), F.Top() + F.Height()}; }

::testing::AssertionResult OnTheScreen(const win::TCustomForm& F) {
  const win::TRect a = win::ScreenWorkArea(), r = BoundsOf(F);
  if (r.Left >= a.Left && r.Top >= a.Top && r.Right <= a.Right && r.Bottom <= a.Bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << r.Left << ", " << r.Top << ") - (" << r.Right << ", " << r.Bottom
                                       << ") leaves (" << a.Left << ", " << a.Top << ") - (" << a.Right << ", "
                                       << a.Bottom << ")";
}

// Whether the form's middle is the work area's (to the pixel a halving rounds away).
::testing::AssertionResult CentredOnTheScreen(const win::TCustomForm& F) {
  const win::TRect a = win::ScreenWorkArea();
  const int dx = (F.Left() + F.Width() / 2) - (a.Left + a.Width() / 2);
  const int dy = (F.Top() + F.Height() / 2) - (a.Top + a.Height() / 2);
  if (std::abs(dx) <= 1 && std::abs(dy) <= 1) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the middle is " << dx << ", " << dy << " off the screen's";
}

// Runs Steps on the active (modal) form from inside its loop, then ends the loop.
void InTheActiveForm(std::function<void(win::TCustomForm&)> Steps) {
  Later([Steps] {
    win::TCustomForm* f = win::ActiveForm();
    ASSERT_NE(f, nullptr);
    Steps(*f);
    vgtest::EndIfStillOpen(*f);
  });
}

class OnScreen : public vgtest::ControlsTest {
protected:
  // A small window in the work area's top-left corner, active.
  void ShowSmallWindowInTheCorner() {
    const win::TRect a = win::ScreenWorkArea();
    small = std::make_unique<win::TForm>(nullptr);
    small->SetBorderStyle(win::bsNone);
    small->SetBounds(a.Left, a.Top, 120, 90);
    small->Show();
    rtl::Application->ProcessMessages();
    ASSERT_EQ(win::ActiveForm(), small.get());
  }
  void TearDown() override {
    small.reset();
    ControlsTest::TearDown();
  }
  std::unique_ptr<win::TForm> small;
};

}  // namespace

TEST_F(OnScreen, TheInputBoxAndTheFontDialogOverASmallWindowInTheCornerStayOnTheScreen) {
  ShowSmallWindowInTheCorner();
  const win::TRect a = win::ScreenWorkArea();
  int seen = 0;
  InTheActiveForm([&](win::TCustomForm& Box) {
    ++seen;
    EXPECT_NE(&Box, small.get());
    EXPECT_TRUE(OnTheScreen(Box));
    // Centred over the window as far as the screen lets it: in the corner.
    EXPECT_EQ(Box.Left(), a.Left);
    EXPECT_EQ(Box.Top(), a.Top);
  });
  std::u16string value;
  InputQuery(u"Name", u"Enter a name:", value);
  InTheActiveForm([&](win::TCustomForm& Dialog) {
    ++seen;
    EXPECT_NE(&Dialog, small.get());
    EXPECT_TRUE(OnTheScreen(Dialog));
  });
  TvxFontDialog font;
  font.Execute();
  EXPECT_EQ(seen, 2);
  // Over a window in the middle of the screen, the box stays centred over it.
  small->SetBounds(a.Left + 300, a.Top + 200, 400, 300);
  InTheActiveForm([&](win::TCustomForm& Box) {
    EXPECT_EQ(Box.Left() + Box.Width() / 2, a.Left + 300 + 200);
    EXPECT_EQ(Box.Top() + Box.Height() / 2, a.Top + 200 + 150);
  });
  InputQuery(u"Name", u"Enter a name:", value);
}

TEST_F(OnScreen, TheBrushDialogOpensOverTheWindowThatOpenedItOrInTheMiddleOfTheScreen) {
  ShowSmallWindowInTheCorner();
  const win::TRect a = win::ScreenWorkArea();
  small->SetBounds(a.Left + 250, a.Top + 150, 500, 400);
  TvxBrush brush(vgBrushSolid, 0xFF204080);
  std::vector<win::TRect> seen;
  TvxBrushDialog::OnAnyShow = [&](TvxBrushDesign& D) {
    seen.push_back(BoundsOf(D));
    EXPECT_TRUE(OnTheScreen(D));
    D.SetModalResult(win::mrCancel);
  };
  EXPECT_FALSE(EditBrushDialog(&brush, {vgBrushSolid, vgBrushGradient}, false));
  // With no window active (the one that opened it gone), in the middle of the screen.
  small.reset();
  rtl::Application->ProcessMessages();
  ASSERT_EQ(win::ActiveForm(), nullptr);
  EXPECT_FALSE(EditBrushDialog(&brush, {vgBrushSolid}, false));
  TvxBrushDialog::OnAnyShow = nullptr;
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_LE(std::abs((seen[0].Left + seen[0].Right) / 2 - (a.Left + 250 + 250)), 1) << "over the window's middle";
  EXPECT_LE(std::abs((seen[0].Top + seen[0].Bottom) / 2 - (a.Top + 150 + 200)), 1);
  EXPECT_LE(std::abs((seen[1].Left + seen[1].Right) / 2 - (a.Left + a.Right) / 2), 1) << "the screen's middle";
  EXPECT_LE(std::abs((seen[1].Top + seen[1].Bottom) / 2 - (a.Top + a.Bottom) / 2), 1);
}

// The shared designer opens as the modal one does: over the window it was opened from, or in
// the middle of the screen; shown again while it shows, it stays where it is.
TEST_F(OnScreen, TheSharedBrushDesignerOpensOverTheWindowThatOpenedItOrInTheMiddleOfTheScreen) {
  ShowSmallWindowInTheCorner();
  const win::TRect a = win::ScreenWorkArea();
  small->SetBounds(a.Left + 250, a.Top + 150, 500, 400);
  TvxBrush brush(vgBrushSolid, 0xFF204080);
  TvxBrushDesign* d = ShowBrushDesigner(&brush, nullptr);
  ASSERT_NE(d, nullptr);
  rtl::Application->ProcessMessages();
  EXPECT_TRUE(OnTheScreen(*d));
  EXPECT_LE(std::abs(d->Left() + d->Width() / 2 - (a.Left + 250 + 250)), 1) << "over the window's middle";
  EXPECT_LE(std::abs(d->Top() + d->Height() / 2 - (a.Top + 150 + 200)), 1);
  d->SetBounds(a.Left + 10, a.Top + 20, d->Width(), d->Height());
  small->Show();  // the opener active again, the designer shown for another brush
  ASSERT_EQ(ShowBrushDesigner(&brush, nullptr), d);
  EXPECT_EQ(d->Left(), a.Left + 10) << "a designer that shows stays where it is";
  EXPECT_EQ(d->Top(), a.Top + 20);
  d->Close();
  rtl::Application->ProcessMessages();
  ASSERT_EQ(SharedBrushDesigner(), nullptr);
  // With no window active, in the middle of the screen.
  small.reset();
  rtl::Application->ProcessMessages();
  ASSERT_EQ(win::ActiveForm(), nullptr);
  d = ShowBrushDesigner(&brush, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(CentredOnTheScreen(*d));
  d->Close();
  rtl::Application->ProcessMessages();
}

TEST_F(OnScreen, TheDesignWindowsAndTheColourDialogOpenInTheMiddleOfTheScreen) {
  ShowSmallWindowInTheCorner();
  {
    auto editor = std::make_unique<TvxBitmapEditor>(nullptr);
    editor->Show();
    EXPECT_TRUE(CentredOnTheScreen(*editor)) << "bitmap editor";
  }
  {
    auto designer = std::make_unique<TvxPathDataDesigner>(nullptr);
    designer->Show();
    EXPECT_TRUE(CentredOnTheScreen(*designer)) << "path designer";
  }
  {
    // The tab order of a control's siblings, edited from the design menu.
    vgtest::ControlScene s;
    auto* first = s.Add(new TvxButton(nullptr), 0, 0);
    s.Add(new TvxButton(nullptr), 0, 30);
    int seen = 0;
    InTheActiveForm([&](win::TCustomForm& F) {
      ++seen;
      EXPECT_NE(dynamic_cast<TvxTabOrderForm*>(&F), nullptr);
      EXPECT_TRUE(CentredOnTheScreen(F)) << "tab order";
    });
    EditTabOrderDialog(first);
    EXPECT_EQ(seen, 1);
  }
  {
    // The colour button's dialog.
    vgtest::ControlScene s;
    auto* button = s.Add(new TvxColorButton(nullptr), 10, 10);
    int seen = 0;
    TvxBrushDialog::OnAnyShow = [&](TvxBrushDesign& D) {
      ++seen;
      EXPECT_TRUE(CentredOnTheScreen(D)) << "colour dialog";
      D.SetModalResult(win::mrCancel);
    };
    button->Click();
    TvxBrushDialog::OnAnyShow = nullptr;
    EXPECT_EQ(seen, 1);
  }
  rtl::Application->ProcessMessages();
}

// The popup windows, against a target near the screen's edges.
class OnScreenPopups : public vgtest::FormScene {};

TEST_F(OnScreenPopups, AWindowThatDoesNotFitBesideItsTargetOpensOnTheOtherSideOrIsMovedIn) {
  const win::TRect a = win::ScreenWorkArea();
  TvxPopup* p = MakePopup();
  // The form low on the screen: the target's bottom edge 20 pixels above the screen's.
  form->SetBounds(a.Left + 100, a.Bottom - 80, 320, 240);
  p->SetPlacement(vgPlacementBottom);
  p->Popup();
  ASSERT_TRUE(p->IsOpen());
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Left + 140, a.Bottom - 80 + 60 - 30})) << "above the target";
  EXPECT_TRUE(OnTheScreen(*p->PopupForm()));
  p->ClosePopup();
  // Too tall for either side: below, moved up as far as needed.
  p->SetHeight(static_cast<float>(a.Height() - 10));
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Left + 140, a.Bottom - (a.Height() - 10)}));
  EXPECT_TRUE(OnTheScreen(*p->PopupForm()));
  p->ClosePopup();
  p->SetHeight(30);
  // High on the screen, opening upwards: below instead.
  form->SetBounds(a.Left + 100, a.Top - 50, 320, 240);
  p->SetPlacement(vgPlacementTop);
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Left + 140, a.Top - 50 + 80}));
  p->ClosePopup();
  // At the right edge, opening to the right: on the left; at the left edge the other way.
  form->SetBounds(a.Right - 140, a.Top + 100, 320, 240);
  p->SetPlacement(vgPlacementRight);
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Right - 140 + 40 - 50, a.Top + 160}));
  p->ClosePopup();
  form->SetBounds(a.Left - 20, a.Top + 100, 320, 240);
  p->SetPlacement(vgPlacementLeft);
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Left - 20 + 120, a.Top + 160}));
  p->ClosePopup();
  // Below the target but hanging over the right edge: moved left.
  form->SetBounds(a.Right - 60, a.Top + 100, 320, 240);
  p->SetPlacement(vgPlacementBottom);
  p->Popup();
  EXPECT_EQ(WindowAt(p), (win::TPoint{a.Right - 50, a.Top + 180}));
  p->ClosePopup();
  // An absolute place off the screen is brought in.
  p->SetPlacement(vgPlacementAbsolute);
  p->PlacementRectangle()->SetRect(MakeRect(static_cast<float>(a.Left - 500), static_cast<float>(a.Bottom + 40), 0, 0));
  p->Popup();
  EXPECT_TRUE(OnTheScreen(*p->PopupForm()));
  p->ClosePopup();
  Settle();
}

// On a real X screen of 640 x 480: a menu with a long submenu opened low at the right
// (the design menu's "Add object", "Controls"), and the input box over a small window in the
// top-left corner. Both pictures are kept in the build tree's test-output folder (menu_opened_low.png,
// dialog_over_small_window.png).
TEST(OnScreenShots, AMenuOpenedLowAndADialogOverASmallWindowShowWhole) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("OnScreenShotsChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

namespace {

bool Shoot(vgtest::Screenshot& S, const std::string& Keep) {
  const std::string shot = "/tmp/gascal-onscreen-" + std::to_string(getpid()) + ".xwd";
  for (int i = 0; i < 5; ++i) {
    rtl::Application->ProcessMessages();
    win::PumpEvents();
  }
  const bool ok = std::system(("xwd -root -silent -out " + shot).c_str()) == 0 && vgtest::ReadXwd(shot, S);
  std::remove(shot.c_str());
  if (!ok) return false;
  TvxBitmap picture(S.width, S.height);
  std::copy(S.pixels.begin(), S.pixels.end(), picture.Bits());
  TvxFilterGdiPlus().SaveToFile(testout::Path(Keep), picture, "");
  return true;
}

// The menus' light grey, counted in a screen rectangle.
int MenuPixels(const vgtest::Screenshot& S, int X0, int Y0, int X1, int Y1) {
  int n = 0;
  for (int y = std::max(Y0, 0); y < std::min(Y1, S.height); ++y)
    for (int x = std::max(X0, 0); x < std::min(X1, S.width); ++x) n += vgtest::Near(S.At(x, y), 0xFFF5F5F5u, 4) ? 1 : 0;
  return n;
}

}  // namespace

TEST(OnScreenShotsChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  {
    const win::TRect a = win::ScreenWorkArea();  // opens the display
    ASSERT_EQ(win::VideoDriver(), "x11");
    auto desk = std::make_unique<win::TForm>(nullptr);
    desk->SetBorderStyle(win::bsNone);
    desk->SetColor(0xFF3A5A78u);
    desk->SetBounds(a.Left, a.Top, a.Width(), a.Height());
    desk->Show();
    win::TPopupMenu menu(nullptr);
    for (const char* c : {"Delete", "Hide in Design-time", "Tab Order..."}) menu.Add(rtl::Utf8ToWide(c));
    win::TMenuItem* add = menu.Add(u"Add object");
    win::TMenuItem* controls = add->Add(u"Controls");
    for (int i = 0; i < 34; ++i) controls->Add(u"Control class " + rtl::Utf8ToWide(std::to_string(i)));
    add->Add(u"Shapes");
    menu.Popup(a.Right - 60, a.Bottom - 40);
    win::TPopupMenuWindow* w = menu.Window();
    const int row = win::TPopupMenuWindow::ItemHeight;
    w->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + 3 * row + row / 2));
    ASSERT_NE(w->Submenu(), nullptr);
    w->Submenu()->Perform(win::WM_MOUSEMOVE, 0, win::MakePointParam(10, 1 + row / 2));
    win::TPopupMenuWindow* sub = w->Submenu()->Submenu();
    ASSERT_NE(sub, nullptr);
    vgtest::Screenshot s;
    ASSERT_TRUE(Shoot(s, "menu_opened_low.png"));
    const std::vector<win::TPopupMenuWindow*> levels = {w, w->Submenu(), sub};
    for (size_t i = 0; i < levels.size(); ++i) {
      const win::TPopupMenuWindow* m = levels[i];
      EXPECT_GE(m->Left(), a.Left);
      EXPECT_GE(m->Top(), a.Top);
      EXPECT_LE(m->Left() + m->Width(), a.Right);
      EXPECT_LE(m->Top() + m->Height(), a.Bottom);
      // Each window shows, none covering another: the menus' grey fills much of it.
      EXPECT_GT(MenuPixels(s, m->Left(), m->Top(), m->Left() + m->Width(), m->Top() + m->Height()),
                m->Width() * m->Height() / 4)
          << "level " << i;
      for (size_t k = 0; k < i; ++k)
        EXPECT_TRUE(m->Left() >= levels[k]->Left() + levels[k]->Width() || m->Left() + m->Width() <= levels[k]->Left())
            << "level " << i << " covers level " << k;
    }
    EXPECT_TRUE(sub->Scrolls()) << "34 rows do not fit 480 pixels";
    menu.CloseMenu();

    auto small = std::make_unique<win::TForm>(nullptr);
    small->SetBorderStyle(win::bsNone);
    small->SetColor(0xFF806040u);
    small->SetBounds(a.Left, a.Top, 120, 90);
    small->Show();
    rtl::Application->ProcessMessages();
    bool shot = false;
    Later([&] {
      win::TCustomForm* box = win::ActiveForm();
      ASSERT_NE(box, nullptr);
      vgtest::Screenshot d;
      shot = Shoot(d, "dialog_over_small_window.png");
      EXPECT_EQ(box->Left(), a.Left);
      EXPECT_EQ(box->Top(), a.Top);
      box->SetModalResult(GaveUp);
    });
    std::u16string value = u"Brush1";
    InputQuery(u"New name", u"Enter a name:", value);
    EXPECT_TRUE(shot);
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

// The tab-order window on a real X screen, bare and under openbox: it lists the panel beside the
// buttons (a control that takes no focus), and a click on the panel's row and on "Up" moves the
// panel before the button above it. Pictures: tab_order_listed_<setup>.png,
// tab_order_panel_moved_<setup>.png in the build tree's test-output folder.
TEST(OnScreenShots, TheTabOrderWindowListsAPanelBesideTheButtons) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("TabOrderScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
  if (!wmtest::OpenboxInstalled()) GTEST_SKIP() << "openbox is missing";
  EXPECT_EQ(vgtest::RunUnderXvfb("TabOrderScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "640x480x24",
                                 wmtest::TManager::Openbox),
            0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

TEST(TabOrderScreenChild, APanelIsListedAndMoved) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  {
    win::ScreenWorkArea();  // opens the display
    ASSERT_EQ(win::VideoDriver(), "x11");
    const std::string setup = wmtest::UnderWindowManager() ? "openbox" : "bare";
    vgtest::ControlScene s;
    auto* ok = s.Add(new TvxButton(nullptr), 0, 0);
    ok->SetName("OkButton");
    auto* cancel = s.Add(new TvxButton(nullptr), 0, 30);
    cancel->SetName("CancelButton");
    auto* panel = s.Add(new TvxPanel(nullptr), 0, 60);
    panel->SetName("GaugePanel");
    bool ran = false;
    Later([&] {
      auto* f = dynamic_cast<TvxTabOrderForm*>(win::ActiveForm());
      ASSERT_NE(f, nullptr);
      ran = true;
      f->SetModalResult(win::mrOk);  // closes once the steps are done, whatever they find
      ASSERT_EQ(f->List()->Count(), 3);
      EXPECT_EQ(f->ControlAt(2), panel);
      // The chosen row shows its blue highlight on the screen, the others do not.
      vgtest::Screenshot shot;
      const std::string dump = "/tmp/gascal-taborder-" + std::to_string(getpid()) + ".xwd";
      auto chosenShows = [&](int Row) {
        return vgtest::ScreenComesToShow(dump, [&] {
          if (!vgtest::ReadXwd(dump, shot)) return false;
          for (int i = 0; i < 3; ++i) {
            const TvxRect r = f->List()->ItemByIndex(i)->GetAbsoluteRect();
            const std::uint32_t p =
                shot.At(f->Left() + static_cast<int>(r.Left) + 5, f->Top() + static_cast<int>((r.Top + r.Bottom) / 2));
            if (((p & 0xFF) > ((p >> 16) & 0xFF) + 40) != (i == Row)) return false;
          }
          return true;
        });
      };
      EXPECT_TRUE(chosenShows(0)) << "the window does not show the button chosen";
      ASSERT_TRUE(Shoot(shot, "tab_order_listed_" + setup + ".png"));
      vgtest::Click(f, f->List()->ItemByIndex(2));
      EXPECT_EQ(f->List()->ItemIndex(), 2);
      vgtest::Click(f, f->UpButton());
      EXPECT_EQ(f->ControlAt(1), panel);
      EXPECT_EQ(f->List()->ItemIndex(), 1);
      EXPECT_TRUE(chosenShows(1)) << "the window does not show the moved panel chosen";
      ASSERT_TRUE(Shoot(shot, "tab_order_panel_moved_" + setup + ".png"));
      std::remove(dump.c_str());
    });
    EditTabOrderDialog(ok);
    EXPECT_TRUE(ran);
    EXPECT_EQ(panel->GetTabOrder(), cancel->GetTabOrder() - 1);
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

// The image control's click on a real X screen, bare and under openbox: the open dialog lists
// the folder's picture and not its text file, the row clicked there shows chosen, and after OK
// the control shows the picture (red on the left, blue on the right). Pictures:
// image_open_dialog_<setup>.png, image_control_loaded_<setup>.png in the test-output folder.
TEST(OnScreenShots, TheImageControlOpensTheOpenDialogAndShowsThePictureChosen) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("ImageControlScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
  if (!wmtest::OpenboxInstalled()) GTEST_SKIP() << "openbox is missing";
  EXPECT_EQ(vgtest::RunUnderXvfb("ImageControlScreenChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp", "640x480x24",
                                 wmtest::TManager::Openbox),
            0)
      << "the run under Xvfb and openbox failed (its output is above)";
}

TEST(ImageControlScreenChild, TheChosenPictureShows) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  namespace fs = std::filesystem;
  ControlsStartup();
  const fs::path dir = fs::temp_directory_path() / ("gascal_image_screen_" + std::to_string(getpid()));
  {
    win::ScreenWorkArea();  // opens the display
    ASSERT_EQ(win::VideoDriver(), "x11");
    const std::string setup = wmtest::UnderWindowManager() ? "openbox" : "bare";
    fs::create_directories(dir);
    TvxBitmap stripes(120, 80);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 120; ++x) stripes.GetScanline(y)[x] = x < 60 ? 0xFFE02020u : 0xFF2040E0u;
    ASSERT_TRUE(TvxFilterGdiPlus().SaveToFile((dir / "stripes.png").string(), stripes, ""));
    { std::ofstream(dir / "notes.txt") << "text"; }
    { std::ofstream(dir / "broken.png") << "no picture at all"; }

    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(40, 40, 240, 200);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    auto* root = new TvxBackground(form.get());
    scene->AddObject(root);
    root->SetAlign(vaClient);
    auto* control = new TvxImageControl(form.get());
    root->AddObject(control);
    control->SetBounds(20, 20, 200, 160);
    form->Show();
    rtl::Application->ProcessMessages();

    const std::string dump = "/tmp/gascal-imagecontrol-" + std::to_string(getpid()) + ".xwd";
    vgtest::Screenshot shot;
    bool ran = false;
    // In the dialog: the folder's listing, the row clicked, the screen, then OK.
    const auto steps = [&](TvxFileDialogForm& D) {
      D.OpenFolder(dir.string());
      ASSERT_EQ(D.List()->Count(), 3);
      EXPECT_EQ(D.List()->ItemByIndex(1)->Text(), u"broken.png");
      EXPECT_EQ(D.List()->ItemByIndex(2)->Text(), u"stripes.png");
      rtl::Application->ProcessMessages();  // the list lays its rows out as it paints
      TvxTreeViewItem* row = D.Entry(u"stripes.png");
      ASSERT_NE(row, nullptr);
      vgtest::Click(&D, row);
      EXPECT_EQ(D.NameBox()->Text(), u"stripes.png");
      // The chosen row shows its highlight (blue over the dialog's grey) on the screen.
      const TvxRect r = row->GetAbsoluteRect();
      const bool shows = vgtest::ScreenComesToShow(dump, [&] {
        if (!vgtest::ReadXwd(dump, shot)) return false;
        const std::uint32_t p = shot.At(D.Left() + static_cast<int>((r.Left + r.Right) / 2),
                                        D.Top() + static_cast<int>((r.Top + r.Bottom) / 2));
        return (p & 0xFF) > ((p >> 16) & 0xFF) + 40;
      });
      EXPECT_TRUE(shows) << "the dialog does not show the picture chosen";
      EXPECT_TRUE(Shoot(shot, "image_open_dialog_" + setup + ".png"));
      vgtest::Click(&D, D.OkButton());
    };
    Later([&] {
      auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
      ASSERT_NE(d, nullptr) << "the open dialog is the active window";
      ran = true;
      steps(*d);
      vgtest::EndIfStillOpen(*d);
    });
    vgtest::Click(form.get(), control);
    EXPECT_TRUE(ran);
    EXPECT_EQ(control->Bitmap()->Width(), 120);
    // Not enlarged, at the image part's corner as its style places it: red, then blue.
    auto* image = dynamic_cast<TvxVisualObject*>(control->FindResource("image"));
    ASSERT_NE(image, nullptr);
    const TvxRect at = image->GetAbsoluteRect();
    const int x = form->Left() + static_cast<int>(at.Left), y = form->Top() + static_cast<int>(at.Top) + 40;
    const bool shows = vgtest::ScreenComesToShow(dump, [&] {
      return vgtest::ReadXwd(dump, shot) && vgtest::Near(shot.At(x + 30, y), 0xFFE02020u, 24) &&
             vgtest::Near(shot.At(x + 90, y), 0xFF2040E0u, 24) && !vgtest::Near(shot.At(x + 150, y), 0xFF2040E0u, 24);
    });
    EXPECT_TRUE(shows) << "the control does not show the picture";
    EXPECT_TRUE(Shoot(shot, "image_control_loaded_" + setup + ".png"));
    std::remove(dump.c_str());

    // A chosen file without a picture: the loop's handler tells the user, the picture stays.
    std::vector<std::string> told;
    rtl::Application->OnException = [&](rtl::TObject*, const std::exception& E) { told.push_back(E.what()); };
    Later([&] {  // the click from the loop, as the user's comes
      Later([&] {
        auto* d = dynamic_cast<TvxFileDialogForm*>(win::ActiveForm());
        ASSERT_NE(d, nullptr) << "the open dialog is the active window";
        d->NameBox()->SetText(rtl::Utf8ToWide((dir / "broken.png").string()));
        vgtest::Click(d, d->OkButton());
        vgtest::EndIfStillOpen(*d);
      });
      vgtest::Click(form.get(), control);
    });
    rtl::Application->ProcessMessages();
    rtl::Application->OnException = nullptr;
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("broken.png holds no picture"), std::string::npos) << told[0];
    EXPECT_EQ(control->Bitmap()->Width(), 120);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

}  // namespace on_screen_test
