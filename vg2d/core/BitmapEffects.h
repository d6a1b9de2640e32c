// The bitmap effects (shadow, blur, glow, inner glow, bevel, reflection) and the stack
// blur they and the blurred shapes share. Each effect works on the object's rendering, a
// premultiplied 32-bit bitmap, in place.
#pragma once

#include <string>

#include "vg2d/core/Effects.h"

namespace vg {

// Blurs Bitmap with triangular weights over Radius pixels on each side (edge pixels
// repeat), first along rows, then along columns, in time proportional to the pixel count
// whatever the radius. Nothing happens when Radius < 1. Without UseAlpha every pixel
// written gets alpha 0. Target is not used. Radii beyond 2048 blur as 2048.
void StackBlur(TvxCanvas* Target, TvxBitmap* Bitmap, int Radius, bool UseAlpha);

class TvxShadowEffect : public TvxEffect {
  RTL_CLASS(TvxShadowEffect, TvxEffect)
public:
  explicit TvxShadowEffect(rtl::TComponent* AOwner) : TvxEffect(AOwner) {}
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;

  float Distance() const { return distance_; }
  void SetDistance(float Value) { SetField(distance_, Value, &TvxShadowEffect::EffectChanged); }
  float Direction() const { return direction_; }
  void SetDirection(float Value) { SetField(direction_, Value, &TvxShadowEffect::EffectChanged); }
  float Softness() const { return softness_; }
  void SetSoftness(float Value);  // 0..3
  float Opacity() const { return opacity_; }
  void SetOpacity(float Value);  // 0..1
  std::string ShadowColor() const;
  void SetShadowColor(const std::string& Value);
  TvxColor ShadowColorValue() const { return shadowColor_; }

private:
  float distance_ = 3;
  float direction_ = 45;
  float softness_ = 0.3f;
  float opacity_ = 0.6f;
  TvxColor shadowColor_ = 0xFF000000u;
};

class TvxBlurEffect : public TvxEffect {
  RTL_CLASS(TvxBlurEffect, TvxEffect)
public:
  explicit TvxBlurEffect(rtl::TComponent* AOwner);
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;
  float Softness() const { return softness_; }
  void SetSoftness(float Value);  // 0..9

private:
  float softness_ = 0.3f;
};

class TvxGlowEffect : public TvxEffect {
  RTL_CLASS(TvxGlowEffect, TvxEffect)
public:
  explicit TvxGlowEffect(rtl::TComponent* AOwner) : TvxEffect(AOwner) {}
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;
  float Softness() const { return softness_; }
  void SetSoftness(float Value);  // 0..9
  float Opacity() const { return opacity_; }
  void SetOpacity(float Value);  // 0..1
  std::string GlowColor() const;
  void SetGlowColor(const std::string& Value);
  TvxColor GlowColorValue() const { return glowColor_; }

protected:
  // Tints the object's outline in the glow colour, blurs it and clears it under the object.
  void Glow(TvxBitmap* Bitmap);

private:
  float softness_ = 0.4f;
  float opacity_ = 0.9f;
  TvxColor glowColor_ = 0xFFFFD700u;
};

// A glow inside the object's outline, drawn over the object.
class TvxInnerGlowEffect : public TvxGlowEffect {
  RTL_CLASS(TvxInnerGlowEffect, TvxGlowEffect)
public:
  explicit TvxInnerGlowEffect(rtl::TComponent* AOwner);
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;
};

class TvxBevelEffect : public TvxEffect {
  RTL_CLASS(TvxBevelEffect, TvxEffect)
public:
  explicit TvxBevelEffect(rtl::TComponent* AOwner);
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;
  float Direction() const { return direction_; }
  void SetDirection(float Value) { SetField(direction_, Value, &TvxBevelEffect::EffectChanged); }
  int Size() const { return size_; }
  void SetSize(int Value) { SetField(size_, Value, &TvxBevelEffect::EffectChanged); }

private:
  float direction_ = 45;
  int size_ = 10;
};

class TvxReflectionEffect : public TvxEffect {
  RTL_CLASS(TvxReflectionEffect, TvxEffect)
public:
  explicit TvxReflectionEffect(rtl::TComponent* AOwner) : TvxEffect(AOwner) {}
  TvxRect GetRect(const TvxRect& Rect) override;
  TvxPoint GetOffset() override;
  void ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float Scale) override;
  float Opacity() const { return opacity_; }
  void SetOpacity(float Value) { SetField(opacity_, Value, &TvxReflectionEffect::EffectChanged); }
  int Offset() const { return offset_; }
  void SetOffset(int Value) { SetField(offset_, Value, &TvxReflectionEffect::EffectChanged); }
  float Length() const { return length_; }
  void SetLength(float Value);  // 0.1..1

private:
  float opacity_ = 0.5f;
  int offset_ = 0;
  float length_ = 0.5f;
};


}  // namespace vg
