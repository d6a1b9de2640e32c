#include "vg2d/core/Geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vg {

// ---- float -> integer ---------------------------------------------------------------

int64_t SaturatedInt(double Value) {
  if (std::isnan(Value)) return 0;
  // 2^63 is exactly representable; everything below it converts without overflow.
  if (Value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (Value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(Value);
}

int64_t Round(double Value) { return SaturatedInt(std::nearbyint(Value)); }

uint8_t ClampByte(int64_t Value) { return static_cast<uint8_t>(std::clamp<int64_t>(Value, 0, 255)); }

const TvxMatrix IdentityMatrix{1, 0, 0, 0, 1, 0, 0, 0, 1};

// ---- pixel buffers ------------------------------------------------------------------

void MoveSingles(const float* Source, float* Dest, int Count) {
  if (Count > 0) std::memmove(Dest, Source, static_cast<size_t>(Count) * sizeof(float));
}

void FillLongword(uint32_t* Dest, int Count, uint32_t Value) {
  if (Count > 0) std::fill_n(Dest, Count, Value);
}

void FillAlpha(uint32_t* Dest, int Count, uint8_t Alpha) {
  const uint32_t a = static_cast<uint32_t>(Alpha) << 24;
  for (int i = 0; i < Count; ++i) Dest[i] = (Dest[i] & 0x00FFFFFFu) | a;
}

void FillRectLongword(uint32_t* Bits, int Width, int Height, int X1, int Y1, int X2, int Y2,
                      uint32_t Value) {
  // Both ends are clipped, so a rectangle beyond the buffer never reaches outside it.
  X2 = std::min(X2, Width);
  Y2 = std::min(Y2, Height);
  X1 = std::clamp(X1, 0, std::max(X2, 0));
  Y1 = std::clamp(Y1, 0, std::max(Y2, 0));
  if (X2 <= X1) return;
  const size_t count = static_cast<size_t>(X2 - X1);
  // Clearing (to transparent, or to white) is the common case: a value of four equal bytes
  // is set byte by byte, many at a step, where a word loop costs a few instructions a pixel.
  const auto byte = static_cast<unsigned char>(Value & 0xFF);
  const bool bytes = Value == byte * 0x01010101u;
  for (int y = Y1; y < Y2; ++y) {
    uint32_t* row = Bits + static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(X1);
    if (bytes)
      std::memset(row, byte, count * sizeof(uint32_t));
    else
      std::fill_n(row, count, Value);
  }
}

float MaxSingle(float A, float B) { return A > B ? A : B; }
float MinSingle(float A, float B) { return A < B ? A : B; }

void EmptyPixelHook() {}

// ---- construction ---------------------------------------------------------------------

TvxPoint MakePoint(float X, float Y) { return {X, Y}; }
TvxRect MakeRect(float Left, float Top, float Right, float Bottom) { return {Left, Top, Right, Bottom}; }
TvxVector MakeVector(float X, float Y, float W) { return {X, Y, W}; }
TvxVector VectorFromPoint(const TvxPoint& P, float W) { return {P.X, P.Y, W}; }

// ---- rectangles -----------------------------------------------------------------------

void PointsBounds(const TvxPoint* Points, int HighIndex, TvxRect& R) {
  R = {61440, 61440, -61440, -61440};
  for (int i = 0; i <= HighIndex; ++i) {
    const TvxPoint& p = Points[i];
    if (p.X < R.Left) R.Left = p.X;
    if (p.Y < R.Top) R.Top = p.Y;
    if (p.X > R.Right) R.Right = p.X;
    if (p.Y > R.Bottom) R.Bottom = p.Y;
  }
}

TvxRect NormalizeRect(const TvxRect& R) {
  const TvxPoint corners[4] = {{R.Left, R.Top}, {R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}};
  TvxRect result;
  PointsBounds(corners, 3, result);
  return result;
}

TvxRect OffsetRectF(TvxRect& R, float DX, float DY) {
  R.Left += DX;
  R.Right += DX;
  R.Top += DY;
  R.Bottom += DY;
  return R;
}

void MultiplyRect(TvxRect& R, float X, float Y) {
  R.Left *= X;
  R.Right *= X;
  R.Top *= Y;
  R.Bottom *= Y;
}

void InflateRectF(TvxRect& R, float DX, float DY) {
  R.Left -= DX;
  R.Top -= DY;
  R.Right += DX;
  R.Bottom += DY;
}

void UnionRectF(const TvxRect& A, const TvxRect& B, TvxRect& R) {
  R = {MinSingle(A.Left, B.Left), MinSingle(A.Top, B.Top), MaxSingle(A.Right, B.Right),
       MaxSingle(A.Bottom, B.Bottom)};
}

float RectWidth(const TvxRect& R) { return R.Right - R.Left; }
float RectHeight(const TvxRect& R) { return R.Bottom - R.Top; }

TvxRect CenterRect(TvxRect& R, const TvxRect& Bounds) {
  OffsetRectF(R, -R.Left, -R.Top);
  OffsetRectF(R, static_cast<float>(Round((RectWidth(Bounds) - RectWidth(R)) / 2.0)),
              static_cast<float>(Round((RectHeight(Bounds) - RectHeight(R)) / 2.0)));
  OffsetRectF(R, Bounds.Left, Bounds.Top);
  return R;
}

float FitRect(TvxRect& R, const TvxRect& Bounds) {
  if (RectWidth(Bounds) * RectHeight(Bounds) == 0) return 1;
  const float rw = RectWidth(R) / RectWidth(Bounds);
  const float rh = RectHeight(R) / RectHeight(Bounds);
  const float ratio = rw > rh ? rw : rh;
  if (ratio >= 1) {
    R = MakeRect(0, 0, static_cast<float>(Round(RectWidth(R) / ratio)),
                 static_cast<float>(Round(RectHeight(R) / ratio)));
  }
  CenterRect(R, Bounds);
  return ratio;
}

bool IsRectEmptyF(const TvxRect& R) { return RectWidth(R) <= 0 || RectHeight(R) <= 0; }

bool RectsIntersect(const TvxRect& A, const TvxRect& B) {
  return !(A.Left > B.Right || A.Right < B.Left || A.Top > B.Bottom || A.Bottom < B.Top);
}

bool IntersectRectF(TvxRect& R, const TvxRect& A, const TvxRect& B) {
  if (B.Left < A.Right && B.Right > A.Left && B.Top < A.Bottom && B.Bottom > A.Top) {
    R = {MaxSingle(A.Left, B.Left), MaxSingle(A.Top, B.Top), MinSingle(A.Right, B.Right),
         MinSingle(A.Bottom, B.Bottom)};
    return true;
  }
  R = {};
  return false;
}

bool PointInRectF(const TvxPoint& P, const TvxRect& R) {
  return P.X >= R.Left && P.X <= R.Right && P.Y >= R.Top && P.Y <= R.Bottom;
}

// ---- matrices and vectors ---------------------------------------------------------------

TvxMatrix MatrixMultiply(const TvxMatrix& A, const TvxMatrix& B) {
  TvxMatrix r;
  r.m11 = A.m11 * B.m11 + A.m12 * B.m21 + A.m13 * B.m31;
  r.m12 = A.m11 * B.m12 + A.m12 * B.m22 + A.m13 * B.m32;
  r.m13 = A.m11 * B.m13 + A.m12 * B.m23 + A.m13 * B.m33;
  r.m21 = A.m21 * B.m11 + A.m22 * B.m21 + A.m23 * B.m31;
  r.m22 = A.m21 * B.m12 + A.m22 * B.m22 + A.m23 * B.m32;
  r.m23 = A.m21 * B.m13 + A.m22 * B.m23 + A.m23 * B.m33;
  r.m31 = A.m31 * B.m11 + A.m32 * B.m21 + A.m33 * B.m31;
  r.m32 = A.m31 * B.m12 + A.m32 * B.m22 + A.m33 * B.m32;
  r.m33 = A.m31 * B.m13 + A.m32 * B.m23 + A.m33 * B.m33;
  return r;
}

float MatrixDeterminant(const TvxMatrix& M) {
  return M.m11 * (M.m22 * M.m33 - M.m23 * M.m32) - M.m12 * (M.m21 * M.m33 - M.m23 * M.m31) +
         M.m13 * (M.m21 * M.m32 - M.m22 * M.m31);
}

void MatrixAdjoint(TvxMatrix& M) {
  const TvxMatrix a = M;
  M.m11 = a.m22 * a.m33 - a.m23 * a.m32;
  M.m12 = -(a.m12 * a.m33 - a.m13 * a.m32);
  M.m13 = a.m12 * a.m23 - a.m13 * a.m22;
  M.m21 = -(a.m21 * a.m33 - a.m23 * a.m31);
  M.m22 = a.m11 * a.m33 - a.m13 * a.m31;
  M.m23 = -(a.m11 * a.m23 - a.m13 * a.m21);
  M.m31 = a.m21 * a.m32 - a.m22 * a.m31;
  M.m32 = -(a.m11 * a.m32 - a.m12 * a.m31);
  M.m33 = a.m11 * a.m22 - a.m12 * a.m21;
}

void MatrixScale(TvxMatrix& M, float Factor) {
  for (float* e : {&M.m11, &M.m12, &M.m13, &M.m21, &M.m22, &M.m23, &M.m31, &M.m32, &M.m33}) *e *= Factor;
}

void InvertMatrix(TvxMatrix& M) {
  constexpr float kEpsilon = 1e-40f;  // the smallest determinant accepted
  const float det = MatrixDeterminant(M);
  if (std::fabs(det) >= kEpsilon) {
    MatrixAdjoint(M);
    MatrixScale(M, 1 / det);
  } else {
    M = IdentityMatrix;
  }
}

TvxMatrix CreateRotationMatrix(float Angle) {
  float s, c;
  SinCosSingle(s, c, Angle);
  return {c, s, 0, -s, c, 0, 0, 0, 1};
}

TvxVector VectorTransform(const TvxVector& V, const TvxMatrix& M) {
  return {V.X * M.m11 + V.Y * M.m21 + V.W * M.m31, V.X * M.m12 + V.Y * M.m22 + V.W * M.m32, 1};
}

TvxVector VectorSubtract(const TvxVector& A, const TvxVector& B) { return {A.X - B.X, A.Y - B.Y, 1}; }
float VectorNorm(const TvxVector& V) { return V.X * V.X + V.Y * V.Y; }
float VectorLength(const TvxVector& V) { return std::sqrt(VectorNorm(V)); }
float VectorDot(const TvxVector& A, const TvxVector& B) { return A.X * B.X + A.Y * B.Y; }
float VectorCrossZ(const TvxVector& A, const TvxVector& B) { return A.X * B.Y - A.Y * B.X; }

float VectorAngleCosine(const TvxVector& A, const TvxVector& B) {
  const float la = VectorLength(A), lb = VectorLength(B);
  if (la == 0 || lb == 0) return 0;
  return VectorDot(A, B) / (la * lb);
}

float VectorAngle(const TvxVector& A, const TvxVector& B) {
  // Rounding can put the cosine of (anti)parallel vectors just outside -1..1, where
  // arccos has no value; such a cosine means 0 or 180 degrees.
  const float cosine = std::clamp(VectorAngleCosine(A, B), -1.0f, 1.0f);
  float angle = RadToDegree(std::acos(cosine));
  if (VectorCrossZ(A, B) >= 0) angle = -angle;
  return angle;
}

// ---- angles and scalars -----------------------------------------------------------------

void SinCosSingle(float& Sin, float& Cos, float Angle) {
  Sin = std::sin(Angle);
  Cos = std::cos(Angle);
}

float RadToDegree(float A) { return A * 57.29578f; }
float DegreeToRad(float A) { return A * 0.01745329f; }

float NormalizeAngle(float A) {
  // The whole turns are taken off exactly (fmod is exact), so an angle of any size lands in
  // range; one that is no number or infinite is no turn at all.
  if (!std::isfinite(A)) return 0;
  const float r = std::fmod(A, 360.0f);
  return r < -180 ? r + 360 : r;
}

float InterpolateSingle(float Start, float Stop, float T) { return Start + (Stop - Start) * T; }

// ---- rows of tiles ---------------------------------------------------------------------------

TvxIndexSpan SpansMeeting(double Start, double Step, double Extent, int64_t Count, double Lo, double Hi) {
  if (Count <= 0) return {};
  const double first = std::floor((Lo - Start - Extent) / Step), last = std::ceil((Hi - Start) / Step);
  if (!(Step > 0) || std::isnan(first) || std::isnan(last)) return {0, Count - 1};
  return {static_cast<int64_t>(std::clamp(first, 0.0, static_cast<double>(Count))),
          static_cast<int64_t>(std::clamp(last, -1.0, static_cast<double>(Count - 1)))};
}

double TilePixels(const TvxMatrix& M, double StepX, bool RepeatsX, double StepY, bool RepeatsY) {
  double x = std::fabs(StepX) * std::hypot(double{M.m11}, double{M.m12});
  double y = std::fabs(StepY) * std::hypot(double{M.m21}, double{M.m22});
  if (!RepeatsX) x = std::max(x, 1.0);
  if (!RepeatsY) y = std::max(y, 1.0);
  return x * y;
}

}  // namespace vg
