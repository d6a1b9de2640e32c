#include "vg2d/core/Brushes.h"

#include <cmath>

#include "vg2d/core/Registry.h"

namespace vg {

// ---- type information -----------------------------------------------------------------------

RTL_ENUM(TvxBrushStyle) {
  static const auto info = rtl::DefineEnum<TvxBrushStyle>(
      "TvxBrushStyle", {{"vgBrushNone", vgBrushNone},
                        {"vgBrushSolid", vgBrushSolid},
                        {"vgBrushGradient", vgBrushGradient},
                        {"vgBrushBitmap", vgBrushBitmap},
                        {"vgBrushResource", vgBrushResource},
                        {"vgBrushVisual", vgBrushVisual}});
  return &info;
}

RTL_ENUM(TvxGradientStyle) {
  static const auto info = rtl::DefineEnum<TvxGradientStyle>(
      "TvxGradientStyle", {{"vgLinearGradient", vgLinearGradient}, {"vgRadialGradient", vgRadialGradient}});
  return &info;
}

RTL_ENUM(TvxWrapMode) {
  static const auto info = rtl::DefineEnum<TvxWrapMode>(
      "TvxWrapMode",
      {{"vgWrapTile", vgWrapTile}, {"vgWrapTileOriginal", vgWrapTileOriginal}, {"vgWrapTileStretch", vgWrapTileStretch}});
  return &info;
}

RTL_ENUM(TvxFontStyle) {
  static const auto info = rtl::DefineEnum<TvxFontStyle>("TvxFontStyle", {{"vgFontRegular", vgFontRegular},
                                                                          {"vgFontBold", vgFontBold},
                                                                          {"vgFontItalic", vgFontItalic},
                                                                          {"vgFontBoldItalic", vgFontBoldItalic},
                                                                          {"vgFontUnderline", vgFontUnderline},
                                                                          {"vgFontStrikeout", vgFontStrikeout}});
  return &info;
}

rtl::TClass TvxGradientPoint::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxGradientPoint, rtl::TCollectionItem>("TvxGradientPoint")
                                          .Property("Color", &TvxGradientPoint::GetColor, &TvxGradientPoint::SetColor)
                                          .Property("Offset", &TvxGradientPoint::Offset, &TvxGradientPoint::SetOffset)
                                          .Build();
  return &info;
}

rtl::TClass TvxGradientPoints::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxGradientPoints, rtl::TCollection>("TvxGradientPoints").Build();
  return &info;
}

rtl::TClass TvxGradient::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxGradient, rtl::TPersistent>("TvxGradient")
          .Property("Points", &TvxGradient::Points, &TvxGradient::SetPoints)
          .Property("Style", &TvxGradient::Style, &TvxGradient::SetStyle).Default(vgLinearGradient)
          .Property("StartPosition", &TvxGradient::StartPosition, &TvxGradient::SetStartPosition).Stored(&TvxGradient::IsLinear)
          .Property("StopPosition", &TvxGradient::StopPosition, &TvxGradient::SetStopPosition).Stored(&TvxGradient::IsLinear)
          .Property("RadialTransform", &TvxGradient::RadialTransform, &TvxGradient::SetRadialTransform).Stored(&TvxGradient::IsRadial)
          .Build();
  return &info;
}

rtl::TClass TvxVisual::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxVisual, rtl::TPersistent>("TvxVisual")
                                          .Property("VisualObject", &TvxVisual::VisualObject, &TvxVisual::SetVisualObject)
                                          .Build();
  return &info;
}

rtl::TClass TvxBrushResource::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrushResource, rtl::TPersistent>("TvxBrushResource")
          .Property("Resource", &TvxBrushResource::Resource, &TvxBrushResource::SetResource).Stored(false)
          .Property("ResourceName", &TvxBrushResource::ResourceName, &TvxBrushResource::SetResourceName)
          .Build();
  return &info;
}

rtl::TClass TvxBrushBitmap::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrushBitmap, rtl::TPersistent>("TvxBrushBitmap")
          .Property("Bitmap", &TvxBrushBitmap::Bitmap, &TvxBrushBitmap::SetBitmap)
          .Property("WrapMode", &TvxBrushBitmap::WrapMode, &TvxBrushBitmap::SetWrapMode).Default(vgWrapTile)
          .Build();
  return &info;
}

