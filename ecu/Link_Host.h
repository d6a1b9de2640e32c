// What the ECU link asks of the application around it: the settings it reads, the controls
// of the main and settings windows that show the link's state, the colour table, the
// message and wait windows, the status line, the automatic calibration and the R.P.M.-map
// transfer. The application installs one implementation of each interface; tests and the
// headless runner install recording ones. Everything here runs on the GUI thread.
#pragma once

#include <cstdint>
#include <string>

namespace rtl {
class TTimer;
}

namespace ecu {

// Controls of the main window (and the settings window's port-name box) that the link sets.
enum class TLinkControl : std::uint8_t {
  Connect_Condition,    // HudButton_3D_GEN_Connect_Condition: a written request awaits its reply
  Port_Connect_Stabil,  // HudLabel_Port_Connect_Stabil: connection quality
  Port_Name,            // HudLabel_Port_Name
  Port_Search,          // HudButton_Port_Search
  DynamicIND,           // HudLabel_DynamicIND: the status line
  ACB_Start,            // HudButton_ACB_Start
  CLB_MAP_Start,        // HudButton_CLB_MAP_Start
  CLB_MAP_Stop,         // HudButton_CLB_MAP_Stop
  ACB_Progress,         // ProgressBar_3D_ACB
  ACB_Prompt,           // HudLabel_3D_ACB_Prompt
  SET_Port_Name,        // HudTextBox_3D_SET_Port_Name of the settings window
};
constexpr int LinkControlCount = 11;
const char* LinkControlName(TLinkControl Control);

// Roles of the colour table that the link uses.
enum class TColorRole : std::uint8_t { Port_Open, Port_Close, Txt_Error, Txt_Information };

class TLinkHost {
public:
  virtual ~TLinkHost() = default;

  // Settings_Class fields.
  virtual std::uint8_t Program_Code() const = 0;  // the ECU address
  virtual std::string Port_Name() const = 0;
  virtual void SetPort_Name(const std::string& Value) = 0;
  virtual bool Search_Port() const = 0;
  virtual std::int32_t Reply_Delay() const = 0;   // milliseconds

  // Controls.
  virtual void SetVisible(TLinkControl Control, bool Value) = 0;
  virtual void SetEnabled(TLinkControl Control, bool Value) = 0;
  virtual void SetText(TLinkControl Control, const std::string& Text) = 0;
  virtual void SetTextColor(TLinkControl Control, const std::string& Color) = 0;
  virtual void SetValue(TLinkControl Control, std::int32_t Value) = 0;  // progress bars
  virtual bool IsPressed(TLinkControl Control) const = 0;               // buttons
  virtual void SetPressed(TLinkControl Control, bool Value) = 0;

  // "#AARRGGBB" of a role of the colour table.
  virtual std::string ColorText(TColorRole Role) const = 0;

  // Timer_GEN_Connect_Stabil of the main window; its handler calls UpdateConnectQuality.
  virtual rtl::TTimer& Timer_GEN_Connect_Stabil() = 0;

  // The port window's visible side; Form_3D_Port holds what it shows. ShowPortWindow: the
  // search begins (the application copies the main window's fill to the window and queues
  // its font action, 6 with 100 ms). PortWindowChanged: the search has changed the window's
  // texts, progress or layout. ClosePortWindow: the search has ended.
  virtual void ShowPortWindow() = 0;
  virtual void PortWindowChanged() = 0;
  virtual void ClosePortWindow() = 0;

  // The automatic calibration.
  virtual void StartStopAutoCalibration() = 0;
  virtual void AutoCalibrationReplyTick() = 0;
};

// What the dialogue scripts ask of the windows.
class TScriptHost {
public:
  virtual ~TScriptHost() = default;
  virtual void ShowMessageWindow(std::uint8_t Kind, const std::string& Text) = 0;
  virtual void ShowWaitWindow() = 0;
  virtual void ShrinkWaitWindow() = 0;
  virtual void AddStatusMessage(const std::string& Color, const std::string& Text) = 0;
  virtual void RemoveStatusMessage(const std::string& Text) = 0;
  virtual void StatusReceiveOn() = 0;   // script instruction 24
  virtual void StatusReceiveOff() = 0;  // script instruction 25
  // The end of a write task while the automatic calibration runs: ACBWriteDone := 1 and
  // ACBReplyCountdown := its preset.
  virtual void AutoCalibrationWriteDone() = 0;
};

// The R.P.M.-map transfer of the map page (script instructions 56..63, conditions 200, 201).
// The request steps build their frame in TxFrame and finish it with Frame_Finish.
class TMapRPMHost {
public:
  virtual ~TMapRPMHost() = default;
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
};

// Watches the wire for the headless runner and for diagnostics; optional.
class TLinkMonitor {
public:
  virtual ~TLinkMonitor() = default;
  // A request has been written (Length bytes of LastFrame).
  virtual void FrameWritten(const std::uint8_t* Frame, int Length) = 0;
  // A reply of Count bytes was checked; Accepted when it passed and the script has run on.
  virtual void ReplyChecked(const std::uint8_t* Frame, int Count, bool Accepted) = 0;
};

// The installed implementations; the application (or a test) sets them before the link
// starts. LinkHost, ScriptHost and MapRPMHost are required; LinkMonitor may stay nil.
extern TLinkHost* LinkHost;
extern TScriptHost* ScriptHost;
extern TMapRPMHost* MapRPMHost;
extern TLinkMonitor* LinkMonitor;

}  // namespace ecu
