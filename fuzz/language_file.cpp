// Language files: any bytes load as the current language's file, and every text the
// program builds from it can be asked for.
#include <filesystem>

#include "ecu/Language.h"
#include "fuzz/FuzzSupport.h"

using namespace ecu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string dir = fuzz::ScratchDir() + "/Language";
  std::filesystem::create_directories(dir);
  fuzz::WriteFile(dir + "/Fuzz.lng", Data, Size);
  Texts.LanguageDir = dir;
  Texts.CurrentLanguage = "Fuzz";
  LoadLanguageFile();
  fuzz::Check(Texts.LngKeys.size() == Texts.LngTexts.size(), "the language store has keys without texts");
  const std::vector<std::string> keys = Texts.LngKeys;
  for (const std::string& key : keys) LngText(key);
  CacheLanguageWords();
  MainWindowTexts();
  FileMenuItems();
  FreeLanguageFile();
  ListLanguageFiles();
  LanguageComboItems();
  LanguageComboIndex();
  return 0;
}
