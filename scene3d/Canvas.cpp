#include "scene3d/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Graphics.h"
#include "scene3d/FrustumClip.h"
#include "vg2d/core/Bitmaps.h"

namespace dx {

const TdxCanvasClass* DefaultCanvasClass = nullptr;

namespace {

// The first and the last code of each group of render-state codes.
constexpr TdxRenderState GroupFirst[RenderStateCount] = {0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 8,
                                                        11, 11, 13, 13, 15, 15, 15, 18, 18, 20, 20};
constexpr TdxRenderState GroupLast[RenderStateCount] = {1, 1, 3, 3, 5, 5, 7, 7, 10, 10, 10,
                                                       12, 12, 14, 14, 17, 17, 17, 19, 19, 21, 21};

TdxMatrix Translation(float X, float Y, float Z) {
  TdxMatrix m = IdentityMatrix;
  m.M[3][0] = X;
  m.M[3][1] = Y;
  m.M[3][2] = Z;
  return m;
}

}  // namespace

void dxCheckRenderState(TdxRenderState Code) {
  if (Code >= RenderStateCount)
    throw rtl::ERangeError("Render state " + rtl::IntToStr(Code) + " out of range (0 to 21)");
}

rtl::TClass TdxCanvas::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxCanvas>().Build();
  return &info;
}

TdxCanvas::TdxCanvas(gfx3d::WindowHandle Window, int AWidth, int AHeight, bool ABuffered, TdxQuality AQuality)
    : width_(std::max(AWidth, 1)),
      height_(std::max(AHeight, 1)),
      window_(Window),
      buffered_(ABuffered),
      quality_(AQuality) {
  Init();
  if (buffered_) MakeBuffer();
}

TdxCanvas::TdxCanvas(TdxBitmap& Target)
    : width_(std::max(Target.Width(), 1)), height_(std::max(Target.Height(), 1)), bitmap_(&Target), buffered_(true) {
  Init();
}

void TdxCanvas::Init() {
  material_ = std::make_unique<TdxMaterial>();
  material_->OnChange = [this](rtl::TObject*) { ApplyMaterial(); };
  font_ = std::make_unique<TdxFont>();
}

TdxCanvas::~TdxCanvas() { ReleaseBitmaps(); }

void TdxCanvas::ReleaseBitmaps() {
  // DestroyBitmapHandle takes each bitmap off listedIn_.
  while (!listedIn_.empty()) DestroyBitmapHandle(*listedIn_.back());
  FreeBuffer();
}

void TdxCanvas::TFreePixels::operator()(std::uint32_t* P) const { std::free(P); }

void TdxCanvas::MakeBuffer() {
  // Zeroed by the allocator: fresh pages are not written (nor made resident) until drawn into.
  dib_.reset(static_cast<std::uint32_t*>(
      std::calloc(static_cast<size_t>(width_) * static_cast<size_t>(height_), sizeof(std::uint32_t))));
  if (!dib_) throw rtl::Exception("Can't allocate the DIB handle");
}

void TdxCanvas::FreeBuffer() { dib_.reset(); }

bool TdxCanvas::CopyShownFrame(std::uint32_t* Bits) {
  if (!dib_ || !Bits) return false;
  if (frameKeeper_) frameKeeper_->CatchUpFrame();
  if (!dib_) return false;
  std::memcpy(Bits, dib_.get(), static_cast<size_t>(width_) * static_cast<size_t>(height_) * sizeof(std::uint32_t));
  return true;
}

void TdxCanvas::RenewBuffer() {
  if (!dib_) return;
  if (auto* fresh = static_cast<std::uint32_t*>(
          std::calloc(static_cast<size_t>(width_) * static_cast<size_t>(height_), sizeof(std::uint32_t))))
    dib_.reset(fresh);
}

void TdxCanvas::ResizeBuffer(int AWidth, int AHeight) {
  const int w = std::max(AWidth, 1), h = std::max(AHeight, 1);
  if (w == width_ && h == height_) return;
  const bool hadBuffer = HasBuffer();
  dib_.reset();
  width_ = w;
  height_ = h;
  if (hadBuffer || (buffered_ && !bitmap_)) MakeBuffer();
}

gfx3d::RECT TdxCanvas::FrameRect() const {
  const gfx3d::RECT& r = frameRect_;
  const gfx3d::RECT c{std::clamp(r.left, 0, width_), std::clamp(r.top, 0, height_), std::clamp(r.right, 0, width_),
                      std::clamp(r.bottom, 0, height_)};
  if (c.left >= c.right || c.top >= c.bottom) return {0, 0, width_, height_};
  return c;
}

