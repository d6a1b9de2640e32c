#include "vg2d/controls/ScrollBox.h"

#include "vg2d/controls/RaisedFlag.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/Effects.h"

namespace vg {

namespace {

// How long a released drag or a wheel notch coasts, in seconds, and how far a drag coasts
// in multiples of its last step.
constexpr float CoastDuration = 0.7f;
constexpr float CoastSteps = 7;

}  // namespace

// ---- TvxScrollContent ----------------------------------------------------------------------------

rtl::TClass TvxScrollContent::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxScrollContent>().Build();
  return &info;
}

TvxScrollContent::TvxScrollContent(rtl::TComponent* AOwner) : TvxContent(AOwner) {}

TvxScrollBox* TvxScrollContent::ScrollBox() const { return dynamic_cast<TvxScrollBox*>(Parent()); }

void TvxScrollContent::AddObject(TvxObject* AObject) {
  const bool had = AObject && AObject->Parent() == this;
  inherited::AddObject(AObject);
  if (had || !AObject || AObject->Parent() != this) return;
  if (TvxScrollBox* box = ScrollBox()) box->ContentAddObject(AObject);
}

void TvxScrollContent::RemoveObject(TvxObject* AObject) {
  if (!AObject || AObject->Parent() != this) return;
  inherited::RemoveObject(AObject);
  // A box being freed takes its children with it and needs no news of them.
  if (TvxScrollBox* box = ScrollBox(); box && !box->ComponentState().Contains(rtl::csDestroying))
    box->ContentRemoveObject(AObject);
}

TvxRect TvxScrollContent::GetUpdateRect() {
  TvxRect r = inherited::GetUpdateRect();
  TvxScrollBox* box = ScrollBox();
  if (!box || !box->Viewport()) return r;
  const TvxRect shown = LocalRectToAbsolute(GetClipRect());
  TvxRect cut;
  if (!IntersectRectF(cut, r, shown)) return {};
  return cut;
}

TvxRect TvxScrollContent::GetClipRect() const {
  TvxScrollBox* box = ScrollBox();
  if (!box || !box->Viewport()) return inherited::GetClipRect();
  TvxRect r = box->Viewport()->GetLocalRect();
  const float dx = box->HScrollBar() && box->HScrollBar()->Enabled() ? box->HScrollBar()->Value() : 0;
  const float dy = box->VScrollBar() && box->VScrollBar()->Enabled() ? box->VScrollBar()->Value() : 0;
  OffsetRectF(r, dx, dy);
  return r;
}

TvxVisualObject* TvxScrollContent::ObjectAtPoint(const TvxPoint& P) {
  TvxVisualObject* hit = inherited::ObjectAtPoint(P);
  if (!hit) return nullptr;
  return PointInRectF(AbsoluteToLocal(P), GetClipRect()) ? hit : nullptr;
}

void TvxScrollContent::Paint() {
  inherited::Paint();
  TvxScrollBox* box = ScrollBox();
  TvxCanvas* canvas = GetCanvas();
  if (!box || !canvas) return;
  const int state = canvas->SaveState();
  canvas->SetMatrix(GetAbsoluteMatrix());
  canvas->IntersectClipRect(GetClipRect());
  box->ContentPaint(canvas, GetLocalRect());
  canvas->RestoreState(state);
}

// ---- TvxScrollBox --------------------------------------------------------------------------------

rtl::TClass TvxScrollBox::StaticClass() {
  using B = TvxScrollBox;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("AutoHide", &B::AutoHide, &B::SetAutoHide)
                                          .Default(true)
                                          .Property("Animated", &B::Animated, &B::SetAnimated)
                                          .Default(true)
                                          .Property("DisableMouseWheel", &B::DisableMouseWheel, &B::SetDisableMouseWheel)
                                          .Default(false)
                                          .Property("MouseTracking", &B::MouseTracking, &B::SetMouseTracking)
                                          .Default(false)
                                          .Property("ShowScrollBars", &B::ShowScrollBars, &B::SetShowScrollBars)
                                          .Default(true)
                                          .Property("ShowSizeGrip", &B::ShowSizeGrip, &B::SetShowSizeGrip)
                                          .Default(false)
                                          .Property("UseSmallScrollBars", &B::UseSmallScrollBars,
                                                    &B::SetUseSmallScrollBars)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxScrollBox::TvxScrollBox(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  auto content = std::make_unique<TvxScrollContent>(this);
  content->SetStored(false);
  content->SetLocked(true);
  content->SetHitTest(false);
  content->SetClipChildren(true);
  content_ = content.get();
  TvxControl::AddObject(content.release());
}

void TvxScrollBox::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == content_) content_ = nullptr;
  if (AComponent == hInertia_) hInertia_ = nullptr;
  if (AComponent == vInertia_) vInertia_ = nullptr;
}

