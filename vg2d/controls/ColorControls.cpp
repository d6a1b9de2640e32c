#include "vg2d/controls/ColorControls.h"

#include <algorithm>
#include <cmath>

#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/Shapes.h"

namespace vg {

namespace {

constexpr TvxColor LightGrey = 0xFFD3D3D3;

// A picture side from a float size: cut toward zero, never negative.
int PictureSide(float Value) { return static_cast<int>(std::clamp<int64_t>(Trunc(Value), 0, 8192)); }

void SolidFill(TvxCanvas& C, TvxColor Color) {
  C.Fill()->SetStyle(vgBrushSolid);
  C.Fill()->SetSolidColor(Color);
}

void SolidStroke(TvxCanvas& C, TvxColor Color) {
  C.Stroke()->SetStyle(vgBrushSolid);
  C.Stroke()->SetSolidColor(Color);
}

}  // namespace

void PaintCheckerboard(TvxCanvas& Canvas, const TvxRect& Rect, float Cell, float Opacity) {
  const int state = Canvas.SaveState();
  Canvas.IntersectClipRect(Rect);
  Canvas.Stroke()->SetStyle(vgBrushNone);
  SolidFill(Canvas, 0xFFFFFFFF);
  Canvas.FillRect(Rect, 0, 0, AllCorners, Opacity);
  SolidFill(Canvas, LightGrey);
  const int64_t columns = Trunc(std::max(0.0f, Rect.Right) / Cell) + 1;
  const int64_t rows = Trunc(std::max(0.0f, Rect.Bottom) / Cell) + 1;
  for (int64_t i = 0; i <= columns; ++i)
    for (int64_t j = 0; j <= rows; ++j)
      if ((i + j) % 2 == 1)
        Canvas.FillRect(MakeRect(Cell * i, Cell * j, Cell * (i + 1), Cell * (j + 1)), 0, 0, AllCorners, Opacity);
  Canvas.RestoreState(state);
}

void PaintColorMarker(TvxCanvas& Canvas, const TvxPoint& Center, TvxColor Color, float Opacity) {
  TvxRect r = MakeRect(Center.X - 5, Center.Y - 5, Center.X + 5, Center.Y + 5);
  Canvas.SetStrokeThickness(1);
  SolidStroke(Canvas, 0xFF000000);
  Canvas.DrawEllipse(r, Opacity);
  InflateRectF(r, -1, -1);
  SolidStroke(Canvas, 0xFFFFFFFF);
  Canvas.DrawEllipse(r, Opacity);
  InflateRectF(r, -1, -1);
  SolidFill(Canvas, Color);
  Canvas.FillEllipse(r, Opacity);
}

// ---- bitmap track bars --------------------------------------------------------------------

rtl::TClass TvxBitmapTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBitmapTrackBar>().Build();
  return &info;
}

TvxBitmapTrackBar::TvxBitmapTrackBar(rtl::TComponent* AOwner) : TvxTrackBar(AOwner) { SetResource("trackbarstyle"); }

TvxBitmapTrackBar::~TvxBitmapTrackBar() = default;

void TvxBitmapTrackBar::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* shape = FindPart<TvxShape>(this, "background")) {
    background_ = shape;
    RefreshBitmap();
  }
}

void TvxBitmapTrackBar::FreeStyle() {
  background_ = nullptr;
  inherited::FreeStyle();
}

void TvxBitmapTrackBar::Realign() {
  inherited::Realign();
  RefreshBitmap();
}

float TvxBitmapTrackBar::RampAt(int Col, int Row) const {
  if (Orientation() == vgVertical) return static_cast<float>(Row) / static_cast<float>(bitmap_->Height());
  return static_cast<float>(Col) / static_cast<float>(bitmap_->Width());
}

void TvxBitmapTrackBar::RefreshBitmap() {
  if (!background_) return;
  const int w = PictureSide(background_->Width()), h = PictureSide(background_->Height());
  if (bitmap_ && (bitmap_->Width() != w || bitmap_->Height() != h)) bitmap_.reset();
  if (!bitmap_) {
    bitmap_ = std::make_unique<TvxBitmap>(w, h);
    if (!bitmap_->IsEmpty()) FillBitmap();
  }
  background_->Fill()->SetStyle(vgBrushBitmap);
  background_->Fill()->Bitmap()->SetBitmap(bitmap_.get());
  Repaint();
}

