#include "vg2d/core/VisualObjects.h"

#include <algorithm>
#include <iterator>
#include <cmath>
#include <utility>

#include "platform/win/WinTypes.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Effects.h"

namespace vg {

rtl::TClass TvxVisualObject::StaticClass() {
  using V = TvxVisualObject;
  static const rtl::TClassInfo info =
      rtl::DefineClass<V>()
          .Property("IsMouseOver", &V::IsMouseOver)
          .Property("IsDragOver", &V::IsDragOver)
          .Property("IsFocused", &V::IsFocused)
          .Property("IsVisible", &V::Visible)
          .Property("Align", &V::Align, &V::SetAlign)
          .Default(vaNone)
          .Property("Cursor", &V::Cursor, &V::SetCursor)
          .Default(0)
          .Property("DragMode", &V::DragMode, &V::SetDragMode)
          .Default(vgDragManual)
          .Property("DragDisableHighlight", &V::DragDisableHighlight, &V::SetDragDisableHighlight)
          .Default(false)
          .Property("Enabled", &V::Enabled, &V::SetEnabled)
          .Default(true)
          .Property("Position", &V::Position, &V::SetPosition)
          .Property("RotateAngle", &V::RotateAngle, &V::SetRotateAngle)
          .Property("RotateCenter", &V::RotateCenter, &V::SetRotateCenter)
          .Property("Locked", &V::Locked, &V::SetLocked)
          .Default(false)
          .Property("Width", &V::Width, &V::SetWidth)
          .Property("Height", &V::Height, &V::SetHeight)
          .Property("Margins", &V::Margins, &V::SetMargins)
          .Property("Padding", &V::Padding, &V::SetPadding)
          .Property("Opacity", &V::Opacity, &V::SetOpacity)
          .Default(1.0f)
          .Property("ClipChildren", &V::ClipChildren, &V::SetClipChildren)
          .Default(false)
          .Property("ClipParent", &V::ClipParent, &V::SetClipParent)
          .Default(false)
          .Property("HitTest", &V::HitTest, &V::SetHitTest)
          .Default(true)
          .Property("Hint", &V::Hint, &V::SetHint)
          .Property("ShowHint", &V::ShowHint, &V::SetShowHint)
          .Default(false)
          .Property("CanClipped", &V::CanClipped, &V::SetCanClipped)
          .Default(true)
          .Property("PopupMenu", &V::PopupMenu, &V::SetPopupMenu)
          .Property("Scale", &V::Scale, &V::SetScale)
          .Property("Visible", &V::Visible, &V::SetVisible)
          .Default(true)
          .Property("DesignHide", &V::DesignHide, &V::SetDesignHide)
          .Default(false)
          .Event("OnDragEnter", &V::OnDragEnter)
          .Event("OnDragLeave", &V::OnDragLeave)
          .Event("OnDragOver", &V::OnDragOver)
          .Event("OnDragDrop", &V::OnDragDrop)
          .Event("OnDragEnd", &V::OnDragEnd)
          .Event("OnKeyDown", &V::OnKeyDown)
          .Event("OnKeyUp", &V::OnKeyUp)
          .Event("OnClick", &V::OnClick)
          .Event("OnDblClick", &V::OnDblClick)
          .Event("OnCanFocused", &V::OnCanFocused)
          .Event("OnEnterFocus", &V::OnEnterFocus)
          .Event("OnKillFocus", &V::OnKillFocus)
          .Event("OnMouseDown", &V::OnMouseDown)
          .Event("OnMouseUp", &V::OnMouseUp)
          .Event("OnMouseMove", &V::OnMouseMove)
          .Event("OnMouseWheel", &V::OnMouseWheel)
          .Event("OnMouseEnter", &V::OnMouseEnter)
          .Event("OnMouseLeave", &V::OnMouseLeave)
          .Event("OnBeforePaint", &V::OnBeforePaint)
          .Event("OnPaint", &V::OnPaint)
          .Event("OnApplyResource", &V::OnApplyResource)
          .Build();
  return &info;
}

TvxVisualObject::TvxVisualObject(rtl::TComponent* AOwner)
    : TvxObject(AOwner),
      position_(std::make_unique<TvxPosition>(TvxPoint{0, 0})),
      scale_(std::make_unique<TvxPosition>(TvxPoint{1, 1})),
      rotateCenter_(std::make_unique<TvxPosition>(TvxPoint{0.5f, 0.5f})),
      margins_(std::make_unique<TvxBounds>(TvxRect{})),
      padding_(std::make_unique<TvxBounds>(TvxRect{})) {
  SetVisual(this);
  position_->OnChange = rtl::TNotifyEvent(this, &TvxVisualObject::PositionChanged);
  scale_->OnChange = rtl::TNotifyEvent(this, &TvxVisualObject::PositionChanged);
  rotateCenter_->OnChange = rtl::TNotifyEvent(this, &TvxVisualObject::PositionChanged);
  margins_->OnChange = rtl::TNotifyEvent(this, &TvxVisualObject::MarginsChanged);
  padding_->OnChange = rtl::TNotifyEvent(this, &TvxVisualObject::PaddingChanged);
  localMatrix_ = IdentityMatrix;
  MatrixChanged();
}

// A visual object freed without BeforeDestruction leaves its tree while its own parts live.
TvxVisualObject::~TvxVisualObject() { Teardown(); }

void TvxVisualObject::PositionChanged(rtl::TObject*) { MatrixChanged(); }
void TvxVisualObject::MarginsChanged(rtl::TObject*) { Realign(); }
void TvxVisualObject::PaddingChanged(rtl::TObject*) {
  if (TvxVisualObject* p = VisualParent()) p->Realign();
}

TvxVisualObject* TvxVisualObject::VisualParent() const {
  TvxObject* p = Parent();
  return p ? p->Visual() : nullptr;
}

bool TvxVisualObject::Designing() const {
  return ComponentState().Contains(rtl::csDesigning) || (Scene() && Scene()->GetDesignTime());
}

bool TvxVisualObject::CanRequestRepaint() const {
  return Scene() && !Scene()->GetDisableUpdate() && !disableRepaint_ && updateCount_ == 0;
}

// ---- geometry ------------------------------------------------------------------------------------

TvxRect TvxVisualObject::GetLocalRect() const { return MakeRect(0, 0, width_, height_); }

TvxRect TvxVisualObject::GetParentedRect() const {
  return MakeRect(position_->X(), position_->Y(), position_->X() + width_, position_->Y() + height_);
}

TvxRect TvxVisualObject::GetEffectsRect() {
  const TvxRect local = GetLocalRect();
  TvxRect r = GetPaintRect();
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled()) UnionRectF(r, e->GetRect(local), r);
  return r;
}

