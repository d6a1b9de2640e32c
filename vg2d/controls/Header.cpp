#include "vg2d/controls/Header.h"

#include "vg2d/controls/Layouts.h"

namespace vg {

namespace {

constexpr float GripWidth = 3;

}  // namespace

// ---- TvxHeaderItem -------------------------------------------------------------------------------

rtl::TClass TvxHeaderItem::StaticClass() {
  using I = TvxHeaderItem;
  static const rtl::TClassInfo info = rtl::DefineClass<I>()
                                          .Property("CanFocused", &I::CanFocused, &I::SetCanFocused)
                                          .Default(false)
                                          .Property("TextAlign", &I::TextAlign, &I::SetTextAlign)
                                          .Default(vgTextAlignNear)
                                          .Property("DragMode", &I::DragMode, &I::SetDragMode)
                                          .Default(vgDragAutomatic)
                                          .Build();
  return &info;
}

TvxHeaderItem::TvxHeaderItem(rtl::TComponent* AOwner) : TvxCornerButton(AOwner) {
  SetCanFocused(false);
  SetTextAlign(vgTextAlignNear);
  SetDragMode(vgDragAutomatic);
  rightGrip_ = MakeGrip(vaRight);
  rightGrip_->OnMouseMove = TvxMouseMoveEvent(this, &TvxHeaderItem::RightGripMove);
  leftGrip_ = MakeGrip(vaLeft);
  leftGrip_->OnMouseMove = TvxMouseMoveEvent(this, &TvxHeaderItem::LeftGripMove);
}

TvxVisualObject* TvxHeaderItem::MakeGrip(TvxAlign Side) {
  auto grip = std::make_unique<TvxVisualObject>(this);
  grip->SetStored(false);
  grip->SetLocked(true);
  grip->SetHitTest(true);
  grip->SetAutoCapture(true);
  grip->SetCursor(rtl::crHSplit);
  grip->SetWidth(GripWidth);
  grip->SetAlign(Side);
  TvxVisualObject* made = grip.get();
  AddObject(grip.release());
  return made;
}

void TvxHeaderItem::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != rtl::opRemove) return;
  if (AComponent == rightGrip_) rightGrip_ = nullptr;
  if (AComponent == leftGrip_) leftGrip_ = nullptr;
}

TvxHeader* TvxHeaderItem::Header() const { return dynamic_cast<TvxHeader*>(Parent()); }

void TvxHeaderItem::ResizeTo(const TvxPoint& P) {
  if (!rightGrip_) return;
  const TvxPoint local = AbsoluteToLocal(rightGrip_->LocalToAbsolute(P));
  float size = local.X < 0 ? 0 : local.X;
  TvxFreeWatch self(this);
  if (TvxHeader* header = Header(); header && header->OnResizeItem) {
    header->OnResizeItem(this, size);
    if (self.Gone()) return;
  }
  SetWidth(size);
  if (TvxHeader* header = Header()) header->Realign();
}

void TvxHeaderItem::RightGripMove(rtl::TObject*, rtl::TShiftState Shift, float X, float Y, float, float) {
  if (rightGrip_ && rightGrip_->Pressed() && Shift.Contains(rtl::ssLeft)) ResizeTo({X, Y});
}

void TvxHeaderItem::LeftGripMove(rtl::TObject*, rtl::TShiftState Shift, float X, float Y, float, float) {
  TvxHeader* header = Header();
  const int index = GetIndex();
  if (!header || index <= 0 || !leftGrip_ || !leftGrip_->Pressed() || !Shift.Contains(rtl::ssLeft)) return;
  auto* previous = dynamic_cast<TvxHeaderItem*>(header->GetItem(index - 1));
  if (!previous || !previous->rightGrip_) return;
  previous->ResizeTo(previous->rightGrip_->AbsoluteToLocal(leftGrip_->LocalToAbsolute({X, Y})));
}

void TvxHeaderItem::DragOver(const TvxDragObject& Data, const TvxPoint&, bool& Accept) {
  auto* source = dynamic_cast<TvxHeaderItem*>(Data.Source);
  Accept = source && Header() && source->Parent() == Parent() && DragMode() != vgDragManual;
}

