// Text of the drawing back end, on pango: font families with the generic fallback,
// private fonts, string formats, and the layout shared by drawing, measuring and outlines.
// A string is laid out in a rectangle: without wrapping (or in a rectangle of no width)
// every line is placed by the alignment relative to the rectangle's left edge, middle or
// right edge, so that a box of no width centres or ends the text on its left side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx2d/Types.h"

namespace gfx2d {

// Font styles, numbered as the 2D library passes them: bit 0 bold, bit 1 italic,
// 4 underline and 8 strikeout.
enum FontStyle : int {
  FontStyleRegular = 0,
  FontStyleBold = 1,
  FontStyleItalic = 2,
  FontStyleBoldItalic = 3,
  FontStyleUnderline = 4,
  FontStyleStrikeout = 8
};

enum class StringAlignment { Near = 0, Center = 1, Far = 2 };

// String format flags.
inline constexpr int StringFormatFlagsMeasureTrailingSpaces = 0x0800;
inline constexpr int StringFormatFlagsNoWrap = 0x1000;
inline constexpr int StringFormatFlagsNoClip = 0x4000;

struct StringFormat {
  int Flags = 0;
  StringAlignment Align = StringAlignment::Near;      // horizontal
  StringAlignment LineAlign = StringAlignment::Near;  // vertical
};

// How glyphs are rasterised. AntiAlias: grey antialiasing, unhinted; ClearTypeGridFit:
// grey antialiasing with full hinting and whole-pixel metrics (no sub-pixel colours: the
// pixels are composited again later); SystemDefault: fontconfig's choice.
enum class TextRenderingHint { SystemDefault = 0, AntiAlias = 4, ClearTypeGridFit = 5 };

class PrivateFontCollection;

class FontFamily {
public:
  // The family of that name in Collection, else among the installed fonts; nil when
  // neither has it (no silent substitution).
  static std::unique_ptr<FontFamily> FromName(const std::string& Name, const PrivateFontCollection* Collection = nullptr);
  // A copy of the generic sans-serif family: the installed family fontconfig chooses for
  // "sans-serif". It is looked up once per start of the back end.
  static std::unique_ptr<FontFamily> GenericSansSerif();

  const std::string& Name() const { return name_; }
  // Bold and italic need a face of their own; underline and strikeout need only the face
  // they decorate.
  bool IsStyleAvailable(int Style) const;

private:
  explicit FontFamily(std::string Name) : name_(std::move(Name)) {}
  std::string name_;
};

// Fonts added from memory. The fonts become known to the whole process (fontconfig has
// no per-collection scope) while a collection holds them; the collection remembers which
// families it brought, and lets its fonts go when it goes.
class PrivateFontCollection {
public:
  PrivateFontCollection() = default;
  PrivateFontCollection(const PrivateFontCollection&) = delete;
  PrivateFontCollection& operator=(const PrivateFontCollection&) = delete;
  ~PrivateFontCollection();

  // False when the data is not a font. The same bytes added again change nothing.
  bool AddMemoryFont(const void* Data, size_t Size);
  bool HasFamily(const std::string& Name) const;
  const std::vector<std::string>& Families() const { return families_; }

private:
  std::vector<std::string> families_;
  std::vector<std::string> fontKeys_;  // of AddFontFromMemory, one per distinct font
};

// A font of a family, a style and an em size in drawing units (pixels at identity).
struct Font {
  std::string Family;
  float EmSize = 0;
  int Style = FontStyleRegular;
  // A size that can be laid out (finite, positive, not absurdly large).
  bool IsValid() const;
};

// The outline of a string: points with their kinds, 0 a figure's start, 1 a line to the
// point, 3 a cubic Bezier (three points in a row); 0x80 marks the point that closes its
// figure.
struct PathData {
  std::vector<PointF> Points;
  std::vector<uint8_t> Types;
};
inline constexpr uint8_t PathPointTypeStart = 0;
inline constexpr uint8_t PathPointTypeLine = 1;
inline constexpr uint8_t PathPointTypeBezier = 3;
inline constexpr uint8_t PathPointTypeMask = 0x07;
inline constexpr uint8_t PathPointTypeCloseSubpath = 0x80;

// Replaces Path by the outlines of Text in Font laid out in Layout, every glyph of it
// wherever Layout lies; false (and an empty Path) when the text is empty or the font cannot
// be used. The text ends at its first U+0000.
bool AddPathString(PathData& Path, const std::u16string& Text, const Font& F, const RectF& Layout,
                   const StringFormat& Format);

}  // namespace gfx2d
