#include "platform/win/Controls.h"

#include <algorithm>
#include <functional>

#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"
#include "platform/win/InputMethod.h"

namespace win {

rtl::TShiftState KeysToShiftState(WPARAM Keys) {
  rtl::TShiftState s;
  if (Keys & MK_SHIFT) s.Include(rtl::ssShift);
  if (Keys & MK_CONTROL) s.Include(rtl::ssCtrl);
  if (Keys & MK_LBUTTON) s.Include(rtl::ssLeft);
  if (Keys & MK_RBUTTON) s.Include(rtl::ssRight);
  if (Keys & MK_MBUTTON) s.Include(rtl::ssMiddle);
  if (KeyboardShiftState().Contains(rtl::ssAlt)) s.Include(rtl::ssAlt);
  return s;
}

rtl::TShiftState KeyDataToShiftState(LPARAM KeyData) {
  const rtl::TShiftState held = KeyboardShiftState();
  rtl::TShiftState s;
  if (held.Contains(rtl::ssShift)) s.Include(rtl::ssShift);
  if (held.Contains(rtl::ssCtrl)) s.Include(rtl::ssCtrl);
  if (KeyData & KF_ALTDOWN) s.Include(rtl::ssAlt);
  return s;
}

TCustomForm* GetParentForm(const TControl* Control) {
  const TControl* c = Control;
  while (c && c->Parent()) c = c->Parent();
  return c ? dynamic_cast<TCustomForm*>(const_cast<TControl*>(c)) : nullptr;
}

// ---- TControl ---------------------------------------------------------------------------------

rtl::TClass TControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TControl>()
                                          .Property("Left", &TControl::Left, &TControl::SetLeft)
                                          .Property("Top", &TControl::Top, &TControl::SetTop)
                                          .Property("Width", &TControl::Width, &TControl::SetWidth)
                                          .Property("Height", &TControl::Height, &TControl::SetHeight)
                                          .Property("Align", &TControl::Align, &TControl::SetAlign)
                                          .Default(alNone)
                                          .Build();
  return &info;
}

TControl::TControl(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

void TWinControl::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  const std::vector<TControl*> children = controls_;
  for (TControl* c : children)
    if (c->Owner() == Root) Proc(c);
}

rtl::TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(rtl::TComponent* Value) {
  if (auto* p = dynamic_cast<TWinControl*>(Value)) SetParent(p);
}

void TControl::BeforeDestruction() {
  if (TCustomForm* f = GetParentForm(this)) f->Forget(this);
  if (parent_) parent_->RemoveControl(this);
  inherited::BeforeDestruction();
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == parent_) return;
  if (parent_) {
    if (TCustomForm* f = GetParentForm(this)) f->Forget(this);
    parent_->RemoveControl(this);
  }
  if (AParent) AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  ALeft = std::clamp(ALeft, -MaxControlPosition, MaxControlPosition);
  ATop = std::clamp(ATop, -MaxControlPosition, MaxControlPosition);
  AWidth = std::clamp(AWidth, 0, MaxControlSize);
  AHeight = std::clamp(AHeight, 0, MaxControlSize);
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == align_) return;
  align_ = Value;
  if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Value == visible_) return;
  visible_ = Value;
  if (parent_) parent_->Realign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetCursor(TCursor Value) {
  if (Value == cursor_) return;
  cursor_ = Value;
  if (TCustomForm* f = GetParentForm(this); f && f->MouseControl() == this) f->UpdateCursor();
}

TPoint TControl::ClientToScreen(const TPoint& P) const {
  TPoint r = P;
  for (const TControl* c = this; c; c = c->parent_) {
    r.X += c->left_;
    r.Y += c->top_;
  }
  return r;
}

TPoint TControl::ScreenToClient(const TPoint& P) const {
  const TPoint o = ClientToScreen({0, 0});
  return {P.X - o.X, P.Y - o.Y};
}

void TControl::SetMouseCapture(bool Value) {
  TCustomForm* f = GetParentForm(this);
  if (!f) return;
  if (Value) f->SetCaptureControl(this);
  else if (f->CaptureControl() == this) f->SetCaptureControl(nullptr);
}

bool TControl::MouseCapture() const {
  const TCustomForm* f = GetParentForm(this);
  return f && f->CaptureControl() == this;
}

LRESULT TControl::Perform(UINT Msg, WPARAM wParam, LPARAM lParam) {
  MSG m{0, Msg, wParam, lParam};
  return WndProc(m);
}

void TControl::BeginDrag(bool) {
  if (TCustomForm* f = GetParentForm(this)) {
    f->dragControl_ = this;
    f->dragTarget_ = nullptr;
    f->SetCaptureControl(this);
  }
}

