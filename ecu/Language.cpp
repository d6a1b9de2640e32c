#include "ecu/Language.h"

#include <time.h>

#include <algorithm>
#include <filesystem>

#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language_En.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Session.h"
#include "platform/rtl/FileReader.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

namespace fs = std::filesystem;

const std::string English = "English";
const std::string Extension = ".lng";

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TrimBlanks(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  return s.substr(b, e - b);
}

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && UpperCaseASCII(s.substr(s.size() - tail.size())) == UpperCaseASCII(tail);
}

// The file of a language in Texts.LanguageDir.
fs::path LanguageFile(const std::string& language) { return LanguageFilePath(Session().Texts.LanguageDir, language); }

void AddEntry(std::string Key, std::string Text) {
  // The first entry of a key is the one every look-up finds.
  Session().Texts.LngIndex.emplace(UpperCaseASCII(Key), Session().Texts.LngKeys.size());
  Session().Texts.LngKeys.push_back(std::move(Key));
  Session().Texts.LngTexts.push_back(std::move(Text));
}

void ParseLanguageLine(const std::string& raw) {
  std::size_t b = 0;
  while (b < raw.size() && IsBlankOrControl(raw[b])) ++b;
  if (b == raw.size()) return;
  const std::string line = raw.substr(b);
  if (line[0] == '{') {
    AddEntry(line, std::string());
    return;
  }
  const std::size_t sep = line.find_first_of(" \t");
  // A NUL byte ends a text wherever it is drawn (a unit after it would never show): the text
  // ends there.
  std::string text = sep == std::string::npos ? std::string() : line.substr(sep);
  AddEntry(UpperCaseASCII(TrimBlanks(line.substr(0, sep))), TrimBlanks(text.substr(0, text.find('\0'))));
}

void ClearEntries() {
  Session().Texts.LngKeys.clear();
  Session().Texts.LngTexts.clear();
  Session().Texts.LngIndex.clear();
  Session().Texts.LoadedFile.clear();
  Session().Texts.LoadedStamp = rtl::TFileStamp();
  Session().Texts.LoadedRecently = false;
}

// A file whose contents changed this close to its reading may change again within the file
// system's grain of time and keep its times and size: it is read again at the next load.
constexpr std::int64_t RecentChangeNs = 2'000'000'000;

