#include "app/core/Colors_3D_Unit.h"

#include <algorithm>
#include <charconv>

#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// The window fill's points read from the settings file ("Form_3D_GradColor_" and 0, 1, ...).
constexpr std::size_t MaxGradientKeys = 256;
const std::string GradientKeyPrefix = "Form_3D_GradColor_";

struct TRole {
  std::string Key, Default, Description;
};

const std::array<TRole, ColorRoleCount>& Roles() {
  static const std::array<TRole, ColorRoleCount> roles = {{
      {"Color_3D_General", "#FFFFFFFF", "General color for the font"},
      {"Color_3D_Automat", "#FF2BDFEA", "MODE : Automat"},
      {"Color_3D_Petrol", "#FFF9FA4B", "MODE : Petrol"},
      {"Color_3D_Gas", "#FFA4F964", "MODE : Gas"},
      {"Color_3D_RPM", "#FFFFFFFF", "R.P.M."},
      {"Color_3D_PressVap", "#FFFFFFFF", "Reducer pressure"},
      {"Color_3D_Manifuld", "#FFFFFFFF", "Manifuld"},
      {"Color_3D_PressDiff", "#FFFFFFFF", "Differential pressure"},
      {"Color_3D_TempVap", "#FFFFFFFF", "Reducer temperature"},
      {"Color_3D_TempGas", "#FFFFFFFF", "Gas temperature"},
      {"Color_3D_Port_Open", "#FFA4F964", "The connection port is open"},
      {"Color_3D_Port_Close", "#FFF60000", "The connection port is close"},
      {"Color_3D_Txt_Not_Default", "#FFE684D3", "Type a text message: not the factory settings"},
      {"Color_3D_Txt_Attention", "#FFF60000", "Type a text message:Attention"},
      {"Color_3D_Txt_Information", "#FF0000FF", "Type a text message:Information"},
      {"Color_3D_Txt_Complete", "#FF00FF00", "Type a text message:Complete"},
      {"Color_3D_Txt_Recomm", "#FFE911D0", "Type a text message:Recomm"},
      {"Color_3D_Txt_Error", "#FFFF0000", "Type a text message:Error"},
      {"Color_3D_Diagram", "#FFABABAB", "Diagram"},
      {"Color_3D_Diagram_Grid", "#FFFF0000", "The grid diagram"},
      {"Color_3D_Diagram_Gas", "#FF53A33B", "Diagram point: \"Petrol-Gas\""},
      {"Color_3D_Diagram_Vacuum", "#FF00FFFF", "Diagram point: \"Petrol-Vacuum\""},
      {"Color_3D_Diagram_ReCalc", "#FFD01CC3", "Recalculation of the diagram"},
      {"Color_3D_Diagram_Marked", "#FF1F46FD", "The selected point on the diagram"},
      {"Color_3D_Diagram_Fixed", "#FFA4F964", "The fixed point on the diagram"},
      {"Color_3D_Diagram_Idle", "#FFF9FA4B", "Diagram point: \"Idle run\""},
      {"Color_3D_Map_Point_Line", "#FF0000FF", "MAP pair of points"},
      {"Color_3D_Map_Point_Gas", "#FF742626", "MAP points of the gas"},
      {"Color_3D_Map_Point_Petrol", "#FFA37A3B", "MAP points of the Petrol"},
      {"Color_3D_ACB_Pet_Pet", "#FFF9FA4B", "AutoCalibration : Petrol on petrol"},
      {"Color_3D_ACB_Pet_Gas", "#FFC5A41D", "AutoCalibration : Petrol on gas"},
      {"Color_3D_ACB_Gas_Gas", "#FFA4F964", "AutoCalibration : Gas"},
      {"Color_3D_MapRPM_Gas", "#FF00FF00", "Table of R.P.M.: Gas"},
      {"Color_3D_MapRPM_Pet", "#FFFFFF00", "Table of R.P.M.: Petrol"},
      {"Color_3D_MapRPM_Gas_Tail", "#FF006E01", "Table of R.P.M.: gas trace (\"tail\")"},
      {"Color_3D_MapRPM_Pet_Tail", "#FF858500", "Table of R.P.M.: petrol trace (\"tail\")"},
      {"Color_3D_MapRPM_Cell_Corr", "#FFFF0000", "Table of R.P.M.: indication of correction"},
      {"Color_3D_MapRPM_Select_Cell", "#FF0000FF", "Table of R.P.M.: selected cell or group"},
  }};
  return roles;
}

const TRole& Role(int Index) { return Roles()[static_cast<std::size_t>(std::clamp(Index, 0, ColorRoleCount - 1))]; }

}  // namespace

const std::string& ColorKey(int Role_) { return Role(Role_).Key; }
const std::string& ColorDefault(int Role_) { return Role(Role_).Default; }
const std::string& ColorEnglishDescription(int Role_) { return Role(Role_).Description; }

std::array<std::string, ColorRoleCount> DefaultColorTable() {
  std::array<std::string, ColorRoleCount> table;
  for (int i = 0; i < ColorRoleCount; ++i) table[static_cast<std::size_t>(i)] = Role(i).Default;
  return table;
}

