#include "vg2d/core/Brushes.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

#include "platform/win/Graphics.h"
#include "vg2d/core/ClassLibraryGraphics.h"
#include "vg2d/core/Registry.h"

namespace vg {

// ---- type information -----------------------------------------------------------------------

rtl::TClass TvxGradientPoint::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxGradientPoint>()
                                          .Property("Color", &TvxGradientPoint::GetColor, &TvxGradientPoint::SetColor)
                                          .Property("Offset", &TvxGradientPoint::Offset, &TvxGradientPoint::SetOffset)
                                          .Build();
  return &info;
}

rtl::TClass TvxGradientPoints::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxGradientPoints>().Build();
  return &info;
}

rtl::TClass TvxGradient::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxGradient>()
          .Property("Points", &TvxGradient::Points, &TvxGradient::SetPoints)
          .Property("Style", &TvxGradient::Style, &TvxGradient::SetStyle).Default(vgLinearGradient)
          .Property("StartPosition", &TvxGradient::StartPosition, &TvxGradient::SetStartPosition).Stored(&TvxGradient::IsLinear)
          .Property("StopPosition", &TvxGradient::StopPosition, &TvxGradient::SetStopPosition).Stored(&TvxGradient::IsLinear)
          .Property("RadialTransform", &TvxGradient::RadialTransform, &TvxGradient::SetRadialTransform).Stored(&TvxGradient::IsRadial)
          .Build();
  return &info;
}

rtl::TClass TvxVisual::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxVisual>()
                                          .Property("VisualObject", &TvxVisual::VisualObject, &TvxVisual::SetVisualObject)
                                          .Build();
  return &info;
}

rtl::TClass TvxBrushResource::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrushResource>()
          .Property("Resource", &TvxBrushResource::Resource, &TvxBrushResource::SetResource).Stored(false)
          .Property("ResourceName", &TvxBrushResource::ResourceName, &TvxBrushResource::SetResourceName)
          .Build();
  return &info;
}

rtl::TClass TvxBrushBitmap::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrushBitmap>()
          .Property("Bitmap", &TvxBrushBitmap::Bitmap, &TvxBrushBitmap::SetBitmap)
          .Property("WrapMode", &TvxBrushBitmap::WrapMode, &TvxBrushBitmap::SetWrapMode).Default(vgWrapTile)
          .Build();
  return &info;
}

rtl::TClass TvxBrush::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBrush>()
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
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFont>()
                                          .Property("ClearType", &TvxFont::ClearType, &TvxFont::SetClearType).Default(true)
                                          .Property("Family", &TvxFont::Family, &TvxFont::SetFamily).Default("Tahoma")
                                          .Property("Size", &TvxFont::Size, &TvxFont::SetSize).Default(11.0f)
                                          .Property("Style", &TvxFont::Style, &TvxFont::SetStyle).Default(vgFontRegular)
                                          .Build();
  return &info;
}

// ---- gradient stops ------------------------------------------------------------------------------

std::string TvxGradientPoint::GetColor() const { return ColorToString(color_); }

void TvxGradientPoint::SetColor(const std::string& Value) { color_ = StringToColor(Value); }

void TvxGradientPoint::Assign(const rtl::TPersistent* Source) {
  // A stop of this very class holds nothing but its colour and offset: copied as they are,
  // not through their texts (every copy of a gradient brush copies its stops).
  if (Source && typeid(*Source) == typeid(TvxGradientPoint) && typeid(*this) == typeid(TvxGradientPoint)) {
    const auto* src = static_cast<const TvxGradientPoint*>(Source);
    color_ = src->color_;
    offset_ = src->offset_;
    return;
  }
  if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
}

TvxGradientPoints::TvxGradientPoints() : rtl::TCollection(TvxGradientPoint::StaticClass()) { SetMaxCount(MaxPoints); }

