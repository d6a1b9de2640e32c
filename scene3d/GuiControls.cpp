#include "scene3d/GuiControls.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

#include "scene3d/Canvas.h"
#include "scene3d/Shapes.h"
#include "vg2d/core/Geometry.h"

namespace dx {

namespace {

// Round half to even, saturated, as a float (the centres of placed quads).
float RoundCentre(float V) { return static_cast<float>(dxRoundPixels(V)); }

// The tiles across Length from First (the near edge of the first tile): every tile that
// starts before the far edge Length / 2.
int TilesAcross(float First, float Length, float Tile) {
  const double n = std::ceil((static_cast<double>(Length) / 2 - static_cast<double>(First)) / Tile);
  if (!(n > 0)) return 0;
  return static_cast<int>(std::min(n, static_cast<double>(std::numeric_limits<int>::max())));
}

}  // namespace

void dxBuildGuiQuad(TdxMeshData& Mesh) {
  auto& v = Mesh.Vertices();
  v.resize(4);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 2; ++column)
      v[static_cast<size_t>(2 * row + column)] =
          dxMeshVertex(static_cast<float>(column) - 0.5f, static_cast<float>(row) - 0.5f, 0, 0, 0, 1,
                       static_cast<float>(column), static_cast<float>(row));
  Mesh.Indexes() = {0, 1, 2, 2, 1, 3};
  Mesh.Changed();
}

// ---- classes ----------------------------------------------------------------------------------------

rtl::TClass TdxGUILayout::StaticClass() {
  using L = TdxGUILayout;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign)
                                          .Default(dxLayerNone)
                                          .Property("ZWrite", &L::ZWrite, &L::SetZWrite)
                                          .Default(false)
                                          .Build();
  return &info;
}

rtl::TClass TdxGUIPlane::StaticClass() {
  using L = TdxGUIPlane;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("Material", &L::Material, &L::SetMaterial)
                                          .Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign)
                                          .Default(dxLayerNone)
                                          .Property("ZWrite", &L::ZWrite, &L::SetZWrite)
                                          .Default(false)
                                          .Build();
  return &info;
}

rtl::TClass TdxGUIImage::StaticClass() {
  using L = TdxGUIImage;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign)
                                          .Default(dxLayerNone)
                                          .Property("Bitmap", &L::Bitmap, &L::SetBitmap)
                                          .Property("WrapMode", &L::WrapMode, &L::SetWrapMode)
                                          .Default(vg::vgImageStretch)
                                          .Property("HitTest", &L::HitTest, &L::SetHitTest)
                                          .Default(false)
                                          .Property("ZWrite", &L::ZWrite, &L::SetZWrite)
                                          .Default(false)
                                          .Build();
  return &info;
}

rtl::TClass TdxGUIText::StaticClass() {
  using L = TdxGUIText;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign)
                                          .Default(dxLayerNone)
                                          .Property("Font", &L::Font, &L::SetFont)
                                          .Property("Fill", &L::Fill, &L::SetFill)
                                          .Property("Text", &L::Text, &L::SetText)
                                          .Property("HitTest", &L::HitTest, &L::SetHitTest)
                                          .Default(false)
                                          .Property("ZWrite", &L::ZWrite, &L::SetZWrite)
                                          .Default(false)
                                          .Build();
  return &info;
}

rtl::TClass TdxGUISelection::StaticClass() {
  using L = TdxGUISelection;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("GripSize", &L::GripSize, &L::SetGripSize)
                                          .Default(3.0f)
                                          .Property("MinSize", &L::MinSize, &L::SetMinSize)
                                          .Default(15)
                                          .Build();
  return &info;
}

rtl::TClass TdxScreenImage::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxScreenImage>().Build();
  return &info;
}

rtl::TClass TdxScreenDummy::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxScreenDummy>().Build();
  return &info;
}

void RegisterDxGuiControlClasses() {
  RegisterDxClasses("GUI", {TdxGUILayout::StaticClass(), TdxGUIImage::StaticClass(), TdxGUIPlane::StaticClass(),
                            TdxGUIText::StaticClass(), TdxGUISelection::StaticClass()});
  rtl::RegisterClasses<TdxScreenImage, TdxScreenDummy>();
}

// ---- layout -------------------------------------------------------------------------------------------

TdxGUILayout::TdxGUILayout(rtl::TComponent* AOwner) : TdxCustomLayer(AOwner) {
  SetProjection(dxProjectionScreen);
  SetZWrite(false);
  SetWidth(256);
  SetHeight(256);
}

