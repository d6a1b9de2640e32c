#include "vg2d/core/ClassLibraryGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/win/Graphics.h"

namespace vg {

TFontFace FontFaceOf(const win::TFont& Font) {
  TFontFace face;
  face.Family = Font.Name;
  face.Size = static_cast<float>(std::abs(std::int64_t{Font.Height()}));
  const bool bold = Font.Style.Contains(win::fsBold), italic = Font.Style.Contains(win::fsItalic);
  if (Font.Style.Contains(win::fsUnderline) || Font.Style.Contains(win::fsStrikeOut))
    face.Style = NoFontStyle;
  else
    face.Style = (bold ? 1 : 0) | (italic ? 2 : 0);
  return face;
}

void PutFontFace(const TFontFace& Face, win::TFont& Font) {
  Font.Name = Face.Family;
  // No height beyond what any font could be drawn at, none from a size that is no number.
  const double size = std::isfinite(Face.Size) ? std::clamp(static_cast<double>(Face.Size), -1e6, 1e6) : 0.0;
  Font.SetHeight(-static_cast<int>(std::lround(size)));
  if (Face.Style < 0 || Face.Style > 3) return;
  win::TFontStyles set;
  if (Face.Style & 1) set.Include(win::fsBold);
  if (Face.Style & 2) set.Include(win::fsItalic);
  Font.Style = set;
}

void CopyToClassLibraryBitmap(const std::uint32_t* Bits, int Width, int Height, win::TBitmap& Dest) {
  Dest.SetSize(Width, Height);
  if (!Bits || Dest.Width() == 0) return;
  for (int y = 0; y < Dest.Height(); ++y)
    std::memcpy(Dest.ScanLine(y), Bits + static_cast<size_t>(y) * static_cast<size_t>(Width),
                static_cast<size_t>(Width) * sizeof(std::uint32_t));
}

void CopyToClassLibraryPicture(const std::uint32_t* Bits, int Width, int Height, win::TPicture& Dest) {
  win::TBitmap rows;
  CopyToClassLibraryBitmap(Bits, Width, Height, rows);
  Dest.Assign(&rows);
}

std::vector<std::uint32_t> KeyedPixelsOfGraphic(const win::TGraphic& Graphic) {
  if (Graphic.Empty()) return {};
  constexpr std::uint32_t Magenta = 0x00FF00FF;  // blue, green, red bytes of the key
  win::TBitmap drawn;
  drawn.SetSize(Graphic.Width(), Graphic.Height());
  const win::TRect all{0, 0, drawn.Width(), drawn.Height()};
  drawn.Canvas()->Brush().Color = win::RGB(255, 0, 255);
  drawn.Canvas()->Brush().Style = win::bsSolid;
  drawn.Canvas()->FillRect(all);
  drawn.Canvas()->StretchDraw(all, &Graphic);
  const std::uint32_t* bits = drawn.Bits();
  std::vector<std::uint32_t> pixels(bits, bits + static_cast<size_t>(drawn.Width()) * drawn.Height());
  // Over an opaque fill every pixel came out opaque: its colour bytes are its premultiplied
  // ones. What kept the key is what the graphic left uncovered.
  for (std::uint32_t& p : pixels) p = (p & 0x00FFFFFF) == Magenta ? 0 : (p | 0xFF000000u);
  return pixels;
}

}  // namespace vg
