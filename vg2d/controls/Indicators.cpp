#include "vg2d/controls/Indicators.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePage.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/TextShape.h"

namespace vg {

namespace {

bool IsSideAlign(TvxAlign A) { return A == vaLeft || A == vaRight || A == vaMostLeft || A == vaMostRight; }
bool IsTopBottomAlign(TvxAlign A) { return A == vaTop || A == vaBottom || A == vaMostTop || A == vaMostBottom; }

// A number handed as data, else nothing.
bool NumberOf(const rtl::TPropValue& Data, float& Value) {
  if (const auto* d = std::get_if<double>(&Data)) {
    Value = static_cast<float>(*d);
    return true;
  }
  if (const auto* i = std::get_if<int64_t>(&Data)) {
    Value = static_cast<float>(*i);
    return true;
  }
  return false;
}

void SwapSidesAtDesignTime(TvxVisualObject& O, bool Designing, bool Loading) {
  if (Designing && !Loading) O.SetBounds(O.Position()->X(), O.Position()->Y(), O.Height(), O.Width());
}

}  // namespace

// ---- TvxSplitter -------------------------------------------------------------------------------

rtl::TClass TvxSplitter::StaticClass() {
  using S = TvxSplitter;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("Align", &S::Align, &S::SetAlign)
                                          .Default(vaLeft)
                                          .Property("Cursor", &S::Cursor, &S::SetCursor)
                                          .Default(rtl::crHSplit)
                                          .Property("MinSize", &S::MinSize, &S::SetMinSize)
                                          .Default(20.0f)
                                          .Property("ShowGrip", &S::ShowGrip, &S::SetShowGrip)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxSplitter::TvxSplitter(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetAutoCapture(true);
  SetWidth(5);
  SetAlign(vaLeft);
}

void TvxSplitter::SetAlign(TvxAlign Value) {
  inherited::SetAlign(Value);
  SetCursor(Value == vaTop || Value == vaBottom ? rtl::crVSplit : rtl::crHSplit);
}

void TvxSplitter::SetShowGrip(bool Value) {
  if (Value == showGrip_) return;
  showGrip_ = Value;
  ApplyStyle();
}

void TvxSplitter::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* grip = FindPart<TvxVisualObject>(this, "grip")) grip->SetVisible(showGrip_);
}

void TvxSplitter::Paint() {
  inherited::Paint();
  DrawDesignFrame(*this);
}

bool TvxSplitter::NeighbourThere() const {
  if (!neighbour_ || !Parent()) return false;
  const auto& siblings = Parent()->Children();
  return std::find(siblings.begin(), siblings.end(), neighbour_) != siblings.end();
}

TvxVisualObject* TvxSplitter::FindNeighbour() {
  TvxObject* parent = Parent();
  if (!parent) return nullptr;
  const float x = Position()->X(), y = Position()->Y();
  TvxPoint probe;
  switch (Align()) {
    case vaTop: probe = {x, y - 1}; break;
    case vaLeft:
    case vaMostLeft: probe = {x - 1, y}; break;
    case vaRight:
    case vaMostRight: probe = {x + Width() + 1, y}; break;
    case vaBottom: probe = {x, y + Height() + 1}; break;
    default: return nullptr;
  }
  const bool side = IsSideAlign(Align());
  for (TvxObject* o : parent->Children()) {
    TvxVisualObject* v = o->Visual();
    if (!v || v == this || v->Locked() || !v->Visible()) continue;
    if (side ? !IsSideAlign(v->Align()) : !IsTopBottomAlign(v->Align())) continue;
    TvxRect r = v->GetParentedRect();
    // A neighbour of no extent is widened by one unit towards the splitter.
    if (RectWidth(r) == 0) {
      if (r.Right <= x)
        r.Right += 1;
      else
        r.Left -= 1;
    }
    if (RectHeight(r) == 0) {
      if (r.Bottom <= y)
        r.Bottom += 1;
      else
        r.Top -= 1;
    }
    if (PointInRectF(probe, r)) return v;
  }
  return nullptr;
}

float TvxSplitter::LargestSize() {
  TvxVisualObject* parent = Parent() ? Parent()->Visual() : nullptr;
  if (!parent || !neighbour_) return minSize_;
  const bool side = IsSideAlign(Align());
  const TvxBounds& m = *parent->Margins();
  float size = (side ? parent->Width() - m.Left() - m.Right() : parent->Height() - m.Top() - m.Bottom()) - minSize_;
  for (TvxObject* o : parent->Children()) {
    TvxVisualObject* v = o->Visual();
    if (!v) continue;
    const TvxBounds& p = *v->Padding();
    if (side && IsSideAlign(v->Align())) size -= v->Width() + p.Left() + p.Right();
    if (!side && (v->Align() == vaTop || v->Align() == vaBottom)) size -= v->Height() + p.Top() + p.Bottom();
  }
  return size + (side ? neighbour_->Width() : neighbour_->Height());
}

