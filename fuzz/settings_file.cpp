// The files the program reads at start from its folder: the settings file and the temperature
// table. Any bytes load as settings; what the settings then hold stays within what its uses
// can bear (the texts' lengths, no NUL bytes, the ranges of the controls); the file the program writes back
// loads with nothing to report and is its own fixed point: every save after the first writes
// the same bytes (hand-written lines, with or without braces, notes and section heads included).
// The same bytes as the table give values only when they are a whole table.
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/core/General_Unit.h"
#include "app/core/Model.h"
#include "ecu/Calc_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "fuzz/FuzzSupport.h"
#include "tools/linkrec/Recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static app::TModel model;
  static linkrec::Recorder host;
  const std::string ini = fuzz::ScratchDir() + "/gascal.ini";
  fuzz::WriteFile(ini, Data, Size);
  app::Model().Settings.SettingsFileName = ini;
  ecu::Session().Texts.LanguageDir = fuzz::ScratchDir() + "/Language";  // no language files
  app::Settings_Default();
  const app::Settings_Class& s = app::Model().Settings;
  fuzz::Check(s.Font_Name.size() <= app::MaxFontNameLength, "a font name longer than a font's is kept");
  fuzz::Check(s.Port_Name.size() <= app::MaxPathLength, "a port name longer than a path is kept");
  fuzz::Check(s.CFG_Full_File_Name.size() <= app::MaxPathLength, "a configuration path longer than a path is kept");
  fuzz::Check(s.CFG_File_Name.size() <= app::MaxPathLength, "a configuration name longer than a path is kept");
  fuzz::Check(s.Font_Size >= app::MinFontSize && s.Font_Size <= app::MaxFontSize, "a font size out of range");
  fuzz::Check(s.Panels_Opacity >= app::MinPanelsOpacity && s.Panels_Opacity <= app::MaxPanelsOpacity,
              "an opacity out of range");
  fuzz::Check(s.Reply_Delay >= 0 && s.Reply_Delay <= app::MaxReplyDelay, "a reply delay out of range");
  fuzz::Check(s.CFG_Transmit_Delay >= 1 && s.CFG_Transmit_Delay <= app::MaxTransmitDelay,
              "a transmission delay out of range");
  fuzz::Check(app::CanNameFontKeys(s.Language), "a language that cannot name its font keys is taken");
  for (const std::string* text : {&s.Font_Name, &s.Port_Name, &s.CFG_File_Name, &s.CFG_Full_File_Name})
    fuzz::Check(text->find('\0') == std::string::npos, "a text holding a NUL byte is kept");

  // Written back, the file loads with nothing to report, and saves again to the same bytes.
  std::string previous;
  for (int save = 1; save <= 3; ++save) {
    app::SaveSettings({180, 40, 30, 900, 640});  // the main window as the program's close writes it
    const std::string saved = fuzz::ReadFile(ini);
    if (save > 1) fuzz::CheckSame(previous, saved, "a saved settings file saves again to other bytes");
    previous = saved;
    app::Settings_Default();
    if (!s.LoadReport.empty()) std::fprintf(stderr, "%s\n", app::SettingsLoadReportText().c_str());
    fuzz::Check(s.LoadReport.empty(), "a saved settings file loads with changes");
  }

  const std::string table = fuzz::ScratchDir() + "/gascal.dat";
  fuzz::WriteFile(table, Data, Size);
  ecu::Session().ConfigData.SensorTableFileName = table;
  const std::uint8_t high = Size > 0 ? Data[0] : 0, low = Size > 1 ? Data[1] : 0;
  fuzz::Check(ecu::SensorTableValue(high, low).has_value() == (Size == 2048),
              "a table of another size than 2048 bytes gives values, or one of that size none");
  return 0;
}
