// What the main window shows of the link's state: the core host's side of the link's phases,
// its awaited replies, its quality, the firmware's family and the errors the ECU reports.
// The ECU side says what happened; here each is turned into the controls that show it.
#include <string>
#include <vector>

#include "app/core/Controls.h"
#include "app/core/Core_Host.h"
#include "app/core/Global_Unit.h"
#include "ecu/Language.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

using C = TControl;

// The buttons that need the ECU: the automatic calibration's start and the MAP points'.
void EnableLinkButtons(TCoreHost& Host, bool Up) {
  Host.SetEnabled(C::ACB_Start, Up);
  Host.SetEnabled(C::CLB_MAP_Start, Up);
  Host.SetEnabled(C::CLB_MAP_Stop, Up);
}

// The search button, or the status line in its place.
void ShowSearchButton(TCoreHost& Host, bool Show) {
  Host.SetVisible(C::Port_Search, Show);
  Host.SetVisible(C::DynamicIND, !Show);
}

// A pressed automatic calibration is released, then stopped by its start/stop step.
void StopAutoCalibration(TCoreHost& Host) {
  if (!Host.IsPressed(C::ACB_Start)) return;
  Host.SetPressed(C::ACB_Start, false);
  Host.StartStopAutoCalibration();
}

}  // namespace

void TCoreHost::LinkPhaseChanged(ecu::TLinkPhase Phase) {
  using P = ecu::TLinkPhase;
  switch (Phase) {
    case P::Reset:
      DropPendingTransmit();
      NoteWritesAtClose();
      ShowSearchButton(*this, true);
      if (IsPressed(C::ACB_Start)) {
        SetValue(C::ACB_Progress, 0);
        SetText(C::ACB_Prompt, ecu::LngText("ACB_Prompt_Connect"));
        SetColor(C::ACB_Prompt, ColorText(ecu::TColorRole::Txt_Error));
      }
      EnableLinkButtons(*this, false);
      break;
    case P::Searching:
      SetVisible(C::Port_Search, false);
      SetVisible(C::DynamicIND, false);
      break;
    case P::SearchStopped: ShowSearchButton(*this, true); break;
    case P::Opened:
      SetVisible(C::Port_Search, !ecu::Session().Link.PortSearching);
      SetVisible(C::DynamicIND, false);
      SetText(C::Port_Name, Port_Name());
      SetColor(C::Port_Name, ColorText(ecu::TColorRole::Port_Open));
      break;
    case P::Up:
      NotWrittenReportsRearmed();
      // The ECU is read again (also when the link was up: a reconnect asked for): the changes
      // made before are replaced by what it keeps.
      DropPendingReplacedByRead();
      ShowSearchButton(*this, false);
      if (ecu::Session().Link.SettingsWindowShown) SetText(C::SET_Port_Name, Port_Name());
      StopAutoCalibration(*this);
      EnableLinkButtons(*this, true);
      break;
    case P::PortClosed:
      ShowSearchButton(*this, true);
      SetColor(C::Port_Name, ColorText(ecu::TColorRole::Port_Close));
      break;
  }
}

void TCoreHost::ReplyPending(bool Pending) { SetVisible(C::Connect_Condition, Pending); }

std::string TCoreHost::QualityColor(std::int32_t Percent) const {
  if (Percent <= 30) return ColorText(ecu::TColorRole::Port_Close);
  if (Percent <= 50) return "#FFE7A327";
  if (Percent <= 60) return "#FFE7C227";
  if (Percent <= 70) return "#FFFFFF00";
  if (Percent <= 80) return "#FFDEE727";
  if (Percent <= 90) return "#FFBFE727";
  return ColorText(ecu::TColorRole::Port_Open);
}

void TCoreHost::ConnectQualityChanged(std::int32_t Percent) {
  SetColor(C::Port_Connect_Stabil, QualityColor(Percent));
  SetText(C::Port_Connect_Stabil, rtl::IntToStr(Percent) + "%");
}

void TCoreHost::FirmwareFamilyKnown() {
  ClearErrorMemo();
  const bool wide = ecu::Session().LiveData.VersionFamily == 0;
  SetEnabled(C::CLB_MAP_Start, wide);
  SetEnabled(C::CLB_MAP_Stop, wide);
  for (C panel : {C::IND_PressVap, C::IND_PressColl, C::IND_PressDiff, C::IND_TempGas}) SetVisible(panel, wide);
  const float s = ecu::Session().LiveData.IndicatorScale;
  for (C panel : {C::IND_Petrol, C::IND_Gas, C::IND_RPM, C::IND_TempVap}) SetHeight(panel, 50 * s);
  SetTop(C::IND_Gas, 50 * s);
  SetTop(C::IND_RPM, 100 * s);
  SetTop(C::IND_TempVap, 150 * s);
  for (C label : {C::IND_Petrol_Name, C::IND_Gas_Name, C::IND_RPM_Name, C::IND_TempVap_Name}) {
    SetHeight(label, 20 * s);
    SetTop(label, 2 * s);
  }
  for (C label : {C::IND_Petrol_Data, C::IND_Gas_Data, C::IND_RPM_Data, C::IND_TempVap_Data}) {
    SetHeight(label, 30 * s);
    SetTop(label, 18 * s);
  }
  for (C panel : {C::IND_PressVap, C::IND_PressColl, C::IND_PressDiff, C::IND_TempGas}) SetHeight(panel, 50);
  if (wide) {
    SetTop(C::IND_TempGas, 200);
    SetTop(C::IND_PressVap, 250);
    SetTop(C::IND_PressColl, 300);
    SetTop(C::IND_PressDiff, 350);
  }
  ApplyIndicatorFontSizes();
}

void TCoreHost::ErrorsReported(const std::vector<std::string>& Texts) {
  ClearErrorMemo();
  for (const std::string& text : Texts) AddErrorMemoLine(text);
}

void TCoreHost::EngineStopped() { StopAutoCalibration(*this); }

}  // namespace app
