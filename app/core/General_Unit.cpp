#include "app/core/General_Unit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

const char* const ProgramCodeComment = "ECU address: 25 - first ECU variant, 23 - second ECU variant";

void Report(std::string Line) { Model().Settings.LoadReport.push_back(std::move(Line)); }

// A line holding only its key gives one blank as its value; the text is empty, as the save
// writes it back. A text longer than Max (What says what it is), or holding a NUL byte (which
// ends a text for the fonts and the file system), is cut when Cut (at the NUL, then to Max,
// without the blanks the cut leaves at its end, which the file would not give back) and else
// not taken; the report says so.
void ReadText(const std::string& Key, std::string& Field, std::size_t Max, const char* What, bool Cut) {
  if (!ecu::KeyFileFind(Key)) return;
  const std::string& value = ecu::Session().Files.KeyFileValue;
  const std::size_t nul = value.find('\0');
  if (value.size() <= Max && nul == std::string::npos) {
    Field = value == " " ? std::string() : value;
    return;
  }
  std::string line = Key + ": ";
  if (value.size() > Max)
    line += std::to_string(value.size()) + " characters, more than " + What + " (" + std::to_string(Max) + ")";
  if (nul != std::string::npos)
    line += std::string(value.size() > Max ? ", " : "") + "a NUL byte at character " + std::to_string(nul + 1);
  if (Cut) {
    Field = ecu::KeyFileCutText(value, Max);
    line += "; the first " + std::to_string(Field.size()) + " are kept";
  } else {
    line += "; \"" + Field + "\" is kept";
  }
  Report(std::move(line));
}

void ReportNotTaken(const std::string& Key, const std::string& Value, const char* What, const std::string& Kept) {
  ReportSettingNotTaken(Key, Value, What, Kept);
}

// Whether the language menu lists Language ("English", or a file of the Language folder).
bool IsListedLanguage(const std::string& Language) {
  const auto& names = ecu::Session().Texts.LanguageNames;
  return std::find(names.begin(), names.end(), Language) != names.end();
}

// What the load of the file itself dropped or cut: keys cut to the key column, lines without
// a key, lines of a key given again (the save keeps none of them as the file has them).
void ReportFileChanges() {
  const ecu::TFileState& f = ecu::Session().Files;
  for (std::string& line :
       ecu::KeyFileLoadChangeLines(f.KeyFileCutKeys, f.KeyFileKeylessLines, f.KeyFileShortenedLines))
    Report(std::move(line));
  if (!f.KeyFileRepeatedKeys.empty())
    Report("Keys given again, their later lines dropped and the first used: " +
           ecu::PrintableFileTexts(f.KeyFileRepeatedKeys));
}

// A value the setting takes, but not as the file holds it (outside its range): the report says
// what is used instead.
void ReportHeld(const std::string& Key, const std::string& Value, const std::string& Range, const std::string& Used) {
  Report(SettingHeldText(Key, Value, Range, Used));
}

// A boolean; a value that is none leaves Field, and the report says so.
void ReadBool(const std::string& Key, bool& Field) {
  if (!ecu::KeyFileFind(Key)) return;
  const std::string value = ecu::Session().Files.KeyFileValue;
  if (ecu::KeyFileReadBool(Key))
    Field = ecu::Session().Files.KeyFileBool != 0;
  else
    ReportNotTaken(Key, value, "True or False", ecu::BoolToText(Field));
}

// A whole number held to Min..Max: a value below Min takes Below, one above Max takes Max. A
// value that is no whole number leaves Field; either case is reported.
void ReadWhole(const std::string& Key, std::int32_t& Field, std::int32_t Min, std::int32_t Max, std::int32_t Below) {
  if (!ecu::KeyFileFind(Key)) return;
  const std::string value = ecu::Session().Files.KeyFileValue;
  if (!ecu::KeyFileReadInt(Key)) {
    ReportNotTaken(Key, value, "a whole number", std::to_string(Field));
    return;
  }
  const std::int32_t v = ecu::Session().Files.KeyFileInt;
  Field = v < Min ? Below : std::min(v, Max);
  if (Field != v) ReportHeld(Key, value, std::to_string(Min) + ".." + std::to_string(Max), std::to_string(Field));
}

// A number with a fraction held to Min..Max; as ReadWhole otherwise.
template <typename T>
void ReadFractionKey(const std::string& Key, T& Field, double Min, double Max) {
  if (!ecu::KeyFileFind(Key)) return;
  const std::string value = ecu::Session().Files.KeyFileValue;
  double v = 0;
  if (!ReadFraction(value, v)) {
    ReportNotTaken(Key, value, "a number", FractionText(Field));
    return;
  }
  const double held = std::clamp(v, Min, Max);
  Field = static_cast<T>(held);
  if (held != v) ReportHeld(Key, value, FractionText(Min) + ".." + FractionText(Max), FractionText(held));
}

