// The built-in English texts, by language key.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace ecu {

struct TLngEntry {
  const char* Key;
  const char* Text;
};

// The texts of the ECU link and the main pages, in search order.
std::span<const TLngEntry> EnglishTexts();

// True when the upper-cased key equals Texts.CurrentLngKey.
bool IsLngKey(std::string_view Key);

// The built-in English text of a key: the table above first, then the tables the installed
// host keeps (THost::EnglishText: main window, settings, skin, colour descriptions). Empty when
// no table knows the key.
std::string Language_En_Text(const std::string& Key);

}  // namespace ecu
