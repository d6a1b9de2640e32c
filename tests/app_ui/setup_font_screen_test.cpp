// The Setup page at a larger program font (18), on a real X screen (Xvfb) against the ECU
// simulator: the labels of each kind (the configuration's rows, the customer's details) are
// one size, every text is whole, and a text drawn smaller keeps its letters together.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Form_3D_SET.h"
#include "app/ui/Page_CFG.h"
#include "tests/TestOutput.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "platform/gfx3d/GlDevice.h"
#include "tests/app_ui/SimulatorScreen.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/controls/WindowFrames.h"
#include "vg2d/core/TextShape.h"

namespace setup_font_screen_test {

namespace {

using namespace std::chrono_literals;

TEST(SetupFontScreen, AtALargerFontTheSetupLabelsOfOneKindAreOneSizeAndWhole) {
  if (vgtest::InXvfbChild()) GTEST_SKIP() << "inside the Xvfb run";
  if (!vgtest::XvfbAvailable()) GTEST_SKIP() << "xvfb-run or xwd is not installed";
  EXPECT_EQ(apptest::RunUnderXvfb("SetupFontScreenChild.*"), 0) << "the run under Xvfb failed (its output is above)";
}

class SetupFontScreenChild : public apptest::SimulatorScreenTest {
protected:
  void TearDown() override {
    settings.reset();
    SimulatorScreenTest::TearDown();
  }
  // Form's part of the screen, kept as Name in the build's test output.
  void KeepFormPicture(const vgtest::Screenshot& Screen, const win::TCustomForm& Form, const std::string& Name) {
    vg::TvxBitmap picture;
    picture.SetSize(Form.Width(), Form.Height());
    for (int y = 0; y < Form.Height(); ++y)
      for (int x = 0; x < Form.Width(); ++x) {
        const int sx = Form.Left() + x, sy = Form.Top() + y;
        picture.Bits()[y * Form.Width() + x] =
            sx >= 0 && sy >= 0 && sx < Screen.width && sy < Screen.height ? Screen.At(sx, sy) : 0xFF000000u;
      }
    vg::TvxFilterGdiPlus().SaveToFile(testout::Path(Name), picture, "");
  }
  std::unique_ptr<app::TForm_3D_SET> settings;
};

TEST_F(SetupFontScreenChild, Run) {
  if (!vgtest::InXvfbChild()) GTEST_SKIP() << "runs only under Xvfb";
  std::string why;
  if (!gfx3d::GlAvailable(&why)) GTEST_SKIP() << "no OpenGL through EGL here: " << why;
  ShowMain();
  ASSERT_TRUE(RunUntil([&] { return StatusShowed(u"Data loaded"); }, 8s)) << "the ECU was not read";
  app::Model().Settings.Font_Size = 18;
  main->RunAction(app::Action_ApplyFonts);
  // What the start-up still had queued (its own fonts among it) runs before the sizes are read.
  ASSERT_TRUE(RunUntilActionsDone()) << "the start-up's actions never ended";
  const app::TPageCFGParts& p = main->PageCFG()->Parts();
  // One size for each column of labels and for the tabs; the user's size where all fit.
  const float rows = p.HudLabel_CFG_RPM_Prescaler->Font()->Size();
  EXPECT_GE(rows, 11);
  EXPECT_LT(rows, 18) << "the temperature's label does not fit at 18";
  for (vg::TvxHudLabel* l : {p.HudLabel_CFG_PG_RPM, p.HudLabel_CFG_PG_Temper, p.HudLabel_CFG_PG_Time,
                             p.HudLabel_CFG_Injection, p.HudLabel_CFG_Gas_Type})
    EXPECT_EQ(l->Font()->Size(), rows) << rtl::WideToUtf8(l->Text());
  const float customer = p.HudLabel_CFG_User_Name->Font()->Size();
  for (vg::TvxHudLabel* l : {p.HudLabel_CFG_User_Phone, p.HudLabel_CFG_User_Install_Date,
                             p.HudLabel_CFG_User_Install_KM, p.HudLabel_CFG_User_Gas_Jets})
    EXPECT_EQ(l->Font()->Size(), customer) << rtl::WideToUtf8(l->Text());
  EXPECT_EQ(p.HudCheckBox_CFG_GP_Buzzer->Font()->Size(), p.HudCheckBox_CFG_PG_GAS_Hot_Engine->Font()->Size());
  const auto& tabs = main->Parts().TabItems;
  for (vg::TvxTabItem* t : tabs) EXPECT_EQ(t->Font()->Size(), tabs[0]->Font()->Size()) << rtl::WideToUtf8(t->Text());
  // And every one of them is whole.
  for (vg::TvxObject* o : app::TreeObjects(main->Parts().HudWindow_3D_GEN)) {
    auto* t = dynamic_cast<vg::TvxTextControl*>(o);
    auto* part = t && !t->WordWrap() && t->Visible() ? vg::FindPart<vg::TvxText>(t, "text") : nullptr;
    if (part) {
      EXPECT_EQ(part->ShownText(), t->Text()) << t->Name() << " is cut";
    }
  }

  vgtest::Screenshot screen;
  ASSERT_TRUE(ReadScreen(screen));
  KeepWindowPicture(screen, "setup_font18.png");

  settings = app::TForm_3D_SET::Create();
  settings->Show();
  RunFor(300ms);
  main->RunAction(app::Action_ApplyFonts);
  RunFor(500ms);
  ASSERT_TRUE(ReadScreen(screen));
  KeepFormPicture(screen, *settings, "settings_font18.png");
}

}  // namespace

}  // namespace setup_font_screen_test
