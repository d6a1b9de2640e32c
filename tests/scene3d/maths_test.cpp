// Vectors, matrices, quaternions, rays, angles and colour arithmetic of the 3D library.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene3d/Maths.h"

namespace maths_test {

namespace {

using namespace dx;

constexpr float Pi = std::numbers::pi_v<float>;

void ExpectMatrixNear(const TdxMatrix& Expected, const TdxMatrix& Actual, float Tolerance = 1e-5f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(Expected.M[i][j], Actual.M[i][j], Tolerance) << "M[" << i << "][" << j << "]";
}

void ExpectVectorNear(const TdxVector& Expected, const TdxVector& Actual, float Tolerance = 1e-5f) {
  EXPECT_NEAR(Expected.X, Actual.X, Tolerance);
  EXPECT_NEAR(Expected.Y, Actual.Y, Tolerance);
  EXPECT_NEAR(Expected.Z, Actual.Z, Tolerance);
  EXPECT_NEAR(Expected.W, Actual.W, Tolerance);
}

TdxMatrix Translation(float X, float Y, float Z) {
  TdxMatrix m = IdentityMatrix;
  m.M[3][0] = X, m.M[3][1] = Y, m.M[3][2] = Z;
  return m;
}

TEST(DxVectors, ArithmeticWritesTheDocumentedW) {
  const TdxVector a = dxVector(1, 2, 3, 7), b = dxVector(4, -5, 6, 9);
  EXPECT_EQ(dxVectorAdd(a, b), dxVector(5, -3, 9, 1));
  EXPECT_EQ(dxVectorSubtract(a, b), dxVector(-3, 7, -3, 1));
  EXPECT_EQ(dxVectorScale(a, 2), dxVector(2, 4, 6, 1));
  EXPECT_EQ(dxVectorAddScaled(a, b, 0.5f), dxVector(3, -0.5f, 6, 1));
  EXPECT_EQ(dxVectorCombine(a, b, 2, 1), dxVector(6, -1, 12, 23));
  EXPECT_FLOAT_EQ(dxVectorDot(a, b), 4 - 10 + 18);
  EXPECT_EQ(dxVectorCross(dxVector(1, 0, 0, 0), dxVector(0, 1, 0, 0)), dxVector(0, 0, 1, 1));
  EXPECT_FLOAT_EQ(dxVectorLength(dxVector(3, 4, 12, 100)), 13);
  EXPECT_FLOAT_EQ(dxVectorDistance2(a, b), 9 + 49 + 9);
  EXPECT_FLOAT_EQ(dxPointPlaneDistance(dxVector(0, 0, 5), dxVector(0, 0, 2), dxVector(0, 0, 1, 0)), 3);
  EXPECT_EQ(dxVectorFromPoint(dxPoint3D(1, 2, 3), 0), dxVector(1, 2, 3, 0));
  EXPECT_EQ(dxVector(1, 2, 3).W, 1) << "a vector made without W is a point";
}

TEST(DxVectors, NormalisingAndNormals) {
  ExpectVectorNear(dxVector(0.6f, 0, 0.8f, 0), dxVectorNormalize(dxVector(3, 0, 4, 1)));
  EXPECT_EQ(dxVectorNormalize(dxVector(0, 0, 0, 1)), dxVector(0, 0, 0, 0));
  EXPECT_FLOAT_EQ(dxInvSqrt(-4), 0.5f);
  EXPECT_FLOAT_EQ(dxInvSqrt(0), 1);
  // Counter-clockwise seen from +Z gives +Z; the other order gives -Z.
  const TdxVector p1 = dxVector(0, 0, 0), p2 = dxVector(2, 0, 0), p3 = dxVector(0, 2, 0);
  ExpectVectorNear(dxVector(0, 0, 1, 0), dxTriangleNormal(p1, p2, p3));
  ExpectVectorNear(dxVector(0, 0, -1, 0), dxTriangleNormal(p1, p3, p2));
}

TEST(DxVectors, AngleCosineOfZeroAndNearlyZeroVectors) {
  EXPECT_NEAR(dxVectorAngleCosine(dxVector(1, 0, 0), dxVector(1, 1, 0)), std::sqrt(0.5f), 1e-6f);
  EXPECT_EQ(dxVectorAngleCosine(dxVector(0, 0, 0), dxVector(1, 1, 0)), 0);
  // Lengths whose product falls below the guard are divided by the guard instead.
  const float tiny = 1e-21f;
  EXPECT_NEAR(dxVectorAngleCosine(dxVector(tiny, 0, 0), dxVector(tiny, 0, 0)), tiny * tiny / Epsilon, 1e-4f);
  EXPECT_EQ(dxArcCos(1.5f), 0);
  EXPECT_FLOAT_EQ(dxArcCos(-3), Pi);
  EXPECT_TRUE(std::signbit(dxMax(-0.0f, 0.0f))) << "the first argument when equal";
  EXPECT_NEAR(dxArcCos(0), Pi / 2, 1e-6f);
}

TEST(DxMatrices, RowVectorsTranslateAndProductsApplyTheLeftFirst) {
  const TdxMatrix rotate = dxQuaternionToMatrix(dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 90));
  const TdxMatrix move = Translation(10, 0, 0);
  // Rotate first, then move: (1,0,0) -> (0,1,0) -> (10,1,0).
  ExpectVectorNear(dxVector(10, 1, 0), dxVectorTransform(dxVector(1, 0, 0), dxMatrixMultiply(rotate, move)));
  // Move first, then rotate: (1,0,0) -> (11,0,0) -> (0,11,0).
  ExpectVectorNear(dxVector(0, 11, 0), dxVectorTransform(dxVector(1, 0, 0), dxMatrixMultiply(move, rotate)));
  // A direction (W = 0) is not moved, and the result is a point again.
  ExpectVectorNear(dxVector(1, 0, 0, 1), dxVectorTransform(dxVector(1, 0, 0, 0), move));
}

TEST(DxMatrices, InverseUndoesAndSingularGivesIdentity) {
  TdxMatrix scale = IdentityMatrix;
  scale.M[0][0] = 2;  // a scale too, so the inverse is not just the transpose
  const TdxMatrix m = dxMatrixMultiply(
      scale, dxMatrixMultiply(dxQuaternionToMatrix(dxQuaternionFromAxisAngle(dxVector(1, 2, 3, 0), 37)),
                              Translation(4, -5, 6)));
  EXPECT_NEAR(dxMatrixDeterminant(m), 2, 1e-5f);
  TdxMatrix inverse = m;
  dxMatrixInvert(inverse);
  ExpectMatrixNear(IdentityMatrix, dxMatrixMultiply(m, inverse));
  ExpectMatrixNear(IdentityMatrix, dxMatrixMultiply(inverse, m));

  TdxMatrix adjugate = m;
  dxMatrixAdjoint(adjugate);
  dxMatrixScale(adjugate, 0.5f);
  ExpectMatrixNear(inverse, adjugate);

  TdxMatrix singular = IdentityMatrix;
  singular.M[2][2] = 0;
  singular.M[3][0] = 7;
  dxMatrixInvert(singular);
  EXPECT_EQ(singular, IdentityMatrix);
  TdxMatrix nearlySingular = IdentityMatrix;
  nearlySingular.M[0][0] = 1e-41f;
  dxMatrixInvert(nearlySingular);
  EXPECT_EQ(nearlySingular, IdentityMatrix);
}

TEST(DxMatrices, PerspectiveProjection) {
  const TdxMatrix m = dxMatrixPerspectiveFovRH(Pi / 4, 4.0f / 3.0f, 1, 1000);
  TdxMatrix expected;
  expected.M[0][0] = 1.8106600f;
  expected.M[1][1] = 2.4142134f;
  expected.M[2][2] = -1.0010010f;
  expected.M[2][3] = -1;
  expected.M[3][2] = -1.0010010f;
  ExpectMatrixNear(expected, m);
  // A point on the near plane in front of the eye (-Z) lands on depth 0, one on the far plane on 1.
  auto depth = [&](float Z) {
    const TdxVector v = dxVector(0, 0, Z);
    const float w = v.X * m.M[0][3] + v.Y * m.M[1][3] + v.Z * m.M[2][3] + m.M[3][3];
    return dxVectorTransform(v, m).Z / w;
  };
  EXPECT_NEAR(depth(-1), 0, 1e-6f);
  EXPECT_NEAR(depth(-1000), 1, 1e-5f);
}

TEST(DxMatrices, OrthographicProjection) {
  const TdxMatrix m = dxMatrixOrthoOffCenterRH(0, 800, 0, 600, 1, 1000);
  TdxMatrix expected = IdentityMatrix;
  expected.M[0][0] = 0.0025f;
  expected.M[1][1] = 1 / 300.0f;
  expected.M[2][2] = -0.0010010f;
  expected.M[3][0] = -1;
  expected.M[3][1] = -1;
  expected.M[3][2] = -0.0010010f;
  ExpectMatrixNear(expected, m, 1e-7f);
  // The corners of the screen rectangle go to the corners of the unit square.
  ExpectVectorNear(dxVector(1, 1, 0), dxVectorTransform(dxVector(800, 600, -1), m));
  ExpectVectorNear(dxVector(-1, -1, 0), dxVectorTransform(dxVector(0, 0, -1), m));
}

TEST(DxMatrices, LookAlongADirection) {
  const TdxMatrix m = dxMatrixLookDirRH(dxVector(0, -20, 0), dxVector(0, 1, 0, 0), dxVector(0, 0, 1, 0));
  const TdxMatrix expected = {{{1, 0, 0, 0}, {0, 0, -1, 0}, {0, 1, 0, 0}, {0, 0, -20, 1}}};
  ExpectMatrixNear(expected, m);
  // The origin lies 20 ahead of the eye, which looks down its own -Z.
  ExpectVectorNear(dxVector(0, 0, -20), dxVectorTransform(dxVector(0, 0, 0), m));
  // World up stays up on the screen.
  ExpectVectorNear(dxVector(0, 1, -20), dxVectorTransform(dxVector(0, 0, 1), m));
}

TEST(DxQuaternions, NinetyDegreesAboutZ) {
  const TdxQuaternion q = dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 90);
  EXPECT_NEAR(q.RealPart, 0.7071068f, 1e-6f);
  ExpectVectorNear(dxVector(0, 0, 0.7071068f, 0), q.ImagPart);
  const TdxMatrix m = dxQuaternionToMatrix(q);
  ExpectMatrixNear({{{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}, m);
  ExpectVectorNear(dxVector(0, 1, 0), dxVectorTransform(dxVector(1, 0, 0), m));
  // The axis may have any length.
  const TdxQuaternion long_axis = dxQuaternionFromAxisAngle(dxVector(0, 0, 5, 0), 90);
  EXPECT_NEAR(long_axis.ImagPart.Z, 0.7071068f, 1e-6f);
}

TEST(DxQuaternions, ZeroAxisGivesNoRotationInsteadOfNaN) {
  const TdxQuaternion q = dxQuaternionFromAxisAngle(dxVector(0, 0, 0, 0), 45);
  EXPECT_EQ(q, IdentityQuaternion);
  EXPECT_EQ(dxQuaternionToMatrix(q), IdentityMatrix);
}

TEST(DxQuaternions, ProductComposesRotations) {
  const TdxQuaternion aboutZ = dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 90);
  const TdxQuaternion aboutX = dxQuaternionFromAxisAngle(dxVector(1, 0, 0, 0), 90);
  // Hamilton order: the product X * Z rotates by Z first in the row-vector matrices.
  const TdxMatrix composed = dxQuaternionToMatrix(dxQuaternionMultiply(aboutX, aboutZ));
  const TdxMatrix expected = dxMatrixMultiply(dxQuaternionToMatrix(aboutZ), dxQuaternionToMatrix(aboutX));
  ExpectMatrixNear(expected, composed);
  // Two quarter turns about Z are a half turn.
  const TdxQuaternion half = dxQuaternionMultiply(aboutZ, aboutZ);
  EXPECT_NEAR(half.RealPart, 0, 1e-6f);
  EXPECT_NEAR(half.ImagPart.Z, 1, 1e-6f);
  EXPECT_NEAR(dxQuaternionMagnitude(half), 1, 1e-6f);
}

TEST(DxQuaternions, NormaliseAndDegenerate) {
  TdxQuaternion q{{0, 3, 0, 0}, 4};
  dxQuaternionNormalize(q);
  EXPECT_FLOAT_EQ(q.ImagPart.Y, 0.6f);
  EXPECT_FLOAT_EQ(q.RealPart, 0.8f);
  TdxQuaternion zero{{0, 0, 0, 0}, 0};
  dxQuaternionNormalize(zero);
  EXPECT_EQ(zero, IdentityQuaternion);
  // The matrix of an unnormalised quaternion is still a rotation.
  const TdxQuaternion scaled{{0, 0, 2, 0}, 2};
  ExpectMatrixNear(dxQuaternionToMatrix(dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 90)),
                   dxQuaternionToMatrix(scaled));
}

