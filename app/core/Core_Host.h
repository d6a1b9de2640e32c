// The application core's side of the ECU link: everything the ECU side asks of the
// application that needs no window, done once here, from the settings, the colour table, the
// status line, the action queue, the transmit scheduling, and the diagram and R.P.M. map
// models. The windows derive their one adapter from it and add what needs a window (controls,
// message, wait and port windows, pages, the automatic calibration, the link's events); the
// headless runner and the tests derive their recorders from it the same way.
//
// A host is installed for a scope (TCoreHostScope): the ECU side then reaches it through
// ecu::Session().Hosts.Host, and the core's own calls into the windows (an action of the queue,
// the map's redraw, closing the diagram history) go to Model().CoreHost. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/core/Indicators.h"
#include "app/core/Model.h"
#include "ecu/Host.h"
#include "ecu/Session.h"

namespace app {

class TCoreHost : public ecu::THost {
public:
  // Makes the main window's Timer_GEN_Connect_Stabil (off; its handler calls
  // ecu::UpdateConnectQuality).
  TCoreHost();
  ~TCoreHost() override;
  TCoreHost(const TCoreHost&) = delete;
  TCoreHost& operator=(const TCoreHost&) = delete;

  // ---- What the core does itself.
  // The settings object (app::Settings) and the main window's shown flag.
  std::uint8_t Program_Code() const override;
  std::string Port_Name() const override;
  void SetPort_Name(const std::string& Value) override;
  bool Search_Port() const override;
  std::int32_t Reply_Delay() const override;
  std::string CFG_Full_File_Name() const override;
  void SetCfgFileNames(const std::string& FileName, const std::string& FullFileName) override;
  bool MainWindowShown() const override;
  // The colour table (the neutral circle colour is white).
  std::string ColorText(ecu::TColorRole Role) const override;
  // The colour of a role of the live display, through ColorText (the alarm is red).
  std::string LiveColorText(TLiveColor Color) const;
  // A live sample: its view (IndicatorsViewOf) is published.
  void ShowLiveSample(bool ModeShown) override;
  // Shows a live sample's view. Here through the control steps (SetText, SetColor,
  // SetVisible) of the controls it names, in the order the display takes them; the windows
  // put it straight into the controls they bound.
  virtual void PublishIndicators(const TIndicatorsView& View);
  rtl::TTimer& Timer_GEN_Connect_Stabil() override { return *qualityTimer_; }
  // The status-line rotator, which shows on the control DynamicIND.
  void ShowStatusMessage(const std::string& Color, const std::string& Text) override;
  void AddStatusMessage(const std::string& Color, const std::string& Text) override;
  void RemoveStatusMessage(const std::string& Text) override;
  void StatusReceiveOn() override;
  void StatusReceiveOff() override;
  // The diagram model: the default curve and the history.
  void CalcDiagramPoints() override;
  void PushDiagramHistory() override;
  // The R.P.M. map model and its transfer.
  void SetDefaultMapRPM() override;
  void RefreshMapRPMCells() override;
  void LoadMapRPMTable() override;
  void SaveMapRPMTable() override;
  // The live cell and its trail (app::MarkMapRPMLiveCell); the page redraws.
  void MarkMapRPMLiveCell() override;
  void RequestMapRPMHeader() override;
  void ReadMapRPMHeader() override;
  void RequestMapRPMChunk() override;
  void StoreMapRPMChunk() override;
  void RebuildMapRPMGrid() override;
  void BeginMapRPMWrite() override;
  void NextMapRPMWriteChunk() override;
  void FillMapRPMWriteChunk() override;
  void UnpackMapRPMTable() override;
  void PackMapRPMTable() override;
  std::int32_t MapRPMBytesRead() const override;
  std::int32_t MapRPMTotalBytes() const override;
  std::int32_t MapRPMBytesWritten() const override;
  std::int32_t MapRPMWriteTotal() const override;
  // Transmit scheduling (app::ScheduleTransmit).
  void ScheduleTransmit(int Kind) override;
  // The windows' tables in turn (main window, settings, skin), then the colour descriptions,
  // then the message window's own (app::MessageEnglishText), then the core's own keys (the map
  // page's, the save/load window's).
  void EnglishText(std::string& Text) override;
  // The colour descriptions' table (app::ColorsEnglishText).
  virtual void ColorsEnglishText(std::string& Text);
  // A write task shows the wait window while it runs; at its end the transmission notice
  // goes, the wait window shrinks, and a completed task tells a running automatic
  // calibration that its data went out.
  void WriteTaskStarted(std::uint8_t Task) override;
  void WriteTaskEnded(std::uint8_t Task, bool Completed) override;

