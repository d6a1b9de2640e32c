// Property animations: the timing base (TvxAnimation), the concrete animations that write a
// colour, gradient, float, rectangle, bitmap or key-framed value into a published property
// of their parent (found by a dotted path, "Fill.Color"), the path animation that moves its
// parent, and the shared ticker that advances every running animation.
//
// An animation is a child object of the object whose property it changes. The ticker is a
// 33 ms timer of the GUI thread's loop; animations may leave its list (and be freed by an
// OnFinish handler) while it walks the list. An animation sets all its own state before it
// fires OnFinish, so a handler that frees it is safe.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Collections.h"

#include "platform/rtl/Events.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/Easing.h"
#include "vg2d/core/Objects.h"
#include "vg2d/core/PropertyPath.h"

namespace rtl {
struct TPropInfo;
}

namespace vg {

class TvxBitmap;
class TvxBounds;
class TvxGradient;
class TvxPathData;
class TvxSpline;
class TvxVisualObject;

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
  // Stored and streamed only.
  bool HideOnFinish() const { return hideOnFinish_; }
  void SetHideOnFinish(bool Value) { SetField(hideOnFinish_, Value); }

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
  bool hideOnFinish_ = false;
};

// What the animations that write a property of their parent share: the property, found by
// a dotted path (PropertyName, e.g. "Position.X") kept at the first start and walked again
// from the parent at every use (TvxPropertyTarget). A plain helper without a class record of
// its own: each animation publishes PropertyName.
class TvxPropertyAnimation : public TvxAnimation {
public:
  using TvxAnimation::TvxAnimation;
  const std::string& PropertyName() const { return propertyName_; }
  void SetPropertyName(const std::string& Value) { SetField(propertyName_, Value); }

protected:
  // Keeps the path of PropertyName, once: at the first call that finds a parent and a path.
  void KeepTarget() { target_.Keep(Parent(), propertyName_); }
  // The target property (nil when there is none) and, in Target, the object that holds it now.
  const rtl::TPropInfo* TargetProperty(rtl::TObject*& Target) const { return target_.Get(Parent(), Target); }

private:
  TvxPropertyTarget target_;
  std::string propertyName_;
};

// Writes a colour into a property holding colour text ("#AARRGGBB") or an ARGB integer.
class TvxColorAnimation : public TvxPropertyAnimation {
  RTL_CLASS(TvxColorAnimation, TvxAnimation)
public:
  explicit TvxColorAnimation(rtl::TComponent* AOwner);
  void Start() override;

  std::string StartValue() const;
  void SetStartValue(const std::string& Value);
  std::string StopValue() const;
  void SetStopValue(const std::string& Value);
  TvxColor StartColor() const { return startValue_; }
  TvxColor StopColor() const { return stopValue_; }
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }

protected:
  void ProcessAnimation() override;

private:
  TvxColor startValue_ = 0xFFFFFFFFu;
  TvxColor stopValue_ = 0xFFFFFFFFu;
  bool startFromCurrent_ = false;
};

// Interpolates each stop colour of a gradient property (stops both values have).
class TvxGradientAnimation : public TvxPropertyAnimation {
  RTL_CLASS(TvxGradientAnimation, TvxAnimation)
public:
  explicit TvxGradientAnimation(rtl::TComponent* AOwner);
  ~TvxGradientAnimation() override;
  void Start() override;

  TvxGradient* StartValue() const { return startValue_.get(); }
  void SetStartValue(TvxGradient* Value);
  TvxGradient* StopValue() const { return stopValue_.get(); }
  void SetStopValue(TvxGradient* Value);
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }

protected:
  void ProcessAnimation() override;

private:
  TvxGradient* TargetGradient();

  std::unique_ptr<TvxGradient> startValue_;
  std::unique_ptr<TvxGradient> stopValue_;
  bool startFromCurrent_ = false;
};

// Writes a float property of its parent, found by a dotted path ("Position.X").
class TvxFloatAnimation : public TvxPropertyAnimation {
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

protected:
  void ProcessAnimation() override;

private:
  float startValue_ = 0;
  float stopValue_ = 0;
  bool startFromCurrent_ = false;
};

// Assigns interpolated bounds to an object property that accepts a TvxBounds.
class TvxRectAnimation : public TvxPropertyAnimation {
  RTL_CLASS(TvxRectAnimation, TvxAnimation)
public:
  explicit TvxRectAnimation(rtl::TComponent* AOwner);
  ~TvxRectAnimation() override;
  void Start() override;

