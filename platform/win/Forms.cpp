// Forms: showing, closing, activation, input and drags. The frame and its pixels are in
// FormsFrame.cpp.
#include "platform/win/Forms.h"

#include <SDL.h>

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "platform/loop/Application.h"
#include "platform/rtl/Actions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Display.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"

namespace win {

namespace {

// Whether Control is Ancestor or lies inside it.
bool IsWithin(const TControl* Control, const TControl* Ancestor) {
  for (const TControl* c = Control; c; c = c->Parent())
    if (c == Ancestor) return true;
  return false;
}

TCustomForm* activeForm = nullptr;
TCustomForm* mainForm = nullptr;
std::vector<TCustomForm*> liveForms;
std::vector<TCustomForm*> modalForms;  // the modal runs in progress, the innermost last
bool applicationMinimized = false;
unsigned pressSerial = 0;
unsigned currentPress = 0;

void InitiateClientActions(TWinControl* Container) {
  if (!Container->Showing()) return;
  for (int i = 0; i < Container->ControlCount(); ++i) {
    TControl* c = Container->Controls(i);
    auto* w = dynamic_cast<TWinControl*>(c);
    if (c->Visible() && c->ControlStyle().Contains(csActionClient)) {
      c->InitiateAction();
      // An update may free or move controls: go into the children only of one still here.
      if (i >= Container->ControlCount() || Container->Controls(i) != c) continue;
    }
    if (w) InitiateClientActions(w);
  }
}

// The window layer's idle work (TApplication::SetIdleActions). Without a bound action link
// no update could change anything, so an idle program walks nothing.
void UpdateFormActions() {
  if (rtl::TBasicActionLink::BoundLinks() == 0) return;
  const std::vector<TCustomForm*> forms = liveForms;
  for (TCustomForm* f : forms)
    if (std::find(liveForms.begin(), liveForms.end(), f) != liveForms.end() && f->Showing()) f->UpdateActions();
}

bool IsLive(const TCustomForm* Form) { return std::find(liveForms.begin(), liveForms.end(), Form) != liveForms.end(); }

}  // namespace

TCustomForm* RunningModalForm() {
  for (auto it = modalForms.rbegin(); it != modalForms.rend(); ++it)
    if ((*it)->Showing()) return *it;
  return nullptr;
}

rtl::TClass TCustomForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TCustomForm>().Build();
  return &info;
}

rtl::TClass TForm::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TForm>()
                                          .Property("Caption", &TForm::Caption, &TForm::SetCaption)
                                          .Property("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle)
                                          .Default(bsSizeable)
                                          .Property("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle)
                                          .Default(fsNormal)
                                          .Property("KeyPreview", &TForm::KeyPreview, &TForm::SetKeyPreview)
                                          .Default(false)
                                          .Event("OnClose", &TForm::OnClose)
                                          .Event("OnCloseQuery", &TForm::OnCloseQuery)
                                          .Event("OnShow", &TForm::OnShow)
                                          .Event("OnHide", &TForm::OnHide)
                                          .Event("OnKeyDown", &TForm::OnKeyDown)
                                          .Event("OnKeyUp", &TForm::OnKeyUp)
                                          .Build();
  return &info;
}

TCustomForm::TCustomForm(rtl::TComponent* AOwner) : TWinControl(AOwner) {
  TControl::SetBounds(0, 0, 320, 240);
  liveForms.push_back(this);
  rtl::Application->SetIdleActions(&UpdateFormActions);
}

void TCustomForm::UpdateActions() {
  if (ComponentState().Contains(rtl::csDesigning) || !Showing()) return;
  InitiateAction();
  InitiateClientActions(this);
}

// A form that lived by value had no BeforeDestruction: it ends here as a freed form does, while
// it still is a form. What classes derived from it added is gone by now (their destructors ran
// and their BeforeDestruction cannot), so the controls that leave it and the components it frees
// meet a plain form, its window goes, and the lists of forms and the display forget it. Freed,
// the form ended in BeforeDestruction already.
TCustomForm::~TCustomForm() {
  if (!ComponentState().Contains(rtl::csDestroying)) TCustomForm::BeforeDestruction();
}

void TCustomForm::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) {
  if (Root == this)
    for (int i = 0; i < ComponentCount(); ++i)
      if (rtl::TComponent* c = Components(i); !c->HasParent()) Proc(c);
  TWinControl::GetChildren(Proc, Root);
}

