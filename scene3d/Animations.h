// Property animations of the 3D tree: the timing base (TdxAnimation), the float and colour
// animations that write a published property of their parent (found by a dotted path,
// "Position.Z"), and the animation clock that advances every running animation.
//
// An animation is a child object of the object whose property it changes. The clock is a
// 25 ms timer of the GUI thread's loop reading the application clock (seconds since the
// program started, in double); a scene that runs in real time ticks its tree itself and
// its animations stay off the clock. Animations may leave the clock's list (and be freed
// by an OnFinish handler) while it walks the list; an animation sets all its own state
// before it fires OnFinish, so a handler that frees it is safe.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "scene3d/Maths.h"
#include "scene3d/Objects.h"
#include "vg2d/core/Easing.h"
#include "vg2d/core/PropertyPath.h"

namespace rtl {
struct TPropInfo;
}

namespace dx {

class TdxAnimation : public TdxObject {
  RTL_CLASS(TdxAnimation, TdxObject)
public:
  explicit TdxAnimation(rtl::TComponent* AOwner);
  ~TdxAnimation() override;
  void BeforeDestruction() override;

  // Runs from the start (or, inverse, from the end) after Delay. Nothing under a hidden
  // visual parent. In design mode, or with a duration below 0.001 s, the end value is
  // applied at once and OnFinish fires before Start returns; Duration keeps its value.
  virtual void Start();
  // Applies the end value (the start value when inverse), stops and fires OnFinish; only
  // while running.
  virtual void Stop();
  // Starts when ATrigger occurs in Trigger (case ignored) and every "Property=Value" item
  // of Trigger that names an enumeration or Boolean property of AInstance holds (at least
  // one must).
  virtual void StartTrigger(rtl::TObject* AInstance, const std::string& ATrigger);
  // Ticks the children, then advances the local time by DeltaTime (after the delay);
  // at the end it stops, or loops (turning round with AutoReverse), and fires OnFinish
  // when it stopped.
  void ProcessTick(double Time, float DeltaTime) override;
  // The eased progress 0..1 at the local time; 0 with a duration of 0.
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
  // On a change: true starts, false stops (neither in design mode nor while loading).
  void SetEnabled(bool Value);
  // A paused animation keeps its time while it is ticked.
  bool Pause() const { return pause_; }
  void SetPause(bool Value) { pause_ = Value; }
  bool Running() const { return running_; }
  // The local time in seconds, 0..Duration.
  float Time() const { return time_; }
  vg::TvxInterpolationType Interpolation() const { return interpolation_; }
  void SetInterpolation(vg::TvxInterpolationType Value) { SetField(interpolation_, Value); }
  vg::TvxAnimationType AnimationType() const { return animationType_; }
  void SetAnimationType(vg::TvxAnimationType Value) { SetField(animationType_, Value); }

  rtl::TNotifyEvent OnFinish;

protected:
  // Writes the value for NormalizedTime(); empty here.
  virtual void ProcessAnimation() {}
  void Loaded() override;

private:
  bool ParentHidden() const;
  bool OnRealTimeScene() const { return Scene() && Scene()->GetRealTime(); }
  // Leaves the clock (when it is on it) and fires OnFinish; the last thing a stop does.
  void Finish();

  float duration_ = 0.2f;
  float delay_ = 0;
  float delayTime_ = 0;
  bool inverse_ = false;
  std::string trigger_;
  bool loop_ = false;
  bool pause_ = false;
  vg::TvxInterpolationType interpolation_ = vg::vgInterpolationLinear;
  vg::TvxAnimationType animationType_ = vg::vgAnimationIn;
  bool enabled_ = false;
  bool autoReverse_ = false;
  bool running_ = false;
  float time_ = 0;
  // While the end value is applied at once: the progress runs over one second instead of
  // Duration, which is left as it is.
  bool jumping_ = false;
};

// The property a 3D animation writes: a dotted path from its parent, kept at the first start
// and walked again at every step, as the 2D animations do (vg2d/core/PropertyPath.h).
using TdxPropertyTarget = vg::TvxPropertyTarget;

// Writes StartValue + (StopValue - StartValue) x progress into a float property.
class TdxFloatAnimation : public TdxAnimation {
  RTL_CLASS(TdxFloatAnimation, TdxAnimation)
public:
  explicit TdxFloatAnimation(rtl::TComponent* AOwner);
  // With StartFromCurrent, StartValue becomes the property's value first.
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
  const rtl::TPropInfo* TargetProperty(rtl::TObject*& Target);

