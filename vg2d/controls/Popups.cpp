#include "vg2d/controls/Popups.h"

#include <algorithm>
#include <climits>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Styles.h"

namespace vg {

namespace {

std::vector<TvxPopup*> openPopups;

// A scene or screen coordinate as a whole pixel (saturated to the int range).
int Pixel(int64_t V) { return static_cast<int>(std::clamp<int64_t>(V, INT_MIN, INT_MAX)); }

int IndexOf(const TvxPopup* P) {
  const auto it = std::find(openPopups.begin(), openPopups.end(), P);
  return it == openPopups.end() ? -1 : static_cast<int>(it - openPopups.begin());
}

// The form a popup's window stands in for: the popup's owner when that is a form, replaced
// by the owner of the scene the popup opens from when that is one; else the form the
// scene lies on.
win::TCustomForm* OwnerFormOf(TvxPopup* P) {
  win::TCustomForm* form = dynamic_cast<win::TCustomForm*>(P->Owner());
  if (IvxScene* s = P->Scene())
    if (rtl::TComponent* c = s->GetComponent()) {
      if (auto* f = dynamic_cast<win::TCustomForm*>(c->Owner())) return f;
      if (!form)
        if (auto* control = dynamic_cast<win::TControl*>(c)) form = win::GetParentForm(control);
    }
  return form;
}

}  // namespace

const std::vector<TvxPopup*>& OpenPopups() { return openPopups; }

void CloseAllPopups() {
  // Newest first; a close may close others (or open new ones) on its way.
  const std::vector<TvxPopup*> list = openPopups;
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (IndexOf(*it) >= 0) (*it)->ClosePopup();
}

// ---- TvxPopup --------------------------------------------------------------------------------

rtl::TClass TvxPopup::StaticClass() {
  using P = TvxPopup;
  static const rtl::TClassInfo info =
      rtl::DefineClass<P>()
          .Property("IsOpen", &P::IsOpen, &P::SetIsOpen)
          .Default(false)
          .Property("HorizontalOffset", &P::HorizontalOffset, &P::SetHorizontalOffset)
          .Property("VerticalOffset", &P::VerticalOffset, &P::SetVerticalOffset)
          .Property("Placement", &P::Placement, &P::SetPlacement)
          .Default(vgPlacementBottom)
          .Property("PlacementTarget", &P::PlacementTarget, &P::SetPlacementTarget)
          .Property("PlacementRectangle", &P::PlacementRectangle, &P::SetPlacementRectangle)
          .Property("StaysOpen", &P::StaysOpen, &P::SetStaysOpen)
          .Default(false)
          .Property("Style", &P::PopupStyle, &P::SetPopupStyle)
          .Property("DragWithParent", &P::DragWithParent, &P::SetDragWithParent)
          .Default(false)
          .Event("OnClosePopup", &P::OnClosePopup)
          .Property("Visible", &P::Visible, &P::SetVisible)
          .Default(false)
          .Build();
  return &info;
}

TvxPopup::TvxPopup(rtl::TComponent* AOwner)
    : TvxControl(AOwner), placementRectangle_(std::make_unique<TvxBounds>(MakeRect(0, 0, 0, 0))) {
  SetVisible(false);
}

TvxPopup::~TvxPopup() = default;

void TvxPopup::BeforeDestruction() {
  destroying_ = true;
  ClosePopup();
  StopFollowing();
  for (rtl::TComponent** f : {&savedParent_, &savedFocus_}) Watch(*f, nullptr);
  SetPlacementTarget(nullptr);
  SetPopupStyle(nullptr);
  std::erase(openPopups, this);
  inherited::BeforeDestruction();
}

void TvxPopup::Watch(rtl::TComponent*& Field, rtl::TComponent* Value) {
  if (Field == Value) return;
  // The references share one subscription; it ends only with the last of them.
  rtl::TComponent* old = Field;
  Field = Value;
  if (Value) Value->FreeNotification(this);
  const bool stillHeld = old && (old == savedParent_ || old == savedFocus_ || old == placementTarget_ ||
                                 old == static_cast<rtl::TComponent*>(popupStyle_));
  if (old && !stillHeld) old->RemoveFreeNotification(this);
}

void TvxPopup::SetPlacementTarget(TvxVisualObject* Value) {
  rtl::TComponent* field = placementTarget_;
  placementTarget_ = Value;
  Watch(field, Value);
}

void TvxPopup::SetPopupStyle(TvxResources* Value) {
  rtl::TComponent* field = popupStyle_;
  popupStyle_ = Value;
  Watch(field, Value);
}

void TvxPopup::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == placementTarget_) placementTarget_ = nullptr;
  if (AComponent == popupStyle_) popupStyle_ = nullptr;
  if (AComponent == savedParent_) savedParent_ = nullptr;
  if (AComponent == savedFocus_) savedFocus_ = nullptr;
  if (AComponent == overlay_) overlay_ = nullptr;
}

