#include "scene3d/FrustumClip.h"

#include <cmath>
#include <utility>

namespace dx {

void dxClipPolygon(std::vector<TdxClipPoint>& Points, bool Sides, std::vector<TdxClipPoint>& Scratch) {
  // Each plane's distance: the near plane, then the left, right, bottom and top sides.
  const auto distance = [](const TdxClipPoint& P, int Plane) {
    switch (Plane) {
      case 0: return P.C[2];
      case 1: return P.C[3] + P.C[0];
      case 2: return P.C[3] - P.C[0];
      case 3: return P.C[3] + P.C[1];
      default: return P.C[3] - P.C[1];
    }
  };
  for (int plane = 0; plane < (Sides ? 5 : 1) && !Points.empty(); ++plane) {
    Scratch.clear();
    const size_t n = Points.size();
    for (size_t i = 0; i < n; ++i) {
      const TdxClipPoint& a = Points[i];
      const TdxClipPoint& b = Points[(i + 1) % n];
      const double da = distance(a, plane), db = distance(b, plane);
      if (da >= 0) Scratch.push_back(a);
      // The edge crosses the plane: the point where it does.
      if ((da >= 0) != (db >= 0)) {
        const double t = da / (da - db);
        TdxClipPoint p;
        p.U = a.U + t * (b.U - a.U);
        p.V = a.V + t * (b.V - a.V);
        for (int j = 0; j < 4; ++j) p.C[j] = a.C[j] + t * (b.C[j] - a.C[j]);
        Scratch.push_back(p);
      }
    }
    Points.swap(Scratch);
  }
}

double dxClipScale(const TdxClipPoint& P, const double DU[4], const double DV[4], int Width, int Height) {
  const double w = P.C[3], w2 = w * w;
  // d(x / w) = (dx w - x dw) / w^2 along each step.
  const auto step = [&](const double D[4]) {
    const double x = (D[0] * w - P.C[0] * D[3]) / w2 * Width / 2;
    const double y = (D[1] * w - P.C[1] * D[3]) / w2 * Height / 2;
    return std::hypot(x, y);
  };
  return std::hypot(step(DU), step(DV));
}

bool dxClipInvert(const double M[4][4], double Out[4][4]) {
  // Gauss and Jordan on M beside the identity, the largest pivot of each column first.
  double a[4][8] = {};
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) a[i][j] = M[i][j];
    a[i][4 + i] = 1;
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (!(std::fabs(a[pivot][col]) > 0) || !std::isfinite(a[pivot][col])) return false;
    for (int j = 0; j < 8; ++j) std::swap(a[col][j], a[pivot][j]);
    const double d = a[col][col];
    for (int j = 0; j < 8; ++j) a[col][j] /= d;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double f = a[r][col];
      for (int j = 0; j < 8; ++j) a[r][j] -= f * a[col][j];
    }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) Out[i][j] = a[i][4 + j];
  return true;
}

}  // namespace dx
