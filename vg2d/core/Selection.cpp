#include "vg2d/core/Selection.h"

#include <cmath>

#include "vg2d/core/Scene.h"

namespace vg {

namespace {

constexpr TvxColor FrameColor = 0xFF1072C5u;
constexpr TvxColor HotGripColor = 0xFFFF0000u;
constexpr TvxColor GripColor = 0xFFFFFFFFu;

float HoldGrip(float Value) { return Value < 1 ? 1 : (Value > 20 ? 20 : Value); }

// To the nearest whole number, halves to even.
float RoundEven(float Value) { return std::isfinite(Value) ? std::nearbyint(Value) : 0; }

TvxRect GripRect(float Cx, float Cy, float Grip) { return {Cx - Grip, Cy - Grip, Cx + Grip, Cy + Grip}; }

void DrawGrip(TvxCanvas* Canvas, const TvxRect& R, bool Hot, float Opacity) {
  Canvas->Fill()->SetSolidColor(Hot ? HotGripColor : GripColor);
  Canvas->FillEllipse(R, Opacity);
  Canvas->DrawEllipse(R, Opacity);
}

}  // namespace

// ---- TvxSelection --------------------------------------------------------------------------------

rtl::TClass TvxSelection::StaticClass() {
  using S = TvxSelection;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("GripSize", &S::GripSize, &S::SetGripSize)
                                          .Property("ParentBounds", &S::ParentBounds, &S::SetParentBounds)
                                          .Default(true)
                                          .Property("HideSelection", &S::HideSelection, &S::SetHideSelection)
                                          .Property("MinSize", &S::MinSize, &S::SetMinSize)
                                          .Default(15)
                                          .Property("Proportional", &S::Proportional, &S::SetProportional)
                                          .Event("OnChange", &S::OnChange)
                                          .Event("OnTrack", &S::OnTrack)
                                          .Build();
  return &info;
}

TvxSelection::TvxSelection(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) { SetAutoCapture(true); }

void TvxSelection::SetHideSelection(bool Value) {
  if (Value == hideSelection_) return;
  hideSelection_ = Value;
  Repaint();
}

void TvxSelection::SetGripSize(float Value) {
  if (std::isnan(Value) || Value == gripSize_) return;  // no size: the grips keep theirs
  gripSize_ = HoldGrip(Value);
  BoundsChanged();
  Repaint();
}

bool TvxSelection::GripHot(int Corner) const { return Corner >= 0 && Corner < 4 && hot_[Corner]; }

bool TvxSelection::InGrip(const TvxPoint& P, float Cx, float Cy) const {
  const TvxRect g = GripRect(Cx, Cy, gripSize_);
  return P.X >= g.Left && P.X <= g.Right && P.Y >= g.Top && P.Y <= g.Bottom;
}

TvxRect TvxSelection::GetAbsoluteRect() {
  TvxRect r = inherited::GetAbsoluteRect();
  InflateRectF(r, gripSize_ + 4, gripSize_ + 4);
  return r;
}

bool TvxSelection::PointInObject(float X, float Y) {
  if (inherited::PointInObject(X, Y)) return true;
  const TvxPoint p = AbsoluteToLocal({X, Y});
  const TvxRect r = GetLocalRect();
  return InGrip(p, r.Left, r.Top) || InGrip(p, r.Right, r.Top) || InGrip(p, r.Right, r.Bottom) ||
         InGrip(p, r.Left, r.Bottom);
}

void TvxSelection::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone()) return;
  downPos_ = {X, Y};
  if (Button != rtl::mbLeft) return;
  ratio_ = Height() != 0 ? Width() / Height() : 1;
  const TvxRect r = GetLocalRect();
  move_ = leftTop_ = leftBottom_ = rightTop_ = rightBottom_ = false;
  if (InGrip(downPos_, r.Left, r.Top))
    leftTop_ = true;
  else if (InGrip(downPos_, r.Right, r.Top))
    rightTop_ = true;
  else if (InGrip(downPos_, r.Right, r.Bottom))
    rightBottom_ = true;
  else if (InGrip(downPos_, r.Left, r.Bottom))
    leftBottom_ = true;
  else
    move_ = true;
}

void TvxSelection::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone()) return;
  const bool anyButton = Shift.Contains(rtl::ssLeft) || Shift.Contains(rtl::ssRight) || Shift.Contains(rtl::ssMiddle);
  const bool anyShift = Shift.Contains(rtl::ssShift) || Shift.Contains(rtl::ssAlt) || Shift.Contains(rtl::ssCtrl);
  if (!anyButton && !anyShift) {
    movePos_ = {X, Y};
    const TvxRect r = GetLocalRect();
    const TvxPoint corners[4] = {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    for (int i = 0; i < 4; ++i) {
      const bool in = InGrip(movePos_, corners[i].X, corners[i].Y);
      if (in == hot_[i]) continue;
      hot_[i] = in;
      Repaint();
    }
  }
  if (!Shift.Contains(rtl::ssLeft)) return;
  movePos_ = {X, Y};
  if (move_)
    MoveStep();
  else if (DraggingGrip())
    GripStep();
}