float TvxSplitter::SizeFor(float X, float Y) {
  const bool side = IsSideAlign(Align());
  const float d = side ? X - pressed_.X : Y - pressed_.Y;
  float size = 0;
  switch (Align()) {
    case vaTop: size = neighbour_->Height() + d; break;
    case vaLeft:
    case vaMostLeft: size = neighbour_->Width() + d; break;
    case vaRight:
    case vaMostRight: size = neighbour_->Width() - d; break;
    default: size = neighbour_->Height() - d; break;
  }
  // The largest size wins over MinSize when the parent leaves less room than that.
  return std::min(std::max(size, minSize_), largestSize_);
}

void TvxSplitter::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  dragging_ = true;
  pressed_ = {X, Y};
  neighbour_ = FindNeighbour();
  if (!neighbour_) return;
  largestSize_ = LargestSize();
  lastSize_ = IsSideAlign(Align()) ? neighbour_->Width() : neighbour_->Height();
}

void TvxSplitter::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !dragging_ || !NeighbourThere()) return;
  const float size = SizeFor(X, Y);
  if (size == lastSize_) return;
  lastSize_ = size;
  TvxVisualObject* n = neighbour_;
  switch (Align()) {
    case vaTop: n->SetHeight(size); break;
    case vaLeft:
    case vaMostLeft: n->SetWidth(size); break;
    case vaRight:
    case vaMostRight:
      n->Position()->SetX(n->Position()->X() + n->Width() - size);
      n->SetWidth(size);
      break;
    default:
      n->Position()->SetY(n->Position()->Y() + n->Height() - size);
      n->SetHeight(size);
      break;
  }
}

void TvxSplitter::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  dragging_ = false;
  neighbour_ = nullptr;
  inherited::MouseUp(Button, Shift, X, Y);
}

// ---- TvxProgressBar ----------------------------------------------------------------------------

rtl::TClass TvxProgressBar::StaticClass() {
  using P = TvxProgressBar;
  static const rtl::TClassInfo info = rtl::DefineClass<P>()
                                          .Property("BindingSource", &P::BindingSource, &P::SetBindingSource)
                                          .Property("Min", &P::Min, &P::SetMin)
                                          .Property("Max", &P::Max, &P::SetMax)
                                          .Property("Orientation", &P::Orientation, &P::SetOrientation)
                                          .Default(vgHorizontal)
                                          .Property("Value", &P::Value, &P::SetValue)
                                          .Build();
  return &info;
}

TvxProgressBar::TvxProgressBar(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetCanFocused(false);
  SetWidth(100);
  SetHeight(20);
}

void TvxProgressBar::SetValue(float Value) {
  if (Value == value_) return;
  value_ = Value;
  Realign();
}

void TvxProgressBar::SetOrientation(TvxOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  SwapSidesAtDesignTime(*this, Designing(), Loading());
  Realign();
}

void TvxProgressBar::ApplyStyle() {
  inherited::ApplyStyle();
  const char* name = orientation_ == vgVertical ? "vindicator" : "hindicator";
  if (auto* indicator = FindPart<TvxVisualObject>(this, name)) indicator->StartTriggerAnimation(this, "IsVisible");
  Realign();
}

void TvxProgressBar::Realign() {
  if (realigning_) return;
  realigning_ = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{realigning_};
  const bool horizontal = orientation_ == vgHorizontal;
  if (auto* other = FindPart<TvxVisualObject>(this, horizontal ? "vtrack" : "htrack")) other->SetVisible(false);
  auto* track = FindPart<TvxVisualObject>(this, horizontal ? "htrack" : "vtrack");
  // The track of the orientation shows again after a change of orientation.
  if (track) track->SetVisible(true);
  if (!track) track = FindPart<TvxVisualObject>(this, "track");
  // The parts take the bar's size first, so the indicator is measured in the track as it
  // is now (not as it was before a resize).
  inherited::Realign();
  if (track && min_ < max_) {
    // A value outside the range shows an empty or a full bar.
    float ratio = (value_ - min_) / (max_ - min_);
    ratio = std::isnan(ratio) ? 0 : std::clamp(ratio, 0.0f, 1.0f);
    auto* h = FindPart<TvxVisualObject>(this, "hindicator");
    auto* v = FindPart<TvxVisualObject>(this, "vindicator");
    const TvxBounds& m = *track->Margins();
    if (horizontal && h) {
      const TvxBounds& p = *h->Padding();
      h->SetWidth((track->Width() - m.Left() - m.Right() - p.Left() - p.Right()) * ratio);
      h->SetVisible(h->Width() > 2);
    } else if (!horizontal && v) {
      const TvxBounds& p = *v->Padding();
      v->SetHeight((track->Height() - m.Top() - m.Bottom() - p.Top() - p.Bottom()) * ratio);
      v->SetVisible(v->Height() > 2);
    }
    if (auto* hidden = horizontal ? v : h) hidden->SetVisible(false);
  }
}

