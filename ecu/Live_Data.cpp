#include "ecu/Live_Data.h"

#include <string>

#include "ecu/Calc_Unit.h"
#include "ecu/Check_Versions.h"
#include "ecu/Config_Unit.h"
#include "ecu/Display_Host.h"
#include "ecu/Language.h"
#include "ecu/Link_Host.h"
#include "ecu/Port_3D_Connect.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

std::uint8_t WorkMode = 0;
std::int32_t LiveRPM = 0;
std::int32_t LiveTempVap = 0;
std::int32_t LiveTempGas = 0;
std::int32_t LiveLevel = 0;
std::int32_t LivePressVap = 0;
std::int32_t LivePressColl = 0;
std::int32_t LivePressDiff = 0;
std::int32_t LiveAnalog18 = 0;
std::array<std::int32_t, 4> LivePetrolTimes{};
std::array<std::int32_t, 4> LiveGasTimes{};
std::int32_t LivePetrolTimeAvg = 0;
std::int32_t LiveGasTimeAvg = 0;
std::array<std::int32_t, 4> PetrolTimesOnGas{};
std::array<std::int32_t, 4> PetrolTimesOnPetrol{};
std::uint8_t LastErrorBits1 = 0;
std::uint8_t LastErrorBits2 = 0;
std::uint8_t ErrorsClearShown = 0;
std::uint8_t StatusPrevious = 192;

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

std::string Color(TDisplayColor Which) { return DisplayHost ? DisplayHost->ColorText(Which) : std::string(); }

void AddStatus(TDisplayColor Which, const char* Key) {
  if (ScriptHost) ScriptHost->AddStatusMessage(Color(Which), LngText(Key));
}
void RemoveStatus(const char* Key) {
  if (ScriptHost) ScriptHost->RemoveStatusMessage(LngText(Key));
}
void ShowStatus(TDisplayColor Which, const char* Key) {
  if (DisplayHost) DisplayHost->ShowStatusMessage(Color(Which), LngText(Key));
}

bool Changed(std::uint8_t Now, std::uint8_t Before, int Bit) { return ((Now ^ Before) >> Bit) & 1; }
bool IsSet(std::uint8_t Byte, int Bit) { return (Byte >> Bit) & 1; }

void WatchStatus(std::uint8_t Status) {
  const std::uint8_t before = StatusPrevious;
  if (Changed(Status, before, 7)) {
    if (!IsSet(Status, 7)) {
      AddStatus(TDisplayColor::Txt_Error, "DynamicIND_Engine_off");
      if (LinkHost && LinkHost->IsPressed(TLinkControl::ACB_Start)) {
        LinkHost->SetPressed(TLinkControl::ACB_Start, false);
        LinkHost->StartStopAutoCalibration();
      }
    } else {
      RemoveStatus("DynamicIND_Engine_off");
      ShowStatus(TDisplayColor::Txt_Complete, "DynamicIND_Engine_on");
    }
  }
  if (IsSet(Status, 6) && !IsSet(before, 6)) {
    RemoveStatus("DynamicIND_Low_pressure");
    ShowStatus(TDisplayColor::Txt_Complete, "DynamicIND_Normal_pressure");
  }
  if (!IsSet(Status, 6)) AddStatus(TDisplayColor::Txt_Error, "DynamicIND_Low_pressure");
  if (Changed(Status, before, 5)) {
    if (IsSet(Status, 5)) AddStatus(TDisplayColor::Txt_Error, "DynamicIND_Not_Save_Data");
    else RemoveStatus("DynamicIND_Not_Save_Data");
  }
  if (Changed(Status, before, 4) && IsSet(Status, 4)) {
    ShowStatus(TDisplayColor::Txt_Complete, "DynamicIND_Save_Data");
    if (DisplayHost) DisplayHost->CloseWaitWindow();
  }
  StatusPrevious = static_cast<std::uint8_t>(Status & 0xFC);
}

void MemoLine(const char* Key) {
  if (DisplayHost) DisplayHost->AddErrorMemoLine(LngText(Key));
}

