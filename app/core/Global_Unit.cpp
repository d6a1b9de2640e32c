#include "app/core/Global_Unit.h"

#include <algorithm>

#include "app/core/Calibr_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/MapRPM_Unit.h"
#include "app/core/Model.h"
#include "app/core/Msg_3D_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/loop/Timer.h"

namespace app {

TActionState::TActionState() = default;
TActionState::~TActionState() = default;

void TActionState::Reset() {
  ActionCount = 0;
  ActionCodes.fill(0);
  ActionDelays.fill(0);
  MainWindowShown = 0;
  PendingTransmit = 0;
  PendingKinds = 0;
  NotWrittenReported = false;
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
  if (Model().Actions.ActionCount > 1) {
    std::copy(Model().Actions.ActionCodes.begin() + 1,
              Model().Actions.ActionCodes.begin() + Model().Actions.ActionCount, Model().Actions.ActionCodes.begin());
    std::copy(Model().Actions.ActionDelays.begin() + 1,
              Model().Actions.ActionDelays.begin() + Model().Actions.ActionCount, Model().Actions.ActionDelays.begin());
    --Model().Actions.ActionCount;
    Model().Actions.ActionCodes[static_cast<std::size_t>(Model().Actions.ActionCount)] = 0;
    Model().Actions.ActionDelays[static_cast<std::size_t>(Model().Actions.ActionCount)] = 0;
    Arm(*Model().Actions.Timer_GEN_General, Model().Actions.ActionDelays[0]);
  } else {
    Model().Actions.ActionCount = 0;
    Model().Actions.ActionCodes[0] = 0;
    Model().Actions.ActionDelays[0] = 0;
  }
}

}  // namespace

void CreateMainTimers() {
  Model().Actions.Timer_GEN_General = std::make_unique<rtl::TTimer>(nullptr);
  Model().Actions.Timer_GEN_General->SetEnabled(false);
  Model().Actions.Timer_GEN_General->SetInterval(200);
  Model().Actions.Timer_GEN_General->SetOnTimer([](rtl::TObject*) { RunQueuedAction(); });
  Model().Actions.Timer_GEN_Transmit = std::make_unique<rtl::TTimer>(nullptr);
  Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  Model().Actions.Timer_GEN_Transmit->SetInterval(2000);
  Model().Actions.Timer_GEN_Transmit->SetOnTimer([](rtl::TObject*) { RequestPendingTransmit(); });
}

void FreeMainTimers() {
  Model().Actions.Timer_GEN_General.reset();
  Model().Actions.Timer_GEN_Transmit.reset();
}

void QueueAction(std::uint8_t Code, std::int32_t Delay) {
  const auto end = Model().Actions.ActionCodes.begin() + Model().Actions.ActionCount;
  if (std::find(Model().Actions.ActionCodes.begin(), end, Code) != end) return;
  if (Model().Actions.ActionCount >= ActionQueueCapacity) return;
  Model().Actions.ActionCodes[static_cast<std::size_t>(Model().Actions.ActionCount)] = Code;
  Model().Actions.ActionDelays[static_cast<std::size_t>(Model().Actions.ActionCount)] = Delay;
  ++Model().Actions.ActionCount;
  if (Model().Actions.Timer_GEN_General && !Model().Actions.Timer_GEN_General->Enabled())
    Arm(*Model().Actions.Timer_GEN_General,
        Model().Actions.ActionDelays[static_cast<std::size_t>(Model().Actions.ActionCount - 1)]);
}

void RunQueuedAction() {
  if (Model().Actions.Timer_GEN_General) Model().Actions.Timer_GEN_General->SetEnabled(false);
  if (!Model().Actions.MainWindowShown || Model().Actions.ActionCount == 0) return;
  const std::uint8_t code = Model().Actions.ActionCodes[0];
  // The head's action may queue further actions while it runs (16 queues 17): the count is
  // looked at only afterwards. The head goes even when its action fails.
  try {
    if (code <= LastActionCode && Model().CoreHost) Model().CoreHost->RunAction(code);
  } catch (...) {
    DropHead();
    throw;
  }
  DropHead();
}

void ScheduleTransmit(std::uint8_t Kind) {
  if (!Model().Actions.Timer_GEN_Transmit) return;
  Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  if (!ecu::Session().Link.LinkUp) {
    DropPendingTransmit();
    return;
  }
  Model().Actions.PendingTransmit = Kind;
  if (Kind >= 1 && Kind <= 4)
    Model().Actions.PendingKinds = static_cast<std::uint8_t>(Model().Actions.PendingKinds | (1u << Kind));
  Arm(*Model().Actions.Timer_GEN_Transmit, Model().Settings.TransmitDelay());
}

void RequestPendingTransmit() {
  if (!ecu::Session().Link.LinkUp) {
    DropPendingTransmit();
    return;
  }
  const std::uint8_t kinds = Model().Actions.PendingKinds;
  Model().Actions.PendingKinds = 0;
  if (Model().Actions.Timer_GEN_Transmit) Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  int single = 0, count = 0;
  for (int kind = 1; kind <= 4; ++kind)
    if (kinds & (1u << kind)) {
      single = kind;
      ++count;
    }
  if (count == 0) return;
  if (count == 1) {
    ecu::RequestTask(ecu::WriteTaskOfKind(single));
    return;
  }
  // The whole configuration carries the page, the points and the map; the map's page is
  // packed first, as its own write would.
  if (kinds & (1u << 4)) PackMapRPMTable();
  ecu::RequestTask(ecu::TTask::WriteAll);
}

void DropPendingTransmit() {
  if (Model().Actions.Timer_GEN_Transmit) Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  const bool waited = Model().Actions.PendingKinds != 0;
  Model().Actions.PendingKinds = 0;
  if (waited) ReportNotWritten(true);
}

void ReportNotWritten(bool LinkDown) {
  if (LinkDown) {
    if (Model().Actions.NotWrittenReported) return;
    Model().Actions.NotWrittenReported = true;
  }
  if (Model().CoreHost)
    Model().CoreHost->ShowMessageWindow(Message_OwnText,
                                        ecu::LngText(LinkDown ? "MSG_Not_Written" : "MSG_Not_Written_Replaced"));
}

void NotWrittenReportsRearmed() { Model().Actions.NotWrittenReported = false; }

void RequestConfigWrite() {
  if (!ecu::Session().Link.LinkUp) return;
  if (ecu::Session().ConfigData.Configuration)
    Model().Settings.CFG_File_Name = ecu::Session().ConfigData.Configuration->Cfg_Name;
  ecu::RequestTask(ecu::TTask::WriteAll);
}

namespace {

// The page taken by Take, then its write scheduled, whether Take raised or not.
template <class F>
void TakeThenSchedule(F&& Take) {
  if (ecu::Session().ConfigData.CFGPageUpdating) return;
  try {
    Take();
  } catch (...) {
    ScheduleTransmit(2);
    throw;
  }
  ScheduleTransmit(2);
}

}  // namespace

void TakeCFGPage(const ecu::TCFGPageValues& Page) {
  TakeThenSchedule([&Page] { ecu::CFG_Page_To_Config(Page); });
}

void TakeCFGLevelPage(const std::array<double, 5>& TrackValues, const ecu::TCFGPageValues& Page) {
  TakeThenSchedule([&] { ecu::LevelPageToConfig(TrackValues, Page); });
}

}  // namespace app
