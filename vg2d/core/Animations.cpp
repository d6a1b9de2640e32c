#include "vg2d/core/Animations.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/TextForms.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

// Made by the first start; freed by FreeAniThread (library shut-down, last scene gone),
// never by a static destructor, which could run after the loop it stops a timer of.
TvxAniThread* aniThread = nullptr;

bool ParentHidden(const TvxObject* Animation) {
  const TvxObject* p = Animation->Parent();
  return p && p->IsVisual() && !p->Visual()->Visible();
}

// Walks Trigger's "Name=Value" items about Instance's enumeration and Boolean properties;
// Item gets whether each one holds and answers whether to go on.
template <class F>
void ForEachTriggerItem(rtl::TObject* Instance, const std::string& Trigger, F&& Item) {
  std::string rest = Trigger;
  while (!rest.empty()) {
    std::string item = GetToken(rest, ";");
    const std::string name = GetToken(item, "=");
    const std::string value = rtl::Trim(item);
    const rtl::TPropInfo* prop = rtl::GetPropInfo(Instance, name);
    if (!prop || prop->Kind() != rtl::tkEnumeration) continue;
    if (!Item(rtl::SameText(rtl::GetEnumProp(Instance, prop), value))) return;
  }
}

}  // namespace

bool TriggerHolds(rtl::TObject* Instance, const std::string& Trigger) {
  bool matched = false, failed = false;
  ForEachTriggerItem(Instance, Trigger, [&](bool holds) {
    if (!holds) failed = true;
    matched = matched || holds;
    return holds;
  });
  return matched && !failed;
}

bool TriggerMentions(const std::string& Trigger, const std::string& Name) {
  return !Name.empty() && rtl::LowerCase(Trigger).find(rtl::LowerCase(Name)) != std::string::npos;
}

void AdvanceAnimationTime(float DeltaTime, float Duration, bool Loop, bool AutoReverse, float& Time, bool& Inverse,
                          bool& Running) {
  Time = Inverse ? Time - DeltaTime : Time + DeltaTime;
  if (Time >= Duration) {
    Time = Duration;
    if (!Loop)
      Running = false;
    else if (AutoReverse)
      Inverse = true;
    else
      Time = 0;
  } else if (Time <= 0) {
    Time = 0;
    if (!Loop)
      Running = false;
    else if (AutoReverse)
      Inverse = false;
    else
      Time = Duration;
  }
}

// ---- animation -----------------------------------------------------------------------------------

rtl::TClass TvxAnimation::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxAnimation>()
          .Property("AnimationType", &TvxAnimation::AnimationType, &TvxAnimation::SetAnimationType)
          .Default(vgAnimationIn)
          .Property("AutoReverse", &TvxAnimation::AutoReverse, &TvxAnimation::SetAutoReverse)
          .Default(false)
          .Property("Enabled", &TvxAnimation::Enabled, &TvxAnimation::SetEnabled)
          .Default(false)
          .Property("Delay", &TvxAnimation::Delay, &TvxAnimation::SetDelay)
          .NoDefault()
          .Property("Duration", &TvxAnimation::Duration, &TvxAnimation::SetDuration)
          .NoDefault()
          .Property("Interpolation", &TvxAnimation::Interpolation, &TvxAnimation::SetInterpolation)
          .Default(vgInterpolationLinear)
          .Property("Inverse", &TvxAnimation::Inverse, &TvxAnimation::SetInverse)
          .Default(false)
          .Property("HideOnFinish", &TvxAnimation::HideOnFinish, &TvxAnimation::SetHideOnFinish)
          .NoDefault()
          .Property("Loop", &TvxAnimation::Loop, &TvxAnimation::SetLoop)
          .Default(false)
          .Property("Trigger", &TvxAnimation::Trigger, &TvxAnimation::SetTrigger)
          .Event("OnProcess", &TvxAnimation::OnProcess)
          .Event("OnFinish", &TvxAnimation::OnFinish)
          .Build();
  return &info;
}

TvxAnimation::TvxAnimation(rtl::TComponent* AOwner) : TvxObject(AOwner) {}

