#include "app/core/Window_Texts.h"

#include <utility>

#include "ecu/Check_Versions.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Session.h"
#include "platform/rtl/CodePage.h"

namespace app {

std::u16string ShownText(const std::string& Text) { return ecu::LngToWide(Text); }

std::u16string ShownText(const std::string& Text, const std::string& Language) {
  return ecu::LngToWide(Text, Language);
}

std::string KeptText(const std::u16string& Text) {
  return rtl::WideToCodePage(Text, ecu::LanguageCodePage(ecu::Session().Texts.CurrentLanguage));
}

std::string KeyText(const std::string& Key) { return ecu::LngText(Key); }

std::u16string ShownKeyText(const std::string& Key) { return ShownText(ecu::LngText(Key)); }

std::string KeyTextReadingFile(const std::string& Key) {
  return ecu::LanguageStorePresent() ? ecu::LngText(Key) : ecu::LngTextFromFile(Key);
}

std::string FilledKeyText(const char* Key, const std::string& Text, const std::string& Min, const std::string& Max,
                          const std::string& Held) {
  std::string text;
  {
    const TLanguageFileScope file;
    text = KeyText(Key);
  }
  for (const auto& [field, value] : {std::pair<std::string, std::string>{"%TEXT%", ecu::PrintableFileText(Text)},
                                     {"%MIN%", Min},
                                     {"%MAX%", Max},
                                     {"%HELD%", Held}})
    for (std::size_t at = text.find(field); at != std::string::npos; at = text.find(field, at + value.size()))
      text.replace(at, field.size(), value);
  return text;
}

std::string HeldNumberText(const char* LabelKey, const std::string& Text, const std::string& Min,
                           const std::string& Max, const std::string& Held) {
  const TLanguageFileScope file;
  return KeyText(LabelKey) + ": " + FilledKeyText("SET_Delay_Held", Text, Min, Max, Held);
}

const std::string& CurrentLanguage() { return ecu::Session().Texts.CurrentLanguage; }

void SetCurrentLanguage(const std::string& Language) { ecu::Session().Texts.CurrentLanguage = Language; }

TLanguageFileScope::TLanguageFileScope(TWhen When) {
  read_ = CurrentLanguage() != "English" && (When == Always || !ecu::LanguageStorePresent());
  if (read_) ecu::LoadLanguageFile();
}

TLanguageFileScope::~TLanguageFileScope() {
  if (read_) ecu::FreeLanguageFile();
}

bool IsKeyLookedUp(const char* Key) { return ecu::IsLngKey(Key); }

void KeepLanguageWords() { ecu::CacheLanguageWords(); }

std::vector<TPartText> MainWindowTexts() {
  std::vector<TPartText> texts;
  for (ecu::TControlText& t : ecu::MainWindowTexts()) texts.push_back({std::move(t.Control), std::move(t.Text)});
  return texts;
}

std::vector<std::u16string> FileMenuItems() { return ecu::FileMenuItems(); }

std::vector<std::u16string> LanguageMenuItems() {
  std::vector<std::u16string> items;
  for (const std::string& name : ecu::Session().Texts.LanguageNames)
    if (!name.empty()) items.push_back(ShownText(name));
  return items;
}

std::string LanguageOfMenuItem(const std::u16string& Item) {
  return ecu::StripExtension(rtl::WideToCodePage(Item, ecu::LanguageCodePage("English")));
}

std::string LanguageOfChoice(const std::string& Name) { return ecu::ListedLanguageName(Name); }

std::vector<std::u16string> LanguageChoiceItems() {
  std::vector<std::u16string> items;
  for (const std::string& name : ecu::LanguageComboItems()) items.push_back(ShownText(name));
  return items;
}

TMainCaption MainCaption(const std::string& ProgramName, const std::string& Version, const std::string& Date) {
  const ecu::TLanguageWords& words = ecu::Session().Texts.LanguageWords;
  std::string title = "     " + ProgramName + " : " + Version + "  " + words.Date + " " + Date;
  const ecu::Configuration_Class* c = ecu::Session().ConfigData.Configuration.get();
  if (c && ecu::Session().Link.LinkUp)
    title += "     " + words.Firmware + " : " + (ecu::IsVersion155To199() ? "SL" : "PM") + " " + c->Firmware_Version +
             "  " + words.Date + " " + c->ECU_Info;
  std::string group = words.CFG_User;
  if (c && !c->Cfg_Name.empty()) {
    title += "     " + words.File + " : " + c->Cfg_Name + ".cfg";
    group += " (" + words.File + " : " + c->Cfg_Name + ".cfg) ";
  }
  return {ShownText(title), ShownText(group)};
}

}  // namespace app
