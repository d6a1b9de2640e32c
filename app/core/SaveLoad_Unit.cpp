#include "app/core/SaveLoad_Unit.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/core/General_Unit.h"
#include "app/core/Global_Unit.h"
#include "app/core/Model.h"
#include "app/core/Window_Texts.h"
#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Host.h"
#include "ecu/Language.h"
#include "ecu/Language_En.h"
#include "ecu/Lng_Chr.h"
#include "ecu/Port_3D_Connect.h"
#include "ecu/Session.h"
#include "ecu/Tasks.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileReader.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t MessageOwnText = 13;

struct TEnglish {
  const char* Key;
  const char* Text;
};
constexpr TEnglish EnglishTable[] = {
    {"SL_Name_Not_Allowed",
     "cannot name a configuration file: the ECU keeps 8 characters of its alphabet, without / \\ : * ? \" < > | and "
     "\"..\""},
    {"SL_Not_Saved", "was not saved"},
    {"SL_Read_Unfinished",
     "the ECU has not been read to its end, and the configuration holds only part of its values. Save it once the ECU "
     "has been read, or after a Load or Default"},
    {"SL_Load_Report", "was loaded; what it could not give"},
    {"SL_Customer_Not_Saved", "The customer's details were not written to the configuration file"},
    {"SL_Customer_No_File",
     "The customer's details were not written to a configuration file: none is current (File > Save keeps them in "
     "one)"},
    {"SL_Customer_Replaced",
     "The customer's details were not written to a configuration file, as none was current: those of the file the "
     "ECU names show now"},
    {"CFG_User_Not_Held",
     "\"%TEXT%\" was not taken: the configuration file keeps its texts in the language's code page, which has no "
     "%CHARS%"},
    {"SL_No_Configuration",
     "holds no configuration: not one of its lines gives a key of a configuration file, and nothing of it was "
     "loaded"},
};

int CodePage() { return ecu::LanguageCodePage(ecu::Session().Texts.CurrentLanguage); }

// A text of the current language, from its file unless the file is loaded already.
std::string Lng(const std::string& Key) {
  return ecu::LanguageStorePresent() ? ecu::LngText(Key) : ecu::LngTextFromFile(Key);
}

void Show(const std::string& Text) {
  if (ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->ShowMessageWindow(MessageOwnText, Text);
}

std::string Quoted(const std::string& Text) { return "\"" + Text + "\""; }

// The end of the character that starts at At (a surrogate pair is one character).
std::size_t NextCharacter(const std::u16string& Text, std::size_t At) {
  const bool pair = At + 1 < Text.size() && Text[At] >= 0xD800 && Text[At] <= 0xDBFF && Text[At + 1] >= 0xDC00 &&
                    Text[At + 1] <= 0xDFFF;
  return At + (pair ? 2 : 1);
}

bool LessIgnoringCase(const std::u16string& A, const std::u16string& B) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(),
                                      [&](char16_t a, char16_t b) { return lower(a) < lower(b); });
}

// What a load or save shows once it is done: the caption and the pages.
void ShowConfiguration() {
  if (!ecu::Session().Hosts.Host) return;
  ecu::Session().Hosts.Host->ConfigToCFGPage();
  ecu::Session().Hosts.Host->RedrawCalibrationDiagram();
  ecu::Session().Hosts.Host->UpdateMainCaption();
}

}  // namespace

std::string CfgFileFault(const std::string& Path) {
  const rtl::TRegularFile file(ecu::NativeFileName(Path));
  if (file.IsOpen()) return {};
  if (file.Missing()) return "Error_File_not_found";
  return file.NotRegular() ? "Error_File_not_regular" : "Error_File_unreadable";
}

std::string CfgLoadRefusal(const std::string& Path) {
  if (ecu::Session().ConfigData.ConfigLoadReport.NoConfiguration) return Lng("SL_No_Configuration");
  const std::string fault = CfgFileFault(Path);
  return Lng(fault.empty() ? "Error_File_not_found" : fault);
}

std::string CfgNameBytesOf(const std::u16string& Name) { return rtl::WideToCodePage(Name, CodePage()); }

std::u16string CutCfgName(const std::u16string& Text) {
  std::size_t end = 0;
  while (end < Text.size()) {
    const std::size_t next = NextCharacter(Text, end);
    if (CfgNameBytesOf(Text.substr(0, next)).size() > static_cast<std::size_t>(CfgNameBytes)) break;
    end = next;
  }
  return Text.substr(0, end);
}

