// The Auto Calibration page: its parts as the program shows them, a run in the middle of a
// step as the installer sees it (checked at chosen pixels of the window's frame), and what
// the button and the link's calls reach.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "MainWindow.h"
#include "app/core/AutoCLB_Unit.h"
#include "app/core/Model.h"
#include "app/ui/Page_ACB.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/Indicators.h"
#include "vg2d/controls/TabControl.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Shapes.h"

namespace acb_page_test {

namespace {

using apptest::MainWindowTest;

std::string Narrow(const std::u16string& Text) { return std::string(Text.begin(), Text.end()); }

// The colour of the frame's pixel at the centre of Object, as "#AARRGGBB" with alpha forced opaque.
std::uint32_t CentrePixel(const vg::TvxBitmap& Picture, vg::TvxVisualObject* Object) {
  const vg::TvxRect r = Object->GetAbsoluteRect();
  const int x = static_cast<int>((r.Left + r.Right) / 2), y = static_cast<int>((r.Top + r.Bottom) / 2);
  return Picture.Bits()[y * Picture.Width() + x];
}

bool Near(std::uint32_t A, std::uint32_t B, int Tolerance = 12) {
  for (int shift : {0, 8, 16})
    if (std::abs(static_cast<int>((A >> shift) & 255) - static_cast<int>((B >> shift) & 255)) > Tolerance) return false;
  return true;
}

class ACBPageTest : public MainWindowTest {
protected:
  app::TPage_ACB& Page() { return *main->PageACB(); }
  void ShowPage() {
    main->Parts().HudTabControl_GEN->SetItemIndex(1);
    Run(2500);  // the start-up logo has shrunk into its corner
  }
};

TEST_F(ACBPageTest, ThePageShowsItsPromptButtonAndAColumnPerCylinder) {
  MakeAndShow();
  const app::TACBPageParts& p = Page().Parts();
  EXPECT_EQ(Narrow(p.HudLabel_3D_ACB_Prompt->Text()), "To run autocalibration press \"START\".");
  EXPECT_EQ(Narrow(p.HudButton_ACB_Start->Text()), "Start");
  EXPECT_TRUE(p.HudButton_ACB_Start->StaysPressed());
  ASSERT_EQ(Page().Columns().size(), 4u);
  EXPECT_EQ(Narrow(Page().RowLabels()[0]->Text()), "Petrol on Petrol");
  EXPECT_EQ(Narrow(Page().RowLabels()[2]->Text()), "Gas");
  // Every part lies inside the indicator panel.
  const vg::TvxRect panel = p.HudPanel_ACB_Indic->GetAbsoluteRect();
  for (const auto& column : Page().Columns())
    for (vg::TvxHudTextBox* box : column.Boxes) {
      const vg::TvxRect r = box->GetAbsoluteRect();
      EXPECT_GE(r.Left, panel.Left);
      EXPECT_LE(r.Right, panel.Right + 0.5f);
      EXPECT_LE(r.Bottom, panel.Bottom + 0.5f);
    }
  // A configuration of six cylinders gets six columns, the last two without live values.
  ecu::Session().ConfigData.Configuration->Cylinders = 6;
  Page().CreateAlgorithms();
  EXPECT_EQ(Page().Columns().size(), 6u);
}

TEST_F(ACBPageTest, MidRunThePageShowsStopThePromptAndBarsInTheirColours) {
  MakeAndShow();
  ShowPage();
  ecu::Session().Link.LinkUp = 1;
  auto& live = ecu::Session().LiveData;
  live.LivePetrolTimes = {3000, 3000, 3000, 3000};
  live.PetrolTimesOnPetrol = {3000, 3100, 2900, 3050};
  live.PetrolTimesOnGas = {2600, 2700, 2500, 2650};
  live.LiveGasTimes = {4200, 4300, 4100, 4250};
  const app::TACBPageParts& p = Page().Parts();
  p.HudButton_ACB_Start->SetIsPressed(true);
  Page().HudButton_ACB_StartClick(p.HudButton_ACB_Start);
  EXPECT_EQ(ecu::Session().Link.ACBRunning, 1);
  EXPECT_EQ(p.ProgressBar_3D_ACB->Max(), 429);
  // The run is in its last step, on all four cylinders, half way through.
  app::Model().ACB.StepDigits = "1234";
  host->AutoCalibrationStep();
  host->SetValue(app::TControl::ACB_Progress, 200);
  host->SetText(app::TControl::ACB_Prompt, "Please wait. Execute autocalibration.");
  Run(100);
  const auto picture = Picture("acb_page_mid_run.png");

  EXPECT_EQ(Narrow(p.HudButton_ACB_Start->Text()), "Stop");
  EXPECT_EQ(Narrow(p.HudLabel_3D_ACB_Prompt->Text()), "Please wait. Execute autocalibration.");
  EXPECT_EQ(Narrow(Page().Columns()[1].Boxes[app::ACB_GasOnGas]->Text()), "4.30");
  // The gas bar of cylinder 2 is the tallest (full scale 5300: 4300 / 5300 of the area).
  const app::TACBColumn& c = Page().Columns()[1];
  EXPECT_GT(c.Bars[app::ACB_GasOnGas]->Height(), c.Bars[app::ACB_PetOnGas]->Height());
  // Bars of a row of different heights stand on the same ground.
  const vg::TvxRect b1 = Page().Columns()[1].Bars[app::ACB_GasOnGas]->GetAbsoluteRect();
  const vg::TvxRect b2 = Page().Columns()[2].Bars[app::ACB_GasOnGas]->GetAbsoluteRect();
  EXPECT_NE(b1.Top, b2.Top);
  EXPECT_NEAR(b1.Bottom, b2.Bottom, 0.5);
  EXPECT_TRUE(Near(CentrePixel(*picture, c.Bars[app::ACB_PetOnPet]), 0xFFF9FA4B));
  EXPECT_TRUE(Near(CentrePixel(*picture, c.Bars[app::ACB_PetOnGas]), 0xFFC5A41D));
  EXPECT_TRUE(Near(CentrePixel(*picture, c.Bars[app::ACB_GasOnGas]), 0xFFA4F964));
  // The prompt's text is drawn: light pixels inside its label's box.
  const vg::TvxRect r = p.HudLabel_3D_ACB_Prompt->GetAbsoluteRect();
  int light = 0;
  for (int y = static_cast<int>(r.Top); y < static_cast<int>(r.Bottom); ++y)
    for (int x = static_cast<int>(r.Left); x < static_cast<int>(r.Right); ++x)
      light += ((picture->Bits()[y * picture->Width() + x] >> 8) & 255) > 200;
  EXPECT_GT(light, 100);

  // The button released stops the run: the link is up, so the stop script is built.
  p.HudButton_ACB_Start->SetIsPressed(false);
  Page().HudButton_ACB_StartClick(p.HudButton_ACB_Start);
  EXPECT_EQ(Narrow(p.HudButton_ACB_Start->Text()), "Start");
  EXPECT_EQ(Narrow(p.HudLabel_3D_ACB_Prompt->Text()), "Autocalibration stopped.");
  EXPECT_EQ(app::Model().ACBScript.Cells[1], 50);
}

}  // namespace

}  // namespace acb_page_test
