// The clipboard, as Unicode text or as a picture. The display keeps the text as UTF-8; our
// wide text is UTF-16, so it is converted at the boundary. A surrogate that has no partner (text cut in
// the middle of a pair, or made up in code) cannot be written as UTF-8: it is written in
// the three-byte form UTF-8 would give the code unit, and read back as that code unit, so
// a copy and paste inside the program gives back exactly what was copied. Bytes that are
// not UTF-8 at all read as U+FFFD, one per bad byte.
//
// A picture on the clipboard is a 32-bit bitmap (bytes blue, green, red, alpha; colours
// premultiplied, as a canvas draws them). The program keeps the one it put there; on an X
// display it is also offered to other programs as "image/png", and a picture another
// program put there is read as "image/png" (SDL2 carries text only: X11Selection.h). The
// clipboard holds one thing: a picture put there empties the text, a text drops the picture.
// Asking for a picture answers through a callback on the GUI thread, because on a display
// the answer comes from whichever program holds the clipboard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win {

class TBitmap;

// Puts Text on the clipboard (an empty text empties it). Opens the display when needed.
void ClipboardSetText(const std::u16string& Text);
// The clipboard's text; empty when it holds none.
std::u16string ClipboardGetText();
// Whether the clipboard holds a text that is not empty.
bool ClipboardHasText();

// Puts a copy of Picture on the clipboard; an empty picture empties the clipboard. Opens
// the display when needed.
void ClipboardSetPicture(const TBitmap& Picture);
// The clipboard's picture for Done, or nil when it holds none (or its holder does not
// answer in time). Done runs at once when the program holds the answer itself (no other
// program can hold the clipboard), else later on the GUI thread.
using TClipboardPictureProc = std::function<void(const TBitmap* Picture)>;
void ClipboardRequestPicture(const void* Owner, TClipboardPictureProc Done);
// Whether the clipboard holds a picture, answered the same way.
void ClipboardRequestHasPicture(const void* Owner, std::function<void(bool)> Done);
// Forgets the requests of Owner not answered yet (an owner that goes calls it).
void ClipboardCancelRequests(const void* Owner);
// Leaves the display's clipboard before the display closes; the program's picture stays.
void ClipboardDisplayClosing();

// No picture of more pixels than this is taken from another program.
constexpr std::int64_t ClipboardMaxPicturePixels = std::int64_t{1} << 26;
// A picture as the display exchanges it (PNG), and back; false for what is no picture of
// at most ClipboardMaxPicturePixels.
bool EncodeClipboardPicture(const TBitmap& Picture, std::vector<std::uint8_t>& Png);
bool DecodeClipboardPicture(const std::uint8_t* Data, std::size_t Size, TBitmap& Picture);

// The conversions the clipboard uses, on their own.
std::string WideToClipboardUtf8(const std::u16string& Text);
std::u16string ClipboardUtf8ToWide(const std::string& Bytes);

}  // namespace win
