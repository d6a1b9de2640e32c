// The clipboard, as Unicode text. The display keeps the text as UTF-8; our wide text is
// UTF-16, so it is converted at the boundary. A surrogate that has no partner (text cut in
// the middle of a pair, or made up in code) cannot be written as UTF-8: it is written in
// the three-byte form UTF-8 would give the code unit, and read back as that code unit, so
// a copy and paste inside the program gives back exactly what was copied. Bytes that are
// not UTF-8 at all read as U+FFFD, one per bad byte.
#pragma once

#include <string>

namespace win {

// Puts Text on the clipboard (an empty text empties it). Opens the display when needed.
void ClipboardSetText(const std::u16string& Text);
// The clipboard's text; empty when it holds none.
std::u16string ClipboardGetText();
// Whether the clipboard holds a text that is not empty.
bool ClipboardHasText();

// The conversions the clipboard uses, on their own.
std::string WideToClipboardUtf8(const std::u16string& Text);
std::u16string ClipboardUtf8ToWide(const std::string& Bytes);

}  // namespace win
