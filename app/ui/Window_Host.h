// The windows' one adapter on the application core: the core host (app::TCoreHost) with its
// window steps done on the program's windows. A control the ECU side sets (ecu::TControl) is
// found by its component name (ecu::ControlName) among the live windows and their pages; the
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
  static rtl::TComponent* FindControl(ecu::TControl Control);
  // The part the main window or one of its pages bound for a control when it was made, with
  // no look-up by name; nil for a control they do not bind (the settings window's port-name
  // box), and while the window or the page is not there.
  static rtl::TComponent* BoundControl(ecu::TControl Control);

  // ---- controls
  void SetVisible(ecu::TControl Control, bool Value) override;
  void SetEnabled(ecu::TControl Control, bool Value) override;
  void SetText(ecu::TControl Control, const std::string& Text) override;
  void SetColor(ecu::TControl Control, const std::string& Color) override;
  void SetTop(ecu::TControl Control, float Value) override;
  void SetHeight(ecu::TControl Control, float Value) override;
  void SetValue(ecu::TControl Control, std::int32_t Value) override;
  bool IsPressed(ecu::TControl Control) const override;
  void SetPressed(ecu::TControl Control, bool Value) override;
  void ApplyIndicatorFontSizes() override;
  void ClearErrorMemo() override;
  void AddErrorMemoLine(const std::string& Text) override;
  bool LevelGasTimerEnabled() const override;
  void SetLevelGasTimer(bool On) override;
  void UpdateLevelSensorImage() override;
  void ConfigToCFGPage() override;
  void ConfigToUserPage() override;
  void UpdateMainCaption() override;

  // ---- windows
  // What went wrong while the main window closed (its settings could not be written): always
  // on the standard error stream, and with InWindow in the message window too, which then
  // shows it at once and ends the program when it closes. True when the window shows it.
  virtual bool ShowEndingMessage(const std::string& Text, bool InWindow);
  void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) override;
  // A message shown (or waiting to be) that no longer holds goes (TForm_3D_MSG::Withdraw).
  virtual void WithdrawMessageWindow(std::uint8_t Kind, const std::string& Text);
  void CloseWaitWindow() override;
  void ShowWaitWindow() override;
  void ShrinkWaitWindow() override;
  void ShowPortWindow() override;
  void PortWindowChanged() override;
  void ClosePortWindow() override;

  // ---- the pages' features
  void BuildCalibrationDiagram() override;
  void RedrawCalibrationDiagram() override;
  void CloseDiagramHistoryPanel() override;
  // The diagram's page (app/ui/Page_CLB.h) for what the diagram's rules ask of it, and the
  // configuration page's controls for the configuration page write.
  void DrawDiagramState() override;
  void ShowDiagramPosition(const std::string& Text) override;
  void ShowDiagramHistoryPanel() override;
  void MapPromptChanged() override;
  void EnableMapPointControls() override;
  void CFGPageToConfig() override;
  void MarkMapRPMLiveCell() override;
  void RedrawMapRPM() override;
  void StartStopAutoCalibration() override;
  void AutoCalibrationReplyTick() override;
  void AutoCalibrationStep() override;
  void AutoCalibrationWriteDone() override;
  // The automatic calibration's page: its progress maximum and its indicators.
  void SetACBProgressMax(std::int32_t Max) override;
  void ShowACBIndicators() override;

  // ---- the link's events and the queue
  // The ECU answers: a message that the configured port could not be opened no longer holds.
  void LinkEstablished() override;
  void LinkLost() override;
  void LiveDataReceived() override;
  // Straight into the main window's indicators, work-mode label and the configuration page's
  // level circles and box, bound when the windows were made: no control is looked up by name.
  void PublishIndicators(const TIndicatorsView& View) override;
  void RunAction(std::uint8_t Code) override;

  // ---- texts: the main window's own table; the settings and skin windows add theirs.
  void MainFormEnglishText(std::string& Text) override;
  void SettingsEnglishText(std::string& Text) override;
  void SkinEnglishText(std::string& Text) override;

private:
  bool levelGasTimer_ = false;
  TCoreHostScope installed_{*this};
};

// The main window's own built-in English texts: Text (empty on entry) takes the text of
// ecu::Texts.CurrentLngKey when the table knows it.
void MainFormEnglishText(std::string& Text);

}  // namespace app
