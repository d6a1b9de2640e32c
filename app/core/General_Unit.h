// The program's settings: one object with built-in defaults, overwritten from the settings
// file at start and written back when the main window closes. The ECU link reads the program
// code, the port settings and the delays from it; the windows read the rest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The auto-calibration algorithms, in the order of their objects.
constexpr int ACBAlgorithmCount = 4;
inline const std::array<std::string, ACBAlgorithmCount> ACBAlgorithmNames = {
    "Default", "Only OFFSET calibration", "Fast calibration", "High R.P.M. calibration"};
inline constexpr const char* DefaultACBAlgorithm = "Fast calibration";

// One step of an auto-calibration algorithm as a run takes it.
struct TACBStepTimes {
  std::int32_t SettleMs = 0, MeasureMs = 0, Tolerance = 0;  // tolerance in microseconds
  bool operator==(const TACBStepTimes&) const = default;
};
constexpr int ACBStepCapacity = 6;

// Font styles of the 2D library, by index.
enum TFontStyleIndex : std::int32_t { FontRegular = 0, FontBold = 1, FontItalic = 2, FontBoldItalic = 3 };

constexpr std::int32_t DefaultProgramCode = 25;
constexpr std::int32_t DefaultReplyDelay = 60;
constexpr std::int32_t DefaultTransmitDelay = 1500;

// The ranges the settings keep, those of the controls that set them; a value of the settings
// file outside its range is brought into it (a negative delay, which has no meaning, takes the
// default instead), so that nothing the file says can stop the program working.
// The reply delay's box: a request goes within the dialogue step's 5 s, with time left for the
// longest reply and a resend (a delay near the step's time-out would never see a reply).
constexpr std::int32_t MaxReplyDelay = 2000;
// The transmission delay's box.
constexpr std::int32_t MaxTransmitDelay = 100000;
// The program font's sizes: from the indicator tracks' smallest size to the font dialog's
// largest listed size (a size near 0 or a huge one hides every text).
constexpr float MinFontSize = 6;
constexpr float MaxFontSize = 72;
// The indicator font sizes' tracks: names and values from 6 to 22 and 50.
constexpr float MinIndicatorFontSize = 6;
constexpr float MaxIndicatorNameFontSize = 22;
constexpr float MaxIndicatorDataFontSize = 50;
// The indicator column's width lies strictly between these (the splitter's limits).
constexpr std::int32_t IndicatorWidthLow = 60;
constexpr std::int32_t IndicatorWidthHigh = 300;
// The main window's pages (Page_Index 0 .. PageCount - 1).
constexpr std::int32_t PageCount = 4;
// The opacity track's range (an opacity of 0 hides the pages' panels).
constexpr double MinPanelsOpacity = 0.2;
constexpr double MaxPanelsOpacity = 1.0;

// The longest texts the settings take from the file, each as long as its use can bear. A
// font's family name is far shorter in every font there is (the name is copied into every
// control's font: one of megabytes took gigabytes); a path or a file name longer than the
// system's limits names no file.
constexpr std::size_t MaxFontNameLength = 255;
constexpr std::size_t MaxPathLength = 4095;      // PATH_MAX less its terminator
constexpr std::size_t MaxFileNameLength = 255;   // NAME_MAX

