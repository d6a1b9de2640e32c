#include "platform/rtl/Registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

namespace {

std::string DefaultFileName() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if ((!home || !home[0])) {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : nullptr;
    }
    base = std::string(home && home[0] ? home : ".") + "/.config";
  }
  return IncludeTrailingPathDelimiter(base) + "gascal/registry.ini";
}

const char* RootName(HKEY Key) {
  switch (Key) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: return nullptr;
  }
}

}  // namespace

TClass TRegistry::StaticClass() {
  static const TClassInfo info = DefineClass<TRegistry>().Build();
  return &info;
}

TRegistry::TRegistry(const std::string& FileName)
    : fileName_(FileName.empty() ? DefaultFileName() : FileName), file_(std::make_unique<TMemIniFile>(fileName_)) {}

TRegistry::~TRegistry() = default;

TMemIniFile& TRegistry::Current() {
  file_->LoadFile();
  return *file_;
}

void TRegistry::Store(TMemIniFile& File) {
  // The folder of a per-user file may not exist yet on a fresh account.
  const std::string folder = ExtractFilePath(fileName_);
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
  File.UpdateFile();
}

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  rootKey_ = Value;
}

std::string TRegistry::Resolve(const std::string& Key) const {
  const bool absolute = !Key.empty() && Key[0] == '\\';
  std::string path = absolute || !keyOpen_ ? "" : currentPath_;
  std::size_t start = 0;
  while (start <= Key.size()) {
    std::size_t end = Key.find('\\', start);
    if (end == std::string::npos) end = Key.size();
    if (end > start) {
      if (!path.empty()) path += '\\';
      path.append(Key, start, end - start);
    }
    start = end + 1;
  }
  return path;
}

std::string TRegistry::SectionOf(const std::string& Path) const {
  const char* root = RootName(rootKey_);
  if (!root) return "";
  std::string section = root;
  if (!Path.empty()) section.append("\\").append(Path);
  return section;
}

bool TRegistry::KeyExists(const std::string& Key) {
  const std::string path = Resolve(Key);
  const std::string section = SectionOf(path);
  if (section.empty()) return false;
  if (path.empty()) return true;
  TMemIniFile& file = Current();
  if (file.SectionExists(section)) return true;
  // A key exists also when only keys below it hold values.
  TStringList sections;
  file.ReadSections(&sections);
  const std::string prefix = section + "\\";
  for (int i = 0; i < sections.Count(); ++i)
    if (sections[i].size() > prefix.size() && SameText(sections[i].substr(0, prefix.size()), prefix)) return true;
  return false;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const std::string path = Resolve(Key);
  const std::string section = SectionOf(path);
  if (section.empty()) return false;
  if (!KeyExists(Key)) {
    if (!CanCreate) return false;
    TMemIniFile& file = Current();
    try {
      file.AddSection(section);
    } catch (const EIniFileException&) {
      return false;  // a name the file cannot hold, as the registry refuses bad names
    }
    Store(file);
  }
  keyOpen_ = true;
  currentPath_ = path;
  return true;
}

void TRegistry::CloseKey() {
  keyOpen_ = false;
  currentPath_.clear();
}

std::string TRegistry::ReadString(const std::string& Name) {
  if (!keyOpen_) return "";
  return Current().ReadString(SectionOf(currentPath_), Name, "");
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  if (!keyOpen_) throw ERegistryException(Format("Failed to set data for '%s'", Name));
  TMemIniFile& file = Current();
  try {
    file.WriteString(SectionOf(currentPath_), Name, Value);
  } catch (const EIniFileException&) {
    throw ERegistryException(Format("Failed to set data for '%s'", Name));
  }
  Store(file);
}

int TRegistry::ReadInteger(const std::string& Name) {
  if (!ValueExists(Name)) throw ERegistryException(Format("Failed to get data for '%s'", Name));
  int value = 0;
  if (!TryStrToInt(ReadString(Name), value)) throw ERegistryException(Format("Invalid data type for '%s'", Name));
  return value;
}

void TRegistry::WriteInteger(const std::string& Name, int Value) { WriteString(Name, IntToStr(Value)); }

bool TRegistry::ReadBool(const std::string& Name) { return ReadInteger(Name) != 0; }

void TRegistry::WriteBool(const std::string& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }

bool TRegistry::ValueExists(const std::string& Name) {
  return keyOpen_ && Current().ValueExists(SectionOf(currentPath_), Name);
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!ValueExists(Name)) return false;
  TMemIniFile& file = *file_;  // just read by ValueExists
  file.DeleteKey(SectionOf(currentPath_), Name);
  Store(file);
  return true;
}

}  // namespace rtl
