#include "ecu/Check_Versions.h"

#include "ecu/Host.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"

namespace ecu {

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsBlank(char C) { return C == ' ' || C == '\0' || C == '\t'; }

}  // namespace

std::optional<std::int32_t> FirmwareVersionFromText(std::string_view Text) {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  std::size_t i = 0;
  std::int64_t whole = 0;
  while (i < Text.size() && IsDigit(Text[i])) {
    whole = whole * 10 + (Text[i] - '0');
    if (whole > 1000000) return std::nullopt;
    ++i;
  }
  if (i == 0) return std::nullopt;
  std::int32_t hundredths = 0;
  if (i < Text.size()) {
    if (Text[i] != '.' && Text[i] != ',') return std::nullopt;
    ++i;
    const std::size_t digits = Text.size() - i;
    if (digits < 1 || digits > 2) return std::nullopt;
    for (std::size_t k = 0; k < 2; ++k) {
      hundredths *= 10;
      if (k < digits) {
        if (!IsDigit(Text[i + k])) return std::nullopt;
        hundredths += Text[i + k] - '0';
      }
    }
  }
  return static_cast<std::int32_t>(whole * 100 + hundredths);
}

bool IsVersion155To199() {
  return Session().LiveData.FirmwareVersion100 >= 155 && Session().LiveData.FirmwareVersion100 <= 199;
}

bool IsVersion155To199Or357To399() {
  return IsVersion155To199() ||
         (Session().LiveData.FirmwareVersion100 >= 357 && Session().LiveData.FirmwareVersion100 <= 399);
}

void Check_Versions() {
  Session().LiveData.VersionFamily = IsVersion155To199() ? 1 : 0;
  Session().LiveData.ErrorsClearShown = 0;
  Session().LiveData.LastErrorBits1 = 0;
  Session().LiveData.LastErrorBits2 = 0;
  THost* host = Session().Hosts.Host;
  if (!host) return;
  host->ClearErrorMemo();
  const bool wide = Session().LiveData.VersionFamily == 0;
  host->SetEnabled(TControl::CLB_MAP_Start, wide);
  host->SetEnabled(TControl::CLB_MAP_Stop, wide);
  using C = TControl;
  for (C panel : {C::IND_PressVap, C::IND_PressColl, C::IND_PressDiff, C::IND_TempGas}) host->SetVisible(panel, wide);

  Session().LiveData.IndicatorScale = Session().LiveData.VersionFamily ? 2.0f : 1.0f;
  const float s = Session().LiveData.IndicatorScale;
  for (C panel : {C::IND_Petrol, C::IND_Gas, C::IND_RPM, C::IND_TempVap}) host->SetHeight(panel, 50 * s);
  host->SetTop(C::IND_Gas, 50 * s);
  host->SetTop(C::IND_RPM, 100 * s);
  host->SetTop(C::IND_TempVap, 150 * s);
  for (C label : {C::IND_Petrol_Name, C::IND_Gas_Name, C::IND_RPM_Name, C::IND_TempVap_Name}) {
    host->SetHeight(label, 20 * s);
    host->SetTop(label, 2 * s);
  }
  for (C label : {C::IND_Petrol_Data, C::IND_Gas_Data, C::IND_RPM_Data, C::IND_TempVap_Data}) {
    host->SetHeight(label, 30 * s);
    host->SetTop(label, 18 * s);
  }
  for (C panel : {C::IND_PressVap, C::IND_PressColl, C::IND_PressDiff, C::IND_TempGas}) host->SetHeight(panel, 50);
  if (wide) {
    host->SetTop(C::IND_TempGas, 200);
    host->SetTop(C::IND_PressVap, 250);
    host->SetTop(C::IND_PressColl, 300);
    host->SetTop(C::IND_PressDiff, 350);
  }
  host->ApplyIndicatorFontSizes();
}

}  // namespace ecu