void TCustomForm::BeforeDestruction() {
  shown_ = false;
  std::erase(liveForms, this);
  std::erase(modalForms, this);
  const bool wasActive = activeForm == this;
  if (wasActive) activeForm = nullptr;
  if (mainForm == this) mainForm = nullptr;
  inherited::BeforeDestruction();
  if (wasActive) UpdateTextInput();
}

void TCustomForm::CreateWnd() {
  DisplayNeeded();
  TWinControl::CreateWnd();
  MakeWindow();
}

void TCustomForm::MakeWindow() {
  window_ = CreateFormWindow(this);
  if (window_ && (minWidth_ > 0 || minHeight_ > 0))
    SDL_SetWindowMinimumSize(window_, std::max(1, minWidth_), std::max(1, minHeight_));
  ResizeFrame();
}

void TCustomForm::RenewWindow() {
  SDL_Window* gone = window_;
  window_ = nullptr;
  ForgetComposed();
  composedWidth_ = composedHeight_ = 0;
  DestroyFormWindow(gone);
  // The new window's pixels show the colour, and the controls paint into them again.
  MakeWindow();
}

SDL_Window* TCustomForm::LiveWindow() const { return FormWindowUsable(window_) ? window_ : nullptr; }

void TCustomForm::DestroyWnd() {
  ForgetComposed();
  composedWidth_ = composedHeight_ = 0;
  if (window_) DestroyFormWindow(window_);
  window_ = nullptr;
  TWinControl::DestroyWnd();
}

void TCustomForm::SetCaption(const std::string& Value) {
  caption_ = Value;
  if (SDL_Window* w = LiveWindow()) SDL_SetWindowTitle(w, caption_.c_str());
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  borderStyle_ = Value;
  SDL_Window* w = LiveWindow();
  if (!w) return;
  SDL_SetWindowBordered(w, Value == bsNone ? SDL_FALSE : SDL_TRUE);
  SDL_SetWindowResizable(w, Value == bsSizeable || Value == bsSizeToolWin ? SDL_TRUE : SDL_FALSE);
  // (SDL writes the border's hints anew: the buttons' go with them.)
  UpdateFormWindowBorder(this);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (Value == borderIcons_) return;
  borderIcons_ = Value;
  UpdateFormWindowBorder(this);
}

void TCustomForm::SetNoActivate(bool Value) {
  if (Value == noActivate_) return;
  noActivate_ = Value;
  if (noActivate_ && activeForm == this) SetActiveForm(nullptr);
  UpdateFormWindowInput(this);
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  formStyle_ = Value;
  if (SDL_Window* w = LiveWindow()) SDL_SetWindowAlwaysOnTop(w, Value == fsStayOnTop ? SDL_TRUE : SDL_FALSE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  windowState_ = Value;
  SDL_Window* w = LiveWindow();
  if (!w || !shown_) return;
  if (Value == wsMinimized)
    SDL_MinimizeWindow(w);
  else if (Value == wsMaximized)
    SDL_MaximizeWindow(w);
  else
    SDL_RestoreWindow(w);
}

void TCustomForm::TakeBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(std::clamp(ALeft, -MaxFormPosition, MaxFormPosition),
                         std::clamp(ATop, -MaxFormPosition, MaxFormPosition),
                         std::clamp(AWidth, std::max(1, minWidth_), MaxFormSize),
                         std::clamp(AHeight, std::max(1, minHeight_), MaxFormSize));
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TakeBounds(ALeft, ATop, AWidth, AHeight);
  if (!window_) return;
  if (SDL_Window* live = LiveWindow()) {
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(live, &x, &y);
    SDL_GetWindowSize(live, &w, &h);
    if (x != Left() || y != Top()) SDL_SetWindowPosition(live, Left(), Top());
    if (w != Width() || h != Height()) ResizeFormWindow(live, Width(), Height());
  }
  ResizeFrame();
}

void TCustomForm::SetMinSize(int AMinWidth, int AMinHeight) {
  minWidth_ = std::clamp(AMinWidth, 0, MaxFormSize);
  minHeight_ = std::clamp(AMinHeight, 0, MaxFormSize);
  if (SDL_Window* w = LiveWindow()) SDL_SetWindowMinimumSize(w, std::max(1, minWidth_), std::max(1, minHeight_));
  SetBounds(Left(), Top(), Width(), Height());
}