std::int64_t NowNs() {
  timespec t{};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

struct ControlKey {
  const char* control;
  const char* key;
  const char* unitKey;   // then ", " and this key's text
  const char16_t* tail;  // or this fixed ending
};

constexpr ControlKey MainWindowControls[] = {
    {"HudLabel_Work_Mode", "Automat", nullptr, nullptr},
    {"HudButton_Work_Mode", "Mode", nullptr, nullptr},
    {"HudButton_Menu_File", "File", nullptr, nullptr},
    {"HudButton_Menu_LNG", "Language", nullptr, nullptr},
    {"HudButton_3D_GEN_Flip", "Button_GEN_Flip", nullptr, nullptr},
    {"HudButton_3D_GEN_Settings", "Button_GEN_Settings", nullptr, nullptr},
    {"HudLabel_IND_Petrol_Name", "Petrol", "Dim_MS_Short", nullptr},
    {"HudLabel_IND_Gas_Name", "Gas", "Dim_MS_Short", nullptr},
    {"HudLabel_IND_RPM_Name", "IND_RPM", nullptr, nullptr},
    {"HudLabel_IND_PressVap_Name", "IND_PressVap", "Dim_Bar_Long", nullptr},
    {"HudLabel_IND_PressColl_Name", "IND_PressColl", "Dim_Bar_Long", nullptr},
    {"HudLabel_IND_PressDiff_Name", "IND_PressDiff", "Dim_Bar_Long", nullptr},
    {"HudLabel_IND_TempVap_Name", "IND_TempVap", nullptr, u",\u00B0C"},
    {"HudLabel_IND_TempGas_Name", "IND_TempGas", nullptr, u",\u00B0C"},
    {"HudButton_Port_Search", "IND_Port_Search", nullptr, nullptr},
    {"HudTabItem_CFG", "Page_CFG", nullptr, nullptr},
    {"HudGroupBox_CFG", "CFG_Config", nullptr, nullptr},
    {"HudLabel_CFG_RPM_Prescaler", "CFG_Config_RPM_Prescaler", nullptr, nullptr},
    {"HudLabel_CFG_PG_Temper", "CFG_Config_PG_Temper", nullptr, u",\u00B0C >"},
    {"HudLabel_CFG_PG_RPM", "CFG_Config_PG_RPM", nullptr, u" >"},
    {"HudLabel_CFG_Injection", "CFG_Config_Injection", nullptr, nullptr},
    {"HudLabel_CFG_Gas_Type", "CFG_Config_Gas_Type", nullptr, nullptr},
    {"HudLabel_CFG_Level_Sensor", "Type", nullptr, nullptr},
    {"HudCheckBox_CFG_LevelGas_Buzzer", "CFG_Config_LevelGas_Buzzer", nullptr, nullptr},
    {"HudCheckBox_CFG_GP_Buzzer", "CFG_Config_GP_Buzzer", nullptr, nullptr},
    {"HudCheckBox_CFG_PG_GAS_Hot_Engine", "CFG_Config_PG_GAS_Hot_Engine", nullptr, nullptr},
    {"HudGroupBox_CFG_LevelSensor", "CFG_LevelSensor", nullptr, nullptr},
    {"HudLabel_CFG_LevelGas_Current", "CFG_LevelSensor_Current", "Dim_Volt_Long", nullptr},
    {"HudGroupBox_CFG_Errors", "CFG_Errors", nullptr, nullptr},
    {"HudButton_CFG_Errors_Clear", "Clear", nullptr, nullptr},
    {"HudLabel_CFG_User_Name", "CFG_User_Name", nullptr, nullptr},
    {"HudLabel_CFG_User_Phone", "CFG_User_Phone", nullptr, nullptr},
    {"HudLabel_CFG_User_Install_Date", "CFG_User_Install_Date", nullptr, nullptr},
    {"HudLabel_CFG_User_Notice", "CFG_User_Notice", nullptr, nullptr},
    {"HudLabel_CFG_User_Install_KM", "CFG_User_Install_KM", "Dim_KM_Short", nullptr},
    {"HudLabel_CFG_User_Gas_Jets", "CFG_User_Gas_Jets", "Dim_MM_Short", nullptr},
    {"HudTabItem_ACB", "Page_ACB", nullptr, nullptr},
    {"HudButton_ACB_Start", "Start", nullptr, nullptr},
    {"HudLabel_3D_ACB_Prompt", "ACB_Prompt_Start", nullptr, nullptr},
    {"HudTabItem_CLB", "Page_CLB", nullptr, nullptr},
    {"HudLabel_CLB_Gas", "Gas", nullptr, nullptr},
    {"HudLabel_CLB_Manifuld", "Manifuld", nullptr, nullptr},
    {"HudLabel_CLB_Scale_Gas", "Gas", "Dim_MS_Short", nullptr},
    {"HudLabel_CLB_Scale_Petrol", "Petrol", "Dim_MS_Short", nullptr},
    {"HudLabel_CLB_Scale_Manifuld", "Manifuld", "Dim_Bar_Long", nullptr},
    {"HudLabel_CLB_MAP_Collection", "MAP_Collection", nullptr, nullptr},
    {"HudButton_CLB_MAP_Start", "Start", nullptr, nullptr},
    {"HudButton_CLB_MAP_Stop", "Stop", nullptr, nullptr},
    {"HudButton_CLB_MAP_To_Count", "MAP_To_Count", nullptr, nullptr},
    {"HudLabel_CLB_MAP_Delete", "MAP_Delete", nullptr, nullptr},
    {"HudButton_CLB_MAP_Del_Gas", "Gas", nullptr, nullptr},
    {"HudButton_CLB_MAP_Del_Petrol", "Petrol", nullptr, nullptr},
    {"HudTabItem_MAP", "Page_RPM", nullptr, nullptr},
    {"HudButton_3D_MapRPM_Clear", "Clear", nullptr, nullptr},
    {"HudButton_3D_MapRPM_Default", "Default", nullptr, nullptr},
    {"HudLabel_CFG_PG_Time", "CFG_Config_PG_Time", "Dim_Sec_Long", nullptr},
};

// Keys of the main window whose texts language files written before them give under another
// key: a file that lacks the key but has the older one gives that one's text.
struct OlderKey {
  const char* key;
  const char* older;
};
constexpr OlderKey OlderKeys[] = {{"Button_GEN_Flip", "Flip"}, {"Button_GEN_Settings", "Settings"}};

// Reads the current language's texts into the store, unless they are there unchanged since.
void ReadLanguageTexts() {
  Session().Texts.TextsLanguage = Session().Texts.CurrentLanguage;
  const fs::path file = LanguageFile(Session().Texts.CurrentLanguage);
  rtl::TFileStamp stamp;
  if (file.empty() || !rtl::RegularFileStamp(file.string(), stamp)) {
    ClearEntries();
    return;
  }
  // The texts of a file read before and unchanged since are still the ones in the store.
  if (file.string() == Session().Texts.LoadedFile && stamp == Session().Texts.LoadedStamp &&
      !Session().Texts.LoadedRecently)
    return;
  ClearEntries();
  rtl::TRegularFile in(file.string());
  if (!in.IsOpen()) return;
  std::string bytes;
  try {
    bytes = in.ReadAll();
  } catch (const rtl::EReadError&) {
    return;  // unreadable: no texts, as for a missing file
  }
  ++Session().Texts.FileReads;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i == bytes.size() || bytes[i] == '\r' || bytes[i] == '\n') {
      ParseLanguageLine(bytes.substr(start, i - start));
      if (i < bytes.size() && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  Session().Texts.LoadedFile = file.string();
  Session().Texts.LoadedStamp = in.Stamp();
  Session().Texts.LoadedRecently = NowNs() - in.Stamp().ModifiedNs < RecentChangeNs;
}

}  // namespace

bool LanguageStorePresent() { return Session().Texts.StorePresent; }

void LoadLanguageFile() {
  Session().Texts.StorePresent = true;
  ReadLanguageTexts();
}

void FreeLanguageFile() {
  // The texts stay in force, and for the next load, which reads the file again only when it
  // changed.
  Session().Texts.StorePresent = false;
}

std::string LngText(const std::string& Key) {
  TTextState& texts = Session().Texts;
  if (texts.CurrentLanguage != English) {
    // The chosen language's texts are in force for the whole session, not only while a
    // window looks its texts up: every text the user sees speaks the language chosen.
    if (texts.TextsLanguage != texts.CurrentLanguage) ReadLanguageTexts();
    const auto at = texts.LngIndex.find(UpperCaseASCII(Key));
    if (at != texts.LngIndex.end()) return texts.LngTexts[at->second];
  }
  return Language_En_Text(Key);
}

std::string LngTextFromFile(const std::string& Key) {
  LoadLanguageFile();
  std::string text = LngText(Key);
  FreeLanguageFile();
  return text;
}

std::vector<std::string> ListLanguageFiles() {
  Session().Texts.LanguageNames.fill({});
  Session().Texts.LanguageNames[0] = English;

  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(NativeFileName(Session().Texts.LanguageDir), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (!EndsWithNoCase(name, Extension) || !fs::is_regular_file(it->path(), typeError)) continue;
    if (name.find('.') == 0) continue;  // no name before the first "."
    files.push_back(name);
  }

  std::vector<std::string> names{English};
  for (const std::string& file : files) {
    if (names.size() == LanguageNameCount) break;
    const std::string name = file.substr(0, file.find('.'));
    Session().Texts.LanguageNames[names.size()] = name;
    names.push_back(name);
  }
  return names;
}

std::vector<std::string> LanguageComboItems() {
  std::vector<std::string> items;
  for (const std::string& name : Session().Texts.LanguageNames) {
    if (name.empty()) break;
    items.push_back(name);
  }
  return items;
}

int LanguageComboIndex() {
  const std::vector<std::string> items = LanguageComboItems();
  const auto it = std::find(items.begin(), items.end(), Session().Texts.CurrentLanguage);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

std::string ListedLanguageName(const std::string& Name) {
  const std::array<std::string, LanguageNameCount>& names = Session().Texts.LanguageNames;
  if (Name.empty() || std::find(names.begin(), names.end(), Name) != names.end()) return Name;
  for (const std::string& listed : names)
    if (!listed.empty() && UpperCaseASCII(listed) == UpperCaseASCII(Name)) return listed;
  return Name;
}

std::string LanguageFilePath(const std::string& Folder, const std::string& Language) {
  if (Language.empty() || Language.find_first_of("/\\") != std::string::npos) return {};
  const fs::path dir(NativeFileName(Folder));
  const std::string wanted = Language + Extension;
  std::error_code ec;
  if (fs::is_regular_file(dir / wanted, ec)) return (dir / wanted).string();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (UpperCaseASCII(name) == UpperCaseASCII(wanted) && fs::is_regular_file(it->path(), ec))
      return it->path().string();
  }
  return {};
}

void CacheLanguageWords() {
  TLanguageWords& w = Session().Texts.LanguageWords;
  const std::pair<const char*, std::string*> words[] = {
      {"Dim_Hour_Long", &w.Dim_Hour_Long},
      {"Dim_MS_Short", &w.Dim_MS_Short},
      {"Dim_Bar_Long", &w.Dim_Bar_Long},
      {"Dim_RPM_Short", &w.Dim_RPM_Short},
      {"Dim_Volt_Long", &w.Dim_Volt_Long},
      {"Dim_Sec_Long", &w.Dim_Sec_Long},
      {"Start", &w.Start},
      {"Stop", &w.Stop},
      {"Gas", &w.Gas},
      {"Petrol", &w.Petrol},
      {"Automat", &w.Automat},
      {"RPM", &w.RPM},
      {"Manifuld", &w.Manifuld},
      {"Save", &w.Save},
      {"Load", &w.Load},
      {"CFG_User", &w.CFG_User},
      {"File", &w.File},
      {"Point", &w.Point},
      {"Factor", &w.Factor},
      {"Table", &w.Table},
      {"Range", &w.Range},
      {"Date", &w.Date},
      {"Firmware", &w.Firmware},
      {"CFG_Config", &w.CFG_Config},
      {"CLB_History_Diagram", &w.CLB_History_Diagram},
      {"CLB_History_Back", &w.CLB_History_Back},
      {"CLB_History_Forward", &w.CLB_History_Forward},
  };
  for (const auto& [key, field] : words) *field = LngText(key);
}

namespace {

// LngText of a control's key, or of the older key that a language file lacking the key gives.
std::string ControlKeyText(const std::string& Key) {
  TTextState& texts = Session().Texts;
  if (texts.CurrentLanguage != English)
    for (const OlderKey& o : OlderKeys)
      if (Key == o.key) {
        if (texts.TextsLanguage != texts.CurrentLanguage) ReadLanguageTexts();
        if (!texts.LngIndex.contains(UpperCaseASCII(Key)) && texts.LngIndex.contains(UpperCaseASCII(o.older)))
          return LngText(o.older);
      }
  return LngText(Key);
}

}  // namespace

std::vector<TControlText> MainWindowTexts() {
  std::vector<TControlText> texts;
  texts.reserve(std::size(MainWindowControls));
  for (const ControlKey& c : MainWindowControls) {
    std::u16string text = LngToWide(ControlKeyText(c.key));
    if (c.unitKey) text += u", " + LngToWide(LngText(c.unitKey));
    if (c.tail) text += c.tail;
    texts.push_back({c.control, std::move(text)});
  }
  return texts;
}

std::vector<std::u16string> FileMenuItems() {
  std::vector<std::u16string> items;
  for (const char* key : {"Save", "Load", "Default", "Exit"}) items.push_back(LngToWide(LngText(key)));
  return items;
}

}  // namespace ecu
