// The stencil polygon fill of the canvas on the 3D device: one box, or the repeated boxes of
// one outline, filled in shared draws with the outline thinned to each box's size on the frame.
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "scene3d/DxCanvas.h"
#include "scene3d/DxCanvasPolygon_Internal.h"
#include "scene3d/FrustumClip.h"

namespace dx {

using namespace gfx3d;

namespace {

constexpr size_t MaxVertices = 65535;
constexpr size_t MaxIndices = 131070;
// How far a thinned outline may lie from the polygon on the frame, in pixels.
constexpr double ThinningPixels = 0.5;
// Boxes are thinned for by steps of a quarter octave of their size on the frame.
constexpr double ThinningStepsPerOctave = 4;

using polygon_internal::IsSeparator;
using polygon_internal::TOutlineThinner;

// The length of the step from A to B.
float Step(const vg::TvxPoint& A, const vg::TvxPoint& B) {
  const float dx = B.X - A.X, dy = B.Y - A.Y;
  return std::sqrt(dx * dx + dy * dy);
}

// The unit normal of a wall whose front edge steps from (AX, AY) to (BX, BY): across the step,
// on the side Turn gives; none for a step without length or walls without depth.
bool WallNormal(float AX, float AY, float BX, float BY, float Turn, float Depth, float& NX, float& NY) {
  const float dx = BX - AX, dy = BY - AY, length = std::sqrt(dx * dx + dy * dy);
  if (!(length > 0 && Depth != 0)) return false;
  NX = Turn * dy / length;
  NY = -Turn * dx / length;
  return true;
}

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

  // The same bounds spread over the box of the same size about Center.
  TPolygonPlacement At(const TdxVector& Center) const {
    TPolygonPlacement moved = *this;
    moved.center_ = Center;
    return moved;
  }

  // A point's share of the bounds, 0 .. 1; a bound without extent gives 0.
  float U(const vg::TvxPoint& P) const { return rangeX_ > 0 ? (P.X - minX_) / rangeX_ : 0; }
  float V(const vg::TvxPoint& P) const { return rangeY_ > 0 ? (P.Y - minY_) / rangeY_ : 0; }
  // What a step in X or Y is in shares of the bounds.
  double ScaleX() const { return rangeX_ > 0 ? 1.0 / rangeX_ : 0.0; }
  double ScaleY() const { return rangeY_ > 0 ? 1.0 / rangeY_ : 0.0; }

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
// view and projection. A part that crosses the near plane is cut to what lies before it and
// within the frame's sides, and measured by what is left.
struct TPolygonReach {
  // False when the numbers break down (a corner before the near plane but not before the eye,
  // or not finite): then the whole frame counts.
  bool Known = false;
  // Known and no pixel of the frame can be touched: the part lies outside it, wholly at or
  // behind the near plane, or so small between pixel centres that no sample falls inside.
  bool None = false;
  // Known, and the part crosses the near plane (Scale then holds for a box too).
  bool Cut = false;
  // Known and not None: the pixels that can be touched, a pixel to spare on every side,
  // within the frame.
  RECT Rect{};
  // Known, for a face (or a cut box): how many pixels a step of a whole share of the bounds
  // moves a point of it at most (however much of it lies outside the frame). A step (du, dv)
  // moves it by about |du| times the picture of an edge along u plus |dv| times that of one
  // along v, so by no more than its length times the root of the sum of their squares; the
  // longer edge of each pair counts. Of a cut part, the most that root comes to at a corner of
  // what is left of it within the frame, where that comes nearest the eye.
  double Scale = 0;