bool TdxCanvas::PartFrame() const {
  const gfx3d::RECT r = FrameRect();
  return r.left > 0 || r.top > 0 || r.right < width_ || r.bottom < height_;
}

// ---- lights and camera ----------------------------------------------------------------------

void TdxCanvas::AddLight(TdxLight* Light) {
  if (Light) lights_.push_back(Light);
}

void TdxCanvas::SetCamera(IdxCamera* ACamera) {
  camera_ = ACamera;
  if (!camera_) {
    view_ = inverseView_ = IdentityMatrix;
    return;
  }
  const TdxMatrix m = camera_->CameraAbsoluteMatrix();
  const TdxVector eye{m.M[3][0], m.M[3][1], m.M[3][2], 1};
  const TdxVector up{m.M[2][0], m.M[2][1], m.M[2][2], 0};
  TdxVector dir{m.M[1][0], m.M[1][1], m.M[1][2], 0};
  TdxVector target;
  if (camera_->CameraTarget(target)) dir = dxVectorSubtract(target, eye);
  view_ = dxMatrixLookDirRH(eye, dir, up);
  inverseView_ = view_;
  dxMatrixInvert(inverseView_);
}

// ---- projections ----------------------------------------------------------------------------

TdxMatrix TdxCanvas::GetProjectionMatrix() const {
  const TdxMatrix p = dxMatrixPerspectiveFovRH(std::numbers::pi_v<float> / 4,
                                               static_cast<float>(width_) / static_cast<float>(height_), 1, 1000);
  if (projectionAdjust_ == IdentityMatrix) return p;
  return dxMatrixMultiply(p, projectionAdjust_);
}

TdxMatrix TdxCanvas::GetScreenMatrix() const {
  const float w = static_cast<float>(width_), h = static_cast<float>(height_);
  const TdxMatrix o = dxMatrixOrthoOffCenterRH(0, w, 0, h, 1, 1000);
  TdxMatrix p = dxMatrixPerspectiveFovRH(std::numbers::pi_v<float> / 6, w / h, 1, 1000);
  p = dxMatrixMultiply(Translation(0, 0, -2), p);
  const float s = 2 * o.M[0][0] / p.M[0][0];
  TdxMatrix scale = IdentityMatrix;
  scale.M[0][0] = s;
  scale.M[1][1] = -s;
  scale.M[2][2] = -s;
  p = dxMatrixMultiply(scale, p);
  return dxMatrixMultiply(Translation(-w / 2, -h / 2, 0), p);
}

void TdxCanvas::PickRay(bool ScreenSpace, float X, float Y, TdxVector& RayPos, TdxVector& RayDir) const {
  const float w = static_cast<float>(width_), h = static_cast<float>(height_);
  if (ScreenSpace) {
    TdxMatrix m = GetScreenMatrix();
    dxMatrixInvert(m);
    const TdxVector e = dxVectorTransform({0, 0, 0, 1}, m);
    RayPos = {w / 2, h / 2, 2 * e.Z, 1};
    RayDir = dxVectorNormalize(dxVectorSubtract({X, Y, 0, 1}, RayPos));
    return;
  }
  // Through the camera: the view looks down -Z, so the pixel's ray leaves the eye that way.
  const TdxMatrix p = GetProjectionMatrix();
  TdxVector nearPoint{0, 0, 0, 1};
  TdxVector farPoint{(2 * X / w - 1) / p.M[0][0], (1 - 2 * Y / h) / p.M[1][1], -1, 1};
  if (camera_) {
    nearPoint = dxVectorTransform(nearPoint, inverseView_);
    farPoint = dxVectorTransform(farPoint, inverseView_);
  }
  RayPos = nearPoint;
  RayDir = dxVectorNormalize(dxVectorSubtract(farPoint, nearPoint));
}

TdxVector TdxCanvas::ClientPoint(bool ScreenSpace, const TdxVector& P) const {
  // On the screen a point of the window's plane is its pixel; one off it (a turned object)
  // shows through the screen's mild perspective.
  if (ScreenSpace && P.Z == 0) return {P.X, P.Y, 0, 1};
  const TdxMatrix m = ScreenSpace ? GetScreenMatrix() : dxMatrixMultiply(view_, GetProjectionMatrix());
  float v[4];
  for (int j = 0; j < 4; ++j) v[j] = P.X * m.M[0][j] + P.Y * m.M[1][j] + P.Z * m.M[2][j] + m.M[3][j];
  if (!(v[3] > 0) || !std::isfinite(v[0] / v[3]) || !std::isfinite(v[1] / v[3])) return P;
  const float w = static_cast<float>(width_), h = static_cast<float>(height_);
  return {(v[0] / v[3] + 1) / 2 * w, (1 - v[1] / v[3]) / 2 * h, 0, 1};
}