// ---- plane --------------------------------------------------------------------------------------------

TdxGUIPlane::TdxGUIPlane(rtl::TComponent* AOwner)
    : TdxCustomLayer(AOwner), quad_(std::make_unique<TdxMeshData>()), material_(std::make_unique<TdxMaterial>()) {
  SetProjection(dxProjectionScreen);
  dxBuildGuiQuad(*quad_);
  material_->StartDiffuse(0xFF000000u | dxRandom(0xFFFFFF));
  material_->OnChange = [this](rtl::TObject*) { Repaint(); };
  SetZWrite(false);
  SetWidth(256);
  SetHeight(256);
}

TdxGUIPlane::~TdxGUIPlane() = default;

void TdxGUIPlane::Loaded() {
  // Read from a text that left the colour out: the colour it was written in.
  if (!material_->DiffuseGiven()) material_->SetDiffuseColor(TdxMaterial::DefaultDiffuse);
  TdxCustomLayer::Loaded();
}

void TdxGUIPlane::BeforePaint() {
  TdxCustomLayer::BeforePaint();
  if (TdxCanvas* canvas = GetCanvas()) canvas->SetMaterial(*material_);
}

void TdxGUIPlane::Render() {
  if (TdxCanvas* canvas = GetCanvas())
    canvas->FillMesh({0, 0, 0, 1}, {Width(), Height(), Depth(), 0}, *quad_, GetAbsoluteOpacity());
}

void TdxGUIPlane::AfterPaint() {
  TdxCustomLayer::AfterPaint();
  if (TdxCanvas* canvas = GetCanvas()) {
    canvas->SetRenderState(rsSolid);
    canvas->SetRenderState(rsGouraudShading);
  }
}

// ---- image --------------------------------------------------------------------------------------------

TdxGUIImage::TdxGUIImage(rtl::TComponent* AOwner)
    : TdxCustomLayer(AOwner),
      bitmap_(std::make_unique<TdxBitmap>(1, 1)),
      quad_(std::make_unique<TdxMeshData>()),
      tiles_(std::make_unique<TdxMeshData>()) {
  SetProjection(dxProjectionScreen);
  SetWidth(256);
  SetHeight(256);
  SetZWrite(false);
  SetHitTest(false);
  bitmap_->OnChange = [this](rtl::TObject*) { Repaint(); };
  dxBuildGuiQuad(*quad_);
  dxBuildGuiQuad(*tiles_);
}

TdxGUIImage::~TdxGUIImage() = default;

void TdxGUIImage::SetWrapMode(vg::TvxImageWrap Value) {
  if (Value == wrapMode_) return;
  wrapMode_ = Value;
  Repaint();
}

void TdxGUIImage::Render() {
  TdxCanvas* canvas = GetCanvas();
  const int bw = bitmap_->Width(), bh = bitmap_->Height();
  if (!canvas || static_cast<std::int64_t>(bw) * bh <= 0) return;
  const float opacity = GetAbsoluteOpacity();
  // The texels as they are, white diffuse carrying the opacity.
  TdxMaterial m;
  TdxColor white = 0xFFFFFFFFu;
  if (opacity < 1) white = (static_cast<TdxColor>(std::trunc(255 * std::max(0.0f, opacity))) << 24) | 0x00FFFFFFu;
  m.SetDiffuseColor(white);
  m.SetLighting(false);
  m.SetBitmapMode(dxTexReplace);
  m.SetTexture(bitmap_.get());
  canvas->SetMaterial(m);
  const float w = Width(), h = Height(), fw = static_cast<float>(bw), fh = static_cast<float>(bh);
  switch (wrapMode_) {
    case vg::vgImageOriginal:
      canvas->SetRenderState(rsTextureNearest);
      canvas->FillMesh({RoundCentre(fw / 2 - w / 2), RoundCentre(fh / 2 - h / 2), 0, 1}, {fw, fh, 0, 0}, *quad_,
                       opacity);
      break;
    case vg::vgImageFit: {
      canvas->SetRenderState(rsTextureLinear);
      vg::TvxRect r{0, 0, fw, fh};
      vg::FitRect(r, {0, 0, w, h});
      canvas->FillMesh({0, 0, 0, 1}, {vg::RectWidth(r), vg::RectHeight(r), 0, 0}, *quad_, opacity);
      break;
    }
    case vg::vgImageStretch:
      canvas->SetRenderState(rsTextureLinear);
      canvas->FillMesh({0, 0, 0, 1}, {w, h, 0, 0}, *quad_, opacity);
      break;
    case vg::vgImageTile: {
      canvas->SetRenderState(rsTextureNearest);
      if (bw <= 1 || bh <= 1) break;
      // The first tile where a tile of its own would lie, the others every bitmap size on;
      // one quad over them all with the texture repeated once a tile.
      const float left = RoundCentre(-w / 2 + fw / 2) - fw / 2, top = RoundCentre(-h / 2 + fh / 2) - fh / 2;
      const int columns = TilesAcross(left, w, fw), rows = TilesAcross(top, h, fh);
      if (columns == 0 || rows == 0) break;
      auto& v = tiles_->Vertices();
      for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
          TdxMeshVertex& t = v[static_cast<size_t>(2 * row + column)];
          t.TU = static_cast<float>(column * columns);
          t.TV = static_cast<float>(row * rows);
        }
      tiles_->Changed();
      const float tw = static_cast<float>(columns) * fw, th = static_cast<float>(rows) * fh;
      canvas->FillMesh({left + tw / 2, top + th / 2, 0, 1}, {tw, th, 0, 0}, *tiles_, opacity);
      break;
    }
  }
  canvas->Material().SetTexture(nullptr);
}

