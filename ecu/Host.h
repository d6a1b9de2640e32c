// What the ECU side asks of the application around it, and what it tells it: the settings it
// reads, the link's state and events (its phase, a reply awaited, the connection quality, the
// firmware family, the errors reported), the status line, the message, wait and port windows,
// the calibration diagram, the R.P.M. map and its transfer, the automatic calibration, and
// the windows' English texts. The ECU side names no control and picks no colour: the
// application core (app::TCoreHost) decides what each state shows; the windows, the headless
// runner and the tests add what needs a window on top of it.
//
// One host is installed on the session at a time, for a scope (THostScope): the link, the
// scripts and the decoders reach it through Session().Hosts.Host. The port window installs the
// port the link writes to (TLinkPort), and a monitor may watch the wire. Everything here runs
// on the GUI thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rtl {
class TTimer;
}

namespace ecu {

// Roles of the colour table: the tone of a status message, and the ones the application's
// display uses besides (the neutral circle colour).
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

// The link's phases, as the link layer and the port search go through them.
enum class TLinkPhase : std::uint8_t {
  Reset,          // the dialogue starts again with no link (a time-out, a port opened or closed)
  Searching,      // a step of the port search lists the ports
  SearchStopped,  // the search's window closed before the ECU answered
  Opened,         // a port has opened; the handshake begins
  Up,             // the ECU answered the handshake
  PortClosed,     // the port has gone, failed or did not open
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

  // ---- The link's state. Each is said when it happens; the application shows it.
  virtual void LinkPhaseChanged(TLinkPhase Phase) = 0;
  // A request has been written and awaits its reply (true); its good reply came (false).
  virtual void ReplyPending(bool Pending) = 0;
  // The connection quality to show, 0..100 percent.
  virtual void ConnectQualityChanged(std::int32_t Percent) = 0;
  // The firmware's family is known (LiveData.VersionFamily and IndicatorScale): the errors
  // listed so far no longer hold, and the live data's display takes the family's layout.
  virtual void FirmwareFamilyKnown() = 0;
  // The ECU's errors changed: the texts that now describe them, one a line, in the language.
  virtual void ErrorsReported(const std::vector<std::string>& Texts) = 0;
  // The live data says the engine has stopped.
  virtual void EngineStopped() = 0;
  // A parameter reply carried no value: the default stands in for it and is to go back to
  // the ECU with the configuration page. Said only when that write would carry the default
  // (not "no value" again, as a percentage of a reference that is 0 goes out).
  virtual void ParameterDefaulted() = 0;
  // A live sample has been decoded (Session().LiveData): the application shows it. ModeShown
  // false: the level blink owns the circles, and the work mode, the circles and the level's
  // visibility stay as they are.
  virtual void ShowLiveSample(bool ModeShown) = 0;

  // ---- The live display and the pages that show the model.
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
  // Closes the wait window (the ECU has saved its data; nothing is written any more).
  virtual void CloseWaitWindow() = 0;
  // The ECU reports its data saved: the wait window closes, unless the application holds it
  // as the sign of a wait of its own.
  virtual void EcuDataSaved() { CloseWaitWindow(); }
  // The port window's visible side; Form_3D_Port holds what it shows. ShowPortWindow: the
  // search begins (the window takes the main window's fill and queues its font action, 6 with
  // 100 ms). PortWindowChanged: the search has changed the window's texts, progress or layout.
  // ClosePortWindow: the search has ended.
  virtual void ShowPortWindow() = 0;
  virtual void PortWindowChanged() = 0;
  virtual void ClosePortWindow() = 0;

  // ---- The status line: ShowStatusMessage shows the text at once and restarts the
  // rotation; the others keep the list of messages in force. The role is the message's tone.
  virtual void ShowStatusMessage(TColorRole Tone, const std::string& Text) = 0;
  virtual void AddStatusMessage(TColorRole Tone, const std::string& Text) = 0;
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
  // Whether the key-file store open at that moment holds any key that LoadMapRPMTable reads.
  virtual bool MapRPMKeysPresent() = 0;
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
  // A write task (20..24) has started; it ends Completed at its last step, or cut off when the
  // link goes down or the dialogue starts again.
  virtual void WriteTaskStarted(std::uint8_t Task) = 0;
  virtual void WriteTaskEnded(std::uint8_t Task, bool Completed) = 0;
  // A task carrying a change (a write task 20..24, an erasure 25..28) asked for was dropped
  // before its turn: the link went down (LinkDown; it is not sent to whatever answers next), or
  // another task that does not carry it took its place.
  virtual void WriteNotSent(std::uint8_t Task, bool LinkDown) = 0;
  // An erasure (25..28) that was taken has ended: Completed once the ECU has answered its
  // request (the poll script follows it), cut off when the link went down before.
  virtual void EraseTaskEnded(std::uint8_t Task, bool Completed) = 0;
};

// The port the link writes to, and the port window's steps the link takes. The port window
// owns the serial port component and the link's timers and installs itself as the link's
// port while it exists.
class TLinkPort {
public:
  virtual ~TLinkPort() = default;
  virtual bool Connected() const = 0;
  // The port's failure flag: set by a failed call on the port, tested after each of the
  // link's calls and cleared once the failure is handled.
  virtual bool PortFailed() const = 0;
  virtual void ClearPortFailed() = 0;
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

// The installed objects, members of the session (Session().Hosts). Without a host, the
// decoders and the configuration show and ask nothing; the link needs one (Host()).
struct THosts {
  THost* Host = nullptr;
  TLinkPort* Port = nullptr;
  TLinkMonitor* Monitor = nullptr;
};

// The installed host of the session in force; raises rtl::Exception when none is installed.
THost& Host();
// The installed port; raises rtl::Exception when there is no port window.
TLinkPort& Port();

class TSession;

// Installs an object into a slot (a field of the session's Hosts, or another installed
// pointer) until the scope ends. The session in force when the scope begins keeps it: scopes
// of one slot may end in any order, and the slot then holds the newest installation still in
// force, or nothing. A scope that outlives its session touches nothing. Not copyable; GUI
// thread only.
class THostScopeBase {
public:
  THostScopeBase(const THostScopeBase&) = delete;
  THostScopeBase& operator=(const THostScopeBase&) = delete;

protected:
  THostScopeBase(const void* Slot, void* Value);
  ~THostScopeBase();
  // Leaves the session's scopes. False when the session is gone; otherwise Value is the
  // newest installation still in force on the same slot, or nil.
  bool Leave(void*& Value);

private:
  friend class TSession;
  TSession* session_;
  const void* slot_;
  void* value_;
};

template <typename T>
class THostScope : private THostScopeBase {
public:
  THostScope(T*& Slot, T* Value) : THostScopeBase(&Slot, Value), slot_(&Slot) { Slot = Value; }
  ~THostScope() {
    void* current = nullptr;
    if (Leave(current)) *slot_ = static_cast<T*>(current);
  }

private:
  T** slot_;
};

}  // namespace ecu
