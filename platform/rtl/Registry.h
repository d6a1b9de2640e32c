// A registry for the user's settings: keys under a root key, each holding named string
// and integer values. It lives in an INI file of the user's (one section per key, named
// after the root key and the key's path, "HKEY_CURRENT_USER\Software\Gascal"); every
// change is written at once and every read sees the file as it is now.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Object.h"

namespace rtl {

class TMemIniFile;

RTL_EXCEPTION(ERegistryException, Exception);

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

class TRegistry : public TObject {
  RTL_CLASS(TRegistry, TObject)
public:
  // The file is $XDG_CONFIG_HOME/gascal/registry.ini (or ~/.config/gascal/registry.ini)
  // unless FileName names another one.
  explicit TRegistry(const std::string& FileName = "");
  ~TRegistry() override;

  const std::string& FileName() const { return fileName_; }
  HKEY RootKey() const { return rootKey_; }
  // Closes the current key.
  void SetRootKey(HKEY Value);
  // Opens Key, relative to the current key, or to the root key when it starts with "\";
  // creates it (with the keys above it) when CanCreate is set. False when the key does not
  // exist and may not be created.
  bool OpenKey(const std::string& Key, bool CanCreate);
  void CloseKey();
  // The open key's path below the root key ("Software\Gascal"); "" when none is open.
  const std::string& CurrentPath() const { return currentPath_; }
  bool KeyExists(const std::string& Key);

  // Values of the open key. A missing string reads as ""; a missing integer raises
  // ERegistryException "Failed to get data for '%s'", one that is not a number "Invalid data
  // type for '%s'". Writing without an open key raises "Failed to set data for '%s'".
  std::string ReadString(const std::string& Name);
  void WriteString(const std::string& Name, const std::string& Value);
  int ReadInteger(const std::string& Name);
  void WriteInteger(const std::string& Name, int Value);
  // An integer, non-zero meaning true.
  bool ReadBool(const std::string& Name);
  void WriteBool(const std::string& Name, bool Value);
  bool ValueExists(const std::string& Name);
  bool DeleteValue(const std::string& Name);

private:
  TMemIniFile& Current();
  // The section of a key path below the root; "" for an unknown root key.
  std::string SectionOf(const std::string& Path) const;
  // The full path of Key as OpenKey and KeyExists read it.
  std::string Resolve(const std::string& Key) const;
  void Store(TMemIniFile& File);

  std::string fileName_;
  HKEY rootKey_ = HKEY_CURRENT_USER;
  bool keyOpen_ = false;
  std::string currentPath_;
  std::unique_ptr<TMemIniFile> file_;
};

}  // namespace rtl
