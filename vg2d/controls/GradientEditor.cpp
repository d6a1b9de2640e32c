#include "vg2d/controls/GradientEditor.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TextBox.h"
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

// ---- TvxComboColorBox ---------------------------------------------------------------------

rtl::TClass TvxComboColorBox::StaticClass() {
  using C = TvxComboColorBox;
  static const rtl::TClassInfo info = rtl::DefineClass<C>()
                                          .Property("CanFocused", &C::CanFocused, &C::SetCanFocused)
                                          .Default(true)
                                          .Property("DisableFocusEffect", &C::DisableFocusEffect,
                                                    &C::SetDisableFocusEffect)
                                          .Default(false)
                                          .Property("Color", &C::Color, &C::SetColor)
                                          .Event("OnChange", &C::OnChange)
                                          .Build();
  return &info;
}

TvxComboColorBox::TvxComboColorBox(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(60);
  SetHeight(22);
  SetCanFocused(true);
  SetAutoCapture(true);
  popup_ = new TvxPopup(this);
  popup_->SetResource("combopopupstyle");
  popup_->SetPlacementTarget(this);
  popup_->SetStaysOpen(false);
  popup_->SetStored(false);
  popup_->SetLocked(true);
  popup_->SetDesignHide(true);
  popup_->SetWidth(240);
  popup_->SetHeight(160);
  popup_->Margins()->SetRect(MakeRect(5, 5, 5, 5));
  box_ = new TvxColorBox(this);
  popup_->AddObject(box_);
  box_->SetAlign(vaRight);
  box_->SetWidth(50);
  box_->Padding()->SetRect(MakeRect(15, 70, 15, 30));
  box_->SetStored(false);
  text_ = new TvxTextBox(this);
  popup_->AddObject(text_);
  text_->SetAlign(vaTopRight);
  text_->SetBounds(160, 20, 70, 22);
  text_->SetStored(false);
  text_->SetLocked(true);
  text_->SetDisableFocusEffect(true);
  text_->SetFilterChar(u"#0123456789abcdefABCDEF");
  panel_ = new TvxColorPanel(this);
  popup_->AddObject(panel_);
  panel_->SetAlign(vaClient);
  panel_->SetStored(false);
  panel_->SetDisableFocusEffect(true);
  text_->OnChange = rtl::TNotifyEvent(this, &TvxComboColorBox::TextChange);
  panel_->OnChange = rtl::TNotifyEvent(this, &TvxComboColorBox::PanelChange);
  panel_->SetColorBox(box_);
  AddObject(popup_);
  SetResource("comboboxstyle");
}

void TvxComboColorBox::ChangeParent() {
  inherited::ChangeParent();
  if (Parent() && popup_->Parent() != Parent() && !popup_->IsOpen()) Parent()->AddObject(popup_);
}

void TvxComboColorBox::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* content = dynamic_cast<TvxContent*>(FindResource("Content")))
    content->OnPaint = [this](rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect) {
      PaintContent(Sender, Canvas, ARect);
    };
}

void TvxComboColorBox::PaintContent(rtl::TObject*, TvxCanvas* Canvas, const TvxRect& ARect) {
  if (!Canvas) return;
  TvxRect r = ARect;
  InflateRectF(r, -2.5f, -2.5f);
  const float opacity = GetAbsoluteOpacity();
  PaintCheckerboard(*Canvas, r, 5, opacity);
  Canvas->Fill()->SetStyle(vgBrushSolid);
  Canvas->Fill()->SetColor(Color());
  Canvas->FillRect(r, 0, 0, AllCorners, opacity);
  Canvas->Stroke()->SetStyle(vgBrushSolid);
  Canvas->Stroke()->SetColor("#FF000000");
  Canvas->DrawRect(r, 0, 0, AllCorners, opacity);
}

void TvxComboColorBox::PanelChange(rtl::TObject*) {
  text_->SetText(rtl::Utf8ToWide(Color()));
  Repaint();
  OnChange(this);
}

void TvxComboColorBox::TextChange(rtl::TObject*) {
  const std::string kept = Color();
  const std::string text = rtl::WideToUtf8(text_->Text());
  // Only "#" and hex digits come through the filter; anything but "#" and eight digits is
  // refused.
  if (text.size() != 9 || text[0] != '#' || text.find('#', 1) != std::string::npos) {
    SetColor(kept);
    return;
  }
  SetColor(text);
}

void TvxComboColorBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!self.Gone() && Button == rtl::mbLeft) DropDown();
}

void TvxComboColorBox::DropDown() {
  if (popup_->IsOpen()) {
    popup_->SetIsOpen(false);
    return;
  }
  popup_->SetPlacement(vgPlacementBottom);
  panel_->ApplyResource();
  popup_->SetIsOpen(true);
}

rtl::TClass TvxHudComboColorBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudComboColorBox>().Build();
  return &info;
}

TvxHudComboColorBox::TvxHudComboColorBox(rtl::TComponent* AOwner) : TvxComboColorBox(AOwner) {
  SetResource("hudcomboboxstyle");
  Popup()->SetResource("hudcombopopupstyle");
}

}  // namespace vg
