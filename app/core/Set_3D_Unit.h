// The settings and skin windows' rules, which need no window: what each control's change
// does to the settings, where the settings window opens, what its close keeps in the
// settings file, and the skin window's Default. GUI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/core/Msg_3D_Unit.h"
#include "app/core/Window_Session.h"

namespace app {

// The program code typed into the settings window: the low byte of a whole number written in
// decimal digits (blanks around it and a sign allowed; "x9" or "$19", which the integer
// conversion would read as hexadecimal, are no codes). Raises rtl::EConvertError ("'x' is not a
// valid integer value") for a text that is none; the setting is unchanged then.
std::uint8_t ProgramCodeFromText(const std::string& Text);
// The program code box's text as the box reads it when it is finished (Enter, the focus
// leaving it), as the delay boxes read theirs.
struct TProgramCodeEntry {
  // The code taken; none for a text that is no decimal whole number (the code stays).
  std::optional<std::uint8_t> Code;
  // What the installer is told, naming the box by its label: a text that is no number, with
  // what the box takes ("SET_Code_No_Number"), or a number beyond a byte, of which the low byte
  // is taken ("SET_Delay_Held"); empty when the number is taken as typed.
  std::string Report;
};
TProgramCodeEntry ProgramCodeEntry(const std::string& Text);
// Takes the code: the settings and the link's frame address take it; with the link up the
// link reconnects and reads all (task 16), otherwise the connect script starts.
void ApplyProgramCode(std::uint8_t Code);

// The number a delay box's text stands for, read as the box reads it at Enter, on leaving and
// at the release of a press; raises the box's own conversion error ("'-' is not a valid
// floating point value") for a text that is no number.
double DelayBoxNumber(const std::string& Text);

// The number boxes' values as the settings keep them (truncated). A negative reply delay
// becomes 0 (the auto-calibration divides by the delay + 100), one above MaxReplyDelay that;
// a transmission delay below 1 ms, which would never fire, becomes the default 1500.
std::int32_t ReplyDelayFromBox(double Value);
std::int32_t TransmitDelayFromBox(double Value);

// The settings window's two delay boxes.
enum class TDelayBox { Reply, Transmit };
// A delay box's text as the box reads it (Enter, leaving the box, the release of a press).
struct TDelayEntry {
  // The delay the settings take; none for a text that is no number (the setting stays).
  std::optional<std::int32_t> Delay;
  // What the installer is told, naming the box by its label in the current language: a text
  // that is no number, with what the box takes ("SET_Delay_No_Number"), or a number the
  // settings hold otherwise than typed, beyond their range ("SET_Delay_Held"); empty when the
  // number is taken as typed (its fraction dropped).
  std::string Report;
};
TDelayEntry DelayBoxEntry(TDelayBox Box, const std::string& Text);
// The algorithm box's text as the settings keep it: one of the four names, else the
// default "Fast calibration" (an unknown name would pick no algorithm at all).
std::string AlgorithmFromBox(const std::string& Text);

// A port chosen by hand in the settings window ("Manual"): it becomes Port_Name and the start
// port of the automatic search, which tries it first and again between the other ports.
void ChoosePortByHand(const std::string& Name);

// The font dialog's colour (0xRRGGBB) as the settings keep it: "#FF" and six hexadecimal
// digits, full alpha.
std::string FontColorText(std::uint32_t Rgb);
// The font dialog's OK: name, size (held within MinFontSize..MaxFontSize), style and colour
// into the settings; colour role 0 takes the colour; the fonts are applied at the next queue
// tick (action 6, 100 ms).
void StoreFontChoice(const std::string& Name, float Size, std::int32_t Style, std::uint32_t Rgb);

// What the installer is told of a size typed into the font dialog that the settings hold to
// MinFontSize..MaxFontSize, in the delay boxes' words after the "Font" label ("Font: 1e6 is
// outside 6 to 72; 72 is taken"); empty for a size within them, and for a text that is no
// number (the dialog refuses it itself).
std::string FontSizeHeldReport(const std::u16string& Typed);

// The settings window's place when it shows: the main window's left, top + 22 and its own
// size, then each of "Form_3D_SET_Pos_X", "_Pos_Y", "_Width", "_Height" the settings file
// holds. The size is kept at least 300 x 200; given the screen's work area, the window is
// kept on it, no larger than it (a file from another screen, or a broken one, cannot put it
// out of reach). Held names each value of the file so held.
TWindowPlace SettingsWindowPlace(const TWindowRect& Main, int Width, int Height,
                                 const std::optional<TWindowRect>& WorkArea = std::nullopt);
// Adds to the settings' load report each value of those four keys that the settings window,
// of its own size Width x Height, will hold so on this screen. Called as the main window shows,
// before the report.
void ReportHeldSettingsWindowPlace(const TWindowRect& Main, int Width, int Height, const TWindowRect& WorkArea);
// Whether the settings file asks for the settings window at start ("Form_3D_SET_Show").
bool SettingsWindowWanted();
// The settings window closes. Closed by the user (the shown flag still set): the flag is
// cleared and its five keys leave the settings file. Closed by the main window (which cleared
// the flag): its geometry is written. Raises what reading or writing the file raises; the flag
// is cleared all the same.
void SettingsWindowClosed(const TWindowRect& Geometry);
// What the user is told when the settings file could not be written: the language's text of
// "SET_Not_Saved" ("The settings were not saved"), ": " and Why.
std::string SettingsNotSavedText(const std::string& Why);

// A secondary window's minimum size.
constexpr int SecondaryMinWidth = 300;
constexpr int SecondaryMinHeight = 200;

// The skin window's Default: font "Tahoma" in white, every colour role its default, the
// default solid window fill; the fill and the fonts are applied after 300 ms (actions 5, 6).
void ApplyDefaultSkin();

// The built-in English texts of the settings and skin windows' own keys: each sets Text
// when the key being looked up (ecu::Texts.CurrentLngKey) is in its table.
void SettingsWindowEnglishText(std::string& Text);
void SkinWindowEnglishText(std::string& Text);

}  // namespace app