// ---- text ---------------------------------------------------------------------------------------------

TdxGUIText::TdxGUIText(rtl::TComponent* AOwner) : TdxCustomObjectLayer(AOwner) {
  SetProjection(dxProjectionScreen);
  SetWidth(256);
  SetHeight(256);
  SetZWrite(false);
  SetHitTest(false);
  SetDesignMousePassThrough(false);
  text_ = new vg::TvxText(this);
  text_->SetLocked(true);
  text_->SetStored(false);
  AddObject(static_cast<vg::TvxObject*>(text_));
}

bool TdxGUIText::DrawsOnlyItsBuffer() const { return typeid(*this) == typeid(TdxGUIText); }

vg::TvxFont* TdxGUIText::Font() const { return text_->Font(); }

void TdxGUIText::SetFont(vg::TvxFont* Value) { text_->SetFont(Value); }

vg::TvxBrush* TdxGUIText::Fill() const { return text_->Fill(); }

void TdxGUIText::SetFill(vg::TvxBrush* Value) { text_->SetFill(Value); }

const std::u16string& TdxGUIText::Text() const { return text_->Text(); }

void TdxGUIText::SetText(const std::u16string& Value) { text_->SetText(Value); }

// ---- selection ----------------------------------------------------------------------------------------

TdxGUISelection::TdxGUISelection(rtl::TComponent* AOwner) : TdxCustomLayer(AOwner) {
  SetProjection(dxProjectionScreen);
  SetAutoCapture(true);
  SetWidth(100);
  SetHeight(100);
  SetDepth(1);
}

void TdxGUISelection::SetGripSize(float Value) {
  // As the flat selection: no number leaves the grips as they are, any other size is held to
  // 1 .. 20, so that a press lands on one grip at a time and a grip can still be hit.
  if (std::isnan(Value)) return;
  Value = std::clamp(Value, 1.0f, 20.0f);
  if (Value == gripSize_) return;
  gripSize_ = Value;
  Repaint();
}

void TdxGUISelection::SetMinSize(int Value) {
  if (Value == minSize_) return;
  minSize_ = Value;
  // Read from a stream, the sides are restored as they were written, whatever the order of
  // the two lines: the minimum only bounds what a drag or a new minimum does to them.
  if (ComponentState().Contains(rtl::csLoading)) return;
  if (static_cast<float>(minSize_) > Width()) SetWidth(static_cast<float>(minSize_));
  if (static_cast<float>(minSize_) > Height()) SetHeight(static_cast<float>(minSize_));
}

bool TdxGUISelection::OnGrip(int Grip, float X, float Y) const {
  const float cx = (Grip == 2 || Grip == 4) ? Width() : 0;
  const float cy = (Grip == 3 || Grip == 4) ? Height() : 0;
  return X >= cx - gripSize_ && X <= cx + gripSize_ && Y >= cy - gripSize_ && Y <= cy + gripSize_;
}

bool TdxGUISelection::RayCastIntersect(const TdxVector& RayPos, const TdxVector& RayDir, TdxVector& Hit) {
  // The grips reach out of the frame: the box grown by them answers.
  const float w = Width(), h = Height(), d = Depth();
  SetSizeNoChange(w + 2 * gripSize_, h + 2 * gripSize_, d);
  const bool hit = TdxCustomLayer::RayCastIntersect(RayPos, RayDir, Hit);
  SetSizeNoChange(w, h, d);
  return hit;
}

