#include "ecu/Display_Host.h"

namespace ecu {

TDisplayHost* DisplayHost = nullptr;

const char* DisplayControlName(TDisplayControl Control) {
  static const char* const names[DisplayControlCount] = {
      "HudPanel_IND_Petrol",        "HudPanel_IND_Gas",           "HudPanel_IND_RPM",
      "HudPanel_IND_TempVap",       "HudPanel_IND_TempGas",       "HudPanel_IND_PressVap",
      "HudPanel_IND_PressColl",     "HudPanel_IND_PressDiff",     "HudLabel_IND_Petrol_Name",
      "HudLabel_IND_Gas_Name",      "HudLabel_IND_RPM_Name",      "HudLabel_IND_TempVap_Name",
      "HudLabel_IND_Petrol_Data",   "HudLabel_IND_Gas_Data",      "HudLabel_IND_RPM_Data",
      "HudLabel_IND_TempVap_Data",  "HudLabel_IND_TempGas_Data",  "HudLabel_IND_PressVap_Data",
      "HudLabel_IND_PressColl_Data", "HudLabel_IND_PressDiff_Data", "HudLabel_Work_Mode",
      "HudNumberBox_CFG_LevelGas",  "HudLabel_CFG_LevelGas_Current", "Circle_LevelGas_0",
      "Circle_LevelGas_1",          "Circle_LevelGas_2",          "Circle_LevelGas_3",
      "Circle_LevelGas_4",          "Circle_LevelGas_5",          "Circle_LevelGas_6"};
  const int index = static_cast<int>(Control);
  return index >= 0 && index < DisplayControlCount ? names[index] : "";
}

}  // namespace ecu
