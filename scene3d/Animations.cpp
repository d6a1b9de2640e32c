#include "scene3d/Animations.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/loop/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/ValueText.h"
#include "vg2d/core/Animations.h"

namespace dx {

namespace {

// Made by the first start that needs it; freed by FreeDxAniThread, never by a static
// destructor, which could run after the loop whose timer it stops.
TdxAniThread* aniThread = nullptr;

}  // namespace

// ---- animation -----------------------------------------------------------------------------------

rtl::TClass TdxAnimation::StaticClass() {
  using A = TdxAnimation;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("AnimationType", &A::AnimationType, &A::SetAnimationType)
                                          .Default(vg::vgAnimationIn)
                                          .Property("AutoReverse", &A::AutoReverse, &A::SetAutoReverse)
                                          .Default(false)
                                          .Property("Duration", &A::Duration, &A::SetDuration)
                                          .NoDefault()
                                          .Property("Delay", &A::Delay, &A::SetDelay)
                                          .NoDefault()
                                          .Property("Enabled", &A::Enabled, &A::SetEnabled)
                                          .Default(false)
                                          .Property("Interpolation", &A::Interpolation, &A::SetInterpolation)
                                          .Default(vg::vgInterpolationLinear)
                                          .Property("Inverse", &A::Inverse, &A::SetInverse)
                                          .Default(false)
                                          .Property("Loop", &A::Loop, &A::SetLoop)
                                          .Default(false)
                                          .Property("Trigger", &A::Trigger, &A::SetTrigger)
                                          .Event("OnFinish", &A::OnFinish)
                                          .Build();
  return &info;
}

TdxAnimation::TdxAnimation(rtl::TComponent* AOwner) : TdxObject(AOwner) {}

TdxAnimation::~TdxAnimation() {
  if (aniThread) aniThread->Remove(this);
}

void TdxAnimation::BeforeDestruction() {
  if (aniThread) aniThread->Remove(this);
  inherited::BeforeDestruction();
}

bool TdxAnimation::ParentHidden() const { return Parent() && !Parent()->Shown(); }

float TdxAnimation::NormalizedTime() const {
  const float duration = jumping_ ? 1.0f : duration_;
  if (duration == 0) return 0;
  return static_cast<float>(vg::InterpolateProgress(interpolation_, animationType_, time_, duration));
}

void TdxAnimation::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  if (InDesign() || ComponentState().Contains(rtl::csLoading)) return;
  if (enabled_)
    Start();
  else
    Stop();
}

void TdxAnimation::Loaded() {
  inherited::Loaded();
  if (enabled_ && !InDesign()) Start();
}

void TdxAnimation::Start() {
  if (ParentHidden()) return;
  if (std::fabs(duration_) >= 0.001f && !InDesign()) {
    delayTime_ = delay_;
    running_ = true;
    time_ = inverse_ ? duration_ : 0;
    ProcessAnimation();
    // A real-time scene ticks its tree itself, this animation with it.
    if (!OnRealTimeScene()) {
      if (!aniThread) aniThread = new TdxAniThread;
      aniThread->Add(this);
    }
    enabled_ = true;
    return;
  }
  // No time to run: the end value at once, over a nominal second, with Duration kept.
  // Every field is set before OnFinish, whose handler may free the animation.
  delayTime_ = 0;
  time_ = inverse_ ? 0 : 1;
  jumping_ = true;
  running_ = true;
  ProcessAnimation();
  jumping_ = false;
  running_ = false;
  time_ = 0;
  enabled_ = false;
  OnFinish(this);
}

void TdxAnimation::Stop() {
  if (!running_) return;
  if (aniThread) aniThread->Remove(this);
  time_ = inverse_ ? 0 : duration_;
  ProcessAnimation();
  running_ = false;
  enabled_ = false;
  OnFinish(this);
}

void TdxAnimation::Finish() {
  // Finished by itself: off the clock, Enabled kept (only Stop and a start without time to
  // run clear it).
  if (aniThread) aniThread->Remove(this);
  OnFinish(this);
}

void TdxAnimation::StartTrigger(rtl::TObject* AInstance, const std::string& ATrigger) {
  if (!AInstance || trigger_.empty() || !vg::TriggerMentions(trigger_, ATrigger)) return;
  if (vg::TriggerHolds(AInstance, trigger_)) Start();
}

