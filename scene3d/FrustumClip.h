// Convex polygons in the clip space of a projection (x, y, z and w as the device takes them: the
// frame is -w <= x, y <= w, the near plane z = 0) cut to what can reach the frame, the pixels
// they reach, and the way back from clip space.
#pragma once

#include <vector>

namespace dx {

struct TdxClipPoint {
  // Where the point lies on the polygon's own two parameters (shares of a face, say).
  double U = 0, V = 0;
  // x, y, z, w.
  double C[4] = {};
};

// Cuts the convex polygon Points to its part before the near plane and, with Sides, within the
// frame's four sides; the points stay in order, and none is left when nothing remains. Scratch
// is working space.
void dxClipPolygon(std::vector<TdxClipPoint>& Points, bool Sides, std::vector<TdxClipPoint>& Scratch);

// Where a clip-space point with w > 0 falls on a frame of Width x Height pixels (x to the right,
// y downwards, pixel i centred on i + 1/2 as the device's viewport maps it).
inline void dxClipToPixel(const double C[4], int Width, int Height, double& X, double& Y) {
  X = (C[0] / C[3] + 1) / 2 * Width;
  Y = (1 - C[1] / C[3]) / 2 * Height;
}

// How many pixels a step of a whole U or V moves the picture of the point P of a plane whose
// clip-space point changes by DU along U and by DV along V: the lengths of the two steps on the
// frame, at P (with w > 0), combined as the root of the sum of their squares.
double dxClipScale(const TdxClipPoint& P, const double DU[4], const double DV[4], int Width, int Height);

// The inverse of M (row vectors, as the device's matrices); false when M has none.
bool dxClipInvert(const double M[4][4], double Out[4][4]);

}  // namespace dx