void SetText(const std::string& Key, const std::string& Value) { ecu::KeyFileSet(Key, Value, ""); }
void SetInt(const std::string& Key, std::int64_t Value) { ecu::KeyFileSet(Key, rtl::IntToStr(Value), ""); }
void SetBool(const std::string& Key, bool Value) { ecu::KeyFileSet(Key, ecu::BoolToText(Value), ""); }
void SetFraction(const std::string& Key, double Value) { ecu::KeyFileSet(Key, FractionText(Value), ""); }

// The file name of a path written on either system, without its extension.
std::string BareFileName(const std::string& Path) {
  const std::string native = ecu::NativeFileName(Path);
  const std::size_t slash = native.rfind('/');
  return ecu::StripExtension(slash == std::string::npos ? native : native.substr(slash + 1));
}

// The keys the windows read later: the main window's at its first actions, the settings
// window's as it shows. Checked here, as they will be read, so that the load's report names
// every value of the file that is not used.
void CheckWindowKeys(const Settings_Class& s) {
  struct TWholeKey {
    const char* Key;
    const char* Kept;  // what stands in for it
    bool MainWindow;   // read only out of full screen
  };
  static constexpr TWholeKey Wholes[] = {
      {"Form_3D_GEN_Pos_X", "the main window stays centred across the screen", true},
      {"Form_3D_GEN_Pos_Y", "the main window stays centred down the screen", true},
      {"Form_3D_GEN_Width", "the main window keeps its own width", true},
      {"Form_3D_GEN_Height", "the main window keeps its own height", true},
      {"Panel_IND_Width", "the indicator column keeps its own width", false},
      {"Form_3D_SET_Pos_X", "the settings window opens at the main window's left edge", false},
      {"Form_3D_SET_Pos_Y", "the settings window opens 22 below the main window's top", false},
      {"Form_3D_SET_Width", "the settings window keeps its own width", false},
      {"Form_3D_SET_Height", "the settings window keeps its own height", false},
  };
  for (const TWholeKey& k : Wholes) {
    if ((k.MainWindow && s.Full_Screen) || !ecu::KeyFileFind(k.Key)) continue;
    const std::string value = ecu::Session().Files.KeyFileValue;
    if (!ecu::KeyFileReadInt(k.Key))
      Report(std::string(k.Key) + ": \"" + ecu::PrintableFileText(value) + "\" is not a whole number; " + k.Kept);
  }
  // The column takes a width strictly between its limits, else none (the windows' places and
  // sizes are held to the screen, and named, when the main window shows).
  if (ecu::KeyFileReadInt("Panel_IND_Width")) {
    const std::int32_t width = ecu::Session().Files.KeyFileInt;
    if (!(width > IndicatorWidthLow && width < IndicatorWidthHigh))
      Report("Panel_IND_Width: \"" + ecu::PrintableFileText(ecu::Session().Files.KeyFileValue) + "\" is outside " +
             std::to_string(IndicatorWidthLow + 1) + ".." + std::to_string(IndicatorWidthHigh - 1) +
             "; the indicator column keeps its own width");
  }
  for (const auto& [key, size, max] :
       {std::tuple{"Panel_IND_Size_Name", s.IndicatorNameFontSize, MaxIndicatorNameFontSize},
        std::tuple{"Panel_IND_Size_Data", s.IndicatorDataFontSize, MaxIndicatorDataFontSize}}) {
    if (!ecu::KeyFileFind(key)) continue;
    const std::string value = ecu::Session().Files.KeyFileValue;
    double v = 0;
    if (!ReadFraction(value, v))
      ReportNotTaken(key, value, "a number", FractionText(size));
    else if (const double held = std::clamp<double>(v, MinIndicatorFontSize, max); held != v)
      ReportHeld(key, value, FractionText(MinIndicatorFontSize) + ".." + FractionText(max), FractionText(held));
  }
  if (ecu::KeyFileFind("Form_3D_SET_Show")) {
    const std::string value = ecu::Session().Files.KeyFileValue;
    if (!ecu::KeyFileReadBool("Form_3D_SET_Show")) ReportNotTaken("Form_3D_SET_Show", value, "True or False", "False");
  }
}

bool IsACBAlgorithm(const std::string& Name) {
  for (const std::string& n : ACBAlgorithmNames)
    if (n == Name) return true;
  return false;
}

}  // namespace