void WatchErrors(std::uint8_t Errors1, std::uint8_t Errors2) {
  const bool all = VersionFamily == 0;
  const std::uint8_t mask1 = all ? 0x11 : 0x01;
  const std::uint8_t mask2 = all ? 0x1F : 0x0E;
  if (((Errors1 ^ LastErrorBits1) & mask1) || ((Errors2 ^ LastErrorBits2) & mask2)) {
    ErrorsClearShown = 0;
    LastErrorBits1 = Errors1;
    LastErrorBits2 = Errors2;
    if (DisplayHost) DisplayHost->ClearErrorMemo();
    if (IsSet(Errors1, 0)) MemoLine("DynamicIND_Error_TempVap");
    if (all) {
      if (IsSet(Errors1, 4)) MemoLine("DynamicIND_Error_TempGas");
      if (IsSet(Errors2, 0)) MemoLine("DynamicIND_Error_PressVap");
      if (IsSet(Errors2, 4)) MemoLine("DynamicIND_Error_PressColl");
    }
    if (IsSet(Errors2, 1)) MemoLine("DynamicIND_Error_LinkInject");
    if (IsSet(Errors2, 2)) MemoLine("DynamicIND_Error_GasLeakage");
    if (IsSet(Errors2, 3)) MemoLine("DynamicIND_Error_ShortCircuit");
    AddStatus(TDisplayColor::Txt_Error, "DynamicIND_Error");
  }
  if (LastErrorBits1 == 0 && LastErrorBits2 == 0 && !ErrorsClearShown) {
    ErrorsClearShown = 1;
    if (DisplayHost) DisplayHost->ClearErrorMemo();
    MemoLine("DynamicIND_Errors_NotPresent");
    MemoLine("DynamicIND_Errors_ECU_Works");
    RemoveStatus("DynamicIND_Error");
  }
}

void ShowIndicators() {
  TDisplayHost* host = DisplayHost;
  if (!host) return;
  using C = TDisplayControl;
  host->SetText(C::IND_Petrol_Data, FormatThousandths(LivePetrolTimeAvg));
  host->SetText(C::IND_Gas_Data, FormatThousandths(LiveGasTimeAvg));
  host->SetText(C::IND_RPM_Data, rtl::IntToStr(LiveRPM));
  host->SetText(C::IND_PressVap_Data, FormatHundredths(LivePressVap));
  host->SetText(C::IND_PressColl_Data, FormatHundredths(LivePressColl));
  host->SetText(C::IND_PressDiff_Data, FormatHundredths(LivePressDiff));
  host->SetText(C::IND_TempVap_Data, FormatTenths(LiveTempVap));
  host->SetText(C::IND_TempGas_Data, FormatTenths(LiveTempGas));
  host->SetText(C::CFG_LevelGas, LevelToVoltText(LiveLevel));
  host->UpdateLevelSensorImage();
}

// Whether Circle_LevelGas_6 is hidden (it shows the petrol mode).
bool Circle6Hidden = false;

}  // namespace

void Decode_LiveData(std::span<const std::uint8_t> Frame) {
  const TReply r{Frame};
  if (r.Has(OffRPM, 2)) LiveRPM = PeriodToRPM(r[OffRPM], r[OffRPM + 1]);
  if (r.Has(OffTempVap, 2))
    if (const auto t = SensorTableValue(r[OffTempVap], r[OffTempVap + 1])) LiveTempVap = *t;
  if (r.Has(OffTempGas, 2))
    if (const auto t = SensorTableValue(r[OffTempGas], r[OffTempGas + 1])) LiveTempGas = *t;
  if (r.Has(OffLevel, 2)) LiveLevel = (r[OffLevel] & 3) * 256 + r[OffLevel + 1];
  if (r.Has(OffPressVap, 2)) LivePressVap = ADCToScaled(r[OffPressVap], r[OffPressVap + 1]);
  if (r.Has(OffPressColl, 2)) LivePressColl = ADCToScaled(r[OffPressColl], r[OffPressColl + 1]);
  if (r.Has(OffAnalog18, 2)) LiveAnalog18 = ADCTimesTwo(r[OffAnalog18], r[OffAnalog18 + 1]);
  for (int i = 0; i < 4; ++i) {
    const int p = OffPetrolTimes + 2 * i, g = OffGasTimes + 2 * i;
    if (r.Has(p, 2)) LivePetrolTimes[i] = HiLoToWord(r[p], r[p + 1]);
    if (r.Has(g, 2)) LiveGasTimes[i] = HiLoToWord(r[g], r[g + 1]);
  }
  if (r.Has(OffWorkMode, 1)) WorkMode = r[OffWorkMode] & 7;
  LivePressDiff = LivePressVap > LivePressColl ? LivePressVap - LivePressColl : 0;
  LivePetrolTimeAvg = AverageOfNonZero(LivePetrolTimes);
  LiveGasTimeAvg = AverageOfNonZero(LiveGasTimes);
  (WorkMode == 4 ? PetrolTimesOnGas : PetrolTimesOnPetrol) = LivePetrolTimes;
}