void TdxGUISelection::LayerMouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TdxFreeWatch self(this);
  TdxCustomLayer::LayerMouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  for (int g = 1; g <= GripCount; ++g) pressed_[g - 1] = OnGrip(g, X, Y);
  moving_ = true;
  downX_ = X;
  downY_ = Y;
}

void TdxGUISelection::LayerMouseMove(rtl::TShiftState Shift, float X, float Y) {
  TdxFreeWatch self(this);
  TdxCustomLayer::LayerMouseMove(Shift, X, Y);
  if (self.Gone()) return;
  for (int g = 1; g <= GripCount; ++g) {
    const bool on = OnGrip(g, X, Y);
    if (on == hot_[g - 1]) continue;
    hot_[g - 1] = on;
    Repaint();
  }
  if (!moving_) return;
  const float dx = X - downX_, dy = Y - downY_;
  const float w = Width(), h = Height();
  const auto allowed = [this](float Size) { return static_cast<float>(minSize_) <= Size; };
  TdxPosition& p = *Position();
  // The side at the layer's origin moves with the origin, so the press point stays under
  // the mouse there; the far sides move away from it and the press point follows them.
  if (pressed_[0]) {
    if (allowed(w - dx)) {
      SetWidth(w - dx);
      p.SetX(p.X() + dx / 2);
    }
    if (allowed(h - dy)) {
      SetHeight(h - dy);
      p.SetY(p.Y() + dy / 2);
    }
  } else if (pressed_[1]) {
    if (allowed(w + dx)) {
      p.SetX(p.X() + dx / 2);
      SetWidth(w + dx);
      downX_ = X;
    }
    if (allowed(h - dy)) {
      p.SetY(p.Y() + dy / 2);
      SetHeight(h - dy);
    }
  } else if (pressed_[2]) {
    if (allowed(w - dx)) {
      p.SetX(p.X() + dx / 2);
      SetWidth(w - dx);
    }
    if (allowed(h + dy)) {
      p.SetY(p.Y() + dy / 2);
      SetHeight(h + dy);
      downY_ = Y;
    }
  } else if (pressed_[3]) {
    if (allowed(w + dx)) {
      p.SetX(p.X() + dx / 2);
      SetWidth(w + dx);
      downX_ = X;
    }
    if (allowed(h + dy)) {
      p.SetY(p.Y() + dy / 2);
      SetHeight(h + dy);
      downY_ = Y;
    }
  } else {
    p.SetX(p.X() + dx);
    p.SetY(p.Y() + dy);
  }
}

void TdxGUISelection::LayerMouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TdxFreeWatch self(this);
  TdxCustomLayer::LayerMouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  bool any = moving_;
  for (bool& g : pressed_) {
    any = any || g;
    g = false;
  }
  moving_ = false;
  if (any) Repaint();
}

void TdxGUISelection::MouseLeave() {
  TdxFreeWatch self(this);
  TdxCustomLayer::MouseLeave();
  if (self.Gone()) return;
  for (bool& g : hot_) g = false;
  Repaint();
}

void TdxGUISelection::Render() {
  TdxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  const float opacity = GetAbsoluteOpacity();
  const float w2 = Width() / 2, h2 = Height() / 2, side = 2 * gripSize_;
  TdxMaterial& m = canvas->Material();
  m.SetLighting(false);
  m.SetBitmap("");
  const TdxVector corners[GripCount] = {{-w2, -h2, 0, 1}, {w2, -h2, 0, 1}, {-w2, h2, 0, 1}, {w2, h2, 0, 1}};
  for (int g = 0; g < GripCount; ++g) {
    m.SetDiffuseColor(hot_[g] || pressed_[g] ? 0xFFFF0000u : 0xFFFFFFFFu);
    canvas->FillCube(corners[g], {side, side, 1, 0}, opacity);
    m.SetDiffuseColor(0xFFFFFFFFu);
    canvas->DrawCube(corners[g], {side, side, 1, 0}, opacity);
  }
  canvas->DrawLine(corners[0], corners[1], opacity);
  canvas->DrawLine(corners[2], corners[3], opacity);
  canvas->DrawLine(corners[0], corners[2], opacity);
  canvas->DrawLine(corners[1], corners[3], opacity);
}

}  // namespace dx
