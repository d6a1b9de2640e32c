#include "scene3d/Shapes3D.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "scene3d/Canvas.h"

namespace dx {

namespace {

constexpr vg::TvxRect NoFrame{};

// Whether the polygon's own points span an area (a flat path's bounds are widened a little).
bool Spans(const std::vector<vg::TvxPoint>& Polygon) {
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool any = false;
  for (const vg::TvxPoint& p : Polygon) {
    if (p.X >= 65535 && p.Y >= 65535) continue;
    minX = any ? std::min(minX, p.X) : p.X;
    maxX = any ? std::max(maxX, p.X) : p.X;
    minY = any ? std::min(minY, p.Y) : p.Y;
    maxY = any ? std::max(maxY, p.Y) : p.Y;
    any = true;
  }
  return maxX > minX && maxY > minY;
}

// W x H fitted into Width x Height as the 2D FitRect fits a rectangle (shrunk to fit with its
// proportions kept, never enlarged, kept as it is in a box without area), but without that
// routine's rounding to whole pixels: object units are not pixels.
vg::TvxPoint FittedSize(float W, float H, float Width, float Height) {
  if (Width * Height == 0) return {W, H};
  const float ratio = std::max(W / Width, H / Height);
  if (!(ratio >= 1)) return {W, H};
  return {W / ratio, H / ratio};
}

TdxMatrix Translation(float X, float Y, float Z) {
  TdxMatrix m = IdentityMatrix;
  m.M[3][0] = X;
  m.M[3][1] = Y;
  m.M[3][2] = Z;
  return m;
}

}  // namespace

// ---- base -------------------------------------------------------------------------------------------

rtl::TClass TdxShape3D::StaticClass() {
  using S = TdxShape3D;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Flatness", &S::Flatness, &S::SetFlatness)
                                          .Property("Sides", &S::Sides, &S::SetSides)
                                          .Property("MaterialBack", &S::MaterialBack, &S::SetMaterialBack)
                                          .Property("MaterialLeft", &S::MaterialLeft, &S::SetMaterialLeft)
                                          .Build();
  return &info;
}

TdxShape3D::TdxShape3D(rtl::TComponent* AOwner)
    : TdxShape(AOwner), materialBack_(std::make_unique<TdxMaterial>()), materialLeft_(std::make_unique<TdxMaterial>()) {
  for (TdxMaterial* m : {materialBack_.get(), materialLeft_.get()}) {
    m->StartDiffuse(Material()->DiffuseColor());
    m->OnChange = [this](rtl::TObject*) { Repaint(); };
  }
  SetTwoSide(true);
  SetWidth(4);
  SetHeight(4);
  SetDepth(1);
}

TdxShape3D::~TdxShape3D() = default;

void TdxShape3D::Loaded() {
  // Read from a text that left a colour out: the colour it was written in.
  for (TdxMaterial* m : {materialBack_.get(), materialLeft_.get()})
    if (!m->DiffuseGiven()) m->SetDiffuseColor(TdxMaterial::DefaultDiffuse);
  TdxShape::Loaded();
}

void TdxShape3D::SetFlatness(float Value) {
  if (!(Value >= 0.05f)) Value = 0.05f;
  if (Value == flatness_) return;
  flatness_ = Value;
  Repaint();
}

void TdxShape3D::SetSides(TdxShape3DSides Value) {
  if (Value == sides_) return;
  sides_ = Value;
  Repaint();
}

void TdxShape3D::BeforePaint() {
  TdxShape::BeforePaint();
  if (TdxCanvas* canvas = GetCanvas())
    canvas->SetMatrix(dxMatrixMultiply(Translation(-Width() / 2, -Height() / 2, 0), GetAbsoluteMatrix()));
}

bool TdxShape3D::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  return BoxHit(RayPos, RayDir, Hit);
}

