// Two schedulers of the main window that every window leans on. The action queue defers work
// (layout, fonts, window fill, opening the port) to later ticks of the general timer, so that
// it runs once, in order, after the windows have settled. Transmit scheduling turns a burst of
// edits into one write: each edit re-arms the transmit timer, and only when the user has
// paused for the transmission delay is a write task requested from the ECU link. The action
// of each code is run by the installed core host (TCoreHost::RunAction). Everything runs on
// the GUI thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "ecu/Tasks.h"

namespace rtl {
class TTimer;
}
namespace ecu {
struct TCFGPageValues;
}

namespace app {

// The windows ask the link for a dialogue task by its name: RequestTask(TTask::ClearErrors).
using ecu::RequestTask;
using ecu::TTask;

// Action codes.
enum : std::uint8_t {
  Action_RescaleLayout = 1,
  Action_LoadMainWindowLayout = 2,
  Action_Minimize = 3,
  Action_ToggleFullScreen = 4,
  Action_CopyFillToOpenWindows = 5,
  Action_ApplyFonts = 6,
  Action_OpenConfiguredPort = 7,
  Action_HistoryPanelFonts = 8,
  Action_MapPromptFonts = 9,
  Action_DiagramFonts = 10,
  Action_CloseMapPrompt = 11,
  Action_PlaceLogo = 16,
  Action_ShrinkLogo = 17,
};
constexpr int ActionQueueCapacity = 20;
constexpr int LastActionCode = 17;

// The main window's schedulers: the action queue, the change waiting to be sent, and their
// timers. GUI thread only.
struct TActionState {
  // The queue: entry 0 is the head.
  std::int32_t ActionCount = 0;
  std::array<std::uint8_t, ActionQueueCapacity> ActionCodes{};
  std::array<std::int32_t, ActionQueueCapacity> ActionDelays{};
  std::uint8_t MainWindowShown = 0;
  // Kind of the change scheduled last: 1 whole configuration, 2 configuration page,
  // 3 calibration diagram, 4 R.P.M. map.
  std::uint8_t PendingTransmit = 0;
  // Every kind waiting to be sent (bit k for kind k): a page edit followed within the delay
  // by a diagram or map edit is not lost; both go out with the one write that covers them.
  std::uint8_t PendingKinds = 0;
  // The read of the ECU (ecu Link.ReadCount) that was the last one begun when the changes
  // waiting were scheduled: a read begun since has put the ECU's values in their place.
  std::uint32_t PendingRead = 0;
  // A change that did not reach the ECU has been reported since the link was last up.
  bool NotWrittenReported = false;
  // The read of the ECU (its ReadCount, 0 for none) during which a change was last refused:
  // told once for each read.
  std::uint32_t ReadingReportedRead = 0;
  // The main window closes and waits for the writes of changes (SendWritesAtClose): what does
  // not reach the ECU from then on is kept for the close's report, not shown on its own.
  bool WritesAtClose = false;
  std::string CloseNotWritten;
  // A customer detail has been taken from its box into the configuration: every ending puts
  // what the configuration holds of them into the current configuration file, the ECU
  // answering or not (SaveCustomerAtClose).
  bool CustomerTaken = false;
  // The main window's timers (made by CreateMainTimers, stopped and freed by FreeMainTimers).
  std::unique_ptr<rtl::TTimer> Timer_GEN_General;   // 200 ms design interval
  std::unique_ptr<rtl::TTimer> Timer_GEN_Transmit;  // interval from the settings