std::string SettingHeldText(const std::string& Key, const std::string& Value, const std::string& Range,
                            const std::string& Used) {
  return Key + ": \"" + ecu::PrintableFileText(Value) + "\" is outside " + Range + "; " + Used + " is used";
}

void ReportSettingNotTaken(const std::string& Key, const std::string& Value, const char* What,
                           const std::string& Kept) {
  Report(Key + ": \"" + ecu::PrintableFileText(Value) + "\" is not " + What + "; \"" + Kept + "\" is kept");
}

bool CanNameFontKeys(const std::string& Language) {
  return !Language.empty() && Language.find('\0') == std::string::npos &&
         ecu::KeyFileKeyForm(Language + "_Color") == Language + "_Color";
}

void ReadColor(const std::string& Key, std::string& Field) {
  if (!ecu::KeyFileFind(Key)) return;
  if (ecu::IsARGBText(ecu::Session().Files.KeyFileValue))
    Field = ecu::Session().Files.KeyFileValue;
  else
    ReportNotTaken(Key, ecu::Session().Files.KeyFileValue, "a colour (#AARRGGBB)", Field);
}

std::int32_t Settings_Class::TransmitDelay() const {
  return CFG_Transmit_Delay >= 1 ? CFG_Transmit_Delay : DefaultTransmitDelay;
}

std::string DefaultCylinderOrder(std::int32_t Count) {
  switch (Count) {
    case 5: return "1+12+123+1234+12345";
    case 6: return "14+1245+123456";
    case 8: return "15+1256+123567+12345678";
    default: return "1+12+123+1234";
  }
}

std::string FractionText(double Value) {
  if (!std::isfinite(Value)) Value = 0;
  return ecu::CommaToPoint(rtl::Format("%.2f", Value));
}

bool ReadFraction(const std::string& Text, double& Value) {
  double v = 0;
  if (!rtl::TryStrToFloat(ecu::CommaToPoint(Text), v) || !std::isfinite(v)) return false;
  Value = v;
  return true;
}

void Settings_Default() {
  // The defaults, read from the settings file the main window named.
  const std::string file = Model().Settings.SettingsFileName;
  Model().Settings.Reset();
  Model().Settings.SettingsFileName = file;
  ecu::ListLanguageFiles();
  SetDefaultColors();
  LoadSettings();
}

void LoadSettings() {
  Settings_Class& s = Model().Settings;
  s.LoadReport.clear();
  if (ecu::KeyFileLoad(Model().Settings.SettingsFileName)) {
    if (ecu::KeyFileFind("Program_Code")) {
      // A number of more than a byte gives its low byte, an address the ECU may not answer to.
      const std::string value = ecu::Session().Files.KeyFileValue;
      std::int32_t code = s.Program_Code;
      ReadWhole("Program_Code", code, std::numeric_limits<std::int32_t>::min(),
                std::numeric_limits<std::int32_t>::max(), 0);
      s.Program_Code = static_cast<std::uint8_t>(code & 0xFF);
      if (s.Program_Code != code)
        ReportHeld("Program_Code", value, "0..255", "its low byte " + std::to_string(s.Program_Code));
    }
    if (ecu::KeyFileFind("Language")) {
      // Spelled as the language menu lists it, so that its font keys have one spelling.
      const std::string language = ecu::ListedLanguageName(rtl::Trim(ecu::Session().Files.KeyFileValue));
      if (!CanNameFontKeys(language))
        ReportNotTaken("Language", language, "a language name that can name its font keys", s.Language);
      else if (!IsListedLanguage(language))
        // A name the folder has no file for ("../../etc/passwd") would name font keys of its
        // own in the file, and its texts are nowhere.
        ReportNotTaken("Language", language, "a language of the Language folder", s.Language);
      else
        s.Language = language;
    }
    ReadText(s.Language + "_Name", s.Font_Name, MaxFontNameLength, "a font's name has", true);
    ReadFractionKey(s.Language + "_Size", s.Font_Size, MinFontSize, MaxFontSize);
    if (ecu::KeyFileFind(s.Language + "_Style")) {
      const std::string& style = ecu::Session().Files.KeyFileValue;
      s.Font_Style = ecu::TextToFontStyle(style);
      if (ecu::FontStyleToText(s.Font_Style) != style)
        ReportNotTaken(s.Language + "_Style", style,
                       "a font style (vgFontRegular, vgFontBold, vgFontItalic, vgFontBoldItalic)",
                       ecu::FontStyleToText(s.Font_Style));
    }
    ReadColor(s.Language + "_Color", s.Font_Color);
    ReadText("Port_Name", s.Port_Name, MaxPathLength, "a path can have", false);
    ReadBool("Search_Port", s.Search_Port);
    ReadWhole("Reply_Delay", s.Reply_Delay, 0, MaxReplyDelay, DefaultReplyDelay);
    ReadBool("Full_Screen", s.Full_Screen);
    ReadWhole("Page_Index", s.Page_Index, 0, PageCount - 1, 0);
    ReadText("CFG_File_Name", s.CFG_File_Name, MaxFileNameLength, "a file name can have", false);
    ReadText("CFG_Full_File_Name", s.CFG_Full_File_Name, MaxPathLength, "a path can have", false);
    if (!s.CFG_Full_File_Name.empty()) s.CFG_File_Name = BareFileName(s.CFG_Full_File_Name);
    ReadWhole("CFG_Transmit_Delay", s.CFG_Transmit_Delay, 1, MaxTransmitDelay, DefaultTransmitDelay);
    ReadBool("Idle_Points", s.Idle_Points);
    ReadBool("Map_Point", s.Map_Point);
    ReadBool("Diagram_Joystick", s.Diagram_Joystick);
    if (ecu::KeyFileFind("ACB_SCR_Type")) {
      if (IsACBAlgorithm(ecu::Session().Files.KeyFileValue)) {
        s.ACB_SCR_Type = ecu::Session().Files.KeyFileValue;
      } else {
        s.ACB_SCR_Type = DefaultACBAlgorithm;
        ReportNotTaken("ACB_SCR_Type", ecu::Session().Files.KeyFileValue, "an auto-calibration algorithm",
                       s.ACB_SCR_Type);
      }
    }
    ReadFractionKey("Panels_Opacity", s.Panels_Opacity, MinPanelsOpacity, MaxPanelsOpacity);
    CheckWindowKeys(s);
    LoadColors();
    CheckMainWindowFill();
    ReportFileChanges();
    ecu::KeyFileClose();
  }
  ecu::Session().Texts.CurrentLanguage = s.Language;
  Model().Colors.ColorTable[Color_General] = s.Font_Color;
  // The configured port is the one the automatic search tries first and between the others.
  ecu::Session().PortSearch.StartPortName = s.Port_Name;
}