rtl::TPropValue TvxProgressBar::GetData() { return static_cast<double>(value_); }

void TvxProgressBar::SetData(const rtl::TPropValue& Value) {
  float number = 0;
  SetValue(NumberOf(Value, number) ? number : min_);
}

// ---- TvxAniIndicator ---------------------------------------------------------------------------

rtl::TClass TvxAniIndicator::StaticClass() {
  using A = TvxAniIndicator;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("Enabled", &A::Enabled, &A::SetEnabled)
                                          .Default(false)
                                          .Property("Style", &A::Style, &A::SetStyle)
                                          .Default(vgAniIndicatorLine)
                                          .Build();
  return &info;
}

TvxAniIndicator::TvxAniIndicator(rtl::TComponent* AOwner)
    : TvxControl(AOwner), inner_(new TvxVisualObject(this)), rotation_(new TvxFloatAnimation(this)) {
  inner_->SetAlign(vaContents);
  inner_->SetLocked(true);
  inner_->SetHitTest(false);
  inner_->SetStored(false);
  AddObject(inner_);
  rotation_->SetStored(false);
  rotation_->SetPropertyName("RotateAngle");
  rotation_->SetStartValue(0);
  rotation_->SetStopValue(360);
  rotation_->SetDuration(10);
  rotation_->SetLoop(true);
  inner_->AddObject(rotation_);
}

void TvxAniIndicator::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == inner_) inner_ = nullptr;
  if (AComponent == rotation_) rotation_ = nullptr;
}

void TvxAniIndicator::SetEnabled(bool Value) {
  if (Value == animating_) return;
  animating_ = Value;
  if (rotation_ && animating_)
    rotation_->Start();
  else if (rotation_)
    rotation_->Stop();
  Repaint();
}

void TvxAniIndicator::SetStyle(TvxAniIndicatorStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Repaint();
}

float TvxAniIndicator::Phase() const { return inner_ ? inner_->RotateAngle() : 0; }

float TvxAniIndicator::HighlightOpacity(int Index) const {
  const int spokes = style_ == vgAniIndicatorLine ? 12 : 7;
  const int64_t p = ((30 - Trunc(static_cast<double>(Index) / spokes * 30) + Trunc(Phase())) % 30 + 30) % 30;
  return 1 - static_cast<float>(p) / 30;
}

void TvxAniIndicator::Paint() {
  inherited::Paint();
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  const float opacity = GetAbsoluteOpacity();
  const float radius = std::min(Width(), Height()) / 2;
  const float d = radius / 3.7f;
  const float r = radius - d;
  const TvxPoint centre{Width() / 2, Height() / 2};
  const auto at = [&](float Angle, float Distance) {
    const float a = DegreeToRad(Angle);
    return TvxPoint{centre.X + Distance * std::cos(a), centre.Y + Distance * std::sin(a)};
  };
  constexpr TvxColor Base = 0xFFBABABAu;
  constexpr TvxColor Highlight = 0xFF000000u;
  if (style_ == vgAniIndicatorLine) {
    c->Stroke()->SetStyle(vgBrushSolid);
    c->SetStrokeDash(vgDashSolid);
    c->SetStrokeThickness(d / 2);
    for (int i = 0; i < 12; ++i) {
      const TvxPoint outer = at(i * 30.0f, r), inner = at(i * 30.0f, r / 2);
      c->Stroke()->SetSolidColor(Base);
      c->DrawLine(outer, inner, opacity);
      if (!animating_) continue;
      c->Stroke()->SetSolidColor(Highlight);
      c->DrawLine(outer, inner, HighlightOpacity(i) * opacity);
    }
  } else {
    c->Stroke()->SetStyle(vgBrushNone);
    c->Fill()->SetStyle(vgBrushSolid);
    for (int i = 0; i < 8; ++i) {
      const TvxPoint p = at(i * 45.0f, r);
      const TvxRect dot = MakeRect(p.X - d, p.Y - d, p.X + d, p.Y + d);
      c->Fill()->SetSolidColor(Base);
      c->FillEllipse(dot, opacity);
      if (!animating_) continue;
      c->Fill()->SetSolidColor(Highlight);
      c->FillEllipse(dot, HighlightOpacity(i) * opacity);
    }
  }
}

// ---- TvxAngleButton ----------------------------------------------------------------------------

