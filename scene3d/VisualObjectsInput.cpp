// The 3D visual object's input (focus, mouse, keys, drag and drop) and its hit tests.
#include "scene3d/VisualObjects.h"

#include <cmath>
#include <vector>

#include "scene3d/Canvas.h"
#include "vg2d/core/VisualObjects.h"

namespace dx {

// ---- input -------------------------------------------------------------------------------------------------

void TdxVisualObject::SetFocus() {
  IdxScene* s = Scene();
  if (!s || !canFocused_ || isFocused_ || s->GetFocused() == this) return;
  s->SetFocused(this);
}

void TdxVisualObject::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                                const TdxVector& RayPos, const TdxVector& RayDir) {
  IdxScene* s = Scene();
  if (dragMode_ == dxDragAutomatic && s) {
    s->BeginVCLDrag(this);
    return;
  }
  TdxFreeWatch watch(this);
  if (!InDesign()) SetFocus();
  if (watch.Gone()) return;
  OnMouseDown(this, Button, Shift, X, Y, RayPos, RayDir);
  if (watch.Gone()) return;
  s = Scene();
  if (Button != rtl::mbRight) {
    if (autoCapture_ && s) s->SetCaptured(this);
    if (Shift.Contains(rtl::ssDouble)) {
      doubleClicked_ = true;
      DblClick();
    } else if (Button == rtl::mbLeft) {
      pressed_ = true;
    }
    return;
  }
  // The context menu opens on the screen where the pointer pressed, the host's mouse point;
  // without a host there is no screen to open it on. (X and Y cannot say where: they are the
  // pointer taken into this object's plane without the part along its Z, and for a turned
  // object that part holds the pointer's Y.)
  if (!s) return;
  const TdxVector p = s->GetMousePos();
  int sx = 0, sy = 0;
  s->ClientToScreen(p.X, p.Y, sx, sy);
  ContextMenu(sx, sy);
}

void TdxVisualObject::MouseMove(rtl::TShiftState Shift, float X, float Y, float, float, const TdxVector& RayPos,
                                const TdxVector& RayDir) {
  OnMouseMove(this, Shift, X, Y, RayPos, RayDir);
}

void TdxVisualObject::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y,
                              const TdxVector& RayPos, const TdxVector& RayDir) {
  IdxScene* s = Scene();
  if (autoCapture_ && s && s->GetCaptured() == this) s->SetCaptured(nullptr);
  // Every press starts afresh, whatever the handlers below do.
  const bool click = pressed_ && !doubleClicked_ && isMouseOver_;
  pressed_ = doubleClicked_ = false;
  TdxFreeWatch watch(this);
  if (click) Click();
  if (watch.Gone()) return;
  OnMouseUp(this, Button, Shift, X, Y, RayPos, RayDir);
}

void TdxVisualObject::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  const TdxVector pos = Scene() ? Scene()->GetMousePos() : TdxVector{0, 0, 0, 0};
  OnMouseWheel(this, Shift, WheelDelta, pos, Handled);
}

void TdxVisualObject::KeyDown(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  OnKeyDown(this, Key, KeyChar, Shift);
}

void TdxVisualObject::KeyUp(std::uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  OnKeyUp(this, Key, KeyChar, Shift);
}

void TdxVisualObject::MouseEnter() {
  isMouseOver_ = true;
  TdxFreeWatch watch(this);
  StartTriggerAnimation(this, "IsMouseOver");
  if (!watch.Gone()) Repaint();
}

void TdxVisualObject::MouseLeave() {
  isMouseOver_ = false;
  TdxFreeWatch watch(this);
  StartTriggerAnimation(this, "IsMouseOver");
  if (!watch.Gone()) Repaint();
}

void TdxVisualObject::EnterFocus() {
  isFocused_ = true;
  Repaint();
  StartTriggerAnimation(this, "IsFocused");
}

void TdxVisualObject::KillFocus() {
  isFocused_ = false;
  Repaint();
  StartTriggerAnimation(this, "IsFocused");
}

void TdxVisualObject::Click() { OnClick(this); }

void TdxVisualObject::DblClick() { OnDblClick(this); }

void TdxVisualObject::ContextMenu(int X, int Y) {
  if (auto* menu = dynamic_cast<vg::IvxPopupMenu*>(popupMenu_)) menu->PopupFor(this, X, Y);
}

void TdxVisualObject::DragEnter(const TdxDragObject& Data, const TdxVector& Point) {
  isDragOver_ = true;
  Repaint();
  TdxFreeWatch watch(this);
  StartTriggerAnimation(this, "IsDragOver");
  if (!watch.Gone()) OnDragEnter(this, Data, Point);
}

void TdxVisualObject::DragOver(const TdxDragObject& Data, const TdxVector& Point, bool& Accept) {
  OnDragOver(this, Data, Point, Accept);
}

void TdxVisualObject::DragDrop(const TdxDragObject& Data, const TdxVector& Point) {
  isDragOver_ = false;
  Repaint();
  TdxFreeWatch watch(this);
  StartTriggerAnimation(this, "IsDragOver");
  if (!watch.Gone()) OnDragDrop(this, Data, Point);
}

void TdxVisualObject::DragLeave() {
  isDragOver_ = false;
  Repaint();
  TdxFreeWatch watch(this);
  StartTriggerAnimation(this, "IsDragOver");
  if (!watch.Gone()) OnDragLeave(this);
}

