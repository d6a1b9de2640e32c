// The stateless maths of the 3D library: vectors, 4 x 4 matrices, quaternions, ray tests,
// angles and colour arithmetic, and the vertex records of meshes and of the canvas.
//
// Conventions every caller relies on:
// - A TdxVector is four floats. Positions carry W = 1, directions usually W = 0; each routine
//   says which W it writes (a transformed point keeps W = 1, there is no perspective divide).
// - A TdxMatrix is row-major, M[row][column]. Vectors are row vectors multiplied from the left
//   (v' = v x M): the translation sits in row 3 and A x B applies A first.
// - The coordinate system is right-handed (see the projection and view builders).
// - Colours are 32-bit ARGB: alpha in the top byte, then red, green, blue.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dx {

using TdxColor = std::uint32_t;

struct TdxVector {
  float X = 0;
  float Y = 0;
  float Z = 0;
  float W = 0;
  bool operator==(const TdxVector&) const = default;
};

struct TdxPoint3D {
  float X = 0;
  float Y = 0;
  float Z = 0;
  bool operator==(const TdxPoint3D&) const = default;
};

struct TdxMatrix {
  float M[4][4] = {};
  bool operator==(const TdxMatrix&) const = default;
};

// ImagPart carries meaning in X, Y and Z only.
struct TdxQuaternion {
  TdxVector ImagPart;
  float RealPart = 0;
  bool operator==(const TdxQuaternion&) const = default;
};

// The element of mesh data and of the "Mesh" stream property.
struct TdxMeshVertex {
  float X = 0, Y = 0, Z = 0;
  float NX = 0, NY = 0, NZ = 0;
  float TU = 0, TV = 0;
  bool operator==(const TdxMeshVertex&) const = default;
};
static_assert(sizeof(TdxMeshVertex) == 32);

// The vertex the canvas sends to the device: position, normal, diffuse ARGB, texture.
struct TdxCanvasVertex {
  float X = 0, Y = 0, Z = 0;
  float NX = 0, NY = 0, NZ = 0;
  TdxColor Color = 0;
  float TU = 0, TV = 0;
  bool operator==(const TdxCanvasVertex&) const = default;
};
static_assert(sizeof(TdxCanvasVertex) == 36 && offsetof(TdxCanvasVertex, Color) == 24);

// A colour as four floats 0..1 in the order of a device colour value.
struct TdxColorRGBA {
  float R = 0, G = 0, B = 0, A = 0;
  bool operator==(const TdxColorRGBA&) const = default;
};

// The matrix inversion and the angle cosine treat magnitudes below this as zero (a denormal).
inline constexpr float Epsilon = 1e-40f;
// The ray tests and the quaternion routines treat magnitudes below this as zero.
inline constexpr float EpsilonRay = 1e-30f;
inline constexpr float DegToRadFactor = 0.017453292f;
inline constexpr float RadToDegFactor = 57.29578f;

inline constexpr TdxMatrix IdentityMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
inline constexpr TdxQuaternion IdentityQuaternion = {{0, 0, 0, 0}, 1};

// ---- vectors and points -------------------------------------------------------------------------
// A point when W is left out.
TdxVector dxVector(float X, float Y, float Z, float W = 1);
TdxVector dxVectorFromPoint(const TdxPoint3D& P, float W);
TdxPoint3D dxPoint3D(float X, float Y, float Z);
// The next four work on X, Y, Z and give W = 1.
TdxVector dxVectorAdd(const TdxVector& A, const TdxVector& B);
TdxVector dxVectorSubtract(const TdxVector& A, const TdxVector& B);
TdxVector dxVectorScale(const TdxVector& A, float F);
// P + T x D.
TdxVector dxVectorAddScaled(const TdxVector& P, const TdxVector& D, float T);
// FA x A + FB x B on all four components.
TdxVector dxVectorCombine(const TdxVector& A, const TdxVector& B, float FA, float FB);
float dxVectorDot(const TdxVector& A, const TdxVector& B);
// W = 1.
TdxVector dxVectorCross(const TdxVector& A, const TdxVector& B);
// The squared length.
float dxVectorNorm(const TdxVector& A);
float dxVectorLength(const TdxVector& A);
// W = 0; a zero vector stays zero.
TdxVector dxVectorNormalize(const TdxVector& A);
// (P - Q) . N: the signed distance of P from the plane through Q when N has unit length.
float dxPointPlaneDistance(const TdxVector& P, const TdxVector& Q, const TdxVector& N);
float dxVectorDistance2(const TdxVector& A, const TdxVector& B);
// The unit normal of the triangle, oriented by the order of its corners; W = 0.
TdxVector dxTriangleNormal(const TdxVector& P1, const TdxVector& P2, const TdxVector& P3);
// dot / (|A| |B|), dividing by Epsilon when that product is not above it (a zero vector gives 0;
// nearly zero vectors can give more than 1, which dxArcCos clamps).
float dxVectorAngleCosine(const TdxVector& A, const TdxVector& B);
// V x M over four components, then W = 1.
TdxVector dxVectorTransform(const TdxVector& V, const TdxMatrix& M);
// 1 / sqrt(|X|); 1 when X is 0.
float dxInvSqrt(float X);

