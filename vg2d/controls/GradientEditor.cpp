#include "vg2d/controls/GradientEditor.h"

#include <algorithm>
#include <cmath>

#include "vg2d/core/Canvas.h"
#include "vg2d/core/Geometry.h"

namespace vg {

namespace {

// Strip and marker band sizes of the gradient editor.
constexpr float Margin = 10;
constexpr float MarkerBand = 10;

}  // namespace

// ---- TvxGradientEdit ----------------------------------------------------------------------

rtl::TClass TvxGradientEdit::StaticClass() {
  using G = TvxGradientEdit;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Event("OnChange", &G::OnChange)
                                          .Event("OnSelectPoint", &G::OnSelectPoint)
                                          .Property("ColorPicker", &G::ColorPicker, &G::SetColorPicker)
                                          .Build();
  return &info;
}

TvxGradientEdit::TvxGradientEdit(rtl::TComponent* AOwner)
    : TvxControl(AOwner), gradient_(std::make_unique<TvxGradient>()) {
  gradient_->OnChange = [this](rtl::TObject* Sender) { DoChanged(Sender); };
  SetWidth(200);
  SetHeight(20);
  SetAutoCapture(true);
}

TvxGradientEdit::~TvxGradientEdit() = default;

bool TvxGradientEdit::HasRoom() const { return Width() >= 2 * Margin + 1 && Height() >= MarkerBand; }

float TvxGradientEdit::OffsetAt(float X) const {
  return std::clamp((X - Margin) / (Width() - 2 * Margin), 0.0f, 1.0f);
}

TvxRect TvxGradientEdit::GetPointRect(int Index) const {
  if (Index < 0 || Index >= gradient_->Points()->Count()) return {};
  const float x = Point(Index)->Offset() * (Width() - 2 * Margin) + Margin;
  return MakeRect(x - 5, Height() - MarkerBand, x + 5, Height());
}

void TvxGradientEdit::SetCurrentPoint(int Value) {
  if (Value == currentPoint_) return;
  currentPoint_ = Value;
  TvxFreeWatch self(this);
  OnSelectPoint(this);
  if (!self.Gone() && colorPicker_ && Value >= 0 && Value < gradient_->Points()->Count())
    colorPicker_->SetColor(Point(Value)->IntColor());
}

void TvxGradientEdit::UpdateColorPicker() {
  if (colorPicker_ && currentPoint_ >= 0 && currentPoint_ < gradient_->Points()->Count())
    colorPicker_->SetColor(Point(currentPoint_)->IntColor());
}

void TvxGradientEdit::SetColorPicker(TvxColorPicker* Value) {
  if (Value != colorPicker_) {
    if (colorPicker_) colorPicker_->RemoveFreeNotification(this);
    colorPicker_ = Value;
    if (colorPicker_) colorPicker_->FreeNotification(this);
  }
  UpdateColorPicker();
}

void TvxGradientEdit::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == colorPicker_) colorPicker_ = nullptr;
}

void TvxGradientEdit::DoChanged(rtl::TObject*) {
  TvxFreeWatch self(this);
  OnChange(this);
  if (!self.Gone()) UpdateColorPicker();
}

void TvxGradientEdit::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone()) return;
  moving_ = false;
  if (Button != rtl::mbLeft || !HasRoom()) return;
  TvxGradientPoints& points = *gradient_->Points();
  for (int i = 0; i < points.Count(); ++i) {
    if (!PointInRectF({X, Y}, GetPointRect(i))) continue;
    SetCurrentPoint(i);
    if (self.Gone()) return;
    OnSelectPoint(this);
    if (self.Gone()) return;
    moving_ = true;
    Repaint();
    return;
  }
  if (!(Y > 0 && Y < Height() - MarkerBand)) return;
  const float t = OffsetAt(X);
  const TvxColor color = gradient_->InterpolateColor(t);
  int at = -1;
  for (int i = 1; i < points.Count(); ++i)
    if (Point(i)->Offset() > t) {
      at = i;
      break;
    }
  if (at < 0) return;
  {
    rtl::TEventMute quiet(gradient_->OnChange);
    auto* added = static_cast<TvxGradientPoint*>(points.Insert(at));
    added->SetIntColor(color);
    added->SetOffset(t);
  }
  SetCurrentPoint(at);
  if (self.Gone()) return;
  Repaint();
  gradient_->Change();
}