void TvxAnimation::BeforeDestruction() {
  if (aniThread) aniThread->Remove(this);
  inherited::BeforeDestruction();
}

bool TvxAnimation::InDesign() const { return Scene() && Scene()->GetDesignTime(); }

float TvxAnimation::NormalizedTime() const {
  if (duration_ > 0 && delayTime_ <= 0)
    return static_cast<float>(InterpolateProgress(interpolation_, animationType_, time_, duration_));
  return 0;
}

void TvxAnimation::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  if (InDesign() || ComponentState().Contains(rtl::csLoading)) return;
  if (enabled_)
    Start();
  else
    Stop();
}

void TvxAnimation::Loaded() {
  inherited::Loaded();
  if (enabled_ && !InDesign()) Start();
}

void TvxAnimation::Start() {
  if (ParentHidden(this)) return;
  if (std::fabs(duration_) > 0.001f && Scene() && !InDesign()) {
    delayTime_ = delay_;
    running_ = true;
    time_ = inverse_ ? duration_ : 0;
    if (delay_ == 0) ProcessAnimation();
    if (!aniThread) aniThread = new TvxAniThread;
    aniThread->Add(this);
    enabled_ = true;
    return;
  }
  // No time to run: jump to the end. Every field is set before OnFinish, whose handler
  // may free the animation.
  delayTime_ = 0;
  time_ = inverse_ ? 0 : 1;
  duration_ = 1;
  running_ = true;
  ProcessAnimation();
  running_ = false;
  time_ = 0;
  duration_ = 0.00001f;
  enabled_ = false;
  OnFinish(this);
}

void TvxAnimation::Stop() {
  if (!running_) return;
  if (aniThread) aniThread->Remove(this);
  time_ = inverse_ ? 0 : duration_;
  ProcessAnimation();
  running_ = false;
  enabled_ = false;
  OnFinish(this);
}

void TvxAnimation::StopAtCurrent() {
  if (!running_) return;
  if (aniThread) aniThread->Remove(this);
  running_ = false;
  enabled_ = false;
  OnFinish(this);
}

void TvxAnimation::StartTrigger(TvxObject* Instance, const std::string& TriggerName) {
  if (!Instance || trigger_.empty() || !TriggerMentions(trigger_, TriggerName)) return;
  if (TriggerHolds(Instance, trigger_)) Start();
}

void TvxAnimation::ProcessTick(float DeltaTime, float) {
  if (InDesign() || ComponentState().Contains(rtl::csDestroying)) return;
  if (ParentHidden(this)) {
    Stop();
    return;
  }
  if (!running_) return;
  if (delay_ > 0 && delayTime_ != 0) {
    delayTime_ -= DeltaTime;
    if (delayTime_ > 0) return;
    Start();
    delayTime_ = 0;
    return;
  }
  AdvanceAnimationTime(DeltaTime, duration_, loop_, autoReverse_, time_, inverse_, running_);
  ProcessAnimation();
  // OnProcess may free the animation (with its parent): then nothing more is touched.
  if (OnProcess) {
    TvxFreeWatch self(this);
    OnProcess(this);
    if (self.Gone()) return;
  }
  // Finished by itself: it leaves the ticker and keeps Enabled (only Stop and a start
  // without time to run clear it).
  if (Scene() && !running_) {
    if (aniThread) aniThread->Remove(this);
    OnFinish(this);
  }
}

// ---- property targets ---------------------------------------------------------------------------

void TvxPropertyTarget::Keep(const rtl::TObject* Parent, const std::string& Path) {
  if (kept_ || !Parent || Path.empty()) return;
  kept_ = true;
  std::string rest = Path;
  while (rest.find('.') != std::string::npos) steps_.push_back(GetToken(rest, "."));
  name_ = rest;
}

const rtl::TPropInfo* TvxPropertyTarget::Get(rtl::TObject* Parent, rtl::TObject*& Target) const {
  Target = kept_ ? Parent : nullptr;
  for (const std::string& step : steps_) {
    if (!Target) break;
    const rtl::TPropInfo* p = rtl::GetPropInfo(Target, step);
    if (p && p->Kind() == rtl::tkClass) Target = rtl::GetObjectProp(Target, p);
  }
  return Target ? rtl::GetPropInfo(Target, name_) : nullptr;
}

