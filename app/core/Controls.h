// The controls of the main window (and the settings window's port-name box) that the core
// sets through the window steps (app/core/Window_Steps.h): the link's state, the live data's
// layout, the automatic calibration's page and the status line. The core decides what each
// shows; the windows bind each to the part they made for it.
#pragma once

#include <cstdint>

namespace app {

// In the order of their names (ControlId, ControlName).
enum class TControl : std::uint8_t {
  // The link's.
  Connect_Condition,    // a written request awaits its reply
  Port_Connect_Stabil,  // connection quality
  Port_Name,
  Port_Search,
  DynamicIND,  // the status line
  ACB_Start,
  CLB_MAP_Start,
  CLB_MAP_Stop,
  ACB_Progress,
  ACB_Prompt,
  SET_Port_Name,  // of the settings window
  // The live data's and the firmware family's.
  IND_Petrol,
  IND_Gas,
  IND_RPM,
  IND_TempVap,
  IND_TempGas,
  IND_PressVap,
  IND_PressColl,
  IND_PressDiff,
  IND_Petrol_Name,
  IND_Gas_Name,
  IND_RPM_Name,
  IND_TempVap_Name,
  IND_Petrol_Data,
  IND_Gas_Data,
  IND_RPM_Data,
  IND_TempVap_Data,
  IND_TempGas_Data,
  IND_PressVap_Data,
  IND_PressColl_Data,
  IND_PressDiff_Data,
  Work_Mode,
  CFG_LevelGas,
  CFG_LevelGas_Current,
  Circle_LevelGas_0,  // Circle_LevelGas_0 .. Circle_LevelGas_6 follow in order
  Circle_LevelGas_1,
  Circle_LevelGas_2,
  Circle_LevelGas_3,
  Circle_LevelGas_4,
  Circle_LevelGas_5,
  Circle_LevelGas_6,
};
constexpr int ControlCount = 41;
// The enumerator's name ("Port_Connect_Stabil"), and the name of the window's component
// ("HudLabel_Port_Connect_Stabil"); "" for a value outside the enumeration.
const char* ControlId(TControl Control);
const char* ControlName(TControl Control);
constexpr TControl LevelCircle(int Index) {
  return static_cast<TControl>(static_cast<int>(TControl::Circle_LevelGas_0) + Index);
}

}  // namespace app
