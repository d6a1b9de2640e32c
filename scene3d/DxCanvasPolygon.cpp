// The stencil polygon fill of the canvas on the 3D device.
#include <algorithm>
#include <cmath>
#include <limits>

#include "scene3d/DxCanvas.h"

namespace dx {

using namespace gfx3d;

namespace {

constexpr size_t MaxVertices = 65535;
constexpr size_t MaxIndices = 131070;

bool IsSeparator(const vg::TvxPoint& P) { return P.X >= 65535 && P.Y >= 65535; }

// Where the points of a polygon go: the normalising bounds and the box they are spread over.
class TPolygonPlacement {
public:
  TPolygonPlacement(const TdxVector& Center, const TdxVector& Size, bool Screen)
      : center_(Center), size_(Size), screen_(Screen) {}

  // Bounds of the real points, widened by Rect when it has an area. They start from nothing,
  // not from some large value, so that a polygon anywhere (far from the origin too) is
  // measured by its own points; without any, they are the point (0, 0).
  void Measure(const std::vector<vg::TvxPoint>& Points, const vg::TvxRect& Rect) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    float minX = inf, minY = inf, maxX = -inf, maxY = -inf;
    for (const vg::TvxPoint& p : Points) {
      if (IsSeparator(p)) continue;
      minX = std::min(minX, p.X);
      minY = std::min(minY, p.Y);
      maxX = std::max(maxX, p.X);
      maxY = std::max(maxY, p.Y);
    }
    if (vg::RectWidth(Rect) > 0 && vg::RectHeight(Rect) > 0) {
      minX = std::min(minX, Rect.Left);
      minY = std::min(minY, Rect.Top);
      maxX = std::max(maxX, Rect.Right);
      maxY = std::max(maxY, Rect.Bottom);
    }
    if (minX > maxX) minX = maxX = 0;
    if (minY > maxY) minY = maxY = 0;
    minX_ = minX;
    minY_ = minY;
    rangeX_ = std::fabs(maxX - minX);
    rangeY_ = std::fabs(maxY - minY);
  }

  // A point's share of the bounds, 0 .. 1; a bound without extent gives 0.
  float U(const vg::TvxPoint& P) const { return rangeX_ > 0 ? (P.X - minX_) / rangeX_ : 0; }
  float V(const vg::TvxPoint& P) const { return rangeY_ > 0 ? (P.Y - minY_) / rangeY_ : 0; }

  // The place of (U, V) on the face W (1: the +Z face, 0: the -Z face).
  TdxVector Place(float U, float V, float W) const {
    const float z = center_.Z - size_.Z / 2 + W * size_.Z;
    if (screen_) {
      // Whole pixels, on the pixel edges; the 2D Y axis stays down.
      return {static_cast<float>(std::nearbyint(U * size_.X)) + center_.X - size_.X / 2 + 0.5f,
              static_cast<float>(std::nearbyint(V * size_.Y)) + center_.Y - size_.Y / 2 + 0.5f, z, 1};
    }
    return {center_.X - size_.X / 2 + U * size_.X, center_.Y + size_.Y / 2 - V * size_.Y, z, 1};
  }

private:
  TdxVector center_, size_;
  bool screen_;
  float minX_ = 0, minY_ = 0, rangeX_ = 0, rangeY_ = 0;
};

// What of the frame a part of a fill can touch (a face, or the box the walls stand in): the
// pixels its corners, as the placement gives them, reach through the device's own world,
// view and projection.
struct TPolygonReach {
  // False when a corner lies at or behind the eye (or the numbers break down): then the
  // whole frame counts.
  bool Known = false;
  // Known and no pixel of the frame can be touched: the part lies outside it, or so small
  // between pixel centres that no sample falls inside.
  bool None = false;
  // Known and not None: the pixels that can be touched, a pixel to spare on every side,
  // within the frame.
  RECT Rect;
};

class TPolygonProjection {
public:
  // Spread: samples spread over the pixel (multisampling) or lines (wireframe), which reach
  // half a pixel beyond a pixel's centre.
  TPolygonProjection(IDevice& D, int Width, int Height, const RECT& Frame, bool Spread)
      : width_(Width), height_(Height), frame_(Frame), margin_((Spread ? 0.5 : 0.0) + 1.0 / 16) {
    D3DMATRIX world, view, projection;
    if (Failed(D.GetTransform(D3DTS_WORLD, &world)) || Failed(D.GetTransform(D3DTS_VIEW, &view)) ||
        Failed(D.GetTransform(D3DTS_PROJECTION, &projection)))
      return;
    double wv[4][4] = {};
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) wv[i][j] += static_cast<double>(world.m[i][k]) * view.m[k][j];
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        for (int k = 0; k < 4; ++k) m_[i][j] += wv[i][k] * projection.m[k][j];
    known_ = true;
  }

