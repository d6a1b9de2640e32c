#include "vg2d/core/Animations.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/loop/Application.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/TextForms.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

// Made by the first start; freed by FreeAniThread (library shut-down, last scene gone),
// never by a static destructor, which could run after the loop it stops a timer of.
TvxAniThread* aniThread = nullptr;

double Ease(TvxInterpolationType I, TvxAnimationType A, double T, double D) {
  switch (I) {
    case vgInterpolationLinear: return InterpolateLinear(T, 0, 1, D);
    case vgInterpolationQuadratic: return InterpolateQuad(A, T, 0, 1, D);
    case vgInterpolationCubic: return InterpolateCubic(A, T, 0, 1, D);
    case vgInterpolationQuartic: return InterpolateQuart(A, T, 0, 1, D);
    case vgInterpolationQuintic: return InterpolateQuint(A, T, 0, 1, D);
    case vgInterpolationSinusoidal: return InterpolateSine(A, T, 0, 1, D);
    case vgInterpolationExponential: return InterpolateExpo(A, T, 0, 1, D);
    case vgInterpolationCircular: return InterpolateCirc(A, T, 0, 1, D);
    case vgInterpolationElastic: return InterpolateElastic(A, T, 0, 1, D, 0, 0);
    case vgInterpolationBack: return InterpolateBack(A, T, 0, 1, D, 0);
    case vgInterpolationBounce: return InterpolateBounce(A, T, 0, 1, D);
  }
  return 0;
}

bool ParentHidden(const TvxObject* Animation) {
  const TvxObject* p = Animation->Parent();
  return p && p->IsVisual() && !p->Visual()->Visible();
}

// Walks Trigger's "Name=Value" items about Instance's enumeration and Boolean properties;
// Item gets whether each one holds and answers whether to go on.
template <class F>
void ForEachTriggerItem(TvxObject* Instance, const std::string& Trigger, F&& Item) {
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

bool Mentions(const std::string& Trigger, const std::string& Name) {
  return !Name.empty() && rtl::LowerCase(Trigger).find(rtl::LowerCase(Name)) != std::string::npos;
}

}  // namespace

bool TriggerHolds(TvxObject* Instance, const std::string& Trigger) {
  bool matched = false, failed = false;
  ForEachTriggerItem(Instance, Trigger, [&](bool holds) {
    if (!holds) failed = true;
    matched = matched || holds;
    return holds;
  });
  return matched && !failed;
}

// ---- animation -----------------------------------------------------------------------------------

rtl::TClass TvxAnimation::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxAnimation>()
          .Property("AutoReverse", &TvxAnimation::AutoReverse, &TvxAnimation::SetAutoReverse)
          .Default(false)
          .Property("Enabled", &TvxAnimation::Enabled, &TvxAnimation::SetEnabled)
          .Default(false)
          .Property("Delay", &TvxAnimation::Delay, &TvxAnimation::SetDelay)
          .NoDefault()
          .Property("Duration", &TvxAnimation::Duration, &TvxAnimation::SetDuration)
          .NoDefault()
          .Property("Inverse", &TvxAnimation::Inverse, &TvxAnimation::SetInverse)
          .Default(false)
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
    return static_cast<float>(Ease(interpolation_, animationType_, time_, duration_));
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
  if (!Instance || trigger_.empty() || !Mentions(trigger_, TriggerName)) return;
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
  time_ = inverse_ ? time_ - DeltaTime : time_ + DeltaTime;
  if (time_ >= duration_) {
    time_ = duration_;
    if (!loop_)
      running_ = false;
    else if (autoReverse_)
      inverse_ = true;
    else
      time_ = 0;
  } else if (time_ <= 0) {
    time_ = 0;
    if (!loop_)
      running_ = false;
    else if (autoReverse_)
      inverse_ = false;
    else
      time_ = duration_;
  }
  ProcessAnimation();
  OnProcess(this);
  if (Scene() && !running_) {
    if (aniThread) aniThread->Remove(this);
    enabled_ = false;
    OnFinish(this);
  }
}