void TdxCanvas::PixelSpans(const TdxVector& Origin, const TdxVector& U, const TdxVector& V, double& AlongU,
                           double& AlongV) const {
  AlongU = AlongV = -1;
  const TdxMatrix m = dxMatrixMultiply(
      world_, RenderStateSet(rsScreenSpace) ? GetScreenMatrix() : dxMatrixMultiply(view_, GetProjectionMatrix()));
  std::vector<TdxClipPoint> points, scratch;
  for (int corner : {0, 1, 3, 2}) {
    TdxClipPoint p;
    p.U = corner & 1;
    p.V = (corner >> 1) & 1;
    const float s = static_cast<float>(p.U), t = static_cast<float>(p.V);
    const float x = Origin.X + s * U.X + t * V.X, y = Origin.Y + s * U.Y + t * V.Y, z = Origin.Z + s * U.Z + t * V.Z;
    for (int j = 0; j < 4; ++j)
      p.C[j] = static_cast<double>(x) * m.M[0][j] + static_cast<double>(y) * m.M[1][j] +
               static_cast<double>(z) * m.M[2][j] + m.M[3][j];
    points.push_back(p);
  }
  dxClipPolygon(points, false, scratch);
  const size_t n = points.size();
  // Through each corner of what is left, the line along U (and along V): where it enters and
  // leaves that part, and the length of its picture.
  for (const bool alongU : {true, false}) {
    double& span = alongU ? AlongU : AlongV;
    for (const TdxClipPoint& through : points) {
      const double level = alongU ? through.V : through.U;
      double lo = 0, hi = 0;
      bool found = false;
      TdxClipPoint ends[2];
      for (size_t i = 0; i < n; ++i) {
        const TdxClipPoint &a = points[i], &b = points[(i + 1) % n];
        const double la = alongU ? a.V : a.U, lb = alongU ? b.V : b.U;
        if ((la - level) * (lb - level) > 0 || la == lb) continue;
        const double k = (level - la) / (lb - la);
        TdxClipPoint p;
        for (int j = 0; j < 4; ++j) p.C[j] = a.C[j] + k * (b.C[j] - a.C[j]);
        const double along = alongU ? a.U + k * (b.U - a.U) : a.V + k * (b.V - a.V);
        if (!found || along < lo) {
          lo = along;
          ends[0] = p;
        }
        if (!found || along > hi) {
          hi = along;
          ends[1] = p;
        }
        found = true;
      }
      if (!found || !(ends[0].C[3] > 0) || !(ends[1].C[3] > 0)) continue;
      double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
      dxClipToPixel(ends[0].C, width_, height_, x0, y0);
      dxClipToPixel(ends[1].C, width_, height_, x1, y1);
      const double length = std::hypot(x1 - x0, y1 - y0);
      if (std::isfinite(length)) span = std::max(span, length);
    }
  }
}