TvxRect TvxVisualObject::GetAbsoluteRect() { return LocalRectToAbsolute({0, 0, width_, height_}); }

TvxRect TvxVisualObject::LocalRectToAbsolute(const TvxRect& R) {
  const TvxPoint corners[4] = {LocalToAbsolute({R.Left, R.Top}), LocalToAbsolute({R.Right, R.Top}),
                               LocalToAbsolute({R.Right, R.Bottom}), LocalToAbsolute({R.Left, R.Bottom})};
  TvxRect r;
  PointsBounds(corners, 3, r);
  return r;
}

void TvxVisualObject::MatrixChanged(rtl::TObject*) {
  if (CanRequestRepaint()) Repaint();
  TvxMatrix m = IdentityMatrix;
  m.m11 = scale_->X();
  m.m22 = scale_->Y();
  m.m31 = position_->X();
  m.m32 = position_->Y();
  if (rotateAngle_ != 0) {
    const float cx = rotateCenter_->X() * width_, cy = rotateCenter_->Y() * height_;
    TvxMatrix toOrigin = IdentityMatrix, back = IdentityMatrix;
    toOrigin.m31 = -cx;
    toOrigin.m32 = -cy;
    back.m31 = cx;
    back.m32 = cy;
    m = MatrixMultiply(MatrixMultiply(MatrixMultiply(toOrigin, CreateRotationMatrix(DegreeToRad(rotateAngle_))), back),
                       m);
  }
  localMatrix_ = m;
  RecalcAbsolute();
  RecalcUpdateRect();
  GetTopVisualParent();
  if (CanRequestRepaint()) Repaint();
}

const TvxMatrix& TvxVisualObject::GetAbsoluteMatrix() {
  if (recalcAbsolute_) {
    if (TvxVisualObject* p = VisualParent())
      absoluteMatrix_ = MatrixMultiply(MatrixMultiply(localMatrix_, p->GetChildrenMatrix()), p->GetAbsoluteMatrix());
    else
      absoluteMatrix_ = localMatrix_;
    recalcAbsolute_ = false;
    if (CanRequestRepaint()) Repaint();
  }
  return absoluteMatrix_;
}

void TvxVisualObject::RecalcAbsolute() {
  recalcAbsolute_ = true;
  BoundsChanged();
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcAbsolute();
}

void TvxVisualObject::RecalcAbsoluteNow() {
  GetAbsoluteMatrix();
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcAbsoluteNow();
}

TvxPoint TvxVisualObject::GetAbsoluteScale() const {
  TvxPoint s = scale_->GetPoint();
  for (TvxVisualObject* p = VisualParent(); p; p = p->VisualParent()) {
    s.X *= p->scale_->X();
    s.Y *= p->scale_->Y();
  }
  return s;
}

TvxPoint TvxVisualObject::LocalToAbsolute(const TvxPoint& P) {
  const TvxVector v = VectorTransform(MakeVector(P.X, P.Y, 1), GetAbsoluteMatrix());
  return {v.X, v.Y};
}

TvxPoint TvxVisualObject::AbsoluteToLocal(const TvxPoint& P) {
  TvxMatrix m = GetAbsoluteMatrix();
  InvertMatrix(m);
  const TvxVector v = VectorTransform(MakeVector(P.X, P.Y, 1), m);
  return {v.X, v.Y};
}

TvxPoint TvxVisualObject::LocalToAbsoluteVector(const TvxPoint& P) {
  const TvxVector v = VectorTransform(MakeVector(P.X, P.Y, 0), GetAbsoluteMatrix());
  return {v.X, v.Y};
}

TvxPoint TvxVisualObject::AbsoluteToLocalVector(const TvxPoint& P) {
  TvxMatrix m = GetAbsoluteMatrix();
  InvertMatrix(m);
  const TvxVector v = VectorTransform(MakeVector(P.X, P.Y, 0), m);
  return {v.X, v.Y};
}

bool TvxVisualObject::PointInObject(float X, float Y) {
  const TvxPoint p = AbsoluteToLocal({X, Y});
  return p.X > 0 && p.X < width_ && p.Y > 0 && p.Y < height_;
}

void TvxVisualObject::SetRotateAngle(float Value) {
  if (Value == rotateAngle_) return;
  rotateAngle_ = NormalizeAngle(Value);
  MatrixChanged();
}

void TvxVisualObject::SetWidth(float Value) { SetExtent(width_, Value, true); }

void TvxVisualObject::SetHeight(float Value) { SetExtent(height_, Value, false); }

void TvxVisualObject::SetExtent(float& Extent, float Value, bool Horizontal) {
  if (Value == Extent) return;
  if (CanRequestRepaint()) Repaint();
  Extent = Value;
  if (Designing() && Extent < 0) {
    Extent = -Extent;
    if (Horizontal) scale_->SetX(-scale_->X());
    else scale_->SetY(-scale_->Y());
  }
  BoundsChanged();
  if (rotateAngle_ != 0) MatrixChanged();
  if (Loading() || !Scene()) return;
  GetTopVisualParent();
  RecalcUpdateRect();
  if (TvxVisualObject* p = VisualParent(); p && (align_ != vaNone || p->RealignOnChildResize())) p->Realign();
  if (GetChildrenCount() > 0) Realign();
  Repaint();
}

void TvxVisualObject::SetInitialSize(float AWidth, float AHeight) {
  width_ = lastWidth_ = AWidth;
  height_ = lastHeight_ = AHeight;
  BoundsChanged();
}

void TvxVisualObject::SetBounds(float X, float Y, float AWidth, float AHeight) {
  if (CanRequestRepaint()) Repaint();
  bool sized = false;
  auto take = [&](float& Field, float Value, TvxPosition& ScaleSide, bool IsX) {
    if (Value == Field) return;
    Field = Value;
    sized = true;
    if (Designing() && Field < 0) {
      Field = -Field;
      rtl::TEventMute quiet(ScaleSide.OnChange);
      if (IsX)
        ScaleSide.SetX(-ScaleSide.X());
      else
        ScaleSide.SetY(-ScaleSide.Y());
    }
  };
  take(height_, AHeight, *scale_, false);
  take(width_, AWidth, *scale_, true);
  if (X != position_->X() || Y != position_->Y() || sized) {
    {
      rtl::TEventMute quiet(position_->OnChange);
      position_->SetPoint({X, Y});
    }
    MatrixChanged();
  }
  if (Loading()) return;
  if (sized) {
    if (TvxVisualObject* p = VisualParent(); p && align_ != vaNone) p->Realign();
    if (GetChildrenCount() > 0) Realign();
  }
  RecalcUpdateRect();
  Repaint();
}

