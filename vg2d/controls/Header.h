// The header: a row of column buttons laid side by side from the left. Each item carries
// two thin grips: dragging the right one resizes the item, dragging the left one resizes
// the item before it. An item dragged onto another takes that one's place. A filler item,
// owned by the header and never stored, is always last and takes the remaining width.
// Each item draws only its left separator; the first rounds the top-left corner and the
// filler the top-right one.
#pragma once

#include "vg2d/controls/Buttons.h"

namespace vg {

class TvxHeader;

// An item was dropped onto another: it moved from OldIndex to NewIndex.
using TvxOnRealignItemEvent = rtl::TEvent<void(rtl::TObject* Sender, int OldIndex, int NewIndex)>;
// An item is being resized; the handler may change NewSize.
using TvxOnResizeItemEvent = rtl::TEvent<void(rtl::TObject* Sender, float& NewSize)>;

class TvxHeaderItem : public TvxCornerButton {
  RTL_CLASS(TvxHeaderItem, TvxCornerButton)
public:
  explicit TvxHeaderItem(rtl::TComponent* AOwner);

  // The header this item lies in, nil when its parent is something else.
  TvxHeader* Header() const;
  TvxVisualObject* LeftGrip() const { return leftGrip_; }
  TvxVisualObject* RightGrip() const { return rightGrip_; }

  // Only an item of the same header, and only onto an item that may be dragged.
  void DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) override;
  // The dragged item takes this item's place; the header reports the move.
  void DragDrop(const TvxDragObject& Data, const TvxPoint& Point) override;

  // Resizes the item to the x of P, a point in the right grip's coordinates (negative
  // gives 0); the header's OnResizeItem may change the size.
  void ResizeTo(const TvxPoint& P);

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  TvxVisualObject* MakeGrip(TvxAlign Side);
  void RightGripMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);
  void LeftGripMove(rtl::TObject* Sender, rtl::TShiftState Shift, float X, float Y, float Dx, float Dy);

  TvxVisualObject* rightGrip_ = nullptr;
  TvxVisualObject* leftGrip_ = nullptr;
};

class TvxHeader : public TvxControl {
  RTL_CLASS(TvxHeader, TvxControl)
public:
  explicit TvxHeader(rtl::TComponent* AOwner);

  float Radius() const { return radius_; }
  void SetRadius(float Value);
  TvxSides Sides() const { return sides_; }
  void SetSides(TvxSides Value);
  // Where the first item starts; a grid sets it to minus its horizontal scroll position.
  float OffsetX() const { return offsetX_; }
  void SetOffsetX(float Value);
  // The child at Index (nil beyond the children).
  TvxObject* GetItem(int Index) const { return GetChild(Index); }
  TvxHeaderItem* Filler() const { return filler_; }

  // The items side by side from OffsetX; the filler last, over the remaining width.
  void Realign() override;
  // A dashed outline at design time, nothing at run time.
  void Paint() override;
  std::string GetItemClassName() override { return "TvxHeaderItem"; }

  TvxOnRealignItemEvent OnRealignItem;
  TvxOnResizeItemEvent OnResizeItem;

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  TvxHeaderItem* filler_ = nullptr;
  float radius_ = 0;
  TvxSides sides_ = AllSides;
  float offsetX_ = 0;
  bool realigning_ = false;
};

}  // namespace vg
