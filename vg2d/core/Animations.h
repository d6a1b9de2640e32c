// Property animations: the timing base (TvxAnimation), the float animation the object tree
// creates in code, and the shared ticker that advances every running animation.
//
// An animation is a child object of the object whose property it changes. The ticker is a
// 33 ms timer of the GUI thread's loop; animations may leave its list (and be freed by an
// OnFinish handler) while it walks the list. An animation sets all its own state before it
// fires OnFinish, so a handler that frees it is safe.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "vg2d/core/Easing.h"
#include "vg2d/core/Objects.h"

namespace vg {

class TvxAnimation : public TvxObject {
  RTL_CLASS(TvxAnimation, TvxObject)
public:
  explicit TvxAnimation(rtl::TComponent* AOwner);
  void BeforeDestruction() override;

  // Runs from the start (or, inverse, the end). Without a host, in design mode or with a
  // duration of at most 0.001 s the end value is applied at once and OnFinish fires.
  virtual void Start();
  // Applies the end value, stops and fires OnFinish (only while running).
  virtual void Stop();
  // Stops where it is and fires OnFinish (only while running).
  virtual void StopAtCurrent();
  // Starts when TriggerName occurs in Trigger and every "Property=Value" item of Trigger
  // that names an enumeration or Boolean property of Instance holds (at least one must).
  virtual void StartTrigger(TvxObject* Instance, const std::string& TriggerName);
  // One step of the ticker.
  void ProcessTick(float DeltaTime, float CurrentTime);
  // The eased progress 0..1 of the running animation.
  float NormalizedTime() const;

  float Duration() const { return duration_; }
  void SetDuration(float Value) { SetField(duration_, Value); }
  float Delay() const { return delay_; }
  void SetDelay(float Value) { SetField(delay_, Value); }
  bool Inverse() const { return inverse_; }
  void SetInverse(bool Value) { SetField(inverse_, Value); }
  bool Loop() const { return loop_; }
  void SetLoop(bool Value) { SetField(loop_, Value); }
  bool AutoReverse() const { return autoReverse_; }
  void SetAutoReverse(bool Value) { SetField(autoReverse_, Value); }
  const std::string& Trigger() const { return trigger_; }
  void SetTrigger(const std::string& Value) { SetField(trigger_, Value); }
  bool Enabled() const { return enabled_; }
  // True starts, false stops (not in design mode, not while loading).
  void SetEnabled(bool Value);
  bool Running() const { return running_; }
  TvxInterpolationType Interpolation() const { return interpolation_; }
  void SetInterpolation(TvxInterpolationType Value) { SetField(interpolation_, Value); }
  TvxAnimationType AnimationType() const { return animationType_; }
  void SetAnimationType(TvxAnimationType Value) { SetField(animationType_, Value); }

  rtl::TNotifyEvent OnFinish;
  rtl::TNotifyEvent OnProcess;

protected:
  // Writes the value for NormalizedTime(); empty here.
  virtual void ProcessAnimation() {}
  void Loaded() override;

private:
  bool InDesign() const;

  float duration_ = 0.2f;
  float delay_ = 0;
  float delayTime_ = 0;
  float time_ = 0;
  bool inverse_ = false;
  std::string trigger_;
  bool loop_ = false;
  bool running_ = false;
  TvxInterpolationType interpolation_ = vgInterpolationLinear;
  TvxAnimationType animationType_ = vgAnimationIn;
  bool enabled_ = false;
  bool autoReverse_ = false;
};

// Writes a float property of its parent, found by a dotted path ("Position.X").
class TvxFloatAnimation : public TvxAnimation {
  RTL_CLASS(TvxFloatAnimation, TvxAnimation)
public:
  explicit TvxFloatAnimation(rtl::TComponent* AOwner);
  void Start() override;

  float StartValue() const { return startValue_; }
  void SetStartValue(float Value) { SetField(startValue_, Value); }
  float StopValue() const { return stopValue_; }
  void SetStopValue(float Value) { SetField(stopValue_, Value); }
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }
  const std::string& PropertyName() const { return propertyName_; }
  void SetPropertyName(const std::string& Value) { SetField(propertyName_, Value); }

protected:
  void ProcessAnimation() override;

private:
  // The object and property the path names; nil when there is none (nothing is written).
  const rtl::TPropInfo* Resolve(rtl::TObject*& Target) const;

  float startValue_ = 0;
  float stopValue_ = 0;
  bool startFromCurrent_ = false;
  std::string propertyName_;
};

// The ticker: one for the process, made by the first animation that starts.
class TvxAniThread {
public:
  TvxAniThread();
  ~TvxAniThread();
  TvxAniThread(const TvxAniThread&) = delete;
  TvxAniThread& operator=(const TvxAniThread&) = delete;

  void Add(TvxAnimation* Animation);
  void Remove(TvxAnimation* Animation);
  bool Contains(const TvxAnimation* Animation) const;
  // One tick: advances every running animation by the time since the last tick.
  void Tick();

private:
  std::vector<TvxAnimation*> animations_;
  unsigned long long timer_ = 0;
  float startTime_;
  float lastTime_ = 0;
};

// The ticker, nil until the first animation starts.
TvxAniThread* AniThread();
// Frees the ticker (library shut-down, last scene gone).
void FreeAniThread();

// Whether Trigger's "Name=Value" items about Instance's enumeration and Boolean properties
// all hold: true when one matched and none failed; false otherwise.
bool TriggerHolds(TvxObject* Instance, const std::string& Trigger);

}  // namespace vg