void TvxVisualObject::SetBoundsRect(const TvxRect& R) {
  Repaint();
  width_ = RectWidth(R);
  height_ = RectHeight(R);
  TvxPoint c = LocalToAbsolute({rotateCenter_->X() * width_ + R.Left, rotateCenter_->Y() * height_ + R.Top});
  if (TvxVisualObject* p = VisualParent()) c = p->AbsoluteToLocal(c);
  {
    rtl::TEventMute quietPos(position_->OnChange);
    rtl::TEventMute quietScale(scale_->OnChange);
    position_->SetPoint(
        {c.X - scale_->X() * rotateCenter_->X() * width_, c.Y - scale_->Y() * rotateCenter_->Y() * height_});
    if (width_ < 0) {
      width_ = -width_;
      scale_->SetX(-scale_->X());
    }
    if (height_ < 0) {
      height_ = -height_;
      scale_->SetY(-scale_->Y());
    }
  }
  MatrixChanged();
  Realign();
}

// ---- opacity, enabled, visible ------------------------------------------------------------------------

void TvxVisualObject::SetOpacity(float Value) {
  if (Value == opacity_) return;
  opacity_ = std::isnan(Value) ? 1.0f : std::clamp(Value, 0.0f, 1.0f);
  RecalcOpacity();
  Repaint();
}

float TvxVisualObject::GetAbsoluteOpacity() {
  if (recalcOpacity_) {
    TvxVisualObject* p = VisualParent();
    absoluteOpacity_ = p ? p->GetAbsoluteOpacity() * opacity_ : opacity_;
    if (!GetAbsoluteEnabled()) {
      TvxObject* root = Scene() ? Scene()->GetRoot() : nullptr;
      if (this != root && Parent() != root) absoluteOpacity_ *= 0.8f;
    }
    recalcOpacity_ = false;
  }
  return absoluteOpacity_;
}

void TvxVisualObject::RecalcOpacity() {
  recalcOpacity_ = true;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcOpacity();
}

void TvxVisualObject::SetEnabled(bool Value) {
  if (!SetField(enabled_, Value)) return;
  RecalcEnabled();
  RecalcOpacity();
  Repaint();
}

bool TvxVisualObject::GetAbsoluteEnabled() {
  if (recalcEnabled_) {
    absoluteEnabled_ = enabled_;
    if (TvxVisualObject* p = VisualParent(); p && !p->GetAbsoluteEnabled()) absoluteEnabled_ = false;
    recalcEnabled_ = false;
    if (!absoluteEnabled_) ClearFocusIfFocused();
  }
  return absoluteEnabled_;
}

void TvxVisualObject::RecalcEnabled() {
  recalcEnabled_ = true;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcEnabled();
}

void TvxVisualObject::ClearFocusIfFocused() {
  if (canFocused_ && Scene() && Scene()->GetFocused() == this) Scene()->SetFocused(nullptr);
}

bool TvxVisualObject::GetParentedVisible() const {
  for (const TvxVisualObject* v = this; v; v = v->VisualParent())
    if (!v->visible_) return false;
  return true;
}

void TvxVisualObject::SetVisible(bool Value) {
  if (Value == visible_) return;
  if (visible_ && Scene()) {
    TvxRect gone = GetUpdateRect();
    if (!IsRectEmptyF(paintedRect_)) UnionRectF(TvxRect(gone), paintedRect_, gone);
    Scene()->AddUpdateRect(gone);
    paintedRect_ = {};
  }
  visible_ = Value;
  if (TvxVisualObject* p = VisualParent()) p->BoundsChanged();
  if (!Loading() && align_ != vaNone)
    if (TvxVisualObject* p = VisualParent()) p->Realign();
  if (visible_) {
    RecalcUpdateRect();
    if (Scene()) Scene()->AddUpdateRect(GetUpdateRect());
    StartTriggerAnimation(this, "IsVisible");
  } else {
    ClearFocusIfFocused();
  }
}

// ---- flags -------------------------------------------------------------------------------------------

void TvxVisualObject::SetAlign(TvxAlign Value) {
  if (!SetField(align_, Value)) return;
  if (TvxVisualObject* p = VisualParent()) {
    p->needAlign_ = true;
    if (!Loading()) p->Realign();
  }
}

void TvxVisualObject::SetClipChildren(bool Value) {
  if (!SetField(clipChildren_, Value)) return;
  BoundsChanged();
  Repaint();
}

void TvxVisualObject::SetDesignHide(bool Value) {
  if (!SetField(designHide_, Value)) return;
  if (TvxVisualObject* p = VisualParent(); p && Designing()) p->Repaint();
}