rtl::TClass TvxHueTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHueTrackBar>().Build();
  return &info;
}

TvxHueTrackBar::TvxHueTrackBar(rtl::TComponent* AOwner) : TvxBitmapTrackBar(AOwner) {
  SetMax(1);
  SetValue(0.5f);
}

void TvxHueTrackBar::FillBitmap() {
  TvxBitmap& b = *Picture();
  for (int row = 0; row < b.Height(); ++row) {
    uint32_t* line = b.GetScanline(row);
    for (int col = 0; col < b.Width(); ++col) line[col] = HSLToRGB(RampAt(col, row), 0.9f, 0.5f);
  }
}

rtl::TClass TvxAlphaTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxAlphaTrackBar>().Build();
  return &info;
}

TvxAlphaTrackBar::TvxAlphaTrackBar(rtl::TComponent* AOwner) : TvxBitmapTrackBar(AOwner) {
  SetMax(1);
  SetValue(1);
}

void TvxAlphaTrackBar::FillBitmap() {
  TvxBitmap& b = *Picture();
  for (int row = 0; row < b.Height(); ++row) {
    uint32_t* line = b.GetScanline(row);
    for (int col = 0; col < b.Width(); ++col) line[col] = ((col / 3) % 2 != (row / 3) % 2) ? 0xFFA0A0A0 : 0xFFFFFFFF;
  }
  TvxCanvas* c = b.GetCanvas();
  if (!c || !c->BeginScene()) return;
  c->Stroke()->SetStyle(vgBrushNone);
  c->Fill()->SetStyle(vgBrushGradient);
  TvxGradient* g = c->Fill()->Gradient();
  g->Points()->GetPoint(0)->SetIntColor(0x00FFFFFF);
  g->Points()->GetPoint(1)->SetIntColor(0xFFFFFFFF);
  g->StopPosition()->SetPoint({1, 0});
  g->Change();
  c->FillRect(MakeRect(0, 0, static_cast<float>(b.Width()), static_cast<float>(b.Height())), 0, 0, AllCorners, 1);
  c->EndScene();
}

rtl::TClass TvxBWTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBWTrackBar>().Build();
  return &info;
}

TvxBWTrackBar::TvxBWTrackBar(rtl::TComponent* AOwner) : TvxBitmapTrackBar(AOwner) {
  SetMax(1);
  SetValue(0.5f);
}

void TvxBWTrackBar::FillBitmap() {
  TvxBitmap& b = *Picture();
  for (int row = 0; row < b.Height(); ++row) {
    uint32_t* line = b.GetScanline(row);
    for (int col = 0; col < b.Width(); ++col) {
      const auto v = static_cast<uint8_t>(Round(RampAt(col, row) * 255.0));
      line[col] = MakeColor(v, v, v, 255);
    }
  }
}

rtl::TClass TvxHudHueTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudHueTrackBar>().Build();
  return &info;
}
TvxHudHueTrackBar::TvxHudHueTrackBar(rtl::TComponent* AOwner) : TvxHueTrackBar(AOwner) {
  SetResource("hudtrackbarstyle");
}

rtl::TClass TvxHudAlphaTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudAlphaTrackBar>().Build();
  return &info;
}
TvxHudAlphaTrackBar::TvxHudAlphaTrackBar(rtl::TComponent* AOwner) : TvxAlphaTrackBar(AOwner) {
  SetResource("hudtrackbarstyle");
}

rtl::TClass TvxHudBWTrackBar::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudBWTrackBar>().Build();
  return &info;
}
TvxHudBWTrackBar::TvxHudBWTrackBar(rtl::TComponent* AOwner) : TvxBWTrackBar(AOwner) {
  SetResource("hudtrackbarstyle");
}

// ---- colour box ---------------------------------------------------------------------------

rtl::TClass TvxColorBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxColorBox>().Build();
  return &info;
}

void TvxColorBox::SetColor(TvxColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Repaint();
}

