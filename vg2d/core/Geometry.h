// Value types and plain functions of the 2D library: points, rectangles, homogeneous
// vectors and 3x3 matrices in single precision, pixel-buffer helpers, angles, and the
// saturating float -> integer conversions that every part of the library uses.
#pragma once

#include <cstdint>

namespace vg {

// ---- float -> integer ---------------------------------------------------------------

// The one conversion of a float to an integer: cuts toward zero; NaN gives 0, values
// beyond the 64-bit range give its nearest end. Every Trunc/Round of the library goes
// through here, so no NaN or infinity (masked float errors make them common) is ever
// converted with undefined behaviour.
int64_t SaturatedInt(double Value);
// Cuts toward zero (saturating).
inline int64_t Trunc(double Value) { return SaturatedInt(Value); }
// Nearest whole number, halves to even (saturating).
int64_t Round(double Value);
// A channel value cut into 0..255.
uint8_t ClampByte(int64_t Value);

// ---- value types --------------------------------------------------------------------

struct TvxPoint {
  float X = 0;
  float Y = 0;
  bool operator==(const TvxPoint&) const = default;
};

// Not kept normalised: Width = Right - Left may be negative.
struct TvxRect {
  float Left = 0;
  float Top = 0;
  float Right = 0;
  float Bottom = 0;
  bool operator==(const TvxRect&) const = default;
};

// A 2D point in homogeneous form; W is 1 for every vector the functions produce.
struct TvxVector {
  float X = 0;
  float Y = 0;
  float W = 0;
  bool operator==(const TvxVector&) const = default;
};

// 3x3 matrix for row vectors: (x', y', w') = (x, y, w) x M. The translation is in the
// third row, and A x B applies A first, then B.
struct TvxMatrix {
  float m11 = 0, m12 = 0, m13 = 0;
  float m21 = 0, m22 = 0, m23 = 0;
  float m31 = 0, m32 = 0, m33 = 0;
  bool operator==(const TvxMatrix&) const = default;
};

extern const TvxMatrix IdentityMatrix;

// ---- pixel buffers (counts in 32-bit pixels) -------------------------------------------

void MoveSingles(const float* Source, float* Dest, int Count);
void FillLongword(uint32_t* Dest, int Count, uint32_t Value);
// Sets the alpha byte of Count ARGB pixels, leaving R, G and B.
void FillAlpha(uint32_t* Dest, int Count, uint8_t Alpha);
// Fills rows Y1 .. Y2-1 and columns X1 .. X2-1 of a Width x Height buffer (row-major,
// no padding). The rectangle is clipped to the buffer; an empty or inverted one fills
// nothing.
void FillRectLongword(uint32_t* Bits, int Width, int Height, int X1, int Y1, int X2, int Y2,
                      uint32_t Value);
float MaxSingle(float A, float B);
float MinSingle(float A, float B);
// Called by pixel-painting code before it works on a pixel buffer; does nothing.
void EmptyPixelHook();

// ---- construction ---------------------------------------------------------------------

TvxPoint MakePoint(float X, float Y);
TvxRect MakeRect(float Left, float Top, float Right, float Bottom);
TvxVector MakeVector(float X, float Y, float W = 1);
TvxVector VectorFromPoint(const TvxPoint& P, float W = 1);

// ---- rectangles -----------------------------------------------------------------------

// Bounding rectangle of Points[0 .. HighIndex]; with no points (HighIndex < 0) the
// result is the start rectangle (61440, 61440, -61440, -61440).
void PointsBounds(const TvxPoint* Points, int HighIndex, TvxRect& R);
TvxRect NormalizeRect(const TvxRect& R);
TvxRect OffsetRectF(TvxRect& R, float DX, float DY);
void MultiplyRect(TvxRect& R, float X, float Y);
void InflateRectF(TvxRect& R, float DX, float DY);
void UnionRectF(const TvxRect& A, const TvxRect& B, TvxRect& R);
float RectWidth(const TvxRect& R);
float RectHeight(const TvxRect& R);
// Centres R's size in Bounds (offsets rounded, halves to even); also returns R.
TvxRect CenterRect(TvxRect& R, const TvxRect& Bounds);
// Shrinks R (never enlarges it) to fit Bounds keeping its proportions, then centres
// it; returns the ratio of R's size to Bounds' (1 when Bounds has no area).
float FitRect(TvxRect& R, const TvxRect& Bounds);
bool IsRectEmptyF(const TvxRect& R);
// Touching rectangles intersect.
bool RectsIntersect(const TvxRect& A, const TvxRect& B);
// Strict: touching rectangles do not intersect; R is all zeros then.
bool IntersectRectF(TvxRect& R, const TvxRect& A, const TvxRect& B);
// All four edges inclusive.
bool PointInRectF(const TvxPoint& P, const TvxRect& R);

// ---- matrices and vectors ---------------------------------------------------------------

TvxMatrix MatrixMultiply(const TvxMatrix& A, const TvxMatrix& B);
float MatrixDeterminant(const TvxMatrix& M);
void MatrixAdjoint(TvxMatrix& M);
void MatrixScale(TvxMatrix& M, float Factor);
// M becomes its inverse, or the identity when |det| < 1e-40.
void InvertMatrix(TvxMatrix& M);
// Angle in radians.
TvxMatrix CreateRotationMatrix(float Angle);

TvxVector VectorTransform(const TvxVector& V, const TvxMatrix& M);
TvxVector VectorSubtract(const TvxVector& A, const TvxVector& B);
float VectorNorm(const TvxVector& V);
float VectorLength(const TvxVector& V);
float VectorDot(const TvxVector& A, const TvxVector& B);
float VectorCrossZ(const TvxVector& A, const TvxVector& B);
float VectorAngleCosine(const TvxVector& A, const TvxVector& B);
// Angle between A and B in degrees, negative when the cross product is >= 0.
float VectorAngle(const TvxVector& A, const TvxVector& B);

// ---- rows of tiles ---------------------------------------------------------------------------

// The first and last index i in [0, Count) of the spans [Start + i x Step, Start + i x Step +
// Extent] that meet the open range (Lo, Hi), give or take one at either end; First > Last when
// none can. All of [0, Count) when a value is no number (Step must be above 0 to cut).
struct TvxIndexSpan {
  int64_t First = 0, Last = -1;
};
TvxIndexSpan SpansMeeting(double Start, double Step, double Extent, int64_t Count, double Lo, double Hi);
// The device pixels a tile StepX x StepY apart from the next takes under M (the lengths of its
// sides there multiplied); a side along which the tiles do not repeat counts as at least one
// pixel, as it adds no tiles. Below 1, tiles are more than the pixels they lie on.
double TilePixels(const TvxMatrix& M, double StepX, bool RepeatsX, double StepY, bool RepeatsY);

// ---- angles and scalars -----------------------------------------------------------------

void SinCosSingle(float& Sin, float& Cos, float Angle);
float RadToDegree(float A);
float DegreeToRad(float A);
// Brings A into [-180, 360): 270 stays 270, -270 becomes 90, 1e30 becomes 120 (whole turns
// are taken off exactly); an angle that is no number or infinite gives 0.
float NormalizeAngle(float A);
float InterpolateSingle(float Start, float Stop, float T);

}  // namespace vg