void TvxVisualObject::SetPopupMenu(rtl::TComponent* Value) {
  if (Value == popupMenu_) return;
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = Value;
  if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TvxVisualObject::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  if (Operation == rtl::opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
  inherited::Notification(AComponent, Operation);
}

void TvxVisualObject::SetDesignHideRecursive(bool Value) {
  designHide_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetDesignHideRecursive(Value);
}

// ---- repaint and canvas ---------------------------------------------------------------------------------

void TvxVisualObject::Repaint() {
  IvxScene* s = Scene();
  if (!s) return;
  const bool design = s->GetDesignTime();
  if (!visible_ && !design) return;
  if (design && designHide_) return;
  if (s->GetDisableUpdate()) return;
  if (!design && !GetParentedVisible()) return;
  if (updateCount_ > 0) return;
  if (hasEffects_ && EffectReplacesPaint()) effectsDirty_ = true;
  // What it painted before goes too: a text set smaller leaves no pieces of the larger one.
  TvxRect r = GetUpdateRect();
  if (!IsRectEmptyF(paintedRect_)) UnionRectF(TvxRect(r), paintedRect_, r);
  s->AddUpdateRect(r);
}

void TvxVisualObject::RecalcUpdateRect() {
  if (TvxVisualObject* p = VisualParent(); p && !p->clipChildren_) {
    const TvxRect r = GetParentedRect();
    if (PaintsOutsideBounds())
      for (TvxVisualObject* q = p; q && !q->clipChildren_; q = q->VisualParent()) q->recalcUpdateRect_ = true;
    else if (r.Left < 0 || r.Top < 0 || r.Right > p->width_ || r.Bottom > p->height_)
      p->recalcUpdateRect_ = true;
  }
  recalcUpdateRect_ = true;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcUpdateRect();
}

void TvxVisualObject::PaintRectChanged() {
  RecalcUpdateRect();
  for (TvxVisualObject* p = VisualParent(); p && !p->clipChildren_; p = p->VisualParent()) p->recalcUpdateRect_ = true;
  BoundsChanged();
}

TvxRect TvxVisualObject::GetUpdateRect() {
  if (!recalcUpdateRect_) return updateRect_;
  recalcUpdateRect_ = false;
  ++updateCount_;
  TvxRect r = GetAbsoluteRect();
  const TvxRect painted = GetPaintRect();
  if (painted != GetLocalRect()) {
    const TvxRect a = r;
    UnionRectF(a, LocalRectToAbsolute(painted), r);
  }
  IvxScene* s = Scene();
  if (s && !s->GetDisableUpdate() && !Loading()) {
    for (TvxVisualObject* p = VisualParent(); p; p = p->VisualParent())
      if (p->clipChildren_) {
        const TvxRect a = r;
        IntersectRectF(r, a, p->GetUpdateRect());
      }
    if (canFocused_ && s->GetFocused() == this) InflateRectF(r, 5, 5);
    if (s->GetSelected() == this) {
      InflateRectF(r, 4, 4);
      r.Top -= 13;
    }
    if (s->GetDesignPlaceObject() == this) {
      InflateRectF(r, 1, 1);
      r.Top -= 20;
      if (RectWidth(r) < 160) r.Right = r.Left + 160;
    }
    if (hasEffects_ && !clipChildren_) {
      const TvxRect a = r;
      UnionRectF(a, LocalRectToAbsolute(GetEffectsRect()), r);
    }
    if (!clipChildren_)
      for (TvxObject* c : Children())
        if (c->IsVisual() && c->Visual()->visible_) {
          const TvxRect a = r;
          UnionRectF(a, c->Visual()->GetUpdateRect(), r);
        }
  }
  updateRect_ = r;
  --updateCount_;
  return updateRect_;
}

TvxRect TvxVisualObject::GetChildrenRect() {
  if (childrenRectValid_) return childrenRect_;
  TvxRect r = GetReachRect();
  if (!clipChildren_)
    for (TvxObject* c : Children())
      if (c->IsVisual() && c->Visual()->visible_) {
        const TvxRect a = r;
        UnionRectF(a, c->Visual()->GetChildrenRect(), r);
      }
  childrenRect_ = r;
  childrenRectValid_ = true;
  return r;
}

void TvxVisualObject::BoundsChanged() {
  // Up to the first ancestor that holds no value (its own ancestors hold none either) or whose
  // value leaves this branch out (a hidden object, a clipping parent).
  for (TvxVisualObject* o = this;;) {
    const bool held = std::exchange(o->childrenRectValid_, false);
    if (!held && o != this) return;
    if (!o->visible_) return;
    TvxVisualObject* p = o->VisualParent();
    if (!p || p->clipChildren_) return;
    o = p;
  }
}

TvxCanvas* TvxVisualObject::GetCanvas() {
  if (canvas_) return canvas_;
  return Scene() ? Scene()->GetCanvas() : nullptr;
}

void TvxVisualObject::SetCanvas(TvxCanvas* Value) {
  canvas_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetCanvas(Value);
}

void TvxVisualObject::SetDisableRepaint(bool Value) {
  disableRepaint_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetDisableRepaint(Value);
}

void TvxVisualObject::SetUpdateCount(int Value) {
  updateCount_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetUpdateCount(Value);
}

void TvxVisualObject::BeginUpdate() {
  ++updateCount_;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->BeginUpdate();
}

void TvxVisualObject::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->EndUpdate();
  if (updateCount_ == 0) Realign();
}

TvxVisualObject* TvxVisualObject::GetTopVisualParent() {
  TvxVisualObject* top = this;
  for (TvxVisualObject* v = this; v; v = v->VisualParent()) {
    if (v->hasEffects_) v->effectsDirty_ = true;
    top = v;
  }
  return top;
}

void TvxVisualObject::UpdateHasEffects() {
  hasEffects_ = false;
  if (disableEffect_) return;
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled()) {
      GetTopVisualParent();
      Repaint();
      hasEffects_ = true;
      return;
    }
}

bool TvxVisualObject::EffectReplacesPaint() const {
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled() && e->ReplacesObjectPaint()) return true;
  return false;
}

bool TvxVisualObject::EffectPaintsAfter() const {
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled() && e->PaintsAfterObject()) return true;
  return false;
}

void TvxVisualObject::RecalcNeedAlign() {
  needAlign_ = std::any_of(Children().begin(), Children().end(),
                           [](TvxObject* c) { return c->IsVisual() && c->Visual()->align_ != vaNone; });
}

// ---- children ----------------------------------------------------------------------------------------------

void TvxVisualObject::ChildAdded(TvxObject* AObject) {
  if (auto* e = dynamic_cast<TvxEffect*>(AObject)) {
    effectChildren_ = true;
    if (e->Enabled()) hasEffects_ = true;
  }
  if (!AObject->IsVisual()) return;
  TvxVisualObject* c = AObject->Visual();
  if (c->align_ != vaNone) needAlign_ = true;
  if (canvas_) c->SetCanvas(canvas_);
  c->SetUpdateCount(updateCount_);
  c->RecalcEnabled();
  c->RecalcOpacity();
  c->RecalcAbsolute();
  c->RecalcUpdateRect();
  BoundsChanged();
  if (hasEffects_) {
    GetTopVisualParent();
    Repaint();
  }
  if (c->align_ == vaNone)
    Repaint();
  else
    Realign();
  tabList_.push_back(c);
}

void TvxVisualObject::ChildRemoving(TvxObject* AObject) {
  if (!AObject->IsVisual()) return;
  TvxVisualObject* c = AObject->Visual();
  if (c == caret_) caret_ = nullptr;
  // Looked for from the back, where children mostly leave: it is in the list once.
  if (const auto at = std::find(tabList_.rbegin(), tabList_.rend(), c); at != tabList_.rend())
    tabList_.erase(std::next(at).base());
  c->SetUpdateCount(0);
  c->Repaint();
}

