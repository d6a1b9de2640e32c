#include "app/core/Controls.h"

namespace app {

namespace {

struct TControlNames {
  const char* Id;
  const char* Name;
};

constexpr TControlNames Names[ControlCount] = {
    {"Connect_Condition", "HudButton_3D_GEN_Connect_Condition"},
    {"Port_Connect_Stabil", "HudLabel_Port_Connect_Stabil"},
    {"Port_Name", "HudLabel_Port_Name"},
    {"Port_Search", "HudButton_Port_Search"},
    {"DynamicIND", "HudLabel_DynamicIND"},
    {"ACB_Start", "HudButton_ACB_Start"},
    {"CLB_MAP_Start", "HudButton_CLB_MAP_Start"},
    {"CLB_MAP_Stop", "HudButton_CLB_MAP_Stop"},
    {"ACB_Progress", "ProgressBar_3D_ACB"},
    {"ACB_Prompt", "HudLabel_3D_ACB_Prompt"},
    {"SET_Port_Name", "HudTextBox_3D_SET_Port_Name"},
    {"IND_Petrol", "HudPanel_IND_Petrol"},
    {"IND_Gas", "HudPanel_IND_Gas"},
    {"IND_RPM", "HudPanel_IND_RPM"},
    {"IND_TempVap", "HudPanel_IND_TempVap"},
    {"IND_TempGas", "HudPanel_IND_TempGas"},
    {"IND_PressVap", "HudPanel_IND_PressVap"},
    {"IND_PressColl", "HudPanel_IND_PressColl"},
    {"IND_PressDiff", "HudPanel_IND_PressDiff"},
    {"IND_Petrol_Name", "HudLabel_IND_Petrol_Name"},
    {"IND_Gas_Name", "HudLabel_IND_Gas_Name"},
    {"IND_RPM_Name", "HudLabel_IND_RPM_Name"},
    {"IND_TempVap_Name", "HudLabel_IND_TempVap_Name"},
    {"IND_Petrol_Data", "HudLabel_IND_Petrol_Data"},
    {"IND_Gas_Data", "HudLabel_IND_Gas_Data"},
    {"IND_RPM_Data", "HudLabel_IND_RPM_Data"},
    {"IND_TempVap_Data", "HudLabel_IND_TempVap_Data"},
    {"IND_TempGas_Data", "HudLabel_IND_TempGas_Data"},
    {"IND_PressVap_Data", "HudLabel_IND_PressVap_Data"},
    {"IND_PressColl_Data", "HudLabel_IND_PressColl_Data"},
    {"IND_PressDiff_Data", "HudLabel_IND_PressDiff_Data"},
    {"Work_Mode", "HudLabel_Work_Mode"},
    {"CFG_LevelGas", "HudNumberBox_CFG_LevelGas"},
    {"CFG_LevelGas_Current", "HudLabel_CFG_LevelGas_Current"},
    {"Circle_LevelGas_0", "Circle_LevelGas_0"},
    {"Circle_LevelGas_1", "Circle_LevelGas_1"},
    {"Circle_LevelGas_2", "Circle_LevelGas_2"},
    {"Circle_LevelGas_3", "Circle_LevelGas_3"},
    {"Circle_LevelGas_4", "Circle_LevelGas_4"},
    {"Circle_LevelGas_5", "Circle_LevelGas_5"},
    {"Circle_LevelGas_6", "Circle_LevelGas_6"},
};

const TControlNames* Entry(TControl Control) {
  const auto index = static_cast<int>(Control);
  return index >= 0 && index < ControlCount ? &Names[index] : nullptr;
}

}  // namespace

const char* ControlId(TControl Control) {
  const TControlNames* e = Entry(Control);
  return e ? e->Id : "";
}

const char* ControlName(TControl Control) {
  const TControlNames* e = Entry(Control);
  return e ? e->Name : "";
}

}  // namespace app