void TdxAnimation::ProcessTick(double Time, float DeltaTime) {
  if (OnTick || ChildrenCount() > 0) {
    // The tick's handlers may free this animation: then nothing more is touched.
    TdxFreeWatch self(this);
    inherited::ProcessTick(Time, DeltaTime);
    if (self.Gone()) return;
  }
  if (ParentHidden()) {
    Stop();
    return;
  }
  if (!running_ || pause_) return;
  if (delayTime_ > 0) {
    delayTime_ -= DeltaTime;
    return;
  }
  vg::AdvanceAnimationTime(DeltaTime, duration_, loop_, autoReverse_, time_, inverse_, running_);
  const bool stopped = !running_;
  ProcessAnimation();
  if (stopped) Finish();
}

// ---- property targets ---------------------------------------------------------------------------

namespace {

bool IsFloatTarget(const rtl::TPropInfo* Prop) { return Prop && Prop->Kind() == rtl::tkFloat && Prop->SetFloat; }

// The colour a target holds now; false when it holds neither text nor an integer.
bool ReadColor(rtl::TObject* Target, const rtl::TPropInfo* Prop, TdxColor& Color) {
  if (!Prop) return false;
  switch (Prop->Kind()) {
    case rtl::tkLString: Color = dxTextToColor(rtl::GetStrProp(Target, Prop)); return true;
    case rtl::tkWString: Color = dxTextToColor(rtl::WideToUtf8(rtl::GetWideStrProp(Target, Prop))); return true;
    case rtl::tkInteger: Color = static_cast<TdxColor>(rtl::GetOrdProp(Target, Prop)); return true;
    default: return false;
  }
}

// Writes a colour as text or as the ARGB number (in the integer's own signedness).
void WriteColor(rtl::TObject* Target, const rtl::TPropInfo* Prop, TdxColor Color) {
  if (!Prop) return;
  if (Prop->Kind() == rtl::tkLString && Prop->SetStr) {
    rtl::SetStrProp(Target, Prop, dxColorToText(Color));
  } else if (Prop->Kind() == rtl::tkWString && Prop->SetWStr) {
    rtl::SetWideStrProp(Target, Prop, rtl::Utf8ToWide(dxColorToText(Color)));
  } else if (Prop->Kind() == rtl::tkInteger && Prop->SetOrd) {
    const int64_t v =
        Prop->PropType->MinValue < 0 ? static_cast<int64_t>(static_cast<int32_t>(Color)) : static_cast<int64_t>(Color);
    if (v >= Prop->PropType->MinValue && v <= Prop->PropType->MaxValue) rtl::SetOrdProp(Target, Prop, v);
  }
}

// The published face both property animations share: the values (no defaults) and the path.
template <class A>
rtl::TClassInfo FromToRecord() {
  return rtl::DefineClass<A>()
      .Property("StartValue", &A::StartValue, &A::SetStartValue)
      .Property("StartFromCurrent", &A::StartFromCurrent, &A::SetStartFromCurrent)
      .Property("StopValue", &A::StopValue, &A::SetStopValue)
      .Property("PropertyName", &A::PropertyName, &A::SetPropertyName)
      .Build();
}

}  // namespace

// ---- float animation -------------------------------------------------------------------------------

rtl::TClass TdxFloatAnimation::StaticClass() {
  static const rtl::TClassInfo info = FromToRecord<TdxFloatAnimation>();
  return &info;
}

TdxFloatAnimation::TdxFloatAnimation(rtl::TComponent* AOwner) : TdxAnimation(AOwner) {}

const rtl::TPropInfo* TdxFloatAnimation::TargetProperty(rtl::TObject*& Target) { return target_.Get(Parent(), Target); }

void TdxFloatAnimation::Start() {
  target_.Keep(Parent(), propertyName_);
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (startFromCurrent_ && IsFloatTarget(prop)) startValue_ = static_cast<float>(rtl::GetFloatProp(target, prop));
  inherited::Start();
}

void TdxFloatAnimation::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (IsFloatTarget(prop))
    rtl::SetFloatProp(target, prop, dxInterpolateSingle(startValue_, stopValue_, NormalizedTime()));
}

// ---- colour animation --------------------------------------------------------------------------------

rtl::TClass TdxColorAnimation::StaticClass() {
  static const rtl::TClassInfo info = FromToRecord<TdxColorAnimation>();
  return &info;
}

TdxColorAnimation::TdxColorAnimation(rtl::TComponent* AOwner) : TdxAnimation(AOwner) {}

std::string TdxColorAnimation::StartValue() const { return dxColorToText(startValue_); }
void TdxColorAnimation::SetStartValue(const std::string& Value) { startValue_ = dxTextToColor(Value); }
std::string TdxColorAnimation::StopValue() const { return dxColorToText(stopValue_); }
void TdxColorAnimation::SetStopValue(const std::string& Value) { stopValue_ = dxTextToColor(Value); }

const rtl::TPropInfo* TdxColorAnimation::TargetProperty(rtl::TObject*& Target) { return target_.Get(Parent(), Target); }