TEST(DxQuaternions, MatrixRoundTripThroughEveryBranch) {
  // Angles that make the trace large (small turns) and small (half turns about each axis, which
  // takes the branch of the largest diagonal element).
  const TdxVector axes[] = {dxVector(1, 2, 3, 0), dxVector(1, 0, 0, 0), dxVector(0, 1, 0, 0), dxVector(0, 0, 1, 0),
                            dxVector(-2, 1, 0.5f, 0)};
  for (const TdxVector& axis : axes)
    for (float angle : {10.0f, 120.0f, 180.0f, 179.0f}) {
      const TdxMatrix m = dxQuaternionToMatrix(dxQuaternionFromAxisAngle(axis, angle));
      const TdxQuaternion back = dxQuaternionFromMatrix(m);
      SCOPED_TRACE(testing::Message() << "axis " << axis.X << "," << axis.Y << "," << axis.Z << " angle " << angle);
      // Near a half turn the trace branch divides by a small number: single precision loses digits.
      ExpectMatrixNear(m, dxQuaternionToMatrix(back), 1e-4f);
      EXPECT_NEAR(dxQuaternionMagnitude(back), 1, 1e-5f);
    }
}

TEST(DxAngles, NormaliseInDegrees) {
  EXPECT_FLOAT_EQ(dxNormalizeAngle(-190), 170);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(370), 10);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(-90), -90);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(190), 190);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(-540), -180);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(720), 0);
  EXPECT_FLOAT_EQ(dxNormalizeAngle(-359.5f), 0.5f);
  for (float a : {1e30f, -3.4e38f}) {
    EXPECT_GE(dxNormalizeAngle(a), -180) << a;
    EXPECT_LT(dxNormalizeAngle(a), 360) << a;
  }
  EXPECT_NEAR(dxDegToRad(180), Pi, 1e-6f);
  EXPECT_NEAR(dxRadToDeg(Pi / 2), 90, 1e-4f);
}