// ---- float animation -------------------------------------------------------------------------------

rtl::TClass TvxFloatAnimation::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxFloatAnimation>()
          .Property("StartValue", &TvxFloatAnimation::StartValue, &TvxFloatAnimation::SetStartValue)
          .Property("StartFromCurrent", &TvxFloatAnimation::StartFromCurrent, &TvxFloatAnimation::SetStartFromCurrent)
          .Default(false)
          .Property("StopValue", &TvxFloatAnimation::StopValue, &TvxFloatAnimation::SetStopValue)
          .Property("PropertyName", &TvxFloatAnimation::PropertyName, &TvxFloatAnimation::SetPropertyName)
          .Build();
  return &info;
}

TvxFloatAnimation::TvxFloatAnimation(rtl::TComponent* AOwner) : TvxAnimation(AOwner) {}

const rtl::TPropInfo* TvxFloatAnimation::Resolve(rtl::TObject*& Target) const {
  Target = Parent();
  if (!Target || propertyName_.empty()) return nullptr;
  std::string path = propertyName_;
  while (path.find('.') != std::string::npos) {
    const std::string part = GetToken(path, ".");
    const rtl::TPropInfo* p = rtl::GetPropInfo(Target, part);
    if (p && p->Kind() == rtl::tkClass)
      if (rtl::TObject* inner = rtl::GetObjectProp(Target, p)) Target = inner;
  }
  const rtl::TPropInfo* prop = rtl::GetPropInfo(Target, path);
  return prop && prop->Kind() == rtl::tkFloat && prop->SetFloat ? prop : nullptr;
}

void TvxFloatAnimation::Start() {
  rtl::TObject* target = nullptr;
  if (startFromCurrent_)
    if (const rtl::TPropInfo* prop = Resolve(target)) startValue_ = static_cast<float>(rtl::GetFloatProp(target, prop));
  inherited::Start();
}

void TvxFloatAnimation::ProcessAnimation() {
  rtl::TObject* target = nullptr;
  if (const rtl::TPropInfo* prop = Resolve(target))
    rtl::SetFloatProp(target, prop, InterpolateSingle(startValue_, stopValue_, NormalizedTime()));
}

// ---- ticker -------------------------------------------------------------------------------------------

TvxAniThread* AniThread() { return aniThread; }

void FreeAniThread() {
  delete aniThread;
  aniThread = nullptr;
}

TvxAniThread::TvxAniThread() : startTime_(static_cast<float>(rtl::GetTickCount() / 1000.0)) {
  timer_ = rtl::Application->StartTimer(33, [this] { Tick(); });
}

TvxAniThread::~TvxAniThread() { rtl::Application->StopTimer(timer_); }

void TvxAniThread::Add(TvxAnimation* Animation) {
  if (!Contains(Animation)) animations_.push_back(Animation);
}

void TvxAniThread::Remove(TvxAnimation* Animation) {
  const auto it = std::find(animations_.begin(), animations_.end(), Animation);
  if (it != animations_.end()) animations_.erase(it);
}

bool TvxAniThread::Contains(const TvxAnimation* Animation) const {
  return std::find(animations_.begin(), animations_.end(), Animation) != animations_.end();
}

void TvxAniThread::Tick() {
  const float now = static_cast<float>(rtl::GetTickCount() / 1000.0) - startTime_;
  if (now <= lastTime_) return;
  const float delta = now - lastTime_;
  lastTime_ = now;
  // Last to first; animations leave the list (and may be freed) while they are processed.
  for (int i = static_cast<int>(animations_.size()) - 1; i >= 0;) {
    TvxAnimation* a = animations_[static_cast<size_t>(i)];
    if (a->Running()) {
      if (rtl::SameText(a->BindingName(), "caret")) {
        a->SetTag(a->Tag() + 1);
        if (a->Tag() % 3 == 0) a->ProcessTick(delta, now);
      } else {
        a->ProcessTick(delta, now);
      }
    }
    i = std::min(i - 1, static_cast<int>(animations_.size()) - 1);
  }
}

}  // namespace vg
