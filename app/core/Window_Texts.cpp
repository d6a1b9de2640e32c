#include "app/core/Window_Texts.h"

#include <algorithm>
#include <utility>

#include "ecu/Check_Versions.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Session.h"
#include "platform/rtl/CodePage.h"

namespace app {

namespace {

// The byte that stands before a character the code page cannot hold in a report.
constexpr char Substitute = '\x1A';

int CurrentCodePage() { return ecu::LanguageCodePage(ecu::Session().Texts.CurrentLanguage); }

// The character of Text that begins at At (a surrogate pair is one character).
std::u16string CharacterAt(const std::u16string& Text, std::size_t At) {
  const bool pair = At + 1 < Text.size() && Text[At] >= 0xD800 && Text[At] <= 0xDBFF && Text[At + 1] >= 0xDC00 &&
                    Text[At + 1] <= 0xDFFF;
  return Text.substr(At, pair ? 2 : 1);
}

bool HeldByCodePage(const std::u16string& Text, int CodePage) {
  return rtl::CodePageToWide(rtl::WideToCodePage(Text, CodePage), CodePage) == Text;
}

// The bytes of the UTF-8 character that begins at At (nothing at the end of the text).
std::size_t Utf8Length(const std::string& Text, std::size_t At) {
  if (At >= Text.size()) return 0;
  const auto lead = static_cast<unsigned char>(Text[At]);
  const std::size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return std::min(n, Text.size() - At);
}

// The bytes after a substitute byte at At when they carry a character of what was typed: the
// substitute byte itself, or one whole UTF-8 character the code page cannot hold, as
// TypedTextInReport writes them. Anything else (0 bytes) leaves the substitute byte as it stands:
// a language text or a file may hold one (an old file's end-of-file mark), and the bytes after it
// are text of the code page.
std::size_t EscapedLength(const std::string& Report, std::size_t At, int CodePage) {
  const std::size_t n = Utf8Length(Report, At + 1);
  if (n == 1) return Report[At + 1] == Substitute ? 1 : 0;
  if (n == 0) return 0;
  const std::string bytes = Report.substr(At + 1, n);
  const std::u16string c = rtl::Utf8ToWide(bytes);
  const bool whole = !c.empty() && CharacterAt(c, 0).size() == c.size() && rtl::WideToUtf8(c) == bytes;
  return whole && !HeldByCodePage(c, CodePage) ? n : 0;
}

// A report's runs in the code page and its characters carried in UTF-8, in their order.
template <class Run, class Character>
void ForEachReportPart(const std::string& Report, Run&& OnRun, Character&& OnCharacter) {
  const int page = CurrentCodePage();
  std::size_t from = 0;
  for (std::size_t at = Report.find(Substitute); at != std::string::npos; at = Report.find(Substitute, at + 1)) {
    const std::size_t n = EscapedLength(Report, at, page);
    if (n == 0) continue;
    OnRun(Report.substr(from, at - from));
    OnCharacter(Report.substr(at + 1, n));
    from = at + 1 + n;
    at += n;
  }
  OnRun(Report.substr(from));
}

}  // namespace

std::u16string ShownText(const std::string& Text) { return ecu::LngToWide(Text); }

std::vector<std::u16string> CharactersNotHeld(const std::u16string& Text) {
  const int page = CurrentCodePage();
  std::vector<std::u16string> found;
  if (HeldByCodePage(Text, page)) return found;
  for (std::size_t at = 0; at < Text.size();) {
    const std::u16string c = CharacterAt(Text, at);
    at += c.size();
    if (!HeldByCodePage(c, page) && std::find(found.begin(), found.end(), c) == found.end()) found.push_back(c);
  }
  return found;
}

std::string TypedTextInReport(const std::u16string& Text) {
  const int page = CurrentCodePage();
  std::string report;
  for (std::size_t at = 0; at < Text.size();) {
    const std::u16string c = CharacterAt(Text, at);
    at += c.size();
    if (c != u"\x1A" && HeldByCodePage(c, page))
      report += rtl::WideToCodePage(c, page);
    else
      report += Substitute + rtl::WideToUtf8(c);
  }
  return report;
}

std::u16string ReportShownText(const std::string& Report) {
  std::u16string shown;
  ForEachReportPart(
      Report, [&](const std::string& Run) { shown += ShownText(Run); },
      [&](const std::string& Character) { shown += rtl::Utf8ToWide(Character); });
  return shown;
}

std::string ReportStreamText(const std::string& Report) {
  std::string text;
  const auto add = [&](const std::string& Part) { text += Part; };
  ForEachReportPart(Report, add, add);
  return text;
}

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
