#include "app/core/Set_3D_Unit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <span>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "ecu/FindUnit.h"
#include "ecu/Language_En.h"
#include "ecu/Link_State.h"
#include "ecu/Port_3D_Unit.h"
#include "ecu/Receiver_Unit.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

const std::array<const char*, 4> GeometryKeys = {"Form_3D_SET_Pos_X", "Form_3D_SET_Pos_Y", "Form_3D_SET_Width",
                                                 "Form_3D_SET_Height"};

// Truncates toward zero into the 32-bit range (a box may hold any double).
std::int32_t Truncated(double Value) {
  if (std::isnan(Value)) return 0;
  const double t = std::trunc(Value);
  if (t <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (t >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(t);
}

// The text of Key in the current language, its file read for it when its texts are not at
// hand.
std::string SettingsLanguageText(const char* Key) {
  const TLanguageFileScope file;
  return KeyText(Key);
}

// A whole number in decimal digits, with blanks around it and a sign: its low byte, and whether
// the number is that byte (0..255). None for any other text.
struct TCodeNumber {
  std::uint8_t LowByte;
  bool Byte;
};
std::optional<TCodeNumber> CodeNumber(const std::string& Text) {
  std::size_t i = 0, e = Text.size();
  while (i < e && Text[i] == ' ') ++i;
  while (e > i && Text[e - 1] == ' ') --e;
  bool negative = false;
  if (i < e && (Text[i] == '+' || Text[i] == '-')) negative = Text[i++] == '-';
  if (i == e) return std::nullopt;
  unsigned low = 0;
  std::uint64_t value = 0;  // stops growing past a byte
  for (; i < e; ++i) {
    if (Text[i] < '0' || Text[i] > '9') return std::nullopt;
    const unsigned digit = static_cast<unsigned>(Text[i] - '0');
    low = (low * 10 + digit) % 256;
    value = std::min<std::uint64_t>(value * 10 + digit, 1000);
  }
  if (negative) low = (256 - low) % 256;
  return TCodeNumber{static_cast<std::uint8_t>(low), value <= 255 && (!negative || value == 0)};
}

}  // namespace

std::uint8_t ProgramCodeFromText(const std::string& Text) {
  const std::optional<TCodeNumber> number = CodeNumber(Text);
  if (!number) throw rtl::EConvertError("'" + Text + "' is not a valid integer value");
  return number->LowByte;
}

TProgramCodeEntry ProgramCodeEntry(const std::string& Text) {
  TProgramCodeEntry entry;
  const std::optional<TCodeNumber> number = CodeNumber(Text);
  if (!number) {
    entry.Report =
        SettingsLanguageText("SET_Program_Code") + ": " + FilledKeyText("SET_Code_No_Number", Text, "0", "255", {});
    return entry;
  }
  entry.Code = number->LowByte;
  if (!number->Byte)
    entry.Report = HeldNumberText("SET_Program_Code", Text, "0", "255", std::to_string(number->LowByte));
  return entry;
}

void ApplyProgramCode(std::uint8_t Code) {
  Model().Settings.Program_Code = Code;
  // The link builds each frame's address from the settings.
  if (ecu::Session().Link.LinkUp)
    ecu::RequestTask(ecu::TTask::Connect);
  else
    ecu::Script_Connect();
}

double DelayBoxNumber(const std::string& Text) { return rtl::StrToFloat(Text); }

std::int32_t ReplyDelayFromBox(double Value) { return std::clamp<std::int32_t>(Truncated(Value), 0, MaxReplyDelay); }

std::int32_t TransmitDelayFromBox(double Value) {
  const std::int32_t v = Truncated(Value);
  return v < 1 ? DefaultTransmitDelay : v;
}

TDelayEntry DelayBoxEntry(TDelayBox Box, const std::string& Text) {
  const bool reply = Box == TDelayBox::Reply;
  const std::int32_t least = reply ? 0 : 1, most = reply ? MaxReplyDelay : MaxTransmitDelay;
  const auto said = [&](const char* Key, const std::string& Held) {
    return SettingsLanguageText(reply ? "Delay" : "SET_Transmit_Delay") + ": " +
           FilledKeyText(Key, Text, std::to_string(least), std::to_string(most), Held);
  };
  TDelayEntry entry;
  double typed = 0;
  try {
    typed = DelayBoxNumber(Text);
  } catch (const rtl::EConvertError&) {
    entry.Report = said("SET_Delay_No_Number", {});
    return entry;
  }
  // The transmission delay's box holds a number to MaxTransmitDelay as it reads it.
  entry.Delay = reply ? ReplyDelayFromBox(typed) : TransmitDelayFromBox(std::min<double>(typed, MaxTransmitDelay));
  if (*entry.Delay != Truncated(typed)) entry.Report = said("SET_Delay_Held", std::to_string(*entry.Delay));
  return entry;
}

std::string AlgorithmFromBox(const std::string& Text) {
  for (const std::string& name : ACBAlgorithmNames)
    if (name == Text) return name;
  return DefaultACBAlgorithm;
}

std::string FontColorText(std::uint32_t Rgb) {
  char text[16];
  std::snprintf(text, sizeof(text), "#FF%06X", static_cast<unsigned>(Rgb & 0xFFFFFFu));
  return text;
}

void ChoosePortByHand(const std::string& Name) {
  Model().Settings.Port_Name = Name;
  ecu::Session().PortSearch.StartPortName = Name;
}

void StoreFontChoice(const std::string& Name, float Size, std::int32_t Style, std::uint32_t Rgb) {
  Model().Settings.Font_Name = Name;
  Model().Settings.Font_Size = std::isfinite(Size) ? std::clamp(Size, MinFontSize, MaxFontSize) : Model().Settings.Font_Size;
  Model().Settings.Font_Style = std::clamp<std::int32_t>(Style, FontRegular, FontBoldItalic);
  Model().Settings.Font_Color = FontColorText(Rgb);
  Model().Colors.ColorTable[Color_General] = Model().Settings.Font_Color;
  QueueAction(Action_ApplyFonts, 100);
}

std::string FontSizeHeldReport(const std::u16string& Typed) {
  std::string text = rtl::Trim(KeptText(Typed));
  std::replace(text.begin(), text.end(), ',', '.');
  double size = 0;
  if (!rtl::TryStrToFloat(text, size) || !std::isfinite(size)) return {};
  if (size >= MinFontSize && size <= MaxFontSize) return {};
  const auto whole = [](float Size) { return std::to_string(static_cast<int>(Size)); };
  return SettingsLanguageText("Font") + ": " +
         FilledKeyText("SET_Delay_Held", KeptText(Typed), whole(MinFontSize), whole(MaxFontSize),
                       whole(size < MinFontSize ? MinFontSize : MaxFontSize));
}

TWindowPlace SettingsWindowPlace(const TWindowRect& Main, int Width, int Height,
                                 const std::optional<TWindowRect>& WorkArea) {
  const TWindowRect own = SecondaryWindowPlace(Main, Width, Height);
  // Without the file, an empty store: nothing of it is read.
  ecu::KeyFileOpen(Model().Settings.SettingsFileName);
  TWindowPlace place =
      WindowPlaceFromKeys(GeometryKeys, own, TWindowLimits{SecondaryMinWidth, SecondaryMinHeight, WorkArea, 0});
  ecu::KeyFileClose();
  return place;
}

void ReportHeldSettingsWindowPlace(const TWindowRect& Main, int Width, int Height, const TWindowRect& WorkArea) {
  const std::vector<std::string> held = SettingsWindowPlace(Main, Width, Height, WorkArea).Held;
  std::vector<std::string>& report = Model().Settings.LoadReport;
  report.insert(report.end(), held.begin(), held.end());
}

bool SettingsWindowWanted() { return ecu::KeyFileGetBool(Model().Settings.SettingsFileName, "Form_3D_SET_Show"); }

void SettingsWindowClosed(const TWindowRect& Geometry) {
  const bool byUser = ecu::Session().Link.SettingsWindowShown != 0;
  ecu::Session().Link.SettingsWindowShown = 0;
  ecu::KeyFileOpen(Model().Settings.SettingsFileName);
  if (byUser) {
    ecu::KeyFileDelete("Form_3D_SET_Show");
    for (const char* key : GeometryKeys) ecu::KeyFileDelete(key);
  } else {
    const int values[4] = {Geometry.Left, Geometry.Top, Geometry.Width, Geometry.Height};
    for (int i = 0; i < 4; ++i) ecu::KeyFileSet(GeometryKeys[i], std::to_string(values[i]), "");
  }
  ecu::KeyFileSave(Model().Settings.SettingsFileName);
}

std::string SettingsNotSavedText(const std::string& Why) { return SettingsLanguageText("SET_Not_Saved") + ": " + Why; }

namespace {
void FromTable(std::span<const ecu::TLngEntry> Table, std::string& Text) {
  for (const ecu::TLngEntry& e : Table)
    if (ecu::IsLngKey(e.Key)) {
      Text = e.Text;
      return;
    }
}
}  // namespace

void SettingsWindowEnglishText(std::string& Text) {
  static const ecu::TLngEntry table[] = {
      {"SET_Program_Code", "Program code"},
      {"SET_Port_Manual", "Manual"},
      {"SET_Skin", "Skin, font, color"},
      {"SET_Transmit_Delay", "Transmission delay changed configuration, ms"},
      {"SET_Idle_Points", "Show diagram idling points"},
      {"SET_Map_Point", "Show diagram MAP point"},
      {"SET_Diagram_Joystick", "Show diagram joystick"},
      {"SET_Opacity", "Opacity"},
      {"SET_ACB_Algorithm", "Autocalibration algorithm"},
      {"SET_Not_Saved", "The settings were not saved"},
      {"SET_Delay_No_Number", "'%TEXT%' is no number; the box takes whole milliseconds from %MIN% to %MAX%"},
      {"SET_Delay_Held", "%TEXT% is outside %MIN% to %MAX%; %HELD% is taken"},
      {"SET_Code_No_Number", "'%TEXT%' is no number; the box takes whole numbers from %MIN% to %MAX%"},
  };
  FromTable(table, Text);
}

void SkinWindowEnglishText(std::string& Text) {
  static const ecu::TLngEntry table[] = {
      {"SKIN_Window", "Skins of the program"},
      {"SKIN_Program_Color", "Program Color"},
      {"SKIN_Font_Color", "Font Color"},
      {"SKIN_Font_Style", "Font Style"},
  };
  FromTable(table, Text);
}

void ApplyDefaultSkin() {
  Model().Settings.Font_Name = "Tahoma";
  SetDefaultSkin();
  SetDefaultColors();
  QueueAction(Action_CopyFillToOpenWindows, 300);
  QueueAction(Action_ApplyFonts, 300);
}

}  // namespace app
