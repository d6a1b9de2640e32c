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

bool TdxPath3D::TileLimits(int& Columns, int& Rows) const {
  Columns = Rows = MaxTiles;
  const TdxCanvas* canvas = GetCanvas();
  if (!canvas) return false;
  // Both faces of the box, as the canvas's matrix lays the outline out: 0 .. Width by
  // 0 .. Height.
  double across = -1, down = -1;
  for (const float z : {-Depth() / 2, Depth() / 2}) {
    double u = 0, v = 0;
    canvas->PixelSpans({0, 0, z, 1}, {Width(), 0, 0, 0}, {0, Height(), 0, 0}, u, v);
    across = std::max(across, u);
    down = std::max(down, v);
  }
  if (across < 0 || down < 0) return false;
  // A tile less than a pixel across shows no more than the pixels it shares; a tile per pixel,
  // and one more for the part of a tile at each end.
  constexpr double most = std::numeric_limits<int>::max() / 2;
  Columns = static_cast<int>(std::min(std::ceil(across) + 1, most));
  Rows = static_cast<int>(std::min(std::ceil(down) + 1, most));
  // Nor more tiles in all than the frame has pixels: each side shrunk in the same proportion.
  const double pixels = static_cast<double>(canvas->Width()) * canvas->Height();
  const double all = static_cast<double>(Columns) * Rows;
  if (all > pixels) {
    const double k = std::sqrt(pixels / all);
    Columns = std::max(1, static_cast<int>(Columns * k));
    Rows = std::max(1, static_cast<int>(Rows * k));
    return false;
  }
  return true;
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
      case vg::vgPathTile: {
        // From the top left corner of the box, columns to the right and rows downwards. The
        // canvas gets every tile of a side at once: one outline repeated, drawn together.
        int mostColumns = 0, mostRows = 0;
        const bool measured = TileLimits(mostColumns, mostRows);
        // Tiles down to half a pixel across still fill their face between them: while they are
        // that large the face is tiled whole, up to two tiles a pixel; smaller ones get a tile a
        // pixel, which shows as much of them.
        const auto count = [measured](float Length, float Extent, int Most) {
          if (!measured || Most > std::numeric_limits<int>::max() / 2) return TileCount(Length, Extent, Most);
          const int whole = TileCount(Length, Extent, 2 * Most);
          return whole < 2 * Most ? whole : Most;
        };
        const int columns = count(Width(), w, mostColumns), rows = count(Height(), h, mostRows);
        std::vector<TdxVector> centers;
        centers.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
        for (int i = 0; i < columns; ++i)
          for (int j = 0; j < rows; ++j)
            centers.push_back(
                {(static_cast<float>(i) + 0.5f) * w, Height() - (static_cast<float>(j) + 0.5f) * h, 0, 1});
        DrawSides(polygon, centers, {w, h, Depth(), 0});
        break;
      }
    }
  }
  DrawDesignFrame();
}

}  // namespace dx