template <class Fill>
void TdxShape3D::FillSides(const Fill& F) {
  TdxCanvas* canvas = GetCanvas();
  const float opacity = GetAbsoluteOpacity();
  if (sides_.Contains(dxShape3DFront)) F(*canvas, opacity, true, false, false);
  if (sides_.Contains(dxShape3DBack)) {
    canvas->UseMaterial(*materialBack_, opacity);
    F(*canvas, opacity, false, true, false);
  }
  if (sides_.Contains(dxShape3DLeft)) {
    canvas->UseMaterial(*materialLeft_, opacity);
    F(*canvas, opacity, false, false, true);
  }
}

void TdxShape3D::DrawSides(const std::vector<vg::TvxPoint>& Polygon, const TdxVector& Center, const TdxVector& Size,
                           const vg::TvxRect& Frame) {
  if (!GetCanvas() || !Spans(Polygon)) return;
  FillSides([&](TdxCanvas& Canvas, float Opacity, bool Front, bool Back, bool Walls) {
    Canvas.FillPolygon(Center, Size, Frame, Polygon, Opacity, Front, Back, Walls);
  });
}

void TdxShape3D::DrawSides(const std::vector<vg::TvxPoint>& Polygon, const std::vector<TdxVector>& Centers,
                           const TdxVector& Size) {
  if (!GetCanvas() || Centers.empty() || !Spans(Polygon)) return;
  FillSides([&](TdxCanvas& Canvas, float Opacity, bool Front, bool Back, bool Walls) {
    Canvas.FillPolygons(Centers, Size, Polygon, Opacity, Front, Back, Walls);
  });
}

void TdxShape3D::DrawOutline(const vg::TvxPathData& Path) {
  std::vector<vg::TvxPoint> polygon;
  vg::TvxPoint size;
  Path.FlattenToPolygon(polygon, size, flatness_);
  if (size.X > 0 && size.Y > 0) DrawSides(polygon, FrameCenter(), {size.X, size.Y, Depth(), 0}, NoFrame);
}

void TdxShape3D::DrawDesignFrame() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || !InDesign() || Locked()) return;
  canvas->Material().SetDiffuseColor(0x8060A799);
  canvas->DrawCube(FrameCenter(), {Width(), Height(), Depth(), 0}, GetAbsoluteOpacity());
}

bool TdxShape3D::ShapePoint(const TdxVector& RayPos, const TdxVector& RayDir, float& X, float& Y) {
  TdxVector hit;
  if (!RayCastIntersect(RayPos, RayDir, hit)) return false;
  const TdxVector p = AbsoluteToLocalVector(hit);
  // From the outline's left and top edges; its 2D Y runs down.
  X = p.X + Width() / 2;
  Y = Height() / 2 - p.Y;
  return true;
}

void TdxShape3D::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                           const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  TdxShape::MouseDown(Button, Shift, X, Y, RayPos, RayDir);
  if (watch.Gone()) return;
  float x = 0, y = 0;
  if (ShapePoint(RayPos, RayDir, x, y)) ShapeMouseDown(Button, Shift, x, y);
}

void TdxShape3D::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy, const TdxVector& RayPos,
                           const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  TdxShape::MouseMove(Shift, X, Y, Dx, Dy, RayPos, RayDir);
  if (watch.Gone()) return;
  float x = 0, y = 0;
  if (ShapePoint(RayPos, RayDir, x, y)) ShapeMouseMove(Shift, x, y);
}

void TdxShape3D::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y, const TdxVector& RayPos,
                         const TdxVector& RayDir) {
  TdxFreeWatch watch(this);
  TdxShape::MouseUp(Button, Shift, X, Y, RayPos, RayDir);
  if (watch.Gone()) return;
  float x = X, y = Y;
  ShapePoint(RayPos, RayDir, x, y);
  ShapeMouseUp(Button, Shift, x, y);
}

// ---- rectangle and ellipse ------------------------------------------------------------------------

rtl::TClass TdxRectangle3D::StaticClass() {
  using R = TdxRectangle3D;
  static const rtl::TClassInfo info = rtl::DefineClass<R>()
                                          .Property("xRadius", &R::xRadius, &R::SetxRadius)
                                          .Property("yRadius", &R::yRadius, &R::SetyRadius)
                                          .Property("Corners", &R::Corners, &R::SetCorners)
                                          .Default(vg::AllCorners)
                                          .Property("CornerType", &R::CornerType, &R::SetCornerType)
                                          .Build();
  return &info;
}