bool CfgNameAllowed(const std::u16string& Name) {
  const std::string bytes = CfgNameBytesOf(Name);
  bool allowed = !Name.empty() && bytes.size() <= static_cast<std::size_t>(CfgNameBytes) &&
                 rtl::CodePageToWide(bytes, CodePage()) == Name && bytes.find("..") == std::string::npos &&
                 bytes.find_first_not_of('.') != std::string::npos;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) allowed = false;
  }
  return allowed;
}

std::string CfgNameProblem(const std::u16string& Name) {
  if (CfgNameAllowed(Name)) return {};
  // Quoted as typed: characters the code page cannot hold are among the reasons for the refusal.
  return Quoted(TypedTextInReport(Name)) + " " + Lng("SL_Name_Not_Allowed");
}

std::string CfgFullFileName(const std::string& Name) {
  return ecu::Session().ConfigData.ConfigDir + "/" + Name + ".cfg";
}

std::vector<std::u16string> ListConfigFiles() {
  std::vector<std::u16string> names;
  const fs::path folder = ecu::NativeFileName(ecu::Session().ConfigData.ConfigDir);
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    fs::create_directories(folder, error);
    return names;
  }
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kindError;
    if (it->is_directory(kindError)) continue;
    // A name the save would refuse ("." of "..cfg") names nothing a load may open.
    const std::u16string name = rtl::CodePageToWide(ecu::StripExtension(it->path().filename().string()), CodePage());
    if (CfgNameAllowed(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    return LessIgnoringCase(a, b) || (!LessIgnoringCase(b, a) && a < b);
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

bool SaveConfigurationAs(const std::u16string& Name) {
  if (const std::string problem = CfgNameProblem(Name); !problem.empty()) {
    Show(problem);
    return false;
  }
  const std::string name = CfgNameBytesOf(Name), path = CfgFullFileName(name);
  if (ConfigurationPartlyRead()) {
    // The file would hold what was read so far mixed with the values from before the read, and
    // the ECU could not be sent it: nothing is written, and the user can save once it is read.
    Show(Quoted(path) + " " + Lng("SL_Not_Saved") + ": " + Lng("SL_Read_Unfinished"));
    return false;
  }
  try {
    std::error_code ignored;  // a folder that cannot be made fails the write below
    fs::create_directories(ecu::NativeFileName(ecu::Session().ConfigData.ConfigDir), ignored);
    ecu::SaveConfigFile(path);
  } catch (const rtl::Exception& e) {
    Show(Quoted(path) + " " + Lng("SL_Not_Saved") + ": " + e.Message());
    return false;
  }
  if (ecu::Session().ConfigData.Configuration) ecu::Session().ConfigData.Configuration->Cfg_Name = name;
  Model().Settings.CFG_Full_File_Name = path;
  Model().Settings.CFG_File_Name = name;
  if (ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->UpdateMainCaption();
  RequestConfigWrite();
  return true;
}

bool LoadConfigurationFrom(const std::u16string& Name) {
  if (const std::string problem = CfgNameProblem(Name); !problem.empty()) {
    Show(problem);
    return false;
  }
  if (EcuBeingRead()) {
    // The read would put the ECU's values in the file's place, and a write would carry them.
    ReportNotWritten(TNotWritten::Reading);
    return false;
  }
  const std::string name = CfgNameBytesOf(Name), path = CfgFullFileName(name);
  // Nothing may change before the file is known to be there: the load starts from the
  // defaults, which would otherwise reach the ECU in place of its configuration.
  if (const std::string fault = CfgFileFault(path); !fault.empty()) {
    Show(Quoted(path) + " " + Lng(fault));
    return false;
  }
  // The defaults go in only under a file that holds a configuration: random bytes, or a file
  // that went between the look and the load, change nothing and send nothing.
  if (!ecu::LoadConfigFileOverDefaults(path)) {
    Show(Quoted(path) + " " + CfgLoadRefusal(path));
    return false;
  }
  // What a read cut off had put into the configuration is gone: the file's values, and the
  // defaults, have taken its place.
  ecu::Session().Link.ReadUnfinished = 0;
  Model().Settings.CFG_Full_File_Name = path;
  Model().Settings.CFG_File_Name = name;
  ShowConfiguration();
  // With no ECU answering, the configuration shows the file's values and the next read puts
  // the ECU's back: the user is told that they were not written.
  if (!RequestConfigWrite()) ReportNotWritten(TNotWritten::NoLink);
  const std::vector<std::string> report = ecu::ConfigLoadReportLines(ecu::Session().ConfigData.ConfigLoadReport);
  if (!report.empty()) {
    std::string text = Quoted(path) + " " + Lng("SL_Load_Report") + ":";
    for (const std::string& line : report) text += "\n" + line;
    Show(text);
  }
  return true;
}

void NewConfiguration() {
  if (EcuBeingRead()) {
    ReportNotWritten(TNotWritten::Reading);
    return;
  }
  Model().Settings.CFG_File_Name.clear();
  Model().Settings.CFG_Full_File_Name.clear();
  if (ecu::Session().ConfigData.Configuration) ecu::Session().ConfigData.Configuration->Cfg_Name.clear();
  ecu::SetDefaultConfiguration();
  ecu::Session().Link.ReadUnfinished = 0;
  if (ecu::Session().Hosts.Host) ecu::Session().Hosts.Host->PushDiagramHistory();
  ShowConfiguration();
  // With the link down the ECU is not asked (the request would go to whatever answers next),
  // and the next read replaces the defaults: the user is told.
  if (ecu::Session().Link.LinkUp)
    ecu::RequestTask(ecu::TTask::WriteAll);
  else
    ReportNotWritten(TNotWritten::NoLink);
}

namespace {

// The customer's details taken from their boxes into the current configuration file (see
// SaveCustomerAtClose); NoFile is the report's key when there is no such file and they would be lost.
std::string SaveTakenCustomer(const char* NoFile) {
  const std::string path = Model().Settings.CFG_Full_File_Name;
  const ecu::Configuration_Class* c = ecu::Session().ConfigData.Configuration.get();
  if (!Model().Actions.CustomerTaken || !c) return {};
  const std::pair<const char*, const std::string*> keys[] = {
      {"User_Name", &c->User_Name}, {"User_Phone", &c->User_Phone}, {"Date_Mounting", &c->Date_Mounting},
      {"Data_KM", &c->Data_KM},     {"Car_Jet", &c->Car_Jet},       {"Car_Comments", &c->Car_Comments}};
  if (path.empty()) {
    // Details emptied (File > Default) lose nothing.
    const bool none = std::all_of(std::begin(keys), std::end(keys), [](const auto& k) { return k.second->empty(); });
    return none ? std::string() : Lng(NoFile);
  }
  const auto notSaved = [&path](const std::string& Why) {
    return Lng("SL_Customer_Not_Saved") + " " + Quoted(path) + ": " + Why;
  };
  // A file that is there and cannot be read is not written over with the customer's keys alone.
  if (const std::string fault = CfgFileFault(path); !fault.empty() && fault != "Error_File_not_found")
    return notSaved(Lng(fault));
  // The customer's details are the file's alone (the ECU holds none of them): they go in
  // whether the ECU answered or not; the file's other lines stay as they are.
  try {
    ecu::KeyFileOpen(path);
    // A save after the ECU took the change may have written them already.
    bool same = true;
    for (const auto& [key, value] : keys) {
      const std::string& held = ecu::Session().Files.KeyFileValue;
      same = same && ecu::KeyFileFind(key) && (held == " " ? std::string() : held) == *value;
    }
    if (same) {
      ecu::KeyFileClose();
      return {};
    }
    for (const auto& [key, value] : keys) ecu::KeyFileSet(key, *value, "");
    ecu::KeyFileSave(path);
  } catch (const rtl::Exception& e) {
    if (ecu::KeyFileStorePresent()) ecu::KeyFileClose();
    return notSaved(e.Message());
  }
  return {};
}

}  // namespace

std::string SaveCustomerAtClose() { return SaveTakenCustomer("SL_Customer_No_File"); }

void SaveCustomerBeforeEcuFile(bool Replaced) {
  // Without a current file the details stay in the configuration when the ECU names none.
  if (Model().Settings.CFG_Full_File_Name.empty() && !Replaced) return;
  if (const std::string report = SaveTakenCustomer("SL_Customer_Replaced"); !report.empty()) Show(report);
  Model().Actions.CustomerTaken = false;
}

bool RunSaveLoad(TFileMenuMode Mode, const std::u16string& Name) {
  return Mode == TFileMenuMode::Save ? SaveConfigurationAs(Name) : LoadConfigurationFrom(Name);
}

std::u16string CurrentCfgName() {
  if (!ecu::Session().ConfigData.Configuration) return {};
  return rtl::CodePageToWide(ecu::Session().ConfigData.Configuration->Cfg_Name, CodePage());
}

void SaveLoadEnglishText(std::string& Text) {
  for (const TEnglish& entry : EnglishTable)
    if (ecu::IsLngKey(entry.Key)) {
      Text = entry.Text;
      return;
    }
}

}  // namespace app
