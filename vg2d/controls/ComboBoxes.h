// Drop-down controls: the combo list (the list a combo drops down), the combo text box (a
// text box whose popup list chooses its text), the combo box (a closed list showing its
// current item), the string list and string combo (lists built from texts), and the combo
// track bar (a numeric text box whose value a track bar in a popup sets).
//
// A combo's list chooses at the release: over an item it sets the combo's ItemIndex, and
// the popup closes wherever the release is. Rebuilding a string list from its texts keeps
// ItemIndex (the last item when the texts got fewer) and the scroll position.
//
// A left press outside the text area (the style's drop-down arrow) opens the popup under
// the box, or closes an open one; the press that closed it by taking the activation away
// does not open it again. While the popup is open the caret is hidden; it comes back when
// the popup closes and the box still has the focus.
#pragma once

#include <string>

#include <memory>

#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/Popups.h"
#include "vg2d/controls/TextBox.h"
#include "vg2d/controls/Tracks.h"
#include "vg2d/core/WideStrings.h"

namespace vg {

class TvxComboTextBox;
class TvxComboBox;

// The list a combo drops down: not focusable, its selection shown also unfocused.
class TvxComboListBox : public TvxListBox {
  RTL_CLASS(TvxComboListBox, TvxListBox)
public:
  explicit TvxComboListBox(rtl::TComponent* AOwner);
  // The combo control the list chooses for (a TvxComboBox or a TvxComboTextBox).
  TvxControl* ComboOwner() const { return comboOwner_; }
  void SetComboOwner(TvxControl* Value) { comboOwner_ = Value; }
  // After the list's own handling: in an open popup, the item under the release becomes
  // the combo's current one, and the popup closes.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

protected:
  // The list's items are streamed as the combo's.
  bool SkippedAsStreamParent() const override { return true; }

private:
  TvxControl* comboOwner_ = nullptr;
};

class TvxComboTextBox : public TvxCustomTextBox {
  RTL_CLASS(TvxComboTextBox, TvxCustomTextBox)
public:
  explicit TvxComboTextBox(rtl::TComponent* AOwner);
  ~TvxComboTextBox() override;
  void BeforeDestruction() override;

  // The texts of the list; a change rebuilds the list's items.
  TvxWideStrings* Items() const { return items_.get(); }
  void SetItems(TvxWideStrings* Value) { items_->Assign(Value); }
  // The list's current item, -1 without one.
  int ItemIndex() const { return list_ ? list_->ItemIndex() : -1; }
  // Sets the list's current item; one inside Items takes its text (OnChangeTracking when
  // it differs), selects it unless the host shows a keyboard, and updates the bound
  // controls.
  void SetItemIndex(int Value);
  int Count() const { return list_ ? list_->Count() : 0; }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int Value) { dropDownCount_ = Value; }
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  const std::string& ListBoxResource() const { return list_->Resource(); }
  void SetListBoxResource(const std::string& Value) { list_->SetResource(Value); }
  TvxPopup* Popup() const { return popup_; }
  TvxComboListBox* ListBox() const { return list_; }
  // The style the items of the list take (empty: the item class's own).
  const std::string& ItemStyle() const { return itemStyle_; }
  void SetItemStyle(const std::string& Value) { itemStyle_ = Value; }

  // A left press outside the text area drops the list down (DropDownCount rows), or
  // closes it. A read-only box is a choice, not an editor: it shows no caret, neither
  // when it takes the focus nor after a pick from its list.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // After the text box's keys, with items: Up and Down step through them; a read-only box
  // takes a typed character as the first letter of the item to choose.
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // The popup and the list are as wide as the box.
  void Realign() override;

protected:
  bool CaretShown() const override { return ShowCaret() && !ReadOnly(); }

private:
  void ItemsChanged(rtl::TObject* Sender);
  void PopupClosed(rtl::TObject* Sender);

  std::unique_ptr<TvxWideStringList> items_;
  TvxPopup* popup_;
  TvxComboListBox* list_;
  int dropDownCount_ = 8;
  float itemHeight_ = 19;
  bool realigning_ = false;
  std::string itemStyle_;
};

class TvxHudComboTextBox : public TvxComboTextBox {
  RTL_CLASS(TvxHudComboTextBox, TvxComboTextBox)
public:
  explicit TvxHudComboTextBox(rtl::TComponent* AOwner);
};

