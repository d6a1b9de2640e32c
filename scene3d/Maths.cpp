#include "scene3d/Maths.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "vg2d/core/Geometry.h"

namespace dx {

// ---- vectors and points -------------------------------------------------------------------------

TdxVector dxVector(float X, float Y, float Z, float W) { return {X, Y, Z, W}; }

TdxVector dxVectorFromPoint(const TdxPoint3D& P, float W) { return {P.X, P.Y, P.Z, W}; }

TdxPoint3D dxPoint3D(float X, float Y, float Z) { return {X, Y, Z}; }

TdxVector dxVectorAdd(const TdxVector& A, const TdxVector& B) { return {A.X + B.X, A.Y + B.Y, A.Z + B.Z, 1}; }

TdxVector dxVectorSubtract(const TdxVector& A, const TdxVector& B) { return {A.X - B.X, A.Y - B.Y, A.Z - B.Z, 1}; }

TdxVector dxVectorScale(const TdxVector& A, float F) { return {A.X * F, A.Y * F, A.Z * F, 1}; }

TdxVector dxVectorAddScaled(const TdxVector& P, const TdxVector& D, float T) {
  return {P.X + T * D.X, P.Y + T * D.Y, P.Z + T * D.Z, 1};
}

TdxVector dxVectorCombine(const TdxVector& A, const TdxVector& B, float FA, float FB) {
  return {FA * A.X + FB * B.X, FA * A.Y + FB * B.Y, FA * A.Z + FB * B.Z, FA * A.W + FB * B.W};
}

float dxVectorDot(const TdxVector& A, const TdxVector& B) { return A.X * B.X + A.Y * B.Y + A.Z * B.Z; }

TdxVector dxVectorCross(const TdxVector& A, const TdxVector& B) {
  return {A.Y * B.Z - A.Z * B.Y, A.Z * B.X - A.X * B.Z, A.X * B.Y - A.Y * B.X, 1};
}

float dxVectorNorm(const TdxVector& A) { return A.X * A.X + A.Y * A.Y + A.Z * A.Z; }

float dxVectorLength(const TdxVector& A) { return static_cast<float>(std::sqrt(static_cast<double>(dxVectorNorm(A)))); }

TdxVector dxVectorNormalize(const TdxVector& A) {
  const float f = dxInvSqrt(dxVectorNorm(A));
  return {A.X * f, A.Y * f, A.Z * f, 0};
}

float dxPointPlaneDistance(const TdxVector& P, const TdxVector& Q, const TdxVector& N) {
  return (P.X - Q.X) * N.X + (P.Y - Q.Y) * N.Y + (P.Z - Q.Z) * N.Z;
}

float dxVectorDistance2(const TdxVector& A, const TdxVector& B) { return dxVectorNorm(dxVectorSubtract(A, B)); }

TdxVector dxTriangleNormal(const TdxVector& P1, const TdxVector& P2, const TdxVector& P3) {
  return dxVectorNormalize(dxVectorCross(dxVectorSubtract(P2, P1), dxVectorSubtract(P3, P1)));
}

float dxVectorAngleCosine(const TdxVector& A, const TdxVector& B) {
  const float dot = dxVectorDot(A, B);
  const float lengths = dxVectorLength(A) * dxVectorLength(B);
  return lengths > Epsilon ? dot / lengths : dot / Epsilon;
}

TdxVector dxVectorTransform(const TdxVector& V, const TdxMatrix& M) {
  TdxVector r;
  r.X = V.X * M.M[0][0] + V.Y * M.M[1][0] + V.Z * M.M[2][0] + V.W * M.M[3][0];
  r.Y = V.X * M.M[0][1] + V.Y * M.M[1][1] + V.Z * M.M[2][1] + V.W * M.M[3][1];
  r.Z = V.X * M.M[0][2] + V.Y * M.M[1][2] + V.Z * M.M[2][2] + V.W * M.M[3][2];
  r.W = 1;
  return r;
}

float dxInvSqrt(float X) {
  if (X == 0) return 1;
  return static_cast<float>(1 / std::sqrt(std::fabs(static_cast<double>(X))));
}

// ---- matrices -----------------------------------------------------------------------------------

TdxMatrix dxMatrixMultiply(const TdxMatrix& A, const TdxMatrix& B) {
  TdxMatrix c;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      c.M[i][j] = A.M[i][0] * B.M[0][j] + A.M[i][1] * B.M[1][j] + A.M[i][2] * B.M[2][j] + A.M[i][3] * B.M[3][j];
  return c;
}

float dxMatrixDet3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3) {
  return a1 * (b2 * c3 - b3 * c2) - b1 * (a2 * c3 - a3 * c2) + c1 * (a2 * b3 - a3 * b2);
}

