// 8-bit code pages and UTF-8 to and from UTF-16 wide text.
#pragma once

#include <string>

namespace rtl {

// The code page that stands for "the system's ANSI code page" (0).
constexpr int DefaultSystemCodePage = 1252;

// Decodes 8-bit text. Bytes the code page does not define become U+FFFD and the rest
// of the text still converts. Code page 0 is the system default; 65001 is UTF-8.
// An unknown code page raises EConvertError.
std::u16string CodePageToWide(const std::string& S, int CodePage);
// Encodes wide text; characters the code page cannot show become '?'.
std::string WideToCodePage(const std::u16string& S, int CodePage);

// Invalid UTF-8 bytes and unpaired surrogates become U+FFFD.
std::u16string Utf8ToWide(const std::string& S);
std::string WideToUtf8(const std::u16string& S);

}  // namespace rtl
