#include "ecu/Live_Data.h"

#include <string>
#include <vector>

#include "ecu/Calc_Unit.h"
#include "ecu/Check_Versions.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

// Offsets of the live-data reply.
constexpr int OffRPM = 2, OffTempVap = 4, OffTempGas = 6, OffStatus = 6, OffLevel = 8, OffPressVap = 10,
              OffPressColl = 12, OffAnalog18 = 18, OffPetrolTimes = 20, OffGasTimes = 28, OffErrors1 = 36,
              OffErrors2 = 37, OffWorkMode = 38;

// The reply as received: a field is read only when it lies wholly before the checksum.
struct TReply {
  std::span<const std::uint8_t> Frame;
  bool Has(int Offset, int Size) const { return Offset + Size <= static_cast<int>(Frame.size()) - 1; }
  std::uint8_t operator[](int Offset) const { return Frame[Offset]; }
};

std::int32_t AverageOfNonZero(const std::array<std::int32_t, 4>& Times) {
  std::int64_t sum = 0;
  int count = 0;
  for (std::int32_t t : Times)
    if (t != 0) {
      sum += t;
      ++count;
    }
  return count ? static_cast<std::int32_t>(sum / count) : 0;
}

void AddStatus(TColorRole Which, const char* Key) {
  if (Session().Hosts.Host) Session().Hosts.Host->AddStatusMessage(Which, LngText(Key));
}
void RemoveStatus(const char* Key) {
  if (Session().Hosts.Host) Session().Hosts.Host->RemoveStatusMessage(LngText(Key));
}
void ShowStatus(TColorRole Which, const char* Key) {
  if (Session().Hosts.Host) Session().Hosts.Host->ShowStatusMessage(Which, LngText(Key));
}

bool Changed(std::uint8_t Now, std::uint8_t Before, int Bit) { return ((Now ^ Before) >> Bit) & 1; }
bool IsSet(std::uint8_t Byte, int Bit) { return (Byte >> Bit) & 1; }

void WatchStatus(std::uint8_t Status) {
  const std::uint8_t before = Session().LiveData.StatusPrevious;
  if (Changed(Status, before, 7)) {
    if (!IsSet(Status, 7)) {
      AddStatus(TColorRole::Txt_Error, "DynamicIND_Engine_off");
      if (Session().Hosts.Host) Session().Hosts.Host->EngineStopped();
    } else {
      RemoveStatus("DynamicIND_Engine_off");
      ShowStatus(TColorRole::Txt_Complete, "DynamicIND_Engine_on");
    }
  }
  if (IsSet(Status, 6) && !IsSet(before, 6)) {
    RemoveStatus("DynamicIND_Low_pressure");
    ShowStatus(TColorRole::Txt_Complete, "DynamicIND_Normal_pressure");
  }
  if (!IsSet(Status, 6)) AddStatus(TColorRole::Txt_Error, "DynamicIND_Low_pressure");
  if (Changed(Status, before, 5)) {
    if (IsSet(Status, 5))
      AddStatus(TColorRole::Txt_Error, "DynamicIND_Not_Save_Data");
    else RemoveStatus("DynamicIND_Not_Save_Data");
  }
  if (Changed(Status, before, 4) && IsSet(Status, 4)) {
    ShowStatus(TColorRole::Txt_Complete, "DynamicIND_Save_Data");
    if (Session().Hosts.Host) Session().Hosts.Host->EcuDataSaved();
  }
  Session().LiveData.StatusPrevious = static_cast<std::uint8_t>(Status & 0xFC);
}

void ReportErrors(const std::vector<std::string>& Texts) {
  if (Session().Hosts.Host) Session().Hosts.Host->ErrorsReported(Texts);
}

void WatchErrors(std::uint8_t Errors1, std::uint8_t Errors2) {
  const bool all = Session().LiveData.VersionFamily == 0;
  const std::uint8_t mask1 = all ? 0x11 : 0x01;
  const std::uint8_t mask2 = all ? 0x1F : 0x0E;
  if (((Errors1 ^ Session().LiveData.LastErrorBits1) & mask1) ||
      ((Errors2 ^ Session().LiveData.LastErrorBits2) & mask2)) {
    Session().LiveData.ErrorsClearShown = 0;
    Session().LiveData.LastErrorBits1 = Errors1;
    Session().LiveData.LastErrorBits2 = Errors2;
    ReportErrors(ErrorMemoTexts());
    AddStatus(TColorRole::Txt_Error, "DynamicIND_Error");
  }
  if (Session().LiveData.LastErrorBits1 == 0 && Session().LiveData.LastErrorBits2 == 0 &&
      !Session().LiveData.ErrorsClearShown) {
    Session().LiveData.ErrorsClearShown = 1;
    ReportErrors(ErrorMemoTexts());
    RemoveStatus("DynamicIND_Error");
  }
}

}  // namespace