TEST(DxAngles, SineAndCosineOfRadiansBeyondATurnInDegrees) {
  // Radians are never reduced as if they were degrees: -190 rad is not 170 rad.
  for (float a : {-190.0f, 400.0f, 1000.5f, 0.5f, -3.0f}) {
    float s, c;
    dxSinCos(a, s, c);
    EXPECT_NEAR(s, std::sin(static_cast<double>(a)), 1e-6) << a;
    EXPECT_NEAR(c, std::cos(static_cast<double>(a)), 1e-6) << a;
  }
  // Hence a quaternion of a very large angle is still the right rotation: 2 x 360 x 100 turns
  // plus 90 degrees.
  const TdxQuaternion q = dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 72090);
  ExpectVectorNear(dxVector(0, 1, 0), dxVectorTransform(dxVector(1, 0, 0), dxQuaternionToMatrix(q)), 1e-3f);
}

TEST(DxColours, InterpolationTruncatesEachChannelTowardZero) {
  EXPECT_EQ(dxInterpolateColor(0xFF000000, 0xFFFFFFFF, 0.5f), 0xFF7F7F7Fu);
  EXPECT_EQ(dxInterpolateColor(0xFFFFFFFF, 0xFF000000, 0.5f), 0xFF808080u);
  EXPECT_EQ(dxInterpolateColor(0x10203040, 0x50607080, 0), 0x10203040u);
  EXPECT_EQ(dxInterpolateColor(0x10203040, 0x50607080, 1), 0x50607080u);
  // The channels are independent: red rises while blue falls.
  EXPECT_EQ(dxInterpolateColor(0xFF00FFFF, 0xFFFF0000, 0.25f), 0xFF3FC0C0u);
}

