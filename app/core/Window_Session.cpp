#include "app/core/Window_Session.h"

#include <algorithm>
#include <limits>

#include "app/core/Colors_3D_Unit.h"
#include "app/core/Core_Host.h"
#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/SaveLoad_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Live_Data.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

std::optional<int> ReadInt(const char* Key) {
  if (!ecu::KeyFileReadInt(Key)) return std::nullopt;
  return ecu::Session().Files.KeyFileInt;
}

const std::array<const char*, 4> MainWindowKeys = {"Form_3D_GEN_Pos_X", "Form_3D_GEN_Pos_Y", "Form_3D_GEN_Width",
                                                   "Form_3D_GEN_Height"};

std::optional<double> ReadSize(const char* Key) {
  double size = 0;
  if (!ecu::KeyFileFind(Key) || !ReadFraction(ecu::Session().Files.KeyFileValue, size)) return std::nullopt;
  return size;
}

}  // namespace

std::string ProgramName(const std::string& ProgramPath) {
  std::string name = ecu::StripExtension(rtl::ExtractFileName(ProgramPath));
  return name.empty() ? std::string("gascal") : name;
}

void StartProgramFiles(const std::string& ProgramDir, const std::string& ProgramName) {
  ecu::TSession& s = ecu::Session();
  s.ConfigData.ConfigDir = ProgramDir + "/Config";
  s.Texts.LanguageDir = ProgramDir + "/Language";
  Model().Settings.SettingsFileName = ProgramDir + "/" + ProgramName + ".ini";
  s.ConfigData.SensorTableFileName = ProgramDir + "/" + ProgramName + ".dat";
  s.Link.PortOpen = 0;
  s.Link.LinkUp = 0;
  Model().Actions.MainWindowShown = 0;
  s.ConfigData.SensorTableMessageArmed = 1;
}

void CreateConfiguration() { ecu::CreateConfiguration(Model().Settings.CFG_Full_File_Name); }

void ShowLiveValues() { ecu::DynamicIND_Update(); }