void TdxVisualObject::DragEnd() {
  TdxFreeWatch watch(this);
  if (dragMode_ == dxDragAutomatic) {
    // A release far outside any object ends the press without a click.
    rtl::TShiftState left;
    left.Include(rtl::ssLeft);
    MouseUp(rtl::mbLeft, left, 65535, 65535, {1, 0, 0, 1}, {65535, 65535, 0, 0});
    if (watch.Gone()) return;
  }
  OnDragEnd(this);
}

void TdxVisualObject::CollectVisibleObjects(std::vector<TdxTabEntry>& List) {
  if (!visible_) return;
  List.push_back({this, nullptr});
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i)); v && v->visible_) v->CollectVisibleObjects(List);
}

void TdxVisualObject::NotifyChildren() {
  for (int i = 0; i < ChildrenCount(); ++i)
    if (auto* v = dynamic_cast<TdxVisualObject*>(Children(i))) v->NotifyChildren();
}

// ---- hit tests -----------------------------------------------------------------------------------------------

bool TdxVisualObject::CheckHitTest() const {
  if (InDesign()) return !locked_ && !designHide_;
  return hitTest_;
}

bool TdxVisualObject::RayCastIntersect(const TdxVector&, const TdxVector&, TdxVector& Hit) {
  Hit = AbsolutePosition();
  return true;
}

bool TdxVisualObject::BoxRayCast(const TdxVector& RayPos, const TdxVector& RayDir, const TdxVector& Size, float Extent,
                                 TdxVector& Hit) const {
  const float p[3] = {RayPos.X, RayPos.Y, RayPos.Z};
  const float d[3] = {RayDir.X, RayDir.Y, RayDir.Z};
  const float s[3] = {Size.X, Size.Y, Size.Z};
  const float e[3] = {std::fabs(Extent * s[0]), std::fabs(Extent * s[1]), std::fabs(Extent * s[2])};
  for (int face = 0; face < 6; ++face) {
    const int a = face % 3;
    const float n = face < 3 ? 1.0f : -1.0f;
    const float dn = n * d[a];
    if (!(dn > 0)) continue;  // the ray leaves through this side, or runs along it
    // The side the ray enters through lies at -n x half the size along the axis.
    const float t = -(n * p[a] + 0.5f * s[a]) / dn;
    const float h[3] = {p[0] + t * d[0], p[1] + t * d[1], p[2] + t * d[2]};
    if (std::fabs(h[0]) > e[0] || std::fabs(h[1]) > e[1] || std::fabs(h[2]) > e[2]) continue;
    if (!((h[0] - p[0]) * d[0] + (h[1] - p[1]) * d[1] + (h[2] - p[2]) * d[2] > 0)) continue;
    Hit = LocalToAbsolute({h[0], h[1], h[2], 1});
    return true;
  }
  return false;
}

TdxVisualObject* TdxVisualObject::ObjectAtPoint(TdxProjection AProjection, float& Distance, float X, float Y) {
  return Search(AProjection, Distance, nullptr, X, Y);
}

TdxVisualObject* TdxVisualObject::ObjectAtPointForDrop(TdxProjection AProjection, float& Distance,
                                                       const TdxDragObject& Data, float X, float Y) {
  return Search(AProjection, Distance, &Data, X, Y);
}

TdxVisualObject* TdxVisualObject::Search(TdxProjection AProjection, float& Distance, const TdxDragObject* Data, float X,
                                         float Y) {
  const bool design = InDesign();
  if (!visible_ && !design) return nullptr;
  TdxVisualObject* result = nullptr;
  if (!(design && designHide_)) {
    for (int i = ChildrenCount() - 1; i >= 0; --i) {
      auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
      if (!v) continue;
      if (design ? v->locked_ : !v->visible_) continue;
      if (TdxVisualObject* found = v->Search(AProjection, Distance, Data, X, Y)) result = found;
    }
  }
  if (result) return result;
  TdxCanvas* canvas = GetCanvas();
  if (!canvas || projection_ != AProjection || !CheckHitTest()) return nullptr;
  TdxVector rayPos, rayDir;
  canvas->PickRay(projection_ == dxProjectionScreen, X, Y, rayPos, rayDir);
  const TdxVector localPos = AbsoluteToLocal(rayPos);
  TdxVector localDir = AbsoluteToLocalVector({rayDir.X, rayDir.Y, rayDir.Z, 0});
  localDir = dxVectorNormalize(localDir);
  TdxVector hit;
  if (!RayCastIntersect(localPos, localDir, hit)) return nullptr;
  float length;
  if (projection_ == dxProjectionScreen) {
    length = dxVectorLength(dxVectorSubtract(hit, rayPos));
  } else {
    const IdxCamera* camera = canvas->Camera();
    if (!camera) return nullptr;
    const TdxMatrix& m = camera->CameraAbsoluteMatrix();
    length = dxVectorLength(dxVectorSubtract(hit, {m.M[3][0], m.M[3][1], m.M[3][2], 1}));
  }
  if (!(length < Distance)) return nullptr;
  Distance = length;
  if (!Data) return this;
  bool accept = false;
  DragOver(*Data, AbsoluteToLocal(hit), accept);
  return accept ? this : nullptr;
}

}  // namespace dx