void TvxVisualObject::ChildRemoved(TvxObject* AObject) {
  // Only what the removed child could change is worked out again, so that removing many
  // children costs in step with their number.
  if (dynamic_cast<TvxEffect*>(AObject)) {
    UpdateHasEffects();
  } else if (hasEffects_ && !disableEffect_) {
    GetTopVisualParent();
    Repaint();
  }
  if (!AObject->IsVisual()) return;
  BoundsChanged();
  if (AObject->Visual()->align_ != vaNone) RecalcNeedAlign();
  AObject->Visual()->SetCanvas(nullptr);
}

void TvxVisualObject::SetScene(IvxScene* AScene) {
  if (!AScene && isFocused_) KillFocus();
  TvxObject::SetScene(AScene);
  if (!AScene) isFocused_ = isMouseOver_ = isDragOver_ = false;
}

void TvxVisualObject::DeleteChildren() {
  caret_ = nullptr;
  TvxObject::DeleteChildren();
  tabList_.clear();
  BoundsChanged();
}

void TvxVisualObject::Loaded() {
  inherited::Loaded();
  lastWidth_ = width_;
  lastHeight_ = height_;
  MatrixChanged();
  if (GetChildrenCount() > 0) Realign();
  ApplyTabOrder();
}

// ---- painting ------------------------------------------------------------------------------------------------

void TvxVisualObject::PaintChildren() {
  if (Children().empty()) return;
  IvxScene* s = Scene();
  const bool design = s && s->GetDesignTime();
  for (size_t i = 0; i < Children().size(); ++i) {
    TvxVisualObject* c = Children()[i]->Visual();
    if (!c || !(c->visible_ || (design && !c->locked_))) continue;
    if (design && c->designHide_) continue;
    const TvxRect u = c->GetUpdateRect();
    if (RectWidth(u) == 0 || RectHeight(u) == 0) continue;
    TvxRect dummy;
    if (clipChildren_ && !IntersectRectF(dummy, u, GetUpdateRect())) continue;
    bool paint = design || c->disableRepaint_;
    if (!paint && s) {
      TvxRect area;
      UnionRectF(u, c->GetChildrenRect(), area);
      for (int k = 0, n = s->GetUpdateRectsCount(); k < n && !paint; ++k)
        paint = IntersectRectF(dummy, area, s->GetUpdateRect(k));
    }
    if (paint) PaintChild(c);
  }
}

void TvxVisualObject::PaintChild(TvxVisualObject* C) {
  TvxCanvas* canvas = C->GetCanvas();
  if (!canvas) return;
  int clipState = -1;
  if (clipChildren_ && C->canClipped_) {
    clipState = canvas->SaveState();
    canvas->SetMatrix(GetAbsoluteMatrix());
    canvas->IntersectClipRect(GetClipRect());
  }
  canvas->SetMatrix(C->GetAbsoluteMatrix());
  C->BeforePaint();
  if (C->hasEffects_ && !C->EffectPaintsAfter()) C->ApplyEffect();
  if (!C->effectChildren_ || !C->EffectReplacesPaint()) {
    canvas->SetMatrix(C->GetAbsoluteMatrix());
    int clipParentState = -1;
    for (TvxObject* g : C->Children())
      if (g->IsVisual() && g->Visual()->clipParent_) {
        clipParentState = canvas->SaveState();
        canvas->SetMatrix(g->Visual()->GetAbsoluteMatrix());
        canvas->ExcludeClipRect(g->Visual()->GetLocalRect());
        canvas->SetMatrix(C->GetAbsoluteMatrix());
        break;
      }
    int ownClip = -1;
    if (C->clipChildren_) {
      ownClip = canvas->SaveState();
      canvas->IntersectClipRect(C->GetClipRect());
    }
    if (C->OnBeforePaint) {
      C->OnBeforePaint(C, canvas, C->GetLocalRect());
      canvas->SetMatrix(C->GetAbsoluteMatrix());
    }
    C->Paint();
    C->NotePainted();
    if (ownClip >= 0) canvas->RestoreState(ownClip);
    if (clipParentState >= 0) canvas->RestoreState(clipParentState);
    C->PaintChildren();
    if (C->OnPaint) {
      canvas->SetMatrix(C->GetAbsoluteMatrix());
      C->OnPaint(C, canvas, C->GetLocalRect());
    }
  }
  C->AfterPaint();
  if (C->isDragOver_ && !C->dragDisableHighlight_) C->DrawDragFrame();
  if (clipState >= 0) canvas->RestoreState(clipState);
  if (C->hasEffects_ && C->EffectPaintsAfter()) {
    canvas->SetMatrix(C->GetAbsoluteMatrix());
    C->ApplyEffect();
  }
}

void TvxVisualObject::DrawDragFrame() {
  TvxCanvas* canvas = GetCanvas();
  canvas->SetMatrix(GetAbsoluteMatrix());
  canvas->Stroke()->SetStyle(vgBrushSolid);
  canvas->Stroke()->SetSolidColor(0xB2005ACCu);
  canvas->SetStrokeCap(vgCapFlat);
  canvas->SetStrokeJoin(vgJoinMiter);
  canvas->SetStrokeDash(vgDashSolid);
  canvas->SetStrokeThickness(3);
  canvas->DrawRect(MakeRect(1, 1, width_ - 1, height_ - 1), 1, 1, AllCorners, 1);
}

