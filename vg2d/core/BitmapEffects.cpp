#include "vg2d/core/BitmapEffects.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "vg2d/core/Colors.h"

namespace vg {

// ---- the stack blur ------------------------------------------------------------------------------

namespace {

constexpr int MaxBlurRadius = 2048;  // (2049^2) x 255 still fits an int

// One pass along Count values spaced Step apart (Get reads value i, Put writes result i);
// triangular weights over Radius values on each side, edges repeated.
struct BlurLine {
  int radius;
  int div;
  std::vector<int> ring;  // 4 channels per entry
  const std::vector<int>* table;
  int divsum;

  int Divide(int Sum) const { return table ? (*table)[static_cast<size_t>(Sum)] : Sum / divsum; }

  template <class Get, class Put> void Run(int Count, int Channels, Get get, Put put) {
    int sum[4] = {}, in[4] = {}, out[4] = {};
    for (int i = -radius; i <= radius; ++i) {
      int v[4] = {};
      get(std::clamp(i, 0, Count - 1), v);
      int* slot = &ring[static_cast<size_t>(i + radius) * 4];
      const int weight = radius + 1 - std::abs(i);
      for (int c = 0; c < Channels; ++c) {
        slot[c] = v[c];
        sum[c] += v[c] * weight;
        (i > 0 ? in : out)[c] += v[c];
      }
    }
    int sp = radius;
    for (int x = 0; x < Count; ++x) {
      int r[4];
      for (int c = 0; c < 4; ++c) r[c] = c < Channels ? Divide(sum[c]) : 0;
      put(x, r);
      // Leave the oldest value, take the next one in.
      int* oldest = &ring[static_cast<size_t>((sp - radius + div) % div) * 4];
      int v[4] = {};
      get(std::min(x + radius + 1, Count - 1), v);
      for (int c = 0; c < Channels; ++c) {
        sum[c] -= out[c];
        out[c] -= oldest[c];
        oldest[c] = v[c];
        in[c] += v[c];
        sum[c] += in[c];
      }
      sp = (sp + 1) % div;
      const int* mid = &ring[static_cast<size_t>(sp) * 4];
      for (int c = 0; c < Channels; ++c) {
        out[c] += mid[c];
        in[c] -= mid[c];
      }
    }
  }
};

}  // namespace

void StackBlur(TvxCanvas*, TvxBitmap* Bitmap, int Radius, bool UseAlpha) {
  if (!Bitmap || Radius < 1 || Bitmap->IsEmpty()) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  const int radius = std::min(Radius, MaxBlurRadius);
  const int div = 2 * radius + 1;
  const int divsum = (radius + 1) * (radius + 1);
  // The division table, while it stays small; larger radii divide.
  std::vector<int> table;
  if (radius <= 32) {
    table.resize(static_cast<size_t>(256) * divsum);
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<int>(i / static_cast<size_t>(divsum));
  }
  BlurLine line{radius, div, std::vector<int>(static_cast<size_t>(div) * 4), table.empty() ? nullptr : &table, divsum};
  const int channels = UseAlpha ? 4 : 3;
  const size_t n = static_cast<size_t>(w) * h;
  std::vector<int> planes(n * 4);  // b, g, r, a of each pixel
  uint32_t* bits = Bitmap->Bits();
  for (int y = 0; y < h; ++y) {
    const uint32_t* row = bits + static_cast<size_t>(y) * w;
    int* dst = planes.data() + static_cast<size_t>(y) * w * 4;
    line.Run(
        w, channels,
        [&](int i, int* v) {
          const uint32_t p = row[i];
          v[0] = static_cast<int>(p & 0xFF);
          v[1] = static_cast<int>((p >> 8) & 0xFF);
          v[2] = static_cast<int>((p >> 16) & 0xFF);
          v[3] = static_cast<int>(p >> 24);
        },
        [&](int i, const int* r) { std::copy(r, r + 4, dst + static_cast<size_t>(i) * 4); });
  }
  for (int x = 0; x < w; ++x) {
    line.Run(
        h, channels,
        [&](int i, int* v) {
          const int* src = planes.data() + (static_cast<size_t>(i) * w + x) * 4;
          std::copy(src, src + 4, v);
        },
        [&](int i, const int* r) {
          bits[static_cast<size_t>(i) * w + x] = static_cast<uint32_t>(r[3]) << 24 | static_cast<uint32_t>(r[2]) << 16 |
                                                 static_cast<uint32_t>(r[1]) << 8 | static_cast<uint32_t>(r[0]);
        });
  }
  Bitmap->BitmapChanged();
}

// ---- shared steps ------------------------------------------------------------------------------

namespace {

TvxRect Grown(const TvxRect& R, float By) {
  TvxRect r = R;
  InflateRectF(r, By, By);
  return r;
}

float Clamped(float Value, float Lo, float Hi) {
  if (std::isnan(Value)) return Lo;
  return std::clamp(Value, Lo, Hi);
}

int Softness20(float Softness) { return static_cast<int>(Trunc(Softness * 20.0)); }
int SoftnessRadius(float Softness) { return static_cast<int>(Trunc(Softness * 10.0 + 5)); }

TvxColor WithOpacity(TvxColor C, float Opacity) { return ApplyOpacity(C, Opacity); }

double Radians(float Degrees) { return Degrees * M_PI / 180.0; }

// Tints the object's outline in Color at Opacity, blurs it by Softness and clears it where
// the object covers it once the result is drawn moved by (-Dx, -Dy): the shadow and the glow.
void TintBlurAndClear(TvxBitmap* Bitmap, TvxColor Color, float Opacity, float Softness, int Dx, int Dy) {
  const std::vector<uint8_t> mask = Bitmap->CreateMask();
  Bitmap->SetColorKeepAlpha(WithOpacity(Color, Opacity));
  StackBlur(nullptr, Bitmap, SoftnessRadius(Softness), true);
  Bitmap->ApplyMask(mask, Dx, Dy);
}

}  // namespace

// ---- shadow ------------------------------------------------------------------------------------

rtl::TClass TvxShadowEffect::StaticClass() {
  using S = TvxShadowEffect;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Distance", &S::Distance, &S::SetDistance)
                                          .NoDefault()
                                          .Property("Direction", &S::Direction, &S::SetDirection)
                                          .NoDefault()
                                          .Property("Softness", &S::Softness, &S::SetSoftness)
                                          .NoDefault()
                                          .Property("Opacity", &S::Opacity, &S::SetOpacity)
                                          .NoDefault()
                                          .Property("ShadowColor", &S::ShadowColor, &S::SetShadowColor)
                                          .NoDefault()
                                          .Build();
  return &info;
}

void TvxShadowEffect::SetSoftness(float Value) {
  SetField(softness_, Clamped(Value, 0, 3), &TvxShadowEffect::EffectChanged);
}
void TvxShadowEffect::SetOpacity(float Value) {
  SetField(opacity_, Clamped(Value, 0, 1), &TvxShadowEffect::EffectChanged);
}
std::string TvxShadowEffect::ShadowColor() const { return ColorToString(shadowColor_); }
void TvxShadowEffect::SetShadowColor(const std::string& Value) {
  SetField(shadowColor_, StringToColor(Value), &TvxShadowEffect::EffectChanged);
}

TvxRect TvxShadowEffect::GetRect(const TvxRect& Rect) {
  TvxRect r = Grown(Rect, static_cast<float>(Softness20(softness_)));
  const double d = Radians(direction_);
  OffsetRectF(r, static_cast<float>(distance_ * std::cos(d)), static_cast<float>(distance_ * std::sin(d)));
  return r;
}

TvxPoint TvxShadowEffect::GetOffset() {
  const float s = static_cast<float>(Softness20(softness_));
  return {s, s};
}

void TvxShadowEffect::ProcessEffect(TvxCanvas*, TvxBitmap* Bitmap, float Scale) {
  if (!Bitmap) return;
  const double d = Radians(direction_);
  const double px = distance_ * std::cos(d) * Scale, py = distance_ * std::sin(d) * Scale;
  // The shadow is drawn moved by P.
  TintBlurAndClear(Bitmap, shadowColor_, opacity_, softness_,
                   static_cast<int>(std::clamp<int64_t>(-Round(px), -MaxEffectBitmapSide, MaxEffectBitmapSide)),
                   static_cast<int>(std::clamp<int64_t>(-Round(py), -MaxEffectBitmapSide, MaxEffectBitmapSide)));
}

// ---- blur --------------------------------------------------------------------------------------

rtl::TClass TvxBlurEffect::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBlurEffect>()
                                          .Property("Softness", &TvxBlurEffect::Softness, &TvxBlurEffect::SetSoftness)
                                          .NoDefault()
                                          .Build();
  return &info;
}

