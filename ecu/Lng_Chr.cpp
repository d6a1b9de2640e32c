#include "ecu/Lng_Chr.h"

#include "ecu/Language.h"
#include "ecu/Session.h"
#include "platform/rtl/CodePage.h"

namespace ecu {

int LanguageCodePage(const std::string& Language) {
  if (Language == "Russian") return 1251;
  if (Language == "Thai") return 874;
  return 1252;
}

std::u16string LngToWide(const std::string& Text) { return LngToWide(Text, Session().Texts.CurrentLanguage); }

std::u16string LngToWide(const std::string& Text, const std::string& Language) {
  if (Text.empty()) return {};
  return rtl::CodePageToWide(Text, LanguageCodePage(Language));
}

}  // namespace ecu