// ---- showing and closing ----------------------------------------------------------------------

void TCustomForm::Show() { ShowWindow(!noActivate_); }
void TCustomForm::ShowNoActivate() { ShowWindow(false); }

void TCustomForm::ShowWindow(bool Activate) {
  HandleNeeded();
  // A window that another client destroyed is made anew (the X server is asked).
  bool renewed = false;
  if (window_ && FormWindowGone(window_)) {
    RenewWindow();
    renewed = true;
  }
  if (shown_) {
    if (!Activate && !renewed) return;
    if (window_ && (renewed || !RaiseFormWindow(window_))) {
      if (!renewed) RenewWindow();
      ShowFormWindow(window_, Activate);
      ShowAgain();
    }
    if (Activate) SetActiveForm(this);
    return;
  }
  if (position_ == poScreenCenter) {
    const TRect area = ScreenWorkArea();
    SetBounds(area.Left + std::max(0, (area.Width() - Width()) / 2), area.Top + std::max(0, (area.Height() - Height()) / 2),
              Width(), Height());
  }
  shown_ = true;
  if (window_) {
    if (!ShowFormWindow(window_, Activate)) {
      RenewWindow();
      ShowFormWindow(window_, Activate);
    }
    if (windowState_ != wsNormal) SetWindowState(windowState_);
  }
  OnShow(this);
  BroadcastShowingChanged();
  ShowAgain();
  if (Activate && shown_) SetActiveForm(this);
}

void TCustomForm::Hide() {
  if (!shown_) return;
  shown_ = false;
  SetCaptureControl(nullptr);
  SetMouseControl(nullptr);
  ForgetHintControl(this);
  if (window_) HideFormWindow(window_);
  if (activeForm == this) {
    TCustomForm* back = PopupParent();
    SetActiveForm(back && back->Showing() ? back : nullptr);
  }
  OnHide(this);
  BroadcastShowingChanged();
}

std::function<void(TCustomForm& Form)> TCustomForm::OnAnyModalShow;

TModalResult TCustomForm::ShowModal() {
  if (modal_ || shown_) throw rtl::EInvalidOperation("Cannot make a visible window modal");
  modal_ = true;
  modalResult_ = mrNone;
  // The form that was active gets the activation back when the modal one hides, as long
  // as it still exists, shows and nothing else took the activation meanwhile.
  // The forms showing now are held until the run ends (those freed meanwhile are left alone).
  struct TEnd {
    TCustomForm* Form;
    TCustomForm* Before;
    std::vector<TCustomForm*> Held;
    ~TEnd() {
      Form->Hide();
      Form->modal_ = false;
      std::erase(modalForms, Form);
      for (TCustomForm* f : Held)
        if (IsLive(f)) --f->modalHeld_;
      if (Before && Before != Form && !activeForm && IsLive(Before) && Before->Showing()) SetActiveForm(Before);
    }
  } end{this, activeForm, {}};
  for (TCustomForm* f : liveForms)
    if (f != this && f->Showing()) {
      ++f->modalHeld_;
      f->SetCaptureControl(nullptr);
      f->SetMouseControl(nullptr);
      end.Held.push_back(f);
    }
  modalForms.push_back(this);
  // The window belongs to the one it was opened from, and stays above it.
  modalOwner_ = activeForm;
  Show();
  modalOwner_ = nullptr;
  if (OnAnyModalShow) {
    const auto hook = OnAnyModalShow;
    hook(*this);
  }
  rtl::Application->RunUntil([this] {
    if (!shown_) return true;
    if (modalResult_ == mrNone) return false;
    try {
      if (CloseQuery()) {
        TCloseAction action = caHide;
        DoClose(action);
        if (action == caNone) modalResult_ = mrNone;
        else if (action == caFree) Release();
      } else {
        modalResult_ = mrNone;
      }
    } catch (...) {
      rtl::Application->HandleException(this);
      modalResult_ = mrNone;
    }
    return modalResult_ != mrNone;
  });
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  return modalResult_;
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action) { OnClose(this, Action); }

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      return;  // still there to be used: the program goes on
    case caFree:
      Release();
      break;
    default:
      return;
  }
  // The program ends with its main form, as its user expects of the close button (and the
  // system of SIGTERM): the loop would otherwise run on with no window to show.
  if (mainForm == this) rtl::Application->Terminate();
}