namespace {

// The determinant of M without row Row and column Col.
float Minor(const TdxMatrix& M, int Row, int Col) {
  int r[3], c[3];
  for (int i = 0, n = 0; i < 4; ++i)
    if (i != Row) r[n++] = i;
  for (int j = 0, n = 0; j < 4; ++j)
    if (j != Col) c[n++] = j;
  const auto& m = M.M;
  return dxMatrixDet3(m[r[0]][c[0]], m[r[1]][c[0]], m[r[2]][c[0]], m[r[0]][c[1]], m[r[1]][c[1]], m[r[2]][c[1]],
                      m[r[0]][c[2]], m[r[1]][c[2]], m[r[2]][c[2]]);
}

float Sign(int I, int J) { return (I + J) % 2 == 0 ? 1.0f : -1.0f; }

}  // namespace

float dxMatrixDeterminant(const TdxMatrix& M) {
  float det = 0;
  for (int j = 0; j < 4; ++j) det += Sign(0, j) * M.M[0][j] * Minor(M, 0, j);
  return det;
}

void dxMatrixAdjoint(TdxMatrix& M) {
  TdxMatrix adj;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) adj.M[j][i] = Sign(i, j) * Minor(M, i, j);
  M = adj;
}

void dxMatrixScale(TdxMatrix& M, float F) {
  for (auto& row : M.M)
    for (float& e : row) e *= F;
}

void dxMatrixInvert(TdxMatrix& M) {
  const float det = dxMatrixDeterminant(M);
  // Written so that a NaN determinant also gives the identity.
  if (!(std::fabs(det) >= Epsilon)) {
    M = IdentityMatrix;
    return;
  }
  dxMatrixAdjoint(M);
  dxMatrixScale(M, 1 / det);
}

TdxMatrix dxMatrixOrthoOffCenterRH(float L, float R, float B, float T, float ZN, float ZF) {
  TdxMatrix m = IdentityMatrix;
  m.M[0][0] = 2 / (R - L);
  m.M[1][1] = 2 / (T - B);
  m.M[2][2] = 1 / (ZN - ZF);
  m.M[3][0] = (L + R) / (L - R);
  m.M[3][1] = (T + B) / (B - T);
  m.M[3][2] = ZN / (ZN - ZF);
  return m;
}

TdxMatrix dxMatrixPerspectiveFovRH(float FovY, float Aspect, float ZN, float ZF) {
  TdxMatrix m = IdentityMatrix;
  m.M[1][1] = static_cast<float>(1 / std::tan(FovY / 2.0));
  m.M[0][0] = m.M[1][1] / Aspect;
  m.M[2][2] = ZF / (ZN - ZF);
  m.M[2][3] = -1;
  m.M[3][2] = ZN * ZF / (ZN - ZF);
  m.M[3][3] = 0;
  return m;
}

TdxMatrix dxMatrixLookDirRH(const TdxVector& Eye, const TdxVector& Dir, const TdxVector& Up) {
  const TdxVector z = dxVectorNormalize(dxVectorScale(Dir, -1));
  const TdxVector x = dxVectorNormalize(dxVectorCross(Up, z));
  TdxVector y = dxVectorCross(z, x);
  y.W = 0;
  TdxMatrix m;
  m.M[0][0] = x.X, m.M[0][1] = y.X, m.M[0][2] = z.X;
  m.M[1][0] = x.Y, m.M[1][1] = y.Y, m.M[1][2] = z.Y;
  m.M[2][0] = x.Z, m.M[2][1] = y.Z, m.M[2][2] = z.Z;
  m.M[3][0] = -dxVectorDot(x, Eye);
  m.M[3][1] = -dxVectorDot(y, Eye);
  m.M[3][2] = -dxVectorDot(z, Eye);
  m.M[3][3] = 1;
  return m;
}

// ---- angles and scalars -------------------------------------------------------------------------

float dxDegToRad(float A) { return A * DegToRadFactor; }

float dxRadToDeg(float A) { return A * RadToDegFactor; }

float dxNormalizeAngle(float A) { return vg::NormalizeAngle(A); }

void dxSinCos(float A, float& Sin, float& Cos) {
  // The runtime reduces radians exactly; a reduction by whole degrees' turns would not.
  Sin = static_cast<float>(std::sin(static_cast<double>(A)));
  Cos = static_cast<float>(std::cos(static_cast<double>(A)));
}

float dxArcCos(float X) {
  if (X >= 1) return 0;
  if (X <= -1) return std::numbers::pi_v<float>;
  return static_cast<float>(std::acos(static_cast<double>(X)));
}

float dxMax(float A, float B) { return B > A ? B : A; }

float dxInterpolateSingle(float Start, float Stop, float T) { return Start + (Stop - Start) * T; }