TvxBlurEffect::TvxBlurEffect(rtl::TComponent* AOwner) : TvxEffect(AOwner) { SetFlags(true, false); }

void TvxBlurEffect::SetSoftness(float Value) {
  SetField(softness_, Clamped(Value, 0, 9), &TvxBlurEffect::EffectChanged);
}
TvxRect TvxBlurEffect::GetRect(const TvxRect& Rect) { return Grown(Rect, static_cast<float>(Softness20(softness_))); }
TvxPoint TvxBlurEffect::GetOffset() {
  const float s = static_cast<float>(Softness20(softness_));
  return {s, s};
}
void TvxBlurEffect::ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float) {
  if (softness_ > 0) StackBlur(Target, Bitmap, static_cast<int>(Trunc(softness_ * 15.0)), true);
}

// ---- glow and inner glow -------------------------------------------------------------------------

rtl::TClass TvxGlowEffect::StaticClass() {
  using G = TvxGlowEffect;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Property("Softness", &G::Softness, &G::SetSoftness)
                                          .NoDefault()
                                          .Property("Opacity", &G::Opacity, &G::SetOpacity)
                                          .NoDefault()
                                          .Property("GlowColor", &G::GlowColor, &G::SetGlowColor)
                                          .NoDefault()
                                          .Build();
  return &info;
}