void TCustomForm::Release() { rtl::Application->ReleaseComponent(this); }

void TCustomForm::HandleCloseRequest() { Close(); }

LRESULT TCustomForm::WndProc(MSG& Message) {
  if (Message.message == rtl::WM_CLOSE) {
    Close();
    return 0;
  }
  if (Message.message == WM_NCACTIVATE) {
    captionActive_ = Message.wParam != 0;
    return 1;
  }
  if (Message.message == WM_MOUSEACTIVATE && noActivate_) return MA_NOACTIVATE;
  return TWinControl::WndProc(Message);
}

// ---- activation -------------------------------------------------------------------------------

bool TCustomForm::Active() const { return activeForm == this; }

TCustomForm* TCustomForm::WindowOwner() const {
  for (TCustomForm* f : {PopupParent(), modalOwner_, mainForm})
    if (f && f != this && f->Showing()) return f;
  return nullptr;
}

TCustomForm* ActiveForm() { return activeForm; }

TCustomForm* MainForm() { return mainForm; }

void MinimizeApplication() {
  applicationMinimized = true;
  for (TCustomForm* f : liveForms)
    if (f->Showing() && f->WindowState() != wsMinimized) {
      f->minimizedByApplication_ = true;
      f->SetWindowState(wsMinimized);
    }
}

void RestoreApplication() {
  if (!applicationMinimized) return;
  applicationMinimized = false;
  // A form's handlers may make or free forms: the list is walked over a copy, and each is
  // looked for again.
  const std::vector<TCustomForm*> forms = liveForms;
  for (TCustomForm* f : forms)
    if (std::find(liveForms.begin(), liveForms.end(), f) != liveForms.end() && f->minimizedByApplication_) {
      f->minimizedByApplication_ = false;
      f->SetWindowState(wsNormal);
    }
}

bool ApplicationMinimized() { return applicationMinimized; }

void SetMainForm(TCustomForm* Form) { mainForm = Form; }

void HandleQuitRequest() {
  if (mainForm) mainForm->HandleCloseRequest();
  else rtl::Application->Terminate();
}

void SetActiveForm(TCustomForm* Form, bool ByClick) {
  // A form a modal form holds is never active: the modal form is.
  if (Form && Form->HeldByModal()) {
    Form = RunningModalForm();
    if (!Form) return;
  }
  if (Form == activeForm || (Form && (!Form->Showing() || Form->NoActivate()))) return;
  // The keyboard moved: the text input follows it, whatever the handlers below do.
  struct TFollow {
    ~TFollow() { UpdateTextInput(); }
  } follow;
  TCustomForm* old = activeForm;
  activeForm = Form;
  const HWND newHandle = Form ? Form->Handle() : 0;
  const HWND oldHandle = old && old->HandleAllocated() ? old->Handle() : 0;
  if (old) {
    old->Perform(WM_NCACTIVATE, 0, 0);
    old->Perform(WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(newHandle));
  }
  // The old form's handlers may have moved the activation on, or freed the new form.
  if (!Form || activeForm != Form) return;
  Form->Perform(WM_NCACTIVATE, 1, 0);
  Form->Perform(WM_ACTIVATE, ByClick ? WA_CLICKACTIVE : WA_ACTIVE, static_cast<LPARAM>(oldHandle));
}

void StackFormAbove(TCustomForm* Form, TCustomForm* Lower) {
  if (!Form || !Lower || Form == Lower || !Form->Showing() || !Lower->Showing()) return;
  StackFormWindowAbove(Form->Window(), Lower->Window());
}

TCustomForm* FormOfHandle(HWND Wnd) {
  if (!Wnd) return nullptr;
  for (TCustomForm* f : liveForms)
    if (f->HandleAllocated() && f->Handle() == Wnd) return f;
  return nullptr;
}

unsigned CurrentMousePress() { return currentPress; }

TCustomForm* ModalOwnerForm(rtl::TComponent* Component) {
  for (rtl::TComponent* c = Component; c; c = c->Owner())
    if (auto* f = dynamic_cast<TCustomForm*>(c); f && f->Modal()) return f;
  return nullptr;
}

TCustomForm* OwnerForm(rtl::TComponent* Component) {
  for (rtl::TComponent* c = Component; c; c = c->Owner())
    if (auto* f = dynamic_cast<TCustomForm*>(c)) return f;
  return nullptr;
}