  float startValue_ = 0;
  float stopValue_ = 0;
  bool startFromCurrent_ = false;
  std::string propertyName_;
  TdxPropertyTarget target_;
};

// Writes a colour between StartValue and StopValue (colour text, "#AARRGGBB") into a
// property holding colour text or an ARGB integer.
class TdxColorAnimation : public TdxAnimation {
  RTL_CLASS(TdxColorAnimation, TdxAnimation)
public:
  explicit TdxColorAnimation(rtl::TComponent* AOwner);
  // With StartFromCurrent, StartValue becomes the property's colour first.
  void Start() override;

  std::string StartValue() const;
  void SetStartValue(const std::string& Value);
  std::string StopValue() const;
  void SetStopValue(const std::string& Value);
  TdxColor StartColor() const { return startValue_; }
  TdxColor StopColor() const { return stopValue_; }
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }
  const std::string& PropertyName() const { return propertyName_; }
  void SetPropertyName(const std::string& Value) { SetField(propertyName_, Value); }

protected:
  void ProcessAnimation() override;

private:
  const rtl::TPropInfo* TargetProperty(rtl::TObject*& Target);

  TdxColor startValue_ = 0xFFFFFFFFu;
  TdxColor stopValue_ = 0xFFFFFFFFu;
  bool startFromCurrent_ = false;
  std::string propertyName_;
  TdxPropertyTarget target_;
};

// The animation clock: one for the process, made by the first animation that needs it. Its
// timer runs only while it has animations to advance.
class TdxAniThread {
public:
  static constexpr double IntervalMs = 25;

  TdxAniThread();
  ~TdxAniThread();
  TdxAniThread(const TdxAniThread&) = delete;
  TdxAniThread& operator=(const TdxAniThread&) = delete;

  // An animation joining an empty list starts the time afresh, so the first step never
  // spans the idle time before it.
  void Add(TdxAnimation* Animation);
  void Remove(TdxAnimation* Animation);
  bool Contains(const TdxAnimation* Animation) const;
  bool Empty() const { return animations_.empty(); }
  // One tick: every running animation, from the last to the first, advances by the
  // seconds since the previous tick. A handler may free the clock (the last scene going):
  // the tick then ends at once.
  void Tick();

private:
  std::vector<TdxAnimation*> animations_;
  bool* gone_ = nullptr;  // set by the destructor while a tick runs
  unsigned long long timer_ = 0;
  double lastTime_ = 0;  // milliseconds on the application clock
};

// The clock, nil until an animation first needs it.
TdxAniThread* DxAniThread();
// Frees the clock (library shut-down, last scene gone); it is made again when needed.
void FreeDxAniThread();

// Animates the float property at PropertyName (a dotted path, "RotateAngle.X") of Object from
// its current value to NewValue over Duration seconds, with a float animation made as a child
// of Object. When it has ended, Done runs (not when Object is freed first: the animation goes
// with it); the animation is freed by the loop afterwards. Done may free Object.
void AnimateFloat(TdxObject* Object, const std::string& PropertyName, float NewValue, float Duration = 0.2f,
                  std::function<void()> Done = {});
// The same, returning when the animation has ended (the message loop runs meanwhile); false
// when Object was freed meanwhile, which the caller must then leave alone.
bool AnimateFloatWait(TdxObject* Object, const std::string& PropertyName, float NewValue, float Duration = 0.2f);

// Registers the float and colour animations under "Animations".
void RegisterDxAnimationClasses();

}  // namespace dx
