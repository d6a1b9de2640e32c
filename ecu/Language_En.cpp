#include "ecu/Language_En.h"

#include <unordered_map>

#include "ecu/Calc_Unit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

// The spelling of these texts is the program's own and is kept as it stands.
constexpr TLngEntry EnglishTable[] = {
    {"Dim_RPM_Short", "r.p.m."},
    {"Dim_Bar_Long", "bar"},
    {"Dim_Hour_Short", "h"},
    {"Dim_Hour_Long", "hours"},
    {"Dim_Volt_Short", "v"},
    {"Dim_Volt_Long", "volt"},
    {"Dim_MS_Short", "ms"},
    {"Dim_Sec_Long", "sec"},
    {"Dim_KM_Short", "km"},
    {"Dim_MM_Short", "mm"},
    {"Yes", "Yes"},
    {"No", "No"},
    {"Start", "Start"},
    {"Stop", "Stop"},
    {"Gas", "Gas"},
    {"Petrol", "Petrol"},
    {"Automat", "Automat"},
    {"Mode", "Mode"},
    {"RPM", "R.P.M."},
    {"Manifuld", "Manifuld"},
    {"Clear", "Clear"},
    {"Save", "Save"},
    {"Load", "Load"},
    {"Default", "Default"},
    {"Exit", "Exit"},
    {"File", "File"},
    {"Language", "Language"},
    {"Point", "Point"},
    {"Factor", "Factor"},
    {"Table", "Table"},
    {"Range", "Range"},
    {"Dialogue", "Dialogue"},
    {"Flip", "Flip"},
    {"Port", "Port"},
    {"Name", "Name"},
    {"Font", "Font"},
    {"Delay", "Dealy"},
    {"Message", "Message"},
    {"Quantity", "Quantity"},
    {"Settings", "Settings"},
    {"Color", "Color"},
    {"AutoSearchPort", "Auto saerch port"},
    {"Firmware", "Firmware"},
    {"Date", "Date"},
    {"Type", "Type"},
    {"DynamicIND_Error", "ERROR"},
    {"DynamicIND_Error_TempVap", "Vaporizer temperature sensor - fatal error"},
    {"DynamicIND_Error_TempGas", "Gas temperature sensor - fatal error"},
    {"DynamicIND_Error_PressVap", "Vaporizer pressure sensor - fatal error"},
    {"DynamicIND_Error_PressColl", "Manifold pressure sensor - fatal error"},
    {"DynamicIND_Error_LinkInject", "Insufficient productivity of atomizers. It is necessary to increase diameters of jets."},
    {"DynamicIND_Error_GasLeakage", "Broken seal system. Gas leakage."},
    {"DynamicIND_Error_ShortCircuit", "Short-circuit gas injectors"},
    {"DynamicIND_Errors_NotPresent", "Errors are not present."},
    {"DynamicIND_Errors_ECU_Works", "The ECU works normally."},
    {"DynamicIND_Low_pressure", "Low pressure"},
    {"DynamicIND_Normal_pressure", "Normal pressure"},
    {"DynamicIND_Engine_on", "Engine on"},
    {"DynamicIND_Engine_off", "Engine off"},
    {"DynamicIND_Engine_Idling", "Set the idling RPM"},
    {"DynamicIND_Save_Data", "Save data in memory"},
    {"DynamicIND_Not_Save_Data", "Set idling run or switch to petrol"},
    {"DynamicIND_Receiv_On", "Receiv data"},
    {"DynamicIND_Receiv_Off", "Data loaded"},
    {"DynamicIND_Transmission", "Data transmission"},
    {"IND_RPM", "R.P.M."},
    {"IND_PressVap", "P, Reducer"},
    {"IND_PressColl", "P, Manifuld"},
    {"IND_PressDiff", "P, Differential "},
    {"IND_TempVap", "T, Reducer"},
    {"IND_TempGas", "T, Gas"},
    {"IND_Port_Search", "Search port"},
    {"Page_CFG", "Setup"},
    {"CFG_Config", "Configutation"},
    {"CFG_Config_RPM_Prescaler", "R.P.M. prescaler"},
    {"CFG_Config_PG_Temper", "Switch to gas when temperature"},
    {"CFG_Config_PG_RPM", "Switch to gas when RPM"},
    {"CFG_Config_Injection", "Petrol injection"},
    {"CFG_Config_Gas_Type", "Gas type"},
    {"CFG_Config_Level_Sensor", "Gas level sensor type"},
    {"CFG_Config_LevelGas_Buzzer", "Buzzer signal when gas level low"},
    {"CFG_Config_GP_Buzzer", "Buzzer signal when switch to petrol"},
    {"CFG_Config_PG_GAS_Hot_Engine", "Start the car with gas when the engine is hot"},
    {"CFG_LevelSensor", "Gas level sensor"},
    {"CFG_LevelSensor_Current", "Current value"},
    {"CFG_Errors", "Errors"},
    {"CFG_User", "Installer Detail"},
    {"CFG_User_Name", "Name"},
    {"CFG_User_Phone", "Phone"},
    {"CFG_User_Install_Date", "Installed date"},
    {"CFG_User_Install_KM", "Installed KM"},
    {"CFG_User_Gas_Jets", "Gas jet diameter"},
    {"CFG_User_Notice", "Notice"},
    {"Page_ACB", "Auto Calibration"},
    {"ACB_Pet_on_Pet", "Petrol on Petrol"},
    {"ACB_Pet_on_Gas", "Petrol on Gas"},
    {"ACB_Gas_on_Gas", "Gas"},
    {"ACB_Prompt_Start", "To run autocalibration press \"START\"."},
    {"ACB_Prompt_Wait", "Please wait."},
    {"ACB_Prompt_Execute", "Execute autocalibration."},
    {"ACB_Prompt_Clear_Influence", "Resetting the influence coefficients"},
    {"ACB_Prompt_CLB_Transmit", "Transmit of calibration data"},
    {"ACB_Prompt_CFG_Transmit", "Transmit of configuration data"},
    {"ACB_Prompt_CLB_Idling", "Transmit point of idling"},
    {"ACB_Prompt_Restore_Influence", "Restore influence coefficients"},
    {"ACB_Prompt_Restore_CLB", "Restore of calibration data"},
    {"ACB_Prompt_Support_Sample", "Measurement support parameters."},
    {"ACB_Prompt_Support_Transmit", "Transmit support parameters."},
    {"ACB_Prompt_set_RPM", "Set R.P.M."},
    {"ACB_Prompt_raised_RPM", "Keep R.P.M. in current"},
    {"ACB_Prompt_set_RPM_xx", "Set R.P.M. of idling"},
    {"ACB_Prompt_ACB_Continue", "Autocalibration is continued. Wait, please."},
    {"ACB_Prompt_Not_Petrol", "No pulse from petrol injectors."},
    {"ACB_Prompt_Connect", "Autocalibration failed. No connection with ECU"},
    {"ACB_Prompt_Recommend_Max", "Increase jet diameter and repeat autocalibration."},
    {"ACB_Prompt_Recommend_Min", "Decrease jet diameter and repeat autocalibration."},
    {"ACB_Prompt_Failed", "Autocalibration failed."},
    {"ACB_Prompt_Stopped", "Autocalibration stopped."},
    {"ACB_Prompt_Finish", "Autocalibration finished."},
    {"ACB_Prompt_Completion", "Autocalibration successfully completed."},
    {"Page_CLB", "Graph"},
    {"CLB_History_Diagram", "History diagram"},
    {"CLB_History_Back", "Step back"},
    {"CLB_History_Forward", "Step forward"},
    {"MAP_Ctrl", "Run a preliminary correction of the diagram ?"},
    {"MAP_Ctrl_Transmit", "Send change of the diagram and to erase gas points of a map"},
    {"MAP_Ctrl_No_Pair", "Insufficient data for correction of the transitive characteristic"},
    {"MAP_Ctrl_No_Calc", "The MAPs data do not require correction of the transitive characteristic"},
    {"MAP_Collection", "MAP points collection"},
    {"MAP_Delete", "Delete MAP points"},
    {"MAP_To_Count", "To count"},
    {"Page_RPM", "Map"},
    {"Error_File_not_found", "file not found"},
    {"Error_File_not_regular", "is not a regular file"},
    {"Error_File_unreadable", "cannot be read"},
    {"Error_File_too_short", "is too short for a table of 2048 bytes"},
    {"Error_File_not_2048_bytes", "is not 2048 bytes long"},
    {"Error_Temperature", "Temperature ERROR"},
    {"Error_Version", "To work correctly, please install a newer version of the program"},
    {"No_Port", "No port"},
    {"Search_Port", "Search port connection"},
    {"Finds_Port", "Port finds are opening"},
    {"CFG_Config_PG_Time", "Delay of gas injectors"},
};

}  // namespace

std::span<const TLngEntry> EnglishTexts() { return EnglishTable; }

bool IsLngKey(std::string_view Key) {
  // Compared in place (the current key is upper-cased): the host's tables ask it of each of
  // their keys in turn.
  return rtl::SameText(Key, Session().Texts.CurrentLngKey);
}

std::string Language_En_Text(const std::string& Key) {
  // The table by upper-cased key, its first entry of a key (the search order).
  static const std::unordered_map<std::string, const char*> index = [] {
    std::unordered_map<std::string, const char*> byKey;
    for (const TLngEntry& entry : EnglishTable) byKey.emplace(UpperCaseASCII(entry.Key), entry.Text);
    return byKey;
  }();
  std::string text;
  Session().Texts.CurrentLngKey = UpperCaseASCII(Key);
  if (const auto found = index.find(Session().Texts.CurrentLngKey); found != index.end()) return found->second;
  if (Session().Hosts.Host) Session().Hosts.Host->EnglishText(text);
  return text;
}

}  // namespace ecu