void TvxGradientEdit::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !Shift.Contains(rtl::ssLeft) || !moving_ || !HasRoom()) return;
  TvxGradientPoints& points = *gradient_->Points();
  const int count = points.Count();
  if (currentPoint_ < 0 || currentPoint_ >= count) return;
  removing_ = (Y < -MarkerBand || Y > Height() + MarkerBand) && count >= 2 && currentPoint_ != 0 &&
              currentPoint_ != count - 1;
  {
    rtl::TEventMute quiet(gradient_->OnChange);
    TvxGradientPoint* p = Point(currentPoint_);
    p->SetOffset(OffsetAt(X));
    if (currentPoint_ < count - 1 && Point(currentPoint_ + 1)->Offset() < p->Offset()) {
      p->SetIndex(currentPoint_ + 1);
      SetCurrentPoint(currentPoint_ + 1);
      if (self.Gone()) return;
    } else if (currentPoint_ > 0 && Point(currentPoint_ - 1)->Offset() > p->Offset()) {
      p->SetIndex(currentPoint_ - 1);
      SetCurrentPoint(currentPoint_ - 1);
      if (self.Gone()) return;
    }
  }
  Repaint();
  gradient_->Change();
}

void TvxGradientEdit::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  removing_ = false;
  const bool wasMoving = moving_;
  moving_ = false;
  TvxGradientPoints& points = *gradient_->Points();
  if (!wasMoving || !(Y > Height() + MarkerBand) || points.Count() < 2 || currentPoint_ < 0 ||
      currentPoint_ >= points.Count())
    return;
  {
    rtl::TEventMute quiet(gradient_->OnChange);
    points.Delete(currentPoint_);
  }
  SetCurrentPoint(currentPoint_ - 1);
  if (self.Gone()) return;
  if (currentPoint_ < 0) SetCurrentPoint(0);
  if (self.Gone()) return;
  Repaint();
  gradient_->Change();
}

void TvxGradientEdit::Paint() {
  TvxCanvas* c = GetCanvas();
  if (!c || !HasRoom()) return;
  if (!strip_) {
    const auto side = [](float V) { return static_cast<int>(std::clamp<int64_t>(Trunc(V), 0, 8192)); };
    strip_ = std::make_unique<TvxBitmap>(side(Width()), side(Height() - MarkerBand));
  }
  for (int row = 0; row < strip_->Height(); ++row) {
    uint32_t* line = strip_->GetScanline(row);
    for (int col = 0; col < strip_->Width(); ++col)
      line[col] = PremultiplyAlpha(
          gradient_->InterpolateColor(static_cast<float>(col) / static_cast<float>(strip_->Width())));
  }
  strip_->BitmapChanged();
  const float opacity = GetAbsoluteOpacity();
  const TvxRect r = MakeRect(Margin, 0, Width() - Margin, Height() - MarkerBand);
  PaintCheckerboard(*c, r, 10, opacity);
  c->Stroke()->SetStyle(vgBrushSolid);
  c->SetStrokeThickness(0);
  if (!strip_->IsEmpty())
    c->DrawBitmap(strip_.get(),
                  MakeRect(0, 0, static_cast<float>(strip_->Width()), static_cast<float>(strip_->Height())), r,
                  opacity);
  c->Fill()->SetStyle(vgBrushSolid);
  c->SetStrokeThickness(1);
  for (int i = 0; i < gradient_->Points()->Count(); ++i) {
    if (i == currentPoint_ && removing_) continue;
    TvxRect m = GetPointRect(i);
    InflateRectF(m, -1, -1);
    c->Stroke()->SetSolidColor(0xFF757575);
    c->Fill()->SetSolidColor(Point(i)->IntColor());
    c->FillEllipse(m, opacity);
    c->DrawEllipse(m, opacity);
    if (i == currentPoint_) {
      InflateRectF(m, 1, 1);
      c->Stroke()->SetSolidColor(0xFFFFFFFF);
      c->DrawEllipse(m, opacity);
    }
  }
}

