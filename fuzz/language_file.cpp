// Language files: any bytes load as the current language's file, and every text the
// program builds from it can be asked for.
#include <filesystem>

#include "ecu/Language.h"
#include "ecu/Session.h"
#include "fuzz/FuzzSupport.h"

using namespace ecu;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // The ECU side's session, for the whole run.
  static TSession session;
  static const TSessionScope installed(session);
  const std::string dir = fuzz::ScratchDir() + "/Language";
  std::filesystem::create_directories(dir);
  fuzz::WriteFile(dir + "/Fuzz.lng", Data, Size);
  Session().Texts.LanguageDir = dir;
  Session().Texts.CurrentLanguage = "Fuzz";
  LoadLanguageFile();
  fuzz::Check(Session().Texts.LngKeys.size() == Session().Texts.LngTexts.size(),
              "the language store has keys without texts");
  const std::vector<std::string> keys = Session().Texts.LngKeys;
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