void TvxGlowEffect::SetSoftness(float Value) {
  SetField(softness_, Clamped(Value, 0, 9), &TvxGlowEffect::EffectChanged);
}
void TvxGlowEffect::SetOpacity(float Value) {
  SetField(opacity_, Clamped(Value, 0, 1), &TvxGlowEffect::EffectChanged);
}
std::string TvxGlowEffect::GlowColor() const { return ColorToString(glowColor_); }
void TvxGlowEffect::SetGlowColor(const std::string& Value) {
  SetField(glowColor_, StringToColor(Value), &TvxGlowEffect::EffectChanged);
}

TvxRect TvxGlowEffect::GetRect(const TvxRect& Rect) {
  return Grown(Rect, static_cast<float>(Trunc(softness_ * 23.0) + 4));
}
TvxPoint TvxGlowEffect::GetOffset() {
  const float g = static_cast<float>(Trunc(softness_ * 23.0) + 4);
  return {g, g};
}

void TvxGlowEffect::Glow(TvxBitmap* Bitmap) { TintBlurAndClear(Bitmap, glowColor_, opacity_, softness_, 0, 0); }

void TvxGlowEffect::ProcessEffect(TvxCanvas*, TvxBitmap* Bitmap, float) {
  if (Bitmap) Glow(Bitmap);
}

rtl::TClass TvxInnerGlowEffect::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxInnerGlowEffect>().Build();
  return &info;
}

TvxInnerGlowEffect::TvxInnerGlowEffect(rtl::TComponent* AOwner) : TvxGlowEffect(AOwner) { SetFlags(false, true); }

TvxRect TvxInnerGlowEffect::GetRect(const TvxRect& Rect) {
  return Grown(Rect, static_cast<float>(Softness20(Softness())));
}
TvxPoint TvxInnerGlowEffect::GetOffset() {
  const float s = static_cast<float>(Softness20(Softness()));
  return {s, s};
}
void TvxInnerGlowEffect::ProcessEffect(TvxCanvas*, TvxBitmap* Bitmap, float) {
  if (!Bitmap) return;
  Bitmap->InvertAlpha();
  Glow(Bitmap);
}

// ---- bevel -------------------------------------------------------------------------------------

rtl::TClass TvxBevelEffect::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxBevelEffect>()
          .Property("Direction", &TvxBevelEffect::Direction, &TvxBevelEffect::SetDirection)
          .NoDefault()
          .Property("Size", &TvxBevelEffect::Size, &TvxBevelEffect::SetSize)
          .NoDefault()
          .Build();
  return &info;
}

TvxBevelEffect::TvxBevelEffect(rtl::TComponent* AOwner) : TvxEffect(AOwner) { SetFlags(true, false); }