TdxCanvas::TdxBoxSight TdxCanvas::BoxSight(TdxVector& Low, TdxVector& High) const {
  const TdxMatrix f = dxMatrixMultiply(
      world_, RenderStateSet(rsScreenSpace) ? GetScreenMatrix() : dxMatrixMultiply(view_, GetProjectionMatrix()));
  double m[4][4];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = f.M[i][j];
  const double lo[3] = {Low.X, Low.Y, Low.Z}, hi[3] = {High.X, High.Y, High.Z};
  // The corners: bit 0 picks X, bit 1 Y, bit 2 Z from High.
  double c[8][4];
  bool before = false;
  for (int corner = 0; corner < 8; ++corner) {
    double p[3];
    for (int k = 0; k < 3; ++k) p[k] = (corner >> k) & 1 ? hi[k] : lo[k];
    for (int j = 0; j < 4; ++j) {
      c[corner][j] = p[0] * m[0][j] + p[1] * m[1][j] + p[2] * m[2][j] + m[3][j];
      if (!std::isfinite(c[corner][j])) return TdxBoxSight::Unknown;
    }
    if (!(c[corner][2] >= 0)) continue;
    if (!(c[corner][3] > 0)) return TdxBoxSight::Unknown;
    before = true;
  }
  if (!before) return TdxBoxSight::Behind;
  double x0 = lo[0], x1 = lo[0], y0 = lo[1], y1 = lo[1];
  bool any = false;
  const auto take = [&](double X, double Y) {
    x0 = any ? std::min(x0, X) : X;
    x1 = any ? std::max(x1, X) : X;
    y0 = any ? std::min(y0, Y) : Y;
    y1 = any ? std::max(y1, Y) : Y;
    any = true;
  };
  // The part of the box before the near plane and within the sides has its corners on the
  // box's faces, cut there, and where the near plane's corners lie inside the box.
  static constexpr int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                      {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  std::vector<TdxClipPoint> points, scratch;
  for (const auto& face : faces) {
    points.clear();
    for (const int corner : face) {
      TdxClipPoint p;
      p.U = corner & 1 ? hi[0] : lo[0];
      p.V = corner & 2 ? hi[1] : lo[1];
      for (int j = 0; j < 4; ++j) p.C[j] = c[corner][j];
      points.push_back(p);
    }
    dxClipPolygon(points, true, scratch);
    for (const TdxClipPoint& p : points) take(p.U, p.V);
  }
  double inverse[4][4];
  if (dxClipInvert(m, inverse))
    for (const double x : {-1.0, 1.0})
      for (const double y : {-1.0, 1.0}) {
        double h[4];
        for (int j = 0; j < 4; ++j) h[j] = x * inverse[0][j] + y * inverse[1][j] + inverse[3][j];
        if (!(h[3] != 0)) continue;
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
          const double at = h[k] / h[3], spare = 1e-9 * (std::fabs(lo[k]) + std::fabs(hi[k]));
          inside = inside && at >= std::min(lo[k], hi[k]) - spare && at <= std::max(lo[k], hi[k]) + spare;
        }
        if (inside) take(h[0] / h[3], h[1] / h[3]);
      }
  if (!any) return TdxBoxSight::Outside;
  Low.X = static_cast<float>(std::max(x0, std::min(lo[0], hi[0])));
  High.X = static_cast<float>(std::min(x1, std::max(lo[0], hi[0])));
  Low.Y = static_cast<float>(std::max(y0, std::min(lo[1], hi[1])));
  High.Y = static_cast<float>(std::min(y1, std::max(lo[1], hi[1])));
  return TdxBoxSight::Seen;
}

// ---- render states --------------------------------------------------------------------------

void TdxCanvas::SetRenderState(TdxRenderState Code) {
  dxCheckRenderState(Code);
  if (states_[Code]) return;
  for (int c = GroupFirst[Code]; c <= GroupLast[Code]; ++c) states_[c] = false;
  states_[Code] = true;
  ApplyState(Code);
}

bool TdxCanvas::RenderStateSet(TdxRenderState Code) const {
  dxCheckRenderState(Code);
  return states_[Code];
}

void TdxCanvas::ResetState() {
  std::fill(std::begin(states_), std::end(states_), false);
  view_ = IdentityMatrix;
  SetMatrix(IdentityMatrix);
  lights_.clear();
  // Quietly: applying the cleared material now would mark render states current before the
  // frame has begun. The frame's first material applies.
  rtl::TEventMute quiet(material_->OnChange);
  material_->SetDiffuseColor(0);
  material_->SetAmbientColor(0);
  material_->SetBitmap("");
  material_->SetTexture(nullptr);
}

// ---- materials ------------------------------------------------------------------------------

void TdxCanvas::SetMaterial(const TdxMaterial& AMaterial) { UseMaterial(AMaterial, 1); }

void TdxCanvas::UseMaterial(const TdxMaterial& AMaterial, float Opacity) {
  {
    rtl::TEventMute quiet(material_->OnChange);
    material_->Assign(&AMaterial);
    material_->SetTexture(AMaterial.Texture());
    material_->SetDiffuseColor(dxOpacityColor(AMaterial.DiffuseColor(), Opacity));
  }
  ApplyMaterial();
}

// ---- textures of bitmaps ---------------------------------------------------------------------

void TdxCanvas::UpdateBitmapHandle(TdxBitmap* ABitmap) {
  if (!ABitmap) return;
  if (static_cast<int64_t>(ABitmap->Width()) * ABitmap->Height() == 0) {
    ABitmap->SetNeedUpdate(false);
    return;
  }
  if (std::find(listedIn_.begin(), listedIn_.end(), ABitmap) == listedIn_.end()) listedIn_.push_back(ABitmap);
  ABitmap->AddCanvas(this);
}

void TdxCanvas::DestroyBitmapHandle(TdxBitmap& ABitmap) {
  ABitmap.RemoveCanvas(this);
  std::erase(listedIn_, &ABitmap);
  RemoveBitmapHandle(&ABitmap);
}