// ---- matrices -----------------------------------------------------------------------------------
TdxMatrix dxMatrixMultiply(const TdxMatrix& A, const TdxMatrix& B);
float dxMatrixDet3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3);
float dxMatrixDeterminant(const TdxMatrix& M);
// M becomes its adjugate.
void dxMatrixAdjoint(TdxMatrix& M);
void dxMatrixScale(TdxMatrix& M, float F);
// In place; a singular matrix (|det| below Epsilon) becomes the identity.
void dxMatrixInvert(TdxMatrix& M);
TdxMatrix dxMatrixOrthoOffCenterRH(float L, float R, float B, float T, float ZN, float ZF);
TdxMatrix dxMatrixPerspectiveFovRH(float FovY, float Aspect, float ZN, float ZF);
// The view matrix of an eye looking along Dir with Up roughly up.
TdxMatrix dxMatrixLookDirRH(const TdxVector& Eye, const TdxVector& Dir, const TdxVector& Up);

// ---- angles and scalars -------------------------------------------------------------------------
float dxDegToRad(float A);
float dxRadToDeg(float A);
// Degrees into [-180, 360), as the 2D library's NormalizeAngle brings them.
float dxNormalizeAngle(float A);
// A in radians, any size.
void dxSinCos(float A, float& Sin, float& Cos);
// Clamped to [-1, 1] first.
float dxArcCos(float X);
// A when equal.
float dxMax(float A, float B);
float dxInterpolateSingle(float Start, float Stop, float T);
// Per channel Start + trunc((Stop - Start) x T), held to 0..255 when T leaves 0..1.
TdxColor dxInterpolateColor(TdxColor Start, TdxColor Stop, float T);
// Below 1 the alpha byte becomes trunc(alpha x Opacity) (0 for a negative opacity); else the
// colour is unchanged.
TdxColor dxOpacityColor(TdxColor Color, float Opacity);
TdxColorRGBA dxColorToRGBA(TdxColor Color);

// ---- rays ---------------------------------------------------------------------------------------
// Dir is expected to have unit length; it is not normalised here.
bool dxRayHitsSphere(const TdxVector& Start, const TdxVector& Dir, const TdxVector& Centre, float Radius);
// The number of points (0, 1 or 2) where the ray meets the sphere. From inside, the one point is
// the exit.
int dxRaySphereIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& Centre, float Radius,
                         TdxVector& Near, TdxVector& Far);
// Only a point strictly ahead of Start counts; a ray parallel to the plane misses.
bool dxRayPlaneIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& PlanePoint,
                         const TdxVector& PlaneNormal, TdxVector& Point);
// Hits on an edge count. Point (W = 1) and Normal (E1 x E2, not normalised) are optional.
bool dxRayTriangleIntersect(const TdxVector& Start, const TdxVector& Dir, const TdxVector& P1, const TdxVector& P2,
                            const TdxVector& P3, TdxVector* Point = nullptr, TdxVector* Normal = nullptr);

// ---- quaternions --------------------------------------------------------------------------------
// A rotation of AngleDeg degrees about Axis (any length); a zero axis gives the identity.
TdxQuaternion dxQuaternionFromAxisAngle(const TdxVector& Axis, float AngleDeg);
// The Hamilton product: the rotation B followed by A.
TdxQuaternion dxQuaternionMultiply(const TdxQuaternion& A, const TdxQuaternion& B);
float dxQuaternionMagnitude(const TdxQuaternion& Q);
// In place; a magnitude not above EpsilonRay gives the identity.
void dxQuaternionNormalize(TdxQuaternion& Q);
TdxMatrix dxQuaternionToMatrix(const TdxQuaternion& Q);
// From the upper 3 x 3 of M; normalised.
TdxQuaternion dxQuaternionFromMatrix(const TdxMatrix& M);

// ---- records ------------------------------------------------------------------------------------
TdxMeshVertex dxMeshVertex(float X, float Y, float Z, float NX, float NY, float NZ, float U, float V);
TdxCanvasVertex dxCanvasVertex(float X, float Y, float Z, float NX, float NY, float NZ, TdxColor Color, float U,
                               float V);

}  // namespace dx
