// What the main window and the pages read of the session and the commands they give it: the
// program's files and the state at start, the configuration and its load report, the live
// values they draw, the work-mode commands and the settings window's shown flag. The windows
// reach the ECU side's session only through these and the other views of app/core
// (Window_Texts.h, CFG_Page_View.h, Port_View.h). GUI thread only.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/core/Msg_3D_Unit.h"

namespace app {

// ---- Start.
// The program's name: its file's name without the extension ("gascal" when nothing is left).
std::string ProgramName(const std::string& ProgramPath);
// The program's files in ProgramDir, named after the program file's base name ProgramName:
// the configurations ("Config") and languages ("Language") folders, the settings file
// ("<name>.ini") and the sensor table ("<name>.dat"); the port closed, the link down, the
// main window not shown, the sensor table's message armed.
void StartProgramFiles(const std::string& ProgramDir, const std::string& ProgramName);
// The configuration the settings name (CFG_Full_File_Name), or the default one.
void CreateConfiguration();
// The live values as they stand onto the indicators (as after a live reply).
void ShowLiveValues();
// The error memo's lines again, in the language now current (after a language change).
void ShowErrorsInLanguage();
// What reading the configuration file changed, or that it holds no configuration and was not
// read, in the message window (kind 13); nothing when it changed nothing or no host is
// installed.
void ShowConfigLoadReport();
// Shows in the message window what the settings file held that could not be taken as it was.
void ShowSettingsLoadReport();

// ---- The settings file's window keys.
// Whether the settings window was open when the program last ended ("Form_3D_SET_Show").
bool SettingsWindowWasOpen();

// The main window's smallest size, and how far full screen reaches beyond each edge of the
// work area (the farthest the window may stand off it).
constexpr int MainMinWidth = 400;
constexpr int MainMinHeight = 300;
constexpr int FullScreenMargin = 12;

// What a window's place and size may be: at least MinWidth x MinHeight and, given the screen's
// work area, within that area grown by Margin on every side (no larger, and on it).
struct TWindowLimits {
  int MinWidth = 0, MinHeight = 0;
  std::optional<TWindowRect> WorkArea;
  int Margin = 0;
};
// A window's place and size from the settings file and what of them the window takes otherwise.
struct TWindowPlace {
  TWindowRect Rect;
  // Each value of the file held to the limits, in the words of the settings' load report.
  std::vector<std::string> Held;
};
// The place from four keys (left, top, width, height) of the settings file's open store: each
// that holds a whole number stands in for Default's field; then the size and the place are held
// to Limits.
TWindowPlace WindowPlaceFromKeys(const std::array<const char*, 4>& Keys, const TWindowRect& Default,
                                 const TWindowLimits& Limits);
// The main window's limits on a screen whose work area is WorkArea.
TWindowLimits MainWindowLimits(const TWindowRect& WorkArea);

// The main window's place and size as its layout step takes them from the settings file
// (Current standing in for a key the file lacks or that does not read, held to the main
// window's limits), its indicator column width and indicator font sizes (each absent when the
// file lacks it or it does not read); the main window's fill is read with them into the
// model's colours. None without the file.
struct TMainWindowKeys {
  TWindowRect Place;
  std::optional<int> IndicatorWidth;
  std::optional<double> NameFontSize, DataFontSize;
};
std::optional<TMainWindowKeys> ReadMainWindowKeys(const TWindowRect& Current, const TWindowRect& WorkArea);
// Adds to the settings' load report each value of the main window's place and size keys that
// its layout step will hold to its limits on this screen (not in full screen), standing at Main
// until then. Called as the main window shows, before the report.
void ReportHeldMainWindowPlace(const TWindowRect& Main, const TWindowRect& WorkArea);

// ---- Live values.
// The work mode of the last live sample (1 petrol, 2 automat, 4 gas), the level sensor's reading (0 .. 1023),
// the indicators' scale for the firmware family, the engine's cylinders (0 without a
// configuration).
int LiveWorkMode();
int LiveLevel();
float IndicatorScale();
int Cylinders();
// A write task runs now.
bool TaskRunning();

// ---- Commands. With no ECU answering each asks nothing, and the user is told
// (app::RequestCommand).
// The work-mode button: in petrol (1) task Mode1, in automat (2) the gas mode with the mode
// command's flags, in gas (4) the petrol mode; nothing before a live sample.
void SwitchWorkMode();
// The gas-mode key: the gas mode with the mode command's flags.
void RequestGasMode();
// The petrol-mode key.
void RequestPetrolMode();
// The configuration page's "clear errors" button: the ECU clears its errors.
void ClearEcuErrors();
// The settings window is shown by the user (true) or closed by the main window's close.
void SetSettingsWindowShown(bool Value);
bool SettingsWindowShown();
// The calibration diagram has no point selected.
void DeselectDiagramPoint();

}  // namespace app