void TvxHeaderItem::DragDrop(const TvxDragObject& Data, const TvxPoint& Point) {
  TvxFreeWatch self(this);
  inherited::DragDrop(Data, Point);
  auto* source = dynamic_cast<TvxHeaderItem*>(Data.Source);
  TvxHeader* header = self.Gone() ? nullptr : Header();
  // Only an item of this header may move (the drag-over rule refuses others).
  if (!source || !header || source->Parent() != header || source == this) return;
  const int newIndex = GetIndex();
  const int oldIndex = source->GetIndex();
  source->SetIndex(newIndex);
  header->Realign();
  header->OnRealignItem(source, oldIndex, newIndex);
}

// ---- TvxHeader -----------------------------------------------------------------------------------

rtl::TClass TvxHeader::StaticClass() {
  using H = TvxHeader;
  static const rtl::TClassInfo info = rtl::DefineClass<H>()
                                          .Property("ClipChildren", &H::ClipChildren, &H::SetClipChildren)
                                          .Default(true)
                                          .Property("CanFocused", &H::CanFocused, &H::SetCanFocused)
                                          .Default(false)
                                          .Property("Radius", &H::Radius, &H::SetRadius)
                                          .Default(0.0f)
                                          .Property("Sides", &H::Sides, &H::SetSides)
                                          .Default(AllSides)
                                          .Event("OnRealignItem", &H::OnRealignItem)
                                          .Event("OnResizeItem", &H::OnResizeItem)
                                          .Build();
  return &info;
}

TvxHeader::TvxHeader(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  SetClipChildren(true);
  SetCanFocused(false);
  auto filler = std::make_unique<TvxHeaderItem>(this);
  filler->SetStored(false);
  filler->SetLocked(true);
  filler->SetWidth(50);
  filler->SetDragMode(vgDragManual);
  filler_ = filler.get();
  AddObject(filler.release());
}

void TvxHeader::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == filler_) filler_ = nullptr;
}

void TvxHeader::SetRadius(float Value) {
  if (Value == radius_) return;
  radius_ = Value;
  Realign();
}

void TvxHeader::SetSides(TvxSides Value) {
  if (Value == sides_) return;
  sides_ = Value;
  Realign();
}

void TvxHeader::SetOffsetX(float Value) {
  if (Value == offsetX_) return;
  offsetX_ = Value;
  Realign();
}

void TvxHeader::Realign() {
  inherited::Realign();
  if (ComponentState().Contains(rtl::csDestroying) || realigning_ || GetChildrenCount() == 0) return;
  realigning_ = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{realigning_};
  if (filler_ && filler_->Parent() == this) filler_->SetIndex(GetChildrenCount() - 1);
  const float left = offsetX_ + Margins()->Left();
  const float top = Margins()->Top();
  const float right = Width() - Margins()->Right();
  const float height = Height() - Margins()->Top() - Margins()->Bottom();
  float x = left;
  TvxSides withLeft = sides_;
  withLeft.Include(vgSideLeft);
  const std::vector<TvxObject*> children = Children();
  bool first = true;
  for (TvxObject* child : children) {
    auto* item = dynamic_cast<TvxHeaderItem*>(child);
    if (!item) continue;
    if (item->Visible()) {
      item->SetBounds(x, top, item->Width(), height);
      if (item != filler_) x += item->Width();
    }
    item->SetxRadius(radius_);
    item->SetyRadius(radius_);
    if (first) {
      first = false;
      TvxSides s = sides_;
      s.Exclude(vgSideRight);
      item->SetCorners(TvxCorners{vgCornerTopLeft});
      item->SetSides(s);
    } else if (item == filler_) {
      item->SetCorners(TvxCorners{vgCornerTopRight});
      item->SetSides(withLeft);
    } else {
      TvxSides s = withLeft;
      s.Exclude(vgSideRight);
      item->SetCorners(TvxCorners{});
      item->SetSides(s);
    }
  }
  if (filler_) filler_->SetWidth(x < right ? right - x : 0);
}

void TvxHeader::Paint() { PaintLayoutOutline(this); }

}  // namespace vg