// A closed combo: it shows its current item in its face (the style's part "content") and
// drops its list down in a popup. Items added to it go into the list.
// It takes typed text: a letter selects the item it begins.
class TvxComboBox : public TvxControl, public IvxTextInput {
  RTL_CLASS(TvxComboBox, TvxControl)
public:
  explicit TvxComboBox(rtl::TComponent* AOwner);

  // The list's current item (-1 without a list) and its count.
  int ItemIndex() const { return list_ ? list_->ItemIndex() : -1; }
  // The list's current item; then the bound controls, OnChange and a repaint.
  void SetItemIndex(int Value);
  int Count() const { return list_ ? list_->Count() : 0; }
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int Value) { dropDownCount_ = Value; }
  TvxPlacement Placement() const { return placement_; }
  void SetPlacement(TvxPlacement Value) { placement_ = Value; }
  const std::string& ListBoxResource() const { return list_->Resource(); }
  void SetListBoxResource(const std::string& Value) { list_->SetResource(Value); }
  TvxPopup* Popup() const { return popup_; }
  TvxComboListBox* ListBox() const { return list_; }
  // Frees the list's items.
  virtual void Clear();

  std::string GetItemClassName() override { return "TvxListBoxItem"; }
  // List items (and selection items) go into the list; anything else stays here.
  void AddObject(TvxObject* AObject) override;
  // Design time: shows or hides the list under the combo, for editing its items.
  void DesignClick() override;
  void Realign() override;
  // A left press drops the list down, or closes it.
  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // Down a notch: the next item; up: the previous one; always taken.
  void MouseWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) override;
  // With items: a typed first letter, Home, End and the arrows choose.
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;

  rtl::TNotifyEvent OnChange;

protected:
  // The current item changed (SetItemIndex): fires OnChange. Derived combos that tell the
  // user's pick from the program's do it here.
  virtual void Change() { OnChange(this); }
  // The part "content" paints the current item.
  void ApplyStyle() override;
  void FreeStyle() override;
  // The list's items are written as the combo's children.
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;

private:
  void PaintItem(rtl::TObject* Sender, TvxCanvas* Canvas, const TvxRect& ARect);
  void SizePopup();

  TvxPopup* popup_;
  TvxComboListBox* list_;
  TvxVisualObject* content_ = nullptr;
  int dropDownCount_ = 8;
  TvxPlacement placement_ = vgPlacementBottom;
  bool realigning_ = false;
};

class TvxHudComboBox : public TvxComboBox {
  RTL_CLASS(TvxHudComboBox, TvxComboBox)
public:
  explicit TvxHudComboBox(rtl::TComponent* AOwner);
};

// A combo box whose items are built from texts.
class TvxStringComboBox : public TvxComboBox {
  RTL_CLASS(TvxStringComboBox, TvxComboBox)
public:
  explicit TvxStringComboBox(rtl::TComponent* AOwner);
  ~TvxStringComboBox() override;
  void BeforeDestruction() override;

  TvxWideStrings* Items() const { return items_.get(); }
  void SetItems(TvxWideStrings* Value) { items_->Assign(Value); }
  float ItemHeight() const { return itemHeight_; }
  void SetItemHeight(float Value);
  TvxTextAlign TextAlign() const { return textAlign_; }
  void SetTextAlign(TvxTextAlign Value);
  const std::string& ItemStyle() const { return itemStyle_; }
  void SetItemStyle(const std::string& Value) { itemStyle_ = Value; }
  // Not published: every item's text kept within its item, a line wider than the item cut
  // with an ellipsis (TvxTextControl::Trimmed), now and in the items built later.
  bool Trimmed() const { return trimmed_; }
  void SetTrimmed(bool Value);
  // The text at ItemIndex; empty outside the texts.
  rtl::TPropValue GetData() override;
  // Into the text at ItemIndex; nothing outside the texts.
  void SetData(const rtl::TPropValue& Value) override;
  // Frees the items and builds one per text, keeping ItemIndex (the last item when the
  // texts got fewer).
  void Rebuild();

private:
  void ItemsChanged(rtl::TObject*) { Rebuild(); }