void TvxSelection::MoveStep() {
  Position()->SetX(Position()->X() + movePos_.X - downPos_.X);
  Position()->SetY(Position()->Y() + movePos_.Y - downPos_.Y);
  if (TvxVisualObject* parent = Parent() ? Parent()->Visual() : nullptr; parentBounds_ && parent) {
    if (Position()->X() < 0) Position()->SetX(0);
    if (Position()->Y() < 0) Position()->SetY(0);
    if (Position()->X() + Width() > parent->Width()) Position()->SetX(parent->Width() - Width());
    if (Position()->Y() + Height() > parent->Height()) Position()->SetY(parent->Height() - Height());
  }
  OnTrack(this);
}

void TvxSelection::GripStep() {
  TvxVisualObject* parent = Parent() ? Parent()->Visual() : nullptr;
  TvxPoint p = movePos_;
  if (parent) {
    p = parent->AbsoluteToLocal(LocalToAbsolute(movePos_));
    if (parentBounds_) {
      p.X = p.X < 0 ? 0 : (p.X > parent->Width() ? parent->Width() : p.X);
      p.Y = p.Y < 0 ? 0 : (p.Y > parent->Height() ? parent->Height() : p.Y);
    }
  }
  Repaint();
  const float px = Position()->X(), py = Position()->Y();
  TvxPoint d;
  if (leftTop_)
    d = {px - (p.X + downPos_.X), py - (p.Y + downPos_.Y)};
  else if (rightTop_)
    d = {p.X - px, py - (p.Y + downPos_.Y)};
  else if (rightBottom_)
    d = {p.X - px, p.Y - py};
  else
    d = {px - (p.X + downPos_.X), p.Y - py};
  if (parent) d = parent->LocalToAbsoluteVector(d);
  d = AbsoluteToLocalVector(d);

  const auto clamp = [this] {
    if (minSize_ > Width()) SetWidth(static_cast<float>(minSize_));
    if (minSize_ > Height()) SetHeight(static_cast<float>(minSize_));
  };
  // Returns the height that keeps the ratio.
  const auto proportionalClamp = [this]() -> float {
    if (minSize_ > Width()) SetWidth(static_cast<float>(minSize_));
    if (ratio_ > 0 && Width() / ratio_ < minSize_) SetWidth(RoundEven(minSize_ * ratio_));
    return ratio_ > 0 ? RoundEven(Width() / ratio_) : Height();
  };

  if (!proportional_) {
    if (leftTop_) {
      SetWidth(Width() + d.X);
      SetHeight(Height() + d.Y);
      Position()->SetPoint({p.X + downPos_.X, p.Y + downPos_.Y});
    } else if (rightTop_) {
      SetWidth(d.X);
      SetHeight(Height() + d.Y);
      Position()->SetY(p.Y + downPos_.Y);
    } else if (rightBottom_) {
      SetWidth(d.X);
      SetHeight(d.Y);
    } else {
      SetWidth(Width() + d.X);
      Position()->SetX(p.X + downPos_.X);
      SetHeight(d.Y);
    }
    clamp();
  } else if (leftTop_ || leftBottom_) {
    SetWidth(Width() + d.X);
    const float w0 = Width();
    const float hp = proportionalClamp();
    Position()->SetX(p.X + downPos_.X - (Width() - w0));
    if (leftTop_) Position()->SetY(Position()->Y() + Height() - hp);
    SetHeight(hp);
  } else {
    SetWidth(d.X);
    const float hp = proportionalClamp();
    if (rightTop_) Position()->SetY(Position()->Y() + Height() - hp);
    SetHeight(hp);
  }
  TvxFreeWatch self(this);
  OnTrack(this);
  if (!self.Gone()) Repaint();
}

void TvxSelection::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  const bool dragged = move_ || DraggingGrip();
  move_ = leftTop_ = leftBottom_ = rightTop_ = rightBottom_ = false;
  if (dragged) OnChange(this);
}

void TvxSelection::MouseLeave() {
  inherited::MouseLeave();
  for (bool& h : hot_) h = false;
  Repaint();
}

