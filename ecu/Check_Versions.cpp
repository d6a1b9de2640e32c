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
  Session().LiveData.IndicatorScale = Session().LiveData.VersionFamily ? 2.0f : 1.0f;
  if (Session().Hosts.Host) Session().Hosts.Host->FirmwareFamilyKnown();
}

}  // namespace ecu