// ---- focus, capture, hover --------------------------------------------------------------------

void TCustomForm::SetActiveControl(TWinControl* Value) {
  if (Value == activeControl_) return;
  TWinControl* old = activeControl_;
  activeControl_ = Value;
  if (old) old->Perform(WM_KILLFOCUS, 0, 0);
  if (Value && activeControl_ == Value) Value->Perform(WM_SETFOCUS, 0, 0);
  UpdateTextInput();
}

void TCustomForm::SetCaptureControl(TControl* Value) {
  if (Value == captureControl_) return;
  // The window system keeps a pressed pointer for the window it was pressed in until the last
  // button is up (X's implicit grab), as Windows keeps a capture: the capture here only says
  // which control gets the events.
  captureControl_ = Value;
  UpdateCursor();
}

void TCustomForm::SetMouseControl(TControl* Value) {
  if (Value == mouseControl_) return;
  TControl* old = mouseControl_;
  mouseControl_ = Value;
  if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
  if (Value && mouseControl_ == Value) Value->Perform(CM_MOUSEENTER, 0, 0);
  UpdateCursor();
}

void TCustomForm::UpdateCursor() {
  const TControl* c = captureControl_ ? captureControl_ : mouseControl_;
  currentCursor_ = c ? c->Cursor() : crDefault;
  if (shown_) ShowCursor(currentCursor_);
}

void TCustomForm::Forget(TControl* Control) {
  if (IsWithin(captureControl_, Control)) SetCaptureControl(nullptr);
  if (IsWithin(mouseControl_, Control)) mouseControl_ = nullptr;
  if (IsWithin(activeControl_, Control)) activeControl_ = nullptr;
  if (IsWithin(dragControl_, Control)) dragControl_ = nullptr;
  if (IsWithin(dragTarget_, Control)) dragTarget_ = nullptr;
  ForgetHintControl(Control);
  std::erase_if(dropTargets_, [&](const auto& e) { return IsWithin(e.first, Control); });
}

// ---- input ------------------------------------------------------------------------------------

WPARAM TCustomForm::MouseKeys() const {
  WPARAM k = 0;
  if (buttons_ & 1) k |= MK_LBUTTON;
  if (buttons_ & 2) k |= MK_RBUTTON;
  if (buttons_ & 4) k |= MK_MBUTTON;
  const rtl::TShiftState s = KeyboardShiftState();
  if (s.Contains(rtl::ssShift)) k |= MK_SHIFT;
  if (s.Contains(rtl::ssCtrl)) k |= MK_CONTROL;
  return k;
}

void TCustomForm::SendMouse(UINT Msg, WPARAM Keys, int X, int Y) {
  TControl* c = captureControl_ ? captureControl_ : ControlAtPos({X, Y});
  if (!c) return;
  const TPoint p = c->ScreenToClient(ClientToScreen({X, Y}));
  c->Perform(Msg, Keys, MakePointParam(p.X, p.Y));
}

void TCustomForm::HandleMouseMove(int X, int Y) {
  lastMouse_ = {X, Y};
  if (HeldByModal()) return;
  SetMouseControl(ControlAtPos({X, Y}));
  if (dragControl_) {
    DragMove(X, Y);
    return;
  }
  SendMouse(WM_MOUSEMOVE, MouseKeys(), X, Y);
  // Hints follow the resting pointer, not a press being dragged.
  if (buttons_ == 0 && shown_) HintMouseMove(mouseControl_, ClientToScreen({X, Y}));
}

