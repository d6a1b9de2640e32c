// The visual object's class record, construction, geometry and matrices, size and bounds,
// opacity, enabled and visible states, flags, and its children coming and going; the content
// object. Repainting and painting are in VisualObjectsPaint.cpp, input, focus, drag and drop,
// hit tests, the caret and the tab order in VisualObjectsInput.cpp.
#include "vg2d/core/VisualObjects.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "vg2d/core/Animations.h"
#include "vg2d/core/Effects.h"

namespace vg {

namespace {

// Whether O leaves Host because O, one of its parents or the host itself is being freed.
bool LeavesInTeardown(const TvxObject* O, IvxScene* Host) {
  for (const TvxObject* o = O; o; o = o->Parent())
    if (o->ComponentState().Contains(rtl::csDestroying)) return true;
  const rtl::TComponent* host = Host ? Host->GetComponent() : nullptr;
  return host && host->ComponentState().Contains(rtl::csDestroying);
}

}  // namespace

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
      absoluteMatrix_ = paintBase_ ? MatrixMultiply(localMatrix_, *paintBase_) : localMatrix_;
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
    if (align_ != vaNone) p->AlignedChildComes();
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

// ---- children ----------------------------------------------------------------------------------------------

void TvxVisualObject::ChildAdded(TvxObject* AObject) {
  if (auto* e = dynamic_cast<TvxEffect*>(AObject)) {
    effectChildren_ = true;
    if (e->Enabled()) hasEffects_ = true;
  }
  if (!AObject->IsVisual()) return;
  TvxVisualObject* c = AObject->Visual();
  if (c->align_ != vaNone) AlignedChildComes();
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
  // Torn down with its window, a focused object loses the focus without a word: what its
  // handlers would touch (the window's other parts) may be freed already.
  if (!AScene && isFocused_) {
    if (LeavesInTeardown(this, Scene()))
      isFocused_ = false;
    else
      KillFocus();
  }
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

// ---- content -----------------------------------------------------------------------------------------------------

rtl::TClass TvxContent::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxContent>().Build();
  return &info;
}

TvxContent::TvxContent(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}

}  // namespace vg
