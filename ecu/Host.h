// What the ECU side asks of the application around it: the settings it reads, the controls of
// the main and settings windows that show the link's state and the live data, the colour
// table, the message, wait and port windows, the status line, the calibration diagram, the
// R.P.M. map and its transfer, the automatic calibration, the windows' English texts, and the
// link's events. The application core implements what needs no window once
// (app::TCoreHost); the windows, the headless runner and the tests add the rest on top of it.
//
// One host is installed at a time, for a scope (THostScope): the link, the scripts and the
// decoders reach it through Hosts.Host. The port window installs the port the link writes to
// (TLinkPort), and a monitor may watch the wire. Everything here runs on the GUI thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace rtl {
class TTimer;
}

namespace ecu {

// Controls of the main window (and the settings window's port-name box) that the ECU side
// sets, in the order of their names (ControlId, ControlName).
enum class TControl : std::uint8_t {
  // The link's.
  Connect_Condition,    // a written request awaits its reply
  Port_Connect_Stabil,  // connection quality
  Port_Name,
  Port_Search,
  DynamicIND,  // the status line
  ACB_Start,
  CLB_MAP_Start,
  CLB_MAP_Stop,
  ACB_Progress,
  ACB_Prompt,
  SET_Port_Name,  // of the settings window
  // The live data's and the firmware family's.
  IND_Petrol,
  IND_Gas,
  IND_RPM,
  IND_TempVap,
  IND_TempGas,
  IND_PressVap,
  IND_PressColl,
  IND_PressDiff,
  IND_Petrol_Name,
  IND_Gas_Name,
  IND_RPM_Name,
  IND_TempVap_Name,
  IND_Petrol_Data,
  IND_Gas_Data,
  IND_RPM_Data,
  IND_TempVap_Data,
  IND_TempGas_Data,
  IND_PressVap_Data,
  IND_PressColl_Data,
  IND_PressDiff_Data,
  Work_Mode,
  CFG_LevelGas,
  CFG_LevelGas_Current,
  Circle_LevelGas_0,  // Circle_LevelGas_0 .. Circle_LevelGas_6 follow in order
  Circle_LevelGas_1,
  Circle_LevelGas_2,
  Circle_LevelGas_3,
  Circle_LevelGas_4,
  Circle_LevelGas_5,
  Circle_LevelGas_6,
};
constexpr int ControlCount = 41;
// The enumerator's name ("Port_Connect_Stabil"), and the name of the window's component
// ("HudLabel_Port_Connect_Stabil"); "" for a value outside the enumeration.
const char* ControlId(TControl Control);
const char* ControlName(TControl Control);
constexpr TControl LevelCircle(int Index) {
  return static_cast<TControl>(static_cast<int>(TControl::Circle_LevelGas_0) + Index);
}

// Roles of the colour table that the ECU side uses, and the neutral circle colour.
enum class TColorRole : std::uint8_t {
  Petrol,
  Automat,
  Gas,
  Port_Open,
  Port_Close,
  Txt_Complete,
  Txt_Error,
  Txt_Information,
  Neutral
};

class THost {
public:
  virtual ~THost() = default;

  // ---- Settings (Settings_Class fields and the main window's state).
  virtual std::uint8_t Program_Code() const = 0;  // the ECU address
  virtual std::string Port_Name() const = 0;
  virtual void SetPort_Name(const std::string& Value) = 0;
  virtual bool Search_Port() const = 0;
  virtual std::int32_t Reply_Delay() const = 0;  // milliseconds
  virtual std::string CFG_Full_File_Name() const = 0;
  virtual void SetCfgFileNames(const std::string& FileName, const std::string& FullFileName) = 0;
  virtual bool MainWindowShown() const = 0;

  // ---- Colours: "#AARRGGBB" of a role of the colour table.
  virtual std::string ColorText(TColorRole Role) const = 0;

