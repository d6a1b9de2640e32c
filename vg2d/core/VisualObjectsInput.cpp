// The visual object's input: mouse and keys, focus, drag and drop, hit tests, the caret, the
// tab order and mouse capture.
#include "vg2d/core/VisualObjects.h"

#include <algorithm>
#include <memory>

#include "platform/win/WinTypes.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Effects.h"

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
