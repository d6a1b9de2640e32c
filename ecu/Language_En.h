// The built-in English texts, by language key.
#pragma once

#include <span>
#include <string>

namespace ecu {

struct TLngEntry {
  const char* Key;
  const char* Text;
};

// The texts of the ECU link and the main pages, in search order.
std::span<const TLngEntry> EnglishTexts();

// The upper-cased key being looked up.
extern std::string CurrentLngKey;

// True when the upper-cased key equals CurrentLngKey.
bool IsLngKey(const std::string& Key);

// The English texts that the windows keep themselves. Each sets Text (empty on entry) when its
// table knows CurrentLngKey and leaves it empty otherwise. The application installs them.
class TWindowEnglishTexts {
public:
  virtual ~TWindowEnglishTexts() = default;
  virtual void MainFormEnglishText(std::string& Text) = 0;
  virtual void SettingsEnglishText(std::string& Text) = 0;
  virtual void SkinEnglishText(std::string& Text) = 0;
  virtual void ColorsEnglishText(std::string& Text) = 0;
};
extern TWindowEnglishTexts* WindowEnglishTexts;

// The built-in English text of a key: the table above first, then the windows' tables (main
// window, settings, skin, colour descriptions), each only while the text is still empty. Empty
// when no table knows the key.
std::string Language_En_Text(const std::string& Key);

}  // namespace ecu
