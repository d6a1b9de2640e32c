// ".cfg" configuration files, through the path the program takes: any bytes that hold a key of
// a configuration load over the defaults (the customer texts without NUL bytes, which end a text
// where it is shown) and are saved in place (keeping the keys the writer does not set and the
// lines it skips, as the program does); bytes that hold none are refused and change nothing.
// The saved file is whole: it loads with nothing to report, and it is its own
// fixed point: saving once more, in place or as a copy, writes the same bytes as the first save.
#include <cstdio>
#include <string>

#include "app/core/Model.h"
#include "ecu/Config_Unit.h"
#include "ecu/Session.h"
#include "fuzz/FuzzSupport.h"
#include "tools/linkrec/Recorder.h"

using namespace ecu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The application core around the configuration (default curve, R.P.M. map), with its
  // window steps recorded, as gascal-cfg runs it.
  static app::TModel model;
  static linkrec::Recorder host;
  static const bool created = [] {
    CreateConfiguration("");
    return true;
  }();
  (void)created;
  host.ClearLog();
  const std::string file = fuzz::ScratchDir() + "/in.cfg";
  const std::string copy = fuzz::ScratchDir() + "/copy.cfg";
  fuzz::WriteFile(file, Data, Size);
  SetDefaultConfiguration();
  const std::string defaults = fuzz::ScratchDir() + "/defaults.cfg";
  std::remove(defaults.c_str());
  SaveConfigFile(defaults);
  if (!LoadConfigFile(file)) {
    fuzz::Check(Session().ConfigData.ConfigLoadReport.NoConfiguration, "a .cfg file that exists does not load");
    // Refused, it left the model as it was: saved, it writes the defaults' bytes.
    std::remove(copy.c_str());
    SaveConfigFile(copy);
    fuzz::CheckSame(fuzz::ReadFile(defaults), fuzz::ReadFile(copy), "a refused .cfg file changed the model");
    return 0;
  }
  const Configuration_Class& c = *Session().ConfigData.Configuration;
  for (const std::string* text :
       {&c.User_Name, &c.User_Phone, &c.Date_Mounting, &c.Data_KM, &c.Car_Jet, &c.Car_Comments})
    fuzz::Check(text->find('\0') == std::string::npos, "a customer text holding a NUL byte is kept");
  std::string saved;
  for (int save = 1; save <= 2; ++save) {
    SaveConfigFile(file);
    if (save == 2) fuzz::CheckSame(saved, fuzz::ReadFile(file), "a saved .cfg file saves again to other bytes");
    saved = fuzz::ReadFile(file);
    SetDefaultConfiguration();
    fuzz::Check(LoadConfigFile(file), "a saved .cfg file does not load");
    if (!Session().ConfigData.ConfigLoadReport.Problems.empty())
      for (const std::string& line : ConfigLoadReportLines(Session().ConfigData.ConfigLoadReport))
        std::fprintf(stderr, "%s\n", line.c_str());
    fuzz::Check(Session().ConfigData.ConfigLoadReport.Problems.empty(), "a saved .cfg file loads with problems");
  }
  SaveConfigFile(copy, file);
  fuzz::CheckSame(saved, fuzz::ReadFile(copy), "a saved .cfg file saves as a copy to other bytes");
  SaveConfigFile(file);
  fuzz::CheckSame(saved, fuzz::ReadFile(file), "a saved .cfg file saves in place to other bytes");
  return 0;
}