// ---- TvxColorPanel ------------------------------------------------------------------------

rtl::TClass TvxColorPanel::StaticClass() {
  using P = TvxColorPanel;
  static const rtl::TClassInfo info = rtl::DefineClass<P>()
                                          .Event("OnChange", &P::OnChange)
                                          .Property("Color", &P::Color, &P::SetColor)
                                          .Property("ColorBox", &P::ColorBox, &P::SetColorBox)
                                          .Build();
  return &info;
}

TvxColorPanel::TvxColorPanel(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(150);
  SetHeight(150);
  const auto inner = [this](auto* Control) {
    Control->SetParent(this);
    Control->SetStored(false);
    Control->SetLocked(true);
    return Control;
  };
  alphaBar_ = inner(new TvxAlphaTrackBar(this));
  alphaBar_->SetAlign(vaBottom);
  alphaBar_->SetHeight(15);
  alphaBar_->Padding()->SetRect(MakeRect(0, 0, 15, 0));
  alphaBar_->SetDisableFocusEffect(true);
  alphaBar_->OnChange = [this](rtl::TObject* Sender) { AlphaChange(Sender); };
  hueBar_ = inner(new TvxHueTrackBar(this));
  hueBar_->SetAlign(vaRight);
  hueBar_->SetOrientation(vgVertical);
  hueBar_->SetWidth(15);
  hueBar_->SetDisableFocusEffect(true);
  hueBar_->OnChange = [this](rtl::TObject* Sender) { HueChange(Sender); };
  quad_ = inner(new TvxColorQuad(this));
  quad_->SetAlign(vaClient);
  quad_->Padding()->SetRect(MakeRect(5, 5, 3, 3));
  quad_->OnChange = [this](rtl::TObject* Sender) { QuadChange(Sender); };
  SetColor("#FFFFFFFF");
}

std::string TvxColorPanel::Color() const {
  return ColorToString(ApplyOpacity(HSLToRGB(quad_->Hue(), quad_->Sat(), quad_->Lum()), quad_->Alpha()));
}

void TvxColorPanel::SetColor(const std::string& Value) {
  {
    rtl::TEventMute quiet(OnChange);
    const TvxColor c = StringToColor(Value);
    float h = 0, s = 0, l = 0;
    RGBToHSL(c, h, s, l);
    quad_->SetLum(l);
    quad_->SetSat(s);
    hueBar_->SetValue(h);
    alphaBar_->SetValue(static_cast<float>(AlphaOf(c)) / 255.0f);
  }
  if (!Loading()) QuadChange(quad_);
}

void TvxColorPanel::HueChange(rtl::TObject*) { quad_->SetHue(hueBar_->Value()); }

void TvxColorPanel::AlphaChange(rtl::TObject*) { quad_->SetAlpha(alphaBar_->Value()); }

void TvxColorPanel::QuadChange(rtl::TObject*) {
  if (colorBox_) colorBox_->SetColor(StringToColor(Color()));
  OnChange(this);
}

void TvxColorPanel::SetColorBox(TvxColorBox* Value) {
  if (Value == colorBox_) return;
  if (colorBox_) colorBox_->RemoveFreeNotification(this);
  colorBox_ = Value;
  if (!colorBox_) return;
  colorBox_->FreeNotification(this);
  colorBox_->SetColor(StringToColor(Color()));
}

void TvxColorPanel::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == colorBox_) colorBox_ = nullptr;
}

void TvxColorPanel::Loaded() {
  inherited::Loaded();
  SetColor(Color());
}

}  // namespace vg