TvxRect TvxBevelEffect::GetRect(const TvxRect& Rect) { return Grown(Rect, 5); }
TvxPoint TvxBevelEffect::GetOffset() { return {5, 5}; }

void TvxBevelEffect::ProcessEffect(TvxCanvas* Target, TvxBitmap* Bitmap, float) {
  if (!Bitmap || size_ == 0 || Bitmap->IsEmpty()) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  TvxBitmap height(w, h);
  std::copy(Bitmap->Bits(), Bitmap->Bits() + static_cast<size_t>(w) * h, height.Bits());
  StackBlur(Target, &height, size_, true);
  const double d = Radians(direction_);
  const double lx = std::cos(d), ly = 0, lz = std::sin(d);
  const uint32_t* hb = height.Bits();
  uint32_t* bits = Bitmap->Bits();
  auto alphaAt = [&](int X, int Y) { return AlphaOf(hb[static_cast<size_t>(Y) * w + X]) / 255.0; };
  for (int y = h - 2; y >= 0; --y)
    for (int x = w - 2; x >= 0; --x) {
      uint32_t& p = bits[static_cast<size_t>(y) * w + x];
      const uint8_t a = AlphaOf(p);
      if (a == 0) continue;
      const double ad = alphaAt(x, y + 1), ar = alphaAt(x + 1, y), ac = alphaAt(x + 1, y + 1);
      const double nx = ac - ar, ny = 1, nz = ac - ad;
      const double lengths = std::sqrt(lx * lx + ly * ly + lz * lz) * std::sqrt(nx * nx + ny * ny + nz * nz);
      const double c = lengths <= 1e-40 ? 1 : (lx * nx + ly * ny + lz * nz) / lengths;
      const TvxColor lit = ChangeHSL(UnpremultiplyAlpha(p), 0, 0, static_cast<float>(0.4 * c * size_));
      p = PremultiplyAlpha(ApplyOpacity(lit, a / 255.0f));
    }
  Bitmap->BitmapChanged();
}

// ---- reflection --------------------------------------------------------------------------------

rtl::TClass TvxReflectionEffect::StaticClass() {
  using R = TvxReflectionEffect;
  static const rtl::TClassInfo info = rtl::DefineClass<R>()
                                          .Property("Opacity", &R::Opacity, &R::SetOpacity)
                                          .NoDefault()
                                          .Property("Offset", &R::Offset, &R::SetOffset)
                                          .NoDefault()
                                          .Property("Length", &R::Length, &R::SetLength)
                                          .NoDefault()
                                          .Build();
  return &info;
}

void TvxReflectionEffect::SetLength(float Value) {
  SetField(length_, Clamped(Value, 0.1f, 1), &TvxReflectionEffect::EffectChanged);
}

TvxRect TvxReflectionEffect::GetRect(const TvxRect& Rect) {
  TvxRect r = Grown(Rect, 2);
  OffsetRectF(r, 0, RectHeight(Rect) + static_cast<float>(offset_));
  return r;
}
TvxPoint TvxReflectionEffect::GetOffset() { return {2, 2}; }

void TvxReflectionEffect::ProcessEffect(TvxCanvas*, TvxBitmap* Bitmap, float) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  const int64_t l = Round((h - 1) * static_cast<double>(length_));
  Bitmap->FlipVertical();
  uint32_t* bits = Bitmap->Bits();
  for (int r = 0; r < h; ++r) {
    uint32_t* row = bits + static_cast<size_t>(h - 1 - r) * w;
    if (l <= 0 || r <= (h - 1) - l) {
      std::fill(row, row + w, 0u);
      continue;
    }
    const double fade = static_cast<double>(r - (h - 1 - l)) / static_cast<double>(l) * opacity_;
    for (int x = 0; x < w; ++x) {
      const uint8_t a = AlphaOf(row[x]);
      if (a == 0) continue;
      const TvxColor c = UnpremultiplyAlpha(row[x]);
      const uint8_t na = ClampByte(Trunc(fade * a));
      row[x] = PremultiplyAlpha((c & 0x00FFFFFFu) | static_cast<uint32_t>(na) << 24);
    }
  }
  Bitmap->BitmapChanged();
}

}  // namespace vg