void TvxPopup::SetIsOpen(bool Value) {
  if (Value == isOpen_) return;
  if (Designing()) return;
  isOpen_ = Value;
  if (Value)
    Popup();
  else
    ClosePopup();
}

void TvxPopup::StopFollowing() {
  if (followTimer_) rtl::Application->StopTimer(followTimer_);
  followTimer_ = 0;
}

// ---- opening ---------------------------------------------------------------------------------

void TvxPopup::Popup() {
  if (closing_) {
    isOpen_ = false;
    return;
  }
  if (form_ || overlay_) {
    ClosePopup();
    return;
  }
  Watch(savedParent_, Parent());
  if (host_ == TvxPopupHost::Window)
    OpenInWindow();
  else
    OpenAsOverlay();
  if (!form_ && !overlay_) {
    Watch(savedParent_, nullptr);
    isOpen_ = false;
    return;
  }
  if (!staysOpen_ && IndexOf(this) < 0) openPopups.push_back(this);
  isOpen_ = true;
  ApplyTriggerEffect(this, "IsOpen");
  StartTriggerAnimation(this, "IsOpen");
  if (host_ == TvxPopupHost::Window && dragWithParent_ && staysOpen_ && !followTimer_)
    followTimer_ = rtl::Application->StartTimer(10, [this] { ApplyPlacement(); });
}

void TvxPopup::OpenInWindow() {
  savedScale_ = Scale()->GetPoint();
  auto form = std::make_unique<TvxPopupForm>(OwnerFormOf(this), this);
  const TvxMatrix& m = GetAbsoluteMatrix();
  const int w = Pixel(Round(static_cast<double>(m.m11) * Width()));
  const int h = Pixel(Round(static_cast<double>(m.m22) * Height()));
  form->SetBounds(form->Left(), form->Top(), w, h);
  Scale()->SetPoint(MakePoint(m.m11, m.m22));
  form_ = form.release();
  ApplyPlacement();
  // The popup's own scene: transparent, over the whole window, in the popup's style or
  // the style of the scene it opens from.
  auto* scene = new TvxScene(form_);
  scene->SetTransparency(true);
  scene->SetParent(form_);
  scene->SetAlign(win::alClient);
  scene->SetStyle(popupStyle_ ? popupStyle_ : (Scene() ? Scene()->GetStyle() : nullptr));
  scene->SetBounds(0, 0, w, h);
  scene_ = scene;
  SetVisible(true);
  scene->AddObject(this);
  UpdateStyle();
  form_->ShowNoActivate();
  // Its scene takes the keyboard, and with it the activation.
  if (scene->CanFocus()) scene->SetFocus();
}

void TvxPopup::OpenAsOverlay() {
  IvxScene* host = placementTarget_ && placementTarget_->Scene() ? placementTarget_->Scene() : Scene();
  TvxObject* root = host ? host->GetRoot() : nullptr;
  if (!root) return;
  auto* overlay = new TvxVisualObject(this);
  root->AddObject(overlay);
  overlay->SetAlign(vaContents);
  overlay->SetHitTest(!staysOpen_);
  overlay->OnClick = [this](rtl::TObject*) {
    if (isOpen_ && !staysOpen_) ClosePopup();
  };
  overlay_ = overlay;
  overlay->FreeNotification(this);
  Watch(savedFocus_, host->GetFocused());
  overlay->AddObject(this);
  ApplyPlacement();
  SetVisible(true);
  UpdateStyle();
  BringToFront();
  SetCanFocused(true);
  SetFocus();
}