TEST(DxColours, InterpolationHoldsChannelsWhenEasingOvershoots) {
  EXPECT_EQ(dxInterpolateColor(0x00000000, 0xFFFFFFFF, 1.1f), 0xFFFFFFFFu);
  EXPECT_EQ(dxInterpolateColor(0xFFFFFFFF, 0x00000000, 1.1f), 0x00000000u);
  EXPECT_EQ(dxInterpolateColor(0x80FF0040, 0x80000080, -0.5f), 0x80FF0020u);
  EXPECT_EQ(dxInterpolateColor(0x11223344, 0x55667788, std::nanf("")), 0x11223344u);
}

TEST(DxColours, OpacityAndDeviceValues) {
  EXPECT_EQ(dxOpacityColor(0xFF123456, 0.5f), 0x7F123456u);
  EXPECT_EQ(dxOpacityColor(0x80123456, 1), 0x80123456u);
  EXPECT_EQ(dxOpacityColor(0x80123456, 2), 0x80123456u);
  EXPECT_EQ(dxOpacityColor(0xFF123456, 0), 0x00123456u);
  EXPECT_EQ(dxOpacityColor(0xFF123456, -1), 0x00123456u);
  const TdxColorRGBA c = dxColorToRGBA(0x80FF3300);
  EXPECT_FLOAT_EQ(c.R, 1);
  EXPECT_FLOAT_EQ(c.G, 0.2f);
  EXPECT_FLOAT_EQ(c.B, 0);
  EXPECT_FLOAT_EQ(c.A, 128 / 255.0f);
}