  TvxBounds* StartValue() const { return startValue_.get(); }
  void SetStartValue(TvxBounds* Value);
  TvxBounds* StopValue() const { return stopValue_.get(); }
  void SetStopValue(TvxBounds* Value);
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }

protected:
  void ProcessAnimation() override;

private:
  rtl::TPersistent* TargetObject();

  std::unique_ptr<TvxBounds> startValue_;
  std::unique_ptr<TvxBounds> stopValue_;
  std::unique_ptr<TvxBounds> current_;
  bool startFromCurrent_ = false;
};

// Cross-fades a bitmap property from StartValue to StopValue.
class TvxBitmapAnimation : public TvxPropertyAnimation {
  RTL_CLASS(TvxBitmapAnimation, TvxAnimation)
public:
  explicit TvxBitmapAnimation(rtl::TComponent* AOwner);
  ~TvxBitmapAnimation() override;

  TvxBitmap* StartValue() const { return startValue_.get(); }
  void SetStartValue(TvxBitmap* Value);
  TvxBitmap* StopValue() const { return stopValue_.get(); }
  void SetStopValue(TvxBitmap* Value);

protected:
  void ProcessAnimation() override;

private:
  std::unique_ptr<TvxBitmap> startValue_;
  std::unique_ptr<TvxBitmap> stopValue_;
  std::unique_ptr<TvxBitmap> current_;
};

// A point of a key-framed animation: Key is its place on the eased time line (0..1).
class TvxKey : public rtl::TCollectionItem {
  RTL_CLASS(TvxKey, rtl::TCollectionItem)
public:
  float Key() const { return key_; }
  // Clamped to 0..1.
  void SetKey(float Value);

private:
  float key_ = 0;
};

class TvxColorKey : public TvxKey {
  RTL_CLASS(TvxColorKey, TvxKey)
public:
  const std::string& Value() const { return value_; }
  void SetValue(const std::string& Value) { value_ = Value; }

private:
  std::string value_ = "#FFFFFFFF";
};

class TvxFloatKey : public TvxKey {
  RTL_CLASS(TvxFloatKey, TvxKey)
public:
  float Value() const { return value_; }
  void SetValue(float Value) { value_ = Value; }

private:
  float value_ = 0;
};

class TvxKeys : public rtl::TCollection {
  RTL_CLASS(TvxKeys, rtl::TCollection)
public:
  explicit TvxKeys(rtl::TClass ItemClass) : rtl::TCollection(ItemClass) {}
  TvxKey* Key(int Index) const { return static_cast<TvxKey*>(Items(Index)); }
  // The first pair of neighbouring keys (in collection order) around T, and T within it;
  // false with fewer than two keys, without such a pair or when its keys are equal.
  bool FindKeys(float T, TvxKey*& K1, TvxKey*& K2, float& Local) const;
};

// What the key animations share besides the target property: the keys (of class Key) and
// StartFromCurrent. A plain helper without a class record of its own: each key
// animation declares itself on TvxAnimation and publishes these properties.
template <class Key> class TvxKeyAnimation : public TvxPropertyAnimation {
public:
  explicit TvxKeyAnimation(rtl::TComponent* AOwner);
  ~TvxKeyAnimation() override;
  void Start() override;

  TvxKeys* Keys() const { return keys_.get(); }
  void SetKeys(TvxKeys* Value) { keys_->Assign(Value); }
  bool StartFromCurrent() const { return startFromCurrent_; }
  void SetStartFromCurrent(bool Value) { SetField(startFromCurrent_, Value); }

protected:
  void ProcessAnimation() override;
  // Sets the first key to the target's value now, when the target can give one.
  virtual void TakeCurrent(rtl::TObject* Target, const rtl::TPropInfo* Prop, Key& First) = 0;
  // Writes the value at T between the keys K1 and K2, when the target (not nil) takes it.
  virtual void WriteBetween(rtl::TObject* Target, const rtl::TPropInfo* Prop, const Key& K1, const Key& K2,
                            float T) = 0;

private:
  std::unique_ptr<TvxKeys> keys_;
  bool startFromCurrent_ = false;
};

extern template class TvxKeyAnimation<TvxColorKey>;
extern template class TvxKeyAnimation<TvxFloatKey>;

// A colour written as the colour animation does, between the keys around the time.
class TvxColorKeyAnimation : public TvxKeyAnimation<TvxColorKey> {
  RTL_CLASS(TvxColorKeyAnimation, TvxAnimation)
public:
  using TvxKeyAnimation::TvxKeyAnimation;

protected:
  void TakeCurrent(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxColorKey& First) override;
  void WriteBetween(rtl::TObject* Target, const rtl::TPropInfo* Prop, const TvxColorKey& K1, const TvxColorKey& K2,
                    float T) override;
};