void Work_Mode_Display() {
  TDisplayHost* host = DisplayHost;
  if (!host) return;
  using C = TDisplayControl;
  const std::string neutral = host->ColorText(TDisplayColor::Neutral);
  std::array<std::string, 7> colors;
  colors.fill(neutral);
  switch (WorkMode) {
    case 1:
      host->SetText(C::Work_Mode, LanguageWords.Petrol);
      host->SetColor(C::Work_Mode, host->ColorText(TDisplayColor::Petrol));
      Circle6Hidden = false;
      host->SetVisible(C::Circle_LevelGas_6, true);
      host->SetLevelGasTimer(false);
      colors[6] = host->ColorText(TDisplayColor::Petrol);
      break;
    case 2:
      // While the blink timer runs it owns the circles' colours.
      if (host->LevelGasTimerEnabled()) return;
      host->SetText(C::Work_Mode, LanguageWords.Automat);
      host->SetColor(C::Work_Mode, host->ColorText(TDisplayColor::Automat));
      Circle6Hidden = false;
      host->SetVisible(C::Circle_LevelGas_6, true);
      host->SetLevelGasTimer(true);
      colors[5] = host->ColorText(TDisplayColor::Gas);
      colors[6] = host->ColorText(TDisplayColor::Petrol);
      break;
    case 4: {
      host->SetText(C::Work_Mode, LanguageWords.Gas);
      host->SetColor(C::Work_Mode, host->ColorText(TDisplayColor::Gas));
      Circle6Hidden = true;
      host->SetVisible(C::Circle_LevelGas_6, false);
      host->SetLevelGasTimer(false);
      const std::string gas = host->ColorText(TDisplayColor::Gas);
      const bool invert = Configuration && Configuration->Level_Invert;
      bool allBelow = true, allAbove = true;
      for (int k = 1; k <= 5; ++k) {
        const std::int32_t level = Configuration ? Configuration->Level(k) : 0;
        const bool lit = invert ? level > LiveLevel : level <= LiveLevel;
        if (lit) colors[k] = gas;
        allBelow = allBelow && level < LiveLevel;
        allAbove = allAbove && level > LiveLevel;
      }
      if (invert ? allBelow : allAbove) colors[0] = "#FFFF0000";
      break;
    }
    default: break;
  }
  for (int i = 0; i < 7; ++i) host->SetColor(LevelCircle(i), colors[i]);
  host->SetVisible(C::CFG_LevelGas, Circle6Hidden);
  host->SetVisible(C::CFG_LevelGas_Current, Circle6Hidden);
}

void DynamicIND_Update() {
  const std::span<const std::uint8_t> frame(RxFrame.data(), RxExpectedLength);
  Decode_LiveData(frame);
  Work_Mode_Display();
  ShowIndicators();
  const TReply r{frame};
  if (LinkUp) {
    const bool load = !LanguageStorePresent();
    if (load) LoadLanguageFile();
    if (r.Has(OffStatus, 1)) WatchStatus(r[OffStatus]);
    if (r.Has(OffErrors2, 1)) WatchErrors(r[OffErrors1], r[OffErrors2]);
    if (load) FreeLanguageFile();
  }
  if (DisplayHost) {
    DisplayHost->RedrawCalibrationDiagram();
    DisplayHost->MarkMapRPMLiveCell();
    DisplayHost->AutoCalibrationStep();
  }
}

void Live_Clear() {
  WorkMode = 0;
  LiveRPM = LiveTempVap = LiveTempGas = LiveLevel = LivePressVap = LivePressColl = LivePressDiff = LiveAnalog18 = 0;
  LivePetrolTimes = LiveGasTimes = PetrolTimesOnGas = PetrolTimesOnPetrol = {};
  LivePetrolTimeAvg = LiveGasTimeAvg = 0;
  LastErrorBits1 = LastErrorBits2 = ErrorsClearShown = 0;
  StatusPrevious = 192;
  Circle6Hidden = false;
}

}  // namespace ecu
