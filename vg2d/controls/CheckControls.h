// Two-state controls and their companions: the check box (and the one whose check mark is
// a path of its own), the radio button, the captioned group frame, the close button that
// closes its window and the size grip, with their Hud twins.
//
// A check box or radio button toggles when the left button is released over it (after the
// click), on Enter or Space, through its data or its setter; OnChange follows every real
// change. Radio buttons with equal group names (compared exactly; the empty name is a
// group too) anywhere under the host's root exclude each other, and the last checked
// button of a group cannot be unchecked.
#pragma once

#include <memory>
#include <string>

#include "vg2d/controls/TextControls.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/PathData.h"

namespace vg {

// What the check box and the radio button share: pressing, toggling, keys and data. Not a
// published class; each of the two names TvxTextControl as its base. Having no class
// record, it calls its base's operations as TvxTextControl:: (its "inherited" would name
// the text control's own base).
class TvxTwoStateControl : public TvxTextControl {
public:
  explicit TvxTwoStateControl(rtl::TComponent* AOwner);

  // While the left button is held on the control and the mouse is over it.
  bool IsPressed() const { return isPressed_; }
  bool IsChecked() const { return isChecked_; }
  virtual void SetIsChecked(bool Value) = 0;

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) override;
  // The inherited release (OnMouseUp, the click) first; then a release over the control
  // toggles IsChecked.
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  // Enter and Space toggle IsChecked.
  void KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) override;
  // The data is IsChecked. A method reference becomes OnChange; a Boolean sets IsChecked;
  // anything else unchecks.
  rtl::TPropValue GetData() override { return isChecked_; }
  void SetData(const rtl::TPropValue& Value) override;

  rtl::TNotifyEvent OnChange;

protected:
  void ApplyStyle() override;
  // Stores the state and starts the style's "IsChecked" animations.
  void StoreChecked(bool Value);

private:
  bool tracking_ = false;
  bool isPressed_ = false;
  bool isChecked_ = false;
};

class TvxCheckBox : public TvxTwoStateControl {
  RTL_CLASS(TvxCheckBox, TvxTextControl)
public:
  using TvxTwoStateControl::TvxTwoStateControl;
  // A change is stored, shown and reported (OnChange).
  void SetIsChecked(bool Value) override;
};

class TvxHudCheckBox : public TvxCheckBox {
  RTL_CLASS(TvxHudCheckBox, TvxCheckBox)
public:
  using TvxCheckBox::TvxCheckBox;
};

// A check box whose mark (the style's part "checkmark", a path) is its own Path.
class TvxPathCheckBox : public TvxCheckBox {
  RTL_CLASS(TvxPathCheckBox, TvxCheckBox)
public:
  explicit TvxPathCheckBox(rtl::TComponent* AOwner);
  ~TvxPathCheckBox() override;
  TvxPathData* Path() const { return path_.get(); }
  void SetPath(TvxPathData* Value) { path_->Assign(Value); }

protected:
  void ApplyStyle() override;

private:
  void PathChanged(rtl::TObject* Sender);
  const std::unique_ptr<TvxPathData> path_;
};

class TvxRadioButton : public TvxTwoStateControl {
  RTL_CLASS(TvxRadioButton, TvxTextControl)
public:
  using TvxTwoStateControl::TvxTwoStateControl;
  const std::string& GroupName() const { return groupName_; }
  void SetGroupName(const std::string& Value) { groupName_ = Value; }
  // Checking unchecks the other members of the group under the host's root (each reports
  // its own change first); unchecking is refused while no other member is checked.
  void SetIsChecked(bool Value) override;

private:
  std::string groupName_;
};

class TvxHudRadioButton : public TvxRadioButton {
  RTL_CLASS(TvxHudRadioButton, TvxRadioButton)
public:
  using TvxRadioButton::TvxRadioButton;
};

// A frame with a caption.
class TvxGroupBox : public TvxTextControl {
  RTL_CLASS(TvxGroupBox, TvxTextControl)
public:
  explicit TvxGroupBox(rtl::TComponent* AOwner);
};

class TvxHudGroupBox : public TvxGroupBox {
  RTL_CLASS(TvxHudGroupBox, TvxGroupBox)
public:
  using TvxGroupBox::TvxGroupBox;
};

// The close button of a window's caption. A left press on it, released anywhere, fires
// its own OnClick (a window that wants to decide what closing means hooks it and turns
// CloseForm off).
class TvxCloseButton : public TvxControl {
  RTL_CLASS(TvxCloseButton, TvxControl)
public:
  explicit TvxCloseButton(rtl::TComponent* AOwner);
  bool CloseForm() const { return closeForm_; }
  void SetCloseForm(bool Value) { closeForm_ = Value; }

  void MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;
  void MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) override;

  // The close button's own click event: fired at the release of a left press, wherever the
  // mouse is then (the inherited OnClick keeps its usual meaning).
  rtl::TNotifyEvent OnClick;

private:
  bool closeForm_ = true;
  bool leftPressed_ = false;
};

class TvxHudCloseButton : public TvxCloseButton {
  RTL_CLASS(TvxHudCloseButton, TvxCloseButton)
public:
  using TvxCloseButton::TvxCloseButton;
};

// The grip at a window's lower right corner; its look comes from its style.
// Pressing it resizes the scene's form (the scene knows it by IvxSizeGrip).
class TvxSizeGrip : public TvxControl, public IvxSizeGrip {
  RTL_CLASS(TvxSizeGrip, TvxControl)
public:
  using TvxControl::TvxControl;
};

class TvxHudSizeGrip : public TvxSizeGrip {
  RTL_CLASS(TvxHudSizeGrip, TvxSizeGrip)
public:
  using TvxSizeGrip::TvxSizeGrip;
};

}  // namespace vg