  TActionState();
  ~TActionState();
  TActionState(const TActionState&) = delete;
  TActionState& operator=(const TActionState&) = delete;
  // Everything back to its state at program start (the timers freed).
  void Reset();
};

void CreateMainTimers();
void FreeMainTimers();

// Appends an action; a code already queued, or a 21st entry, is dropped.
void QueueAction(std::uint8_t Code, std::int32_t Delay);
// Tick of Actions.Timer_GEN_General: runs the head entry and arms the timer for the next.
void RunQueuedAction();
// Why a change did not reach the ECU.
enum class TNotWritten {
  LinkDown,    // it waited for the delay or its turn, or its write was cut off, when the link went
  Replaced,    // another task took its write's place before the write began
  Reading,     // the ECU was being read again, which puts its own values in the change's place
  NoLink,      // it was made by a command while no ECU answers (New, a load, the MAP correction)
  EditNoLink,  // an edit made while no ECU answers (told once for each loss of the link)
  Closed,      // its write had not ended when the program closed the port
};

// The link is up and the ECU is being read again (the connect script runs): a write asked for
// now would carry what the read puts into the configuration, not the change.
bool EcuBeingRead();
// The configuration holds only part of a read of the ECU: the read runs, or the link went down
// during it (ecu Link.ReadUnfinished). A file written from it now would mix the read's values
// with those from before the read.
bool ConfigurationPartlyRead();
// Remembers a change of this kind and restarts the transmission delay (only while the link
// is up; with the link down the changes waiting are dropped, and reported as not written, and
// so is the change itself, which the next read replaces: once for each loss of the link).
// While the ECU is being read the change is refused and reported (TNotWritten::Reading).
void ScheduleTransmit(std::uint8_t Kind);
// The read found a parameter without its value: the configuration page, which carries its
// default, is written after the delay (the read does not refuse its own write).
void ScheduleDefaultsWrite();
// Tick of Actions.Timer_GEN_Transmit: one kind waiting becomes its task request 21..24;
// several kinds (or the whole configuration among them) become 21, which writes all of
// them (the R.P.M. map packed from its page first). The kinds waiting are then cleared; with
// the link down, or when a read of the ECU begun since they were made has replaced them, they
// are dropped and reported as not written.
void RequestPendingTransmit();
// The link has gone down (or a read replaced them): the changes waiting for the transmission
// delay go (their write would go to whatever answers next, which may be another ECU), and are
// reported as not written.
void DropPendingTransmit(TNotWritten Why = TNotWritten::LinkDown);
// The changes waiting were made before the read of the ECU that runs now or has run since:
// they are dropped and reported (TNotWritten::Reading). Nothing when none waits.
void DropPendingReplacedByRead();
// A change that was due to go to the ECU did not reach it: the message window says so in the
// current language ("MSG_Not_Written" for LinkDown, "MSG_Not_Written_No_Link" for NoLink and
// EditNoLink; LinkDown and EditNoLink together once for each loss of the link, Reading once for
// each read;
// "MSG_Not_Written_Replaced", "_Reading", "_No_Link", "_Closed"). A text the message window
// shows, or holds to show next, already is not asked for again (a key held down, a button
// pressed again and again). While the
// main window closes, the text is kept for the close's report instead (TakeCloseNotWritten).
void ReportNotWritten(TNotWritten Why);
// The link is up: a change lost with a later loss of the link is reported again.
void NotWrittenReportsRearmed();
// Asks for a task the user commands by a button or a key (a work mode, an erasure). With no ECU
// answering it cannot be sent (it would go to whatever answers next): the user is told
// (TNotWritten::NoLink, each time), and false is returned.
bool RequestCommand(ecu::TTask Task);
// After a configuration file was loaded or saved: with the link up, the whole configuration is
// written at the end of the current poll cycle. False when it is not asked for (the link down,
// or the ECU being read); the caller says so where the change is the user's.
bool RequestConfigWrite();

// ---- the main window's close
// Whether a change waits for its write, or is being written, with the link up: the changes
// waiting for the delay, a task carrying a change waiting for its turn (an erasure waiting
// behind another task among them), a write task or an erasure under way.
bool WriteWaiting();
// The main window closes: the changes waiting for the delay are asked for at once, so that
// they reach the ECU before the port closes, and from now on what does not reach it is kept
// for the close's report. True when a write waits or runs with the link up (the close waits
// for it; the host's WritesAtCloseEnded says when none does any more).
bool SendWritesAtClose();
// The close's report of the changes that did not reach the ECU (empty when all went out);
// taking it empties it.
std::string TakeCloseNotWritten();
constexpr std::int32_t WritesAtCloseWaitMaxMs = 60000;
// The longest the close waits for its writes (ms): the whole configuration's requests, each
// given up after the reply delay and the port's read time-out, and the link's step time-out.
std::int32_t WritesAtCloseWaitMs();
// An edit of the configuration page: its values into the configuration
// (ecu::CFG_Page_To_Config; with the level track bars, ecu::LevelPageToConfig) and a write of
// the page after the transmission delay (kind 2), also when a number text does not convert
// (the rest was taken; the failure is raised after). Nothing while the page is being filled
// from the model (ConfigData.CFGPageUpdating). While the ECU is being read the edit is not
// taken: it is reported as not written and the page shows the model's values again. True when
// the edit was taken.
bool TakeCFGPage(const ecu::TCFGPageValues& Page);
void TakeCFGLevelPage(const std::array<double, 5>& TrackValues, const ecu::TCFGPageValues& Page);

}  // namespace app
