#include "vg2d/controls/Layouts.h"

#include "platform/loop/Timer.h"
#include "platform/win/Controls.h"
#include "vg2d/controls/ScrollBox.h"

namespace vg {

void PaintLayoutOutline(TvxVisualObject* Layout) {
  IvxScene* host = Layout->Scene();
  TvxCanvas* canvas = Layout->GetCanvas();
  if (!host || !canvas || !host->GetDesignTime() || Layout->Locked()) return;
  TvxRect r = Layout->GetLocalRect();
  InflateRectF(r, -0.5f, -0.5f);
  canvas->Stroke()->SetStyle(vgBrushSolid);
  canvas->Stroke()->SetSolidColor(0xA0909090u);
  canvas->SetStrokeThickness(1);
  canvas->SetStrokeDash(vgDashDash);
  canvas->DrawRect(r, 0, 0, AllCorners, Layout->GetAbsoluteOpacity());
  canvas->SetStrokeDash(vgDashSolid);
}

// ---- TvxLayout -----------------------------------------------------------------------------------

rtl::TClass TvxLayout::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxLayout>()
                                          .Property("HitTest", &TvxLayout::HitTest, &TvxLayout::SetHitTest)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxLayout::TvxLayout(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) { SetHitTest(false); }

void TvxLayout::Paint() { PaintLayoutOutline(this); }

// ---- TvxGridLayout -------------------------------------------------------------------------------

rtl::TClass TvxGridLayout::StaticClass() {
  using G = TvxGridLayout;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Property("ItemHeight", &G::ItemHeight, &G::SetItemHeight)
                                          .Property("ItemWidth", &G::ItemWidth, &G::SetItemWidth)
                                          .Property("Orientation", &G::Orientation, &G::SetOrientation)
                                          .Default(vgHorizontal)
                                          .Build();
  return &info;
}

TvxGridLayout::TvxGridLayout(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}

void TvxGridLayout::SetItemWidth(float Value) {
  if (Value == itemWidth_) return;
  itemWidth_ = Value;
  Realign();
}

void TvxGridLayout::SetItemHeight(float Value) {
  if (Value == itemHeight_) return;
  itemHeight_ = Value;
  Realign();
}

void TvxGridLayout::SetOrientation(TvxOrientation Value) {
  if (Value == orientation_) return;
  orientation_ = Value;
  Realign();
}

void TvxGridLayout::Realign() {
  if (aligning_) return;
  aligning_ = true;
  const TvxBounds& m = *Margins();
  TvxPoint at{m.Left(), m.Top()};
  // A copy: a child placed may be moved among the children by a handler.
  const std::vector<TvxObject*> children = Children();
  for (TvxObject* o : children) {
    TvxVisualObject* v = o->Visual();
    if (!v) continue;
    const TvxBounds& p = *v->Padding();
    v->SetBounds(at.X + p.Left(), at.Y + p.Top(), itemWidth_ - p.Left() - p.Right(),
                 itemHeight_ - p.Top() - p.Bottom());
    if (orientation_ == vgHorizontal) {
      at.X += itemWidth_;
      if (Width() - m.Left() - m.Right() < at.X + itemWidth_) {
        at.X = m.Left();
        at.Y += itemHeight_;
      }
    } else {
      at.Y += itemHeight_;
      if (Height() - m.Top() - m.Bottom() < at.Y + itemHeight_) {
        at.Y = m.Top();
        at.X += itemWidth_;
      }
    }
  }
  aligning_ = false;
}

// ---- TvxScaledLayout -----------------------------------------------------------------------------

rtl::TClass TvxScaledLayout::StaticClass() {
  using S = TvxScaledLayout;
  static const rtl::TClassInfo info = rtl::DefineClass<S>()
                                          .Property("OriginalWidth", &S::OriginalWidth, &S::SetOriginalWidth)
                                          .Property("OriginalHeight", &S::OriginalHeight, &S::SetOriginalHeight)
                                          .Build();
  return &info;
}

TvxScaledLayout::TvxScaledLayout(rtl::TComponent* AOwner)
    : TvxVisualObject(AOwner), originalWidth_(Width()), originalHeight_(Height()) {}

void TvxScaledLayout::SetOriginalWidth(float Value) {
  if (Value == originalWidth_) return;
  originalWidth_ = Value < 1 ? 1.0f : Value;
  RecalcAbsolute();
}

void TvxScaledLayout::SetOriginalHeight(float Value) {
  if (Value == originalHeight_) return;
  originalHeight_ = Value < 1 ? 1.0f : Value;
  RecalcAbsolute();
}

void TvxScaledLayout::SetWidth(float Value) {
  inherited::SetWidth(Value);
  if (Designing())
    SetOriginalWidth(Width());
  else
    RecalcAbsolute();
}

void TvxScaledLayout::SetHeight(float Value) {
  inherited::SetHeight(Value);
  if (Designing())
    SetOriginalHeight(Height());
  else
    RecalcAbsolute();
}

TvxMatrix TvxScaledLayout::GetChildrenMatrix() {
  if (Designing()) {
    originalWidth_ = Width() < 1 ? 1.0f : Width();
    originalHeight_ = Height() < 1 ? 1.0f : Height();
  }
  TvxMatrix m = IdentityMatrix;
  m.m11 = Width() / originalWidth_;
  m.m22 = Height() / originalHeight_;
  return m;
}

void TvxScaledLayout::Paint() {
  PaintLayoutOutline(this);
  inherited::Paint();
}

void TvxScaledLayout::Realign() {
  if (auto* box = dynamic_cast<TvxScrollBox*>(Parent()); box && box->UpdateCount() > 0) return;
  inherited::Realign();
  if (Designing()) return;
  RecalcAbsolute();
  RecalcUpdateRect();
}

// ---- TvxSplitLayout ------------------------------------------------------------------------------

rtl::TClass TvxSplitLayout::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSplitLayout>()
                                          .Property("HitTest", &TvxSplitLayout::HitTest, &TvxSplitLayout::SetHitTest)
                                          .Default(false)
                                          .Build();
  return &info;
}