namespace {

// The colour a colour target holds now; false when it is neither text nor an integer.
bool ReadColor(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxColor& Color) {
  if (!Prop) return false;
  if (Prop->Kind() == rtl::tkLString && Prop->GetStr) {
    Color = StringToColor(rtl::GetStrProp(Target, Prop));
    return true;
  }
  if (Prop->Kind() == rtl::tkInteger && Prop->GetOrd) {
    Color = static_cast<TvxColor>(rtl::GetOrdProp(Target, Prop));
    return true;
  }
  return false;
}

// Writes a colour as text or as the ARGB number (in the integer's own signedness).
void WriteColor(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxColor Color) {
  if (!Prop) return;
  if (Prop->Kind() == rtl::tkLString && Prop->SetStr) {
    rtl::SetStrProp(Target, Prop, ColorToString(Color));
  } else if (Prop->Kind() == rtl::tkInteger && Prop->SetOrd) {
    const int64_t v =
        Prop->PropType->MinValue < 0 ? static_cast<int64_t>(static_cast<int32_t>(Color)) : static_cast<int64_t>(Color);
    if (v >= Prop->PropType->MinValue && v <= Prop->PropType->MaxValue) rtl::SetOrdProp(Target, Prop, v);
  }
}

bool IsFloatTarget(const rtl::TPropInfo* Prop) { return Prop && Prop->Kind() == rtl::tkFloat && Prop->SetFloat; }

template <class T>
T* ObjectTarget(rtl::TObject* Target, const rtl::TPropInfo* Prop) {
  if (!Prop || Prop->Kind() != rtl::tkClass) return nullptr;
  return dynamic_cast<T*>(rtl::GetObjectProp(Target, Prop));
}

// The record of an animation A from StartValue (or the current value) to StopValue, whose
// values have no default.
template <class A> rtl::TClassInfo FromToRecord() {
  return rtl::DefineClass<A>()
      .Property("StartValue", &A::StartValue, &A::SetStartValue)
      .Property("StartFromCurrent", &A::StartFromCurrent, &A::SetStartFromCurrent)
      .Default(false)
      .Property("StopValue", &A::StopValue, &A::SetStopValue)
      .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
      .Build();
}

}  // namespace

// ---- colour animation ---------------------------------------------------------------------------------

rtl::TClass TvxColorAnimation::StaticClass() {
  using A = TvxColorAnimation;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("StartValue", &A::StartValue, &A::SetStartValue)
                                          .Default("#FFFFFFFF")
                                          .Property("StartFromCurrent", &A::StartFromCurrent, &A::SetStartFromCurrent)
                                          .Default(false)
                                          .Property("StopValue", &A::StopValue, &A::SetStopValue)
                                          .Default("#FFFFFFFF")
                                          .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
                                          .Build();
  return &info;
}

TvxColorAnimation::TvxColorAnimation(rtl::TComponent* AOwner) : TvxPropertyAnimation(AOwner) {}

std::string TvxColorAnimation::StartValue() const { return ColorToString(startValue_); }
void TvxColorAnimation::SetStartValue(const std::string& Value) { startValue_ = StringToColor(Value); }
std::string TvxColorAnimation::StopValue() const { return ColorToString(stopValue_); }
void TvxColorAnimation::SetStopValue(const std::string& Value) { stopValue_ = StringToColor(Value); }

void TvxColorAnimation::Start() {
  KeepTarget();
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (startFromCurrent_) ReadColor(target, prop, startValue_);
  inherited::Start();
}

void TvxColorAnimation::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  WriteColor(target, prop, InterpolateColor(startValue_, stopValue_, NormalizedTime()));
}

// ---- gradient animation -----------------------------------------------------------------------------

rtl::TClass TvxGradientAnimation::StaticClass() {
  static const rtl::TClassInfo info = FromToRecord<TvxGradientAnimation>();
  return &info;
}

TvxGradientAnimation::TvxGradientAnimation(rtl::TComponent* AOwner)
    : TvxPropertyAnimation(AOwner),
      startValue_(std::make_unique<TvxGradient>()),
      stopValue_(std::make_unique<TvxGradient>()) {}
