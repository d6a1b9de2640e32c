// Window messages, virtual-key codes and small value types of the window layer, with the
// numbers the class library and user32 give them. Messages that only the class library
// knows (CM_*) are numbered by us.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/loop/Messages.h"
#include "platform/rtl/InputTypes.h"

namespace win {

using rtl::HWND;
using rtl::LPARAM;
using rtl::LRESULT;
using rtl::MSG;
using rtl::UINT;
using rtl::WPARAM;

// An integer rectangle; Right and Bottom lie outside it.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TRect&) const = default;
};
struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

inline TRect IntersectRect(const TRect& A, const TRect& B) {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right), std::min(A.Bottom, B.Bottom)};
  if (r.Empty()) return {};
  return r;
}
inline TRect UnionRect(const TRect& A, const TRect& B) {
  if (A.Empty()) return B;
  if (B.Empty()) return A;
  return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right), std::max(A.Bottom, B.Bottom)};
}

// ---- messages -------------------------------------------------------------------------------
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
constexpr UINT WM_IME_COMPOSITION = 0x010F;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;

// The class library's own notifications.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_MOUSEENTER = CM_BASE + 1;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 2;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 3;
constexpr UINT CM_HINTSHOW = CM_BASE + 4;
constexpr UINT CM_DESIGNHITTEST = CM_BASE + 5;
// Asked of the focused windowed control: nonzero when it takes typed text now (the window's
// text input, and with it the input method, is on only then).
constexpr UINT CM_WANTTEXTINPUT = CM_BASE + 16;

// WM_IME_COMPOSITION's lParam: what changed; the string is read with ImmGetCompositionString.
constexpr LPARAM GCS_COMPSTR = 0x0008;     // the text being composed
constexpr LPARAM GCS_RESULTSTR = 0x0800;   // the finished text
// The composition window's style: placed at a point and kept inside an area.
constexpr std::uint32_t CFS_RECT = 0x0001;
// The input method's language (a Windows language id) that has rules of its own.
constexpr std::uint16_t LANG_ID_KOREAN = 0x0412;

// WM_ACTIVATE's wParam: how the window changes its activation (lParam: the other
// window's handle, 0 when that is none of ours).
constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;
// WM_MOUSEACTIVATE answers: whether a press activates the window and whether the press is
// then dropped.
constexpr LRESULT MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;

// Mouse-message key flags (wParam).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Key data (lParam of key messages): the Alt key was down.
constexpr LPARAM KF_ALTDOWN = LPARAM(1) << 29;

// Packs a client point into a mouse message's lParam (16-bit signed halves) and back.
inline LPARAM MakePointParam(int X, int Y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(Y)) << 16) |
                             static_cast<std::uint16_t>(X));
}
inline TPoint PointFromParam(LPARAM L) {
  return {static_cast<std::int16_t>(L & 0xFFFF), static_cast<std::int16_t>((L >> 16) & 0xFFFF)};
}

// ---- virtual keys -----------------------------------------------------------------------------
constexpr std::uint16_t VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
                        VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
                        VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
                        VK_INSERT = 45, VK_DELETE = 46, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A,
                        VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F2 = 0x71;

// ---- cursors ----------------------------------------------------------------------------------
using rtl::crDefault;
using rtl::TCursor;
constexpr TCursor crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                  crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
                  crHelp = -20, crHandPoint = -21, crSizeAll = -22;

// Modal results.
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
                       mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

// The shift state of a mouse message's key flags; Alt comes from the keyboard state.
rtl::TShiftState KeysToShiftState(WPARAM Keys);
// The shift state of a key message's key data (Shift and Ctrl from the keyboard state).
rtl::TShiftState KeyDataToShiftState(LPARAM KeyData);

}  // namespace win