void TvxVisualObject::ApplyEffect() {
  if (Children().empty() || !Scene() || disableEffect_ || !hasEffects_) return;
  TvxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  std::vector<TvxEffect*> effects;
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled()) effects.push_back(e);
  const bool cached =
      !effectsDirty_ && std::all_of(effects.begin(), effects.end(), [](TvxEffect* e) { return e->Image() != nullptr; });
  const int state = canvas->SaveState();
  const TvxRect local = GetLocalRect();
  if (!cached) {
    const TvxPoint scale = GetAbsoluteScale();
    const float sx = std::fabs(scale.X), sy = std::fabs(scale.Y);
    for (TvxEffect* e : effects) {
      TvxRect scaled = e->GetRect(local);
      MultiplyRect(scaled, sx, sy);
      int w = 0, h = 0;
      EffectBitmapSize(scaled, w, h);
      if (w < 1 || h < 1) {
        e->FreeImage();
        continue;
      }
      TvxBitmap* image = e->NeedImage();
      if (image->Width() != w || image->Height() != h) image->SetSize(w, h);
      image->Clear(0);
      TvxCanvas* target = image->GetCanvas();
      if (!target) continue;
      if (target->BeginScene()) {
        target->SetMatrix(IdentityMatrix);
        const TvxPoint offset = e->GetOffset();
        const float left = offset.X * sx, top = offset.Y * sy;
        PaintTo(target, MakeRect(left, top, left + width_ * sx, top + height_ * sy), nullptr);
        target->EndScene();
      }
      e->ProcessEffect(target, image, sx);
    }
    effectsDirty_ = false;
  }
  for (TvxEffect* e : effects)
    if (TvxBitmap* image = e->Image()) {
      canvas->SetMatrix(GetAbsoluteMatrix());
      canvas->DrawBitmap(image, MakeRect(0, 0, static_cast<float>(image->Width()), static_cast<float>(image->Height())),
                         e->GetRect(local), GetAbsoluteOpacity(), rotateAngle_ == 0);
    }
  canvas->RestoreState(state);
}

void TvxVisualObject::PaintTo(TvxCanvas* ACanvas, const TvxRect& ARect, TvxObject* AParent) {
  IvxScene* s = Scene();
  if (!s || !ACanvas || width_ * height_ == 0) return;
  const bool disableUpdate = s->GetDisableUpdate();
  s->SetDisableUpdate(true);
  const bool aligning = aligning_;
  aligning_ = true;
  SetDisableRepaint(true);
  TvxCanvas* oldCanvas = canvas_;
  SetCanvas(ACanvas);
  const int state = ACanvas->SaveState();
  const TvxPoint position = position_->GetPoint(), scale = scale_->GetPoint();
  TvxObject* parent = parent_;
  const float angle = rotateAngle_;
  parent_ = AParent;
  {
    rtl::TEventMute quietPos(position_->OnChange);
    rtl::TEventMute quietScale(scale_->OnChange);
    position_->SetPoint({ARect.Left, ARect.Top});
    scale_->SetPoint({RectWidth(ARect) / width_, RectHeight(ARect) / height_});
  }
  rotateAngle_ = 0;
  MatrixChanged();
  ACanvas->SetMatrix(GetAbsoluteMatrix());
  BeforePaint();
  Paint();
  AfterPaint();
  PaintChildren();
  parent_ = parent;
  {
    rtl::TEventMute quietPos(position_->OnChange);
    rtl::TEventMute quietScale(scale_->OnChange);
    position_->SetPoint(position);
    scale_->SetPoint(scale);
  }
  rotateAngle_ = angle;
  MatrixChanged();
  RecalcUpdateRect();
  RecalcAbsoluteNow();
  RecalcOpacity();
  RecalcEnabled();
  SetDisableRepaint(false);
  aligning_ = aligning;
  ACanvas->RestoreState(state);
  SetCanvas(oldCanvas);
  s->SetDisableUpdate(disableUpdate);
}

std::unique_ptr<TvxBitmap> TvxVisualObject::MakeScreenshot() {
  auto side = [](float V) { return static_cast<int>(std::clamp<int64_t>(Round(V), 0, MaxEffectBitmapSide)); };
  auto bitmap = std::make_unique<TvxBitmap>(side(width_), side(height_));
  bitmap->Clear(0);
  if (TvxCanvas* c = bitmap->GetCanvas(); c && !bitmap->IsEmpty() && c->BeginScene()) {
    PaintTo(c, MakeRect(0, 0, static_cast<float>(bitmap->Width()), static_cast<float>(bitmap->Height())), nullptr);
    c->EndScene();
  }
  return bitmap;
}

// ---- visual brushes -------------------------------------------------------------------------------------------

void PaintVisualBrushObject(rtl::TComponent* Visual, TvxCanvas& Canvas, const TvxRect& Rect, float Opacity) {
  auto* object = dynamic_cast<TvxVisualObject*>(Visual);
  if (!object) return;
  // The brush's opacity stands in for the object's own while it paints. Set quietly: a
  // repaint request from inside a paint would have the host paint again, for ever.
  struct TOpacity {
    TvxVisualObject* Object;
    float Saved;
    ~TOpacity() {
      Object->opacity_ = Saved;
      Object->RecalcOpacity();
    }
  } restore{object, object->opacity_};
  object->opacity_ = std::isnan(Opacity) ? 0.0f : std::clamp(Opacity, 0.0f, 1.0f);
  object->RecalcOpacity();
  object->PaintTo(&Canvas, Rect, nullptr);
}

// ---- content -----------------------------------------------------------------------------------------------------

rtl::TClass TvxContent::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxContent>().Build();
  return &info;
}

TvxContent::TvxContent(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}

}  // namespace vg

namespace vg {

// ---- input ----------------------------------------------------------------------------------------------

bool TvxVisualObject::IsControl() const { return dynamic_cast<const TvxControl*>(this) != nullptr; }

void TvxVisualObject::StateTriggers(const char* Name) {
  StartTriggerAnimation(this, Name);
  ApplyTriggerEffect(this, Name);
}

void TvxVisualObject::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  IvxScene* s = Scene();
  const bool design = s && s->GetDesignTime();
  if (design && Shift.Contains(rtl::ssDouble)) s->SetDesignEditObject(this);
  TvxFreeWatch self(this);
  if (!design && canFocused_ && !isFocused_ && s && s->GetFocused() != this) {
    SetFocus();
    if (self.Gone()) return;
  }
  OnMouseDown(this, Button, Shift, X, Y);
  if (self.Gone()) return;
  if (Button != rtl::mbRight) {
    if (autoCapture_) Capture();
    if (Shift.Contains(rtl::ssDouble)) {
      doubleClicked_ = true;
      DblClick();
      if (self.Gone()) return;
    }
    if (Button == rtl::mbLeft) pressed_ = true;
  } else if (Scene()) {
    ContextMenu(Scene()->LocalToScreen(LocalToAbsolute({X, Y})));
  }
}

void TvxVisualObject::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  OnMouseMove(this, Shift, X, Y, Dx, Dy);
}

void TvxVisualObject::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  ReleaseCapture();
  TvxFreeWatch self(this);
  OnMouseUp(this, Button, Shift, X, Y);
  if (self.Gone()) return;
  const bool click = pressed_ && !doubleClicked_ && X >= 0 && X <= width_ && Y >= 0 && Y <= height_;
  pressed_ = doubleClicked_ = false;
  if (click) Click();
}