TvxGradientAnimation::~TvxGradientAnimation() = default;

void TvxGradientAnimation::SetStartValue(TvxGradient* Value) { startValue_->Assign(Value); }
void TvxGradientAnimation::SetStopValue(TvxGradient* Value) { stopValue_->Assign(Value); }

TvxGradient* TvxGradientAnimation::TargetGradient() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  return ObjectTarget<TvxGradient>(target, prop);
}

void TvxGradientAnimation::Start() {
  KeepTarget();
  if (TvxGradient* g = TargetGradient(); g && startFromCurrent_) startValue_->Assign(g);
  inherited::Start();
}

void TvxGradientAnimation::ProcessAnimation() {
  TvxGradient* g = TargetGradient();
  if (!g) return;
  const float t = NormalizedTime();
  const int n = std::min({g->Points()->Count(), startValue_->Points()->Count(), stopValue_->Points()->Count()});
  for (int i = 0; i < n; ++i)
    g->Points()->GetPoint(i)->SetIntColor(InterpolateColor(startValue_->Points()->GetPoint(i)->IntColor(),
                                                           stopValue_->Points()->GetPoint(i)->IntColor(), t));
  g->Change();
}

// ---- float animation -------------------------------------------------------------------------------

rtl::TClass TvxFloatAnimation::StaticClass() {
  static const rtl::TClassInfo info = FromToRecord<TvxFloatAnimation>();
  return &info;
}

TvxFloatAnimation::TvxFloatAnimation(rtl::TComponent* AOwner) : TvxPropertyAnimation(AOwner) {}

void TvxFloatAnimation::Start() {
  KeepTarget();
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (startFromCurrent_ && IsFloatTarget(prop)) startValue_ = static_cast<float>(rtl::GetFloatProp(target, prop));
  inherited::Start();
}

void TvxFloatAnimation::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (IsFloatTarget(prop))
    rtl::SetFloatProp(target, prop, InterpolateSingle(startValue_, stopValue_, NormalizedTime()));
}

// ---- rectangle animation ----------------------------------------------------------------------------

rtl::TClass TvxRectAnimation::StaticClass() {
  static const rtl::TClassInfo info = FromToRecord<TvxRectAnimation>();
  return &info;
}

TvxRectAnimation::TvxRectAnimation(rtl::TComponent* AOwner)
    : TvxPropertyAnimation(AOwner),
      startValue_(std::make_unique<TvxBounds>(TvxRect{})),
      stopValue_(std::make_unique<TvxBounds>(TvxRect{})),
      current_(std::make_unique<TvxBounds>(TvxRect{})) {}
TvxRectAnimation::~TvxRectAnimation() = default;

void TvxRectAnimation::SetStartValue(TvxBounds* Value) { startValue_->Assign(Value); }
void TvxRectAnimation::SetStopValue(TvxBounds* Value) { stopValue_->Assign(Value); }

rtl::TPersistent* TvxRectAnimation::TargetObject() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  return ObjectTarget<rtl::TPersistent>(target, prop);
}

void TvxRectAnimation::Start() {
  KeepTarget();
  if (rtl::TPersistent* p = TargetObject(); p && startFromCurrent_) startValue_->Assign(p);
  inherited::Start();
}

void TvxRectAnimation::ProcessAnimation() {
  rtl::TPersistent* p = TargetObject();
  if (!p) return;
  const float t = NormalizedTime();
  current_->SetRect({InterpolateSingle(startValue_->Left(), stopValue_->Left(), t),
                     InterpolateSingle(startValue_->Top(), stopValue_->Top(), t),
                     InterpolateSingle(startValue_->Right(), stopValue_->Right(), t),
                     InterpolateSingle(startValue_->Bottom(), stopValue_->Bottom(), t)});
  p->Assign(current_.get());
}

// ---- bitmap animation ----------------------------------------------------------------------------------

rtl::TClass TvxBitmapAnimation::StaticClass() {
  using A = TvxBitmapAnimation;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("StartValue", &A::StartValue, &A::SetStartValue)
                                          .Property("StopValue", &A::StopValue, &A::SetStopValue)
                                          .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
                                          .Build();
  return &info;
}