  // ---- Controls.
  virtual void SetVisible(TControl Control, bool Value) = 0;
  virtual void SetEnabled(TControl Control, bool Value) = 0;
  virtual void SetText(TControl Control, const std::string& Text) = 0;
  // The text colour of a label, the fill colour of a circle ("#AARRGGBB").
  virtual void SetColor(TControl Control, const std::string& Color) = 0;
  virtual void SetTop(TControl Control, float Value) = 0;
  virtual void SetHeight(TControl Control, float Value) = 0;
  virtual void SetValue(TControl Control, std::int32_t Value) = 0;  // progress bars
  virtual bool IsPressed(TControl Control) const = 0;               // buttons
  virtual void SetPressed(TControl Control, bool Value) = 0;
  // Puts the settings' indicator font sizes into their track bars and applies them
  // (SetIndicatorNameFontSize, SetIndicatorDataFontSize).
  virtual void ApplyIndicatorFontSizes() = 0;
  // HudMemo_CFG_Errors.
  virtual void ClearErrorMemo() = 0;
  virtual void AddErrorMemoLine(const std::string& Text) = 0;
  // Timer_LevelGas; switching it on also sets the blink flag.
  virtual bool LevelGasTimerEnabled() const = 0;
  virtual void SetLevelGasTimer(bool On) = 0;
  virtual void UpdateLevelSensorImage() = 0;
  // Shows the model on the configuration page, and the customer texts on the customer page.
  virtual void ConfigToCFGPage() = 0;
  virtual void ConfigToUserPage() = 0;
  virtual void UpdateMainCaption() = 0;

  // Timer_GEN_Connect_Stabil of the main window; its handler calls UpdateConnectQuality.
  virtual rtl::TTimer& Timer_GEN_Connect_Stabil() = 0;

  // ---- Windows.
  virtual void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) = 0;
  // Closes the wait window (the ECU has saved its data).
  virtual void CloseWaitWindow() = 0;
  // The port window's visible side; Form_3D_Port holds what it shows. ShowPortWindow: the
  // search begins (the window takes the main window's fill and queues its font action, 6 with
  // 100 ms). PortWindowChanged: the search has changed the window's texts, progress or layout.
  // ClosePortWindow: the search has ended.
  virtual void ShowPortWindow() = 0;
  virtual void PortWindowChanged() = 0;
  virtual void ClosePortWindow() = 0;

  // ---- The status line: ShowStatusMessage shows the text at once and restarts the
  // rotation; the others keep the list of messages in force.
  virtual void ShowStatusMessage(const std::string& Color, const std::string& Text) = 0;
  virtual void AddStatusMessage(const std::string& Color, const std::string& Text) = 0;
  virtual void RemoveStatusMessage(const std::string& Text) = 0;
  virtual void StatusReceiveOn() = 0;   // script instruction 24
  virtual void StatusReceiveOff() = 0;  // script instruction 25

  // ---- The calibration diagram.
  virtual void CalcDiagramPoints() = 0;  // the default calibration curve
  virtual void BuildCalibrationDiagram() = 0;
  virtual void RedrawCalibrationDiagram() = 0;
  virtual void PushDiagramHistory() = 0;

  // ---- The R.P.M. map.
  virtual void SetDefaultMapRPM() = 0;
  virtual void RefreshMapRPMCells() = 0;
  virtual void LoadMapRPMTable() = 0;  // from the key-file store open at that moment
  virtual void SaveMapRPMTable() = 0;  // into the key-file store open at that moment
  virtual void MarkMapRPMLiveCell() = 0;
  // The transfer (script instructions 56..63, conditions 200, 201). The request steps build
  // their frame in Link.TxFrame and finish it with Frame_Finish.
  virtual void RequestMapRPMHeader() = 0;   // 56
  virtual void ReadMapRPMHeader() = 0;      // 57
  virtual void RequestMapRPMChunk() = 0;    // 58
  virtual void StoreMapRPMChunk() = 0;      // 59
  virtual void RebuildMapRPMGrid() = 0;     // 60
  virtual void BeginMapRPMWrite() = 0;      // 61
  virtual void NextMapRPMWriteChunk() = 0;  // 62
  virtual void FillMapRPMWriteChunk() = 0;  // 63
  virtual void UnpackMapRPMTable() = 0;     // condition 200 holds
  virtual void PackMapRPMTable() = 0;       // before the R.P.M.-map write task
  virtual std::int32_t MapRPMBytesRead() const = 0;
  virtual std::int32_t MapRPMTotalBytes() const = 0;
  virtual std::int32_t MapRPMBytesWritten() const = 0;
  virtual std::int32_t MapRPMWriteTotal() const = 0;

  // ---- Writes: a change of this kind is to be sent after the transmission delay
  // (2: the configuration page).
  virtual void ScheduleTransmit(int Kind) = 0;

