#include "app/core/Global_Unit.h"

#include <algorithm>
#include <string>
#include <utility>

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
  PendingRead = 0;
  NotWrittenReported = false;
  ReadingReportedRead = 0;
  WritesAtClose = false;
  CloseNotWritten.clear();
  CustomerTaken = false;
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

bool EcuBeingRead() { return ecu::Session().Link.LinkUp && ecu::Session().Link.Reading; }

bool ConfigurationPartlyRead() { return ecu::Session().Link.ReadUnfinished != 0; }

namespace {

// Arms the delay for a change of this kind, made during the read now in force or after it.
void ArmTransmit(std::uint8_t Kind) {
  Model().Actions.PendingTransmit = Kind;
  if (Kind >= 1 && Kind <= 4)
    Model().Actions.PendingKinds = static_cast<std::uint8_t>(Model().Actions.PendingKinds | (1u << Kind));
  Model().Actions.PendingRead = ecu::Session().Link.ReadCount;
  Arm(*Model().Actions.Timer_GEN_Transmit, Model().Settings.TransmitDelay());
}

// Whether the changes waiting were made before the read that runs now or ran since.
bool PendingReplacedByRead() {
  return Model().Actions.PendingKinds != 0 && Model().Actions.PendingRead != ecu::Session().Link.ReadCount;
}

}  // namespace

void ScheduleTransmit(std::uint8_t Kind) {
  if (!Model().Actions.Timer_GEN_Transmit) return;
  Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  if (!ecu::Session().Link.LinkUp) {
    // The next read replaces the change: said once for each loss of the link, with what waited.
    const bool waited = Model().Actions.PendingKinds != 0;
    DropPendingTransmit();
    if (!waited) ReportNotWritten(TNotWritten::EditNoLink);
    return;
  }
  if (EcuBeingRead()) {
    // The read puts the ECU's values into the configuration: the change would be replaced, and
    // its write would carry them instead. The changes waiting go too (said once).
    Model().Actions.PendingKinds = 0;
    ReportNotWritten(TNotWritten::Reading);
    return;
  }
  DropPendingReplacedByRead();
  ArmTransmit(Kind);
}

void ScheduleDefaultsWrite() {
  if (!Model().Actions.Timer_GEN_Transmit || !ecu::Session().Link.LinkUp) return;
  Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  DropPendingReplacedByRead();
  ArmTransmit(2);
}

void RequestPendingTransmit() {
  if (!ecu::Session().Link.LinkUp) {
    DropPendingTransmit();
    return;
  }
  if (PendingReplacedByRead()) {
    DropPendingTransmit(TNotWritten::Reading);
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

void DropPendingTransmit(TNotWritten Why) {
  if (Model().Actions.Timer_GEN_Transmit) Model().Actions.Timer_GEN_Transmit->SetEnabled(false);
  const bool waited = Model().Actions.PendingKinds != 0;
  Model().Actions.PendingKinds = 0;
  if (waited) ReportNotWritten(Why);
}

namespace {

const char* NotWrittenKey(TNotWritten Why) {
  switch (Why) {
    case TNotWritten::LinkDown: return "MSG_Not_Written";
    case TNotWritten::Replaced: return "MSG_Not_Written_Replaced";
    case TNotWritten::Reading: return "MSG_Not_Written_Reading";
    case TNotWritten::NoLink:
    case TNotWritten::EditNoLink: return "MSG_Not_Written_No_Link";
    case TNotWritten::Closed: break;
  }
  return "MSG_Not_Written_Closed";
}

}  // namespace

void DropPendingReplacedByRead() {
  if (PendingReplacedByRead()) DropPendingTransmit(TNotWritten::Reading);
}

void ReportNotWritten(TNotWritten Why) {
  if (Why == TNotWritten::LinkDown || Why == TNotWritten::EditNoLink) {
    if (Model().Actions.NotWrittenReported) return;
    Model().Actions.NotWrittenReported = true;
  } else if (Why == TNotWritten::Reading) {
    const std::uint32_t read = ecu::Session().Link.ReadCount;
    if (read != 0 && Model().Actions.ReadingReportedRead == read) return;
    Model().Actions.ReadingReportedRead = read;
  }
  const std::string text = ecu::LngText(NotWrittenKey(Why));
  if (Model().Actions.WritesAtClose) {
    // The close reports it with what else failed, where a window can still show it.
    std::string& kept = Model().Actions.CloseNotWritten;
    if (kept.find(text) == std::string::npos) kept += (kept.empty() ? "" : "\n") + text;
    return;
  }
  if (MessageHeld(Message_OwnText, text)) return;
  if (Model().CoreHost) Model().CoreHost->ShowMessageWindow(Message_OwnText, text);
}

void NotWrittenReportsRearmed() { Model().Actions.NotWrittenReported = false; }

bool RequestCommand(ecu::TTask Task) {
  if (!ecu::Session().Link.LinkUp) {
    ReportNotWritten(TNotWritten::NoLink);
    return false;
  }
  ecu::RequestTask(Task);
  return true;
}

bool RequestConfigWrite() {
  if (!ecu::Session().Link.LinkUp || EcuBeingRead()) return false;
  if (ecu::Session().ConfigData.Configuration)
    Model().Settings.CFG_File_Name = ecu::Session().ConfigData.Configuration->Cfg_Name;
  ecu::RequestTask(ecu::TTask::WriteAll);
  return true;
}

bool WriteWaiting() {
  const ecu::TLinkState& link = ecu::Session().Link;
  return link.LinkUp && (Model().Actions.PendingKinds != 0 || ecu::CarriesChange(link.TaskRequest) ||
                         link.ErasesWaitingCount != 0 || link.TaskRunning || link.EraseTask != 0);
}

bool SendWritesAtClose() {
  Model().Actions.WritesAtClose = true;
  if (Model().Actions.PendingKinds != 0) RequestPendingTransmit();
  return WriteWaiting();
}

std::string TakeCloseNotWritten() { return std::exchange(Model().Actions.CloseNotWritten, std::string()); }

std::int32_t WritesAtCloseWaitMs() {
  // The whole configuration goes in at most 2 x 64 requests, after the poll round that is
  // under way; a request whose reply does not come is given up by the link's step time-out.
  constexpr std::int64_t requests = 2 * 64 + 8;
  const std::int64_t perRequest = std::clamp<std::int64_t>(Model().Settings.Reply_Delay, 0, 10000) + 200;
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(requests * perRequest + ecu::StepTimeoutMs, WritesAtCloseWaitMaxMs));
}

namespace {

// The page taken by Take, then its write scheduled, whether Take raised or not. False when the
// edit was not taken.
template <class F>
bool TakeThenSchedule(F&& Take) {
  if (ecu::Session().ConfigData.CFGPageUpdating) return false;
  if (EcuBeingRead()) {
    // What the read puts into the configuration would replace the edit, and a write would
    // carry the read's values: the edit is refused, and the page shows the model's values.
    ReportNotWritten(TNotWritten::Reading);
    if (ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->ConfigToCFGPage();
    return false;
  }
  try {
    Take();
  } catch (...) {
    ScheduleTransmit(2);
    throw;
  }
  ScheduleTransmit(2);
  return true;
}

}  // namespace

bool TakeCFGPage(const ecu::TCFGPageValues& Page) {
  return TakeThenSchedule([&Page] { ecu::CFG_Page_To_Config(Page); });
}

void TakeCFGLevelPage(const std::array<double, 5>& TrackValues, const ecu::TCFGPageValues& Page) {
  TakeThenSchedule([&] { ecu::LevelPageToConfig(TrackValues, Page); });
}

}  // namespace app