  // The reach of the face W (1: +Z, 0: -Z), or of the whole box (W < 0).
  TPolygonReach Reach(const TPolygonPlacement& Place, float W) const {
    TPolygonReach reach;
    if (!known_) return reach;
    constexpr double inf = std::numeric_limits<double>::infinity();
    double minX = inf, minY = inf, maxX = -inf, maxY = -inf;
    for (int corner = 0; corner < (W < 0 ? 8 : 4); ++corner) {
      const float w = W < 0 ? static_cast<float>((corner >> 2) & 1) : W;
      const TdxVector p = Place.Place(static_cast<float>(corner & 1), static_cast<float>((corner >> 1) & 1), w);
      double c[4];
      for (int j = 0; j < 4; ++j) c[j] = p.X * m_[0][j] + p.Y * m_[1][j] + p.Z * m_[2][j] + m_[3][j];
      // In front of the eye the projection keeps straight lines straight, so the part's
      // picture lies within its corners' (clipping only takes from it).
      if (!(c[3] > 0)) return reach;
      const double x = (c[0] / c[3] + 1) / 2 * width_, y = (1 - c[1] / c[3]) / 2 * height_;
      if (!std::isfinite(x) || !std::isfinite(y)) return reach;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
    reach.Known = true;
    // Pixel i samples at i (Direct3D's centres), a sixteenth of a pixel to spare for the
    // rounding of the transforms.
    const double left = std::max<double>(std::ceil(minX - margin_), frame_.left);
    const double right = std::min<double>(std::floor(maxX + margin_), frame_.right - 1);
    const double top = std::max<double>(std::ceil(minY - margin_), frame_.top);
    const double bottom = std::min<double>(std::floor(maxY + margin_), frame_.bottom - 1);
    if (left > right || top > bottom) {
      reach.None = true;
      return reach;
    }
    reach.Rect = {static_cast<std::int32_t>(std::max<double>(left - 1, frame_.left)),
                  static_cast<std::int32_t>(std::max<double>(top - 1, frame_.top)),
                  static_cast<std::int32_t>(std::min<double>(right + 2, frame_.right)),
                  static_cast<std::int32_t>(std::min<double>(bottom + 2, frame_.bottom))};
    return reach;
  }
  // Whether Reach is known and less than the frame.
  bool Narrow(const TPolygonReach& Reach) const {
    return Reach.Known && (Reach.Rect.left > frame_.left || Reach.Rect.top > frame_.top ||
                           Reach.Rect.right < frame_.right || Reach.Rect.bottom < frame_.bottom);
  }

private:
  double m_[4][4] = {};
  bool known_ = false;
  int width_, height_;
  RECT frame_;
  double margin_;
};

}  // namespace

