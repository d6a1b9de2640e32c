// Hints: the small window that names what lies under the resting pointer.
//
// The forms tell the hint machinery of every mouse move, press, wheel turn and key. When
// the pointer rests over a control whose ShowHint is set for the application's hint pause,
// the control is asked with CM_HINTSHOW (lParam: a THintInfo) for the text and for the
// rectangle in which the hint holds; an answer of 0 with a text shows the hint window
// under the pointer, kept on the work area of the screen it is on. The hint hides after
// the application's hide pause, when the pointer leaves the rectangle or the control, on a
// press, a wheel turn or a key, and when the mouse leaves the window. Once a hint showed,
// the next control or rectangle is asked after the short pause only, so moving along
// objects with hints shows one after the other at once.
//
// A control that hands out hints for the objects inside it puts the object into HintData;
// when that object goes it calls CancelHintFor, which closes the hint without ever
// following the pointer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/Forms.h"

namespace win {

// What CM_HINTSHOW asks and the control answers. Points and rectangles in the control's
// client coordinates, but HintPos, which is on the screen.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint CursorPos;         // the pointer
  TRect CursorRect;         // the hint holds while the pointer stays inside (the client rectangle)
  TPoint HintPos;           // the window's top-left corner (under the pointer)
  int HintMaxWidth = 0;     // the widest the window may be (the work area's width)
  int HideTimeout = 0;      // ms until the hint hides (the application's hide pause; 0: it stays)
  std::u16string HintStr;   // the text (the control's Hint); empty: no hint
  const void* HintData = nullptr;  // what the hint names, for CancelHintFor; never followed
};

// The hint window: borderless, top-most, never activated, drawn in the Hud look (a dark
// translucent face with a thin light edge, white Tahoma text).
class THintWindow : public TCustomForm {
  RTL_CLASS(THintWindow, TCustomForm)
public:
  explicit THintWindow(rtl::TComponent* AOwner);

  // The text's size in the window, at most MaxWidth wide (longer lines wrap), padding
  // included; the rectangle starts at (0, 0).
  TRect CalcHintRect(int MaxWidth, const std::u16string& Text);
  // Shows Text in the window placed at the screen rectangle Rect, without activating it.
  void ActivateHint(const TRect& Rect, const std::u16string& Text);
  const std::u16string& Text() const { return text_; }

  // The text's font size and the padding around the text.
  static constexpr float FontSize = 12;
  static constexpr int PaddingX = 6, PaddingY = 4;

  LRESULT WndProc(MSG& Message) override;

protected:
  void PaintHandler() override;

private:
  void PaintFrame();
  std::u16string text_;
};

// How far under the pointer's hot spot the hint window goes.
constexpr int HintCursorMargin = 20;

// ---- what the forms report ----------------------------------------------------------------------
// The pointer moved to the screen point Screen over Control (nil: over none of ours).
void HintMouseMove(TControl* Control, const TPoint& Screen);
// A press, wheel turn, key or the pointer leaving the window: any hint closes and the next
// one waits for the full pause again.
void CancelHint();
// The hint closes when it names Data (a THintInfo's HintData); nothing happens otherwise.
void CancelHintFor(const void* Data);
// Control goes away or is hidden: a hint of it, or of a control inside it, closes.
void ForgetHintControl(TControl* Control);

// ---- state, for tests and tools ---------------------------------------------------------------
// The window, made on the first hint; nil before.
THintWindow* HintWindow();
// Whether a hint shows now, and the control it belongs to (or waits for).
bool HintShowing();
TControl* HintControl();
// The rectangle (screen) the showing hint holds in.
TRect HintCursorRect();
// The usable area of the screen that holds the point (what hints are kept on).
TRect WorkAreaAt(const TPoint& Screen);
// Closes and frees the hint window (the display's end does this before SDL goes).
void FreeHintWindow();

}  // namespace win