void TvxGradientPoints::Assign(const rtl::TPersistent* Source) {
  const auto* src = dynamic_cast<const TvxGradientPoints*>(Source);
  if (!src || src == this || src->Count() != Count()) {
    inherited::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    for (int i = 0; i < Count(); ++i) Items(i)->Assign(src->Items(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TvxGradientPoint* TvxGradientPoints::GetPoint(int Index) const {
  return static_cast<TvxGradientPoint*>(Items(Index));
}

// ---- gradient -----------------------------------------------------------------------------------

TvxGradient::TvxGradient() {
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

void TvxGradient::PartChanged(rtl::TObject*) { Change(); }

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
  if (n == 0) return 0;
  if (n == 1) return points_->GetPoint(0)->IntColor();
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
    points_->Assign(src->points_.get());
    style_ = src->style_;
    if (src->style_ == vgRadialGradient) {
      radialTransform_->Assign(src->radialTransform_.get());
    } else {
      startPosition_->Assign(src->startPosition_.get());
      stopPosition_->Assign(src->stopPosition_.get());
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
  if (!rtl::AssignProperties(this, Source)) inherited::Assign(Source);
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

void TvxBrushBitmap::Assign(const rtl::TPersistent* Source) {
  if (Source == this) return;
  if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
  OnChange(this);
}

// ---- brush ----------------------------------------------------------------------------------------

TvxBrush::TvxBrush(TvxBrushStyle DefaultStyle, TvxColor DefaultColor)
    : color_(DefaultColor), style_(DefaultStyle), defaultStyle_(DefaultStyle), defaultColor_(DefaultColor) {
  const rtl::TNotifyEvent partChanged(this, &TvxBrush::PartChanged, "PartChanged");
  gradient_->OnChange = partChanged;
  visual_->OnChange = partChanged;
  resource_->OnChange = partChanged;
  bitmap_->OnChange = partChanged;
}

TvxBrush::~TvxBrush() {
  const std::vector<IvxFreeNotification*> notifies = std::move(freeNotifies_);
  freeNotifies_.clear();
  for (IvxFreeNotification* n : notifies) n->FreeNotification(this);
}

void TvxBrush::AddFreeNotify(IvxFreeNotification* AObject) {
  if (AObject && std::find(freeNotifies_.begin(), freeNotifies_.end(), AObject) == freeNotifies_.end())
    freeNotifies_.push_back(AObject);
}

void TvxBrush::RemoveFreeNotify(IvxFreeNotification* AObject) {
  const auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), AObject);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
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

TvxColor TvxBrush::GetSolidColor() const { return SolidColor(0); }

// Resource brushes that refer to each other in a ring end at the own colour.
TvxColor TvxBrush::SolidColor(int Depth) const {
  constexpr int MaxResourceDepth = 16;
  if (style_ == vgBrushResource && Depth < MaxResourceDepth) {
    if (TvxBrush* b = resource_->GetBrush(); b && b != this) return b->SolidColor(Depth + 1);
  }
  return color_;
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
      case vgBrushGradient: gradient_->Assign(src->gradient_.get()); break;
      case vgBrushBitmap: bitmap_->Assign(src->bitmap_.get()); break;
      case vgBrushResource: resource_->Assign(src->resource_.get()); break;
      case vgBrushVisual: visual_->Assign(src->visual_.get()); break;
      default: break;
    }
  }
  OnChange(this);
}

// ---- font -----------------------------------------------------------------------------------------

void TvxFont::Assign(const rtl::TPersistent* Source) {
  if (const auto* font = dynamic_cast<const win::TFont*>(Source)) {
    const TFontFace face = FontFaceOf(*font);
    {
      rtl::TEventMute quiet(OnChange);
      SetFamily(face.Family);
      SetSize(face.Size);
      if (face.Style != NoFontStyle) SetStyle(static_cast<TvxFontStyle>(face.Style));
    }
    OnChange(this);
    return;
  }
  if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
  OnChange(this);
}

void TvxFont::AssignTo(rtl::TPersistent* Dest) const {
  auto* font = dynamic_cast<win::TFont*>(Dest);
  if (!font) return inherited::AssignTo(Dest);
  // Underline and strike-out are no style of the class library's: its set stays.
  PutFontFace({family_, size_, style_ <= vgFontBoldItalic ? static_cast<int>(style_) : NoFontStyle}, *font);
}

}  // namespace vg
