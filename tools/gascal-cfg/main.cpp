// gascal-cfg: loads a configuration file (".cfg") over the default configuration, prints the
// model, and saves it back (to the same file, or to a second file name when one is given).
// What the file lacks, or holds in a form or range the configuration cannot take, is listed
// on standard error. A file that cannot be read, or that holds not one key of a configuration,
// is refused as the program refuses it: nothing is printed or written, and the status is 1.
//
//   gascal-cfg Config/Golf.cfg            print and rewrite Config/Golf.cfg
//   gascal-cfg Config/Golf.cfg copy.cfg   print Config/Golf.cfg and write it as copy.cfg,
//                                         with every key of the original that an in-place
//                                         rewrite would keep
//   gascal-cfg --print Config/Golf.cfg    print only
//   gascal-cfg -- -odd.cfg                a name after "--" is a file's, even with a "-"
//   gascal-cfg --help                     tell the usage
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/core/Model.h"
#include "app/core/SaveLoad_Unit.h"
#include "ecu/Config_Unit.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"
#include "tools/linkrec/Recorder.h"

namespace {

void PrintModel(std::ostream& out) {
  const ecu::Configuration_Class& c = *ecu::Session().ConfigData.Configuration;
  auto text = [&](const char* name, const std::string& v) { out << name << " = \"" << v << "\"\n"; };
  auto number = [&](const char* name, long v) { out << name << " = " << v << "\n"; };
  text("Cfg_Name", c.Cfg_Name);
  text("User_Name", c.User_Name);
  text("User_Phone", c.User_Phone);
  text("Date_Mounting", c.Date_Mounting);
  text("Data_KM", c.Data_KM);
  text("Car_Jet", c.Car_Jet);
  text("Car_Comments", c.Car_Comments);
  number("Work_Gas", c.Work_Gas);
  number("Work_Petrol", c.Work_Petrol);
  number("Save_Map", c.Save_Map);
  text("RPM_PreScaler", c.RPM_PreScaler);
  number("PG_RPM", c.PG_RPM);
  number("PG_Temper", c.PG_Temper);
  number("PG_Time", c.PG_Time);
  number("PG_GAS_Hot_Engine", c.PG_GAS_Hot_Engine);
  number("GP_Buzzer", c.GP_Buzzer);
  number("NoSequentInject", c.NoSequentInject);
  number("MonoInject", c.MonoInject);
  number("LPG_on", c.LPG_on);
  number("Param_68", c.Param_68);
  text("Injector_Type", c.Injector_Type);
  number("Cylinders", c.Cylinders);
  text("Level_Type", c.Level_Type);
  number("Level_Buzzer", c.Level_Buzzer);
  number("Level_Invert", c.Level_Invert);
  number("Level_90", c.Level_90);
  out << "Levels = " << c.Level1 << " " << c.Level2 << " " << c.Level3 << " " << c.Level4 << " " << c.Level5 << "\n";
  for (int n = 0; n < ecu::DiagramPointCount; ++n)
    out << "Point " << n << " = petrol " << ecu::Session().ConfigData.DiagramPointX[static_cast<std::size_t>(n)]
        << ", gas " << ecu::Session().ConfigData.DiagramPointY[static_cast<std::size_t>(n)] << "\n";
  for (int n = 1; n <= ecu::MapPointCapacity; ++n) {
    const auto i = static_cast<std::size_t>(n - 1);
    if (ecu::Session().ConfigData.MapPointsGas[i] != 0 || ecu::Session().ConfigData.MapPointsPetrol[i] != 0)
      out << "MAP " << n << " = gas " << ecu::Session().ConfigData.MapPointsGas[i] << ", petrol "
          << ecu::Session().ConfigData.MapPointsPetrol[i] << "\n";
  }
}

const char* const Usage = R"(usage: gascal-cfg [--print] FILE.cfg [SAVE_AS.cfg]

Loads the configuration file FILE.cfg over the default configuration, prints its model and
writes it back: to FILE.cfg itself, or to SAVE_AS.cfg when that is given (with every key of
FILE.cfg that an in-place rewrite would keep). What the file lacks, or holds in a form or
range the configuration cannot take, is listed on standard error. A file that cannot be read,
or that holds not one key of a configuration, is refused as the program refuses it: nothing
is printed or written, and the status is 1.

  --print      print the model only; nothing is written
  -h, --help   print this text
  --           end of the options: what follows names files, also a name that begins with "-"

Exit status: 0 when done; 1 when the file is refused or cannot be written; 2 when the command
line is wrong (an option it does not know, or too few or too many file names).
)";

}  // namespace

int main(int argc, char** argv) {
  // Options stand before "--", which ends them: a name after it is a file's, whatever it
  // begins with (before it, a file whose name begins with "-" is named as "./-name.cfg").
  int end = argc;
  for (int i = 1; i < argc && end == argc; ++i)
    if (std::string(argv[i]) == "--") end = i;
  for (int i = 1; i < end; ++i)
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
      std::cout << Usage;
      return 0;
    }
  bool printOnly = false;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i == end) continue;
    if (i > end || arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
    } else if (arg == "--print") {
      printOnly = true;
    } else {
      // Any other option is a mistake, not a file name.
      std::cerr << "gascal-cfg: unknown option \"" << arg << "\" (gascal-cfg --help tells the usage)\n";
      return 2;
    }
  }
  if (files.empty() || files.size() > 2 || (printOnly && files.size() != 1)) {
    std::cerr << "usage: gascal-cfg [--print] FILE.cfg [SAVE_AS.cfg] (gascal-cfg --help tells more)\n";
    return 2;
  }
  const std::string input = files[0];
  const std::string output = files.size() == 2 ? files[1] : input;
  // The program's state, and the application core around the configuration (the default curve
  // and the R.P.M. map), its window steps recorded and not shown.
  app::TModel model;
  linkrec::Recorder host;
  try {
    ecu::CreateConfiguration("");
    if (!ecu::LoadConfigFile(input)) {
      std::cerr << "gascal-cfg: " << input << ": " << app::CfgLoadRefusal(input) << "\n";
      return 1;
    }
    for (const std::string& line : ecu::ConfigLoadReportLines(ecu::Session().ConfigData.ConfigLoadReport))
      std::cerr << "gascal-cfg: " << input << ": " << line << "\n";
    PrintModel(std::cout);
    if (!printOnly) ecu::SaveConfigFile(output, input);
  } catch (const rtl::Exception& e) {
    std::cerr << "gascal-cfg: " << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