void TCustomForm::HandleMouseButton(rtl::TMouseButton Button, bool Down, int Clicks, int X, int Y) {
  lastMouse_ = {X, Y};
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << static_cast<unsigned>(Button));
  static constexpr UINT downMsg[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  const UINT base = downMsg[static_cast<int>(Button)];
  if (HeldByModal()) {
    // Nothing here hears it; a press brings the modal form forward, a release ends what a
    // press begun before the modal form opened kept.
    if (Down) {
      if (TCustomForm* modal = RunningModalForm()) modal->Show();
    } else {
      buttons_ &= static_cast<std::uint8_t>(~bit);
      if (buttons_ == 0) SetCaptureControl(nullptr);
    }
    return;
  }
  if (Down) {
    CancelHint();
    buttons_ |= bit;
    struct TPress {
      unsigned Saved = currentPress;
      TPress() { currentPress = ++pressSerial ? pressSerial : ++pressSerial; }
      ~TPress() { currentPress = Saved; }
    } press;
    bool eaten = false;
    if (activeForm != this && shown_) {
      const LRESULT answer = Perform(WM_MOUSEACTIVATE, 0, 0);
      if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT) SetActiveForm(this, true);
      eaten = answer == MA_ACTIVATEANDEAT || answer == MA_NOACTIVATEANDEAT;
    }
    if (activeForm == this) KeyboardFocusOnPress(this);
    if (eaten) return;
    TControl* c = captureControl_ ? captureControl_ : ControlAtPos({X, Y});
    if (!c) return;
    if (Button == rtl::mbLeft)
      if (auto* w = dynamic_cast<TWinControl*>(c); w && w != this && w->CanFocus()) w->SetFocus();
    if (c->ControlStyle().Contains(csCaptureMouse)) SetCaptureControl(c);
    const bool dbl = Clicks >= 2 && Clicks % 2 == 0 && c->ControlStyle().Contains(csDoubleClicks);
    SendMouse(dbl ? base + 2 : base, MouseKeys(), X, Y);
    return;
  }
  buttons_ &= static_cast<std::uint8_t>(~bit);
  if (dragControl_) {
    DragFinish(true, X, Y);
    return;
  }
  SendMouse(base + 1, MouseKeys(), X, Y);
  if (buttons_ == 0 && captureControl_ && captureControl_->ControlStyle().Contains(csCaptureMouse))
    SetCaptureControl(nullptr);
}

void TCustomForm::HandleMouseWheel(int Delta) {
  CancelHint();
  if (HeldByModal()) return;
  TControl* c = captureControl_ ? captureControl_ : ControlAtPos(lastMouse_);
  if (!c) return;
  const WPARAM w = (static_cast<WPARAM>(static_cast<std::uint16_t>(Delta)) << 16) | MouseKeys();
  const TPoint s = ClientToScreen(lastMouse_);
  // Unused turns go to the parents.
  for (TControl* t = c; t; t = t->Parent())
    if (t->Perform(WM_MOUSEWHEEL, w, MakePointParam(s.X, s.Y))) break;
}

void TCustomForm::HandleMouseLeave() {
  CancelHint();
  if (!captureControl_) SetMouseControl(nullptr);
}

void TCustomForm::HandleKey(std::uint16_t VirtualKey, bool Down, char16_t Typed) {
  if (Down) CancelHint();
  if (HeldByModal()) {
    // A window manager may have given a held form's window the keyboard: the keys are the
    // modal form's.
    if (TCustomForm* modal = RunningModalForm()) modal->HandleKey(VirtualKey, Down, Typed);
    return;
  }
  const rtl::TShiftState shift = KeyboardShiftState();
  if (keyPreview_) {
    (Down ? OnKeyDown : OnKeyUp)(this, VirtualKey, shift);
    if (VirtualKey == 0) return;
  }
  TWinControl* target = activeControl_ ? activeControl_ : this;
  const bool alt = shift.Contains(rtl::ssAlt);
  if (Down && VirtualKey == VK_TAB && !shift.Contains(rtl::ssCtrl) && !alt &&
      !(target->Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTTAB)) {
    SelectNext(!shift.Contains(rtl::ssShift));
    return;
  }
  const bool sys = alt && !shift.Contains(rtl::ssCtrl);
  const UINT msg = Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  target->Perform(msg, VirtualKey, alt ? KF_ALTDOWN : 0);
  if (!Down || sys) return;
  if (const char16_t ch = ControlCharOf(VirtualKey, shift)) HandleChar(ch);
  else if (Typed) HandleChar(Typed);
}

void TCustomForm::HandleChar(char16_t Ch) {
  if (HeldByModal()) {
    if (TCustomForm* modal = RunningModalForm()) modal->HandleChar(Ch);
    return;
  }
  TWinControl* target = activeControl_ ? activeControl_ : this;
  target->Perform(WM_CHAR, Ch, 0);
}

