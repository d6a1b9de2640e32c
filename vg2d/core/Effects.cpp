#include "vg2d/core/Effects.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/SysUtils.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/TextForms.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

rtl::TClass TvxEffect::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxEffect>()
                                          .Property("Trigger", &TvxEffect::Trigger, &TvxEffect::SetTrigger)
                                          .Property("Enabled", &TvxEffect::Enabled, &TvxEffect::SetEnabled)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxEffect::TvxEffect(rtl::TComponent* AOwner) : TvxObject(AOwner) {}

void TvxEffect::SetEnabled(bool Value) {
  if (!SetField(enabled_, Value)) return;
  if (TvxObject* p = Parent(); p && p->IsVisual()) p->Visual()->UpdateHasEffects();
  EffectChanged();
}

void TvxEffect::EffectChanged() {
  TvxObject* p = Parent();
  if (ComponentState().Contains(rtl::csLoading) || !p || !p->IsVisual()) return;
  TvxVisualObject* v = p->Visual();
  v->GetTopVisualParent();
  v->SetEffectsDirty();
  // Repaint with this effect counted, so the area it covers (or covered) is redrawn.
  const bool enabled = enabled_;
  const bool had = v->hasEffects_;
  enabled_ = true;
  v->hasEffects_ = true;
  v->RecalcUpdateRect();
  v->Repaint();
  enabled_ = enabled;
  v->hasEffects_ = had;
  v->RecalcUpdateRect();
}

void TvxEffect::ApplyTrigger(TvxObject* Instance, const std::string& TriggerName) {
  if (!Instance || trigger_.empty() || TriggerName.empty()) return;
  if (rtl::LowerCase(trigger_).find(rtl::LowerCase(TriggerName)) == std::string::npos) return;
  // The last item about a property of the instance decides; none: disabled.
  bool result = false;
  std::string rest = trigger_;
  while (!rest.empty()) {
    std::string item = GetToken(rest, ";");
    const std::string name = GetToken(item, "=");
    const rtl::TPropInfo* prop = rtl::GetPropInfo(Instance, name);
    if (!prop || prop->Kind() != rtl::tkEnumeration) continue;
    result = rtl::SameText(rtl::GetEnumProp(Instance, prop), rtl::Trim(item));
  }
  SetEnabled(result);
}

TvxBitmap* TvxEffect::NeedImage() {
  if (!image_) image_ = std::make_unique<TvxBitmap>();
  return image_.get();
}

void EffectBitmapSize(const TvxRect& E, int& Width, int& Height) {
  auto side = [](float Extent) {
    const double a = std::fabs(static_cast<double>(Extent));
    if (std::isnan(a)) return 0;
    return static_cast<int>(std::min<int64_t>(Trunc(a), MaxEffectBitmapSide));
  };
  Width = side(RectWidth(E));
  Height = side(RectHeight(E));
}

}  // namespace vg
