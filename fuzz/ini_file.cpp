// INI files: any bytes load; the values read write into a new file that reads back the same,
// and a file rewritten as it was loaded reads back the same.
#include <set>
#include <tuple>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/SysUtils.h"

using namespace rtl;

namespace {

using TModel = std::vector<std::tuple<std::string, std::string, std::string>>;

// Every section, key and value as the reading functions see them (a section or key that
// comes twice is read where it comes first).
TModel ModelOf(TMemIniFile& Ini) {
  TModel model;
  std::set<std::string> seenSections;
  TStringList sections, keys;
  Ini.ReadSections(&sections);
  for (int s = 0; s < sections.Count(); ++s) {
    if (!seenSections.insert(UpperCase(sections[s])).second) continue;
    Ini.ReadSection(sections[s], &keys);
    std::set<std::string> seenKeys;
    for (int k = 0; k < keys.Count(); ++k)
      if (seenKeys.insert(UpperCase(keys[k])).second)
        model.emplace_back(sections[s], keys[k], Ini.ReadString(sections[s], keys[k], "<none>"));
  }
  return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string loaded = fuzz::ScratchDir() + "/loaded.ini";
  const std::string written = fuzz::ScratchDir() + "/written.ini";
  fuzz::WriteFile(loaded, Data, Size);
  std::remove(written.c_str());
  TModel model;
  {
    TMemIniFile ini(loaded);
    model = ModelOf(ini);
    TMemIniFile copy(written);
    for (const auto& [section, key, value] : model) copy.WriteString(section, key, value);
    copy.UpdateFile();
    ini.UpdateFile();
  }
  TMemIniFile rewritten(loaded), copy(written);
  fuzz::Check(ModelOf(rewritten) == model, "an INI file saved as loaded reads back other values");
  fuzz::Check(ModelOf(copy) == model, "INI values written into a new file read back different");
  return 0;
}
