#include "platform/win/Popups.h"

namespace win {

rtl::TClass TPopupForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TPopupForm>().Build();
  return &info;
}

TPopupForm::TPopupForm(TCustomForm* AOwnerForm) : TCustomForm(nullptr) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetOwnerForm(AOwnerForm);
}

void TPopupForm::BeforeDestruction() {
  SetOwnerForm(nullptr);
  inherited::BeforeDestruction();
}

void TPopupForm::SetOwnerForm(TCustomForm* Value) {
  if (Value == ownerForm_) return;
  if (ownerForm_) ownerForm_->RemoveFreeNotification(this);
  ownerForm_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TPopupForm::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && AComponent == ownerForm_) ownerForm_ = nullptr;
}

void TPopupForm::KeepOwnerCaption() {
  if (ownerForm_) ownerForm_->Perform(WM_NCACTIVATE, 1, 0);
}

LRESULT TPopupForm::WndProc(MSG& Message) {
  switch (Message.message) {
    case WM_ACTIVATE:
      KeepOwnerCaption();
      if (Message.wParam == WA_INACTIVE) ActivationLeft(FormOfHandle(static_cast<HWND>(Message.lParam)));
      return 0;
    case WM_MOUSEACTIVATE:
      // A press in the window activates it; the owner still looks active.
      KeepOwnerCaption();
      return MA_ACTIVATE;
    default: return inherited::WndProc(Message);
  }
}

void TPopupForm::ActivationLeft(TCustomForm*) {}

void TPopupForm::DoClose(TCloseAction& Action) {
  inherited::DoClose(Action);
  Action = caFree;
}

}  // namespace win