bool TControl::Dragging() const {
  const TCustomForm* f = GetParentForm(this);
  return f && f->dragControl_ == this;
}

LRESULT TControl::WndProc(MSG& Message) {
  const UINT m = Message.message;
  if (m >= WM_MOUSEMOVE && m <= WM_MBUTTONDBLCLK) {
    const TPoint p = PointFromParam(Message.lParam);
    rtl::TShiftState shift = KeysToShiftState(Message.wParam);
    rtl::TMouseButton button = rtl::mbLeft;
    switch (m) {
      case WM_MOUSEMOVE:
        MouseMove(shift, p.X, p.Y);
        return 0;
      case WM_RBUTTONDOWN:
      case WM_RBUTTONDBLCLK:
      case WM_RBUTTONUP:
        button = rtl::mbRight;
        break;
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
      case WM_MBUTTONUP:
        button = rtl::mbMiddle;
        break;
      default:
        break;
    }
    if (m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK) shift.Include(rtl::ssDouble);
    if (m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP) MouseUp(button, shift, p.X, p.Y);
    else MouseDown(button, shift, p.X, p.Y);
    return 0;
  }
  if (m == WM_MOUSEWHEEL) {
    const int delta = static_cast<std::int16_t>((Message.wParam >> 16) & 0xFFFF);
    return DoMouseWheel(KeysToShiftState(Message.wParam & 0xFFFF), delta, PointFromParam(Message.lParam)) ? 1 : 0;
  }
  return 0;
}

void TControl::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(rtl::TShiftState Shift, int X, int Y) { OnMouseMove(this, Shift, X, Y); }
void TControl::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, int X, int Y) {
  OnMouseUp(this, Button, Shift, X, Y);
}
bool TControl::DoMouseWheel(rtl::TShiftState Shift, int WheelDelta, const TPoint& MousePos) {
  bool handled = false;
  OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  return handled;
}

namespace {
// Each visible windowed control with a handle inside Parent, parents before their children and
// children in their order (the order they are drawn in); Skip's own controls are passed over.
void WalkShownControls(TWinControl* Parent, const TControl* Skip, const std::function<void(TWinControl*)>& Visit) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    auto* w = dynamic_cast<TWinControl*>(Parent->Controls(i));
    if (!w || !w->Visible() || !w->HandleAllocated()) continue;
    Visit(w);
    if (w != Skip) WalkShownControls(w, Skip, Visit);
  }
}

// R (client coordinates of Control) in its form's client coordinates.
TRect InForm(const TCustomForm* Form, const TControl* Control, const TRect& R) {
  const TPoint o = Form->ScreenToClient(Control->ClientToScreen({0, 0}));
  return {R.Left + o.X, R.Top + o.Y, R.Right + o.X, R.Bottom + o.Y};
}

// Marks the part of Rects (form coordinates) that Control covers.
void InvalidateOverlap(TCustomForm* Form, TWinControl* Control, const std::vector<TRect>& Rects) {
  const TRect bounds = InForm(Form, Control, Control->ClientRect());
  for (const TRect& r : Rects)
    if (const TRect x = IntersectRect(r, bounds); !x.Empty())
      Control->InvalidateRect({x.Left - bounds.Left, x.Top - bounds.Top, x.Right - bounds.Left, x.Bottom - bounds.Top});
}
}  // namespace

// ---- TWinControl ------------------------------------------------------------------------------

rtl::TClass TWinControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TWinControl>().Build();
  return &info;
}

TWinControl::TWinControl(rtl::TComponent* AOwner) : TControl(AOwner) {}

void TWinControl::BeforeDestruction() {
  // Children leave first (those owned elsewhere stay alive, without a parent).
  losingChildren_ = true;
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
  DestroyHandle();
  inherited::BeforeDestruction();
}

void TWinControl::InsertControl(TControl* AControl) {
  controls_.push_back(AControl);
  AControl->parent_ = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl); w && handle_) w->CreateHandle();
  Realign();
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) w->BroadcastShowingChanged();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto* w = dynamic_cast<TWinControl*>(AControl);
  // A windowed control that showed takes its pixels along (not when this control's own
  // children leave it as it goes: it takes them all).
  const bool uncover = w && !losingChildren_ && AControl->Showing();
  const TRect r = AControl->BoundsRect();
  if (w) w->DestroyHandle();
  controls_.erase(std::remove(controls_.begin(), controls_.end(), AControl), controls_.end());
  AControl->parent_ = nullptr;
  Realign();
  if (uncover) Uncover(r, AControl);
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (Parent()) Parent()->Handle();
    if (Parent() ? Parent()->HandleAllocated() : dynamic_cast<TCustomForm*>(this) != nullptr) CreateHandle();
  }
  return handle_;
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
}