TEST(DxRays, SphereHitsFromOutsideInsideAndBehind) {
  const TdxVector centre = dxVector(0, 0, 0), dir = dxVector(0, 0, 1, 0);
  TdxVector nearPoint, farPoint;
  EXPECT_EQ(dxRaySphereIntersect(dxVector(0, 0, -5), dir, centre, 1, nearPoint, farPoint), 2);
  ExpectVectorNear(dxVector(0, 0, -1), nearPoint);
  ExpectVectorNear(dxVector(0, 0, 1), farPoint);

  EXPECT_EQ(dxRaySphereIntersect(dxVector(0, 0, 0), dir, centre, 1, nearPoint, farPoint), 1);
  ExpectVectorNear(dxVector(0, 0, 1), nearPoint);  // from inside, the exit

  EXPECT_EQ(dxRaySphereIntersect(dxVector(0, 0, 5), dir, centre, 1, nearPoint, farPoint), 0);
  EXPECT_EQ(dxRaySphereIntersect(dxVector(3, 0, -5), dir, centre, 1, nearPoint, farPoint), 0);
  // Grazing the sphere ahead touches it once; behind, not at all.
  EXPECT_EQ(dxRaySphereIntersect(dxVector(1, 0, -5), dir, centre, 1, nearPoint, farPoint), 1);
  ExpectVectorNear(dxVector(1, 0, 0), nearPoint);
  EXPECT_EQ(dxRaySphereIntersect(dxVector(1, 0, 5), dir, centre, 1, nearPoint, farPoint), 0);

  EXPECT_TRUE(dxRayHitsSphere(dxVector(0.5f, 0, -5), dir, centre, 1));
  EXPECT_TRUE(dxRayHitsSphere(dxVector(0, 0, 0.5f), dir, centre, 1)) << "inside";
  EXPECT_FALSE(dxRayHitsSphere(dxVector(2, 0, -5), dir, centre, 1));
  EXPECT_FALSE(dxRayHitsSphere(dxVector(0, 0, 5), dir, centre, 1)) << "behind";
}

