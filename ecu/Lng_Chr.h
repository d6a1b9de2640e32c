// Language texts to wide text through the code page of the current language.
#pragma once

#include <string>

namespace ecu {

// 1251 (Windows Cyrillic) for "Russian", 874 (Windows Thai) for "Thai", the system code page
// (1252) for "English" and any other language.
int LanguageCodePage(const std::string& Language);

// The 8-bit text of the current language as wide text; an empty text gives an empty one.
std::u16string LngToWide(const std::string& Text);
// The same for a text of the named language (read before the language is the current one).
std::u16string LngToWide(const std::string& Text, const std::string& Language);

}  // namespace ecu