void TWinControl::CreateWnd() {
  handle_ = rtl::AllocateHWnd([this](MSG& m) { return WndProc(m); }, Parent() ? Parent()->handle_ : 0);
}

void TWinControl::DestroyWnd() {
  rtl::DeallocateHWnd(handle_);
  handle_ = 0;
  paintPosted_ = false;
  updateRegion_.clear();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::Realign() {
  if (aligning_) return;
  aligning_ = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{aligning_};
  TRect r = ClientRect();
  auto place = [](TControl* c, int l, int t, int w, int h) { c->SetBounds(l, t, w, h); };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient})
    for (TControl* c : controls_) {
      if (c->Align() != a || !c->Visible()) continue;
      switch (a) {
        case alTop:
          place(c, r.Left, r.Top, r.Width(), c->Height());
          r.Top += c->Height();
          break;
        case alBottom:
          place(c, r.Left, r.Bottom - c->Height(), r.Width(), c->Height());
          r.Bottom -= c->Height();
          break;
        case alLeft:
          place(c, r.Left, r.Top, c->Width(), r.Height());
          r.Left += c->Width();
          break;
        case alRight:
          place(c, r.Right - c->Width(), r.Top, c->Width(), r.Height());
          r.Right -= c->Width();
          break;
        default:
          place(c, r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
          break;
      }
    }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const TRect old = BoundsRect();
  const bool showed = handle_ && Showing();
  // The aligned place of this control, when it has one, is its parent's to give.
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (BoundsRect() == old) return;
  if (Width() != old.Width() || Height() != old.Height()) Realign();
  if (!handle_) return;
  // Moved or resized, the control leaves its old place to what lies under it and is
  // repainted whole where it is now.
  if (showed && Parent()) Parent()->Uncover(old, this);
  Invalidate();
}

void TWinControl::SetVisible(bool Value) {
  if (Value == Visible()) return;
  const bool showed = handle_ && Showing();
  TControl::SetVisible(Value);
  if (showed && Parent()) Parent()->Uncover(BoundsRect(), this);
  // Shown again, the control and the windowed controls in it paint whole: what they showed
  // left the frame as they hid.
  if (!showed && handle_ && Showing()) {
    Invalidate();
    WalkShownControls(this, nullptr, [](TWinControl* W) { W->Invalidate(); });
  }
  BroadcastShowingChanged();
}

void TWinControl::BroadcastShowingChanged() {
  if (!handle_) return;
  // What was marked while the control did not show is painted now.
  if (Showing() && !updateRegion_.empty() && !paintPosted_) {
    paintPosted_ = true;
    rtl::PostMessage(handle_, WM_PAINT, 0, 0);
  }
  Perform(CM_SHOWINGCHANGED, 0, 0);
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->BroadcastShowingChanged();
}

TControl* TWinControl::ControlAtPos(const TPoint& P) {
  for (size_t i = controls_.size(); i-- > 0;) {
    TControl* c = controls_[i];
    if (!c->Visible() || P.X < c->Left() || P.Y < c->Top() || P.X >= c->Left() + c->Width() ||
        P.Y >= c->Top() + c->Height())
      continue;
    if (auto* w = dynamic_cast<TWinControl*>(c)) return w->ControlAtPos({P.X - c->Left(), P.Y - c->Top()});
    return c;
  }
  return this;
}

void TWinControl::SetFocus() {
  TCustomForm* f = GetParentForm(this);
  if (!f) return;
  // The keyboard focus brings its form the activation.
  if (f->Showing() && !f->Active()) SetActiveForm(f);
  f->SetActiveControl(this);
}

bool TWinControl::Focused() const {
  const TCustomForm* f = GetParentForm(this);
  return f && f->ActiveControl() == this;
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return GetParentForm(this) != nullptr;
}

void TWinControl::InvalidateRect(const TRect& R) {
  if (!handle_) return;
  const TRect r = IntersectRect(R, ClientRect());
  if (r.Empty()) return;
  if (!Showing()) {
    // Kept as one rectangle, painted once the control shows.
    TRect all = r;
    for (const TRect& u : updateRegion_) all = UnionRect(all, u);
    updateRegion_.assign(1, all);
    return;
  }
  updateRegion_.push_back(r);
  if (!paintPosted_) {
    paintPosted_ = true;
    rtl::PostMessage(handle_, WM_PAINT, 0, 0);
  }
}

std::vector<TRect> TWinControl::TakeUpdateRegion() {
  std::vector<TRect> r;
  r.swap(updateRegion_);
  return r;
}