int TdxCanvas::AddBitmapHandle(TdxBitmap* ABitmap, std::shared_ptr<void> Handle) {
  auto it = std::find(mapBitmaps_.begin(), mapBitmaps_.end(), ABitmap);
  if (it != mapBitmaps_.end()) return static_cast<int>(it - mapBitmaps_.begin());
  mapBitmaps_.push_back(ABitmap);
  mapHandles_.push_back(std::move(Handle));
  return static_cast<int>(mapBitmaps_.size()) - 1;
}

void TdxCanvas::RemoveBitmapHandle(TdxBitmap* ABitmap) {
  auto it = std::find(mapBitmaps_.begin(), mapBitmaps_.end(), ABitmap);
  if (it == mapBitmaps_.end()) return;
  const auto i = it - mapBitmaps_.begin();
  mapBitmaps_.erase(it);
  mapHandles_.erase(mapHandles_.begin() + i);
}

std::shared_ptr<void> TdxCanvas::GetBitmapHandle(const TdxBitmap* ABitmap) const {
  auto it = std::find(mapBitmaps_.begin(), mapBitmaps_.end(), ABitmap);
  if (it == mapBitmaps_.end()) return nullptr;
  return mapHandles_[static_cast<size_t>(it - mapBitmaps_.begin())];
}

void TdxCanvas::ClearBitmapHandles() {
  mapBitmaps_.clear();
  mapHandles_.clear();
}

// ---- operations built on others -------------------------------------------------------------

void TdxCanvas::FillRect(const vg::TvxRect& Rect, float Depth, float Opacity) {
  const std::vector<vg::TvxPoint> outline = {{Rect.Left, Rect.Top},
                                             {Rect.Right, Rect.Top},
                                             {Rect.Right, Rect.Bottom},
                                             {Rect.Left, Rect.Bottom},
                                             {Rect.Left, Rect.Top}};
  FillPolygon({(Rect.Left + Rect.Right) / 2, (Rect.Top + Rect.Bottom) / 2, 0, 1},
              {vg::RectWidth(Rect), vg::RectHeight(Rect), Depth, 0}, vg::TvxRect{}, outline, Opacity);
}

void TdxCanvas::FillPolygons(const std::vector<TdxVector>& Centers, const TdxVector& Size,
                             const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back,
                             bool Sides) {
  for (const TdxVector& center : Centers) FillPolygon(center, Size, vg::TvxRect{}, Points, Opacity, Front, Back, Sides);
}

void TdxCanvas::AssignTo(rtl::TPersistent* Dest) const {
  auto* bitmap = dynamic_cast<TdxBitmap*>(Dest);
  auto* flat = dynamic_cast<vg::TvxBitmap*>(Dest);
  // A picture of the class library takes a bitmap, whatever graphic it held.
  auto* picture = dynamic_cast<win::TPicture*>(Dest);
  auto* library = picture ? picture->Bitmap() : dynamic_cast<win::TBitmap*>(Dest);
  if (!bitmap && !flat && !library) return inherited::AssignTo(Dest);
  const size_t w = static_cast<size_t>(width_), h = static_cast<size_t>(height_);
  // The frame first, so that a canvas copied into its own target bitmap reads it whole.
  std::vector<std::uint32_t> frame(w * h, 0);
  // Reading the frame back does not change what the canvas draws.
  const_cast<TdxCanvas*>(this)->CopyToBitmap(frame.data());
  if (library) {
    // The class library's bitmap is always 32 bits a pixel (blue, green, red, alpha bytes, as
    // the frame's pixels are laid out); it takes the canvas's size first.
    library->SetSize(width_, height_);
    for (int y = 0; y < height_; ++y) std::copy_n(frame.data() + static_cast<size_t>(y) * w, w, library->ScanLine(y));
    return;
  }
  if (bitmap) {
    bitmap->SetSize(width_, height_);
    std::uint32_t* bits = nullptr;
    if (!bitmap->Map(bits, true)) return;
    for (size_t y = 0; y < h; ++y) std::copy_n(frame.data() + y * w, w, bits + y * w);
    bitmap->Unmap();
    return;
  }
  flat->SetSize(width_, height_);
  if (std::uint32_t* bits = flat->Bits())
    for (size_t y = 0; y < h; ++y) std::copy_n(frame.data() + y * w, w, bits + y * w);
  flat->SetNeedUpdate(true);
  flat->BitmapChanged();
}

}  // namespace dx