rtl::TClass TvxBrush::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrush, rtl::TPersistent>("TvxBrush")
          .Property("Color", &TvxBrush::GetColor, &TvxBrush::SetColor).Stored(&TvxBrush::ColorStored)
          .Property("Bitmap", &TvxBrush::Bitmap, &TvxBrush::SetBitmap).Stored(&TvxBrush::BitmapStored)
          .Property("Style", &TvxBrush::Style, &TvxBrush::SetStyle).Stored(&TvxBrush::StyleStored)
          .Property("Gradient", &TvxBrush::Gradient, &TvxBrush::SetGradient).Stored(&TvxBrush::GradientStored)
          .Property("Resource", &TvxBrush::Resource, &TvxBrush::SetResource).Stored(&TvxBrush::ResourceStored)
          .Property("Visual", &TvxBrush::Visual, &TvxBrush::SetVisual).Stored(&TvxBrush::VisualStored)
          .Build();
  return &info;
}

rtl::TClass TvxFont::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFont, rtl::TPersistent>("TvxFont")
                                          .Property("ClearType", &TvxFont::ClearType, &TvxFont::SetClearType).Default(true)
                                          .Property("Family", &TvxFont::Family, &TvxFont::SetFamily).Default("Tahoma")
                                          .Property("Size", &TvxFont::Size, &TvxFont::SetSize).Default(11.0f)
                                          .Property("Style", &TvxFont::Style, &TvxFont::SetStyle).Default(vgFontRegular)
                                          .Build();
  return &info;
}

// ---- gradient stops ------------------------------------------------------------------------------

void TvxGradientPoint::Assign(const rtl::TPersistent* Source) {
  if (auto* src = dynamic_cast<const TvxGradientPoint*>(Source)) {
    color_ = src->color_;
    offset_ = src->offset_;
    return;
  }
  inherited::Assign(Source);
}

std::string TvxGradientPoint::GetColor() const { return ColorToString(color_); }

void TvxGradientPoint::SetColor(const std::string& Value) { color_ = StringToColor(Value); }

TvxGradientPoints::TvxGradientPoints() : rtl::TCollection(TvxGradientPoint::StaticClass()) {}

TvxGradientPoint* TvxGradientPoints::GetPoint(int Index) const {
  return static_cast<TvxGradientPoint*>(Items(Index));
}

// ---- gradient -----------------------------------------------------------------------------------

TvxGradient::TvxGradient()
    : points_(new TvxGradientPoints),
      startPosition_(new TvxPosition({0, 0})),
      stopPosition_(new TvxPosition({0, 1})),
      radialTransform_(new TvxTransform) {
  const rtl::TNotifyEvent partChanged(this, &TvxGradient::PartChanged, "PartChanged");
  startPosition_->OnChange = partChanged;
  stopPosition_->OnChange = partChanged;
  radialTransform_->OnChange = partChanged;
  auto* black = static_cast<TvxGradientPoint*>(points_->Add());
  black->SetIntColor(0xFF000000);
  black->SetOffset(0);
  auto* white = static_cast<TvxGradientPoint*>(points_->Add());
  white->SetIntColor(0xFFFFFFFF);
  white->SetOffset(1);
}

TvxGradient::~TvxGradient() {
  delete radialTransform_;
  delete stopPosition_;
  delete startPosition_;
  delete points_;
}

void TvxGradient::PartChanged(rtl::TObject*) { Change(); }

void TvxGradient::SetStyle(TvxGradientStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Change();
}

bool TvxGradient::SetFirstColor(const std::string& Text) {
  if (points_->Count() == 0) return false;
  TvxGradientPoint* first = points_->GetPoint(0);
  const TvxColor c = StringToColor(Text);
  if (c == first->IntColor()) return false;
  first->SetIntColor(c);
  return true;
}

TvxColor TvxGradient::InterpolateColor(float Offset) const {
  const int n = points_->Count();
  if (n < 2) return 0;
  if (std::isnan(Offset)) Offset = 0;
  Offset = std::fmin(std::fmax(Offset, 0.0f), 1.0f);
  const TvxGradientPoint* first = points_->GetPoint(0);
  const TvxGradientPoint* last = points_->GetPoint(n - 1);
  if (Offset < first->Offset()) return first->IntColor();
  if (Offset > last->Offset()) return last->IntColor();
  TvxColor result = 0;
  for (int i = 0; i < n - 1; ++i) {
    const TvxGradientPoint* p = points_->GetPoint(i);
    if (p->Offset() > Offset) continue;
    const TvxGradientPoint* next = points_->GetPoint(i + 1);
    const float gap = next->Offset() - p->Offset();
    if (gap > 0) result = vg::InterpolateColor(p->IntColor(), next->IntColor(), (Offset - p->Offset()) / gap);
    else if (i == n - 2 && last->Offset() < Offset) result = last->IntColor();
    else result = p->IntColor();
  }
  return result;
}