void TvxVisualObject::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  const TvxPoint at = Scene() ? Scene()->GetMousePos() : TvxPoint{0, 0};
  OnMouseWheel(this, Shift, WheelDelta, at, Handled);
}

void TvxVisualObject::Click() { OnClick(this); }
void TvxVisualObject::DblClick() { OnDblClick(this); }

void TvxVisualObject::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  if (Key == win::VK_APPS) {
    if (Scene()) ContextMenu(Scene()->LocalToScreen(LocalToAbsolute({width_ / 2, height_ / 2})));
    return;
  }
  OnKeyDown(this, Key, KeyChar, Shift);
}

void TvxVisualObject::KeyUp(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  OnKeyUp(this, Key, KeyChar, Shift);
}

void TvxVisualObject::DialogKey(uint16_t& Key, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  for (size_t i = 0; i < Children().size() && Key != 0; ++i) {
    TvxVisualObject* c = Children()[i]->Visual();
    if (!c || !c->visible_ || !c->enabled_) continue;
    c->DialogKey(Key, Shift);
    if (self.Gone()) return;
  }
}

void TvxVisualObject::MouseEnter() {
  isMouseOver_ = true;
  TvxFreeWatch self(this);
  StateTriggers("IsMouseOver");
  if (!self.Gone()) OnMouseEnter(this);
}

void TvxVisualObject::MouseLeave() {
  isMouseOver_ = false;
  TvxFreeWatch self(this);
  StateTriggers("IsMouseOver");
  if (!self.Gone()) OnMouseLeave(this);
}

void TvxVisualObject::ContextMenu(const TvxPoint& ScreenPoint) {
  if (auto* menu = dynamic_cast<IvxPopupMenu*>(popupMenu_))
    menu->PopupFor(this, static_cast<int>(Round(ScreenPoint.X)), static_cast<int>(Round(ScreenPoint.Y)));
}

// ---- focus ---------------------------------------------------------------------------------------------------

void TvxVisualObject::SetFocus() {
  if (!canFocused_) return;
  if (OnCanFocused) {
    bool can = true;
    TvxFreeWatch self(this);
    OnCanFocused(this, can);
    if (self.Gone() || !can) return;
  }
  if (Scene()) Scene()->SetFocused(this);
}

void TvxVisualObject::EnterFocus() {
  if (!canFocused_) return;
  for (TvxVisualObject* p = VisualParent(); p; p = p->VisualParent()) p->ChildFocused(this);
  isFocused_ = true;
  RecalcUpdateRect();
  Repaint();
  TvxFreeWatch self(this);
  OnEnterFocus(this);
  if (!self.Gone() && !disableFocusEffect_) StateTriggers("IsFocused");
}

void TvxVisualObject::KillFocus() {
  if (!canFocused_) return;
  RecalcUpdateRect();
  Repaint();
  isFocused_ = false;
  TvxFreeWatch self(this);
  OnKillFocus(this);
  if (!self.Gone() && !disableFocusEffect_) StateTriggers("IsFocused");
}

// ---- drag and drop -----------------------------------------------------------------------------------------

void TvxVisualObject::DragEnter(const TvxDragObject& Data, const TvxPoint& Point) {
  isDragOver_ = true;
  Repaint();
  TvxFreeWatch self(this);
  StateTriggers("IsDragOver");
  if (!self.Gone()) OnDragEnter(this, Data, Point);
}

void TvxVisualObject::DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) {
  OnDragOver(this, Data, Point, Accept);
}

void TvxVisualObject::DragDrop(const TvxDragObject& Data, const TvxPoint& Point) {
  isDragOver_ = false;
  Repaint();
  TvxFreeWatch self(this);
  StateTriggers("IsDragOver");
  if (!self.Gone()) OnDragDrop(this, Data, Point);
}

void TvxVisualObject::DragLeave() {
  isDragOver_ = false;
  Repaint();
  TvxFreeWatch self(this);
  StateTriggers("IsDragOver");
  if (!self.Gone()) OnDragLeave(this);
}

void TvxVisualObject::DragEnd() {
  if (dragMode_ == vgDragAutomatic) {
    TvxFreeWatch self(this);
    MouseUp(rtl::mbLeft, {}, 65535, 65535);
    if (self.Gone()) return;
  }
  OnDragEnd(this);
}

std::unique_ptr<TvxBitmap> TvxVisualObject::MakeDragImage() {
  const std::unique_ptr<TvxBitmap> shot = MakeScreenshot();
  const float w = static_cast<float>(shot->Width()), h = static_cast<float>(shot->Height());
  TvxRect size = MakeRect(0, 0, w, h);
  if (w > 512 || h > 512) FitRect(size, MakeRect(0, 0, 512, 512));
  auto image =
      std::make_unique<TvxBitmap>(static_cast<int>(Round(RectWidth(size))), static_cast<int>(Round(RectHeight(size))));
  image->Clear(0);
  if (TvxCanvas* c = image->GetCanvas(); c && !image->IsEmpty() && !shot->IsEmpty() && c->BeginScene()) {
    c->DrawBitmap(shot.get(), MakeRect(0, 0, w, h),
                  MakeRect(0, 0, static_cast<float>(image->Width()), static_cast<float>(image->Height())), 0.7f, false);
    c->EndScene();
  }
  return image;
}

void TvxVisualObject::BeginAutoDrag() {
  // The host draws its own drag feedback; the picture is made as the drag starts.
  const std::unique_ptr<TvxBitmap> image = MakeDragImage();
  if (Scene()) Scene()->BeginVCLDrag(this);
}

TvxVisualObject* TvxVisualObject::FindTarget(const TvxPoint& P, const TvxDragObject& Data) {
  const bool design = Scene() && Scene()->GetDesignTime();
  if (!design && (!visible_ || (IsControl() && !GetAbsoluteEnabled()))) return nullptr;
  if (!(design && designHide_) && (!clipChildren_ || PointInObject(P.X, P.Y)))
    for (size_t i = Children().size(); i-- > 0;) {
      TvxVisualObject* c = i < Children().size() ? Children()[i]->Visual() : nullptr;
      if (!c || !(c->visible_ || design)) continue;
      if (TvxVisualObject* hit = c->FindTarget(P, Data)) return hit;
    }
  bool accept = false;
  DragOver(Data, P, accept);
  return accept && PointInObject(P.X, P.Y) && CheckHitTest() ? this : nullptr;
}

