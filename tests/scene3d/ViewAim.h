// Aiming at points of a 3D view from a test: where a scene point shows in client pixels
// through a canvas's view and projection, and how far the pick ray of a pixel passes from a
// point of an object.
#pragma once

#include <cmath>

#include "platform/win/WinTypes.h"
#include "scene3d/Canvas.h"
#include "scene3d/VisualObjects.h"

namespace dxtest {

// The client pixel where a scene point shows through the canvas's camera (rounded).
inline win::TPoint ProjectToClient(const dx::TdxCanvas& C, const dx::TdxVector& P) {
  const dx::TdxMatrix m = dx::dxMatrixMultiply(C.View(), C.GetProjectionMatrix());
  float v[4];
  for (int j = 0; j < 4; ++j) v[j] = P.X * m.M[0][j] + P.Y * m.M[1][j] + P.Z * m.M[2][j] + m.M[3][j];
  const float x = v[0] / v[3], y = v[1] / v[3];
  return {static_cast<int>(std::lround((x + 1) / 2 * static_cast<float>(C.Width()))),
          static_cast<int>(std::lround((1 - y) / 2 * static_cast<float>(C.Height())))};
}

// How far, in Obj's local units, the camera pick ray of pixel (X, Y) passes from the local
// point Local of Obj.
inline float RayMissDistance(const dx::TdxCanvas& C, const dx::TdxVisualObject& Obj, int X, int Y,
                             const dx::TdxVector& Local) {
  dx::TdxVector pos, dir;
  C.PickRay(Obj.Projection() == dx::dxProjectionScreen, static_cast<float>(X), static_cast<float>(Y), pos, dir);
  pos = Obj.AbsoluteToLocalVector({pos.X, pos.Y, pos.Z, 1});
  dir = dx::dxVectorNormalize(Obj.AbsoluteToLocalVector({dir.X, dir.Y, dir.Z, 0}));
  const dx::TdxVector to = dx::dxVectorSubtract(Local, pos);
  const float along = dx::dxVectorDot(to, dir);
  return dx::dxVectorLength(dx::dxVectorSubtract(to, dx::dxVectorScale(dir, along)));
}

}  // namespace dxtest
