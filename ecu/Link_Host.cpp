#include "ecu/Link_Host.h"

namespace ecu {

TLinkHost* LinkHost = nullptr;
TScriptHost* ScriptHost = nullptr;
TMapRPMHost* MapRPMHost = nullptr;
TLinkMonitor* LinkMonitor = nullptr;

const char* LinkControlName(TLinkControl Control) {
  static const char* const names[LinkControlCount] = {
      "Connect_Condition", "Port_Connect_Stabil", "Port_Name",    "Port_Search", "DynamicIND",   "ACB_Start",
      "CLB_MAP_Start",     "CLB_MAP_Stop",        "ACB_Progress", "ACB_Prompt",  "SET_Port_Name"};
  const auto index = static_cast<int>(Control);
  return index < LinkControlCount ? names[index] : "?";
}

}  // namespace ecu