void TvxSelection::Paint() {
  TvxCanvas* canvas = GetCanvas();
  if (hideSelection_ || !canvas) return;
  const float opacity = GetAbsoluteOpacity();
  const TvxRect r = GetLocalRect();
  TvxRect f = r;
  InflateRectF(f, -0.5f, -0.5f);
  canvas->Fill()->SetStyle(vgBrushSolid);
  canvas->Fill()->SetSolidColor(GripColor);
  canvas->SetStrokeThickness(1);
  canvas->Stroke()->SetStyle(vgBrushSolid);
  canvas->Stroke()->SetSolidColor(FrameColor);
  canvas->SetStrokeDash(vgDashDash);
  canvas->DrawRect(f, 0, 0, AllCorners, opacity, vgCornerRound);
  canvas->SetStrokeDash(vgDashSolid);
  DrawGrip(canvas, GripRect(f.Left, f.Top, gripSize_), hot_[0], opacity);
  DrawGrip(canvas, GripRect(r.Right, r.Top, gripSize_), hot_[1], opacity);
  DrawGrip(canvas, GripRect(r.Left, r.Bottom, gripSize_), hot_[3], opacity);
  DrawGrip(canvas, GripRect(r.Right, r.Bottom, gripSize_), hot_[2], opacity);
}

// ---- TvxSelectionPoint ---------------------------------------------------------------------------

rtl::TClass TvxSelectionPoint::StaticClass() {
  using S = TvxSelectionPoint;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("GripSize", &S::GripSize, &S::SetGripSize)
                                          .Property("ParentBounds", &S::ParentBounds, &S::SetParentBounds)
                                          .Default(true)
                                          .Event("OnChange", &S::OnChange)
                                          .Event("OnTrack", &S::OnTrack)
                                          .Build();
  return &info;
}

TvxSelectionPoint::TvxSelectionPoint(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {
  SetAutoCapture(true);
  // A designed host moves a point but never frames or resizes it.
  SetDesignResizeLocked(true);
  SetWidth(0);
  SetHeight(0);
}

void TvxSelectionPoint::SetGripSize(float Value) {
  if (std::isnan(Value) || Value == gripSize_) return;
  gripSize_ = HoldGrip(Value);
  BoundsChanged();
  Repaint();
}

void TvxSelectionPoint::SetWidth(float) { inherited::SetWidth(gripSize_ * 2); }
void TvxSelectionPoint::SetHeight(float) { inherited::SetHeight(gripSize_ * 2); }

TvxRect TvxSelectionPoint::GetUpdateRect() {
  TvxRect r = inherited::GetUpdateRect();
  InflateRectF(r, gripSize_ + 1, gripSize_ + 1);
  return r;
}

TvxRect TvxSelectionPoint::GetReachRect() {
  const float g = gripSize_;
  return LocalRectToAbsolute({-g, -g, 2 * g, 2 * g});
}

bool TvxSelectionPoint::PointInObject(float X, float Y) {
  const TvxPoint p = AbsoluteToLocal({X, Y});
  return std::fabs(p.X) < gripSize_ && std::fabs(p.Y) < gripSize_;
}

void TvxSelectionPoint::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!self.Gone() && Button == rtl::mbLeft) dragging_ = true;
}

void TvxSelectionPoint::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  TvxVisualObject* parent = !self.Gone() && Parent() ? Parent()->Visual() : nullptr;
  if (!dragging_ || !parent) return;
  TvxPoint p = parent->AbsoluteToLocal(LocalToAbsolute({X, Y}));
  if (parentBounds_) {
    p.X = p.X < 0 ? 0 : (p.X > parent->Width() ? parent->Width() : p.X);
    p.Y = p.Y < 0 ? 0 : (p.Y > parent->Height() ? parent->Height() : p.Y);
  }
  Position()->SetPoint(p);
  OnTrack(this);
}

void TvxSelectionPoint::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone()) return;
  const bool was = dragging_;
  dragging_ = false;
  if (was) OnChange(this);
}

void TvxSelectionPoint::MouseEnter() {
  inherited::MouseEnter();
  Repaint();
}

void TvxSelectionPoint::MouseLeave() {
  inherited::MouseLeave();
  Repaint();
}

void TvxSelectionPoint::Paint() {
  inherited::Paint();
  TvxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  const bool hot = IsMouseOver() || (Scene() && Scene()->GetSelected() == this);
  canvas->SetStrokeThickness(1);
  canvas->Stroke()->SetStyle(vgBrushSolid);
  canvas->Stroke()->SetSolidColor(FrameColor);
  canvas->Fill()->SetStyle(vgBrushSolid);
  DrawGrip(canvas, GripRect(0, 0, gripSize_), hot, GetAbsoluteOpacity());
}

// ---- TvxDesignFrame ------------------------------------------------------------------------------

rtl::TClass TvxDesignFrame::StaticClass() {
  using S = TvxDesignFrame;
  static const rtl::TClassInfo info =
      rtl::DefineClass<S>().Event("OnChange", &S::OnChange).Event("OnTrack", &S::OnTrack).Build();
  return &info;
}

}  // namespace vg