void TvxColorBox::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const TvxRect r = GetLocalRect();
  const float opacity = GetAbsoluteOpacity();
  PaintCheckerboard(*c, r, 5, opacity);
  c->Stroke()->SetStyle(vgBrushNone);
  SolidFill(*c, color_);
  c->FillRect(r, 0, 0, AllCorners, opacity);
}

// ---- colour quad --------------------------------------------------------------------------

rtl::TClass TvxColorQuad::StaticClass() {
  using Q = TvxColorQuad;
  static const rtl::TClassInfo info = rtl::DefineClass<Q>()
                                          .Property("Hue", &Q::Hue, &Q::SetHue)
                                          .Property("Lum", &Q::Lum, &Q::SetLum)
                                          .Property("Sat", &Q::Sat, &Q::SetSat)
                                          .Property("Alpha", &Q::Alpha, &Q::SetAlpha)
                                          .Property("ColorBox", &Q::ColorBox, &Q::SetColorBox)
                                          .Event("OnChange", &Q::OnChange)
                                          .Build();
  return &info;
}

TvxColorQuad::TvxColorQuad(rtl::TComponent* AOwner) : TvxControl(AOwner) { SetAutoCapture(true); }

TvxColorQuad::~TvxColorQuad() = default;

TvxColor TvxColorQuad::CurrentColor() const {
  return (HSLToRGB(hue_, sat_, lum_) & 0x00FFFFFF) | (static_cast<TvxColor>(ClampByte(Round(alpha_ * 255.0))) << 24);
}

bool TvxColorQuad::Store(float& Field, float Value) {
  if (Value == Field || std::isnan(Value)) return false;
  Field = std::clamp(Value, 0.0f, 1.0f);
  return true;
}

void TvxColorQuad::Changed(bool Repaints) {
  TvxFreeWatch self(this);
  if (colorBox_) colorBox_->SetColor(CurrentColor());
  OnChange(this);
  if (!self.Gone() && Repaints) Repaint();
}

void TvxColorQuad::SetHue(float Value) {
  if (!Store(hue_, Value)) return;
  field_.reset();
  Changed(true);
}

void TvxColorQuad::SetSat(float Value) {
  if (Store(sat_, Value)) Changed(true);
}

void TvxColorQuad::SetLum(float Value) {
  if (Store(lum_, Value)) Changed(true);
}

void TvxColorQuad::SetAlpha(float Value) {
  if (Store(alpha_, Value)) Changed(false);
}

void TvxColorQuad::SetColorBox(TvxColorBox* Value) {
  if (Value == colorBox_) return;
  if (colorBox_) colorBox_->RemoveFreeNotification(this);
  colorBox_ = Value;
  if (!colorBox_) return;
  colorBox_->FreeNotification(this);
  colorBox_->SetColor(CurrentColor());
}

void TvxColorQuad::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == colorBox_) colorBox_ = nullptr;
}

TvxRect TvxColorQuad::GetAbsoluteRect() {
  TvxRect r = inherited::GetAbsoluteRect();
  InflateRectF(r, 11, 11);
  return r;
}

bool TvxColorQuad::PointInObject(float X, float Y) {
  const TvxPoint p = AbsoluteToLocal({X, Y});
  return p.X > -5 && p.X < Width() + 5 && p.Y > -5 && p.Y < Height() + 5;
}

void TvxColorQuad::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !Pressed()) return;
  if (Height() != 0) SetLum(1 - Y / Height());
  if (self.Gone()) return;
  if (Width() != 0) SetSat(X / Width());
}

void TvxColorQuad::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  if (Pressed()) MouseMove({rtl::ssLeft}, X, Y, 0, 0);
  if (!self.Gone()) inherited::MouseUp(Button, Shift, X, Y);
}

void TvxColorQuad::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  if (!field_) {
    field_ = std::make_unique<TvxBitmap>(PictureSide(Width()), PictureSide(Height()));
    const float w = static_cast<float>(field_->Width()), h = static_cast<float>(field_->Height());
    for (int row = 0; row < field_->Height(); ++row) {
      uint32_t* line = field_->GetScanline(row);
      for (int col = 0; col < field_->Width(); ++col)
        line[col] = HSLToRGB(hue_, static_cast<float>(col) / w, 1 - static_cast<float>(row) / h);
    }
  }
  const float opacity = GetAbsoluteOpacity();
  if (!field_->IsEmpty())
    c->DrawBitmap(field_.get(),
                  MakeRect(0, 0, static_cast<float>(field_->Width()), static_cast<float>(field_->Height())),
                  MakeRect(0, 0, Width(), Height()), opacity);
  PaintColorMarker(*c, {sat_ * Width(), (1 - lum_) * Height()}, HSLToRGB(hue_, sat_, lum_), opacity);
}