std::string SettingsLoadReportText() {
  const std::vector<std::string>& lines = Model().Settings.LoadReport;
  if (lines.empty()) return std::string();
  std::string text = "The settings file " + Model().Settings.SettingsFileName + " was read with changes:";
  for (const std::string& line : lines) text += "\n" + line;
  return text;
}

void SaveSettings(const TMainWindowState& Window) {
  const Settings_Class& s = Model().Settings;
  ecu::KeyFileOpen(Model().Settings.SettingsFileName);
  try {
    ecu::KeyFileSet("Program_Code", rtl::IntToStr(s.Program_Code), ProgramCodeComment);
    SetText("Language", s.Language);
    SetText(s.Language + "_Name", s.Font_Name);
    SetFraction(s.Language + "_Size", s.Font_Size);
    SetText(s.Language + "_Style", ecu::FontStyleToText(s.Font_Style));
    SetText(s.Language + "_Color", s.Font_Color);
    SetText("Port_Name", s.Port_Name);
    SetBool("Search_Port", s.Search_Port);
    SetInt("Reply_Delay", s.Reply_Delay);
    SetBool("Full_Screen", s.Full_Screen);
    SetText("CFG_File_Name", s.CFG_File_Name);
    SetText("CFG_Full_File_Name", s.CFG_Full_File_Name);
    SetInt("CFG_Transmit_Delay", s.CFG_Transmit_Delay);
    SetBool("Idle_Points", s.Idle_Points);
    SetBool("Map_Point", s.Map_Point);
    SetBool("Diagram_Joystick", s.Diagram_Joystick);
    SetText("ACB_SCR_Type", s.ACB_SCR_Type);
    SetFraction("Panels_Opacity", s.Panels_Opacity);
    SetInt("Panel_IND_Width", Window.Panel_IND_Width);
    SetFraction("Panel_IND_Size_Name", Model().Settings.IndicatorNameFontSize);
    SetFraction("Panel_IND_Size_Data", Model().Settings.IndicatorDataFontSize);
    SetInt("Form_3D_GEN_Pos_X", Window.Left);
    SetInt("Form_3D_GEN_Pos_Y", Window.Top);
    SetInt("Form_3D_GEN_Width", Window.Width);
    SetInt("Form_3D_GEN_Height", Window.Height);
    SetInt("Page_Index", s.Page_Index);
    SaveColors();
    SetBool("Form_3D_SET_Show", ecu::Session().Link.SettingsWindowShown != 0);
  } catch (...) {
    ecu::KeyFileClose();
    throw;
  }
  ecu::KeyFileSave(Model().Settings.SettingsFileName);
}

}  // namespace app
