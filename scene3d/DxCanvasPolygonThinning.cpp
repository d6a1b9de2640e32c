// The outline thinner of the 3D canvas's polygon fill.
#include <algorithm>
#include <cmath>

#include "scene3d/DxCanvasPolygon_Internal.h"

namespace dx::polygon_internal {

void TOutlineThinner::Thin(const std::vector<vg::TvxPoint>& Points, std::vector<vg::TvxPoint>& Out) {
  Out.clear();
  for (size_t k = 0; k < Points.size();) {
    if (IsSeparator(Points[k])) {
      Out.push_back(Points[k++]);
      continue;
    }
    size_t end = k + 1;
    while (end < Points.size() && !IsSeparator(Points[end])) ++end;
    Contour(&Points[k], end - k, Out);
    k = end;
  }
}

void TOutlineThinner::Contour(const vg::TvxPoint* P, size_t Count, std::vector<vg::TvxPoint>& Out) {
  if (Count <= 3) {
    Out.insert(Out.end(), P, P + Count);
    return;
  }
  near_.assign(1, P[0]);
  for (size_t i = 1; i + 1 < Count; ++i)
    if (Distance2(P[i], near_.back()) > near2_) near_.push_back(P[i]);
  near_.push_back(P[Count - 1]);
  const size_t m = near_.size();
  keep_.assign(m, false);
  keep_.front() = keep_.back() = true;
  spans_.clear();
  if (m > 2) spans_.emplace_back(0, m - 1);
  while (!spans_.empty()) {
    const auto [a, b] = spans_.back();
    spans_.pop_back();
    double worst = line2_;
    size_t at = 0;
    for (size_t i = a + 1; i < b; ++i) {
      const double d = SegmentDistance2(near_[i], near_[a], near_[b]);
      if (d > worst) {
        worst = d;
        at = i;
      }
    }
    if (at == 0) continue;
    keep_[at] = true;
    if (at - a > 1) spans_.emplace_back(a, at);
    if (b - at > 1) spans_.emplace_back(at, b);
  }
  const size_t first = Out.size();
  for (size_t i = 0; i < m; ++i)
    if (keep_[i]) Out.push_back(near_[i]);
  KeepArea(P, Count, Out.data() + first, Out.size() - first);
}

double TOutlineThinner::Area2(const vg::TvxPoint* P, size_t Count, double* CX, double* CY) {
  double a = 0, cx = 0, cy = 0;
  const double ox = P[0].X, oy = P[0].Y;
  for (size_t i = 0; i < Count; ++i) {
    const double px = P[i].X - ox, py = P[i].Y - oy;
    const double qx = P[(i + 1) % Count].X - ox, qy = P[(i + 1) % Count].Y - oy;
    const double cross = px * qy - qx * py;
    a += cross;
    cx += (px + qx) * cross;
    cy += (py + qy) * cross;
  }
  if (CX && a != 0) *CX = ox + cx / (3 * a);
  if (CY && a != 0) *CY = oy + cy / (3 * a);
  return a;
}

void TOutlineThinner::KeepArea(const vg::TvxPoint* P, size_t Count, vg::TvxPoint* T, size_t Kept) const {
  double cx = 0, cy = 0;
  const double was = Area2(P, Count), is = Area2(T, Kept, &cx, &cy);
  if (!(was * is > 0)) return;
  double reach = 0;
  for (size_t i = 0; i < Kept; ++i) {
    const double dx = (T[i].X - cx) * sx_, dy = (T[i].Y - cy) * sy_;
    reach = std::max(reach, std::sqrt(dx * dx + dy * dy));
  }
  if (!(reach > 0)) return;
  const double k = std::clamp(std::sqrt(was / is), 1 - stretch_ / reach, 1 + stretch_ / reach);
  for (size_t i = 0; i < Kept; ++i)
    T[i] = {static_cast<float>(cx + k * (T[i].X - cx)), static_cast<float>(cy + k * (T[i].Y - cy))};
}

}  // namespace dx::polygon_internal