void TvxGradient::Assign(const rtl::TPersistent* Source) {
  auto* src = dynamic_cast<const TvxGradient*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  if (src == this) return;
  {
    rtl::TEventMute quiet(OnChange);
    points_->Assign(src->points_);
    style_ = src->style_;
    if (src->style_ == vgRadialGradient) {
      radialTransform_->Assign(src->radialTransform_);
    } else {
      startPosition_->Assign(src->startPosition_);
      stopPosition_->Assign(src->stopPosition_);
    }
  }
  Change();
}

// ---- visual -------------------------------------------------------------------------------------

TvxVisual::~TvxVisual() {
  if (IvxLinkTarget* link = LinkTargetOf(visualObject_)) link->RemoveFreeNotify(this);
}

void TvxVisual::SetVisualObject(rtl::TComponent* Value) {
  if (Value && !LinkTargetOf(Value)) Value = nullptr;  // only tree objects can be referred to
  if (Value == visualObject_) return;
  if (IvxLinkTarget* old = LinkTargetOf(visualObject_)) old->RemoveFreeNotify(this);
  visualObject_ = Value;
  OnChange(this);
  if (IvxLinkTarget* link = LinkTargetOf(visualObject_)) link->AddFreeNotify(this);
}

void TvxVisual::FreeNotification(rtl::TObject* AObject) {
  if (AObject && AObject == visualObject_) visualObject_ = nullptr;
}

void TvxVisual::Assign(const rtl::TPersistent* Source) {
  if (auto* src = dynamic_cast<const TvxVisual*>(Source)) {
    SetVisualObject(src->visualObject_);
    return;
  }
  inherited::Assign(Source);
}

// ---- brush resource -------------------------------------------------------------------------------

TvxBrushResource::~TvxBrushResource() {
  if (IvxLinkTarget* link = LinkTargetOf(resource_)) link->RemoveFreeNotify(this);
}

void TvxBrushResource::SetResource(rtl::TComponent* Value) {
  if (Value && !LinkTargetOf(Value)) Value = nullptr;  // only tree objects can be referred to
  if (Value == resource_) return;
  if (IvxLinkTarget* old = LinkTargetOf(resource_)) old->RemoveFreeNotify(this);
  resource_ = Value;
  if (IvxLinkTarget* link = LinkTargetOf(resource_)) {
    resourceName_ = ResourceNameOf(resource_);
    link->AddFreeNotify(this);
  }
}

void TvxBrushResource::SetResourceName(const std::string& Value) {
  if (Value != resourceName_) resourceName_ = Value;
}

TvxBrush* TvxBrushResource::GetBrush() {
  if (!resource_ && !resourceName_.empty()) {
    rtl::TComponent* found = FindResourceObject(resourceName_);
    IvxLinkTarget* link = LinkTargetOf(found);
    if (link && link->GetResourceBrush()) SetResource(found);
  }
  IvxLinkTarget* link = LinkTargetOf(resource_);
  return link ? link->GetResourceBrush() : nullptr;
}

void TvxBrushResource::FreeNotification(rtl::TObject* AObject) {
  if (AObject && AObject == resource_) resource_ = nullptr;
}

void TvxBrushResource::Assign(const rtl::TPersistent* Source) {
  if (auto* src = dynamic_cast<const TvxBrushResource*>(Source)) {
    SetResource(src->resource_);
    SetResourceName(src->resourceName_);
    return;
  }
  inherited::Assign(Source);
}

// ---- bitmap brush ---------------------------------------------------------------------------------

TvxBrushBitmap::TvxBrushBitmap() : bitmap_(new TvxBitmap) {}

TvxBrushBitmap::~TvxBrushBitmap() { delete bitmap_; }

void TvxBrushBitmap::SetWrapMode(TvxWrapMode Value) {
  if (Value == wrapMode_) return;
  wrapMode_ = Value;
  OnChange(this);
}