void TdxRectangle3D::SetxRadius(float Value) {
  if (SetField(xRadius_, Value)) Repaint();
}

void TdxRectangle3D::SetyRadius(float Value) {
  if (SetField(yRadius_, Value)) Repaint();
}

void TdxRectangle3D::SetCorners(vg::TvxCorners Value) {
  if (SetField(corners_, Value)) Repaint();
}

void TdxRectangle3D::SetCornerType(vg::TvxCornerType Value) {
  if (SetField(cornerType_, Value)) Repaint();
}

void TdxRectangle3D::Render() {
  vg::TvxPathData path;
  path.AddRectangle(vg::MakeRect(0, 0, Width(), Height()), xRadius_, yRadius_, corners_, cornerType_);
  DrawOutline(path);
}

rtl::TClass TdxEllipse3D::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxEllipse3D>().Build();
  return &info;
}

void TdxEllipse3D::Render() {
  vg::TvxPathData path;
  path.AddEllipse(vg::MakeRect(0, 0, Width(), Height()));
  DrawOutline(path);
}

// ---- text -------------------------------------------------------------------------------------------

rtl::TClass TdxText3D::StaticClass() {
  using T = TdxText3D;
  static const rtl::TClassInfo info = rtl::DefineClass<T>()
                                          .Property("Font", &T::Font, &T::SetFont)
                                          .Property("HorzTextAlign", &T::HorzTextAlign, &T::SetHorzTextAlign)
                                          .Property("VertTextAlign", &T::VertTextAlign, &T::SetVertTextAlign)
                                          .Property("Text", &T::Text, &T::SetText)
                                          .Property("Stretch", &T::Stretch, &T::SetStretch)
                                          .Property("WordWrap", &T::WordWrap, &T::SetWordWrap)
                                          .Build();
  return &info;
}

TdxText3D::TdxText3D(rtl::TComponent* AOwner) : TdxShape3D(AOwner), font_(std::make_unique<TdxFont>()) {
  font_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetDepth(0.3f);
  SetWidth(3);
  SetHeight(1);
  SetZWrite(true);
}

TdxText3D::~TdxText3D() = default;

void TdxText3D::SetText(const std::u16string& Value) {
  if (SetField(text_, Value)) Repaint();
}

void TdxText3D::SetStretch(bool Value) {
  if (SetField(stretch_, Value)) Repaint();
}

void TdxText3D::SetHorzTextAlign(vg::TvxTextAlign Value) {
  if (SetField(horzTextAlign_, Value)) Repaint();
}

void TdxText3D::SetVertTextAlign(vg::TvxTextAlign Value) {
  if (SetField(vertTextAlign_, Value)) Repaint();
}

void TdxText3D::Render() {
  std::unique_ptr<vg::TvxCanvas> flat;
  if (!text_.empty() && vg::DefaultCanvasClass) flat = vg::DefaultCanvasClass->Create(1, 1);
  if (flat) {
    flat->Font()->Assign(font_.get());
    vg::TvxPathData path;
    // Ten 2D units an object unit.
    const vg::TvxRect layout = vg::MakeRect(0, 0, 10 * Width(), 10 * Height());
    if (flat->TextToPath(&path, layout, text_, wordWrap_, horzTextAlign_, vertTextAlign_)) {
      vg::TvxRect frame = NoFrame;
      TdxVector size{Width(), Height(), Depth(), 0};
      if (!stretch_) {
        vg::TvxRect r = layout;
        flat->MeasureText(r, layout, text_, wordWrap_, horzTextAlign_, vertTextAlign_);
        if (!wordWrap_) {
          // One line: the box's width, or the line's own where it is wider, from the far side
          // when aligned there.
          const float w = vg::RectWidth(r), h = vg::RectHeight(r);
          r = horzTextAlign_ == vg::vgTextAlignFar ? vg::MakeRect(10 * Width() - w, 0, 10 * Width(), h)
                                                   : vg::MakeRect(0, 0, 10 * Width(), h);
        }
        vg::UnionRectF(r, layout, frame);
        size.X = vg::RectWidth(frame) / 10;
        size.Y = vg::RectHeight(frame) / 10;
      }
      std::vector<vg::TvxPoint> polygon;
      vg::TvxPoint bounds;
      path.FlattenToPolygon(polygon, bounds, Flatness());
      if (bounds.X > 0 && bounds.Y > 0) DrawSides(polygon, FrameCenter(), size, frame);
    }
  }
  DrawDesignFrame();
}

