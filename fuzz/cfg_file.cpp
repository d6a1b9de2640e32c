// ".cfg" configuration files: any bytes load over the defaults; saving the file in place (as
// the program does, keeping the keys it does not write) and loading it again gives the same
// model. A model is compared through the bytes it saves into a new file.
#include <filesystem>

#include "ecu/Config_Unit.h"
#include "fuzz/FuzzSupport.h"

using namespace ecu;

namespace {

// The model saved into a new file in Folder; its bytes.
std::string ModelBytes(const std::string& Folder) {
  std::filesystem::create_directories(Folder);
  const std::string file = Folder + "/gascal.cfg";
  std::remove(file.c_str());
  SaveConfigFile(file);
  return fuzz::ReadFile(file);
}

void Load(const std::string& File) {
  SetDefaultConfiguration();
  LoadConfigFile(File);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool created = [] {
    CreateConfiguration(fuzz::ScratchDir() + "/none.cfg");
    return true;
  }();
  (void)created;
  const std::string dir = fuzz::ScratchDir();
  const std::string file = dir + "/input/gascal.cfg";
  std::filesystem::create_directories(dir + "/input");
  fuzz::WriteFile(file, Data, Size);
  std::string loaded;
  try {
    Load(file);
    loaded = ModelBytes(dir + "/loaded");
    SaveConfigFile(file);
  } catch (const rtl::Exception&) {
    return 0;
  }
  Load(file);
  fuzz::CheckSame(loaded, ModelBytes(dir + "/reloaded"), "a .cfg file saved in place loads other values");
  Load(dir + "/loaded/gascal.cfg");
  fuzz::CheckSame(loaded, ModelBytes(dir + "/again"), "a saved .cfg file loads and saves to other bytes");
  return 0;
}
