// Small controls outside the common set, registered for streams and the designer:
//  - a picture button on a rounded, shaded icon background (TvxIPhoneButton);
//  - list boxes of picture thumbnails with their file names (TvxImageListBox, the
//    horizontal one and their Hud twins). An item keeps the path of its picture in its
//    TagString and the image that shows the thumbnail in its TagObject; whoever fills the
//    list makes both;
//  - a drop zone that takes whatever is dropped on it and reports it (TvxDropTarget);
//  - a measuring grid for plots that paints itself (TvxPlotGrid);
//  - a picture viewer on a framed scroll box that centres a smaller picture and zooms
//    with the wheel (TvxImageViewer).
#pragma once

#include <memory>
#include <string>

#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/ScrollBox.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Shapes.h"

namespace vg {

// A bitmap button whose style part "background" (a shape) is filled with Background.
class TvxIPhoneButton : public TvxBitmapButton {
  RTL_CLASS(TvxIPhoneButton, TvxBitmapButton)
public:
  explicit TvxIPhoneButton(rtl::TComponent* AOwner);
  ~TvxIPhoneButton() override;

  // The brush is edited in place; the setter copies Value into it. Every change of it
  // reaches the background part.
  TvxBrush* Background() const { return background_.get(); }
  void SetBackground(TvxBrush* Value) { background_->Assign(Value); }

protected:
  void ApplyStyle() override;

private:
  void BackgroundChanged(rtl::TObject* Sender);

  const std::unique_ptr<TvxBrush> background_;
};

// An item of an image list box: its style's "textborder" shows while the list box shows
// file names, and its "text" shows the file name of TagString, the full path of the item's
// picture (TagObject holds the image that shows the thumbnail).
class TvxImageListBoxItem : public TvxListBoxItem {
  RTL_CLASS(TvxImageListBoxItem, TvxListBoxItem)
public:
  explicit TvxImageListBoxItem(rtl::TComponent* AOwner);

  // The part of Path after its last "\" or ":" (also "/").
  static std::u16string FileNameOf(const std::u16string& Path);

protected:
  void ApplyStyle() override;
  void TagStringChanged() override;
};

class TvxImageListBox : public TvxListBox {
  RTL_CLASS(TvxImageListBox, TvxListBox)
public:
  explicit TvxImageListBox(rtl::TComponent* AOwner);

  bool ShowFileName() const { return showFileName_; }
  // The items take it at their next style application.
  void SetShowFileName(bool Value) { showFileName_ = Value; }
  // Stored and written; the list itself does not read it.
  bool UseThumbnails() const { return useThumbnails_; }
  void SetUseThumbnails(bool Value) { useThumbnails_ = Value; }
  // The height every item is given (the list box's own item height stays 0, so the items
  // keep theirs).
  float ItemHeight() const { return imageItemHeight_; }
  void SetItemHeight(float Value);

  std::string GetItemClassName() override { return "TvxImageListBoxItem"; }
  // Every item's Tag goes back to 0 first.
  void Clear() override;
  // Drags the selected item's thumbnail image out through the host, when it has one.
  void BeginAutoDrag() override;

private:
  bool showFileName_ = false;
  bool useThumbnails_ = true;
  float imageItemHeight_ = 0;
};

class TvxHudImageListBox : public TvxImageListBox {
  RTL_CLASS(TvxHudImageListBox, TvxImageListBox)
public:
  explicit TvxHudImageListBox(rtl::TComponent* AOwner);
};

// Thumbnails side by side, each Height + 10 wide.
class TvxHorzImageListBox : public TvxImageListBox {
  RTL_CLASS(TvxHorzImageListBox, TvxImageListBox)
public:
  explicit TvxHorzImageListBox(rtl::TComponent* AOwner);
};

class TvxHudHorzImageListBox : public TvxHorzImageListBox {
  RTL_CLASS(TvxHudHorzImageListBox, TvxHorzImageListBox)
public:
  explicit TvxHudHorzImageListBox(rtl::TComponent* AOwner);
};

// Accepts every drag; a drop is reported through OnDroped after OnDragDrop.
class TvxDropTarget : public TvxTextControl {
  RTL_CLASS(TvxDropTarget, TvxTextControl)
public:
  explicit TvxDropTarget(rtl::TComponent* AOwner);