rtl::TClass TvxAngleButton::StaticClass() {
  using A = TvxAngleButton;
  static const rtl::TClassInfo info = rtl::DefineClass<A>()
                                          .Property("BindingSource", &A::BindingSource, &A::SetBindingSource)
                                          .Property("Frequency", &A::Frequency, &A::SetFrequency)
                                          .Property("Tracking", &A::Tracking, &A::SetTracking)
                                          .Default(true)
                                          .Property("ShowValue", &A::ShowValue, &A::SetShowValue)
                                          .Default(false)
                                          .Property("Value", &A::Value, &A::SetValue)
                                          .Event("OnChange", &A::OnChange)
                                          .Build();
  return &info;
}

TvxAngleButton::TvxAngleButton(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetWidth(30);
  SetHeight(30);
  SetAutoCapture(true);
}

void TvxAngleButton::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* tick = FindPart<TvxVisualObject>(this, "tick")) tick->SetRotateAngle(-value_);
  auto* text = FindPart<TvxText>(this, "text");
  auto* track = FindPart<TvxText>(this, "tracktext");
  styleTextSize_ = text ? text->Font()->Size() : 0;
  styleTrackTextSize_ = track ? track->Font()->Size() : 0;
  UpdateTexts();
}

void TvxAngleButton::Realign() {
  inherited::Realign();
  UpdateTexts();
}

void TvxAngleButton::FitToDial(TvxText* Part, float StyleSize) {
  TvxCanvas* canvas = GetCanvas();
  if (!canvas || StyleSize <= 0) return;
  // The face inside the ring the tick runs in (3 units) and the 1-unit outline.
  const float face = std::min(Width(), Height()) - 8;
  canvas->Font()->Assign(Part->Font());
  canvas->Font()->SetSize(StyleSize);
  TvxRect r = MakeRect(0, 0, 65535, 65535);
  canvas->MeasureText(r, r, Part->Text(), false, vgTextAlignNear, vgTextAlignNear);
  const float diagonal = std::hypot(RectWidth(r), RectHeight(r));
  float size = StyleSize;
  if (diagonal > face && diagonal > 0) size = std::max(1.0f, StyleSize * std::max(face, 0.0f) / diagonal);
  Part->Font()->SetSize(size);
}

void TvxAngleButton::UpdateTexts() {
  const std::u16string text = rtl::Utf8ToWide(std::to_string(Round(value_))) + u"\u00B0";
  if (auto* t = FindPart<TvxText>(this, "tracktext")) {
    t->SetVisible(false);
    t->SetText(text);
    FitToDial(t, styleTrackTextSize_);
    t->SetOpacity(pressed_ && !tracking_ ? 1 : 0);
  }
  if (auto* t = FindPart<TvxText>(this, "text")) {
    t->SetVisible(showValue_);
    t->SetText(text);
    FitToDial(t, styleTextSize_);
    t->SetOpacity(showValue_ ? 1 : 0);
  }
}

void TvxAngleButton::SetValue(float Value) {
  if (std::isnan(Value)) return;
  if (frequency_ != 0) Value = static_cast<float>(static_cast<double>(Round(Value / frequency_)) * frequency_);
  if (Value == value_) return;
  value_ = Value;
  if (auto* tick = FindPart<TvxVisualObject>(this, "tick"))
    tick->SetRotateAngle(-value_);
  else
    Repaint();
  UpdateTexts();
  if (!pressed_ || tracking_) OnChange(this);
}

void TvxAngleButton::SetShowValue(bool Value) {
  if (Value == showValue_) return;
  showValue_ = Value;
  UpdateTexts();
  Repaint();
}

void TvxAngleButton::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  pressed_ = true;
  mouse_ = {X, Y};
  pressValue_ = value_;
  UpdateTexts();
}

void TvxAngleButton::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !pressed_ || !Shift.Contains(rtl::ssLeft)) return;
  SetValue(VectorAngle({1, 0, 0}, {X - Width() / 2, Y - Height() / 2, 0}));
  if (self.Gone()) return;
  mouse_ = {X, Y};
  UpdateTexts();
}

void TvxAngleButton::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || !pressed_) return;
  pressed_ = false;
  UpdateTexts();
  if (value_ != pressValue_) OnChange(this);
}

rtl::TPropValue TvxAngleButton::GetData() { return static_cast<double>(value_); }

void TvxAngleButton::SetData(const rtl::TPropValue& Value) {
  float number = 0;
  if (const auto* m = std::get_if<rtl::TMethod>(&Value))
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
  else
    SetValue(NumberOf(Value, number) ? number : 0);
}

rtl::TClass TvxHudAngleButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudAngleButton>().Build();
  return &info;
}

}  // namespace vg
