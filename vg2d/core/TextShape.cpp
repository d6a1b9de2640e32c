#include "vg2d/core/TextShape.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace vg {

namespace {

// Lines longer than this are repainted whole when they change.
constexpr size_t MaxSpanText = 256;

// Characters that are laid out one glyph after the other, left to right: the scripts before
// Hebrew, without control characters (line breaks, tabs).
bool LeftToRightGlyphs(const std::u16string& Text) {
  return !Text.empty() && Text.size() <= MaxSpanText && std::all_of(Text.begin(), Text.end(), [](char16_t C) {
    return C >= 0x20 && C < 0x590 && !(C >= 0x7F && C < 0xA0);
  });
}

// Drawn at its size, not turned: glyphs measured outside a paint land where they are drawn.
bool Unscaled(const TvxMatrix& M) { return M.m11 == 1 && M.m22 == 1 && M.m12 == 0 && M.m21 == 0; }

}  // namespace

rtl::TClass TvxText::StaticClass() {
  using T = TvxText;
  static const rtl::TClassInfo info = rtl::DefineClass<T>()
                                          .Property("AutoSize", &T::AutoSize, &T::SetAutoSize)
                                          .Default(false)
                                          .Property("Fill", &T::Fill, &T::SetFill)
                                          .Property("Font", &T::Font, &T::SetFont)
                                          .Property("HorzTextAlign", &T::HorzTextAlign, &T::SetHorzTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("VertTextAlign", &T::VertTextAlign, &T::SetVertTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("Text", &T::Text, &T::SetText)
                                          .Property("Stretch", &T::Stretch, &T::SetStretch)
                                          .Default(false)
                                          .Property("Trimmed", &T::Trimmed, &T::SetTrimmed)
                                          .Default(false)
                                          .Property("WordWrap", &T::WordWrap, &T::SetWordWrap)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxText::TvxText(rtl::TComponent* AOwner) : TvxShape(AOwner), font_(std::make_unique<TvxFont>()) {
  font_->OnChange = [this](rtl::TObject* Sender) { FontChanged(Sender); };
  // Black text by default (not written); no stroke.
  Fill()->SetDefaultColor(0xFF000000u);
  Fill()->SetSolidColor(0xFF000000u);
  Stroke()->SetDefaultStyle(vgBrushNone);
  Stroke()->SetStyle(vgBrushNone);
}

void TvxText::SetText(const std::u16string& Value) {
  if (Value == text_) return;
  const std::u16string old = std::exchange(text_, Value);
  paintRectSize_ = {-1, -1};
  shownWidth_ = -1;
  PaintRectChanged();
  SetEffectsDirty();
  if (autoSize_) AdjustSize();
  // A value that changes a few characters of a long line repaints those characters only.
  if (TvxRect span; ChangedSpan(old, span))
    RepaintPart(span);
  else
    Repaint();
}

TvxRect TvxText::LineRect(TvxCanvas* C, const std::u16string& Text) {
  const TvxRect local = GetLocalRect();
  TvxRect r = local;
  C->MeasureText(r, r, Text, false, horzTextAlign_, vertTextAlign_);
  // Measuring without wrapping places the line against a box of no width; the drawing
  // places it in the bounds' width.
  if (horzTextAlign_ == vgTextAlignCenter) OffsetRectF(r, RectWidth(local) / 2, 0);
  if (horzTextAlign_ == vgTextAlignFar) OffsetRectF(r, RectWidth(local), 0);
  return r;
}

bool TvxText::ChangedSpan(const std::u16string& Old, TvxRect& Span) {
  if (wordWrap_ || stretch_ || autoSize_ || !LeftToRightGlyphs(Old) || !LeftToRightGlyphs(text_)) return false;
  TvxCanvas* c = GetCanvas();
  if (!c || !Unscaled(c->Matrix()) || !Unscaled(GetAbsoluteMatrix())) return false;
  const size_t n = std::min(Old.size(), text_.size());
  size_t head = 0, tail = 0;
  while (head < n && Old[head] == text_[head]) ++head;
  while (tail < n - head && Old[Old.size() - 1 - tail] == text_[text_.size() - 1 - tail]) ++tail;
  head = head > 2 ? head - 2 : 0;
  tail = tail > 2 ? tail - 2 : 0;
  TvxFont kept;
  kept.Assign(c->Font());
  c->Font()->Assign(font_.get());
  const TvxRect was = LineRect(c, Old), now = LineRect(c, text_);
  // A line that is cut (or was) changes at its ellipsis too: it is repainted whole.
  const TvxRect local = GetLocalRect();
  if (trimmed_ && (std::min(was.Left, now.Left) < local.Left || std::max(was.Right, now.Right) > local.Right)) {
    c->Font()->Assign(&kept);
    return false;
  }
  auto advance = [&](std::u16string_view Part) {
    TvxRect r = MakeRect(0, 0, 0, 0);
    c->MeasureText(r, r, std::u16string(Part), false, vgTextAlignNear, vgTextAlignNear);
    return RectWidth(r);
  };
  float left = std::min(was.Left, now.Left), right = std::max(was.Right, now.Right);
  if (head > 0 && was.Left == now.Left) left = was.Left + advance(std::u16string_view(text_).substr(0, head));
  if (tail > 0 && was.Right == now.Right)
    right = was.Right - advance(std::u16string_view(text_).substr(text_.size() - tail));
  c->Font()->Assign(&kept);
  const float margin = font_->Size() / 4 + 1;
  Span = MakeRect(left - margin, std::min(was.Top, now.Top) - margin, right + margin,
                  std::max(was.Bottom, now.Bottom) + margin);
  return std::isfinite(Span.Left) && std::isfinite(Span.Right) && std::isfinite(Span.Top) &&
         std::isfinite(Span.Bottom) && !IsRectEmptyF(Span);
}

void TvxText::LayoutChanged() {
  paintRectSize_ = {-1, -1};
  shownWidth_ = -1;
  PaintRectChanged();
  SetEffectsDirty();
  Repaint();
}

void TvxText::SetFont(TvxFont* Value) {
  font_->Assign(Value);
  if (autoSize_) AdjustSize();
}

void TvxText::SetAutoSize(bool Value) {
  if (SetField(autoSize_, Value)) AdjustSize();
}

void TvxText::SetStretch(bool Value) {
  if (Value == stretch_) return;
  stretch_ = Value;
  if (stretch_) SetAutoSize(false);
  LayoutChanged();
}

rtl::TPropValue TvxText::GetData() { return text_; }

void TvxText::SetData(const rtl::TPropValue& Value) {
  if (const auto* w = std::get_if<std::u16string>(&Value)) return SetText(*w);
  if (const auto* s = std::get_if<std::string>(&Value)) return SetText(rtl::Utf8ToWide(*s));
  if (const auto* i = std::get_if<int64_t>(&Value)) return SetText(rtl::Utf8ToWide(std::to_string(*i)));
  if (const auto* b = std::get_if<bool>(&Value)) return SetText(*b ? u"True" : u"False");
  if (const auto* d = std::get_if<double>(&Value)) return SetText(rtl::Utf8ToWide(rtl::FloatToStr(*d)));
  SetText({});
}

void TvxText::FontChanged(rtl::TObject*) {
  paintRectSize_ = {-1, -1};
  shownWidth_ = -1;
  PaintRectChanged();
  SetEffectsDirty();
  if (autoSize_) AdjustSize();
  Repaint();
}

TvxRect TvxText::GetPaintRect() {
  const TvxRect local = GetLocalRect();
  // A stretched text is scaled into its bounds.
  if (text_.empty() || stretch_) return local;
  const TvxPoint size{Width(), Height()};
  if (paintRectSize_ == size) return paintRect_;
  TvxCanvas* c = GetCanvas();
  if (!c) return local;
  TvxFont kept;
  kept.Assign(c->Font());
  c->Font()->Assign(font_.get());
  TvxRect r = local;
  if (wordWrap_)
    c->MeasureText(r, r, text_, wordWrap_, horzTextAlign_, vertTextAlign_);
  else
    r = LineRect(c, text_);
  c->Font()->Assign(&kept);
  // Antialiased edges and glyphs that reach past their cell (italics, accents).
  const float margin = font_->Size() / 4 + 1;
  InflateRectF(r, margin, margin);
  UnionRectF(local, r, paintRect_);
  if (trimmed_) IntersectRectF(paintRect_, paintRect_, TrimRect());
  paintRectSize_ = size;
  return paintRect_;
}

void TvxText::Realign() {
  TvxShape::Realign();
  if (autoSize_) AdjustSize();
}

void TvxText::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->Font()->Assign(font_.get());
  const TvxRect local = GetLocalRect();
  if (!stretch_ && trimmed_) {
    const std::u16string& shown = ShownText();
    const int state = c->SaveState();
    c->IntersectClipRect(TrimRect());
    c->FillText(local, local, shown, wordWrap_, GetAbsoluteOpacity(), horzTextAlign_, vertTextAlign_);
    c->RestoreState(state);
    return;
  }
  if (!stretch_) {
    c->FillText(local, local, text_, wordWrap_, GetAbsoluteOpacity(), horzTextAlign_, vertTextAlign_);
    return;
  }
  TvxRect r = MakeRect(0, 0, 1000, 1000);
  c->MeasureText(r, r, text_, false, horzTextAlign_, vertTextAlign_);
  OffsetRectF(r, -r.Left, -r.Top);
  TvxMatrix m = IdentityMatrix;
  if (!IsRectEmptyF(r)) {
    m.m11 = RectWidth(local) / RectWidth(r);
    m.m22 = RectHeight(local) / RectHeight(r);
  }
  c->MultiplyMatrix(m);
  InflateRectF(r, font_->Size() / 3, font_->Size() / 3);
  c->FillText(r, r, text_, false, GetAbsoluteOpacity(), horzTextAlign_, vertTextAlign_);
}

TvxRect TvxText::GetReachRect() { return LocalRectToAbsolute(GetPaintRect()); }

TvxRect TvxText::TrimRect() const {
  TvxRect r = GetLocalRect();
  const float margin = font_->Size() / 4 + 1;
  r.Top -= margin;
  r.Bottom += margin;
  return r;
}

const std::u16string& TvxText::ShownText() {
  if (!trimmed_ || wordWrap_ || stretch_ || text_.empty()) return text_;
  // The line is measured as it is drawn: at the text's own scale and turn (glyphs fitted to
  // whole pixels at scale 1 are narrower or wider than the same glyphs scaled), so a new scale
  // of the window (a parent's) measures it again.
  const TvxMatrix& m = GetAbsoluteMatrix();
  const std::array<float, 4> turn{m.m11, m.m12, m.m21, m.m22};
  if (shownWidth_ == Width() && shownTurn_ == turn) return shownText_;
  TvxCanvas* c = GetCanvas();
  if (!c) return text_;
  TvxFont kept;
  kept.Assign(c->Font());
  const TvxMatrix keptMatrix = c->Matrix();
  c->SetMatrix(m);
  c->Font()->Assign(font_.get());
  const auto width = [c](const std::u16string& Line) {
    TvxRect r = MakeRect(0, 0, 0, 0);
    c->MeasureText(r, r, Line, false, vgTextAlignNear, vgTextAlignNear);
    return RectWidth(r);
  };
  const float room = Width();
  shownText_ = text_;
  if (width(text_) > room) {
    // The longest beginning that fits with the ellipsis (a longer one is never narrower),
    // never ending inside a surrogate pair and without the blanks before the ellipsis.
    static const std::u16string Ellipsis = u"\u2026";
    auto cut = [this](std::size_t N) {
      if (N > 0 && N < text_.size() && text_[N - 1] >= 0xD800 && text_[N - 1] <= 0xDBFF) --N;
      std::u16string t = text_.substr(0, N);
      t.erase(t.find_last_not_of(u' ') + 1);
      return t + Ellipsis;
    };
    std::size_t low = 0, high = text_.size() - 1;
    while (low < high) {
      const std::size_t mid = (low + high + 1) / 2;
      if (width(cut(mid)) <= room)
        low = mid;
      else
        high = mid - 1;
    }
    shownText_ = width(cut(low)) <= room ? cut(low) : std::u16string();
  }
  c->Font()->Assign(&kept);
  c->SetMatrix(keptMatrix);
  shownWidth_ = room;
  shownTurn_ = turn;
  return shownText_;
}

void TvxText::AdjustSize() {
  if (Aligning() || adjusting_) return;
  TvxCanvas* c = GetCanvas();
  if (!autoSize_ || !c || text_.empty()) return;
  {
    adjusting_ = true;
    struct TDone {
      bool& Flag;
      ~TDone() { Flag = false; }
    } done{adjusting_};
    c->Font()->Assign(font_.get());
    TvxRect r = wordWrap_ ? MakeRect(0, 0, Width(), 1000) : MakeRect(0, 0, 1000, 1000);
    c->MeasureText(r, r, text_, wordWrap_, vgTextAlignNear, vgTextAlignNear);
    if (!wordWrap_) SetWidth(r.Right + font_->Size() / 2);
    if (vertTextAlign_ != vgTextAlignCenter) SetHeight(r.Bottom);
  }
  if (TvxObject* p = Parent(); p && p->IsVisual()) p->Visual()->Realign();
}

}  // namespace vg
