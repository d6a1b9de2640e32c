// Glyphs for the canvas's text atlases: a face of a family at a pixel size gives its line
// height, the side spacing and ink width of each character, and draws a character's coverage
// into an 8-bit buffer. The FreeType rasteriser finds the family through fontconfig.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace dx {

// A character's spacing in pixels: A before the ink, B the ink, C after it (A + B + C is the
// advance); A and C may be negative.
struct TdxGlyphSpacing {
  float A = 0, B = 0, C = 0;
};

class IdxGlyphFace {
public:
  virtual ~IdxGlyphFace() = default;
  // Ascent plus descent: the height of every cell.
  virtual int LineHeight() = 0;
  virtual TdxGlyphSpacing Spacing(char16_t Char) = 0;
  // Draws the character with its pen origin at X and the top of its line at Y, adding its
  // coverage (0 to 255) into Pixels (Width x Height bytes, top row first); what falls outside is
  // cut off.
  virtual void Draw(char16_t Char, int X, int Y, std::uint8_t* Pixels, int Width, int Height) = 0;
};

class IdxGlyphRasterizer {
public:
  virtual ~IdxGlyphRasterizer() = default;
  // PixelSize is the em height; nil when no face can be opened.
  virtual std::unique_ptr<IdxGlyphFace> OpenFace(const std::string& Family, int PixelSize, bool Bold,
                                                 bool Italic) = 0;
};

// FreeType's rasteriser, one for the process. A family that does not exist falls back to the
// generic sans-serif one.
IdxGlyphRasterizer& dxFreeTypeRasterizer();

}  // namespace dx
