// The base of the bitmap effects: a child object of the visual object it decorates. The
// visual object renders itself into a bitmap, hands it to each enabled effect's
// ProcessEffect and draws the result at the effect's offset, under the object, over it
// (PaintsAfterObject) or instead of it (ReplacesObjectPaint). Each effect keeps its own
// cached image, redrawn only when its object's look changed.
#pragma once

#include <memory>
#include <string>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Objects.h"

namespace vg {

class TvxCanvas;

// No effect image is made larger than this on either side (a zoom animation or a huge
// scale would otherwise ask for gigabytes).
constexpr int MaxEffectBitmapSide = 8192;

class TvxEffect : public TvxObject {
  RTL_CLASS(TvxEffect, TvxObject)
public:
  explicit TvxEffect(rtl::TComponent* AOwner);

  // How far the effect reaches: Rect (the object's local rectangle) grown or moved.
  virtual TvxRect GetRect(const TvxRect& Rect) { return Rect; }
  // Where the object is painted inside the effect image.
  virtual TvxPoint GetOffset() { return {}; }
  // Processes the object's rendering in Bitmap; Scale is the rendering scale.
  virtual void ProcessEffect(TvxCanvas*, TvxBitmap*, float) {}
  // Enabled := whether the last "Name=Value" item of Trigger about Instance's enumeration
  // and Boolean properties holds (false when none does); only when TriggerName occurs in
  // Trigger.
  virtual void ApplyTrigger(TvxObject* Instance, const std::string& TriggerName);

  bool Enabled() const { return enabled_; }
  // Refreshes the parent's effect state and repaints it.
  void SetEnabled(bool Value);
  const std::string& Trigger() const { return trigger_; }
  void SetTrigger(const std::string& Value) { SetField(trigger_, Value); }
  bool ReplacesObjectPaint() const { return replacesObjectPaint_; }
  bool PaintsAfterObject() const { return paintsAfterObject_; }

  // The cached image of this effect (nil until the first paint) and its making.
  TvxBitmap* Image() const { return image_.get(); }
  TvxBitmap* NeedImage();
  void FreeImage() { image_.reset(); }

protected:
  // A property changed: mark the parent's effect image stale and repaint the parent with
  // this effect's reach.
  void EffectChanged();
  void SetFlags(bool ReplacesObjectPaint, bool PaintsAfterObject) {
    replacesObjectPaint_ = ReplacesObjectPaint;
    paintsAfterObject_ = PaintsAfterObject;
  }

private:
  bool enabled_ = true;
  std::string trigger_;
  bool replacesObjectPaint_ = false;
  bool paintsAfterObject_ = false;
  std::unique_ptr<TvxBitmap> image_;
};

// The size of an effect image for an effect rectangle E scaled by Scale: the absolute
// value of each side, cut toward zero and clamped to 0 .. MaxEffectBitmapSide (NaN and
// infinities give 0 or the maximum, never an undefined conversion).
void EffectBitmapSize(const TvxRect& E, int& Width, int& Height);

}  // namespace vg