// ---- closing ---------------------------------------------------------------------------------

void TvxPopup::ClosePopup() {
  if (closing_ || (!form_ && !overlay_)) return;
  if (modalRun_ && modalResult_ == win::mrNone) {
    // The run ends and closes the popup.
    modalResult_ = win::mrCancel;
    if (form_) form_->SetModalResult(win::mrCancel);
    return;
  }
  StopFollowing();
  closing_ = true;
  closedAtPress_ = win::CurrentMousePress();
  isOpen_ = false;
  TvxFreeWatch alive(this);
  if (!destroying_) {
    ApplyTriggerEffect(this, "IsOpen");
    // The closing animations play to their end while the popup still shows.
    StartTriggerAnimationWait(this, "IsOpen");
    if (alive.Gone()) return;
  }
  SetVisible(false);
  auto* parent = static_cast<TvxObject*>(savedParent_);
  if (TvxPopupForm* form = form_) {
    if (scene_) scene_->RemoveObject(this);
    SetScene(nullptr);
    form->popup_ = nullptr;
    form_ = nullptr;
    scene_ = nullptr;
    form->Hide();
    if (!form->closing_) form->Release();
    Scale()->SetPoint(savedScale_);
    if (parent) parent->AddObject(this);
  } else if (TvxVisualObject* overlay = overlay_) {
    overlay_ = nullptr;
    if (parent)
      parent->AddObject(this);
    else
      SetParent(nullptr);
    if (auto* focus = static_cast<TvxVisualObject*>(savedFocus_)) focus->SetFocus();
    Watch(savedFocus_, nullptr);
    overlay->RemoveFreeNotification(this);
    delete overlay;
  }
  std::erase(openPopups, this);
  closing_ = false;
  Watch(savedParent_, nullptr);
  OnClosePopup(this);
}

void TvxPopup::DialogKey(uint16_t& Key, rtl::TShiftState Shift) {
  inherited::DialogKey(Key, Shift);
  if (Key == win::VK_ESCAPE && isOpen_ && !staysOpen_) {
    SetIsOpen(false);
    Key = 0;
  }
}

void TvxPopup::Paint() {
  inherited::Paint();
  if (!Designing()) return;
  TvxCanvas* c = GetCanvas();
  if (!c) return;
  c->SetStrokeDash(vgDashDash);
  c->SetStrokeThickness(1);
  c->Stroke()->SetStyle(vgBrushSolid);
  c->Stroke()->SetSolidColor(0xA0909090u);
  TvxRect r = GetLocalRect();
  r = MakeRect(r.Left + 0.5f, r.Top + 0.5f, r.Right - 0.5f, r.Bottom - 0.5f);
  c->DrawRect(r, 0, 0, AllCorners, GetAbsoluteOpacity());
  c->SetStrokeDash(vgDashSolid);
}

// ---- placement -------------------------------------------------------------------------------

TvxVisualObject* TvxPopup::PlacementAnchor() const {
  if (placementTarget_) return placementTarget_;
  return Parent() ? Parent()->Visual() : nullptr;
}