void TCustomForm::SelectNext(bool Forward) {
  std::vector<TWinControl*> list;
  std::function<void(TWinControl*)> collect = [&](TWinControl* w) {
    for (int i = 0; i < w->ControlCount(); ++i)
      if (auto* c = dynamic_cast<TWinControl*>(w->Controls(i))) {
        if (c->TabStop() && c->CanFocus()) list.push_back(c);
        collect(c);
      }
  };
  collect(this);
  if (list.empty()) return;
  const auto at = std::find(list.begin(), list.end(), activeControl_);
  const int n = static_cast<int>(list.size());
  int i = at == list.end() ? (Forward ? 0 : n - 1)
                           : ((static_cast<int>(at - list.begin()) + (Forward ? 1 : -1)) % n + n) % n;
  list[static_cast<size_t>(i)]->SetFocus();
}

// ---- drops from other programs ----------------------------------------------------------------

void RegisterDragDrop(TWinControl* Control, IDropTarget* Target) {
  TCustomForm* f = GetParentForm(Control);
  if (!f || !Target) return;
  RevokeDragDrop(Control);
  f->dropTargets_.emplace_back(Control, Target);
}

void RevokeDragDrop(TWinControl* Control) {
  if (TCustomForm* f = GetParentForm(Control))
    std::erase_if(f->dropTargets_, [&](const auto& e) { return e.first == Control; });
}

void TCustomForm::HandleDrop(const TDropData& Data, int X, int Y) {
  if (HeldByModal()) return;
  for (TControl* c = ControlAtPos({X, Y}); c; c = c->Parent()) {
    const auto it = std::find_if(dropTargets_.begin(), dropTargets_.end(),
                                 [&](const auto& e) { return e.first == c; });
    if (it == dropTargets_.end()) continue;
    IDropTarget* t = it->second;
    const TPoint s = ClientToScreen({X, Y});
    const rtl::TShiftState keys = KeyboardShiftState();
    std::int32_t effect = DROPEFFECT_COPY;
    if (t->DragEnter(Data, keys, s, effect) != S_OK) return;
    effect = DROPEFFECT_COPY;
    t->DragOver(keys, s, effect);
    effect = DROPEFFECT_COPY;
    t->Drop(Data, keys, s, effect);
    return;
  }
}

// ---- the class library's control drag ---------------------------------------------------------

namespace {
constexpr int dsDragEnter = 0, dsDragLeave = 1, dsDragMove = 2;

// The control at the point or its nearest parent that listens for drags.
TControl* DragListener(TControl* C) {
  while (C && !C->OnDragOver) C = C->Parent();
  return C;
}
}  // namespace

void TCustomForm::DragMove(int X, int Y) {
  TControl* source = dragControl_;
  TControl* c = DragListener(ControlAtPos({X, Y}));
  if (dragTarget_ && dragTarget_ != c) {
    TControl* old = dragTarget_;
    dragTarget_ = nullptr;
    bool accept = false;
    const TPoint p = old->ScreenToClient(ClientToScreen({X, Y}));
    old->OnDragOver(old, source, p.X, p.Y, dsDragLeave, accept);
  }
  if (!c || !dragControl_) return;
  bool accept = false;
  const TPoint p = c->ScreenToClient(ClientToScreen({X, Y}));
  c->OnDragOver(c, source, p.X, p.Y, dragTarget_ == c ? dsDragMove : dsDragEnter, accept);
  dragTarget_ = accept ? c : nullptr;
  if (dragControl_) {
    currentCursor_ = accept ? crDrag : crNoDrop;
    if (shown_) ShowCursor(currentCursor_);
  }
}

void TCustomForm::DragFinish(bool Drop, int X, int Y) {
  TControl* source = dragControl_;
  TControl* target = Drop ? dragTarget_ : nullptr;
  dragControl_ = nullptr;
  dragTarget_ = nullptr;
  SetCaptureControl(nullptr);
  if (target) {
    const TPoint p = target->ScreenToClient(ClientToScreen({X, Y}));
    target->OnDragDrop(target, source, p.X, p.Y);
  }
  if (source) source->OnEndDrag(source, target, X, Y);
  UpdateCursor();
}

// ---- the window system's moves and sizes --------------------------------------------------------

// The window system tells the place and the size of a change one at a time (a restore from
// maximised brings both): the half it has not told yet is not given back to the window, or the
// window would go back to where or how large it was. Only what the form's limits change of the
// half it tells goes back.
void TCustomForm::HandleMoved(int ALeft, int ATop) {
  TakeBounds(ALeft, ATop, Width(), Height());
  if (Left() == ALeft && Top() == ATop) return;
  if (SDL_Window* w = LiveWindow()) SDL_SetWindowPosition(w, Left(), Top());
}

}  // namespace win