TvxBitmapAnimation::TvxBitmapAnimation(rtl::TComponent* AOwner)
    : TvxPropertyAnimation(AOwner),
      startValue_(std::make_unique<TvxBitmap>(1, 1)),
      stopValue_(std::make_unique<TvxBitmap>(1, 1)),
      current_(std::make_unique<TvxBitmap>(1, 1)) {}
TvxBitmapAnimation::~TvxBitmapAnimation() = default;

void TvxBitmapAnimation::SetStartValue(TvxBitmap* Value) { startValue_->Assign(Value); }
void TvxBitmapAnimation::SetStopValue(TvxBitmap* Value) { stopValue_->Assign(Value); }

void TvxBitmapAnimation::ProcessAnimation() {
  KeepTarget();  // it has no start of its own: the path is kept at its first step
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  TvxBitmap* b = ObjectTarget<TvxBitmap>(target, prop);
  if (!b) return;
  current_->Assign(startValue_.get());
  if (TvxCanvas* c = current_->GetCanvas(); c && !current_->IsEmpty() && c->BeginScene()) {
    const auto w = [](const TvxBitmap& B) { return static_cast<float>(B.Width()); };
    const auto h = [](const TvxBitmap& B) { return static_cast<float>(B.Height()); };
    c->DrawBitmap(stopValue_.get(), MakeRect(0, 0, w(*stopValue_), h(*stopValue_)),
                  MakeRect(0, 0, w(*current_), h(*current_)), NormalizedTime(), false);
    c->EndScene();
  }
  b->Assign(current_.get());
}

// ---- keys -------------------------------------------------------------------------------------------------

rtl::TClass TvxKey::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxKey>().Property("Key", &TvxKey::Key, &TvxKey::SetKey).Build();
  return &info;
}

void TvxKey::SetKey(float Value) { key_ = std::isnan(Value) ? 0.0f : std::clamp(Value, 0.0f, 1.0f); }

rtl::TClass TvxColorKey::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxColorKey>().Property("Value", &TvxColorKey::Value, &TvxColorKey::SetValue).Build();
  return &info;
}

rtl::TClass TvxFloatKey::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxFloatKey>().Property("Value", &TvxFloatKey::Value, &TvxFloatKey::SetValue).Build();
  return &info;
}

rtl::TClass TvxKeys::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxKeys>().Build();
  return &info;
}

bool TvxKeys::FindKeys(float T, TvxKey*& K1, TvxKey*& K2, float& Local) const {
  for (int i = 0; i + 1 < Count(); ++i) {
    TvxKey* a = Key(i);
    TvxKey* b = Key(i + 1);
    if (a->Key() <= T && T <= b->Key()) {
      if (a->Key() == b->Key()) return false;
      K1 = a;
      K2 = b;
      Local = (T - a->Key()) / (b->Key() - a->Key());
      return true;
    }
  }
  return false;
}

template <class Key>
TvxKeyAnimation<Key>::TvxKeyAnimation(rtl::TComponent* AOwner)
    : TvxPropertyAnimation(AOwner), keys_(std::make_unique<TvxKeys>(Key::StaticClass())) {}
template <class Key> TvxKeyAnimation<Key>::~TvxKeyAnimation() = default;

template <class Key> void TvxKeyAnimation<Key>::Start() {
  KeepTarget();
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (startFromCurrent_ && keys_->Count() > 0) TakeCurrent(target, prop, *static_cast<Key*>(keys_->Key(0)));
  TvxAnimation::Start();
}

template <class Key> void TvxKeyAnimation<Key>::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  TvxKey *k1 = nullptr, *k2 = nullptr;
  float t = 0;
  if (!prop || !keys_->FindKeys(NormalizedTime(), k1, k2, t)) return;
  WriteBetween(target, prop, *static_cast<Key*>(k1), *static_cast<Key*>(k2), t);
}

template class TvxKeyAnimation<TvxColorKey>;
template class TvxKeyAnimation<TvxFloatKey>;

