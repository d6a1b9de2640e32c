// What the 2D and 3D libraries share in their exchange with the class library's font,
// bitmap, graphic and picture (win::TFont, win::TBitmap, win::TGraphic, win::TPicture): the
// one rule by which a font's height and style set become a size and a style and back, the
// copy of 32-bit pixels into such a bitmap or picture, and the pixels of a graphic of any
// other kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace win {
class TBitmap;
class TFont;
class TGraphic;
class TPicture;
}  // namespace win

namespace vg {

// A font as both libraries keep it. Style is numbered as both number theirs: regular, bold,
// italic, bold italic (0 .. 3); NoFontStyle where a class-library style set gives none.
struct TFontFace {
  std::string Family;
  float Size = 0;
  int Style = 0;
};
constexpr int NoFontStyle = -1;

// The family is the font's name, the size the absolute value of its height in pixels, the
// style follows its set: [] regular, [bold], [italic], [bold, italic]; a set with underline
// or strike-out gives NoFontStyle (the receiver keeps its style).
TFontFace FontFaceOf(const win::TFont& Font);
// Into a class-library font: name, height -Size rounded, and for the styles 0 .. 3 the set
// of bold and italic; another style (underline, strike-out) leaves the set as it was.
void PutFontFace(const TFontFace& Face, win::TFont& Font);

// Dest becomes a 32-bit bitmap of Width x Height whose rows are copied from Bits (top row
// first, no padding; nil leaves the new rows as they are).
void CopyToClassLibraryBitmap(const std::uint32_t* Bits, int Width, int Height, win::TBitmap& Dest);
// Dest takes a 32-bit bitmap of Width x Height holding those rows, as a picture takes a
// bitmap it is assigned (whatever graphic it held goes).
void CopyToClassLibraryPicture(const std::uint32_t* Bits, int Width, int Height, win::TPicture& Dest);

// The Width() x Height() premultiplied pixels of a graphic of any kind, top row first: the
// graphic drawn stretched to its size over magenta (red 255, green 0, blue 255). Where it
// left the magenta, the pixel is transparent (0); everywhere else it is the colour drawn
// there, opaque. Empty for an empty graphic.
std::vector<std::uint32_t> KeyedPixelsOfGraphic(const win::TGraphic& Graphic);

}  // namespace vg
