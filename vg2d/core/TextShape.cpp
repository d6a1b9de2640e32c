#include "vg2d/core/TextShape.h"

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

namespace vg {

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
  text_ = Value;
  paintRectSize_ = {-1, -1};
  PaintRectChanged();
  SetEffectsDirty();
  if (autoSize_) AdjustSize();
  Repaint();
}

void TvxText::LayoutChanged() {
  paintRectSize_ = {-1, -1};
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
  c->MeasureText(r, r, text_, wordWrap_, horzTextAlign_, vertTextAlign_);
  c->Font()->Assign(&kept);
  // Measuring without wrapping places the line against a box of no width; the drawing
  // places it in the bounds' width.
  if (!wordWrap_ && horzTextAlign_ == vgTextAlignCenter) OffsetRectF(r, RectWidth(local) / 2, 0);
  if (!wordWrap_ && horzTextAlign_ == vgTextAlignFar) OffsetRectF(r, RectWidth(local), 0);
  // Antialiased edges and glyphs that reach past their cell (italics, accents).
  const float margin = font_->Size() / 4 + 1;
  InflateRectF(r, margin, margin);
  UnionRectF(local, r, paintRect_);
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