  // Stored and written; the control does not read it.
  const std::u16string& Filter() const { return filter_; }
  void SetFilter(const std::u16string& Value) { filter_ = Value; }
  TvxDragDropEvent OnDroped;

  void DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) override;
  void DragDrop(const TvxDragObject& Data, const TvxPoint& Point) override;

private:
  std::u16string filter_;
};

// Lines every Frequency units out from the centre lines both ways: the centre lines 2
// thick, every line whose offset is a whole multiple of Frequency x Marks in full colour,
// the rest faint. A paint draws only the lines within the canvas's clip.
class TvxPlotGrid : public TvxVisualObject {
  RTL_CLASS(TvxPlotGrid, TvxVisualObject)
public:
  explicit TvxPlotGrid(rtl::TComponent* AOwner);
  ~TvxPlotGrid() override;

  // Lines closer on the device than this (in pixels) are thinned to every n-th one that keeps
  // them this far apart: they cover the area whole either way.
  static constexpr double MinLineSpacing = 0.1;
  // At most this many lines a side and a direction in one paint, for a canvas that cannot
  // tell its clip.
  static constexpr double MaxLinesPerSide = 65536;

  TvxBrush* LineFill() const { return lineFill_.get(); }
  void SetLineFill(TvxBrush* Value) { lineFill_->Assign(Value); }
  float Marks() const { return marks_; }
  void SetMarks(float Value);
  float Frequency() const { return frequency_; }
  // Below 0.001 it becomes 0.001.
  void SetFrequency(float Value);

  void Paint() override;

private:
  void LineFillChanged(rtl::TObject* Sender);

  const std::unique_ptr<TvxBrush> lineFill_;
  float marks_ = 25;
  float frequency_ = 5;
};

// A picture at BitmapScale in a framed scroll box: centred while smaller than the
// viewport, scrolled while larger; the wheel zooms (MouseScaling) and a drag scrolls.
class TvxImageViewer : public TvxScrollBox {
  RTL_CLASS(TvxImageViewer, TvxScrollBox)
public:
  explicit TvxImageViewer(rtl::TComponent* AOwner);

  TvxBitmap* Bitmap() const { return image_->Bitmap(); }
  void SetBitmap(TvxBitmap* Value) { image_->SetBitmap(Value); }
  TvxBrush* BackgroundFill() const { return background_->Fill(); }
  void SetBackgroundFill(TvxBrush* Value) { background_->SetFill(Value); }
  bool ShowBackground() const { return showBackground_; }
  void SetShowBackground(bool Value);
  float BitmapScale() const { return bitmapScale_; }
  // Kept within 0.01 .. 10; the view is laid out again and centred.
  void SetBitmapScale(float Value);
  bool MouseScaling() const { return mouseScaling_; }
  void SetMouseScaling(bool Value) { mouseScaling_ = Value; }

  // The picture and the rectangle behind it (style-like children: locked, not written).
  TvxImage* Image() const { return image_; }
  TvxRectangle* Background() const { return background_; }

  // A notch zooms by 0.04 (with MouseScaling), then the scroll box's handling.
  void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) override;
  // The bitmap.
  rtl::TPropValue GetData() override;
  // Nothing or empty text clears the picture, a bitmap is copied, anything else is taken
  // as the name of a file to load.
  void SetData(const rtl::TPropValue& Value) override;

protected:
  TvxRect GetContentBounds() override;

private:
  void ImageChanged(rtl::TObject* Sender);

  TvxRectangle* background_ = nullptr;
  TvxImage* image_ = nullptr;
  float bitmapScale_ = 1;
  bool showBackground_ = false;
  bool mouseScaling_ = true;
};

}  // namespace vg