void TvxScrollBox::AddObject(TvxObject* AObject) {
  if (!AObject) return;
  const bool own = AObject == content_ || AObject == Style() || dynamic_cast<TvxEffect*>(AObject) ||
                   dynamic_cast<TvxAnimation*>(AObject);
  if (own || !content_)
    inherited::AddObject(AObject);
  else
    content_->AddObject(AObject);
}

// ---- published setters ---------------------------------------------------------------------------

void TvxScrollBox::SetAutoHide(bool Value) {
  if (Value == autoHide_) return;
  autoHide_ = Value;
  Realign();
}

void TvxScrollBox::SetShowScrollBars(bool Value) {
  if (Value == showScrollBars_) return;
  showScrollBars_ = Value;
  Realign();
}

void TvxScrollBox::SetShowSizeGrip(bool Value) {
  if (Value == showSizeGrip_) return;
  showSizeGrip_ = Value;
  SetResource(Resource());
}

void TvxScrollBox::SetUseSmallScrollBars(bool Value) {
  if (Value == useSmallScrollBars_) return;
  useSmallScrollBars_ = Value;
  SetResource(Resource());
}

// ---- style ---------------------------------------------------------------------------------------

void TvxScrollBox::TakeBar(TvxScrollBar* Bar, bool Vertical) {
  Bar->OnChange = Vertical ? rtl::TNotifyEvent(this, &TvxScrollBox::VScrollChange)
                           : rtl::TNotifyEvent(this, &TvxScrollBox::HScrollChange);
  Bar->SetLocked(true);
  if (Bar->Tag() == 0) Bar->SetTag(static_cast<int32_t>(Bar->Align()));
  (Vertical ? vScrollBar_ : hScrollBar_) = Bar;
}

void TvxScrollBox::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* grip = FindPart<TvxVisualObject>(this, "sizegrip")) grip->SetVisible(showSizeGrip_);
  auto* vSmall = FindPart<TvxScrollBar>(this, "vsmallscrollbar");
  auto* hSmall = FindPart<TvxScrollBar>(this, "hsmallscrollbar");
  auto* vLarge = FindPart<TvxScrollBar>(this, "vscrollbar");
  auto* hLarge = FindPart<TvxScrollBar>(this, "hscrollbar");
  const bool small = useSmallScrollBars_ && vSmall && hSmall;
  TvxScrollBar* shown[2] = {small ? vSmall : vLarge, small ? hSmall : hLarge};
  TvxScrollBar* hidden[2] = {small ? vLarge : vSmall, small ? hLarge : hSmall};
  if (shown[0]) TakeBar(shown[0], true);
  if (shown[1]) TakeBar(shown[1], false);
  for (TvxScrollBar* bar : hidden)
    if (bar) bar->SetVisible(false);
  viewport_ = FindPart<TvxVisualObject>(this, "content");
  Realign();
  hInertia_ = nullptr;
  vInertia_ = nullptr;
}

void TvxScrollBox::FreeStyle() {
  hScrollBar_ = nullptr;
  vScrollBar_ = nullptr;
  viewport_ = nullptr;
  inherited::FreeStyle();
}

void TvxScrollBox::Loaded() {
  inherited::Loaded();
  Realign();
}

// ---- positions -----------------------------------------------------------------------------------

TvxPoint TvxScrollBox::ViewportOrigin() const {
  TvxPoint p{0, 0};
  for (TvxObject* o = viewport_; o && o != this; o = o->Parent())
    if (TvxVisualObject* v = o->Visual()) {
      p.X += v->Position()->X();
      p.Y += v->Position()->Y();
    }
  return p;
}

TvxRect TvxScrollBox::ViewportRect() const { return viewport_ ? viewport_->GetParentedRect() : GetLocalRect(); }

float TvxScrollBox::ViewportWidth() const { return viewport_ ? viewport_->Width() : Width(); }

float TvxScrollBox::ViewportHeight() const { return viewport_ ? viewport_->Height() : Height(); }

float TvxScrollBox::VScrollPos() const {
  return vScrollBar_ && vScrollBar_->Visible() ? vScrollBar_->Value() : 0;
}

float TvxScrollBox::HScrollPos() const {
  return hScrollBar_ && hScrollBar_->Visible() ? hScrollBar_->Value() : 0;
}

void TvxScrollBox::Center() {
  TvxFreeWatch self(this);
  for (TvxScrollBar* bar : {vScrollBar_, hScrollBar_}) {
    if (bar && bar->Visible()) bar->SetValue((bar->Max() - bar->ViewportSize()) / 2);
    if (self.Gone()) return;
  }
}

