#include "vg2d/controls/CheckControls.h"

#include <vector>

#include "platform/win/Forms.h"
#include "platform/win/WinTypes.h"
#include "vg2d/controls/StyleParts.h"
#include "vg2d/core/ImageShapes.h"

namespace vg {

namespace {


bool Inside(const TvxVisualObject& O, float X, float Y) {
  return X >= 0 && X <= O.Width() && Y >= 0 && Y <= O.Height();
}

// The published list the check box and the radio button share.
template <class C>
rtl::TClassBuilder<C> TwoStateRecord() {
  rtl::TClassBuilder<C> b = rtl::DefineClass<C>();
  b.Property("IsPressed", &C::IsPressed)
      .Property("IsChecked", &C::IsChecked, &C::SetIsChecked)
      .Default(false)
      .Property("AutoTranslate", &C::AutoTranslate, &C::SetAutoTranslate)
      .Default(true)
      .Property("BindingSource", &C::BindingSource, &C::SetBindingSource)
      .Property("CanFocused", &C::CanFocused, &C::SetCanFocused)
      .Default(true)
      .Property("DisableFocusEffect", &C::DisableFocusEffect, &C::SetDisableFocusEffect)
      .Default(false)
      .Property("Font", &C::Font, &C::SetFont)
      .Property("TextAlign", &C::TextAlign, &C::SetTextAlign)
      .Default(vgTextAlignNear)
      .Property("Text", &C::Text, &C::SetText)
      .Event("OnChange", &C::OnChange);
  return b;
}

// The check mark of the path check box.
constexpr const char* CheckMarkPath =
    "M 341.236,311.738 L 309.372,342.676 L 291.667,325.488 L 291.667,304.863 L 309.372,321.997 L 341.236,291.113 Z";

}  // namespace

// ---- TvxTwoStateControl ------------------------------------------------------------------------

TvxTwoStateControl::TvxTwoStateControl(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetAutoCapture(true);
  SetCanFocused(true);
  SetTextAlign(vgTextAlignNear);
  SetWidth(120);
  SetHeight(19);
}

void TvxTwoStateControl::ApplyStyle() {
  TvxTextControl::ApplyStyle();
  StartTriggerAnimation(this, "IsChecked");
}

void TvxTwoStateControl::StoreChecked(bool Value) {
  isChecked_ = Value;
  StartTriggerAnimation(this, "IsChecked");
}

void TvxTwoStateControl::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  TvxTextControl::MouseDown(Button, Shift, X, Y);
  if (self.Gone() || Button != rtl::mbLeft) return;
  tracking_ = true;
  isPressed_ = true;
  StartTriggerAnimation(this, "IsPressed");
}

void TvxTwoStateControl::MouseMove(rtl::TShiftState Shift, float X, float Y, float Dx, float Dy) {
  TvxFreeWatch self(this);
  TvxTextControl::MouseMove(Shift, X, Y, Dx, Dy);
  if (self.Gone() || !Shift.Contains(rtl::ssLeft) || !tracking_) return;
  const bool inside = Inside(*this, X, Y);
  if (inside == isPressed_) return;
  isPressed_ = inside;
  StartTriggerAnimation(this, "IsPressed");
}

void TvxTwoStateControl::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  TvxTextControl::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || !tracking_) return;
  tracking_ = false;
  isPressed_ = false;
  if (Inside(*this, X, Y)) SetIsChecked(!isChecked_);
}

void TvxTwoStateControl::KeyDown(uint16_t& Key, char16_t& KeyChar, rtl::TShiftState Shift) {
  TvxFreeWatch self(this);
  TvxTextControl::KeyDown(Key, KeyChar, Shift);
  if (!self.Gone() && (Key == win::VK_RETURN || Key == win::VK_SPACE)) SetIsChecked(!isChecked_);
}

void TvxTwoStateControl::SetData(const rtl::TPropValue& Value) {
  if (const auto* m = std::get_if<rtl::TMethod>(&Value)) {
    OnChange = rtl::TNotifyEvent::FromMethod(*m);
  } else if (const auto* b = std::get_if<bool>(&Value)) {
    SetIsChecked(*b);
  } else {
    SetIsChecked(false);
  }
}

// ---- TvxCheckBox -------------------------------------------------------------------------------

rtl::TClass TvxCheckBox::StaticClass() {
  static const rtl::TClassInfo info = TwoStateRecord<TvxCheckBox>().Build();
  return &info;
}

void TvxCheckBox::SetIsChecked(bool Value) {
  if (Value == IsChecked()) return;
  StoreChecked(Value);
  OnChange(this);
}

rtl::TClass TvxHudCheckBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudCheckBox>().Build();
  return &info;
}

rtl::TClass TvxPathCheckBox::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxPathCheckBox>().Property("Path", &TvxPathCheckBox::Path, &TvxPathCheckBox::SetPath).Build();
  return &info;
}

TvxPathCheckBox::TvxPathCheckBox(rtl::TComponent* AOwner)
    : TvxCheckBox(AOwner), path_(std::make_unique<TvxPathData>()) {
  path_->SetData(CheckMarkPath);
  path_->OnChange = rtl::TNotifyEvent(this, &TvxPathCheckBox::PathChanged);
}

