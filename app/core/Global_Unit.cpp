#include "app/core/Global_Unit.h"

#include <algorithm>

#include "app/core/Calibr_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/loop/Timer.h"

namespace app {

TActionState Actions;

TActionState::TActionState() = default;
TActionState::~TActionState() = default;

void TActionState::Reset() {
  ActionCount = 0;
  ActionCodes.fill(0);
  ActionDelays.fill(0);
  MainWindowShown = 0;
  PendingTransmit = 0;
  PendingKinds = 0;
  Timer_GEN_General.reset();
  Timer_GEN_Transmit.reset();
}

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
  if (Actions.ActionCount > 1) {
    std::copy(Actions.ActionCodes.begin() + 1, Actions.ActionCodes.begin() + Actions.ActionCount,
              Actions.ActionCodes.begin());
    std::copy(Actions.ActionDelays.begin() + 1, Actions.ActionDelays.begin() + Actions.ActionCount,
              Actions.ActionDelays.begin());
    --Actions.ActionCount;
    Actions.ActionCodes[static_cast<std::size_t>(Actions.ActionCount)] = 0;
    Actions.ActionDelays[static_cast<std::size_t>(Actions.ActionCount)] = 0;
    Arm(*Actions.Timer_GEN_General, Actions.ActionDelays[0]);
  } else {
    Actions.ActionCount = 0;
    Actions.ActionCodes[0] = 0;
    Actions.ActionDelays[0] = 0;
  }
}

}  // namespace

void CreateMainTimers() {
  Actions.Timer_GEN_General = std::make_unique<rtl::TTimer>(nullptr);
  Actions.Timer_GEN_General->SetEnabled(false);
  Actions.Timer_GEN_General->SetInterval(200);
  Actions.Timer_GEN_General->SetOnTimer([](rtl::TObject*) { RunQueuedAction(); });
  Actions.Timer_GEN_Transmit = std::make_unique<rtl::TTimer>(nullptr);
  Actions.Timer_GEN_Transmit->SetEnabled(false);
  Actions.Timer_GEN_Transmit->SetInterval(2000);
  Actions.Timer_GEN_Transmit->SetOnTimer([](rtl::TObject*) { RequestPendingTransmit(); });
}

void FreeMainTimers() {
  Actions.Timer_GEN_General.reset();
  Actions.Timer_GEN_Transmit.reset();
}

void QueueAction(std::uint8_t Code, std::int32_t Delay) {
  const auto end = Actions.ActionCodes.begin() + Actions.ActionCount;
  if (std::find(Actions.ActionCodes.begin(), end, Code) != end) return;
  if (Actions.ActionCount >= ActionQueueCapacity) return;
  Actions.ActionCodes[static_cast<std::size_t>(Actions.ActionCount)] = Code;
  Actions.ActionDelays[static_cast<std::size_t>(Actions.ActionCount)] = Delay;
  ++Actions.ActionCount;
  if (Actions.Timer_GEN_General && !Actions.Timer_GEN_General->Enabled())
    Arm(*Actions.Timer_GEN_General, Actions.ActionDelays[static_cast<std::size_t>(Actions.ActionCount - 1)]);
}

void RunQueuedAction() {
  if (Actions.Timer_GEN_General) Actions.Timer_GEN_General->SetEnabled(false);
  if (!Actions.MainWindowShown || Actions.ActionCount == 0) return;
  const std::uint8_t code = Actions.ActionCodes[0];
  // The head's action may queue further actions while it runs (16 queues 17): the count is
  // looked at only afterwards. The head goes even when its action fails.
  try {
    if (code <= LastActionCode && CoreHost) CoreHost->RunAction(code);
  } catch (...) {
    DropHead();
    throw;
  }
  DropHead();
}

void ScheduleTransmit(std::uint8_t Kind) {
  if (!Actions.Timer_GEN_Transmit) return;
  Actions.Timer_GEN_Transmit->SetEnabled(false);
  if (!ecu::Link.LinkUp) {
    Actions.PendingKinds = 0;
    return;
  }
  Actions.PendingTransmit = Kind;
  if (Kind >= 1 && Kind <= 4) Actions.PendingKinds = static_cast<std::uint8_t>(Actions.PendingKinds | (1u << Kind));
  Arm(*Actions.Timer_GEN_Transmit, Settings.TransmitDelay());
}

void RequestPendingTransmit() {
  const std::uint8_t kinds = Actions.PendingKinds;
  Actions.PendingKinds = 0;
  if (Actions.Timer_GEN_Transmit) Actions.Timer_GEN_Transmit->SetEnabled(false);
  int single = 0, count = 0;
  for (int kind = 1; kind <= 4; ++kind)
    if (kinds & (1u << kind)) {
      single = kind;
      ++count;
    }
  if (count == 0) return;
  if (count == 1) {
    ecu::Link.TaskRequest = static_cast<std::uint8_t>(20 + single);
    return;
  }
  // The whole configuration carries the page, the points and the map; the map's page is
  // packed first, as its own write would.
  if (kinds & (1u << 4)) PackMapRPMTable();
  ecu::Link.TaskRequest = 21;
}

void RequestConfigWrite() {
  if (!ecu::Link.LinkUp) return;
  if (ecu::ConfigData.Configuration) Settings.CFG_File_Name = ecu::ConfigData.Configuration->Cfg_Name;
  ecu::Link.TaskRequest = 21;
}

}  // namespace app
