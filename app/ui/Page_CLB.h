// The Graph page of the main window (page 2): the calibration diagram (Layout_CLB, 622 x
// 480). Its text is app/ui/forms/Page_CLB.txt: the plot (Image_CLB_Diagram) with its legends,
// the three scales, the read-out and the MAP buttons. The page makes the diagram's shapes
// itself, once, on the plot and the scales, and puts them where the diagram's rules
// (app/core/Calibr_Draw.h) say at every redraw; the mouse, the keys and the buttons go to the
// editing and MAP-correction rules (Calibr_Ctrl.h, Calibr_Map.h). The history panel and the
// MAP prompt open over the plot while they are needed.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/ui/Window_Page.h"
#include "app/ui/forms/Page_CLB.h"
#include "platform/rtl/InputTypes.h"

namespace vg {
class TvxCircle;
class TvxHudButton;
class TvxHudLabel;
class TvxHudPanel;
class TvxLine;
class TvxObject;
class TvxVisualObject;
}  // namespace vg

namespace app {

struct TDiagramLook;

// The shapes the page makes for the diagram (none has an owner; each has a parent).
struct TDiagramParts {
  std::array<vg::TvxCircle*, 9> Markers{};
  std::array<vg::TvxLine*, 8> Segments{};
  std::array<vg::TvxCircle*, 9> ProposalMarkers{};
  std::array<vg::TvxLine*, 8> ProposalSegments{};
  vg::TvxCircle* GasMarker = nullptr;
  vg::TvxCircle* ManifoldMarker = nullptr;
  std::array<vg::TvxHudLabel*, 6> GasLabels{}, PressureLabels{}, PetrolLabels{};
  std::array<vg::TvxLine*, 8> HorizontalGrid{};
  std::array<vg::TvxLine*, 6> VerticalGrid{};
  std::array<vg::TvxLine*, 4> Guides{};
  // The MAP shapes, made again whenever their number changes, on an area of the plot's size
  // that cuts them at the plot's edges (a band beyond the scale stays off the read-out).
  vg::TvxVisualObject* MapArea = nullptr;
  std::vector<vg::TvxLine*> PairBars;
  std::vector<vg::TvxCircle*> GasPoints, PetrolPoints;
  std::vector<vg::TvxLine*> GasLines, PetrolLines;
  // The panels over the plot, while open.
  vg::TvxHudPanel* HistoryPanel = nullptr;
  vg::TvxHudButton* HistoryBack = nullptr;
  vg::TvxHudButton* HistoryForward = nullptr;
  vg::TvxHudPanel* Prompt = nullptr;
  vg::TvxHudLabel* PromptText = nullptr;
  vg::TvxHudButton* PromptFirst = nullptr;
  vg::TvxHudButton* PromptSecond = nullptr;
};

class TPage_CLB : public TWindowPage {
  RTL_CLASS(TPage_CLB, TWindowPage)
public:
  explicit TPage_CLB(rtl::TComponent* AOwner);
  // Reads the page text into Item's page and binds its parts.
  void Load(vg::TvxTabItem* Item);
  const TPageCLBParts& Parts() const { return parts_; }
  const TDiagramParts& Diagram() const { return diagram_; }

  // What the main window and the ECU side ask of the diagram.
  // Makes the shapes (once) and puts the scales; the key-repeat timer becomes the
  // diagram's.
  void BuildCalibrationDiagram();
  // The full redraw: the curve (and the proposal) from the model, then the state over it.
  // While the page is hidden both wait for the page to be shown, and it redraws in full then
  // (a live-data reply redraws the diagram every time).
  void RedrawCalibrationDiagram();
  // The markers' colours, the guides, the MAP shapes and the live markers.
  void DrawDiagramState();
  void PageShown() override;
  void ShowDiagramPosition(const std::string& Text);
  void ShowDiagramHistoryPanel();
  void CloseDiagramHistoryPanel();
  // The prompt follows app::Diagram.MapPrompt (opened, closed or given another text).
  void MapPromptChanged();
  // The MAP controls follow Save_Map (only while the link is up); ShowMapPointControls puts
  // them as the rules say.
  void EnableMapPointControls();
  void ShowMapPointControls();
  // Actions 8, 9, 10 (fonts of the parts made at run time) and 11 (the MAP prompt closes).
  void ApplyPartFonts(std::uint8_t Code);
  void CloseMapPrompt();
  // Esc and the arrow keys while the page is shown.
  void DiagramKeyDown(std::uint16_t Key);
  // Timer_CLB_3D_Btn: the key-repeat window ends.
  void KeyRepeatEnded();
  // The main window closes: what the diagram made goes.
  void Release();

  // ---- published handlers
  void Image_CLB_DiagramMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                  float Y);
  void Image_CLB_DiagramMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void Image_CLB_DiagramMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X,
                                float Y);
  void HudButton_CLB_MAP_StartClick(rtl::TObject* Sender);
  void HudButton_CLB_MAP_StopClick(rtl::TObject* Sender);
  void HudButton_CLB_MAP_To_CountClick(rtl::TObject* Sender);
  void HudButton_CLB_MAP_Del_GasClick(rtl::TObject* Sender);
  void HudButton_CLB_MAP_Del_PetrolClick(rtl::TObject* Sender);

private:
  // The handlers the page gives the shapes it makes.
  void MarkerMouseDown(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  void MarkerMouseMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void MarkerMouseUp(rtl::TObject* Sender, rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y);
  void HistoryBackClick(rtl::TObject* Sender);
  void HistoryForwardClick(rtl::TObject* Sender);
  void PromptFirstClick(rtl::TObject* Sender);
  void PromptSecondClick(rtl::TObject* Sender);

  void PlaceScales();
  void QueueDiagramFonts();
  void DrawMapShapes(const TDiagramLook& Look);
  void FreeMapShapes();
  void FreePrompt();

  TPageCLBParts parts_;
  TDiagramParts diagram_;
  bool built_ = false;
  bool fontsPending_ = false;
  bool redrawPending_ = false;  // a redraw came while the page was hidden
};

}  // namespace app
