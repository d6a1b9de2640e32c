// The program's colour scheme: the table of 38 colour roles that indicators, status texts,
// diagram, auto-calibration and R.P.M. map draw with, and the main window's fill (colour,
// solid or gradient, gradient point colours) that the other windows copy. Colours are texts:
// a hash sign and eight hexadecimal digits, alpha first.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace app {

constexpr int ColorRoleCount = 38;

// Roles by index.
enum TColorRoleIndex : int {
  Color_General = 0,
  Color_Automat = 1,
  Color_Petrol = 2,
  Color_Gas = 3,
  Color_Port_Open = 10,
  Color_Port_Close = 11,
  Color_Txt_Not_Default = 12,
  Color_Txt_Attention = 13,
  Color_Txt_Information = 14,
  Color_Txt_Complete = 15,
  Color_Txt_Recomm = 16,
  Color_Txt_Error = 17,
  Color_Diagram = 18,
  Color_Diagram_Grid = 19,
  Color_Diagram_Gas = 20,
  Color_Diagram_Vacuum = 21,
  Color_Diagram_ReCalc = 22,
  Color_Diagram_Marked = 23,
  Color_Diagram_Fixed = 24,
  Color_Diagram_Idle = 25,
  Color_Map_Point_Line = 26,
  Color_Map_Point_Gas = 27,
  Color_Map_Point_Petrol = 28,
  Color_ACB_Pet_Pet = 29,
  Color_ACB_Pet_Gas = 30,
  Color_ACB_Gas_Gas = 31,
  Color_MapRPM_Gas = 32,
  Color_MapRPM_Pet = 33,
  Color_MapRPM_Gas_Tail = 34,
  Color_MapRPM_Pet_Tail = 35,
  Color_MapRPM_Cell_Corr = 36,
  Color_MapRPM_Select_Cell = 37,
};

// The settings key of each role ("Color_3D_" and the role's name), its default (role 0's
// default is the settings' font colour) and its built-in English description.
const std::string& ColorKey(int Role);
const std::string& ColorDefault(int Role);
const std::string& ColorEnglishDescription(int Role);

// The main window's fill.
struct TWindowFill {
  std::string Color = "#EAD7D5D5";
  bool Gradient = false;
  std::vector<std::string> GradientColors = {"#FF000000", "#FFFFFFFF"};
  bool operator==(const TWindowFill&) const = default;
};

// The colour table, 38 roles with their defaults at start.
std::array<std::string, ColorRoleCount> DefaultColorTable();

// The colour scheme in force. GUI thread only.
struct TColorState {
  std::array<std::string, ColorRoleCount> ColorTable = DefaultColorTable();
  // Descriptions in the current language (TranslateColorDescriptions).
  std::array<std::string, ColorRoleCount> ColorDescriptions;
  TWindowFill MainWindowFill;
  std::string WindowColorText = "#FFFFFFFF";

  // Everything back to its state at program start.
  void Reset() { *this = TColorState(); }
};

// Colors.WindowColorText := "#FFFFFFFF" and every role its default.
void SetDefaultColors();
// For each role key present in the open key-file store, a colour text of the right form
// replaces the role's colour (any other value keeps it and is listed in the settings' load
// report).
void LoadColors();
// Into the open store: the main window's fill keys, then the 38 role keys, without comments.
void SaveColors();
// Reads the main window's fill keys from the open store ("Form_3D_Color", "Form_3D_Style",
// "Form_3D_GradColor_" + n while the keys run on; a point beyond the fill's is added);
// missing or malformed values leave their part of the fill.
void LoadMainWindowFill();
// Lists in the settings' load report each fill key of the open store that LoadMainWindowFill
// would not take, with what the fill keeps; changes nothing. The settings' load checks them, so
// the report that shows with the main window names them too.
void CheckMainWindowFill();
// Each description := the language text of its key.
void TranslateColorDescriptions();
// The built-in English text of the language key being looked up (ecu::Texts.CurrentLngKey) when
// it is a colour key; Text is left empty otherwise.
void ColorsEnglishText(std::string& Text);
// The fill takes the main window's colour, style and gradient colours (as many points as
// both fills have).
void CopyMainWindowFill(TWindowFill& Target);
// The skin's defaults: solid "#EAD7D5D5", gradient points black and white, font colour white.
void SetDefaultSkin();

}  // namespace app
