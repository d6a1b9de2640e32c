// The texts the windows show, in the current language: a language text (8-bit, in the code
// page of its language) as the controls show it and back, a key's text, the language's file
// read while a window looks its texts up, the main window's texts and menus, and the
// languages offered. The windows reach the language only through these. GUI thread only.
#pragma once

#include <string>
#include <vector>

namespace app {

// A text of the current language as a control shows it (empty gives empty); a text of the
// named language (read before that language is the current one) likewise.
std::u16string ShownText(const std::string& Text);
std::u16string ShownText(const std::string& Text, const std::string& Language);
// A control's text as the configuration and the language files keep it: in the current
// language's code page.
std::string KeptText(const std::u16string& Text);

// The characters of Text that the current language's code page cannot hold (a text kept in it
// would have "?" in their place), each once, in the order they come.
std::vector<std::u16string> CharactersNotHeld(const std::u16string& Text);
// What the installer typed, quoted whole in a report of the program's own (an 8-bit text of the
// current language): a character the code page holds is its byte, any other (and the
// substitute control character itself) the substitute byte 0x1A followed by the character in
// UTF-8. ReportShownText gives such a report as the message window shows it, and
// ReportStreamText as the error stream prints it (each such character in UTF-8, the rest as
// it was); a 0x1A byte not followed so (a language text's or a file's) stands as it is.
std::string TypedTextInReport(const std::u16string& Text);
std::u16string ReportShownText(const std::string& Report);
std::string ReportStreamText(const std::string& Report);

// The text of a language key (the built-in English one for English and for an absent key),
// and the same as a control shows it.
std::string KeyText(const std::string& Key);
std::u16string ShownKeyText(const std::string& Key);
// The text of a key also when no language file is read now: the file is read for it.
std::string KeyTextReadingFile(const std::string& Key);

// The text of Key (the language's file read for it when its texts are not at hand) with its
// fields filled: "%TEXT%" takes Text (its control bytes shown as \xNN), "%MIN%", "%MAX%" and
// "%HELD%" the others.
std::string FilledKeyText(const char* Key, const std::string& Text, const std::string& Min, const std::string& Max,
                          const std::string& Held);
// A number a box holds to its range, in the words of the settings window's delay boxes
// ("SET_Delay_Held"), after the label of its box (LabelKey's text): "<label>: <Text> is outside
// <Min> to <Max>; <Held> is taken", in the current language. The settings window and the Setup
// page say it alike.
std::string HeldNumberText(const char* LabelKey, const std::string& Text, const std::string& Min,
                           const std::string& Max, const std::string& Held);

// The current language ("English" at start), and a new one (the main window's choice).
const std::string& CurrentLanguage();
void SetCurrentLanguage(const std::string& Language);

// Reads the current language's file for as long as it lives, and ends its use after; nothing
// for English. A scope for a window's look-up reads it only when no file is read now (the
// window's activation has it read already); an Always scope reads it in any case.
class TLanguageFileScope {
public:
  enum TWhen { WhenNoneRead, Always };
  explicit TLanguageFileScope(TWhen When = WhenNoneRead);
  ~TLanguageFileScope();
  TLanguageFileScope(const TLanguageFileScope&) = delete;
  TLanguageFileScope& operator=(const TLanguageFileScope&) = delete;

private:
  bool read_ = false;
};

// True when the key is the one being looked up now among the English texts (a window's
// English table answers only for it).
bool IsKeyLookedUp(const char* Key);

// Keeps the words the main window builds its caption and composite texts from.
void KeepLanguageWords();

// The text of one part of the main window.
struct TPartText {
  std::string Part;
  std::u16string Text;
};
// The main window's parts' texts in the current language, in the order they are put on.
std::vector<TPartText> MainWindowTexts();
// The items of the main window's file menu.
std::vector<std::u16string> FileMenuItems();
// The languages of the main window's language menu (those listed, in their order).
std::vector<std::u16string> LanguageMenuItems();
// The language an item of that menu names (its name up to the extension; empty for none).
std::string LanguageOfMenuItem(const std::u16string& Item);
// The settings window's language choice: the languages listed up to the first gap.
std::vector<std::u16string> LanguageChoiceItems();
// The language a name typed or chosen there stands for: the listed language of that name in
// any letter case (so that its font keys keep the menu's spelling), else the name itself.
std::string LanguageOfChoice(const std::string& Name);

// The main window's caption (program, version and date, then the firmware and its date while
// the link is up, then the configuration file's name when it has one) and the customer
// group's caption on the configuration page, in the current language.
struct TMainCaption {
  std::u16string Title;
  std::u16string CustomerGroup;
};
TMainCaption MainCaption(const std::string& ProgramName, const std::string& Version, const std::string& Date);

}  // namespace app