TvxSplitLayout::TvxSplitLayout(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) { SetHitTest(false); }

// ---- TvxNonVGLayout ------------------------------------------------------------------------------

rtl::TClass TvxNonVGLayout::StaticClass() {
  using L = TvxNonVGLayout;
  static const rtl::TClassInfo info =
      rtl::DefineClass<L>().Property("NonVGControl", &L::NonVGControl, &L::SetNonVGControl).Build();
  return &info;
}

TvxNonVGLayout::TvxNonVGLayout(rtl::TComponent* AOwner)
    : TvxLayout(AOwner), timer_(std::make_unique<rtl::TTimer>(nullptr)) {
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
  timer_->SetOnTimer(rtl::TNotifyEvent(this, &TvxNonVGLayout::Follow));
}

TvxNonVGLayout::~TvxNonVGLayout() {
  if (control_) control_->RemoveFreeNotification(this);
}

void TvxNonVGLayout::Follow(rtl::TObject*) { GetParentedVisible(); }

void TvxNonVGLayout::SetNonVGControl(win::TControl* Value) {
  if (Value == control_) return;
  if (control_ && Scene() && control_ == Scene()->GetComponent()) return;
  if (control_) control_->RemoveFreeNotification(this);
  control_ = Value;
  if (control_) control_->FreeNotification(this);
  // The timer follows the parents' visibility both ways while a control is hosted.
  timer_->SetEnabled(control_ != nullptr);
  Realign();
}

void TvxNonVGLayout::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == control_) {
    control_ = nullptr;
    timer_->SetEnabled(false);
  }
}

void TvxNonVGLayout::Realign() {
  inherited::Realign();
  if (!control_ || !control_->Visible()) return;
  const TvxRect r = GetAbsoluteRect();
  control_->SetBounds(static_cast<int>(Round(r.Left)), static_cast<int>(Round(r.Top)),
                      static_cast<int>(Round(RectWidth(r))), static_cast<int>(Round(RectHeight(r))));
}

bool TvxNonVGLayout::GetParentedVisible() const {
  const bool shown = inherited::GetParentedVisible();
  if (control_ && control_->Visible() != shown) {
    control_->SetVisible(shown);
    if (shown) const_cast<TvxNonVGLayout*>(this)->Realign();
  }
  return shown;
}

}  // namespace vg