void TdxDirectXCanvas::FillPolygon(const TdxVector& Center, const TdxVector& Size, const vg::TvxRect& Rect,
                                   const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back,
                                   bool Sides) {
  if (!DrawReady() || Points.empty()) return;
  const size_t n = Points.size();
  TPolygonPlacement place(Center, Size, RenderStateSet(rsScreenSpace));
  place.Measure(Points, Rect);
  const TdxColor color = dxOpacityColor(Material().DiffuseColor(), Opacity);
  // The device's depth writes follow the cache again once the stencil passes are done.
  const std::uint32_t depthWrite = RenderStateSet(rsDepthWriteOff) ? 0 : 1;
  IDevice& d = *Device();
  // A part of the fill that can touch no pixel of the frame is left out; a face that can touch
  // a part of it clears only that part of the stencil. So a fill costs what it covers on the
  // screen (thousands of tiny fills that each cleared a whole window's stencil held a frame
  // for minutes).
  const RECT frame = FrameRect();
  const TPolygonProjection projection(
      d, Width(), Height(), frame,
      PresentParameters().MultiSampleType != D3DMULTISAMPLE_NONE || RenderStateSet(rsWireframe));
  const auto clearStencil = [&](const TPolygonReach& Reach) {
    if (!projection.Narrow(Reach)) {
      d.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 0, 0);
      return;
    }
    d.SetScissorRect(&Reach.Rect);
    if (!scissorOn_) d.SetRenderState(D3DRS_SCISSORTESTENABLE, 1);
    d.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 0, 0);
    // The frame's own scissor, as the frame began.
    if (scissorOn_)
      d.SetScissorRect(&frame);
    else
      d.SetRenderState(D3DRS_SCISSORTESTENABLE, 0);
  };

  // Each contour's fan from its first point; a triangle that would reach a separator's slot
  // is left out. The fan is the same on both faces.
  std::vector<std::uint16_t>& fan = polygonFan_;
  fan.clear();
  bool fanHasArea = false;
  size_t start = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (IsSeparator(Points[i])) {
      start = i + 1;
      continue;
    }
    if (IsSeparator(Points[i + 1])) continue;
    fan.insert(fan.end(), {static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(i + 1),
                           static_cast<std::uint16_t>(i)});
    fanHasArea = fanHasArea || i > start;
  }

  // ---- faces -----------------------------------------------------------------------------
  for (const bool front : {true, false}) {
    if (!(front ? Front : Back)) continue;
    if (n > MaxVertices || fan.size() > MaxIndices) return;
    // Contours of fewer than three points enclose nothing.
    if (!fanHasArea) continue;
    const float w = front ? 1.0f : 0.0f, nz = front ? 1.0f : -1.0f;
    const TPolygonReach reach = projection.Reach(place, w);
    if (reach.None) continue;
    std::vector<TdxCanvasVertex>& v = polygonVertices_;
    v.assign(n, TdxCanvasVertex{});
    for (size_t k = 0; k < n; ++k) {
      if (IsSeparator(Points[k])) continue;
      const float u = place.U(Points[k]), vv = place.V(Points[k]);
      const TdxVector p = place.Place(u, vv, w);
      v[k] = front ? TdxCanvasVertex{p.X, p.Y, p.Z, 0, 0, 1, color, 0.02f + 0.96f * u, 0.02f + 0.96f * vv}
                   : TdxCanvasVertex{p.X, p.Y, p.Z, 0, 0, -1, color, u, vv};
    }
    const auto vbytes = static_cast<std::uint32_t>(n * sizeof(TdxCanvasVertex));
    const auto ibytes = static_cast<std::uint32_t>(fan.size() * 2);
    if (!Append(true, v.data(), vbytes) || !Append(false, fan.data(), ibytes)) continue;
    // The fan inverts the stencil wherever it passes: odd coverage is inside the polygon.
    d.SetRenderState(D3DRS_STENCILENABLE, 1);
    clearStencil(reach);
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
    d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    d.SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
    Draw(D3DPT_TRIANGLELIST, static_cast<std::uint32_t>(n), vbytes, ibytes,
         static_cast<std::uint32_t>(fan.size() / 3));
    d.SetRenderState(D3DRS_COLORWRITEENABLE, 0xFFFFFFFF);

    // The quad over the whole face, its corners at (u, v) = their texture coordinates.
    static constexpr float corners[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    TdxCanvasVertex quad[4];
    for (int k = 0; k < 4; ++k) {
      const TdxVector p = place.Place(corners[k][0], corners[k][1], w);
      quad[k] = dxCanvasVertex(p.X, p.Y, p.Z, 0, 0, nz, color, corners[k][0], corners[k][1]);
    }
    static constexpr std::uint16_t frontQuad[6] = {0, 3, 1, 1, 3, 2}, backQuad[6] = {0, 1, 3, 1, 2, 3};
    if (!Append(true, quad, sizeof quad) || !Append(false, front ? frontQuad : backQuad, 12)) {
      d.SetRenderState(D3DRS_ZWRITEENABLE, depthWrite);
      d.SetRenderState(D3DRS_STENCILENABLE, 0);
      continue;
    }
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_ZWRITEENABLE, depthWrite);
    // The stream and the indices are those of the fan.
    d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<std::int32_t>(vertexPos_ / 36), 0, 4, indexPos_ / 2, 2);
    d.SetRenderState(D3DRS_STENCILENABLE, 0);
    vertexPos_ += sizeof quad;
    indexPos_ += 12;
  }

  // ---- walls -----------------------------------------------------------------------------
  if (!Sides || projection.Reach(place, -1).None) return;
  // The running length of the outline at each point, from the last real point before it.
  std::vector<float>& along = polygonAlong_;
  along.assign(n, 0);
  float perimeter = 0;
  const vg::TvxPoint* last = nullptr;
  for (size_t k = 0; k < n; ++k) {
    if (IsSeparator(Points[k])) continue;
    if (last) {
      const float dx = Points[k].X - last->X, dy = Points[k].Y - last->Y;
      perimeter += std::sqrt(dx * dx + dy * dy);
    }
    along[k] = perimeter;
    last = &Points[k];
  }
  if (!(perimeter > 0) || 2 * n > MaxVertices) return;
  std::vector<TdxCanvasVertex>& wv = polygonVertices_;
  std::vector<std::uint16_t>& wi = polygonFan_;
  wv.assign(2 * n, TdxCanvasVertex{});
  wi.clear();
  for (size_t k = 0; k < n; ++k) {
    if (IsSeparator(Points[k])) continue;
    const float u = place.U(Points[k]), vv = place.V(Points[k]), s = along[k] / perimeter;
    const TdxVector top = place.Place(u, vv, 1), bottom = place.Place(u, vv, 0);
    wv[k] = {top.X, top.Y, top.Z, 0, 0, 0, color, s, 0};
    wv[n + k] = {bottom.X, bottom.Y, bottom.Z, 0, 0, 0, color, s, 1};
  }
  // Each wall quad: (i, n + i, n + i + 1) and (n + i + 1, i + 1, i). Its normals are those of
  // CalcNormals: the sum of the unit normals of the triangles at each corner, so the corners on
  // both triangles (i and n + i + 1) take the quad's normal twice. Summed in the same turn, they
  // point out of the slab when the outline runs counter-clockwise seen from the front face.
  double area = 0;
  const auto add = [&](size_t K, float NX, float NY) {
    wv[K].NX += NX;
    wv[K].NY += NY;
  };
  // The walls stand straight on the faces, so each triangle's unit normal lies in the faces'
  // plane: across the outline's step, on the side the front face's depth turns it to.
  const float turn = Size.Z < 0 ? -1.0f : 1.0f;
  for (size_t i = 0; i + 1 < n; ++i) {
    if (IsSeparator(Points[i]) || IsSeparator(Points[i + 1])) continue;
    const auto a = static_cast<std::uint16_t>(i), b = static_cast<std::uint16_t>(i + 1);
    const auto c = static_cast<std::uint16_t>(n + i), e = static_cast<std::uint16_t>(n + i + 1);
    wi.insert(wi.end(), {a, c, e, e, b, a});
    const float dx = wv[b].X - wv[a].X, dy = wv[b].Y - wv[a].Y, length = std::sqrt(dx * dx + dy * dy);
    if (length > 0 && Size.Z != 0) {
      const float nx = turn * dy / length, ny = -turn * dx / length;
      add(a, 2 * nx, 2 * ny);
      add(e, 2 * nx, 2 * ny);
      add(b, nx, ny);
      add(c, nx, ny);
    }
    area += static_cast<double>(wv[a].X) * wv[b].Y - static_cast<double>(wv[b].X) * wv[a].Y;
  }
  if (wi.size() > MaxIndices || wi.empty()) return;
  // Turned round for an outline running the other way, so that light falls on the walls from
  // outside whichever way the outline runs.
  if (area * Size.Z < 0)
    for (TdxCanvasVertex& v : wv) {
      v.NX = -v.NX;
      v.NY = -v.NY;
      v.NZ = -v.NZ;
    }
  DrawList(D3DPT_TRIANGLELIST, wv.data(), static_cast<std::uint32_t>(wv.size()), wi.data(),
           static_cast<std::uint32_t>(wi.size()), static_cast<std::uint32_t>(wi.size() / 3));
}

}  // namespace dx