// A float between the keys around the time.
class TvxFloatKeyAnimation : public TvxKeyAnimation<TvxFloatKey> {
  RTL_CLASS(TvxFloatKeyAnimation, TvxAnimation)
public:
  using TvxKeyAnimation::TvxKeyAnimation;

protected:
  void TakeCurrent(rtl::TObject* Target, const rtl::TPropInfo* Prop, TvxFloatKey& First) override;
  void WriteBetween(rtl::TObject* Target, const rtl::TPropInfo* Prop, const TvxFloatKey& K1, const TvxFloatKey& K2,
                    float T) override;
};

// Moves its visual parent along a spline through the flattened Path, from where the parent
// stood at the start; with Rotate the parent turns along the way. The last point of the
// path is reached at the end.
class TvxPathAnimation : public TvxAnimation {
  RTL_CLASS(TvxPathAnimation, TvxAnimation)
public:
  explicit TvxPathAnimation(rtl::TComponent* AOwner);
  ~TvxPathAnimation() override;
  void Start() override;

  TvxPathData* Path() const { return path_.get(); }
  void SetPath(TvxPathData* Value);
  bool Rotate() const { return rotate_; }
  void SetRotate(bool Value) { SetField(rotate_, Value); }

protected:
  void ProcessAnimation() override;

private:
  std::unique_ptr<TvxPathData> path_;
  bool rotate_ = false;
  std::vector<TvxPoint> points_;
  std::unique_ptr<TvxSpline> spline_;
  TvxPoint startPosition_{};
  TvxVisualObject* moved_ = nullptr;  // the parent, while it is the parent
};

// Names two paths and a property for the styles that switch between them; writes nothing.
class TvxPathSwitcher : public TvxAnimation {
  RTL_CLASS(TvxPathSwitcher, TvxAnimation)
public:
  explicit TvxPathSwitcher(rtl::TComponent* AOwner);

  const std::string& PathTrue() const { return pathTrue_; }
  void SetPathTrue(const std::string& Value) { SetField(pathTrue_, Value); }
  const std::string& PathFalse() const { return pathFalse_; }
  void SetPathFalse(const std::string& Value) { SetField(pathFalse_, Value); }
  const std::string& PropertyName() const { return propertyName_; }
  void SetPropertyName(const std::string& Value) { SetField(propertyName_, Value); }

private:
  std::string pathTrue_;
  std::string pathFalse_;
  std::string propertyName_;
};

// The ticker: one for the process, made by the first animation that starts. Its GUI timer of
// IntervalMs runs only while it has animations (it stops at the first tick that finds none).
class TvxAniThread {
public:
  static constexpr int IntervalMs = 33;
  TvxAniThread();
  ~TvxAniThread();
  TvxAniThread(const TvxAniThread&) = delete;
  TvxAniThread& operator=(const TvxAniThread&) = delete;

  void Add(TvxAnimation* Animation);
  void Remove(TvxAnimation* Animation);
  bool Contains(const TvxAnimation* Animation) const;
  // One tick: advances every running animation by the time since the last tick. A handler
  // may free the ticker (the last host of 2D objects going): the tick then ends at once.
  void Tick();

private:
  std::vector<TvxAnimation*> animations_;
  bool* gone_ = nullptr;  // set by the destructor while a tick runs
  unsigned long long timer_ = 0;  // 0 while resting
  // Seconds on the application's clock, kept in double so that 33 ms steps stay exact
  // however long the program runs.
  double startTime_;
  double lastTime_ = 0;
};

// The ticker, nil until the first animation starts.
TvxAniThread* AniThread();
// Frees the ticker (library shut-down, last scene gone).
void FreeAniThread();

// Whether Trigger's "Name=Value" items about Instance's enumeration and Boolean properties
// all hold: true when one matched and none failed; false otherwise.
bool TriggerHolds(rtl::TObject* Instance, const std::string& Trigger);

// Whether a trigger text mentions Name (any case); never for an empty name.
bool TriggerMentions(const std::string& Trigger, const std::string& Name);

// One tick of a running animation's clock: Time moves by DeltaTime, backwards while Inverse.
// At either end Time is held there and the animation stops (Running false) unless it loops;
// a looping one turns round with AutoReverse, else starts again from the other end.
void AdvanceAnimationTime(float DeltaTime, float Duration, bool Loop, bool AutoReverse, float& Time, bool& Inverse,
                          bool& Running);

}  // namespace vg