  // The automatic calibration (app/core/AutoCLB_Unit.h): start and stop by the state of
  // HudButton_ACB_Start, the reply hook, the indicator refresh and measurement after every
  // live-data decode, and the end of a write task while it runs (settling, and the reply
  // countdown set to the post-write count).
  void StartStopAutoCalibration() override;
  void AutoCalibrationReplyTick() override;
  void AutoCalibrationStep() override;
  virtual void AutoCalibrationWriteDone();

  // ---- What the core asks of the windows, besides ecu::THost's window steps.
  virtual void ShowWaitWindow() = 0;
  virtual void ShrinkWaitWindow() = 0;
  // The automatic calibration's page: the progress bar's maximum, and the indicator values
  // and full scale of app::ACB to be drawn. Nothing without a page.
  virtual void SetACBProgressMax(std::int32_t) {}
  virtual void ShowACBIndicators() {}
  // The action of a code 1..17 of the queue (a code the windows do not know runs nothing).
  virtual void RunAction(std::uint8_t Code) = 0;
  // The map's cell texts were rewritten: the page redraws its grid.
  virtual void RedrawMapRPM() = 0;
  // A history step was applied: the diagram's history panel closes.
  virtual void CloseDiagramHistoryPanel() = 0;
  // ---- The diagram page: what the diagram's rules (Calibr_Ctrl.h, Calibr_Map.h) ask of it.
  // Without a page nothing is shown.
  // The markers' colours, the point guides, the MAP shapes, the live markers and the
  // selected point's values as DiagramLook gives them.
  virtual void DrawDiagramState() {}
  // The read-out above the drawing (HudLabel_CLB_Position), in the language's code page.
  virtual void ShowDiagramPosition(const std::string&) {}
  // The history panel opens at Diagram.HistoryPanelX/Y.
  virtual void ShowDiagramHistoryPanel() {}
  // Diagram.MapPrompt was opened, closed or given another text.
  virtual void MapPromptChanged() {}
  // The MAP controls take MapPointControls() (called only while the link is up).
  virtual void EnableMapPointControls() {}
  // The configuration page's values into the configuration and a write of the page after the
  // transmission delay (app::TakeCFGPage). The core takes the page as the model shows
  // it; a window takes its page's controls.
  virtual void CFGPageToConfig();
  // The English texts the windows keep themselves: each sets Text (empty on entry) when its
  // table knows ecu::Texts.CurrentLngKey and leaves it empty otherwise.
  virtual void MainFormEnglishText(std::string& Text) = 0;
  virtual void SettingsEnglishText(std::string& Text) = 0;
  virtual void SkinEnglishText(std::string& Text) = 0;

private:
  std::unique_ptr<rtl::TTimer> qualityTimer_;
};

// Installs a core host as the ECU side's host and the core's (Model().CoreHost) on the model
// in force until the scope ends; the one installed before comes back then.
class TCoreHostScope {
public:
  explicit TCoreHostScope(TCoreHost& Host) : ecu_(ecu::Session().Hosts.Host, &Host), core_(Model().CoreHost, &Host) {}

private:
  ecu::THostScope<ecu::THost> ecu_;
  ecu::THostScope<TCoreHost> core_;
};

}  // namespace app