// ---- colour picker ------------------------------------------------------------------------

rtl::TClass TvxColorPicker::StaticClass() {
  using P = TvxColorPicker;
  static const rtl::TClassInfo info = rtl::DefineClass<P>()
                                          .Property("Hue", &P::Hue, &P::SetHue)
                                          .Property("ColorQuad", &P::ColorQuad, &P::SetColorQuad)
                                          .Build();
  return &info;
}

TvxColorPicker::TvxColorPicker(rtl::TComponent* AOwner) : TvxControl(AOwner) { SetAutoCapture(true); }

TvxColorPicker::~TvxColorPicker() = default;

void TvxColorPicker::SetHue(float Value) {
  if (Value == hue_ || std::isnan(Value)) return;
  hue_ = std::clamp(Value, 0.0f, 1.0f);
  TvxFreeWatch self(this);
  if (colorQuad_) colorQuad_->SetHue(hue_);
  if (!self.Gone()) Repaint();
}

void TvxColorPicker::SetColorQuad(TvxColorQuad* Value) {
  if (Value == colorQuad_) return;
  if (colorQuad_) colorQuad_->RemoveFreeNotification(this);
  colorQuad_ = Value;
  if (colorQuad_) colorQuad_->FreeNotification(this);
}

void TvxColorPicker::SetColor(TvxColor Value) {
  float h = 0, s = 0, l = 0;
  RGBToHSL(Value, h, s, l);
  TvxFreeWatch self(this);
  SetHue(h);
  if (self.Gone() || !colorQuad_) return;
  // The quad may be freed by one of its own change handlers: ask again before each step.
  colorQuad_->SetAlpha(static_cast<float>(AlphaOf(Value)) / 255.0f);
  if (!self.Gone() && colorQuad_) colorQuad_->SetHue(h);
  if (!self.Gone() && colorQuad_) colorQuad_->SetSat(s);
  if (!self.Gone() && colorQuad_) colorQuad_->SetLum(l);
}

void TvxColorPicker::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == colorQuad_) colorQuad_ = nullptr;
}

TvxRect TvxColorPicker::GetAbsoluteRect() {
  TvxRect r = inherited::GetAbsoluteRect();
  InflateRectF(r, 0, 5);
  return r;
}

bool TvxColorPicker::PointInObject(float X, float Y) {
  const TvxPoint p = AbsoluteToLocal({X, Y});
  return p.X > 0 && p.X < Width() && p.Y > -5 && p.Y < Height() + 5;
}

void TvxColorPicker::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (!self.Gone() && Pressed() && Height() != 0) SetHue(Y / Height());
}

void TvxColorPicker::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  if (Pressed()) MouseMove({rtl::ssLeft}, X, Y, 0, 0);
  if (!self.Gone()) inherited::MouseUp(Button, Shift, X, Y);
}

void TvxColorPicker::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  if (!strip_) {
    strip_ = std::make_unique<TvxBitmap>(PictureSide(Width()), PictureSide(Height()));
    const float h = static_cast<float>(strip_->Height());
    for (int row = 0; row < strip_->Height(); ++row) {
      uint32_t* line = strip_->GetScanline(row);
      std::fill(line, line + strip_->Width(), HSLToRGB(static_cast<float>(row) / h, 0.9f, 0.5f));
    }
  }
  const float opacity = GetAbsoluteOpacity();
  if (!strip_->IsEmpty())
    c->DrawBitmap(strip_.get(),
                  MakeRect(0, 0, static_cast<float>(strip_->Width()), static_cast<float>(strip_->Height())),
                  MakeRect(0, 0, Width(), Height()), opacity);
  PaintColorMarker(*c, {Width() / 2, hue_ * Height()}, HSLToRGB(hue_, 0.9f, 0.5f), opacity);
}

}  // namespace vg