// ---- path -------------------------------------------------------------------------------------------

rtl::TClass TdxPath3D::StaticClass() {
  using P = TdxPath3D;
  static const rtl::TClassInfo info = rtl::DefineClass<P>()
                                          .Property("Path", &P::Path, &P::SetPath)
                                          .Property("WrapMode", &P::WrapMode, &P::SetWrapMode)
                                          .Build();
  return &info;
}

TdxPath3D::TdxPath3D(rtl::TComponent* AOwner) : TdxShape3D(AOwner), path_(std::make_unique<vg::TvxPathData>()) {
  path_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetFlatness(2);
}

TdxPath3D::~TdxPath3D() = default;

void TdxPath3D::SetWrapMode(vg::TvxPathWrap Value) {
  if (SetField(wrapMode_, Value)) Repaint();
}

int TdxPath3D::TileCount(float Length, float Extent, int Limit) {
  const double q = static_cast<double>(Length) / static_cast<double>(Extent);
  if (std::isnan(q)) return 0;
  // A quotient beyond the limit (a tiny outline's reaches past any whole number) is the limit.
  if (q >= Limit) return Limit;
  const std::int64_t rounded = vg::Round(q);
  if (rounded < 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(rounded + 1, Limit));
}

void TdxPath3D::DrawTiles(const std::vector<vg::TvxPoint>& Polygon, float W, float H) {
  const TdxCanvas* canvas = GetCanvas();
  // The whole field, from the top left corner of the box: columns to the right and rows
  // downwards, as many as Width and Height take, however many that is.
  const auto count = [](float Length, float Extent) {
    const double q = std::nearbyint(static_cast<double>(Length) / static_cast<double>(Extent));
    return q >= 0 ? q + 1 : 0.0;
  };
  const double columns = count(Width(), W), rows = count(Height(), H);
  if (!(columns >= 1 && rows >= 1)) return;
  const float top = Height();
  const double right = columns * W, bottom = rows * H;
  // Of it, the columns c0 .. c1 and rows r0 .. r1 that the frame can show (a tile to spare each
  // way for the rounding of the transforms).
  double c0 = 0, c1 = columns, r0 = 0, r1 = rows;
  TdxCanvas::TdxBoxSight sight = TdxCanvas::TdxBoxSight::Behind;
  if (canvas && std::isfinite(right) && std::isfinite(bottom)) {
    TdxVector low{0, static_cast<float>(top - bottom), -Depth() / 2, 1};
    TdxVector high{static_cast<float>(right), top, Depth() / 2, 1};
    sight = canvas->BoxSight(low, high);
    if (sight == TdxCanvas::TdxBoxSight::Outside) return;
    if (sight == TdxCanvas::TdxBoxSight::Seen) {
      const double w = W, h = H;
      c0 = std::max(0.0, std::floor(low.X / w) - 1);
      c1 = std::min(columns, std::floor(high.X / w) + 2);
      r0 = std::max(0.0, std::floor((top - high.Y) / h) - 1);
      r1 = std::min(rows, std::floor((top - low.Y) / h) + 2);
    }
  }
  // How many pixels the lines of that part span on the frame, each way (of the longer face).
  double across = -1, down = -1;
  if (sight != TdxCanvas::TdxBoxSight::Behind)
    for (const float z : {-Depth() / 2, Depth() / 2}) {
      double u = 0, v = 0;
      canvas->PixelSpans({static_cast<float>(c0 * W), static_cast<float>(top - r1 * H), z, 1},
                         {static_cast<float>((c1 - c0) * W), 0, 0, 0}, {0, static_cast<float>((r1 - r0) * H), 0, 0}, u,
                         v);
      across = std::max(across, u);
      down = std::max(down, v);
    }
  std::vector<TdxVector> centers;
  if (across < 0 || down < 0) {
    // Nothing of it before the near plane: nothing to measure by, at most MaxTiles each way.
    const int n = TileCount(Width(), W, MaxTiles), m = TileCount(Height(), H, MaxTiles);
    centers.reserve(static_cast<size_t>(n) * static_cast<size_t>(m));
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < m; ++j)
        centers.push_back({(static_cast<float>(i) + 0.5f) * W, top - (static_cast<float>(j) + 0.5f) * H, 0, 1});
    DrawSides(Polygon, centers, {W, H, Depth(), 0});
    return;
  }
  // Tiles of at least MinTilePixels are all drawn. Smaller ones would show no more of their
  // outline than a pattern of their colours, so that many are spread over the part, each as
  // large as its share, and the face is covered to its edges as they would cover it: at that
  // size, a tile to the golden ratio of pixels, the frame's pixels fall on every part of the
  // tiles in turn and show each colour as much as the tiles hold it, and a frame draws fewer
  // tiles than it has pixels, however small they are. Where those spans hold more pixels than
  // the frame has (a face seen edge on), both ways are held to the frame's share of them.
  constexpr double most = std::numeric_limits<int>::max() / 2;
  double mostColumns = std::min(std::ceil(across / MinTilePixels) + 1, most);
  double mostRows = std::min(std::ceil(down / MinTilePixels) + 1, most);
  const double pixels = static_cast<double>(canvas->Width()) * canvas->Height();
  if (across * down > pixels) {
    const double k = std::sqrt(pixels / (across * down));
    mostColumns = std::max(1.0, std::floor(mostColumns * k));
    mostRows = std::max(1.0, std::floor(mostRows * k));
  }
  const int n = static_cast<int>(std::min(c1 - c0, mostColumns)), m = static_cast<int>(std::min(r1 - r0, mostRows));
  const bool spreadX = n < c1 - c0, spreadY = m < r1 - r0;
  const double tileW = spreadX ? (c1 - c0) * W / n : W, tileH = spreadY ? (r1 - r0) * H / m : H;
  centers.reserve(static_cast<size_t>(n) * static_cast<size_t>(m));
  for (int i = 0; i < n; ++i) {
    const float x = spreadX ? static_cast<float>(c0 * W + (i + 0.5) * tileW) : (static_cast<float>(c0 + i) + 0.5f) * W;
    for (int j = 0; j < m; ++j)
      centers.push_back({x,
                         spreadY ? static_cast<float>(top - (r0 * H + (j + 0.5) * tileH))
                                 : top - (static_cast<float>(r0 + j) + 0.5f) * H,
                         0, 1});
  }
  DrawSides(Polygon, centers, {static_cast<float>(tileW), static_cast<float>(tileH), Depth(), 0});
}

void TdxPath3D::Render() {
  std::vector<vg::TvxPoint> polygon;
  vg::TvxPoint size;
  if (!path_->IsEmpty()) path_->FlattenToPolygon(polygon, size, Flatness());
  const float w = size.X, h = size.Y;
  if (w > 0 && h > 0) {
    switch (wrapMode_) {
      case vg::vgPathOriginal: DrawSides(polygon, FrameCenter(), {w, h, Depth(), 0}, NoFrame); break;
      case vg::vgPathFit: {
        const vg::TvxPoint fitted = FittedSize(w, h, Width(), Height());
        DrawSides(polygon, FrameCenter(), {fitted.X, fitted.Y, Depth(), 0}, NoFrame);
        break;
      }
      case vg::vgPathStretch: DrawSides(polygon, FrameCenter(), {Width(), Height(), Depth(), 0}, NoFrame); break;
      case vg::vgPathTile: DrawTiles(polygon, w, h); break;
    }
  }
  DrawDesignFrame();
}

}  // namespace dx
