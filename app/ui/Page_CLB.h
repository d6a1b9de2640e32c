// The Graph page of the main window (page 2): the calibration diagram (Layout_CLB, 622 x
// 480). Its text is app/ui/forms/Page_CLB.txt, with the controls the ECU side and the
// language texts name. The diagram's drawing and editing come with the page's own work:
// until then the calls below draw and change nothing.
#pragma once

#include <cstdint>

#include "app/ui/Window_Page.h"
#include "platform/rtl/InputTypes.h"

namespace app {

class TPage_CLB : public TWindowPage {
  RTL_CLASS(TPage_CLB, TWindowPage)
public:
  explicit TPage_CLB(rtl::TComponent* AOwner);
  // Reads the page text into Item's page.
  void Load(vg::TvxTabItem* Item);

  // What the main window and the ECU side ask of the diagram.
  void BuildCalibrationDiagram();
  void RedrawCalibrationDiagram();
  void CloseDiagramHistoryPanel();
  void EnableMapPointControls();
  // Actions 8, 9, 10 (fonts of the parts made at run time) and 11 (the MAP prompt closes).
  void ApplyPartFonts(std::uint8_t Code);
  void CloseMapPrompt();
  // Esc and the arrow keys while the page is shown.
  void DiagramKeyDown(std::uint16_t Key);
  // Timer_CLB_3D_Btn: the key-repeat window ends.
  void KeyRepeatEnded();
  // The main window closes: what the diagram made goes.
  void Release();
};

}  // namespace app