gfx2d::PixelTarget TWinControl::GetDC() {
  if (paintDC_) return *paintDC_;
  TCustomForm* f = GetParentForm(this);
  if (!f || !handle_ || !f->FrameBits()) return {};
  const TPoint o = f->ScreenToClient(ClientToScreen({0, 0}));
  const TRect r = IntersectRect({o.X, o.Y, o.X + Width(), o.Y + Height()}, f->ClientRect());
  if (r.Empty()) return {};
  // The target starts at the control's origin; pixels outside the form are clipped away
  // by giving the target only the part inside (origins left or above are not supported).
  if (o.X < 0 || o.Y < 0) return {};
  return {f->frame_.data() + static_cast<size_t>(o.Y) * static_cast<size_t>(f->Width()) + o.X, r.Width(),
          r.Height(), f->Width()};
}

void TWinControl::PresentRects(const std::vector<TRect>& Rects) {
  TCustomForm* f = GetParentForm(this);
  if (!f || paintDC_) return;
  const TPoint o = f->ScreenToClient(ClientToScreen({0, 0}));
  std::vector<TRect> out;
  out.reserve(Rects.size());
  for (const TRect& r : Rects) {
    const TRect c = IntersectRect(r, ClientRect());
    if (!c.Empty()) out.push_back({c.Left + o.X, c.Top + o.Y, c.Right + o.X, c.Bottom + o.Y});
  }
  if (out.empty()) return;
  if (f->Layered())
    for (TWinControl* p = Parent(); p && p != f; p = p->Parent()) {
      const TPoint at = f->ScreenToClient(p->ClientToScreen({0, 0}));
      std::vector<TRect> in;
      for (const TRect& r : out) in.push_back({r.Left - at.X, r.Top - at.Y, r.Right - at.X, r.Bottom - at.Y});
      if (p->PresentChild(this, in)) return;
    }
  f->Present(out);
}

bool TWinControl::PresentChild(TWinControl*, const std::vector<TRect>&) { return false; }

LRESULT TWinControl::WndProc(MSG& Message) {
  if (Message.message == WM_PAINT) {
    if (const gfx2d::PixelTarget* dc = DCFromParam(Message.wParam)) {
      PaintToDC(*dc);
      return 0;
    }
    paintPosted_ = false;
    // A control that does not show never paints; what it has to paint waits until it shows.
    if (!Showing()) return 0;
    const std::vector<TRect> painted = updateRegion_;
    PaintHandler();
    updateRegion_.clear();
    if (PaintsItself()) RepaintAbove(painted);
    return 0;
  }
  // A control that does not handle an input method's result gets its characters.
  if (Message.message == WM_IME_COMPOSITION && (Message.lParam & GCS_RESULTSTR)) {
    for (char16_t c : ImmGetCompositionString(GCS_RESULTSTR)) Perform(WM_CHAR, c, 0);
    return 0;
  }
  return TControl::WndProc(Message);
}

void TWinControl::PaintHandler() { updateRegion_.clear(); }

void TWinControl::PaintToDC(const gfx2d::PixelTarget& DC) {
  if (paintDC_ || !handle_) return;
  std::vector<TRect> pending;
  pending.swap(updateRegion_);
  updateRegion_.push_back(ClientRect());
  paintDC_ = &DC;
  struct TDone {
    TWinControl* Control;
    std::vector<TRect>& Pending;
    ~TDone() {
      Control->paintDC_ = nullptr;
      Control->updateRegion_.swap(Pending);
    }
  } done{this, pending};
  PaintHandler();
}

void TWinControl::Uncover(const TRect& R, const TControl* Control) {
  TCustomForm* f = GetParentForm(this);
  if (!f || !handle_ || !Showing()) return;
  const TRect r = IntersectRect(InForm(f, this, R), f->ClientRect());
  if (r.Empty()) return;
  // The form's colour shows there at once; then what lies there paints again, bottom first.
  f->ClearFrame(r);
  WalkShownControls(f, Control, [&](TWinControl* W) {
    if (W != Control && W->PaintsItself()) InvalidateOverlap(f, W, {r});
  });
}

void TWinControl::RepaintAbove(const std::vector<TRect>& Rects) {
  TCustomForm* f = GetParentForm(this);
  if (!f || Rects.empty()) return;
  std::vector<TRect> painted;
  for (const TRect& r : Rects) painted.push_back(InForm(f, this, r));
  bool above = false;
  WalkShownControls(f, nullptr, [&](TWinControl* W) {
    if (above && W->PaintsItself()) InvalidateOverlap(f, W, painted);
    above = above || W == this;
  });
}

// ---- TCustomControl ---------------------------------------------------------------------------

rtl::TClass TCustomControl::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TCustomControl>().Build();
  return &info;
}

void TCustomControl::PaintHandler() { Paint(); }

}  // namespace win