TdxColor dxInterpolateColor(TdxColor Start, TdxColor Stop, float T) {
  TdxColor result = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((Start >> shift) & 0xFF);
    const int b = static_cast<int>((Stop >> shift) & 0xFF);
    double step = std::trunc(static_cast<double>(b - a) * T);
    if (std::isnan(step)) step = 0;
    // Easing curves that overshoot (back, elastic) must not wrap a channel around.
    const double v = std::clamp(a + step, 0.0, 255.0);
    result |= static_cast<TdxColor>(v) << shift;
  }
  return result;
}

TdxColor dxOpacityColor(TdxColor Color, float Opacity) {
  if (!(Opacity < 1)) return Color;
  const float alpha = std::trunc(static_cast<float>(Color >> 24) * std::max(Opacity, 0.0f));
  return (Color & 0x00FFFFFF) | (static_cast<TdxColor>(alpha) << 24);
}

TdxColorRGBA dxColorToRGBA(TdxColor Color) {
  return {static_cast<float>((Color >> 16) & 0xFF) / 255.0f, static_cast<float>((Color >> 8) & 0xFF) / 255.0f,
          static_cast<float>(Color & 0xFF) / 255.0f, static_cast<float>(Color >> 24) / 255.0f};
}

// ---- rays ---------------------------------------------------------------------------------------

bool dxRayHitsSphere(const TdxVector& Start, const TdxVector& Dir, const TdxVector& Centre, float Radius) {
  float proj = dxVectorDot(dxVectorSubtract(Centre, Start), Dir);
  if (proj < 0) proj = 0;
  const TdxVector closest = dxVectorAddScaled(Start, Dir, proj);
  return dxVectorDistance2(Centre, closest) <= Radius * Radius;
}

int dxRaySphereIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& Centre, float Radius,
                         TdxVector& Near, TdxVector& Far) {
  const float proj = dxVectorDot(dxVectorSubtract(Centre, Start), Dir);
  const TdxVector closest = dxVectorAddScaled(Start, Dir, proj);
  const float d = Radius * Radius - dxVectorDistance2(Centre, closest);
  // A negative zero counts as negative: the ray passes just outside.
  if (std::signbit(d) || std::isnan(d)) return 0;
  if (d == 0) {
    if (!(proj > 0)) return 0;
    Near = closest;
    return 1;
  }
  const float s = std::sqrt(d);
  if (proj >= s) {
    Near = dxVectorAddScaled(Start, Dir, proj - s);
    Far = dxVectorAddScaled(Start, Dir, proj + s);
    return 2;
  }
  if (proj + s < 0) return 0;
  Near = dxVectorAddScaled(Start, Dir, proj + s);
  return 1;
}

bool dxRayPlaneIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& PlanePoint,
                         const TdxVector& PlaneNormal, TdxVector& Point) {
  const float d = dxVectorDot(Dir, PlaneNormal);
  if (!(d > EpsilonRay || d < -EpsilonRay)) return false;
  const float t = dxVectorDot(dxVectorSubtract(PlanePoint, Start), PlaneNormal) * (1 / d);
  if (!(t > 0)) return false;
  Point = dxVectorAddScaled(Start, Dir, t);
  return true;
}

bool dxRayTriangleIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& P1, const TdxVector& P2,
                            const TdxVector& P3, TdxVector* Point, TdxVector* Normal) {
  const TdxVector e1 = dxVectorSubtract(P2, P1);
  const TdxVector e2 = dxVectorSubtract(P3, P1);
  const TdxVector pv = dxVectorCross(Dir, e2);
  const float det = dxVectorDot(e1, pv);
  if (!(det >= EpsilonRay || det <= -EpsilonRay)) return false;
  const float inv = 1 / det;
  const TdxVector tv = dxVectorSubtract(Start, P1);
  const float u = dxVectorDot(tv, pv) * inv;
  if (u < 0 || u > 1) return false;
  const TdxVector qv = dxVectorCross(tv, e1);
  const float v = dxVectorDot(Dir, qv) * inv;
  if (v < 0 || u + v > 1) return false;
  const float t = dxVectorDot(e2, qv) * inv;
  if (!(t > 0)) return false;
  if (Point) *Point = dxVectorAddScaled(Start, Dir, t);
  if (Normal) *Normal = dxVectorCross(e1, e2);
  return true;
}

// ---- quaternions --------------------------------------------------------------------------------

TdxQuaternion dxQuaternionFromAxisAngle(const TdxVector& Axis, float AngleDeg) {
  const float length = dxVectorLength(Axis);
  // A zero axis names no rotation; dividing by its length would fill the matrix with NaN.
  if (!(length > EpsilonRay)) return IdentityQuaternion;
  float s, c;
  dxSinCos(dxDegToRad(AngleDeg * 0.5f), s, c);
  const float f = s / length;
  return {{Axis.X * f, Axis.Y * f, Axis.Z * f, 0}, c};
}

