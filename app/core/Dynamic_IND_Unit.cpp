#include "app/core/Dynamic_IND_Unit.h"

#include <algorithm>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Link_Host.h"
#include "ecu/Live_Data.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace app {

std::unique_ptr<DynamicIND_Class> StatusMessages;

namespace {

void ShowOnLine(const std::string& Color, const std::string& Text) {
  if (!ecu::LinkHost) return;
  ecu::LinkHost->SetTextColor(ecu::TLinkControl::DynamicIND, Color);
  ecu::LinkHost->SetText(ecu::TLinkControl::DynamicIND, Text);
}

std::string HoursText(std::int32_t Minutes) { return ecu::CommaToPoint(rtl::Format("%.2f", Minutes / 60.0)); }

}  // namespace

DynamicIND_Class::DynamicIND_Class() : Timer_DynamicIND(std::make_unique<rtl::TTimer>(nullptr)) {
  Colors.fill("#FFFFFFFF");
  Timer_DynamicIND->SetEnabled(false);
  Timer_DynamicIND->SetInterval(StatusRotationMs);
  Timer_DynamicIND->SetOnTimer([](rtl::TObject*) { ShowNextStatusMessage(); });
}

DynamicIND_Class::~DynamicIND_Class() = default;

void CreateStatusMessages() {
  StatusMessages = std::make_unique<DynamicIND_Class>();
  ecu::StatusPrevious = 192;
}
void FreeStatusMessages() { StatusMessages.reset(); }

std::string WorkingHoursText() {
  const std::int32_t gas = ecu::Configuration ? ecu::Configuration->Work_Gas : 0;
  const std::int32_t petrol = ecu::Configuration ? ecu::Configuration->Work_Petrol : 0;
  const std::string hours = ecu::LngText("Dim_Hour_Long");
  return ecu::LngText("Gas") + " : " + HoursText(gas) + " " + hours + "\n\r" + ecu::LngText("Petrol") + " : " +
         HoursText(petrol) + " " + hours;
}

void ShowStatusMessage(const std::string& Color, const std::string& Text) {
  if (StatusMessages) {
    StatusMessages->Timer_DynamicIND->SetEnabled(false);
    StatusMessages->Timer_DynamicIND->SetEnabled(true);
  }
  ShowOnLine(Color, Text);
}

void AddStatusMessage(const std::string& Color, const std::string& Text) {
  if (Text.empty() || !StatusMessages) return;
  DynamicIND_Class& s = *StatusMessages;
  const auto end = s.Texts.begin() + s.Count;
  if (std::find(s.Texts.begin(), end, Text) != end) return;
  if (s.Count >= StatusMessageCapacity) return;  // the list holds ten
  s.Colors[s.Count] = Color;
  s.Texts[s.Count] = Text;
  ++s.Count;
  s.Current = s.Count;
  ShowStatusMessage(Color, Text);
}

void RemoveStatusMessage(const std::string& Text) {
  if (!StatusMessages) return;
  DynamicIND_Class& s = *StatusMessages;
  if (s.Count == 0 || Text.empty()) return;
  s.Timer_DynamicIND->SetEnabled(false);
  const auto end = s.Texts.begin() + s.Count;
  const auto found = std::find(s.Texts.begin(), end, Text);
  if (found != end) {
    const auto at = found - s.Texts.begin();
    std::move(found + 1, end, found);
    std::move(s.Colors.begin() + at + 1, s.Colors.begin() + s.Count, s.Colors.begin() + at);
    --s.Count;
    s.Colors[s.Count] = "#FFFFFFFF";
    s.Texts[s.Count].clear();
  }
  ShowNextStatusMessage();
}

void ShowNextStatusMessage() {
  if (!StatusMessages) return;
  DynamicIND_Class& s = *StatusMessages;
  s.Timer_DynamicIND->SetEnabled(false);
  if (s.Count > 0) {
    s.Current = s.Current < s.Count ? static_cast<std::uint8_t>(s.Current + 1) : std::uint8_t{1};
    ShowOnLine(s.Colors[s.Current - 1u], s.Texts[s.Current - 1u]);
    s.Timer_DynamicIND->SetEnabled(true);
    return;
  }
  ShowOnLine(Settings ? Settings->Font_Color : ColorTable[Color_General], WorkingHoursText());
}

void StatusReceiveOn() { AddStatusMessage(ColorTable[Color_Txt_Information], ecu::LngText("DynamicIND_Receiv_On")); }

void StatusReceiveOff() {
  RemoveStatusMessage(ecu::LngText("DynamicIND_Receiv_On"));
  ShowStatusMessage(ColorTable[Color_Txt_Complete], ecu::LngText("DynamicIND_Receiv_Off"));
}

}  // namespace app