TvxPoint TvxPopup::PlacementPoint(TvxPlacement Placement, TvxVisualObject* Target) const {
  const TvxRect r = placementRectangle_->GetRect();
  const float h = horizontalOffset_, v = verticalOffset_, w = Width(), hh = Height();
  TvxPoint p;
  if (Target && placementRectangle_->AllZero()) {
    const float tw = Target->Width(), th = Target->Height();
    switch (Placement) {
      case vgPlacementTop: p = MakePoint(h, -hh - v); break;
      case vgPlacementLeft: p = MakePoint(-w - h, v); break;
      case vgPlacementRight: p = MakePoint(tw + h, v); break;
      case vgPlacementCenter: p = MakePoint((tw - w) / 2 + h, (th - hh) / 2 + v); break;
      default: p = MakePoint(h, th + v); break;
    }
  } else {
    switch (Placement) {
      case vgPlacementTop: p = MakePoint(r.Left + h, r.Top - hh - v); break;
      case vgPlacementLeft: p = MakePoint(r.Left - w - h, r.Top + v); break;
      case vgPlacementRight: p = MakePoint(r.Right + h, r.Top + v); break;
      case vgPlacementCenter:
        p = MakePoint(r.Left + (r.Right - r.Left - w) / 2 + h, r.Top + (r.Bottom - r.Top - hh) / 2 + v);
        break;
      default: p = MakePoint(r.Left + h, r.Bottom + v); break;
    }
  }
  if (Target) p = Target->LocalToAbsolute(p);
  return MakePoint(static_cast<float>(Trunc(p.X)), static_cast<float>(Trunc(p.Y)));
}

void TvxPopup::ApplyPlacement() {
  const bool window = host_ == TvxPopupHost::Window;
  if (placement_ == vgPlacementAbsolute) {
    const TvxRect r = placementRectangle_->GetRect();
    if (window && form_) PlaceWindow(Pixel(Round(r.Left)), Pixel(Round(r.Top)));
    return;
  }
  if (placement_ == vgPlacementMouse) {
    if (window && form_ && !isOpen_) {
      const win::TPoint m = win::GetCursorPos();
      PlaceWindow(m.X, m.Y);
    }
    return;
  }
  TvxVisualObject* target = PlacementAnchor();
  const TvxPoint p = PlacementPoint(placement_, target);
  if (!window) {
    if (TvxObject* parent = Parent(); parent && parent->Visual())
      Position()->SetPoint(parent->Visual()->AbsoluteToLocal(p));
    return;
  }
  if (!form_) return;
  win::TPoint at = ScreenPoint(p, target);
  // A window that does not fit on the screen on its side of the target opens on the other
  // side when it fits there (a list dropped down near the screen's bottom opens upwards).
  const win::TRect area = win::ScreenWorkArea();
  const int fw = form_->Width(), fh = form_->Height();
  TvxPlacement other = placement_;
  if (placement_ == vgPlacementBottom && at.Y + fh > area.Bottom) other = vgPlacementTop;
  if (placement_ == vgPlacementTop && at.Y < area.Top) other = vgPlacementBottom;
  if (placement_ == vgPlacementRight && at.X + fw > area.Right) other = vgPlacementLeft;
  if (placement_ == vgPlacementLeft && at.X < area.Left) other = vgPlacementRight;
  if (other != placement_) {
    const win::TPoint flipped = ScreenPoint(PlacementPoint(other, target), target);
    const bool vertical = other == vgPlacementTop || other == vgPlacementBottom;
    const bool fits = vertical ? flipped.Y >= area.Top && flipped.Y + fh <= area.Bottom
                               : flipped.X >= area.Left && flipped.X + fw <= area.Right;
    if (fits) at = flipped;
  }
  PlaceWindow(at.X, at.Y);
}

win::TPoint TvxPopup::ScreenPoint(const TvxPoint& P, TvxVisualObject* Via) const {
  TvxPoint s = P;
  if (Via) {
    IvxScene* host = Via->Scene() ? Via->Scene() : Scene();
    if (host) s = host->LocalToScreen(P);
  }
  return {Pixel(Round(s.X)), Pixel(Round(s.Y))};
}

void TvxPopup::PlaceWindow(int X, int Y) {
  // Whatever the placement, the window stays wholly on the screen.
  const win::TRect r = win::KeepOnScreen({X, Y, X + form_->Width(), Y + form_->Height()});
  form_->SetBounds(r.Left, r.Top, form_->Width(), form_->Height());
}

// ---- modal run -------------------------------------------------------------------------------

