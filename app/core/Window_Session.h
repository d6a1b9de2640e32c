// What the main window and the pages read of the session and the commands they give it: the
// program's files and the state at start, the configuration and its load report, the live
// values they draw, the work-mode commands and the settings window's shown flag. The windows
// reach the ECU side's session only through these and the other views of app/core
// (Window_Texts.h, CFG_Page_View.h, Port_View.h). GUI thread only.
#pragma once

#include <optional>
#include <string>

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
// The main window's place, size, indicator column width and indicator font sizes as the
// settings file keeps them (each absent when the file lacks it or it does not read); the
// main window's fill is read with them into the model's colours. None without the file.
struct TMainWindowKeys {
  std::optional<int> Left, Top, Width, Height, IndicatorWidth;
  std::optional<double> NameFontSize, DataFontSize;
};
std::optional<TMainWindowKeys> ReadMainWindowKeys();

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