void ShowErrorsInLanguage() {
  // No lines: the memo is empty already (nothing reported since the firmware family).
  const std::vector<std::string> texts = ecu::ErrorMemoTexts();
  if (!texts.empty() && ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->ErrorsReported(texts);
}

void ShowConfigLoadReport() {
  const ecu::TConfigLoadReport& report = ecu::Session().ConfigData.ConfigLoadReport;
  if (report.NoConfiguration) {
    // The last file named holds no configuration: the program starts with the defaults.
    if (ecu::Session().Hosts.Host)
      ecu::Session().Hosts.Host->ShowMessageWindow(13,
                                                   "\"" + report.FileName + "\" " + CfgLoadRefusal(report.FileName));
    return;
  }
  const std::vector<std::string> lines = ecu::ConfigLoadReportLines(report);
  if (lines.empty() || !ecu::Session().Hosts.Host) return;
  std::string text = "The configuration file " + report.FileName + " was read with changes:";
  for (const std::string& line : lines) text += "\n" + line;
  ecu::Session().Hosts.Host->ShowMessageWindow(13, text);
}

void ShowSettingsLoadReport() {
  const std::string text = SettingsLoadReportText();
  if (!text.empty() && ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->ShowMessageWindow(13, text);
}

bool SettingsWindowWasOpen() { return ecu::KeyFileGetBool(Model().Settings.SettingsFileName, "Form_3D_SET_Show"); }

TWindowPlace WindowPlaceFromKeys(const std::array<const char*, 4>& Keys, const TWindowRect& Default,
                                 const TWindowLimits& Limits) {
  TWindowPlace place{Default, {}};
  TWindowRect& r = place.Rect;
  int* const fields[4] = {&r.Left, &r.Top, &r.Width, &r.Height};
  std::array<std::optional<std::string>, 4> given;
  for (std::size_t i = 0; i < Keys.size(); ++i)
    if (const std::optional<int> v = ReadInt(Keys[i])) {
      *fields[i] = *v;
      given[i] = ecu::Session().Files.KeyFileValue;
    }
  const std::array<int, 4> file = {r.Left, r.Top, r.Width, r.Height};
  // Each value's range: the size first, since the place's range depends on it.
  constexpr int Unbounded = std::numeric_limits<int>::max();
  std::array<std::pair<int, int>, 4> ranges = {std::pair{-Unbounded, Unbounded}, std::pair{-Unbounded, Unbounded},
                                               std::pair{Limits.MinWidth, Unbounded},
                                               std::pair{Limits.MinHeight, Unbounded}};
  if (Limits.WorkArea) {
    const TWindowRect& w = *Limits.WorkArea;
    const int m = Limits.Margin;
    ranges[2].second = std::max(w.Width + 2 * m, Limits.MinWidth);
    ranges[3].second = std::max(w.Height + 2 * m, Limits.MinHeight);
    r.Width = std::clamp(r.Width, ranges[2].first, ranges[2].second);
    r.Height = std::clamp(r.Height, ranges[3].first, ranges[3].second);
    ranges[0] = {w.Left - m, std::max(w.Left + w.Width + m - r.Width, w.Left - m)};
    ranges[1] = {w.Top - m, std::max(w.Top + w.Height + m - r.Height, w.Top - m)};
  }
  // A window that the file leaves partly on the work area stands where a user's drag can leave
  // it: it is brought onto the area without a word. A place that shows nothing of it is named.
  bool showed = true;
  if (Limits.WorkArea) {
    const TWindowRect& w = *Limits.WorkArea;
    showed = file[0] < w.Left + w.Width && file[0] + r.Width > w.Left && file[1] < w.Top + w.Height &&
             file[1] + r.Height > w.Top;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    *fields[i] = std::clamp(*fields[i], ranges[i].first, ranges[i].second);
    const bool isPlace = i < 2;
    if (given[i] && *fields[i] != file[i] && !(isPlace && showed))
      place.Held.push_back(SettingHeldText(Keys[i], *given[i],
                                           std::to_string(ranges[i].first) + ".." + std::to_string(ranges[i].second),
                                           std::to_string(*fields[i])));
  }
  return place;
}

TWindowLimits MainWindowLimits(const TWindowRect& WorkArea) {
  return {MainMinWidth, MainMinHeight, WorkArea, FullScreenMargin};
}

std::optional<TMainWindowKeys> ReadMainWindowKeys(const TWindowRect& Current, const TWindowRect& WorkArea) {
  if (!ecu::KeyFileLoad(Model().Settings.SettingsFileName)) return std::nullopt;
  TMainWindowKeys keys;
  try {
    keys.Place = WindowPlaceFromKeys(MainWindowKeys, Current, MainWindowLimits(WorkArea)).Rect;
    keys.IndicatorWidth = ReadInt("Panel_IND_Width");
    keys.NameFontSize = ReadSize("Panel_IND_Size_Name");
    keys.DataFontSize = ReadSize("Panel_IND_Size_Data");
    LoadMainWindowFill();
  } catch (...) {
    ecu::KeyFileClose();
    throw;
  }
  ecu::KeyFileClose();
  return keys;
}

void ReportHeldMainWindowPlace(const TWindowRect& Main, const TWindowRect& WorkArea) {
  if (Model().Settings.Full_Screen || !ecu::KeyFileLoad(Model().Settings.SettingsFileName)) return;
  const std::vector<std::string> held = WindowPlaceFromKeys(MainWindowKeys, Main, MainWindowLimits(WorkArea)).Held;
  ecu::KeyFileClose();
  std::vector<std::string>& report = Model().Settings.LoadReport;
  report.insert(report.end(), held.begin(), held.end());
}

int LiveWorkMode() { return ecu::Session().LiveData.WorkMode; }

int LiveLevel() { return ecu::Session().LiveData.LiveLevel; }

float IndicatorScale() { return ecu::Session().LiveData.IndicatorScale; }

int Cylinders() {
  const auto& c = ecu::Session().ConfigData.Configuration;
  return c ? c->Cylinders : 0;
}

bool TaskRunning() { return ecu::Session().Link.TaskRunning != 0; }

void SwitchWorkMode() {
  // With no ECU answering the mode shown is the last one seen, and nothing can be asked.
  if (!ecu::Session().Link.LinkUp) {
    ReportNotWritten(TNotWritten::NoLink);
    return;
  }
  ecu::Session().Link.ModeCommandFlags = 0;
  switch (ecu::Session().LiveData.WorkMode) {
    case 1: RequestCommand(TTask::Mode1); break;
    case 2: RequestGasMode(); break;
    case 4: RequestCommand(TTask::PetrolMode); break;
    default: break;
  }
}

void RequestGasMode() {
  if (!ecu::Session().Link.LinkUp) {
    ReportNotWritten(TNotWritten::NoLink);
    return;
  }
  ecu::Session().Link.ModeCommandFlags = 240;
  RequestCommand(TTask::GasMode);
}

void RequestPetrolMode() { RequestCommand(TTask::PetrolMode); }

void ClearEcuErrors() { RequestCommand(TTask::ClearErrors); }

void SetSettingsWindowShown(bool Value) { ecu::Session().Link.SettingsWindowShown = Value ? 1 : 0; }

bool SettingsWindowShown() { return ecu::Session().Link.SettingsWindowShown != 0; }

void DeselectDiagramPoint() { ecu::Session().ConfigData.SelectedPoint = -1; }

}  // namespace app
