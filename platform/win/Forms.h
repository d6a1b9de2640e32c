// Forms: top-level windows on the display, with the class library's showing, closing and
// modal rules, the frame buffer their controls paint into, and the input they hand out to
// their controls as Windows messages.
//
// The frame: the form keeps one premultiplied 32-bit ARGB frame of its client size.
// Controls copy finished pixels into it (TWinControl::GetDC) and present the rectangles
// they changed; a layered form keeps none and is handed the changed rectangles of its
// scene's frame (UpdateLayered). Where the display cannot show per-pixel alpha (always,
// here), each presented rectangle is composed over the form's Color, and that composed
// frame is what reaches the window and what tests read (PresentedFrame). Only presented
// rectangles are composed and handed to the display.
//
// Input: the display hands every mouse, key, text and drop event to the form of its
// window. The form finds the control under the mouse (or the one that captured it), sends
// it the mouse message with client coordinates, tracks which control the mouse is over
// (CM_MOUSEENTER, CM_MOUSELEAVE), and sends key and character messages to its active
// control. Keys become WM_KEYDOWN/WM_KEYUP with virtual-key codes; characters become
// WM_CHAR UTF-16 units, Ctrl+letter chords included as control codes (Ctrl+A is 1).
//
// Activation: one form at a time is the active one. Showing a form (Show), giving the
// focus to a control of a shown form, a press in a form (unless the form answers
// WM_MOUSEACTIVATE with MA_NOACTIVATE) and the window system's focus make a form active.
// The form that loses the activation gets WM_NCACTIVATE (0) and WM_ACTIVATE (WA_INACTIVE,
// lParam the handle of the form that gains it, 0 for none), then the new one gets
// WM_NCACTIVATE (1) and WM_ACTIVATE (WA_ACTIVE or WA_CLICKACTIVE, lParam the old one's
// handle). A form with a popup parent (a popup window) takes the keys that arrive for its
// parent's window while it is active, and hands the activation back to that parent when
// it hides.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Controls.h"

struct SDL_Window;

namespace win {

RTL_ENUM(TFormBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin);
RTL_ENUM(TFormStyle, fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop);
RTL_ENUM(TWindowState, wsNormal, wsMinimized, wsMaximized);
RTL_ENUM(TCloseAction, caNone, caHide, caFree, caMinimize);
RTL_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize);
using TBorderIcons = rtl::TSet<TBorderIcon>;
// Where showing puts a form: where its bounds say, or centred on the screen's work area.
RTL_ENUM(TPosition, poDesigned, poScreenCenter);

