// A real window under Xvfb: a Hud combo text box drops its list down in a window of its
// own; the X screen is captured with xwd, the list is looked for where it belongs, and the
// captured pictures of the Hud and the plain box with their open lists are written next to
// the test program (combo_hud_open.png, combo_plain_open.png). The test runs this program
// again under xvfb-run (the child test does the work); without xvfb-run it is skipped.
#include <gtest/gtest.h>

#include <SDL.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/loop/Application.h"
#include "tests/vg2d_core/Screenshot.h"
#include "platform/win/Display.h"
#include "vg2d/controls/ComboBoxes.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/SceneControl.h"
#include "tests/TestOutput.h"

namespace combo_screenshot_test {

using namespace vg;

namespace {

using vgtest::ReadXwd;
using vgtest::Screenshot;

int Red(std::uint32_t C) { return (C >> 16) & 0xFF; }
int Green(std::uint32_t C) { return (C >> 8) & 0xFF; }
int Blue(std::uint32_t C) { return C & 0xFF; }
bool Dark(std::uint32_t C) { return Red(C) < 0x50 && Green(C) < 0x50 && Blue(C) < 0x50; }
bool Bright(std::uint32_t C) { return Red(C) > 0xB0 && Green(C) > 0xB0 && Blue(C) > 0xB0; }

// Captures the screen until Matches accepts it (the X server shows windows in its own
// time), at most a minute.
bool Capture(Screenshot& S, const std::function<bool(const Screenshot&)>& Matches) {
  const std::string shot = "/tmp/gascal-combo-" + std::to_string(getpid()) + ".xwd";
  const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  bool ok = false;
  while (!ok && std::chrono::steady_clock::now() < end) {
    win::PumpEvents();
    rtl::Application->ProcessMessages();
    if (std::system(("xwd -root -silent -out " + shot).c_str()) != 0) break;
    ok = ReadXwd(shot, S) && S.width >= 400 && S.height >= 340 && Matches(S);
    if (!ok) SDL_Delay(20);
  }
  std::remove(shot.c_str());
  return ok;
}

// Writes the screen's rectangle as a PNG in the build tree's test-output folder.
void SavePart(const Screenshot& S, int X, int Y, int W, int H, const std::string& Name) {
  TvxBitmap picture(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) picture.Bits()[y * W + x] = S.At(X + x, Y + y);
  TvxFilterGdiPlus png;
  EXPECT_TRUE(png.SaveToFile(testout::Path(Name), picture, ""));
}

TEST(ComboScreenshot, AnOpenListShowsInItsOwnWindowUnderTheBox) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(vgtest::RunUnderXvfb("ComboScreenshotChild.*", VG2D_CORE_TEST_DATA "/xvfb-lsan.supp"), 0)
      << "the run under Xvfb failed (its output is above)";
}

TEST(ComboScreenshotChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  ControlsStartup();
  {
    auto form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(100, 80, 320, 260);
    auto* scene = new TvxScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    TvxBrush desk(vgBrushSolid, 0xFF5A7A96u);
    scene->SetFill(&desk);
    auto* root = new TvxVisualObject(form.get());
    scene->AddObject(root);
    auto* hud = new TvxHudComboTextBox(form.get());
    root->AddObject(hud);
    hud->SetBounds(20, 20, 140, 22);
    auto* plain = new TvxComboTextBox(form.get());
    root->AddObject(plain);
    plain->SetBounds(170, 20, 140, 22);
    for (auto* box : {static_cast<TvxComboTextBox*>(hud), static_cast<TvxComboTextBox*>(plain)}) {
      for (const char16_t* t :
           {u"Petrol", u"LPG", u"CNG", u"Propane", u"Butane", u"Methane", u"Auto", u"Manual", u"Service", u"Test"})
        box->Items()->Add(t);
      box->SetItemIndex(1);
    }
    // The other drop-down controls beside them, for the pictures.
    auto* stringCombo = new TvxStringComboBox(form.get());
    TvxStringComboBox* hudStringCombo = new TvxHudStringComboBox(form.get());
    for (TvxStringComboBox* c : {stringCombo, hudStringCombo}) {
      root->AddObject(c);
      c->Items()->Add(u"Sequential");
      c->Items()->Add(u"Full group");
      c->SetItemIndex(0);
    }
    stringCombo->SetBounds(170, 60, 140, 22);
    hudStringCombo->SetBounds(170, 90, 140, 22);
    auto* track = new TvxComboTrackBar(form.get());
    auto* hudTrack = new TvxHudComboTrackBar(form.get());
    root->AddObject(track);
    root->AddObject(hudTrack);
    track->SetBounds(170, 120, 140, 22);
    hudTrack->SetBounds(170, 150, 140, 22);
    auto* lines = new TvxHudStringListBox(form.get());
    root->AddObject(lines);
    lines->SetBounds(170, 180, 130, 60);
    for (const char16_t* t : {u"Setup.cfg", u"Winter.cfg", u"Summer.cfg", u"Test.cfg"}) lines->Items()->Add(t);
    lines->SetItemIndex(1);
    form->Show();
    ASSERT_EQ(win::VideoDriver(), "x11");
    Screenshot s;
    // The form first, then the Hud box's list dropped by a press on its arrow.
    ASSERT_TRUE(Capture(s, [](const Screenshot& S) { return S.At(100 + 310, 80 + 200) == 0xFF5A7A96u; }));
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 20 + 134, 31);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 20 + 134, 31);
    ASSERT_TRUE(hud->Popup()->IsOpen());
    win::TCustomForm* w = hud->Popup()->PopupForm();
    ASSERT_EQ(w->Left(), 120);
    ASSERT_EQ(w->Top(), 122);
    ASSERT_EQ(w->Height(), 152);
    // The list is dark over the light desktop colour of the form, from the box's bottom
    // edge down 152 rows and no further.
    const bool shown = Capture(s, [](const Screenshot& S) {
      return Dark(S.At(120 + 60, 122 + 100)) && Dark(S.At(120 + 60, 122 + 150)) && !Dark(S.At(120 + 60, 122 + 156));
    });
    SavePart(s, 100, 80, 320, 260, "combo_hud_open.png");
    ASSERT_TRUE(shown) << std::hex << "inside " << s.At(180, 222) << ", below " << s.At(180, 280);
    // Its rows: light text in the first rows, the current item (the second) lit in blue.
    int bright = 0;
    for (int y = 122 + 1; y < 122 + 39; ++y)
      for (int x = 120 + 4; x < 120 + 100; ++x) bright += Bright(s.At(x, y)) ? 1 : 0;
    EXPECT_GT(bright, 20);
    int blue = 0;
    for (int x = 120 + 4; x < 120 + 100; ++x) {
      const std::uint32_t c = s.At(x, 122 + 1 + 19 + 9);
      blue += Blue(c) > Red(c) + 30 ? 1 : 0;
    }
    EXPECT_GT(blue, 40);

    // The plain box's list: a press on its arrow closes the Hud list and drops this one.
    win::SimulateMouseButton(form.get(), rtl::mbLeft, true, 170 + 134, 31);
    win::SimulateMouseButton(form.get(), rtl::mbLeft, false, 170 + 134, 31);
    EXPECT_FALSE(hud->Popup()->IsOpen());
    ASSERT_TRUE(plain->Popup()->IsOpen());
    const bool plainShown = Capture(s, [](const Screenshot& S) {
      return Bright(S.At(270 + 60, 122 + 100)) && S.At(120 + 60, 122 + 100) == 0xFF5A7A96u;
    });
    SavePart(s, 100, 80, 320, 260, "combo_plain_open.png");
    EXPECT_TRUE(plainShown);
    plain->Popup()->SetIsOpen(false);
  }
  rtl::Application->ProcessMessages();
  win::CloseDisplay();
  ControlsShutdown();
}

}  // namespace

}  // namespace combo_screenshot_test