namespace {

// The record every key animation A publishes.
template <class A> rtl::TClassInfo KeyAnimationRecord() {
  return rtl::DefineClass<A>()
      .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
      .Property("Keys", &A::Keys, &A::SetKeys)
      .Property("StartFromCurrent", &A::StartFromCurrent, &A::SetStartFromCurrent)
      .NoDefault()
      .Build();
}

}  // namespace

rtl::TClass TvxColorKeyAnimation::StaticClass() {
  static const rtl::TClassInfo info = KeyAnimationRecord<TvxColorKeyAnimation>();
  return &info;
}

void TvxColorKeyAnimation::TakeCurrent(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxColorKey& First) {
  TvxColor current = 0;
  if (ReadColor(Target, Prop, current)) First.SetValue(ColorToString(current));
}

void TvxColorKeyAnimation::WriteBetween(rtl::TObject* Target, const rtl::TPropInfo* Prop, const TvxColorKey& K1,
                                        const TvxColorKey& K2, float T) {
  WriteColor(Target, Prop, InterpolateColor(StringToColor(K1.Value()), StringToColor(K2.Value()), T));
}

rtl::TClass TvxFloatKeyAnimation::StaticClass() {
  static const rtl::TClassInfo info = KeyAnimationRecord<TvxFloatKeyAnimation>();
  return &info;
}

void TvxFloatKeyAnimation::TakeCurrent(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxFloatKey& First) {
  if (IsFloatTarget(Prop)) First.SetValue(static_cast<float>(rtl::GetFloatProp(Target, Prop)));
}

void TvxFloatKeyAnimation::WriteBetween(rtl::TObject* Target, const rtl::TPropInfo* Prop, const TvxFloatKey& K1,
                                        const TvxFloatKey& K2, float T) {
  if (IsFloatTarget(Prop)) rtl::SetFloatProp(Target, Prop, InterpolateSingle(K1.Value(), K2.Value(), T));
}

// ---- path animation ------------------------------------------------------------------------------------

rtl::TClass TvxPathAnimation::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPathAnimation>()
                                          .Property("Path", &TvxPathAnimation::Path, &TvxPathAnimation::SetPath)
                                          .Property("Rotate", &TvxPathAnimation::Rotate, &TvxPathAnimation::SetRotate)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxPathAnimation::TvxPathAnimation(rtl::TComponent* AOwner)
    : TvxAnimation(AOwner), path_(std::make_unique<TvxPathData>()) {}
TvxPathAnimation::~TvxPathAnimation() = default;

void TvxPathAnimation::SetPath(TvxPathData* Value) { path_->Assign(Value); }

void TvxPathAnimation::Start() {
  // With no delay the base applies the first value at once, still with the last run's
  // points and start position.
  {
    // A start without time to run finishes at once, and OnFinish may free the animation.
    TvxFreeWatch self(this);
    inherited::Start();
    if (self.Gone()) return;
  }
  spline_.reset();
  points_.clear();
  TvxPoint size{};
  path_->FlattenToPolygon(points_, size, 0.25f);
  for (size_t i = 1; i < points_.size(); ++i)
    if (points_[i].X == ClosePolygonMarker.X && points_[i].Y == ClosePolygonMarker.Y) points_[i] = points_[i - 1];
  if (!points_.empty() && points_[0].X == ClosePolygonMarker.X && points_[0].Y == ClosePolygonMarker.Y) points_.clear();
  if (!points_.empty()) spline_ = std::make_unique<TvxSpline>(points_);
  moved_ = Parent() && Parent()->IsVisual() ? Parent()->Visual() : nullptr;
  if (moved_) startPosition_ = moved_->Position()->GetPoint();
}

