// Two schedulers of the main window that every window leans on. The action queue defers work
// (layout, fonts, window fill, opening the port) to later ticks of the general timer, so that
// it runs once, in order, after the windows have settled. Transmit scheduling turns a burst of
// edits into one write: each edit re-arms the transmit timer, and only when the user has
// paused for the transmission delay is a write task requested from the ECU link.
//
// Also the application's side of the configuration: the default curve, the R.P.M. map and
// the transmit timer behind ecu::TConfigurationHost. Everything runs on the GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "ecu/Config_Unit.h"

namespace rtl {
class TTimer;
}

namespace app {

// Action codes.
enum : std::uint8_t {
  Action_RescaleLayout = 1,
  Action_LoadMainWindowLayout = 2,
  Action_Minimize = 3,
  Action_ToggleFullScreen = 4,
  Action_CopyFillToOpenWindows = 5,
  Action_ApplyFonts = 6,
  Action_OpenConfiguredPort = 7,
  Action_CloseMapPrompt = 11,
  Action_PlaceLogo = 16,
  Action_ShrinkLogo = 17,
};
constexpr int ActionQueueCapacity = 20;
constexpr int LastActionCode = 17;

// The queue: entry 0 is the head.
extern std::int32_t ActionCount;
extern std::array<std::uint8_t, ActionQueueCapacity> ActionCodes;
extern std::array<std::int32_t, ActionQueueCapacity> ActionDelays;
// The action of each code 1..17, installed by the window that owns it; a code without one
// runs nothing.
extern std::array<std::function<void()>, LastActionCode + 1> ActionHandlers;

extern std::uint8_t MainWindowShown;
// Kind of the change waiting to be sent: 1 whole configuration, 2 configuration page,
// 3 calibration diagram, 4 R.P.M. map.
extern std::uint8_t PendingTransmit;

// The main window's timers (made by CreateMainTimers, stopped and freed by FreeMainTimers).
extern std::unique_ptr<rtl::TTimer> Timer_GEN_General;   // 200 ms design interval
extern std::unique_ptr<rtl::TTimer> Timer_GEN_Transmit;  // interval from the settings
void CreateMainTimers();
void FreeMainTimers();

// Appends an action; a code already queued, or a 21st entry, is dropped.
void QueueAction(std::uint8_t Code, std::int32_t Delay);
// Tick of Timer_GEN_General: runs the head entry and arms the timer for the next.
void RunQueuedAction();
// Remembers a change of this kind and restarts the transmission delay (only while the link
// is up).
void ScheduleTransmit(std::uint8_t Kind);
// Tick of Timer_GEN_Transmit: the pending kind becomes task request 21..24.
void RequestPendingTransmit();
// After a configuration file was loaded: with the link up, the whole configuration is
// written at the end of the current poll cycle.
void RequestConfigWrite();
// Clears the queue and the pending kind (program start; tests).
void ClearSchedulers();

// The configuration's calls into the application. The window steps (caption, diagram
// objects, configuration page) do nothing here; the main window overrides them.
class TCoreConfigurationHost : public ecu::TConfigurationHost {
public:
  void CalcDiagramPoints() override;
  void SetDefaultMapRPM() override;
  void RefreshMapRPMCells() override;
  void LoadMapRPMTable() override;
  void SaveMapRPMTable() override;
  void UpdateMainCaption() override {}
  void BuildCalibrationDiagram() override {}
  void ConfigToCFGPage() override {}
  void ScheduleTransmit(int Kind) override;
};

}  // namespace app
