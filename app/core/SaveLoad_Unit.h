// Configuration files by name, as the File menu's Save, Load and Default and the save/load
// window use them, with no window: the names the folder of configuration files offers, what a
// name may be, and the three operations with what they change (the configuration, the
// settings' file names, the name the ECU keeps, the caption) and what they ask of the ECU.
//
// A name is the file's name without folder and ".cfg". The ECU keeps it in 8 bytes of its
// code page (the current language's), and the same bytes name the file on disk, so that the
// name read back from the ECU leads to the file it was saved as. GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// The bytes the ECU keeps of a configuration's name.
constexpr int CfgNameBytes = 8;

// The operations of the File menu by item index.
enum class TFileMenuMode : std::uint8_t { Save = 0, Load = 1, New = 2 };

// The name as the ECU and the disk take it (the current language's code page).
std::string CfgNameBytesOf(const std::u16string& Name);
// The longest start of Text (whole characters) whose bytes fit the ECU's 8.
std::u16string CutCfgName(const std::u16string& Text);
// Whether Name can name a configuration file (the rules below).
bool CfgNameAllowed(const std::u16string& Name);
// Why Name cannot name a configuration file, for the user; "" when it can. Refused: an empty
// name, one longer than the ECU keeps, "/", "\" or "..", control characters, the characters
// the name read back from the ECU could not keep (: * ? " < > |), and characters the code
// page cannot show.
std::string CfgNameProblem(const std::u16string& Name);

// The folder's file (ecu::ConfigData.ConfigDir) of a name: folder + "/" + name + ".cfg".
std::string CfgFullFileName(const std::string& Name);
// The language key of what keeps a configuration file from being read ("" when it opens):
// nothing of that name ("Error_File_not_found"), something other than a regular file, such as
// a FIFO or a folder ("Error_File_not_regular"), or a file that cannot be opened
// ("Error_File_unreadable"); the same words as for the sensor table.
std::string CfgFileFault(const std::string& Path);
// Why the last ecu::LoadConfigFile of Path took nothing, in the current language: the file
// holds no configuration ("SL_No_Configuration"), or its CfgFileFault.
std::string CfgLoadRefusal(const std::string& Path);
// The names of the folder's entries that are not folders, without extension, through the
// code page, in alphabetical order regardless of case, each once; names that cannot name a
// configuration file (CfgNameAllowed) are left out. The folder is made when it
// is missing; an unreadable folder lists nothing.
std::vector<std::u16string> ListConfigFiles();

// Saves the configuration as Name. Only after a good save do the configuration's name, the
// settings' file names and the caption change, and with the link up the whole configuration
// goes to the ECU (task 21). A refused name or a failed write is shown in the message window
// and changes nothing; so is a save while the configuration holds only part of a read of the
// ECU (ConfigurationPartlyRead: the read runs, or the link went down during it), which leaves
// the file untouched. True when saved.
bool SaveConfigurationAs(const std::u16string& Name);
// Loads the file of Name over the defaults and shows it; the settings' file names follow it,
// the caption is rebuilt, with the link up the configuration goes to the ECU (task 21), and
// what the file could not give is shown in the message window. A refused name, a name without
// a readable file, or a file that holds not one key of a configuration (which would put a
// whole default configuration in place of the ECU's) is shown and changes nothing. True when
// loaded.
bool LoadConfigurationFrom(const std::u16string& Name);
// The File menu's "Default": no file name anywhere, the default configuration shown with the
// diagram's points pushed onto its history, and the whole configuration requested for the
// ECU (task 21), which waits for the link when it is down.
void NewConfiguration();
// Every ending of the program: when a customer detail has been taken from its box
// (Actions.CustomerTaken) and the six customer keys of the current configuration file
// (CFG_Full_File_Name) differ from the configuration's, they are written into it, its other
// lines as they were (a file not there is made with them). Nothing without a current file.
// What keeps them from the file, for the close's report; empty when written or nothing to do.
// Without a current file, details taken (not all empty) are said to be in no file.
std::string SaveCustomerAtClose();
// The ECU names its configuration file (read again after it came back), whose customer details
// the configuration takes when Replaced: the details taken from their boxes go first into the
// file that was current, as at the close, and what keeps them from it is shown; without a current
// file, details that the ECU's file replaces are said to be lost. Nothing without a current file
// when the ECU names none: the details stay, for the close.
void SaveCustomerBeforeEcuFile(bool Replaced);
// The save/load window's run button: Save saves as Name, any other mode loads Name. True when
// done (the window hides); false keeps the window open with the name for another try.
bool RunSaveLoad(TFileMenuMode Mode, const std::u16string& Name);
// The name the window offers for a save: the configuration's name as the ECU keeps it.
std::u16string CurrentCfgName();

// The built-in English texts of the operations' own language keys.
void SaveLoadEnglishText(std::string& Text);

}  // namespace app