void TvxPathAnimation::ProcessAnimation() {
  if (points_.empty() || !spline_ || !moved_) return;
  if (!Parent() || Parent()->Visual() != moved_) {  // moved to another parent since the start
    moved_ = nullptr;
    return;
  }
  const TvxPoint old = moved_->Position()->GetPoint();
  const float t = NormalizedTime();
  // The spline runs from 0 (first point) to Count - 1 (last point).
  const float s = t * static_cast<float>(points_.size() - 1);
  float dx = 0, dy = 0;
  if (points_.size() > 1)
    spline_->SplinePoint(s, dx, dy);
  else
    dx = points_[0].X, dy = points_[0].Y;
  const TvxPoint now{startPosition_.X + dx, startPosition_.Y + dy};
  moved_->Position()->SetPoint(now);
  if (rotate_ && t != 0 && t != 1 && now.X != old.X && now.Y != old.Y) {
    const TvxVector m = MakeVector(now.X - old.X, now.Y - old.Y, 0);
    const TvxVector down = MakeVector(0, 1, 0);
    const float a = RadToDegree(std::acos(std::clamp(VectorAngleCosine(m, down), -1.0f, 1.0f)));
    const bool right = VectorCrossZ(m, down) >= 0;
    if (!Inverse())
      moved_->SetRotateAngle(right ? -a : a);
    else
      moved_->SetRotateAngle(right ? 180 - a : a + 180);
  }
}

// ---- path switcher ----------------------------------------------------------------------------------------

rtl::TClass TvxPathSwitcher::StaticClass() {
  using A = TvxPathSwitcher;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("PathTrue", &A::PathTrue, &A::SetPathTrue)
                                          .Property("PathFalse", &A::PathFalse, &A::SetPathFalse)
                                          .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
                                          .Build();
  return &info;
}

TvxPathSwitcher::TvxPathSwitcher(rtl::TComponent* AOwner) : TvxAnimation(AOwner) { SetDuration(0.001f); }

// ---- ticker -------------------------------------------------------------------------------------------

TvxAniThread* AniThread() { return aniThread; }

void FreeAniThread() {
  delete aniThread;
  aniThread = nullptr;
}

TvxAniThread::TvxAniThread() : startTime_(rtl::GetTickCount() / 1000.0) {}

TvxAniThread::~TvxAniThread() {
  if (gone_) *gone_ = true;
  if (timer_) rtl::Application->StopTimer(timer_);
}

void TvxAniThread::Add(TvxAnimation* Animation) {
  if (Contains(Animation)) return;
  animations_.push_back(Animation);
  if (timer_) return;
  // The first tick after a rest counts from now, not from the last tick before it.
  lastTime_ = std::max(lastTime_, rtl::GetTickCount() / 1000.0 - startTime_);
  timer_ = rtl::Application->StartTimer(IntervalMs, [this] { Tick(); });
}

void TvxAniThread::Remove(TvxAnimation* Animation) {
  const auto it = std::find(animations_.begin(), animations_.end(), Animation);
  if (it != animations_.end()) animations_.erase(it);
}

bool TvxAniThread::Contains(const TvxAnimation* Animation) const {
  return std::find(animations_.begin(), animations_.end(), Animation) != animations_.end();
}

void TvxAniThread::Tick() {
  const double now = rtl::GetTickCount() / 1000.0 - startTime_;
  if (now <= lastTime_) return;
  const float delta = static_cast<float>(now - lastTime_);
  lastTime_ = now;
  // Last to first; animations leave the list (and may be freed) while they are processed.
  // A handler that frees the last host frees this ticker too: nothing of it is touched then
  // (a tick that called this one hears of it as well).
  bool gone = false;
  bool* const outer = std::exchange(gone_, &gone);
  for (int i = static_cast<int>(animations_.size()) - 1; i >= 0;) {
    TvxAnimation* a = animations_[static_cast<size_t>(i)];
    if (a->Running()) {
      if (rtl::SameText(a->BindingName(), "caret")) {
        a->SetTag(a->Tag() + 1);
        if (a->Tag() % 3 == 0) a->ProcessTick(delta, static_cast<float>(now));
      } else {
        a->ProcessTick(delta, static_cast<float>(now));
      }
    }
    if (gone) {
      if (outer) *outer = true;
      return;
    }
    i = std::min(i - 1, static_cast<int>(animations_.size()) - 1);
  }
  gone_ = outer;
  // An idle ticker keeps no timer: nothing wakes the loop until an animation starts again.
  if (animations_.empty() && timer_) {
    rtl::Application->StopTimer(timer_);
    timer_ = 0;
  }
}

}  // namespace vg
