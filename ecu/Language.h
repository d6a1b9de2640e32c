// Language texts: every text the user sees is looked up by a key, in the file of the current
// language ("Language/<name>.lng") or, for English and for keys the file lacks, in the
// built-in English texts. The current language's texts are in force for the whole session:
// read at the first look-up in that language (or the first load of its file), and read again
// by a load when the file changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/rtl/FileReader.h"

namespace ecu {

// The languages offered (Texts.LanguageNames): entry 0 is always "English", then the language
// files; unused entries are empty.
constexpr int LanguageNameCount = 20;

// A use of the language file (a window looking its texts up, a live reply) is under way: from
// LoadLanguageFile until FreeLanguageFile.
bool LanguageStorePresent();

// Builds the store from the current language's file; a missing file gives an empty store.
// The file name is matched without regard to case. The texts follow the file: a file read
// before is read again only when it has changed since (another file, size, modification or
// inode change time), or when it had changed within two seconds of its last reading, which a
// file system's coarse clock could not tell from the next change. Anything but a regular file
// is no language file and is never opened.
void LoadLanguageFile();
// Ends the file's use. The texts read stay in force, and are kept for the next load.
void FreeLanguageFile();

// The text of a key: with a language other than "English", the text its file gives the key (an
// empty one included), the file read first when its texts were not read for this language yet;
// for an absent key (and a missing file) and for English, the built-in English text.
std::string LngText(const std::string& Key);
// LoadLanguageFile, LngText, FreeLanguageFile.
std::string LngTextFromFile(const std::string& Key);

// Lists "English" and the language files of LanguageDir ("*.lng" in any case; folders and
// nameless files skipped) into Texts.LanguageNames, each file under its name up to the first ".",
// in the order the folder gives them; the first 19 files in that order are listed. Returns
// the listed names (for the language menu).
std::vector<std::string> ListLanguageFiles();

// The settings window's language choice: the names of Texts.LanguageNames up to the first empty one,
// and the position of the current language among them (-1 when it is not listed).
std::vector<std::string> LanguageComboItems();
int LanguageComboIndex();
// The listed language (Texts.LanguageNames) that Name stands for: Name itself when it is
// listed, else the one that differs from it only in letter case, as its file is found (so
// that "russian" is the menu's "Russian" and "english" is English); Name when none is.
std::string ListedLanguageName(const std::string& Name);

// The file of Language in Folder: the exact name with ".lng", else one that differs from it only
// in letter case; empty when there is none. A name holding a folder separator names no file.
std::string LanguageFilePath(const std::string& Folder, const std::string& Language);

// Words that the windows use to build composite texts, kept while the texts are applied.
struct TLanguageWords {
  std::string Dim_Hour_Long, Dim_MS_Short, Dim_Bar_Long, Dim_RPM_Short, Dim_Volt_Long, Dim_Sec_Long;
  std::string Start, Stop, Gas, Petrol, Automat, RPM, Manifuld, Save, Load, CFG_User, File;
  std::string Point, Factor, Table, Range, Date, Firmware, CFG_Config;
  std::string CLB_History_Diagram, CLB_History_Back, CLB_History_Forward;
};

// The language state: the current language and its files, the store of the loaded language
// file, the composite words, and the key being looked up. GUI thread only.
struct TTextState {
  // The current language (the settings keep it; default "English") and the folder of the
  // language files (made by the main window at its creation).
  std::string CurrentLanguage = "English";
  std::string LanguageDir = "Language";
  std::array<std::string, LanguageNameCount> LanguageNames = {"English"};
  // The store: upper-cased keys (and the whole text of each comment line) and their texts,
  // and where each upper-cased key is first.
  std::vector<std::string> LngKeys;
  std::vector<std::string> LngTexts;
  std::unordered_map<std::string, std::size_t> LngIndex;
  bool StorePresent = false;
  // The language the store's texts were read for (empty: none yet).
  std::string TextsLanguage;
  // The file the store was read from, as it was then; whether it had just changed.
  std::string LoadedFile;
  rtl::TFileStamp LoadedStamp;
  bool LoadedRecently = false;
  // How many times a language file was read.
  std::uint64_t FileReads = 0;
  TLanguageWords LanguageWords;
  // The upper-cased key being looked up (Language_En_Text).
  std::string CurrentLngKey;

  // Everything back to its state at program start.
  void Reset() { *this = TTextState(); }
};

// Looks the 27 words up in the current language.
void CacheLanguageWords();

// The text of one control of the main window.
struct TControlText {
  std::string Control;
  std::u16string Text;
};
// The texts of the main window's controls in the current language, in the order they are put
// on: the key's text, then ", " and a unit's text, or a fixed ending (the degree sign is added
// as wide text, so no code page changes it). Flip and Settings take the keys Button_GEN_Flip
// and Button_GEN_Settings (English "Flip" and "Setting"); a language file without them that
// gives the keys Flip and Settings, as files written before them do, gives those texts.
std::vector<TControlText> MainWindowTexts();
// The items of the main window's file menu.
std::vector<std::u16string> FileMenuItems();

}  // namespace ecu
