// The Auto Calibration page of the main window (page 1). Its text is
// app/ui/forms/Page_ACB.txt: the prompt (HudPanel_ACB_1), the progress bar (HudPanel_ACB_2),
// the start button that stays pressed while a run goes (HudPanel_ACB_3), and the indicator
// panel HudPanel_ACB_Indic, whose bars and number boxes are made in code for the configured
// cylinders: three rows ("Petrol on Petrol", "Petrol on Gas", "Gas"), in each a column per
// cylinder with an upward bar in the row's colour and the value in ms. The run itself lives
// in the application core (app/core/AutoCLB_Unit.h); the page passes the button and the
// link's calls to it and draws what it keeps.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/ui/Window_Page.h"
#include "app/ui/forms/Page_ACB.h"

namespace vg {
class TvxHudLabel;
class TvxHudTextBox;
class TvxRectangle;
}  // namespace vg

namespace app {

// One cylinder's column of the indicator panel: a bar and a number box per row.
struct TACBColumn {
  std::array<vg::TvxRectangle*, 3> Bars{};
  std::array<vg::TvxHudTextBox*, 3> Boxes{};
};

class TPage_ACB : public TWindowPage {
  RTL_CLASS(TPage_ACB, TWindowPage)
public:
  explicit TPage_ACB(rtl::TComponent* AOwner);
  // Reads the page text into Item's page and binds its parts.
  void Load(vg::TvxTabItem* Item);
  const TACBPageParts& Parts() const { return parts_; }
  const std::vector<TACBColumn>& Columns() const { return columns_; }
  const std::array<vg::TvxHudLabel*, 3>& RowLabels() const { return rowLabels_; }

  // What the main window and the ECU side ask of the automatic calibration. CreateAlgorithms
  // (the main window's creation) makes the algorithms and the indicator panel.
  void CreateAlgorithms();
  void StartStopAutoCalibration();
  void AutoCalibrationReplyTick();
  void AutoCalibrationStep();
  void AutoCalibrationWriteDone();
  // The core's steps of the page: the progress bar's maximum; the indicators drawn.
  void SetProgressMax(std::int32_t Max);
  void ShowIndicators();
  // The main window closes: the indicator panel's parts go.
  void Release();

  // ---- handlers (published, bound by the page text)
  void HudButton_ACB_StartClick(rtl::TObject* Sender);

private:
  void CreateIndicators();
  TACBPageParts parts_;
  std::vector<TACBColumn> columns_;
  std::array<vg::TvxHudLabel*, 3> rowLabels_{};
  float rowHeight_ = 0, barArea_ = 0, barTop_ = 0;
};

}  // namespace app