// ---- hit testing -------------------------------------------------------------------------------------------

bool TvxVisualObject::CheckHitTest() {
  if (Scene() && Scene()->GetDesignTime()) return !locked_ && !designHide_;
  return hitTest_;
}

TvxVisualObject* TvxVisualObject::ObjectAtPoint(const TvxPoint& P) {
  const bool design = Scene() && Scene()->GetDesignTime();
  if (!design && !visible_) return nullptr;
  // Nothing of the visible subtree reaches past its children rectangle (hidden objects only
  // hit at design time): a point away from it hits nothing here. A unit of slack covers the
  // rounding between a point taken into local coordinates and corners taken out of them; a
  // rectangle or point that is not a number prunes nothing.
  if (!design) {
    const TvxRect reach = GetChildrenRect();
    if (P.X < reach.Left - 1 || P.X > reach.Right + 1 || P.Y < reach.Top - 1 || P.Y > reach.Bottom + 1) return nullptr;
    if (IsControl() && !GetAbsoluteEnabled()) return nullptr;
  }
  if (clipChildren_ && !PointInObject(P.X, P.Y)) return nullptr;
  if (!(design && designHide_))
    for (size_t i = Children().size(); i-- > 0;) {
      TvxVisualObject* c = Children()[i]->Visual();
      if (!c || !(c->visible_ || design)) continue;
      if (TvxVisualObject* hit = c->ObjectAtPoint(P)) return hit;
    }
  return PointInObject(P.X, P.Y) && CheckHitTest() ? this : nullptr;
}

// ---- caret ----------------------------------------------------------------------------------------------------

void TvxVisualObject::CreateCaret() {
  if (caret_) return;
  // The caret is the library's rectangle shape when it is registered; the shapes come
  // after this file in the library, so it is made through its class record.
  std::unique_ptr<TvxVisualObject> caret;
  if (rtl::TClass shape = rtl::GetClass("TvxRectangle")) caret = rtl::OwnedAs<TvxVisualObject>(shape->Create(this));
  if (!caret) caret = std::make_unique<TvxVisualObject>(this);
  caret->SetWidth(3);
  caret->SetHeight(20);
  caret->SetHitTest(false);
  caret->SetLocked(true);
  caret->SetVisible(false);
  if (rtl::IsPublishedProp(caret.get(), "Fill.Color")) rtl::SetStrProp(caret.get(), "Fill.Color", "#FF0000FF");
  if (rtl::IsPublishedProp(caret.get(), "Stroke.Style")) rtl::SetEnumProp(caret.get(), "Stroke.Style", "vgBrushNone");
  if (Scene() && Scene()->GetAnimatedCaret()) {
    auto blink = std::make_unique<TvxFloatAnimation>(caret.get());
    blink->SetBindingName("caret");
    blink->SetPropertyName("Opacity");
    blink->SetStartValue(1);
    blink->SetStopValue(0);
    blink->SetDuration(0.1f);
    blink->SetAutoReverse(true);
    blink->SetLoop(true);
    caret->AddObject(blink.release());
  }
  AddObject(caret.get());
  caret->SetStored(false);
  caret_ = caret.release();
}

void TvxVisualObject::ShowCaret() {
  CreateCaret();
  caret_->SetVisible(true);
  for (TvxObject* c : caret_->Children())
    if (auto* a = dynamic_cast<TvxAnimation*>(c); a && rtl::SameText(a->BindingName(), "caret") && !a->Running()) {
      a->Start();
      break;
    }
}

void TvxVisualObject::HideCaret() {
  if (caret_) caret_->SetVisible(false);
}

void TvxVisualObject::SetCaretPos(const TvxPoint& P) {
  CreateCaret();
  caret_->Position()->SetPoint({static_cast<float>(Round(P.X)), static_cast<float>(Round(P.Y))});
}

void TvxVisualObject::SetCaretSize(const TvxPoint& S) {
  CreateCaret();
  caret_->SetWidth(S.X);
  caret_->SetHeight(S.Y);
}

void TvxVisualObject::SetCaretColor(TvxColor C) {
  CreateCaret();
  if (rtl::IsPublishedProp(caret_, "Fill.Color")) rtl::SetStrProp(caret_, "Fill.Color", ColorToString(C));
}

// ---- tab order and capture -------------------------------------------------------------------------------

void TvxVisualObject::GetTabOrderList(std::vector<TvxVisualObject*>& List, bool Recursive) {
  for (TvxVisualObject* c : tabList_) {
    List.push_back(c);
    if (Recursive) c->GetTabOrderList(List, true);
  }
}

int TvxVisualObject::GetTabOrder() const {
  const TvxVisualObject* p = VisualParent();
  if (!p) return -1;
  const auto it = std::find(p->tabList_.begin(), p->tabList_.end(), this);
  return it == p->tabList_.end() ? -1 : static_cast<int>(it - p->tabList_.begin());
}

void TvxVisualObject::SetTabOrder(int Value) {
  if (Loading())
    loadedTabOrder_ = Value;
  else
    MoveTabOrder(Value);
}

void TvxVisualObject::MoveTabOrder(int Value) {
  TvxVisualObject* p = VisualParent();
  const int current = GetTabOrder();
  if (!p || current < 0) return;
  const int last = static_cast<int>(p->tabList_.size()) - 1;
  Value = std::clamp(Value, 0, last);
  if (Value == current) return;
  p->tabList_.erase(p->tabList_.begin() + current);
  p->tabList_.insert(p->tabList_.begin() + Value, this);
}

void TvxVisualObject::ApplyTabOrder() {
  if (!Scene() || tabList_.empty()) return;
  const int n = static_cast<int>(tabList_.size());
  std::vector<TvxVisualObject*> places(static_cast<size_t>(n), nullptr);
  for (TvxVisualObject* c : tabList_)
    if (c->loadedTabOrder_ >= 0 && c->loadedTabOrder_ < n) places[static_cast<size_t>(c->loadedTabOrder_)] = c;
  for (int i = 0; i < n; ++i)
    if (TvxVisualObject* c = places[static_cast<size_t>(i)]) c->MoveTabOrder(i);
}

void TvxVisualObject::Capture() {
  if (Scene()) Scene()->SetCaptured(this);
}

void TvxVisualObject::ReleaseCapture() {
  if (Scene() && Scene()->GetCaptured() == this) Scene()->SetCaptured(nullptr);
}

}  // namespace vg
