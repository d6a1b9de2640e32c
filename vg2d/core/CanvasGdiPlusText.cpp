// The text half of the concrete canvas: font families, private fonts, drawing, measuring
// and outlines of text.
#include <cmath>
#include <vector>

#include "platform/rtl/Streams.h"
#include "vg2d/core/CanvasGdiPlus.h"

namespace vg {

namespace {

// Fonts larger than this are not read from a stream.
constexpr int64_t MaxFontBytes = int64_t{64} << 20;

gfx2d::StringAlignment ToGP(TvxTextAlign A) {
  switch (A) {
    case vgTextAlignCenter: return gfx2d::StringAlignment::Center;
    case vgTextAlignFar: return gfx2d::StringAlignment::Far;
    case vgTextAlignNear: break;
  }
  return gfx2d::StringAlignment::Near;
}

bool Whole(float V) { return std::isfinite(V) && std::floor(V) == V; }

// Text is taken up to its first U+0000.
bool Blank(const std::u16string& Text) { return Text.empty() || Text[0] == 0; }

// Text is laid out up to its first MaxLaidText units, MaxWrappedText when wrapped (never
// ending inside a surrogate pair): what one layout takes in time and memory stays bounded,
// and no control shows more.
const std::u16string& Bounded(const std::u16string& Text, bool WordWrap, std::u16string& Cut) {
  const size_t most = WordWrap ? TvxCanvasGdiPlus::MaxWrappedText : TvxCanvasGdiPlus::MaxLaidText;
  if (Text.size() <= most) return Text;
  size_t n = most;
  if (Text[n - 1] >= 0xD800 && Text[n - 1] <= 0xDBFF) --n;
  Cut.assign(Text, 0, n);
  return Cut;
}

}  // namespace

int TvxCanvasGdiPlus::GPFontStyle(TvxFontStyle Style) {
  switch (Style) {
    case vgFontBold: return gfx2d::FontStyleBold;
    case vgFontItalic: return gfx2d::FontStyleItalic;
    case vgFontBoldItalic: return gfx2d::FontStyleBoldItalic;
    case vgFontUnderline: return gfx2d::FontStyleUnderline;
    case vgFontStrikeout: return gfx2d::FontStyleStrikeout;
    case vgFontRegular: break;
  }
  return gfx2d::FontStyleRegular;
}

gfx2d::TextRenderingHint TvxCanvasGdiPlus::TextHint() const {
  return font_->ClearType() ? gfx2d::TextRenderingHint::ClearTypeGridFit : gfx2d::TextRenderingHint::AntiAlias;
}

void TvxCanvasGdiPlus::ChooseFontFamily() {
  fontFamily_.reset();
  fontFamily_ = gfx2d::FontFamily::FromName(font_->Family(), fontCollection_.get());
  if (!fontFamily_) fontFamily_ = gfx2d::FontFamily::GenericSansSerif();
}

void TvxCanvasGdiPlus::FontChanged(rtl::TObject*) {
  ChooseFontFamily();
  if (graphics_) graphics_->SetTextRenderingHint(TextHint());
}

void TvxCanvasGdiPlus::AddFontFromStream(rtl::TStream* Stream) {
  if (!Stream) return;
  if (!fontCollection_) fontCollection_ = std::make_unique<gfx2d::PrivateFontCollection>();
  const int64_t remaining = Stream->Size() - Stream->Position();
  if (remaining <= 0 || remaining > MaxFontBytes) return;
  std::vector<uint8_t> block(static_cast<size_t>(remaining));
  const int64_t got = Stream->Read(block.data(), remaining);
  if (got <= 0) return;
  fontCollection_->AddMemoryFont(block.data(), static_cast<size_t>(got));
}

gfx2d::Font TvxCanvasGdiPlus::TextFont() const {
  int style = GPFontStyle(font_->Style());
  if (!fontFamily_->IsStyleAvailable(style)) {
    for (int s = vgFontRegular; s <= vgFontStrikeout; ++s) {
      const int candidate = GPFontStyle(static_cast<TvxFontStyle>(s));
      if (fontFamily_->IsStyleAvailable(candidate)) {
        style = candidate;
        break;
      }
    }
  }
  return {fontFamily_->Name(), font_->Size(), style};
}

void TvxCanvasGdiPlus::FillText(const TvxRect& ARect, const TvxRect&, const std::u16string& WholeText, bool WordWrap,
                                float Opacity, TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign) {
  std::u16string cut;
  const std::u16string& AText = Bounded(WholeText, WordWrap, cut);
  if (fill_->Style() == vgBrushNone || Blank(AText)) return;
  gfx2d::StringFormat format;
  format.Flags = gfx2d::StringFormatFlagsNoClip | (WordWrap ? 0 : gfx2d::StringFormatFlagsNoWrap);
  format.Align = ToGP(ATextAlign);
  format.LineAlign = ToGP(AVTextAlign);
  const gfx2d::Font font = TextFont();
  // Fully opaque text is drawn at 0.99: the look the styles were designed with.
  ApplyBrushGdiPlus(ARect, Opacity == 1 ? 0.99f : Opacity);
  if (!graphics_) return;
  if (Whole(matrix_.m11) && Whole(matrix_.m22)) {
    graphics_->DrawString(AText, font, RectToGPRectF(ARect), format, *fillBrush_);
  } else {
    // Grid fitting distorts scaled glyphs.
    graphics_->SetTextRenderingHint(gfx2d::TextRenderingHint::AntiAlias);
    graphics_->DrawString(AText, font, RectToGPRectF(ARect), format, *fillBrush_);
    graphics_->SetTextRenderingHint(TextHint());
  }
}

void TvxCanvasGdiPlus::MeasureText(TvxRect& ARect, const TvxRect&, const std::u16string& WholeText, bool WordWrap,
                                   TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign) {
  std::u16string cut;
  const std::u16string& AText = Bounded(WholeText, WordWrap, cut);
  if (!WordWrap) ARect.Right = ARect.Left;
  if (Blank(AText)) return;
  // Without a graphics of its own (its buffer could not be made) the canvas measures on a
  // scratch pixel.
  uint32_t scratchPixel = 0;
  std::unique_ptr<gfx2d::Image> scratchImage;
  std::unique_ptr<gfx2d::Graphics> scratch;
  gfx2d::Graphics* g = graphics_.get();
  if (!g) {
    scratchImage.reset(gfx2d::Image::FromPixels(&scratchPixel, 1, 1));
    if (!scratchImage) return;
    scratch = std::make_unique<gfx2d::Graphics>(*scratchImage);
    scratch->SetSmoothingMode(gfx2d::SmoothingMode::HighQuality);
    scratch->SetInterpolationMode(gfx2d::InterpolationMode::HighQuality);
    scratch->SetTextRenderingHint(TextHint());
    g = scratch.get();
  }
  if (!Whole(matrix_.m11) || !Whole(matrix_.m22)) g->SetTextRenderingHint(gfx2d::TextRenderingHint::AntiAlias);
  gfx2d::StringFormat format;
  format.Flags = gfx2d::StringFormatFlagsNoClip | gfx2d::StringFormatFlagsMeasureTrailingSpaces |
                 (WordWrap ? 0 : gfx2d::StringFormatFlagsNoWrap);
  format.Align = ToGP(ATextAlign);
  format.LineAlign = ToGP(AVTextAlign);
  gfx2d::RectF bounds;
  if (g->MeasureString(AText, TextFont(), RectToGPRectF(ARect), format, bounds))
    ARect = {bounds.X, bounds.Y, bounds.X + bounds.Width, bounds.Y + bounds.Height};
  if (!scratch) graphics_->SetTextRenderingHint(TextHint());
}

bool TvxCanvasGdiPlus::TextToPath(TvxPathData* Path, const TvxRect& ARect, const std::u16string& WholeText,
                                  bool WordWrap, TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign) {
  std::u16string cut;
  const std::u16string& AText = Bounded(WholeText, WordWrap, cut);
  if (!Path || Blank(AText)) return false;
  const int style = GPFontStyle(font_->Style());
  if (!fontFamily_->IsStyleAvailable(style)) return false;
  Path->Clear();
  gfx2d::StringFormat format;
  format.Flags = WordWrap ? 0 : gfx2d::StringFormatFlagsNoWrap | gfx2d::StringFormatFlagsMeasureTrailingSpaces;
  format.Align = ToGP(ATextAlign);
  format.LineAlign = ToGP(AVTextAlign);
  gfx2d::PathData outline;
  if (!gfx2d::AddPathString(outline, AText, {fontFamily_->Name(), font_->Size(), style}, RectToGPRectF(ARect),
                            format))
    return false;
  const auto& pts = outline.Points;
  const auto& types = outline.Types;
  const size_t n = pts.size();
  auto at = [&](size_t i) { return TvxPoint{pts[i].X, pts[i].Y}; };
  for (size_t i = 0; i < n; ++i) {
    switch (types[i] & gfx2d::PathPointTypeMask) {
      case gfx2d::PathPointTypeStart: Path->MoveTo(at(i)); break;
      case gfx2d::PathPointTypeLine: Path->LineTo(at(i)); break;
      case gfx2d::PathPointTypeBezier:
        if (i + 2 >= n) return true;
        Path->CurveTo(at(i), at(i + 1), at(i + 2));
        i += 2;
        break;
      default: continue;
    }
    if (types[i] & gfx2d::PathPointTypeCloseSubpath) Path->ClosePath();
  }
  return true;
}

}  // namespace vg
