// The Auto Calibration page of the main window (page 1). Its text is
// app/ui/forms/Page_ACB.txt; the controls the ECU side and the language texts name are there
// (HudButton_ACB_Start, ProgressBar_3D_ACB, HudLabel_3D_ACB_Prompt). The automatic
// calibration itself comes with the page's own work: until then the calls below do nothing
// but keep the start button released.
#pragma once

#include <cstdint>

#include "app/ui/Window_Page.h"

namespace app {

class TPage_ACB : public TWindowPage {
  RTL_CLASS(TPage_ACB, TWindowPage)
public:
  explicit TPage_ACB(rtl::TComponent* AOwner);
  // Reads the page text into Item's page.
  void Load(vg::TvxTabItem* Item);

  // What the main window and the ECU side ask of the automatic calibration.
  void CreateAlgorithms();
  void StartStopAutoCalibration();
  void AutoCalibrationReplyTick();
  void AutoCalibrationStep();
  void AutoCalibrationWriteDone();
  // The main window closes: what the calibration made goes.
  void Release();
};

}  // namespace app