TEST(DxRays, PlaneAheadBehindOnAndParallel) {
  const TdxVector point = dxVector(0, 0, 2), normal = dxVector(0, 0, 1, 0);
  TdxVector hit;
  EXPECT_TRUE(dxRayPlaneIntersect(dxVector(1, 1, 0), dxVector(0, 0, 1, 0), point, normal, hit));
  EXPECT_EQ(hit, dxVector(1, 1, 2, 1));
  // From the other side, looking back at it.
  EXPECT_TRUE(dxRayPlaneIntersect(dxVector(1, 1, 5), dxVector(0, 0, -1, 0), point, normal, hit));
  EXPECT_EQ(hit, dxVector(1, 1, 2, 1));
  hit = dxVector(9, 9, 9);
  EXPECT_FALSE(dxRayPlaneIntersect(dxVector(1, 1, 5), dxVector(0, 0, 1, 0), point, normal, hit)) << "behind";
  EXPECT_FALSE(dxRayPlaneIntersect(dxVector(1, 1, 2), dxVector(0, 0, 1, 0), point, normal, hit)) << "on it";
  EXPECT_FALSE(dxRayPlaneIntersect(dxVector(1, 1, 0), dxVector(1, 0, 0, 0), point, normal, hit)) << "parallel";
  EXPECT_EQ(hit, dxVector(9, 9, 9)) << "a miss writes nothing";
}

TEST(DxRays, TriangleInsideOnEdgesAndOutside) {
  const TdxVector p1 = dxVector(0, 0, 0), p2 = dxVector(1, 0, 0), p3 = dxVector(0, 1, 0);
  const TdxVector down = dxVector(0, 0, -1, 0);
  TdxVector point, normal;
  ASSERT_TRUE(dxRayTriangleIntersect(dxVector(0.25f, 0.25f, 1), down, p1, p2, p3, &point, &normal));
  EXPECT_EQ(point, dxVector(0.25f, 0.25f, 0, 1));
  EXPECT_EQ(normal, dxVector(0, 0, 1, 1));
  // On each edge: v = 0 (along P1-P2), u = 0 (along P1-P3), u + v = 1 (the hypotenuse).
  EXPECT_TRUE(dxRayTriangleIntersect(dxVector(0.5f, 0, 1), down, p1, p2, p3));
  EXPECT_TRUE(dxRayTriangleIntersect(dxVector(0, 0.5f, 1), down, p1, p2, p3));
  EXPECT_TRUE(dxRayTriangleIntersect(dxVector(0.5f, 0.5f, 1), down, p1, p2, p3));
  EXPECT_TRUE(dxRayTriangleIntersect(dxVector(0, 0, 1), down, p1, p2, p3)) << "a corner";
  EXPECT_FALSE(dxRayTriangleIntersect(dxVector(0.6f, 0.6f, 1), down, p1, p2, p3));
  EXPECT_FALSE(dxRayTriangleIntersect(dxVector(-0.1f, 0.5f, 1), down, p1, p2, p3));
  EXPECT_FALSE(dxRayTriangleIntersect(dxVector(0.5f, -0.1f, 1), down, p1, p2, p3));
  EXPECT_FALSE(dxRayTriangleIntersect(dxVector(0.25f, 0.25f, -1), down, p1, p2, p3)) << "behind";
  EXPECT_FALSE(dxRayTriangleIntersect(dxVector(0.25f, 0.25f, 1), dxVector(1, 0, 0, 0), p1, p2, p3)) << "parallel";
  // Seen from below the triangle is still hit; the normal keeps the corners' orientation.
  ASSERT_TRUE(dxRayTriangleIntersect(dxVector(0.25f, 0.25f, -1), dxVector(0, 0, 1, 0), p1, p2, p3, &point, &normal));
  EXPECT_EQ(normal, dxVector(0, 0, 1, 1));
}

}  // namespace

}  // namespace maths_test
