// The windows' one adapter on the application core: the core host (app::TCoreHost) with its
// window steps done on the program's windows. A control the core sets (TControl) is the
// part the window bound for it, or is found by its component name (ControlName); the
// main window's own steps, its actions and its pages' calls go to the main window.
//
// Installed for the program's life with a TCoreHostScope (the constructor does it). The
// message, wait and port windows are windows of their own; until one of them exists its
// steps are written to the standard error stream, so that nothing the link reports is lost.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/core/Core_Host.h"
#include "app/core/Window_Steps.h"

namespace rtl {
class TComponent;
}

namespace app {

class TForm_3D_GEN;

class TWindowHost : public TCoreHost {
public:
  // Installs itself as the ECU side's and the core's host until it is destroyed.
  TWindowHost();
  ~TWindowHost() override;

  // The main window alive now (nil before it is made and after it is gone).
  static TForm_3D_GEN* Main();
  // The component a control of the ECU side stands for, among the live windows; nil when no
  // window has it (yet).
  static rtl::TComponent* FindControl(TControl Control);
  // The part the main window or one of its pages bound for a control when it was made, with
  // no look-up by name; nil for a control they do not bind (the settings window's port-name
  // box), and while the window or the page is not there.
  static rtl::TComponent* BoundControl(TControl Control);

  // ---- the window steps of the seam (app/core/Window_Steps.h): the controls the core
  // names are the parts the windows bound (BoundControl); a window that is not there yet
  // leaves its step on the console (the message and wait windows, the port search).
  APP_WINDOW_STEPS(APP_WINDOW_STEP_OVERRIDE)

  // ---- windows
  // What went wrong while the main window closed (its settings could not be written): always
  // on the standard error stream, and with InWindow in the message window too, which then
  // shows it at once and ends the program when it closes. True when the window shows it.
  virtual bool ShowEndingMessage(const std::string& Text, bool InWindow);
  // A message shown (or waiting to be) that no longer holds goes (TForm_3D_MSG::Withdraw).
  virtual void WithdrawMessageWindow(std::uint8_t Kind, const std::string& Text);

  // ---- the pages' features
  // The diagram's page (app/ui/Page_CLB.h) for what the diagram's rules ask of it, and the
  // configuration page's controls for the configuration page write.
  void DrawDiagramState() override;
  void ShowDiagramPosition(const std::string& Text) override;
  void ShowDiagramHistoryPanel() override;
  void MapPromptChanged() override;
  void EnableMapPointControls() override;
  void CFGPageToConfig() override;
  void MarkMapRPMLiveCell() override;
  void AutoCalibrationStep() override;
  // The automatic calibration's page: its progress maximum and its indicators.
  void SetACBProgressMax(std::int32_t Max) override;
  void ShowACBIndicators() override;
  void AutoCalibrationEnded() override;
  void WritesAtCloseEnded() override;

  // ---- live samples
  // Straight into the main window's indicators, work-mode label and the configuration page's
  // level circles and box, bound when the windows were made: no control is looked up by name.
  void PublishIndicators(const TIndicatorsView& View) override;

private:
  bool levelGasTimer_ = false;
  TCoreHostScope installed_{*this};
};

// The main window's own built-in English texts: Text (empty on entry) takes the text of the
// key being looked up (IsKeyLookedUp) when the table knows it.
void MainFormEnglishText(std::string& Text);

}  // namespace app
