#include "app/core/Global_Unit.h"

#include <algorithm>

#include "app/core/Calibr_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/loop/Timer.h"

namespace app {

std::int32_t ActionCount = 0;
std::array<std::uint8_t, ActionQueueCapacity> ActionCodes{};
std::array<std::int32_t, ActionQueueCapacity> ActionDelays{};
std::array<std::function<void()>, LastActionCode + 1> ActionHandlers;
std::uint8_t MainWindowShown = 0;
std::uint8_t PendingTransmit = 0;
std::unique_ptr<rtl::TTimer> Timer_GEN_General;
std::unique_ptr<rtl::TTimer> Timer_GEN_Transmit;

namespace {

// A timer of interval 0 never ticks: every delay is at least 1 ms.
std::uint32_t TimerInterval(std::int32_t Delay) { return static_cast<std::uint32_t>(std::max<std::int32_t>(Delay, 1)); }

void Arm(rtl::TTimer& Timer, std::int32_t Delay) {
  Timer.SetEnabled(false);
  Timer.SetInterval(TimerInterval(Delay));
  Timer.SetEnabled(true);
}

// Removes the head entry; the next one, if any, runs its delay after now.
void DropHead() {
  if (ActionCount > 1) {
    std::copy(ActionCodes.begin() + 1, ActionCodes.begin() + ActionCount, ActionCodes.begin());
    std::copy(ActionDelays.begin() + 1, ActionDelays.begin() + ActionCount, ActionDelays.begin());
    --ActionCount;
    ActionCodes[static_cast<std::size_t>(ActionCount)] = 0;
    ActionDelays[static_cast<std::size_t>(ActionCount)] = 0;
    Arm(*Timer_GEN_General, ActionDelays[0]);
  } else {
    ActionCount = 0;
    ActionCodes[0] = 0;
    ActionDelays[0] = 0;
  }
}

}  // namespace

void CreateMainTimers() {
  Timer_GEN_General = std::make_unique<rtl::TTimer>(nullptr);
  Timer_GEN_General->SetEnabled(false);
  Timer_GEN_General->SetInterval(200);
  Timer_GEN_General->SetOnTimer([](rtl::TObject*) { RunQueuedAction(); });
  Timer_GEN_Transmit = std::make_unique<rtl::TTimer>(nullptr);
  Timer_GEN_Transmit->SetEnabled(false);
  Timer_GEN_Transmit->SetInterval(2000);
  Timer_GEN_Transmit->SetOnTimer([](rtl::TObject*) { RequestPendingTransmit(); });
}

void FreeMainTimers() {
  Timer_GEN_General.reset();
  Timer_GEN_Transmit.reset();
}

void ClearSchedulers() {
  ActionCount = 0;
  ActionCodes.fill(0);
  ActionDelays.fill(0);
  PendingTransmit = 0;
  if (Timer_GEN_General) Timer_GEN_General->SetEnabled(false);
  if (Timer_GEN_Transmit) Timer_GEN_Transmit->SetEnabled(false);
}

void QueueAction(std::uint8_t Code, std::int32_t Delay) {
  const auto end = ActionCodes.begin() + ActionCount;
  if (std::find(ActionCodes.begin(), end, Code) != end) return;
  if (ActionCount >= ActionQueueCapacity) return;
  ActionCodes[static_cast<std::size_t>(ActionCount)] = Code;
  ActionDelays[static_cast<std::size_t>(ActionCount)] = Delay;
  ++ActionCount;
  if (Timer_GEN_General && !Timer_GEN_General->Enabled())
    Arm(*Timer_GEN_General, ActionDelays[static_cast<std::size_t>(ActionCount - 1)]);
}

void RunQueuedAction() {
  if (Timer_GEN_General) Timer_GEN_General->SetEnabled(false);
  if (!MainWindowShown || ActionCount == 0) return;
  const std::uint8_t code = ActionCodes[0];
  // The head's action may queue further actions while it runs (16 queues 17): the count is
  // looked at only afterwards. The head goes even when its action fails.
  try {
    if (code <= LastActionCode && ActionHandlers[code]) ActionHandlers[code]();
  } catch (...) {
    DropHead();
    throw;
  }
  DropHead();
}

void ScheduleTransmit(std::uint8_t Kind) {
  if (!Timer_GEN_Transmit) return;
  Timer_GEN_Transmit->SetEnabled(false);
  if (!ecu::LinkUp) return;
  PendingTransmit = Kind;
  Arm(*Timer_GEN_Transmit, Settings ? Settings->TransmitDelay() : DefaultTransmitDelay);
}

void RequestPendingTransmit() {
  if (PendingTransmit >= 1 && PendingTransmit <= 4) ecu::TaskRequest = static_cast<std::uint8_t>(20 + PendingTransmit);
  if (Timer_GEN_Transmit) Timer_GEN_Transmit->SetEnabled(false);
}

void RequestConfigWrite() {
  if (!ecu::LinkUp) return;
  if (Settings && ecu::Configuration) Settings->CFG_File_Name = ecu::Configuration->Cfg_Name;
  ecu::TaskRequest = 21;
}

void TCoreConfigurationHost::CalcDiagramPoints() { app::CalcDiagramPoints(); }
void TCoreConfigurationHost::SetDefaultMapRPM() { app::SetDefaultMapRPM(); }
void TCoreConfigurationHost::RefreshMapRPMCells() { app::RefreshMapRPMCells(); }
void TCoreConfigurationHost::LoadMapRPMTable() { app::LoadMapRPMTable(); }
void TCoreConfigurationHost::SaveMapRPMTable() { app::SaveMapRPMTable(); }
void TCoreConfigurationHost::ScheduleTransmit(int Kind) { app::ScheduleTransmit(static_cast<std::uint8_t>(Kind)); }

}  // namespace app