void SetDefaultColors() {
  Model().Colors.WindowColorText = "#FFFFFFFF";
  for (int i = 0; i < ColorRoleCount; ++i) Model().Colors.ColorTable[static_cast<std::size_t>(i)] = Role(i).Default;
  Model().Colors.ColorTable[Color_General] = Model().Settings.Font_Color;
}

void LoadColors() {
  for (int i = 0; i < ColorRoleCount; ++i)
    ReadColor(Role(i).Key, Model().Colors.ColorTable[static_cast<std::size_t>(i)]);
}

void SaveColors() {
  ecu::KeyFileSet("Form_3D_Color", Model().Colors.MainWindowFill.Color, "");
  ecu::KeyFileSet("Form_3D_Style", Model().Colors.MainWindowFill.Gradient ? "vgBrushGradient" : "vgBrushSolid", "");
  const std::vector<std::string>& points = Model().Colors.MainWindowFill.GradientColors;
  for (std::size_t n = 0; n < points.size(); ++n) ecu::KeyFileSet(GradientKeyPrefix + std::to_string(n), points[n], "");
  // A point the fill no longer has keeps no key, which the next start would read as a point:
  // the keys the store holds of points from the fill's count up to the most a load reads, each
  // named by its number's decimal digits, go (the store is searched once, not for each number).
  for (const std::string& held : ecu::KeyFileKeysBeginning(GradientKeyPrefix)) {
    const std::string_view digits = std::string_view(held).substr(GradientKeyPrefix.size());
    std::size_t n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    const bool named =
        error == std::errc() && end == digits.data() + digits.size() && (digits.size() == 1 || digits.front() != '0');
    if (named && n >= points.size() && n < MaxGradientKeys) ecu::KeyFileDelete(held);
  }
  for (int i = 0; i < ColorRoleCount; ++i)
    ecu::KeyFileSet(Role(i).Key, Model().Colors.ColorTable[static_cast<std::size_t>(i)], "");
}

namespace {

// The main window's fill keys of the open store into Fill: a malformed value leaves its part
// of the fill, and is listed in the settings' load report when Report.
void ReadMainWindowFill(TWindowFill& Fill, bool Report) {
  const std::string& value = ecu::Session().Files.KeyFileValue;
  if (ecu::KeyFileFind("Form_3D_Color")) {
    if (ecu::IsARGBText(value))
      Fill.Color = value;
    else if (Report)
      ReportSettingNotTaken("Form_3D_Color", value, "a colour (#AARRGGBB)", Fill.Color);
  }
  if (ecu::KeyFileFind("Form_3D_Style")) {
    if (rtl::SameText(value, "vgBrushGradient"))
      Fill.Gradient = true;
    else if (rtl::SameText(value, "vgBrushSolid"))
      Fill.Gradient = false;
    else if (Report)
      ReportSettingNotTaken("Form_3D_Style", value, "a fill style (vgBrushSolid, vgBrushGradient)",
                            Fill.Gradient ? "vgBrushGradient" : "vgBrushSolid");
  }
  auto& points = Fill.GradientColors;
  for (std::size_t n = 0; n < MaxGradientKeys && ecu::KeyFileFind(GradientKeyPrefix + std::to_string(n)); ++n) {
    if (!ecu::IsARGBText(value)) {
      if (Report)
        ReportSettingNotTaken(GradientKeyPrefix + std::to_string(n), value, "a colour (#AARRGGBB)",
                              n < points.size() ? points[n] : "no point");
      continue;
    }
    if (n < points.size())
      points[n] = value;
    else if (n == points.size())
      points.push_back(value);
  }
}

}  // namespace

void LoadMainWindowFill() { ReadMainWindowFill(Model().Colors.MainWindowFill, false); }

void CheckMainWindowFill() {
  TWindowFill fill = Model().Colors.MainWindowFill;
  ReadMainWindowFill(fill, true);
}

void TranslateColorDescriptions() {
  for (int i = 0; i < ColorRoleCount; ++i) {
    std::string text = ecu::LngText(Role(i).Key);
    Model().Colors.ColorDescriptions[static_cast<std::size_t>(i)] = text.empty() ? Role(i).Description : text;
  }
}

void ColorsEnglishText(std::string& Text) {
  for (const TRole& r : Roles())
    if (ecu::IsLngKey(r.Key)) {
      Text = r.Description;
      return;
    }
}

void CopyMainWindowFill(TWindowFill& Target) {
  Target.Color = Model().Colors.MainWindowFill.Color;
  Target.Gradient = Model().Colors.MainWindowFill.Gradient;
  const std::size_t n = std::min(Target.GradientColors.size(), Model().Colors.MainWindowFill.GradientColors.size());
  std::copy_n(Model().Colors.MainWindowFill.GradientColors.begin(), n, Target.GradientColors.begin());
}

void SetDefaultSkin() {
  Model().Colors.MainWindowFill.Color = "#EAD7D5D5";
  Model().Colors.MainWindowFill.Gradient = false;
  Model().Colors.MainWindowFill.GradientColors = {"#FF000000", "#FFFFFFFF"};
  Model().Settings.Font_Color = "#FFFFFFFF";
}

}  // namespace app