using TCloseEvent = rtl::TEvent<void(rtl::TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = rtl::TEvent<void(rtl::TObject* Sender, bool& CanClose)>;
// A key of the form's key preview: a handler that sets Key to 0 keeps it from the control.
using TKeyEvent = rtl::TEvent<void(rtl::TObject* Sender, std::uint16_t& Key, rtl::TShiftState Shift)>;

// What an OLE-style drop carries: the dropped file names, else a text.
struct TDropData {
  std::vector<std::u16string> Files;
  std::u16string Text;
  bool HasFiles() const { return !Files.empty(); }
};
// The answers of a drop target, as the shell's interface gives them.
using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr std::int32_t DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4;

// A windowed control that accepts drops from other programs registers one of these
// (RegisterDragDrop). Points are in screen coordinates.
class IDropTarget {
public:
  virtual HRESULT DragEnter(const TDropData& Data, rtl::TShiftState Keys, const TPoint& Pt, std::int32_t& Effect) = 0;
  virtual HRESULT DragOver(rtl::TShiftState Keys, const TPoint& Pt, std::int32_t& Effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(const TDropData& Data, rtl::TShiftState Keys, const TPoint& Pt, std::int32_t& Effect) = 0;

protected:
  ~IDropTarget() = default;
};
void RegisterDragDrop(TWinControl* Control, IDropTarget* Target);
void RevokeDragDrop(TWinControl* Control);

class TCustomForm : public TWinControl {
  RTL_CLASS(TCustomForm, TWinControl)
public:
  explicit TCustomForm(rtl::TComponent* AOwner);
  ~TCustomForm() override;
  void BeforeDestruction() override;
  // Streams write the form's components that nest in no parent, then its child controls.
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  // Updates the actions of the visible action clients among its shown controls. The loop's
  // idle time calls it for every shown form, unless no action link is bound.
  void UpdateActions();

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Value);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle Value);
  // The buttons of the window's border: the system menu (which closes the window), minimise and
  // maximise; all three by default. A window manager is told which of them the border has and
  // which of the actions they stand for it offers (moving, and resizing a sizeable window, besides).
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons Value);
  // A form that never takes the activation nor the keyboard (a busy sign): Show shows it as
  // ShowNoActivate does, a press in it activates nothing and moves no keyboard focus, the window
  // system's focus never makes it active, and a window manager is told that its window takes no
  // input and is not to be focused.
  bool NoActivate() const { return noActivate_; }
  void SetNoActivate(bool Value);
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState Value);
  // The colour (opaque ARGB) the frame is composed over.
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t Value);
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }
  // With KeyPreview, every key pressed or released in the form (Tab included) goes to
  // OnKeyDown or OnKeyUp before the active control has it; a handler that sets Key to 0
  // keeps it (and the control code it would make) from the control.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool Value) { keyPreview_ = Value; }
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;

  // ---- showing and closing --------------------------------------------------------------------
  // poScreenCenter: each time the form shows, it is centred on the screen's work area (its
  // top-left kept on the area when it is larger). poDesigned (the default) leaves it where
  // its bounds put it.
  TPosition Position() const { return position_; }
  void SetPosition(TPosition Value) { position_ = Value; }
  // Shows the form and activates it; on a form that shows already, brings its window to the
  // front and activates it. A window that another client destroyed is made anew as the form
  // shows (again), in the form's bounds and with its caption and styles.
  void Show();
  // Shows the window without taking the activation (popups).
  void ShowNoActivate();
  void Hide();
  bool Showing() const override { return shown_; }
  // Shows the form and runs a nested modal loop until ModalResult is set (and the close is
  // allowed) or the application terminates; hides the form, hands the activation back to
  // the form that had it (when that one still shows) and answers ModalResult (mrCancel
  // when the application terminated).
  // While it runs, the forms that showed when it opened are held, as Windows disables them: they
  // take no press, key, wheel or drop (a press brings the modal form forward, keys arriving for
  // their windows go to it), never become active, and end a press and a hover they had. Forms
  // shown later take their input as usual.
  TModalResult ShowModal();
  // Runs with every modal form once it shows, just before its modal loop (for callers that
  // drive forms opened deep inside others' handlers, such as tests and fuzz targets).
  static std::function<void(TCustomForm& Form)> OnAnyModalShow;
  bool Modal() const { return modal_; }
  // True while a modal form holds this one (see ShowModal).
  bool HeldByModal() const { return modalHeld_ > 0; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult Value) { modalResult_ = Value; }
  // A modal form gets mrCancel; another asks OnCloseQuery and then does what OnClose
  // leaves in Action (hide, free through Release, minimise, nothing). The program's main
  // form (MainForm) hidden or freed so ends the application (Terminate): its Run returns.
  // A main form that must stay for a while (it waits for work of its own to end) leaves
  // caNone, hiding itself where it should no longer be seen, and ends the application later.
  void Close();
  // Asks OnCloseQuery; true when the form may close.
  virtual bool CloseQuery();
  // Frees the form once the loop is back at its outermost level.
  void Release();
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  rtl::TNotifyEvent OnShow;
  rtl::TNotifyEvent OnHide;

  // ---- activation -------------------------------------------------------------------------------
  bool Active() const;
  // Whether the caption shows the active look (the last WM_NCACTIVATE).
  bool CaptionActive() const { return captionActive_; }
  // The form a popup window stands in for: it takes that form's keys while active and
  // gives the activation back to it when it hides. Nil for other forms.
  virtual TCustomForm* PopupParent() const { return nullptr; }
  // The form whose window this one belongs to, which the window system keeps it above: the popup
  // parent, else for a modal form the form that was active when it opened, else the main form;
  // the first of them that shows. Nil for the main form and when none of them shows.
  TCustomForm* WindowOwner() const;

  // The focused windowed control (the form itself when none).
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* Value);

  // ---- the frame ------------------------------------------------------------------------------
  // Client-size premultiplied ARGB pixels, rows without padding (nil before the window is
  // made). A layered form keeps none until a control asks for them.
  std::uint32_t* FrameBits();
  bool HasFrame() const { return !frame_.empty(); }
  // Composes the given client rectangles over Color and shows them (a layered form shows
  // again what it composed last).
  void Present(const std::vector<TRect>& Rects);
  // Shows the whole client again (the window was shown or exposed): the frame composed anew,
  // or on a layered form what it composed last, which holds its layered picture.
  void ShowAgain();
  // The layered window's update: the rectangles Rects (all of it without them) of the
  // Width x Height picture at Bits (rows of Stride pixels) are composed over Color and shown
  // where the picture lies: (ScreenX, ScreenY) is its top-left counted as Left and Top are,
  // so it goes to (ScreenX - Left, ScreenY - Top) of the client, and what falls outside the
  // client is left out. The window stays where it is. The form keeps no copy of the picture:
  // when it needs one again (a new Color) it asks its controls to paint.
  void UpdateLayered(const std::uint32_t* Bits, int AWidth, int AHeight, int Stride, int ScreenX, int ScreenY);
  void UpdateLayered(const std::uint32_t* Bits, int AWidth, int AHeight, int Stride, int ScreenX, int ScreenY,
                     const std::vector<TRect>& Rects);
  bool Layered() const { return layered_; }
  // A layered form lets its frame go; one that stops being layered gets a new one and its
  // controls paint into it.
  void SetLayered(bool Value);
  // The composed frame as last presented (opaque ARGB, client size): the window's own pixels
  // where the display lets the form compose into them, else a frame of the form's.
  std::vector<std::uint32_t> PresentedFrame() const;
  std::uint32_t PresentedPixel(int X, int Y) const;
  // How many times rectangles were presented.
  int PresentCount() const { return presentCount_; }

  // ---- input, as the display hands it over ----------------------------------------------------
  // Mouse at a client point; Button -1 for a move; Clicks 2 (or any even count) for the
  // second press of a double click.
  void HandleMouseMove(int X, int Y);
  void HandleMouseButton(rtl::TMouseButton Button, bool Down, int Clicks, int X, int Y);
  void HandleMouseWheel(int Delta);
  void HandleMouseLeave();
  // A key going down or up (virtual-key code); characters come separately.
  // A key going down or up; Typed (going down only) is the character the key types when no
  // text event will bring it (TypedCharOf), sent after the key's WM_KEYDOWN as WM_CHAR.
  void HandleKey(std::uint16_t VirtualKey, bool Down, char16_t Typed = 0);
  void HandleChar(char16_t Ch);
  void HandleDrop(const TDropData& Data, int X, int Y);
  // The window's close button.
  void HandleCloseRequest();
  // The window was moved or resized by the window system: the form takes the place or the size
  // it tells (held to the form's limits) and leaves the other as it has it until told.
  void HandleMoved(int ALeft, int ATop);
  void HandleResized(int AWidth, int AHeight);

  // The control the mouse is over, and the one holding the capture.
  TControl* MouseControl() const { return mouseControl_; }
  TControl* CaptureControl() const { return captureControl_; }
  // The cursor the form shows now.
  TCursor CurrentCursor() const { return currentCursor_; }
  void UpdateCursor();

  // A form's size is kept within 1 .. MaxFormSize and its position within -MaxFormPosition
  // .. MaxFormPosition (bounds from a stream or a window manager beyond them are brought in),
  // so every window can be made and its frame stays bounded.
  static constexpr int MaxFormSize = 8192;
  static constexpr int MaxFormPosition = 32767;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // The smallest client size the form keeps to (the class library's Constraints, MinWidth
  // and MinHeight; 0 for none): SetBounds brings a smaller size up to it, and the window
  // system is told, so that its resizes keep to it as well.
  int MinWidth() const { return minWidth_; }
  int MinHeight() const { return minHeight_; }
  void SetMinSize(int AMinWidth, int AMinHeight);
  SDL_Window* Window() const { return window_; }
  LRESULT WndProc(MSG& Message) override;

protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  virtual void DoClose(TCloseAction& Action);

private:
  friend class TControl;
  friend class TWinControl;
  friend void RegisterDragDrop(TWinControl*, IDropTarget*);
  friend void RevokeDragDrop(TWinControl*);
  void ShowWindow(bool Activate);
  // The bounds held to the form's limits, the window left as it is.
  void TakeBounds(int ALeft, int ATop, int AWidth, int AHeight);
  // Makes the window (CreateWnd), and makes it anew in place of one that another client destroyed.
  void MakeWindow();
  void RenewWindow();
  // The window, when the display may be asked about it (not destroyed by another client as far
  // as the display knows, the display's connection holding); nil otherwise.
  SDL_Window* LiveWindow() const;
  void SetCaptureControl(TControl* Value);
  void SetMouseControl(TControl* Value);
  void SendMouse(UINT Msg, WPARAM Keys, int X, int Y);
  WPARAM MouseKeys() const;
  void ResizeFrame();
  // Takes the pixels of R (client coordinates) out of the frame and shows the form's colour
  // there; nothing while the frame is about to be made anew.
  void ClearFrame(const TRect& R);
  // The composed frame's pixels (rows of windowStride_), taken from the window when it can
  // be; nil for an empty client. New window pixels show Color and, with Repaint, the
  // controls are asked to paint again.
  std::uint32_t* ComposedTarget(bool Repaint = true);
  void ForgetComposed();
  void InvalidateControls();
  std::vector<TRect> ClipRects(const std::vector<TRect>& Rects, const TRect& Bounds) const;
  void ShowComposed(const std::vector<TRect>& Rects);
  void SelectNext(bool Forward);
  void Forget(TControl* Control);
  void DragMove(int X, int Y);
  void DragFinish(bool Drop, int X, int Y);

  std::string caption_;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
  bool noActivate_ = false;
  TWindowState windowState_ = wsNormal;
  TPosition position_ = poDesigned;
  int minWidth_ = 0, minHeight_ = 0;
  std::uint32_t color_ = 0xFFF0F0F0u;
  bool shown_ = false;
  bool modal_ = false;
  TCustomForm* modalOwner_ = nullptr;  // the form active when ShowModal showed this one, during its Show
  int modalHeld_ = 0;                  // the modal runs that hold this form
  TModalResult modalResult_ = mrNone;
  TWinControl* activeControl_ = nullptr;
  TControl* mouseControl_ = nullptr;
  TControl* captureControl_ = nullptr;
  TControl* dragControl_ = nullptr;  // the control being dragged by BeginDrag
  TControl* dragTarget_ = nullptr;   // the control under it that accepts
  TCursor currentCursor_ = crDefault;
  std::uint8_t buttons_ = 0;  // mouse buttons held: bit per TMouseButton
  TPoint lastMouse_{};
  bool layered_ = false;
  std::vector<std::uint32_t> frame_;
  std::vector<std::uint32_t> composed_;  // only where the window's pixels cannot be used
  std::uint32_t* windowBits_ = nullptr;
  int windowStride_ = 0;
  int composedWidth_ = 0, composedHeight_ = 0;
  int presentCount_ = 0;
  SDL_Window* window_ = nullptr;
  std::vector<std::pair<TWinControl*, IDropTarget*>> dropTargets_;
  bool captionActive_ = false;
  bool keyPreview_ = false;
  bool minimizedByApplication_ = false;
  friend void MinimizeApplication();
  friend void RestoreApplication();
};

