// The window of a popup: a borderless, top-most window without a task-bar entry that
// stands in for an owner form. It is shown without taking the activation; when it does
// become active (its content takes the keyboard focus, or a press lands in it) the owner
// keeps its active caption, and while it is active the keys that arrive for the owner's
// window come to it. Whenever the activation leaves it, ActivationLeft hears where it
// went. Closed by the user or by code, it frees itself (deferred).
#pragma once

#include "platform/win/Forms.h"

namespace win {

class TPopupForm : public TCustomForm {
  RTL_CLASS(TPopupForm, TCustomForm)
public:
  // A window of no owner component, standing in for AOwnerForm (which may be nil).
  explicit TPopupForm(TCustomForm* AOwnerForm);
  void BeforeDestruction() override;

  // The form the window stands in for; forgotten when it is freed.
  TCustomForm* OwnerForm() const { return ownerForm_; }
  void SetOwnerForm(TCustomForm* Value);
  TCustomForm* PopupParent() const override { return ownerForm_; }

  LRESULT WndProc(MSG& Message) override;

protected:
  // The activation went from this window to Next: another form of the program, or nil
  // when it left the program's windows.
  virtual void ActivationLeft(TCustomForm* Next);
  // A closed popup window is freed.
  void DoClose(TCloseAction& Action) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;

private:
  void KeepOwnerCaption();

  TCustomForm* ownerForm_ = nullptr;
};

}  // namespace win