void TdxColorAnimation::Start() {
  target_.Keep(Parent(), propertyName_);
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  if (startFromCurrent_) ReadColor(target, prop, startValue_);
  inherited::Start();
}

void TdxColorAnimation::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  const rtl::TPropInfo* prop = TargetProperty(target);
  WriteColor(target, prop, dxInterpolateColor(startValue_, stopValue_, NormalizedTime()));
}

// ---- clock -----------------------------------------------------------------------------------------------

TdxAniThread* DxAniThread() { return aniThread; }

void FreeDxAniThread() {
  delete aniThread;
  aniThread = nullptr;
}

TdxAniThread::TdxAniThread() = default;

TdxAniThread::~TdxAniThread() {
  if (gone_) *gone_ = true;
  if (timer_) rtl::Application->StopTimer(timer_);
}

void TdxAniThread::Add(TdxAnimation* Animation) {
  if (Contains(Animation)) return;
  if (animations_.empty()) lastTime_ = rtl::GetTickCount();
  animations_.push_back(Animation);
  if (!timer_) timer_ = rtl::Application->StartTimer(IntervalMs, [this] { Tick(); });
}

void TdxAniThread::Remove(TdxAnimation* Animation) {
  const auto it = std::find(animations_.begin(), animations_.end(), Animation);
  if (it != animations_.end()) animations_.erase(it);
}

bool TdxAniThread::Contains(const TdxAnimation* Animation) const {
  return std::find(animations_.begin(), animations_.end(), Animation) != animations_.end();
}

void TdxAniThread::Tick() {
  // Differences are taken in milliseconds, which the clock counts exactly, so a step is
  // the same however long the program has run.
  const double now = rtl::GetTickCount();
  if (now <= lastTime_) {
    lastTime_ = now;  // a clock put back (another clock installed) starts afresh
    return;
  }
  const float delta = static_cast<float>((now - lastTime_) / 1000.0);
  lastTime_ = now;
  // Last to first, over the list as it was when the tick began: animations leave it (and
  // may be freed, some by another one's handler) while they are processed, and one that
  // left is passed over.
  // A handler that frees the last scene frees this clock too: nothing of it is touched then
  // (a tick that called this one hears of it as well).
  const std::vector<TdxAnimation*> snapshot = animations_;
  bool gone = false;
  bool* const outer = std::exchange(gone_, &gone);
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
    if (Contains(*it) && (*it)->Running()) (*it)->ProcessTick(now / 1000.0, delta);
    if (gone) {
      if (outer) *outer = true;
      return;
    }
  }
  gone_ = outer;
  // An idle clock keeps no timer: nothing wakes the loop until an animation starts again.
  if (animations_.empty() && timer_) {
    rtl::Application->StopTimer(timer_);
    timer_ = 0;
  }
}

namespace {
TdxFloatAnimation* MakeFloatAnimation(TdxObject* Object, const std::string& PropertyName, float NewValue,
                                      float Duration) {
  auto* a = new TdxFloatAnimation(Object);
  a->SetParent(Object);
  a->SetDuration(Duration);
  a->SetStopValue(NewValue);
  a->SetPropertyName(PropertyName);
  a->SetStartFromCurrent(true);
  a->SetStored(false);
  return a;
}
}  // namespace

void AnimateFloat(TdxObject* Object, const std::string& PropertyName, float NewValue, float Duration,
                  std::function<void()> Done) {
  if (!Object) return;
  TdxFloatAnimation* a = MakeFloatAnimation(Object, PropertyName, NewValue, Duration);
  // Freed by the loop once its finishing handler has returned; the handler runs Done last,
  // since Done may free Object and the animation with it.
  a->OnFinish = [Done = std::move(Done)](rtl::TObject* Sender) {
    rtl::Application->ReleaseComponent(static_cast<rtl::TComponent*>(Sender));
    if (Done) Done();
  };
  a->Start();
}

bool AnimateFloatWait(TdxObject* Object, const std::string& PropertyName, float NewValue, float Duration) {
  if (!Object) return false;
  TdxFreeWatch objectWatch(Object);
  TdxFloatAnimation* a = MakeFloatAnimation(Object, PropertyName, NewValue, Duration);
  TdxFreeWatch watch(a);
  a->Start();
  rtl::Application->RunUntil([&] { return watch.Gone() || !a->Running(); });
  if (!watch.Gone()) a->Free();
  return !objectWatch.Gone();
}

void RegisterDxAnimationClasses() {
  RegisterDxClasses("Animations", {TdxFloatAnimation::StaticClass(), TdxColorAnimation::StaticClass()});
}

}  // namespace dx