  // ---- The automatic calibration.
  virtual void StartStopAutoCalibration() = 0;
  virtual void AutoCalibrationReplyTick() = 0;  // after every good reply while it runs
  virtual void AutoCalibrationStep() = 0;       // after every live-data decode

  // ---- Texts: the built-in English text of Texts.CurrentLngKey that the windows and the
  // colour table keep; Text is empty on entry and stays so when none of them knows the key.
  virtual void EnglishText(std::string& Text) = 0;

  // ---- The link's events, each once when it happens.
  // The ECU answered the handshake; the link is up.
  virtual void LinkEstablished() = 0;
  // The link that was up went down (time-out, port closed or failed, port reopened).
  virtual void LinkLost() = 0;
  // A live-data reply has been decoded and shown (and the main window's start-up call).
  virtual void LiveDataReceived() = 0;
  // A write task (20..24) has started; it ends Completed at its last step, or cut off by a
  // restart of the dialogue.
  virtual void WriteTaskStarted(std::uint8_t Task) = 0;
  virtual void WriteTaskEnded(std::uint8_t Task, bool Completed) = 0;
};

// The port the link writes to, and the port window's steps the link takes. The port window
// owns the serial port component and the link's timers and installs itself as the link's
// port while it exists.
class TLinkPort {
public:
  virtual ~TLinkPort() = default;
  virtual bool Connected() const = 0;
  // Writes a request of Count bytes whose reply is ReplyLength bytes long (0: not known), so
  // that the port hands the reply over whole once it is in.
  virtual void Write(const std::uint8_t* Data, int Count, int ReplyLength) = 0;
  // The port's read interval time-out (milliseconds).
  virtual std::int32_t ReadInterval() const = 0;
  // The send and resend timer (Timer_Sending) and the step time-out (Timer_Connect).
  virtual rtl::TTimer& SendTimer() = 0;
  virtual rtl::TTimer& StepTimer() = 0;
  // Opens the configured port (true when it is then open), one step of the search, the next
  // entry of the search, and the port-error path.
  virtual bool OpenConfigured() = 0;
  virtual void SearchStep() = 0;
  virtual void SearchNext() = 0;
  virtual void Failed() = 0;
  // The port-closed path (the port has gone, or did not open).
  virtual void Closed() = 0;
  // The ECU has answered: the search ends and its window closes.
  virtual void SearchFound() = 0;
};

// Watches the wire for the headless runner and for diagnostics; optional.
class TLinkMonitor {
public:
  virtual ~TLinkMonitor() = default;
  // A request has been written (Length bytes of Link.LastFrame).
  virtual void FrameWritten(const std::uint8_t* Frame, int Length) = 0;
  // A reply of Count bytes was checked; Accepted when it passed and the script has run on.
  virtual void ReplyChecked(const std::uint8_t* Frame, int Count, bool Accepted) = 0;
};

// The installed objects. Without a host, the decoders and the configuration show and ask
// nothing; the link needs one (Host()).
struct THosts {
  THost* Host = nullptr;
  TLinkPort* Port = nullptr;
  TLinkMonitor* Monitor = nullptr;
};
extern THosts Hosts;

// The installed host; raises rtl::Exception when none is installed.
THost& Host();
// The installed port; raises rtl::Exception when there is no port window.
TLinkPort& Port();

// Installs an object into a slot (a field of Hosts, or another installed pointer) until the
// scope ends. Scopes of one slot may end in any order: the slot then holds the newest
// installation still in force, or nothing. Not copyable; GUI thread only.
template <typename T>
class THostScope {
public:
  THostScope(T*& Slot, T* Value) : slot_(&Slot), value_(Value) {
    Live().push_back(this);
    *slot_ = value_;
  }
  ~THostScope() {
    std::vector<THostScope*>& live = Live();
    live.erase(std::find(live.begin(), live.end(), this));
    T* current = nullptr;
    for (const THostScope* scope : live)
      if (scope->slot_ == slot_) current = scope->value_;
    *slot_ = current;
  }
  THostScope(const THostScope&) = delete;
  THostScope& operator=(const THostScope&) = delete;

private:
  static std::vector<THostScope*>& Live() {
    static std::vector<THostScope*> live;
    return live;
  }
  T** slot_;
  T* value_;
};

}  // namespace ecu
