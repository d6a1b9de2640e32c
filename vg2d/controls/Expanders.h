// The expander (a captioned panel that folds to its header, with an optional check box
// that enables its content), the popup box (a button that picks one of its strings from a
// popup menu centred on it) and the bitmap state button (a button drawn from three
// pictures: normal, under the mouse, pressed).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/WideStrings.h"

namespace win {
class TPopupMenu;
}

namespace vg {

// The header button of an expander: it never takes the focus.
class TvxExpanderButton : public TvxCustomButton {
  RTL_CLASS(TvxExpanderButton, TvxCustomButton)
public:
  explicit TvxExpanderButton(rtl::TComponent* AOwner);
};

// Children added to an expander go into its content, which sits under the 25-unit header
// and is hidden while the expander is folded. The content's height is streamed as
// "ContentSize".
class TvxExpander : public TvxTextControl {
  RTL_CLASS(TvxExpander, TvxTextControl)
public:
  explicit TvxExpander(rtl::TComponent* AOwner);

  bool IsExpanded() const { return isExpanded_; }
  // Unfolded, the expander is as high as its header button and its content together;
  // folded, as high as the header button.
  virtual void SetIsExpanded(bool Value);
  bool IsChecked() const { return isChecked_; }
  // The content is enabled exactly while checked.
  void SetIsChecked(bool Value);
  bool ShowCheck() const { return showCheck_; }
  void SetShowCheck(bool Value);
  TvxContent* Content() const { return content_; }

  void AddObject(TvxObject* AObject) override;
  void Realign() override;
  void DesignClick() override { SetIsExpanded(!isExpanded_); }

  rtl::TNotifyEvent OnCheckChange;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  void CheckChanged(rtl::TObject* Sender);
  void ButtonClicked(rtl::TObject* Sender);

  TvxContent* content_;
  TvxCustomButton* button_ = nullptr;
  TvxCheckBox* checkBox_ = nullptr;
  bool isExpanded_ = true;
  bool isChecked_ = true;
  bool showCheck_ = false;
  bool realigning_ = false;
};

class TvxPopupBox : public TvxCustomButton {
  RTL_CLASS(TvxPopupBox, TvxCustomButton)
public:
  explicit TvxPopupBox(rtl::TComponent* AOwner);
  ~TvxPopupBox() override;

  TvxWideStrings* Items() const { return items_.get(); }
  void SetItems(TvxWideStrings* Value) { items_->Assign(Value); }
  int ItemIndex() const { return itemIndex_; }
  // A different index is stored; the text becomes that item (empty past the end, and an
  // index below 0 or an empty list clears the text and gives -1); OnChange fires.
  void SetItemIndex(int Value);
  // Selects the item with that text and shows it; a text not among the items clears the
  // text and the index. No OnChange.
  void SetText(const std::u16string& Value) override;

  // The press clicks, then the menu opens.
  void Click() override;
  // Fills the menu with the items, the chosen one checked, and opens it centred on the box
  // (an estimated 20 units a line).
  virtual void DoPopup();
  // The menu the box opens.
  win::TPopupMenu* Menu() const { return menu_.get(); }

  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;

protected:
  virtual void ItemsChanged() { Repaint(); }

private:
  const std::unique_ptr<TvxWideStrings> items_;
  const std::unique_ptr<win::TPopupMenu> menu_;
  int itemIndex_ = -1;
};

class TvxHudPopupBox : public TvxPopupBox {
  RTL_CLASS(TvxHudPopupBox, TvxPopupBox)
public:
  using TvxPopupBox::TvxPopupBox;
};

// Paints BitmapDown while pressed, BitmapHot under the mouse, else Bitmap, fitted into the
// button (never enlarged, centred). It has no style.
class TvxBitmapStateButton : public TvxCustomButton {
  RTL_CLASS(TvxBitmapStateButton, TvxCustomButton)
public:
  explicit TvxBitmapStateButton(rtl::TComponent* AOwner);
  ~TvxBitmapStateButton() override;

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  TvxBitmap* BitmapHot() const { return bitmapHot_.get(); }
  void SetBitmapHot(TvxBitmap* Value) { bitmapHot_->Assign(Value); }
  TvxBitmap* BitmapDown() const { return bitmapDown_.get(); }
  void SetBitmapDown(TvxBitmap* Value) { bitmapDown_->Assign(Value); }

  void StartTriggerAnimation(TvxObject* AInstance, const std::string& ATrigger) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void Paint() override;

private:
  const std::unique_ptr<TvxBitmap> bitmap_;
  const std::unique_ptr<TvxBitmap> bitmapHot_;
  const std::unique_ptr<TvxBitmap> bitmapDown_;
};

class TvxImage;

// A focusable picture: its Bitmap is shown fitted into the style's part "image". A click
// (with EnableOpenDialog) shows the open dialog on the image files and loads the chosen one;
// a dropped image file or image shape replaces the picture.
class TvxImageControl : public TvxControl {
  RTL_CLASS(TvxImageControl, TvxControl)
public:
  explicit TvxImageControl(rtl::TComponent* AOwner);
  ~TvxImageControl() override;

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  bool EnableOpenDialog() const { return enableOpenDialog_; }
  void SetEnableOpenDialog(bool Value) { enableOpenDialog_ = Value; }

  void Click() override;
  // Files are taken when the first exists and has an image type; else an image shape.
  void DragOver(const TvxDragObject& Data, const TvxPoint& Point, bool& Accept) override;
  void DragDrop(const TvxDragObject& Data, const TvxPoint& Point) override;
  // The data is the bitmap; nothing makes it 1 x 1, a persistent object is copied, a text
  // is a file loaded.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;

protected:
  void ApplyStyle() override;
  void FreeStyle() override;
  virtual void BitmapChanged();

private:
  const std::unique_ptr<TvxBitmap> bitmap_;
  TvxImage* image_ = nullptr;
  bool enableOpenDialog_ = true;
};

}  // namespace vg