void TvxScrollBox::HScrollChange(rtl::TObject*) {
  if (!viewport_ || !content_ || !hScrollBar_) return;
  const float x = ViewportOrigin().X;
  content_->Position()->SetX(hScrollBar_->Visible() ? x - hScrollBar_->Value() : x);
  scrollOffset_.X = hScrollBar_->Value();
}

void TvxScrollBox::VScrollChange(rtl::TObject*) {
  if (!viewport_ || !content_ || !vScrollBar_) return;
  const float y = ViewportOrigin().Y;
  content_->Position()->SetY(vScrollBar_->Visible() ? y - vScrollBar_->Value() : y);
  scrollOffset_.Y = vScrollBar_->Value();
}

// ---- layout --------------------------------------------------------------------------------------

TvxRect TvxScrollBox::GetContentBounds() {
  TvxRect r = GetLocalRect();
  if (!content_ || !viewport_) return r;
  r = viewport_->GetLocalRect();
  for (TvxObject* o : content_->Children())
    if (TvxVisualObject* v = o->Visual(); v && v->Visible()) UnionRectF(TvxRect(r), v->GetParentedRect(), r);
  return r;
}

void TvxScrollBox::SetContentBounds(const TvxRect& R) {
  if (!content_ || !viewport_) return;
  content_->SetBounds(R.Left, R.Top, RectWidth(R), RectHeight(R));
  content_->RecalcUpdateRect();
}

void TvxScrollBox::Realign() {
  if (Destroying()) return;
  inherited::Realign();
  if (Loading() || !viewport_ || realigning_ || UpdateCount() > 0) return;
  TvxRaisedFlag self(this, realigning_);
  const TvxRect before = viewport_->GetLocalRect();
  UpdateScrollBars();
  if (self.Gone() || !viewport_) return;
  const TvxRect after = viewport_->GetLocalRect();
  if (RectWidth(before) != RectWidth(after) || RectHeight(before) != RectHeight(after)) UpdateScrollBars();
}

void TvxScrollBox::UpdateScrollBars() {
  TvxRect r = GetContentBounds();
  if (RectWidth(r) * RectHeight(r) == 0 || !viewport_) return;
  const TvxPoint origin = ViewportOrigin();
  OffsetRectF(r, origin.X, origin.Y);
  if (hScrollBar_ && hScrollBar_->Enabled()) OffsetRectF(r, -scrollOffset_.X, 0);
  if (vScrollBar_ && vScrollBar_->Enabled()) OffsetRectF(r, 0, -scrollOffset_.Y);
  SetContentBounds(r);

  // Which bars the content needs; the viewport takes the room the others leave.
  TvxVisualObject* holder = viewport_->Parent() ? viewport_->Parent()->Visual() : nullptr;
  if (holder) holder->BeginUpdate();
  const auto showBar = [&](TvxScrollBar* Bar, bool Needed) {
    Bar->SetEnabled(Needed);
    if (autoHide_) Bar->SetVisible(Needed);
    Bar->SetOpacity(showScrollBars_ ? 1.0f : 0.0f);
    Bar->SetAlign(showScrollBars_ ? static_cast<TvxAlign>(Bar->Tag()) : vaNone);
  };
  if (vScrollBar_) showBar(vScrollBar_, RectHeight(r) > viewport_->Height());
  if (hScrollBar_) {
    showBar(hScrollBar_, RectWidth(r) > viewport_->Width());
    if (showScrollBars_ && vScrollBar_ && vScrollBar_->Enabled())
      hScrollBar_->Padding()->SetRight(vScrollBar_->Width());
  }
  if (holder) {
    holder->EndUpdate();
    holder->Realign();
  }
  if (!viewport_) return;

  // The bars take the content's extent as their range and the viewport as their page.
  TvxFreeWatch self(this);
  if (TvxScrollBar* bar = vScrollBar_) {
    bar->SetEnabled(RectHeight(r) > viewport_->Height());
    if (autoHide_) bar->SetVisible(bar->Enabled());
    if (showScrollBars_) {
      bar->SetOpacity(1);
      bar->SetHitTest(true);
      bar->SetAlign(static_cast<TvxAlign>(bar->Tag()));
    } else {
      bar->SetOpacity(0);
      bar->SetAlign(vaNone);
      bar->Position()->SetX(Width() + 100);
    }
    bar->BringToFront();
    if (bar->Visible()) {
      bar->SetMax(RectHeight(r));
      if (self.Gone() || !viewport_) return;
      bar->SetViewportSize(viewport_->Height());
      if (self.Gone() || !viewport_) return;
      bar->SetSmallChange(bar->ViewportSize() / 5);
      bar->SetValue(scrollOffset_.Y);
    } else {
      bar->SetValue(0);
    }
    if (self.Gone() || !viewport_) return;
  }
  if (TvxScrollBar* bar = hScrollBar_) {
    bar->SetEnabled(RectWidth(r) > viewport_->Width());
    bar->Padding()->SetRight(0);
    if (autoHide_) bar->SetVisible(bar->Enabled());
    if (showScrollBars_) {
      bar->SetOpacity(1);
      bar->SetAlign(static_cast<TvxAlign>(bar->Tag()));
      if (vScrollBar_ && vScrollBar_->Enabled()) bar->Padding()->SetRight(vScrollBar_->Width());
    } else {
      bar->SetOpacity(0);
      bar->SetAlign(vaNone);
      bar->Position()->SetY(Height() + 100);
    }
    bar->BringToFront();
    if (bar->Visible() && content_) {
      bar->SetMax(RectWidth(r));
      if (self.Gone() || !viewport_ || !content_) return;
      bar->SetViewportSize(viewport_->Width());
      if (self.Gone() || !viewport_ || !content_) return;
      bar->SetSmallChange(bar->ViewportSize() / 5);
      bar->SetValue(ViewportOrigin().X - content_->Position()->X());
    } else {
      bar->SetValue(0);
    }
  }
}