win::TModalResult TvxPopup::PopupModal() {
  if (closing_) {
    isOpen_ = false;
    return win::mrNone;
  }
  if (modalRun_) {
    modalResult_ = win::mrCancel;
    modalRun_ = false;
    return win::mrNone;
  }
  if (form_ || overlay_) {
    ClosePopup();
    return win::mrNone;
  }
  SetStaysOpen(true);
  Popup();
  modalResult_ = win::mrNone;
  modalRun_ = true;
  TvxFreeWatch alive(this);
  const bool finished = rtl::Application->RunUntil([&] {
    if (alive.Gone() || !modalRun_ || modalResult_ != win::mrNone) return true;
    ApplyPlacement();
    if (form_) modalResult_ = form_->ModalResult();
    return modalResult_ != win::mrNone;
  });
  if (alive.Gone()) return win::mrCancel;
  if (!finished && modalResult_ == win::mrNone) {
    modalResult_ = win::mrCancel;
    if (form_) form_->SetModalResult(win::mrCancel);
  }
  modalRun_ = false;
  const win::TModalResult result = modalResult_;
  ClosePopup();
  return result;
}

// ---- TvxMessagePopup -------------------------------------------------------------------------

rtl::TClass TvxMessagePopup::StaticClass() {
  using M = TvxMessagePopup;
  static const rtl::TClassInfo info = rtl::DefineClass<M>()
                                          .Property("StaysOpen", &M::StaysOpen, &M::SetStaysOpen)
                                          .Default(true)
                                          .Property("DragWithParent", &M::DragWithParent, &M::SetDragWithParent)
                                          .Default(true)
                                          .Property("DisableScene", &M::DisableScene, &M::SetDisableScene)
                                          .Default(true)
                                          .Build();
  return &info;
}

TvxMessagePopup::TvxMessagePopup(rtl::TComponent* AOwner) : TvxPopup(AOwner) {
  SetDragWithParent(true);
  SetStaysOpen(true);
}

void TvxMessagePopup::ApplyPlacement() {
  if (TvxVisualObject* target = PlacementTarget()) {
    SetHorizontalOffset((target->Width() - Width()) / 2);
  } else if (auto* form = dynamic_cast<win::TCustomForm*>(Owner())) {
    const win::TPoint s = form->ClientToScreen({0, 0});
    const auto x = static_cast<float>(s.X), y = static_cast<float>(s.Y);
    PlacementRectangle()->SetRect(MakeRect(x, y, x + Width(), y));
    SetHorizontalOffset((static_cast<float>(form->Width()) - Width()) / 2);
  }
  inherited::ApplyPlacement();
}

win::TModalResult TvxMessagePopup::PopupModal() {
  TvxVisualObject* root = nullptr;
  if (disableScene_ && Scene() && Scene()->GetRoot()) root = Scene()->GetRoot()->Visual();
  if (!root) return inherited::PopupModal();
  const bool wasEnabled = root->Enabled();
  TvxFreeWatch rootAlive(root);
  root->SetEnabled(false);
  const win::TModalResult result = inherited::PopupModal();
  if (!rootAlive.Gone()) root->SetEnabled(wasEnabled);
  return result;
}

// ---- TvxPopupForm ----------------------------------------------------------------------------

rtl::TClass TvxPopupForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPopupForm>().Build();
  return &info;
}

TvxPopupForm::TvxPopupForm(win::TCustomForm* AOwnerForm, TvxPopup* APopup)
    : win::TPopupForm(AOwnerForm), popup_(APopup) {}

void TvxPopupForm::ActivationLeft(win::TCustomForm* Next) {
  if (!popup_ || popup_->StaysOpen()) return;
  if (auto* other = dynamic_cast<TvxPopupForm*>(Next); other && other->popup_ && !other->popup_->StaysOpen()) {
    // To an older open popup: this one closes when it was opened after that one.
    const int mine = IndexOf(popup_), theirs = IndexOf(other->popup_);
    if (mine >= 0 && theirs >= 0 && mine > theirs) popup_->ClosePopup();
    return;
  }
  CloseAllPopups();
}

void TvxPopupForm::DoClose(win::TCloseAction& Action) {
  inherited::DoClose(Action);
  if (!popup_) return;
  closing_ = true;
  popup_->ClosePopup();
}

}  // namespace vg
