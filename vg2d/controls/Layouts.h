// Layouts: invisible containers that only place their children. The plain layout is the
// usual container of forms and pages; the grid layout puts its children in equal cells, row
// by row (or column by column); the scaled layout draws its children scaled by its size
// against the size it was designed at; the split layout is a bare container; and the
// window-control layout keeps an ordinary window control of the window layer over its own
// rectangle and in step with its visibility.
//
// At design time a layout that is not Locked shows its outline as a grey dashed frame;
// at run time a layout paints nothing of its own.
#pragma once

#include <memory>

#include "vg2d/controls/Tracks.h"
#include "vg2d/core/VisualObjects.h"

namespace rtl {
class TTimer;
}
namespace win {
class TControl;
}

namespace vg {

// Draws the design-time outline of a layout.
void PaintLayoutOutline(TvxVisualObject* Layout);

class TvxLayout : public TvxVisualObject {
  RTL_CLASS(TvxLayout, TvxVisualObject)
public:
  explicit TvxLayout(rtl::TComponent* AOwner);
  void Paint() override;
};

// Children in cells of ItemWidth x ItemHeight, each inset by its own Padding, from the
// inner margin on; a row (a column, vertically) ends where the next cell would cross the
// far margin. Every visual child takes a cell, shown or not.
class TvxGridLayout : public TvxVisualObject {
  RTL_CLASS(TvxGridLayout, TvxVisualObject)
public:
  explicit TvxGridLayout(rtl::TComponent* AOwner);
  float ItemWidth() const { return itemWidth_; }
  void SetItemWidth(float Value);
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  TvxOrientation Orientation() const { return orientation_; }
  void SetOrientation(TvxOrientation Value);
  void Realign() override;

private:
  float itemWidth_ = 64;
  float itemHeight_ = 64;
  TvxOrientation orientation_ = vgHorizontal;
  bool aligning_ = false;
};

// Children keep their own coordinates and are drawn and hit scaled by Width / OriginalWidth
// and Height / OriginalHeight. At design time the originals follow the size, so the
// designer edits unscaled.
class TvxScaledLayout : public TvxVisualObject {
  RTL_CLASS(TvxScaledLayout, TvxVisualObject)
public:
  explicit TvxScaledLayout(rtl::TComponent* AOwner);
  float OriginalWidth() const { return originalWidth_; }
  // At least 1.
  void SetOriginalWidth(float Value);
  float OriginalHeight() const { return originalHeight_; }
  void SetOriginalHeight(float Value);
  void SetWidth(float Value) override;
  void SetHeight(float Value) override;
  TvxMatrix GetChildrenMatrix() override;
  void Paint() override;
  // Held back while the parent is a scroll box inside an update.
  void Realign() override;

private:
  float originalWidth_;
  float originalHeight_;
};

class TvxSplitLayout : public TvxVisualObject {
  RTL_CLASS(TvxSplitLayout, TvxVisualObject)
public:
  explicit TvxSplitLayout(rtl::TComponent* AOwner);
};

// Keeps NonVGControl (not owned; forgotten when freed) over the layout's rectangle in the
// host's pixels and shows it only while the layout and all its parents are visible; a
// 100 ms timer follows the parents' visibility while a control is hosted.
class TvxNonVGLayout : public TvxLayout {
  RTL_CLASS(TvxNonVGLayout, TvxLayout)
public:
  explicit TvxNonVGLayout(rtl::TComponent* AOwner);
  ~TvxNonVGLayout() override;
  win::TControl* NonVGControl() const { return control_; }
  // A different control is taken and placed; nothing changes while the hosted control is
  // the host's own window.
  void SetNonVGControl(win::TControl* Value);
  void Realign() override;
  // The inherited answer; the hosted control is shown or hidden to match it.
  bool GetParentedVisible() const override;
  rtl::TTimer* Timer() const { return timer_.get(); }

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void Follow(rtl::TObject* Sender);

  win::TControl* control_ = nullptr;
  std::unique_ptr<rtl::TTimer> timer_;
};

}  // namespace vg