// ---- mouse ---------------------------------------------------------------------------------------

void TvxScrollBox::Coast(TvxScrollBar* Bar, TvxFloatAnimation*& Animation, float Target) {
  if (!Animation) {
    auto made = std::make_unique<TvxFloatAnimation>(this);
    made->SetStored(false);
    made->SetAnimationType(vgAnimationOut);
    made->SetInterpolation(vgInterpolationQuadratic);
    made->SetDuration(CoastDuration);
    made->SetPropertyName("Value");
    made->SetStartFromCurrent(true);
    Animation = made.get();
    Bar->AddObject(made.release());
  }
  if (Animation->Running()) Animation->StopAtCurrent();
  if (!Animation) return;
  Animation->SetStopValue(Target);
  Animation->Start();
}

void TvxScrollBox::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || !mouseTracking_ || Button != rtl::mbLeft) return;
  velocity_ = {0, 0};
  downPos_ = lastPos_ = {X, Y};
  mouseDown_ = true;
  for (TvxFloatAnimation* a : {hInertia_, vInertia_}) {
    if (a && a->Running()) a->StopAtCurrent();
    if (self.Gone()) return;
  }
}

void TvxScrollBox::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  inherited::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !mouseDown_ || !mouseTracking_) return;
  if (vScrollBar_ && vScrollBar_->Visible()) {
    velocity_.Y = Y - lastPos_.Y;
    vScrollBar_->SetValue(vScrollBar_->Value() - velocity_.Y);
    if (self.Gone()) return;
  }
  if (hScrollBar_ && hScrollBar_->Visible()) {
    velocity_.X = X - lastPos_.X;
    hScrollBar_->SetValue(hScrollBar_->Value() - velocity_.X);
    if (self.Gone()) return;
  }
  lastPos_ = {X, Y};
}

void TvxScrollBox::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || !mouseDown_) return;
  mouseDown_ = false;
  if (!animated_ || (velocity_.X == 0 && velocity_.Y == 0)) return;
  if (vScrollBar_ && vScrollBar_->Visible())
    Coast(vScrollBar_, vInertia_, vScrollBar_->Value() - velocity_.Y * CoastSteps);
  if (hScrollBar_ && hScrollBar_->Visible())
    Coast(hScrollBar_, hInertia_, hScrollBar_->Value() - velocity_.X * CoastSteps);
}

void TvxScrollBox::MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  TvxFreeWatch self(this);
  inherited::MouseWheel(Shift, WheelDelta, Handled);
  if (self.Gone() || disableMouseWheel_) return;
  const auto scroll = [&](TvxScrollBar* Bar, TvxFloatAnimation*& Animation) {
    if (Handled || !Bar || !Bar->Visible()) return;
    const float target = Bar->Value() - Bar->SmallChange() * 3 * static_cast<float>(WheelDelta) / 120;
    if (animated_)
      Coast(Bar, Animation, target);
    else
      Bar->SetValue(target);
    Handled = true;
  };
  scroll(vScrollBar_, vInertia_);
  if (!self.Gone()) scroll(hScrollBar_, hInertia_);
}

// ---- the family ----------------------------------------------------------------------------------

TvxRect TvxVertScrollBox::GetContentBounds() {
  if (Content() && Viewport()) Content()->SetWidth(Viewport()->Width());
  return inherited::GetContentBounds();
}

rtl::TClass TvxVertScrollBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxVertScrollBox>().Build();
  return &info;
}

rtl::TClass TvxFramedScrollBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFramedScrollBox>().Build();
  return &info;
}

rtl::TClass TvxFramedVertScrollBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFramedVertScrollBox>().Build();
  return &info;
}

}  // namespace vg
