#include "app/core/Dynamic_IND_Unit.h"

#include <algorithm>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/loop/Timer.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

void ShowOnLine(const std::string& Color, const std::string& Text) {
  TCoreHost* host = Model().CoreHost;
  if (!host) return;
  host->SetColor(TControl::DynamicIND, Color);
  host->SetText(TControl::DynamicIND, Text);
}

std::string HoursText(std::int32_t Minutes) { return ecu::CommaToPoint(rtl::Format("%.2f", Minutes / 60.0)); }

// The language keys of the messages the status line keeps in force.
constexpr const char* StatusKeys[] = {"DynamicIND_Engine_off", "DynamicIND_Low_pressure",
                                      "DynamicIND_Not_Save_Data", "DynamicIND_Error",
                                      "DynamicIND_Transmission", "DynamicIND_Receiv_On",
                                      "DynamicIND_Close_Wait"};

// The key a message's text was looked up by in the current language (empty: none of them).
std::string StatusKeyOf(const std::string& Text) {
  for (const char* key : StatusKeys)
    if (ecu::LngText(key) == Text) return key;
  return {};
}

}  // namespace

DynamicIND_Class::DynamicIND_Class() { this->Colors.fill("#FFFFFFFF"); }

DynamicIND_Class::~DynamicIND_Class() = default;

void DynamicIND_Class::Reset() {
  this->Colors.fill("#FFFFFFFF");
  for (std::string& text : Texts) text.clear();
  for (std::string& key : Keys) key.clear();
  Count = 0;
  Current = 0;
  Timer_DynamicIND.reset();
}

void CreateStatusMessages() {
  Model().StatusMessages.Reset();
  Model().StatusMessages.Timer_DynamicIND = std::make_unique<rtl::TTimer>(nullptr);
  rtl::TTimer& timer = *Model().StatusMessages.Timer_DynamicIND;
  timer.SetEnabled(false);
  timer.SetInterval(StatusRotationMs);
  timer.SetOnTimer([](rtl::TObject*) { ShowNextStatusMessage(); });
  ecu::Session().LiveData.StatusPrevious = 192;
}
void FreeStatusMessages() { Model().StatusMessages.Reset(); }

std::string WorkingHoursText() {
  const std::int32_t gas =
      ecu::Session().ConfigData.Configuration ? ecu::Session().ConfigData.Configuration->Work_Gas : 0;
  const std::int32_t petrol =
      ecu::Session().ConfigData.Configuration ? ecu::Session().ConfigData.Configuration->Work_Petrol : 0;
  const std::string hours = ecu::LngText("Dim_Hour_Long");
  return ecu::LngText("Gas") + " : " + HoursText(gas) + " " + hours + "\n\r" + ecu::LngText("Petrol") + " : " +
         HoursText(petrol) + " " + hours;
}

void ShowStatusMessage(const std::string& Color, const std::string& Text) {
  if (Model().StatusMessages.Created()) {
    Model().StatusMessages.Timer_DynamicIND->SetEnabled(false);
    Model().StatusMessages.Timer_DynamicIND->SetEnabled(true);
  }
  ShowOnLine(Color, Text);
}

void AddStatusMessage(const std::string& Color, const std::string& Text) {
  if (Text.empty() || !Model().StatusMessages.Created()) return;
  DynamicIND_Class& s = Model().StatusMessages;
  const auto end = s.Texts.begin() + s.Count;
  if (std::find(s.Texts.begin(), end, Text) != end) return;
  if (s.Count >= StatusMessageCapacity) return;  // the list holds ten
  s.Colors[s.Count] = Color;
  s.Texts[s.Count] = Text;
  s.Keys[s.Count] = StatusKeyOf(Text);
  ++s.Count;
  s.Current = s.Count;
  ShowStatusMessage(Color, Text);
}

void RemoveStatusMessage(const std::string& Text) {
  if (!Model().StatusMessages.Created()) return;
  DynamicIND_Class& s = Model().StatusMessages;
  if (s.Count == 0 || Text.empty()) return;
  s.Timer_DynamicIND->SetEnabled(false);
  const auto end = s.Texts.begin() + s.Count;
  const auto found = std::find(s.Texts.begin(), end, Text);
  if (found != end) {
    const auto at = found - s.Texts.begin();
    std::move(found + 1, end, found);
    std::move(s.Colors.begin() + at + 1, s.Colors.begin() + s.Count, s.Colors.begin() + at);
    std::move(s.Keys.begin() + at + 1, s.Keys.begin() + s.Count, s.Keys.begin() + at);
    --s.Count;
    s.Colors[s.Count] = "#FFFFFFFF";
    s.Texts[s.Count].clear();
    s.Keys[s.Count].clear();
  }
  ShowNextStatusMessage();
}

void ShowNextStatusMessage() {
  if (!Model().StatusMessages.Created()) return;
  DynamicIND_Class& s = Model().StatusMessages;
  s.Timer_DynamicIND->SetEnabled(false);
  if (s.Count > 0) {
    s.Current = s.Current < s.Count ? static_cast<std::uint8_t>(s.Current + 1) : std::uint8_t{1};
    ShowOnLine(s.Colors[s.Current - 1u], s.Texts[s.Current - 1u]);
    s.Timer_DynamicIND->SetEnabled(true);
    return;
  }
  ShowOnLine(Model().Settings.Font_Color, WorkingHoursText());
}

void StatusMessagesInLanguage() {
  if (!Model().StatusMessages.Created()) return;
  DynamicIND_Class& s = Model().StatusMessages;
  for (std::size_t i = 0; i < s.Count; ++i)
    if (!s.Keys[i].empty()) s.Texts[i] = ecu::LngText(s.Keys[i]);
  if (s.Count > 0 && s.Current >= 1 && s.Current <= s.Count) {
    ShowOnLine(s.Colors[s.Current - 1u], s.Texts[s.Current - 1u]);
    return;
  }
  ShowOnLine(Model().Settings.Font_Color, WorkingHoursText());
}

void StatusReceiveOn() {
  AddStatusMessage(Model().Colors.ColorTable[Color_Txt_Information], ecu::LngText("DynamicIND_Receiv_On"));
}

void StatusReceiveOff() {
  RemoveStatusMessage(ecu::LngText("DynamicIND_Receiv_On"));
  ShowStatusMessage(Model().Colors.ColorTable[Color_Txt_Complete], ecu::LngText("DynamicIND_Receiv_Off"));
}

}  // namespace app