class TForm : public TCustomForm {
  RTL_CLASS(TForm, TCustomForm)
public:
  explicit TForm(rtl::TComponent* AOwner) : TCustomForm(AOwner) {}
};

// The program's main form, nil until set and again once that form is freed. Closing it
// ends the application (see TCustomForm::Close). A request of the system to end the program
// (SIGTERM, SIGINT) closes it as the user's close would, so also ends the application unless
// the form refuses or defers its close; a program without one is terminated.
TCustomForm* MainForm();
void SetMainForm(TCustomForm* Form);
// What the display does with the system's request to end the program.
void HandleQuitRequest();

// Minimises every shown form of the program at once, as the class library's application
// does; ApplicationMinimized holds until RestoreApplication shows them again. When the
// window system brings one of them back (the task bar), all of them come back with it.
void MinimizeApplication();
void RestoreApplication();
bool ApplicationMinimized();

// The active form, nil when none of the program's forms is active.
TCustomForm* ActiveForm();
// Moves the activation to Form (nil: away from every form of the program; a form that is
// not shown, or never activates (NoActivate), cannot take it). ByClick tells a press from
// other causes (WA_CLICKACTIVE).
void SetActiveForm(TCustomForm* Form, bool ByClick = false);
// Puts Form's window right above Lower's in the stacking order, activating neither (as
// SetWindowPos with SWP_NOACTIVATE does); nothing unless both show. A window manager keeps to
// its own rules: a stay-on-top window stays above one that is not.
void StackFormAbove(TCustomForm* Form, TCustomForm* Lower);
// The form whose handle Wnd is; nil for any other handle.
TCustomForm* FormOfHandle(HWND Wnd);
// A serial number of the mouse press the forms are handling now (activation and the
// control's messages); 0 outside a press. Code that closes something on a press can tell
// the press that opens it again from a later one.
unsigned CurrentMousePress();

// The first form shown modally among Component and its owners, nil when none.
TCustomForm* ModalOwnerForm(rtl::TComponent* Component);
// The innermost modal form that runs and shows, nil when none.
TCustomForm* RunningModalForm();
// The first form among Component and its owners, nil when none.
TCustomForm* OwnerForm(rtl::TComponent* Component);

}  // namespace win