TdxQuaternion dxQuaternionMultiply(const TdxQuaternion& A, const TdxQuaternion& B) {
  const float ar = A.RealPart, ax = A.ImagPart.X, ay = A.ImagPart.Y, az = A.ImagPart.Z;
  const float br = B.RealPart, bx = B.ImagPart.X, by = B.ImagPart.Y, bz = B.ImagPart.Z;
  TdxQuaternion r;
  r.RealPart = ar * br - ax * bx - ay * by - az * bz;
  r.ImagPart.X = ar * bx + ax * br + ay * bz - az * by;
  r.ImagPart.Y = ar * by + ay * br + az * bx - ax * bz;
  r.ImagPart.Z = ar * bz + az * br + ax * by - ay * bx;
  r.ImagPart.W = 0;
  return r;
}

float dxQuaternionMagnitude(const TdxQuaternion& Q) {
  const TdxVector& v = Q.ImagPart;
  return std::sqrt(v.X * v.X + v.Y * v.Y + v.Z * v.Z + Q.RealPart * Q.RealPart);
}

void dxQuaternionNormalize(TdxQuaternion& Q) {
  const float m = dxQuaternionMagnitude(Q);
  if (!(m > EpsilonRay)) {
    Q = IdentityQuaternion;
    return;
  }
  const float f = 1 / m;
  Q.ImagPart = dxVectorScale(Q.ImagPart, f);
  Q.RealPart *= f;
}

TdxMatrix dxQuaternionToMatrix(const TdxQuaternion& Q) {
  TdxQuaternion n = Q;
  dxQuaternionNormalize(n);
  const float x = n.ImagPart.X, y = n.ImagPart.Y, z = n.ImagPart.Z, r = n.RealPart;
  TdxMatrix m;
  m.M[0][0] = 1 - 2 * (y * y + z * z);
  m.M[0][1] = 2 * (x * y + z * r);
  m.M[0][2] = 2 * (x * z - y * r);
  m.M[1][0] = 2 * (x * y - z * r);
  m.M[1][1] = 1 - 2 * (x * x + z * z);
  m.M[1][2] = 2 * (y * z + x * r);
  m.M[2][0] = 2 * (x * z + y * r);
  m.M[2][1] = 2 * (y * z - x * r);
  m.M[2][2] = 1 - 2 * (x * x + y * y);
  m.M[3][3] = 1;
  return m;
}

TdxQuaternion dxQuaternionFromMatrix(const TdxMatrix& M) {
  const auto& m = M.M;
  float x, y, z, r;
  const float trace = 1 + m[0][0] + m[1][1] + m[2][2];
  if (trace > EpsilonRay) {
    const float s = 2 * std::sqrt(trace);
    x = (m[1][2] - m[2][1]) / s;
    y = (m[2][0] - m[0][2]) / s;
    z = (m[0][1] - m[1][0]) / s;
    r = s / 4;
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const float s = 2 * std::sqrt(dxMax(1 + m[0][0] - m[1][1] - m[2][2], EpsilonRay));
    x = s / 4;
    y = (m[0][1] + m[1][0]) / s;
    z = (m[2][0] + m[0][2]) / s;
    r = (m[1][2] - m[2][1]) / s;
  } else if (m[1][1] > m[2][2]) {
    const float s = 2 * std::sqrt(dxMax(1 + m[1][1] - m[0][0] - m[2][2], EpsilonRay));
    x = (m[0][1] + m[1][0]) / s;
    y = s / 4;
    z = (m[1][2] + m[2][1]) / s;
    r = (m[2][0] - m[0][2]) / s;
  } else {
    const float s = 2 * std::sqrt(dxMax(1 + m[2][2] - m[0][0] - m[1][1], EpsilonRay));
    x = (m[2][0] + m[0][2]) / s;
    y = (m[1][2] + m[2][1]) / s;
    z = s / 4;
    r = (m[0][1] - m[1][0]) / s;
  }
  TdxQuaternion q{{x, y, z, 0}, r};
  dxQuaternionNormalize(q);
  return q;
}

// ---- records ------------------------------------------------------------------------------------

TdxMeshVertex dxMeshVertex(float X, float Y, float Z, float NX, float NY, float NZ, float U, float V) {
  return {X, Y, Z, NX, NY, NZ, U, V};
}

TdxCanvasVertex dxCanvasVertex(float X, float Y, float Z, float NX, float NY, float NZ, TdxColor Color, float U,
                               float V) {
  return {X, Y, Z, NX, NY, NZ, Color, U, V};
}

}  // namespace dx