void Decode_LiveData(std::span<const std::uint8_t> Frame) {
  const TReply r{Frame};
  if (r.Has(OffRPM, 2)) Session().LiveData.LiveRPM = PeriodToRPM(r[OffRPM], r[OffRPM + 1]);
  if (r.Has(OffTempVap, 2))
    if (const auto t = SensorTableValue(r[OffTempVap], r[OffTempVap + 1])) Session().LiveData.LiveTempVap = *t;
  if (r.Has(OffTempGas, 2))
    if (const auto t = SensorTableValue(r[OffTempGas], r[OffTempGas + 1])) Session().LiveData.LiveTempGas = *t;
  if (r.Has(OffLevel, 2)) Session().LiveData.LiveLevel = (r[OffLevel] & 3) * 256 + r[OffLevel + 1];
  if (r.Has(OffPressVap, 2)) Session().LiveData.LivePressVap = ADCToScaled(r[OffPressVap], r[OffPressVap + 1]);
  if (r.Has(OffPressColl, 2)) Session().LiveData.LivePressColl = ADCToScaled(r[OffPressColl], r[OffPressColl + 1]);
  if (r.Has(OffAnalog18, 2)) Session().LiveData.LiveAnalog18 = ADCTimesTwo(r[OffAnalog18], r[OffAnalog18 + 1]);
  for (int i = 0; i < 4; ++i) {
    const int p = OffPetrolTimes + 2 * i, g = OffGasTimes + 2 * i;
    if (r.Has(p, 2)) Session().LiveData.LivePetrolTimes[i] = HiLoToWord(r[p], r[p + 1]);
    if (r.Has(g, 2)) Session().LiveData.LiveGasTimes[i] = HiLoToWord(r[g], r[g + 1]);
  }
  if (r.Has(OffWorkMode, 1)) Session().LiveData.WorkMode = r[OffWorkMode] & 7;
  Session().LiveData.LivePressDiff = Session().LiveData.LivePressVap > Session().LiveData.LivePressColl
                                         ? Session().LiveData.LivePressVap - Session().LiveData.LivePressColl
                                         : 0;
  Session().LiveData.LivePetrolTimeAvg = AverageOfNonZero(Session().LiveData.LivePetrolTimes);
  Session().LiveData.LiveGasTimeAvg = AverageOfNonZero(Session().LiveData.LiveGasTimes);
  (Session().LiveData.WorkMode == 4 ? Session().LiveData.PetrolTimesOnGas : Session().LiveData.PetrolTimesOnPetrol) =
      Session().LiveData.LivePetrolTimes;
}

void Work_Mode_Display() {
  THost* host = Session().Hosts.Host;
  if (!host) return;
  bool modeShown = true;
  switch (Session().LiveData.WorkMode) {
    case 1:
      Session().LiveData.Circle6Hidden = false;
      host->SetLevelGasTimer(false);
      break;
    case 2:
      // While the blink timer runs it owns the circles' colours.
      if (host->LevelGasTimerEnabled()) {
        modeShown = false;
        break;
      }
      Session().LiveData.Circle6Hidden = false;
      host->SetLevelGasTimer(true);
      break;
    case 4:
      Session().LiveData.Circle6Hidden = true;
      host->SetLevelGasTimer(false);
      break;
    default: break;
  }
  host->ShowLiveSample(modeShown);
}

void DynamicIND_Update() {
  const std::span<const std::uint8_t> frame(Session().Link.RxFrame.data(), Session().Link.RxExpectedLength);
  Decode_LiveData(frame);
  Work_Mode_Display();
  if (Session().Hosts.Host) Session().Hosts.Host->UpdateLevelSensorImage();
  const TReply r{frame};
  if (Session().Link.LinkUp) {
    const bool load = !LanguageStorePresent();
    if (load) LoadLanguageFile();
    if (r.Has(OffStatus, 1)) WatchStatus(r[OffStatus]);
    if (r.Has(OffErrors2, 1)) WatchErrors(r[OffErrors1], r[OffErrors2]);
    if (load) FreeLanguageFile();
  }
  if (Session().Hosts.Host) {
    Session().Hosts.Host->RedrawCalibrationDiagram();
    Session().Hosts.Host->MarkMapRPMLiveCell();
    Session().Hosts.Host->AutoCalibrationStep();
    Session().Hosts.Host->LiveDataReceived();
  }
}

std::vector<std::string> ErrorMemoTexts() {
  const TLiveState& live = Session().LiveData;
  std::vector<std::string> texts;
  const auto line = [&texts](const char* Key) { texts.push_back(LngText(Key)); };
  const std::uint8_t errors1 = live.LastErrorBits1, errors2 = live.LastErrorBits2;
  if (errors1 == 0 && errors2 == 0) {
    if (live.ErrorsClearShown) {
      line("DynamicIND_Errors_NotPresent");
      line("DynamicIND_Errors_ECU_Works");
    }
    return texts;
  }
  const bool all = live.VersionFamily == 0;
  if (IsSet(errors1, 0)) line("DynamicIND_Error_TempVap");
  if (all) {
    if (IsSet(errors1, 4)) line("DynamicIND_Error_TempGas");
    if (IsSet(errors2, 0)) line("DynamicIND_Error_PressVap");
    if (IsSet(errors2, 4)) line("DynamicIND_Error_PressColl");
  }
  if (IsSet(errors2, 1)) line("DynamicIND_Error_LinkInject");
  if (IsSet(errors2, 2)) line("DynamicIND_Error_GasLeakage");
  if (IsSet(errors2, 3)) line("DynamicIND_Error_ShortCircuit");
  return texts;
}

}  // namespace ecu
