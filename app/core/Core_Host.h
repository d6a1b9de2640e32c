// The application core's side of the ECU link: everything the ECU side asks of the
// application that needs no window, done once here, from the settings, the colour table, the
// status line, the action queue, the transmit scheduling, and the diagram and R.P.M. map
// models, and what the link's state shows (app/core/Link_View.cpp: which control shows what
// for each phase, reply, quality, firmware family and error report the ECU side tells). The
// windows derive their one adapter from it and add what needs a window (the controls' steps,
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
#include <vector>

#include "app/core/Controls.h"
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
  // "#AARRGGBB" of a role of the colour table (the neutral circle colour is white).
  virtual std::string ColorText(ecu::TColorRole Role) const;
  // The colour of a role of the live display, through ColorText (the alarm is red).
  std::string LiveColorText(TLiveColor Color) const;
  // A live sample: its view (IndicatorsViewOf) is published.
  void ShowLiveSample(bool ModeShown) override;
  // Shows a live sample's view. Here through the control steps (SetText, SetColor,
  // SetVisible) of the controls it names, in the order the display takes them; the windows
  // put it straight into the controls they bound.
  virtual void PublishIndicators(const TIndicatorsView& View);
  rtl::TTimer& Timer_GEN_Connect_Stabil() override { return *qualityTimer_; }
  // The status-line rotator, which shows on the control DynamicIND in the tone's colour.
  void ShowStatusMessage(ecu::TColorRole Tone, const std::string& Text) override;
  void AddStatusMessage(ecu::TColorRole Tone, const std::string& Text) override;
  // While the main window's close waits for the ECU the wait window stays as its sign.
  void EcuDataSaved() override;
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
  bool MapRPMKeysPresent() override;
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
  // A parameter came without its value: the configuration page is written after the
  // transmission delay (app::ScheduleDefaultsWrite), its default with it.
  void ParameterDefaulted() override;
  // The windows' tables in turn (main window, settings, skin), then the colour descriptions,
  // then the message window's own (app::MessageEnglishText), then the core's own keys (the map
  // page's, the save/load window's).
  void EnglishText(std::string& Text) override;
  // The colour descriptions' table (app::ColorsEnglishText).
  virtual void ColorsEnglishText(std::string& Text);
  // A write task shows the wait window while it runs; at its end the transmission notice
  // goes, the wait window shrinks while another write waits for its turn and closes after the
  // last, and a completed task tells a running automatic calibration that its data went out.
  // A write cut off, or one dropped before its turn, is reported as not written
  // (app::ReportNotWritten). While the main window's close waits for the ECU
  // (Actions.WritesAtClose) the wait window stays as its sign, neither shrunk nor closed.
  void WriteTaskStarted(std::uint8_t Task) override;
  void WriteTaskEnded(std::uint8_t Task, bool Completed) override;
  // A write dropped before its turn: without a write under way the wait window goes; the
  // installer is told that the change was not written.
  void WriteNotSent(std::uint8_t Task, bool LinkDown) override;
  // An erasure cut off by the link's loss is reported as not written; a close waiting for the
  // writes goes on once none waits or runs.
  void EraseTaskEnded(std::uint8_t Task, bool Completed) override;

  // The automatic calibration (app/core/AutoCLB_Unit.h): start and stop by the state of
  // HudButton_ACB_Start, the reply hook, the indicator refresh and measurement after every
  // live-data decode, and the end of a write task while it runs (settling, and the reply
  // countdown set to the post-write count).
  void StartStopAutoCalibration() override;
  void AutoCalibrationReplyTick() override;
  void AutoCalibrationStep() override;
  virtual void AutoCalibrationWriteDone();

  // ---- The link's state as the main window shows it (app/core/Link_View.cpp).
  // Reset: the search button shown, the status line hidden, the link's buttons disabled, and
  // a pressed automatic calibration prompts for the connection. Searching: the search button
  // and the status line hidden. SearchStopped: the search button shown, the status line
  // hidden. Opened: the port's name in the port-open colour, the search
  // button shown unless a search runs, the status line hidden. Up: the status line instead of
  // the search button, the settings window's port name, the link's buttons enabled, a pressed
  // automatic calibration released and stopped. PortClosed: the search button shown, the
  // status line hidden, the port's name in the port-closed colour.
  void LinkPhaseChanged(ecu::TLinkPhase Phase) override;
  // The request indicator (Connect_Condition) while a reply is awaited.
  void ReplyPending(bool Pending) override;
  // The quality label: "<percent>%" in QualityColor's colour.
  void ConnectQualityChanged(std::int32_t Percent) override;
  // The error list starts afresh; the map buttons are enabled for the wide family only; the
  // indicator panels take the family's heights and places (the narrow family's four are
  // twice as tall, the others hidden), and the indicator fonts are applied.
  void FirmwareFamilyKnown() override;
  // The error list holds the texts.
  void ErrorsReported(const std::vector<std::string>& Texts) override;
  // A pressed automatic calibration is released and stopped.
  void EngineStopped() override;
  // "#AARRGGBB" of the quality label for a percentage: the port-closed colour to 30, shades
  // from orange to yellow-green to 90, the port-open colour above.
  std::string QualityColor(std::int32_t Percent) const;

  // ---- What the core asks of the windows, besides ecu::THost's window steps.
  // The controls (app/core/Controls.h): the text colour of a label, the fill colour of a
  // circle ("#AARRGGBB"), a progress bar's value, a button's pressed state.
  virtual void SetVisible(TControl Control, bool Value) = 0;
  virtual void SetEnabled(TControl Control, bool Value) = 0;
  virtual void SetText(TControl Control, const std::string& Text) = 0;
  virtual void SetColor(TControl Control, const std::string& Color) = 0;
  virtual void SetTop(TControl Control, float Value) = 0;
  virtual void SetHeight(TControl Control, float Value) = 0;
  virtual void SetValue(TControl Control, std::int32_t Value) = 0;
  virtual bool IsPressed(TControl Control) const = 0;
  virtual void SetPressed(TControl Control, bool Value) = 0;
  // Puts the settings' indicator font sizes into their track bars and applies them.
  virtual void ApplyIndicatorFontSizes() = 0;
  // HudMemo_CFG_Errors.
  virtual void ClearErrorMemo() = 0;
  virtual void AddErrorMemoLine(const std::string& Text) = 0;
  virtual void ShowWaitWindow() = 0;
  virtual void ShrinkWaitWindow() = 0;
  // The close waits for the ECU: the wait window shows, and the status line says why.
  void ShowCloseWait();
  // The automatic calibration's page: the progress bar's maximum, and the indicator values
  // and full scale of app::ACB to be drawn. Nothing without a page.
  virtual void SetACBProgressMax(std::int32_t) {}
  virtual void ShowACBIndicators() {}
  // A run has ended (its script's last command): a close that waits for a run's stop goes on.
  virtual void AutoCalibrationEnded() {}
  // The main window's close waits for the writes of changes (SendWritesAtClose), and none
  // waits or runs any more (written, cut off or dropped): the close goes on. Called from
  // inside the link's handling; the close goes on from the loop.
  virtual void WritesAtCloseEnded() {}
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
  // While the close waits for the writes of changes: tells it when none waits any more.
  void NoteWritesAtClose();
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