  std::unique_ptr<TvxWideStringList> items_;
  float itemHeight_ = 19;
  TvxTextAlign textAlign_ = vgTextAlignCenter;
  std::string itemStyle_ = "listboxitemstyle";
  bool trimmed_ = false;
};

class TvxHudStringComboBox : public TvxStringComboBox {
  RTL_CLASS(TvxHudStringComboBox, TvxStringComboBox)
public:
  explicit TvxHudStringComboBox(rtl::TComponent* AOwner);
};

// A list box whose items are built from texts.
class TvxStringListBox : public TvxListBox {
  RTL_CLASS(TvxStringListBox, TvxListBox)
public:
  explicit TvxStringListBox(rtl::TComponent* AOwner);
  ~TvxStringListBox() override;
  void BeforeDestruction() override;

  TvxWideStrings* Items() const { return items_.get(); }
  void SetItems(TvxWideStrings* Value) { items_->Assign(Value); }
  TvxFont* Font() const { return font_.get(); }
  void SetFont(TvxFont* Value) { font_->Assign(Value); }
  TvxTextAlign TextAlign() const { return textAlign_; }
  void SetTextAlign(TvxTextAlign Value);
  const std::string& ItemStyle() const { return itemStyle_; }
  void SetItemStyle(const std::string& Value) { itemStyle_ = Value; }
  // Not published: every item's text kept within its item, a line wider than the item cut
  // with an ellipsis (TvxTextControl::Trimmed), now and in the items built later.
  bool Trimmed() const { return trimmed_; }
  void SetTrimmed(bool Value);
  // The text at ItemIndex; empty outside the texts.
  rtl::TPropValue GetData() override;
  // Into the text at ItemIndex; nothing outside the texts.
  void SetData(const rtl::TPropValue& Value) override;
  // Closing the last update rebuilds the items.
  void EndUpdate() override;
  // Frees the items and builds one per text, keeping ItemIndex and the scroll position.
  void Rebuild();

private:
  void ItemsChanged(rtl::TObject*) { Rebuild(); }
  void FontChanged(rtl::TObject* Sender);

  std::unique_ptr<TvxWideStringList> items_;
  std::unique_ptr<TvxFont> font_;
  TvxTextAlign textAlign_ = vgTextAlignCenter;
  std::string itemStyle_ = "listboxitemstyle";
  bool trimmed_ = false;
};

class TvxHudStringListBox : public TvxStringListBox {
  RTL_CLASS(TvxHudStringListBox, TvxStringListBox)
public:
  explicit TvxHudStringListBox(rtl::TComponent* AOwner);
};

// The number text of a combo track bar: always with a point, whatever the locale; no
// decimals for a whole number, else three.
std::u16string ComboTrackText(float Value);

class TvxComboTrackBar : public TvxCustomTextBox {
  RTL_CLASS(TvxComboTrackBar, TvxCustomTextBox)
public:
  explicit TvxComboTrackBar(rtl::TComponent* AOwner);

  // The track bar's range, value and step.
  float Min() const { return track_->Min(); }
  void SetMin(float Value) { track_->SetMin(Value); }
  float Max() const { return track_->Max(); }
  void SetMax(float Value) { track_->SetMax(Value); }
  float Value() const { return track_->Value(); }
  void SetValue(float Value) { track_->SetValue(Value); }
  float Frequency() const { return track_->Frequency(); }
  void SetFrequency(float Value) { track_->SetFrequency(Value); }

  TvxPopup* Popup() const { return popup_; }
  TvxTrackBar* TrackBar() const { return track_; }

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // The text (read with a point as the decimal separator) becomes the track's value, then
  // the text box's Change; a text that is no number raises EConvertError.
  void Change() override;
  // The popup follows the box to its new parent.
  void ChangeParent() override;
  void SetScene(IvxScene* AScene) override;

protected:
  // The track moved: its value becomes the text (selected) and OnChange fires.
  virtual void TrackChanged(rtl::TObject* Sender);

private:
  void PopupClosed(rtl::TObject* Sender);

  TvxPopup* popup_ = nullptr;
  TvxTrackBar* track_ = nullptr;
};

class TvxHudComboTrackBar : public TvxComboTrackBar {
  RTL_CLASS(TvxHudComboTrackBar, TvxComboTrackBar)
public:
  explicit TvxHudComboTrackBar(rtl::TComponent* AOwner);
};

}  // namespace vg