void TvxBrushBitmap::Assign(const rtl::TPersistent* Source) {
  if (auto* src = dynamic_cast<const TvxBrushBitmap*>(Source)) {
    if (src == this) return;
    wrapMode_ = src->wrapMode_;
    bitmap_->Assign(src->bitmap_);
    OnChange(this);
    return;
  }
  inherited::Assign(Source);
}

// ---- brush ----------------------------------------------------------------------------------------

TvxBrush::TvxBrush(TvxBrushStyle DefaultStyle, TvxColor DefaultColor)
    : color_(DefaultColor),
      style_(DefaultStyle),
      gradient_(new TvxGradient),
      visual_(new TvxVisual),
      defaultStyle_(DefaultStyle),
      defaultColor_(DefaultColor),
      resource_(new TvxBrushResource),
      bitmap_(new TvxBrushBitmap) {
  const rtl::TNotifyEvent partChanged(this, &TvxBrush::PartChanged, "PartChanged");
  gradient_->OnChange = partChanged;
  visual_->OnChange = partChanged;
  resource_->OnChange = partChanged;
  bitmap_->OnChange = partChanged;
}

TvxBrush::~TvxBrush() {
  delete bitmap_;
  delete resource_;
  delete visual_;
  delete gradient_;
}

void TvxBrush::PartChanged(rtl::TObject*) { OnChange(this); }

std::string TvxBrush::GetColor() const { return ColorToString(color_); }

void TvxBrush::SetColor(const std::string& Value) {
  const TvxColor c = StringToColor(Value);
  bool changed = c != color_;
  color_ = c;
  // The first stop follows the colour of a gradient brush; either change repaints once.
  if (style_ == vgBrushGradient && gradient_->SetFirstColor(Value)) changed = true;
  if (changed) OnChange(this);
}

void TvxBrush::SetSolidColor(TvxColor Value) {
  if (Value == color_) return;
  color_ = Value;
  OnChange(this);
}

TvxColor TvxBrush::GetSolidColor() const { return SolidColor(0); }

// Resource brushes that refer to each other in a ring end at the own colour.
TvxColor TvxBrush::SolidColor(int Depth) const {
  constexpr int MaxResourceDepth = 16;
  if (style_ == vgBrushResource && Depth < MaxResourceDepth) {
    if (TvxBrush* b = resource_->GetBrush(); b && b != this) return b->SolidColor(Depth + 1);
  }
  return color_;
}

void TvxBrush::SetStyle(TvxBrushStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  OnChange(this);
}

void TvxBrush::Assign(const rtl::TPersistent* Source) {
  auto* src = dynamic_cast<const TvxBrush*>(Source);
  if (!src) {
    inherited::Assign(Source);
    return;
  }
  if (src == this) return;
  {
    rtl::TEventMute quiet(OnChange);
    defaultStyle_ = src->defaultStyle_;
    defaultColor_ = src->defaultColor_;
    color_ = src->GetSolidColor();
    style_ = src->style_;
    switch (style_) {
      case vgBrushGradient: gradient_->Assign(src->gradient_); break;
      case vgBrushBitmap: bitmap_->Assign(src->bitmap_); break;
      case vgBrushResource: resource_->Assign(src->resource_); break;
      case vgBrushVisual: visual_->Assign(src->visual_); break;
      default: break;
    }
  }
  OnChange(this);
}

// ---- font -----------------------------------------------------------------------------------------

void TvxFont::SetSize(float Value) {
  if (Value == size_) return;
  size_ = Value;
  OnChange(this);
}

void TvxFont::SetFamily(const std::string& Value) {
  if (Value == family_) return;
  family_ = Value;
  OnChange(this);
}

void TvxFont::SetStyle(TvxFontStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  OnChange(this);
}

void TvxFont::SetClearType(bool Value) {
  if (Value == clearType_) return;
  clearType_ = Value;
  OnChange(this);
}

void TvxFont::Assign(const rtl::TPersistent* Source) {
  if (auto* src = dynamic_cast<const TvxFont*>(Source)) {
    size_ = src->size_;
    family_ = src->family_;
    style_ = src->style_;
    clearType_ = src->clearType_;
    OnChange(this);
    return;
  }
  inherited::Assign(Source);
}

}  // namespace vg
