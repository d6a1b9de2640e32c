#include "app/core/Start_Unit.h"

#include "app/core/General_Unit.h"
#include "ecu/Calc_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// The value of Key in the file, when the file and the key are there.
bool ReadKey(const std::string& FileName, const std::string& Key, std::string& Value) {
  if (!ecu::KeyFileLoad(FileName)) return false;
  const bool found = ecu::KeyFileFind(Key);
  if (found) Value = ecu::Session().Files.KeyFileValue;
  ecu::KeyFileClose();
  return found;
}

}  // namespace

TNoOpenGLText NoOpenGLText(const std::string& BaseName) {
  TNoOpenGLText text;
  const std::string settings = BaseName + ".ini";
  std::string language = "English";
  std::string value;
  // Held as the settings hold them (General_Unit): a language that names its font keys and a
  // file of the Language folder, never a path, spelled as the language menu lists that file
  // (its name up to the first "."), whatever the case of the letters in the settings file: the
  // spelling picks the code page the message is read in. A font name no longer than a font's
  // and cut at a NUL byte.
  std::string file;
  if (ReadKey(settings, "Language", value) && CanNameFontKeys(rtl::Trim(value))) {
    file = ecu::LanguageFilePath("Language", rtl::Trim(value));
    const std::string name = rtl::ExtractFileName(file);
    const std::string listed = name.substr(0, name.find('.'));
    if (!file.empty() && ecu::UpperCaseASCII(listed) == ecu::UpperCaseASCII(rtl::Trim(value)))
      language = listed;
    else
      file.clear();
  }
  text.Language = language;
  if (ReadKey(settings, language + "_Name", value) && !ecu::KeyFileCutText(value, MaxFontNameLength).empty())
    text.FontName = ecu::KeyFileCutText(value, MaxFontNameLength);
  if (rtl::UpperCase(language) != "ENGLISH" && !file.empty() && ReadKey(file, NoOpenGLMessageKey, value) &&
      !value.empty())
    text.Message = value;
  return text;
}

bool OpenGL_Check(const std::function<bool()>& Probe) {
  bool passed = false;
  for (int i = 0; i < OpenGLProbeCount; ++i) passed = Probe();
  return passed;
}

bool StartWindows(const std::function<bool()>& Probe, const std::function<void(const std::string&)>& Make) {
  if (!OpenGL_Check(Probe)) return false;
  for (const char* name : StartupWindowOrder) Make(name);
  return true;
}

}  // namespace app