  // Both parts together: known when both are, reaching what either reaches.
  void Join(const TPolygonReach& Other) {
    if (!Known || !Other.Known) {
      Known = false;
      return;
    }
    if (None) {
      *this = Other;
      return;
    }
    if (Other.None) return;
    Rect = {std::min(Rect.left, Other.Rect.left), std::min(Rect.top, Other.Rect.top),
            std::max(Rect.right, Other.Rect.right), std::max(Rect.bottom, Other.Rect.bottom)};
  }
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
    const int count = W < 0 ? 8 : 4;
    double c[8][4];
    int before = 0;
    for (int corner = 0; corner < count; ++corner) {
      const float w = W < 0 ? static_cast<float>((corner >> 2) & 1) : W;
      const TdxVector p = Place.Place(static_cast<float>(corner & 1), static_cast<float>((corner >> 1) & 1), w);
      for (int j = 0; j < 4; ++j) c[corner][j] = p.X * m_[0][j] + p.Y * m_[1][j] + p.Z * m_[2][j] + m_[3][j];
      for (const double x : c[corner])
        if (!std::isfinite(x)) return reach;
      if (!(c[corner][2] >= 0)) continue;
      // Before the near plane and not before the eye: no projection this measure knows.
      if (!(c[corner][3] > 0)) return reach;
      ++before;
    }
    reach.Known = true;
    if (before == 0) {
      // Wholly at or behind the near plane: nothing of it is drawn.
      reach.None = true;
      return reach;
    }
    constexpr double inf = std::numeric_limits<double>::infinity();
    double minX = inf, minY = inf, maxX = -inf, maxY = -inf;
    const auto take = [&](double X, double Y) {
      minX = std::min(minX, X);
      maxX = std::max(maxX, X);
      minY = std::min(minY, Y);
      maxY = std::max(maxY, Y);
    };
    if (before == count) {
      // Before the near plane the projection keeps straight lines straight, so the part's
      // picture lies within its corners' (clipping only takes from it).
      double px[8], py[8];
      for (int corner = 0; corner < count; ++corner) {
        dxClipToPixel(c[corner], width_, height_, px[corner], py[corner]);
        if (!std::isfinite(px[corner]) || !std::isfinite(py[corner])) return TPolygonReach{};
        take(px[corner], py[corner]);
      }
      if (W >= 0) {
        // Corners 0 and 1, 2 and 3 differ in u; 0 and 2, 1 and 3 in v.
        const auto edge = [&](int A, int B) { return std::hypot(px[B] - px[A], py[B] - py[A]); };
        reach.Scale = std::hypot(std::max(edge(0, 1), edge(2, 3)), std::max(edge(0, 2), edge(1, 3)));
      }
    } else {
      // Cut by the near plane: what is left of each face of it before that plane and within
      // the frame's sides (a box: its six faces).
      reach.Cut = true;
      double du[4], dv[4];
      for (int j = 0; j < 4; ++j) {
        du[j] = c[1][j] - c[0][j];
        dv[j] = c[2][j] - c[0][j];
      }
      // Each face's corners in turn round it; of a box, the corner indices of its six faces.
      static constexpr int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                          {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
      for (int f = 0; f < (W < 0 ? 6 : 1); ++f) {
        clipped_.clear();
        for (const int corner : faces[f]) {
          TdxClipPoint p;
          p.U = corner & 1;
          p.V = (corner >> 1) & 1;
          for (int j = 0; j < 4; ++j) p.C[j] = c[corner][j];
          clipped_.push_back(p);
        }
        dxClipPolygon(clipped_, true, scratch_);
        for (const TdxClipPoint& p : clipped_) {
          double x = 0, y = 0;
          dxClipToPixel(p.C, width_, height_, x, y);
          if (!std::isfinite(x) || !std::isfinite(y)) return TPolygonReach{};
          take(x, y);
          reach.Scale = std::max(reach.Scale, dxClipScale(p, du, dv, width_, height_));
        }
      }
      if (!(minX <= maxX)) {
        reach.None = true;
        return reach;
      }
    }
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
  mutable std::vector<TdxClipPoint> clipped_, scratch_;
};

}  // namespace

void TdxDirectXCanvas::FillPolygon(const TdxVector& Center, const TdxVector& Size, const vg::TvxRect& Rect,
                                   const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back,
                                   bool Sides) {
  FillPolygonBoxes(&Center, 1, Size, Rect, Points, Opacity, Front, Back, Sides, false);
}

void TdxDirectXCanvas::FillPolygons(const std::vector<TdxVector>& Centers, const TdxVector& Size,
                                    const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back,
                                    bool Sides) {
  FillPolygonBoxes(Centers.data(), Centers.size(), Size, vg::TvxRect{}, Points, Opacity, Front, Back, Sides, true);
}

void TdxDirectXCanvas::FillPolygonBoxes(const TdxVector* Centers, size_t Count, const TdxVector& Size,
                                        const vg::TvxRect& Rect, const std::vector<vg::TvxPoint>& Points, float Opacity,
                                        bool Front, bool Back, bool Sides, bool Thin) {
  if (!DrawReady() || Points.empty() || Count == 0) return;
  TPolygonPlacement shape({0, 0, 0, 1}, Size, RenderStateSet(rsScreenSpace));
  shape.Measure(Points, Rect);
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

  // ---- the outlines ----------------------------------------------------------------------
  // The points as given, or thinned for boxes whose faces' scale on the frame (see
  // TPolygonReach::Scale) is up to 2^(Level / ThinningStepsPerOctave) pixels: each form is made
  // once for all boxes of its size.
  std::vector<TPolygonForm>& forms = polygonForms_;
  size_t formCount = 0;
  // A thinned outline longer than a draw is given back when the call is over.
  struct TGiveBack {
    std::vector<TPolygonForm>& Forms;
    ~TGiveBack() {
      for (TPolygonForm& f : Forms)
        if (f.Thinned.capacity() > MaxVertices) std::vector<vg::TvxPoint>().swap(f.Thinned);
    }
  } giveBack{forms};
  const auto pointsOf = [&](const TPolygonForm& F) -> const std::vector<vg::TvxPoint>& {
    return F.Level < 0 ? Points : F.Thinned;
  };
  // Each contour's fan from its first point, as (start, i) for the triangle (start, i + 1, i);
  // a triangle that would reach a separator's slot is left out. A thinned outline also leaves
  // out those that have no area for certain: the first of each fan and the one closing it onto
  // its first point. The fan is the same on both faces.
  const auto eachFan = [](const std::vector<vg::TvxPoint>& P, int Level, const auto& Take) {
    size_t start = 0;
    for (size_t i = 0; i + 1 < P.size(); ++i) {
      if (IsSeparator(P[i])) {
        start = i + 1;
        continue;
      }
      if (IsSeparator(P[i + 1]) || (Level >= 0 && (i == start || P[i + 1] == P[start]))) continue;
      Take(start, i);
    }
  };
  const auto formOf = [&](int Level) {
    for (size_t f = 0; f < formCount; ++f)
      if (forms[f].Level == Level) return f;
    if (formCount == forms.size()) forms.emplace_back();
    TPolygonForm& form = forms[formCount];
    form.Level = Level;
    if (Level >= 0) {
      const double pixels = std::exp2(Level / ThinningStepsPerOctave);
      TOutlineThinner(shape.ScaleX(), shape.ScaleY(), ThinningPixels / pixels).Thin(Points, form.Thinned);
    }
    const std::vector<vg::TvxPoint>& p = pointsOf(form);
    const size_t n = p.size();
    // What the outline draws: its fans' triangles, its wall quads and its length.
    size_t fanTriangles = 0;
    eachFan(p, Level, [&](size_t, size_t) { ++fanTriangles; });
    form.FanHasArea = false;
    form.WallQuads = 0;
    size_t start = 0;
    for (size_t i = 0; i + 1 < n; ++i) {
      if (IsSeparator(p[i])) {
        start = i + 1;
      } else if (!IsSeparator(p[i + 1])) {
        ++form.WallQuads;
        form.FanHasArea = form.FanHasArea || i > start;
      }
    }
    form.Perimeter = 0;
    const vg::TvxPoint* last = nullptr;
    for (const vg::TvxPoint& q : p) {
      if (IsSeparator(q)) continue;
      if (last) form.Perimeter += Step(*last, q);
      last = &q;
    }
    form.FacesLong = n > MaxVertices || 3 * fanTriangles > MaxIndices;
    form.WallsLong = 2 * n > MaxVertices || 6 * form.WallQuads > MaxIndices;
    // An outline longer than a draw goes to the device straight from its points, a draw at a
    // time; the others keep what their faces and walls draw of them.
    form.Shares.clear();
    form.Fan.clear();
    form.Along.clear();
    if (!form.FacesLong) {
      form.Shares.assign(n, vg::TvxPoint{});
      for (size_t k = 0; k < n; ++k)
        if (!IsSeparator(p[k])) form.Shares[k] = {shape.U(p[k]), shape.V(p[k])};
      form.Fan.reserve(3 * fanTriangles);
      eachFan(p, Level, [&](size_t S, size_t I) {
        for (const size_t k : {S, I + 1, I}) form.Fan.push_back(static_cast<std::uint32_t>(k));
      });
      // The running length of the outline at each point, from the last real point before it.
      form.Along.assign(n, 0);
      float along = 0;
      last = nullptr;
      for (size_t k = 0; k < n; ++k) {
        if (IsSeparator(p[k])) continue;
        if (last) along += Step(*last, p[k]);
        form.Along[k] = along;
        last = &p[k];
      }
    }
    return formCount++;
  };
  // Each box: where it lies, what it and its faces (+Z, -Z) can reach on the frame and its
  // outline. A box that can touch no pixel (off the frame, or wholly at or behind the near
  // plane, the eye's own plane among them) is left out here and costs nothing more.
  struct TBox {
    TPolygonPlacement Place;
    TPolygonReach Whole, Face[2];
    size_t Form;
  };
  std::vector<TBox> boxes;
  boxes.reserve(Count);
  for (size_t k = 0; k < Count; ++k) {
    const TPolygonPlacement place = shape.At(Centers[k]);
    const TPolygonReach whole = projection.Reach(place, -1);
    if (whole.None) continue;
    TBox& b = boxes.emplace_back(TBox{place, whole, {}, 0});
    if (Thin || Front) b.Face[0] = projection.Reach(b.Place, 1);
    if (Thin || Back) b.Face[1] = projection.Reach(b.Place, 0);
    int level = -1;
    if (Thin && whole.Known) {
      // The walls' outlines lie between the faces', so the larger face shows the most; of a box
      // cut by the near plane, the largest scale of what is left of it, where it comes nearest.
      const double scale = std::max({whole.Cut ? whole.Scale : std::max(b.Face[0].Scale, b.Face[1].Scale), 1.0});
      level = std::min(static_cast<int>(std::ceil(ThinningStepsPerOctave * std::log2(scale))), 400);
    }
    b.Form = formOf(level);
  }

  std::vector<TdxCanvasVertex>& v = polygonVertices_;
  std::vector<std::uint16_t>& indices = polygonIndices_;

  // ---- faces -----------------------------------------------------------------------------
  for (const bool front : {true, false}) {
    if (!(front ? Front : Back)) continue;
    const float w = front ? 1.0f : 0.0f, nz = front ? 1.0f : -1.0f;
    const size_t side = front ? 0 : 1;
    // The vertex of a fan at the share (U, V) of a box's bounds.
    const auto fanVertex = [&](const TPolygonPlacement& Place, float U, float V) {
      const TdxVector at = Place.Place(U, V, w);
      return front ? TdxCanvasVertex{at.X, at.Y, at.Z, 0, 0, 1, color, 0.02f + 0.96f * U, 0.02f + 0.96f * V}
                   : TdxCanvasVertex{at.X, at.Y, at.Z, 0, 0, -1, color, U, V};
    };
    // The boxes gathered for one stencil pass: their fans, their quads, what they reach. The
    // pass opens with its first fans that reach the device.
    v.clear();
    indices.clear();
    polygonQuads_.clear();
    polygonQuadIndices_.clear();
    TPolygonReach reach;
    reach.Known = reach.None = true;
    bool open = false;
    // Fans into the stencil: they invert it wherever they pass, so odd coverage is inside the
    // polygon.
    const auto fans = [&] {
      const auto vbytes = static_cast<std::uint32_t>(v.size() * sizeof(TdxCanvasVertex));
      const auto ibytes = static_cast<std::uint32_t>(indices.size() * 2);
      if (!Append(true, v.data(), vbytes) || !Append(false, indices.data(), ibytes)) return;
      if (!open) {
        d.SetRenderState(D3DRS_STENCILENABLE, 1);
        clearStencil(reach);
        d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
        d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        d.SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        d.SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
        d.SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
        open = true;
      }
      Draw(D3DPT_TRIANGLELIST, static_cast<std::uint32_t>(v.size()), vbytes, ibytes,
           static_cast<std::uint32_t>(indices.size() / 3));
    };
    // The pass's quads where the stencil says inside, and the pass closed.
    const auto close = [&] {
      if (open) {
        d.SetRenderState(D3DRS_COLORWRITEENABLE, 0xFFFFFFFF);
        const auto quads = static_cast<std::uint32_t>(polygonQuads_.size() / 4);
        if (Append(true, polygonQuads_.data(), quads * 4 * 36) &&
            Append(false, polygonQuadIndices_.data(), quads * 12)) {
          d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
          d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
          d.SetRenderState(D3DRS_ZWRITEENABLE, depthWrite);
          // The stream and the indices are those of the fans.
          d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<std::int32_t>(vertexPos_ / 36), 0, quads * 4,
                                 indexPos_ / 2, quads * 2);
          vertexPos_ += quads * 4 * 36;
          indexPos_ += quads * 12;
        } else {
          d.SetRenderState(D3DRS_ZWRITEENABLE, depthWrite);
        }
        d.SetRenderState(D3DRS_STENCILENABLE, 0);
      }
      open = false;
      v.clear();
      indices.clear();
      polygonQuads_.clear();
      polygonQuadIndices_.clear();
      reach.Known = reach.None = true;
    };
    const auto draw = [&] {
      if (polygonQuads_.empty()) return;
      fans();
      close();
    };
    for (const TBox& b : boxes) {
      const TPolygonForm& form = forms[b.Form];
      const std::vector<vg::TvxPoint>& p = pointsOf(form);
      const size_t n = p.size();
      // Contours of fewer than three points enclose nothing.
      if (!form.FanHasArea || b.Face[side].None) continue;
      // An outline longer than a draw has a pass of its own.
      if (form.FacesLong || v.size() + n > MaxVertices || indices.size() + form.Fan.size() > MaxIndices ||
          polygonQuads_.size() + 4 > MaxVertices)
        draw();
      // The box's quad over its whole face, its corners at (u, v) = their texture coordinates.
      static constexpr float corners[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
      static constexpr std::uint16_t frontQuad[6] = {0, 3, 1, 1, 3, 2}, backQuad[6] = {0, 1, 3, 1, 2, 3};
      const size_t q = polygonQuads_.size();
      for (const auto& c : corners) {
        const TdxVector at = b.Place.Place(c[0], c[1], w);
        polygonQuads_.push_back(dxCanvasVertex(at.X, at.Y, at.Z, 0, 0, nz, color, c[0], c[1]));
      }
      for (const std::uint16_t i : front ? frontQuad : backQuad)
        polygonQuadIndices_.push_back(static_cast<std::uint16_t>(q + i));
      reach.Join(b.Face[side]);
      if (form.FacesLong) {
        // Its fans straight from its points, as many draws as they need: each draw holds a
        // contour's first point and the run of points after it that fits.
        size_t startPoint = 0, lastPoint = 0;
        std::uint16_t startAt = 0;
        bool startIn = false, lastIn = false;
        const auto vertex = [&](size_t K) {
          v.push_back(fanVertex(b.Place, shape.U(p[K]), shape.V(p[K])));
          return static_cast<std::uint16_t>(v.size() - 1);
        };
        eachFan(p, form.Level, [&](size_t S, size_t I) {
          if (v.size() + 3 > MaxVertices || indices.size() + 3 > MaxIndices) {
            fans();
            v.clear();
            indices.clear();
            startIn = lastIn = false;
          }
          if (!startIn || startPoint != S) {
            startPoint = S;
            startAt = vertex(S);
            startIn = true;
          }
          const std::uint16_t at = lastIn && lastPoint == I ? static_cast<std::uint16_t>(v.size() - 1) : vertex(I);
          const std::uint16_t next = vertex(I + 1);
          lastPoint = I + 1;
          lastIn = true;
          for (const std::uint16_t k : {startAt, next, at}) indices.push_back(k);
        });
        if (!indices.empty()) fans();
        close();
        continue;
      }
      // Separators' slots stay all zero.
      const size_t base = v.size();
      v.resize(base + n);
      for (size_t k = 0; k < n; ++k)
        if (!IsSeparator(p[k])) v[base + k] = fanVertex(b.Place, form.Shares[k].X, form.Shares[k].Y);
      const size_t at = indices.size();
      indices.resize(at + form.Fan.size());
      for (size_t i = 0; i < form.Fan.size(); ++i) indices[at + i] = static_cast<std::uint16_t>(base + form.Fan[i]);
    }
    draw();
  }

  // ---- walls -----------------------------------------------------------------------------
  if (!Sides) return;
  v.clear();
  indices.clear();
  const auto drawWalls = [&] {
    if (!indices.empty())
      DrawList(D3DPT_TRIANGLELIST, v.data(), static_cast<std::uint32_t>(v.size()), indices.data(),
               static_cast<std::uint32_t>(indices.size()), static_cast<std::uint32_t>(indices.size() / 3));
    v.clear();
    indices.clear();
  };
  // The walls stand straight on the faces, so each triangle's unit normal lies in the faces'
  // plane: across the outline's step, on the side the front face's depth turns it to.
  const float turn = Size.Z < 0 ? -1.0f : 1.0f;
  // The walls of an outline longer than a draw, straight from its points, a run of them a draw
  // (each run from the point the last one ended on): the vertices are those of the others, each
  // point's normal summed from the quads on either side of it in the order theirs are.
  const auto longWalls = [&](const std::vector<vg::TvxPoint>& P, const TPolygonPlacement& Place, float Perimeter) {
    const size_t n = P.size();
    const auto quad = [&](size_t I) { return I + 1 < n && !IsSeparator(P[I]) && !IsSeparator(P[I + 1]); };
    const auto topOf = [&](size_t K) { return Place.Place(shape.U(P[K]), shape.V(P[K]), 1); };
    double area = 0;
    for (size_t i = 0; i + 1 < n; ++i)
      if (quad(i)) {
        const TdxVector a = topOf(i), c = topOf(i + 1);
        area += static_cast<double>(a.X) * c.Y - static_cast<double>(c.X) * a.Y;
      }
    const bool turned = area * Size.Z < 0;
    // 21,846 points a run: 21,845 quads fill the index buffer.
    constexpr size_t Run = MaxIndices / 6 + 1;
    float along = 0;
    const vg::TvxPoint* last = nullptr;
    TdxCanvasVertex carried[2]{};
    for (size_t k = 0;;) {
      const size_t m = std::min(Run, n - k);
      v.assign(2 * m, TdxCanvasVertex{});
      for (size_t j = 0; j < m; ++j) {
        const size_t at = k + j;
        if (j == 0 && k > 0) {
          v[0] = carried[0];
          v[m] = carried[1];
          continue;
        }
        if (IsSeparator(P[at])) continue;
        if (last) along += Step(*last, P[at]);
        last = &P[at];
        const float u = shape.U(P[at]), vv = shape.V(P[at]), s = along / Perimeter;
        const TdxVector top = Place.Place(u, vv, 1), bottom = Place.Place(u, vv, 0);
        TdxCanvasVertex &t = v[j], &e = v[m + j];
        t = {top.X, top.Y, top.Z, 0, 0, 0, color, s, 0};
        e = {bottom.X, bottom.Y, bottom.Z, 0, 0, 0, color, s, 1};
        float nx = 0, ny = 0;
        if (at > 0 && quad(at - 1)) {
          const TdxVector before = topOf(at - 1);
          if (WallNormal(before.X, before.Y, t.X, t.Y, turn, Size.Z, nx, ny)) {
            t.NX += nx;
            t.NY += ny;
            e.NX += 2 * nx;
            e.NY += 2 * ny;
          }
        }
        if (quad(at)) {
          const TdxVector after = topOf(at + 1);
          if (WallNormal(t.X, t.Y, after.X, after.Y, turn, Size.Z, nx, ny)) {
            t.NX += 2 * nx;
            t.NY += 2 * ny;
            e.NX += nx;
            e.NY += ny;
          }
        }
        if (turned)
          for (TdxCanvasVertex* x : {&t, &e}) {
            x->NX = -x->NX;
            x->NY = -x->NY;
            x->NZ = -x->NZ;
          }
      }
      indices.clear();
      for (size_t j = 0; j + 1 < m; ++j)
        if (quad(k + j))
          for (const size_t x : {j, m + j, m + j + 1, m + j + 1, j + 1, j})
            indices.push_back(static_cast<std::uint16_t>(x));
      carried[0] = v[m - 1];
      carried[1] = v[2 * m - 1];
      drawWalls();
      if (k + m >= n) break;
      k += m - 1;
    }
  };
  std::vector<std::uint32_t>& walls = polygonWallIndices_;
  for (const TBox& b : boxes) {
    const TPolygonForm& form = forms[b.Form];
    const std::vector<vg::TvxPoint>& p = pointsOf(form);
    const size_t n = p.size();
    if (!(form.Perimeter > 0) || form.WallQuads == 0) continue;
    if (form.WallsLong) {
      drawWalls();
      longWalls(p, b.Place, form.Perimeter);
      continue;
    }
    if (v.size() + 2 * n > MaxVertices || indices.size() + 6 * form.WallQuads > MaxIndices) drawWalls();
    const size_t base = v.size();
    v.resize(base + 2 * n);
    TdxCanvasVertex* wv = v.data() + base;
    for (size_t k = 0; k < n; ++k) {
      if (IsSeparator(p[k])) continue;
      const float u = form.Shares[k].X, vv = form.Shares[k].Y, s = form.Along[k] / form.Perimeter;
      const TdxVector top = b.Place.Place(u, vv, 1), bottom = b.Place.Place(u, vv, 0);
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
    walls.clear();
    for (size_t i = 0; i + 1 < n; ++i) {
      if (IsSeparator(p[i]) || IsSeparator(p[i + 1])) continue;
      const size_t a = i, c = i + 1, e = n + i, f = n + i + 1;
      for (const size_t k : {a, e, f, f, c, a}) walls.push_back(static_cast<std::uint32_t>(k));
      float nx = 0, ny = 0;
      if (WallNormal(wv[a].X, wv[a].Y, wv[c].X, wv[c].Y, turn, Size.Z, nx, ny)) {
        add(a, 2 * nx, 2 * ny);
        add(f, 2 * nx, 2 * ny);
        add(c, nx, ny);
        add(e, nx, ny);
      }
      area += static_cast<double>(wv[a].X) * wv[c].Y - static_cast<double>(wv[c].X) * wv[a].Y;
    }
    // Turned round for an outline running the other way, so that light falls on the walls from
    // outside whichever way the outline runs.
    if (area * Size.Z < 0)
      for (size_t k = 0; k < 2 * n; ++k) {
        wv[k].NX = -wv[k].NX;
        wv[k].NY = -wv[k].NY;
        wv[k].NZ = -wv[k].NZ;
      }
    const size_t at = indices.size();
    indices.resize(at + walls.size());
    for (size_t i = 0; i < walls.size(); ++i) indices[at + i] = static_cast<std::uint16_t>(base + walls[i]);
  }
  drawWalls();
}

}  // namespace dx