TvxPathCheckBox::~TvxPathCheckBox() = default;

void TvxPathCheckBox::PathChanged(rtl::TObject*) { ApplyStyle(); }

void TvxPathCheckBox::ApplyStyle() {
  inherited::ApplyStyle();
  if (auto* mark = FindPart<TvxPath>(this, "checkmark")) mark->SetData(path_.get());
}

// ---- TvxRadioButton ----------------------------------------------------------------------------

rtl::TClass TvxRadioButton::StaticClass() {
  using R = TvxRadioButton;
  static const rtl::TClassInfo info =
      TwoStateRecord<R>().Property("GroupName", &R::GroupName, &R::SetGroupName).Build();
  return &info;
}

void TvxRadioButton::SetIsChecked(bool Value) {
  if (Value == IsChecked()) return;
  // Stored first, so that the members unchecked below see this one checked.
  if (Value) StoreChecked(true);
  int members = 0;
  int checkedMembers = 0;
  if (IvxScene* host = Scene())
    if (TvxObject* root = host->GetRoot()) {
      std::vector<TvxControl*> all;
      root->AddControlsToList(all);
      std::vector<TvxRadioButton*> group;
      for (TvxControl* o : all)
        if (auto* r = dynamic_cast<TvxRadioButton*>(o); r && r != this && r->groupName_ == groupName_)
          group.push_back(r);
      // Each is watched: an OnChange handler may free any of them.
      std::vector<std::unique_ptr<TvxFreeWatch>> watches;
      for (TvxRadioButton* r : group) watches.push_back(std::make_unique<TvxFreeWatch>(r));
      TvxFreeWatch self(this);
      for (size_t i = 0; i < group.size(); ++i) {
        if (watches[i]->Gone()) continue;
        ++members;
        if (group[i]->IsChecked()) ++checkedMembers;
        if (Value) group[i]->SetIsChecked(false);
        if (self.Gone()) return;
      }
    }
  if (!Value && (members == 0 || checkedMembers == 0)) return;
  StoreChecked(Value);
  OnChange(this);
}

rtl::TClass TvxHudRadioButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudRadioButton>().Build();
  return &info;
}

// ---- TvxGroupBox -------------------------------------------------------------------------------

rtl::TClass TvxGroupBox::StaticClass() {
  using G = TvxGroupBox;
  static const rtl::TClassInfo info = rtl::DefineClass<G>()
                                          .Property("AutoTranslate", &G::AutoTranslate, &G::SetAutoTranslate)
                                          .Default(true)
                                          .Property("Font", &G::Font, &G::SetFont)
                                          .Property("TextAlign", &G::TextAlign, &G::SetTextAlign)
                                          .Default(vgTextAlignCenter)
                                          .Property("Text", &G::Text, &G::SetText)
                                          .Build();
  return &info;
}

TvxGroupBox::TvxGroupBox(rtl::TComponent* AOwner) : TvxTextControl(AOwner) {
  SetAutoTranslate(true);
  SetCanFocused(false);
  SetWidth(120);
  SetHeight(100);
}

rtl::TClass TvxHudGroupBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudGroupBox>().Build();
  return &info;
}

// ---- TvxCloseButton, TvxSizeGrip ---------------------------------------------------------------

rtl::TClass TvxCloseButton::StaticClass() {
  using B = TvxCloseButton;
  static const rtl::TClassInfo info = rtl::DefineClass<B>()
                                          .Property("CloseForm", &B::CloseForm, &B::SetCloseForm)
                                          .Default(true)
                                          .Event("OnClick", &B::OnClick)
                                          .Build();
  return &info;
}

TvxCloseButton::TvxCloseButton(rtl::TComponent* AOwner) : TvxControl(AOwner) {
  // The press captures the mouse, so that the release reaches the button wherever it is.
  SetAutoCapture(true);
  SetCanFocused(false);
  SetWidth(20);
  SetHeight(20);
}

void TvxCloseButton::MouseDown(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!self.Gone() && Button == rtl::mbLeft) leftPressed_ = true;
}

void TvxCloseButton::MouseUp(rtl::TMouseButton Button, rtl::TShiftState Shift, float X, float Y) {
  TvxFreeWatch self(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (self.Gone() || !leftPressed_) return;
  leftPressed_ = false;
  // The release closes the form wherever the mouse is: a modal form ends with mrCancel, any
  // other asks its close query and does what its OnClose says (freeing is deferred).
  if (closeForm_ && Scene())
    if (win::TCustomForm* form = win::OwnerForm(Scene()->GetComponent())) form->Close();
  if (!self.Gone()) OnClick(this);
}

rtl::TClass TvxHudCloseButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudCloseButton>().Build();
  return &info;
}

rtl::TClass TvxSizeGrip::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSizeGrip>().Build();
  return &info;
}

rtl::TClass TvxHudSizeGrip::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudSizeGrip>().Build();
  return &info;
}

}  // namespace vg