class Settings_Class {
public:
  std::uint8_t Program_Code = DefaultProgramCode;
  std::string Port_Name = "COM1";
  bool Search_Port = true;
  std::int32_t Reply_Delay = DefaultReplyDelay;  // ms
  bool Full_Screen = false;
  std::int32_t Page_Index = 0;
  std::string CFG_File_Name;       // without folder and extension
  std::string CFG_Full_File_Name;
  std::int32_t CFG_Transmit_Delay = DefaultTransmitDelay;  // ms
  bool Idle_Points = false;
  bool Map_Point = false;
  bool Diagram_Joystick = false;
  double Panels_Opacity = 1.0;
  std::string Language = "English";
  std::string Font_Name = "Tahoma";
  float Font_Size = 12.0f;
  std::int32_t Font_Style = FontRegular;
  std::string Font_Color = "#FFFFFFFF";
  std::string ACB_SCR_Type = DefaultACBAlgorithm;
  std::int32_t Cylinder_Count = 4;
  std::string Cylinder_Order = "1+12+123+1234";
  // The chosen algorithm's steps, copied in when an auto-calibration starts.
  std::array<TACBStepTimes, ACBStepCapacity> ACBSteps{};
  // Auto-calibration options that the file does not keep.
  bool ACBResetDiagram = true;
  bool ACBLongTopTime = true;
  std::int32_t ACBCycleAllowance = 100;  // ms added to Reply_Delay
  // The indicator font sizes of names and values.
  float IndicatorNameFontSize = 14.0f;
  float IndicatorDataFontSize = 26.0f;
  // The settings file: the program's base name with ".ini" in the current directory (made by
  // the main window).
  std::string SettingsFileName = "gascal.ini";
  // What the last LoadSettings did not take as the file holds it, one line per key.
  std::vector<std::string> LoadReport;

  // The transmission delay as a timer takes it: a value below 1 ms would never fire, so the
  // default stands in for it.
  std::int32_t TransmitDelay() const;
  // Every field back to its built-in default.
  void Reset() { *this = Settings_Class(); }
  bool operator==(const Settings_Class&) const = default;
};

// The settings object: the built-in defaults at start, then what Settings_Default loads.

// The cylinder order that goes with a cylinder count (4, 5, 6, 8); other counts take 4's.
std::string DefaultCylinderOrder(std::int32_t Count);

// What the main window contributes to the settings file when it closes.
struct TMainWindowState {
  std::int32_t Panel_IND_Width = 0;
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
};

// Puts the object's defaults in place (keeping SettingsFileName), lists the language files, sets the default colours
// and loads the settings file.
void Settings_Default();
// Reads the settings file when it exists (keys missing or not converting leave the field as
// it was, values outside their ranges are brought into them, a language whose name cannot
// name its font keys or that the language menu does not list is not taken), then the colours
// and the check of the main window's fill keys; colour role 0 takes the font colour.
// Values not taken or taken otherwise than the file holds them (texts cut, numbers held to
// their ranges, a program code of more than a byte) and what the file's load dropped or cut
// are listed in LoadReport; so are the values that the windows read later and will not take
// (the main window's place and size, unless in full screen, the indicator column's width and
// font sizes, the settings window's place, size and showing). The windows' places and sizes
// held to the screen are added when the main window shows (ReportHeldMainWindowPlace,
// ReportHeldSettingsWindowPlace).
// The port name read becomes the start port of the automatic port search
// (ecu::PortSearch.StartPortName).
void LoadSettings();
// LoadReport as the message window shows it, headed by the file's name; empty when there is
// nothing to report.
std::string SettingsLoadReportText();
// Whether a language's name can name its font keys ("<language>_Color", the longest, is
// written and read back as it is: no blanks, "=" or control characters at its ends, and short
// enough) and its language file (no NUL byte).
bool CanNameFontKeys(const std::string& Language);
// A value of the settings file that its setting does not take (What says what it takes): the
// setting keeps Kept, and Settings.LoadReport says so.
void ReportSettingNotTaken(const std::string& Key, const std::string& Value, const char* What, const std::string& Kept);
// A value of the settings file that its setting takes held to Range ("<low>..<high>"), Used in
// its place, in the words of Settings.LoadReport.
std::string SettingHeldText(const std::string& Key, const std::string& Value, const std::string& Range,
                            const std::string& Used);
// Reads a colour key of the open settings file into Field when it holds a colour text
// ("#AARRGGBB"); anything else leaves Field and is listed in Settings.LoadReport.
void ReadColor(const std::string& Key, std::string& Field);
// Writes every key into the settings file, keeping the file's other keys.
void SaveSettings(const TMainWindowState& Window);

// Numbers with a fraction as the settings file writes them: two decimals, ".".
std::string FractionText(double Value);
// "," or "." as separator; false (Value untouched) for anything else.
bool ReadFraction(const std::string& Text, double& Value);

}  // namespace app
