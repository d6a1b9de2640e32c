#include "platform/win/Hints.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/gfx2d/Brush.h"
#include "platform/gfx2d/Graphics.h"
#include "platform/gfx2d/Image.h"
#include "platform/gfx2d/Path.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"

namespace win {

namespace {

// The Hud look of the window.
constexpr std::uint32_t FaceTop = 0xD8262626u, FaceBottom = 0xD8161616u, Edge = 0x40FFFFFFu, Ink = 0xFFFFFFFFu;
// What the translucent face is composed over: no display here shows the desktop through it.
constexpr std::uint32_t Backdrop = 0xFF0C0C0Cu;
constexpr float CornerRadius = 3;
constexpr const char* FontFamily = "Tahoma";

bool Contains(const TRect& R, const TPoint& P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

TRect Offset(const TRect& R, int DX, int DY) { return {R.Left + DX, R.Top + DY, R.Right + DX, R.Bottom + DY}; }

bool Within(const TControl* Control, const TControl* Ancestor) {
  for (const TControl* c = Control; c; c = c->Parent())
    if (c == Ancestor) return true;
  return false;
}

// The hint machinery: one per process, on the GUI thread.
struct THintState {
  THintWindow* window = nullptr;
  TControl* control = nullptr;  // the control asked (or to be asked)
  TRect cursorRect{};           // screen; where the showing (or last shown) hint holds
  TPoint cursor{};              // screen; where the last move the hints saw came to rest
  const void* data = nullptr;   // what the showing hint names
  bool active = false;          // a hint showed and the next one comes after the short pause
  rtl::TApplication::TTimerId showTimer = 0;
  rtl::TApplication::TTimerId hideTimer = 0;
};

THintState& State() {
  static THintState s;
  return s;
}

void StopTimer(rtl::TApplication::TTimerId& Id) {
  if (Id) rtl::Application->StopTimer(Id);
  Id = 0;
}

void HideWindow() {
  THintState& s = State();
  StopTimer(s.hideTimer);
  s.data = nullptr;
  if (s.window && s.window->Showing()) s.window->Hide();
}

void ActivateHint();

void StartShowTimer(int Pause) {
  THintState& s = State();
  StopTimer(s.showTimer);
  s.showTimer = rtl::Application->StartTimer(std::max(Pause, 0), [] {
    StopTimer(State().showTimer);
    ActivateHint();
  });
}

// The hide pause ran out: the hint goes, and it comes again only once the pointer has left
// its rectangle.
void HideTimedOut() {
  THintState& s = State();
  HideWindow();
  s.active = false;
}

// The pause ran out: the control is asked and its answer shows.
void ActivateHint() {
  THintState& s = State();
  TControl* c = s.control;
  if (!c || !c->Showing() || !c->ShowHint() || !rtl::Application->ShowHint()) return;
  // Where the last move came to rest, not where the pointer may be now: the move's own point.
  const TPoint cursor = s.cursor;
  const TRect work = WorkAreaAt(cursor);
  THintInfo info;
  info.HintControl = c;
  info.CursorPos = c->ScreenToClient(cursor);
  info.CursorRect = c->ClientRect();
  info.HintPos = {cursor.X, cursor.Y + HintCursorMargin};
  info.HintMaxWidth = work.Width();
  info.HideTimeout = rtl::Application->HintHidePause();
  info.HintStr = c->Hint();
  const LRESULT refused = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  // The handler may have done anything: the control must still be the one asked.
  if (s.control != c) return;
  if (refused || info.HintStr.empty()) {
    // Nothing to show: the next move asks again, after the whole pause.
    s.cursorRect = {};
    s.active = false;
    return;
  }
  const TPoint origin = c->ClientToScreen({0, 0});
  s.cursorRect = Offset(info.CursorRect, origin.X, origin.Y);
  if (!s.window) s.window = new THintWindow(nullptr);
  const TRect size = s.window->CalcHintRect(std::max(info.HintMaxWidth, 1), info.HintStr);
  // Under the pointer; kept on the work area, above the pointer when there is no room
  // below it.
  int x = info.HintPos.X, y = info.HintPos.Y;
  if (x + size.Width() > work.Right) x = work.Right - size.Width();
  if (x < work.Left) x = work.Left;
  if (y + size.Height() > work.Bottom) y = cursor.Y - size.Height() - 2;
  if (y < work.Top) y = work.Top;
  s.window->ActivateHint({x, y, x + size.Width(), y + size.Height()}, info.HintStr);
  s.data = info.HintData;
  s.active = true;
  StopTimer(s.hideTimer);
  if (info.HideTimeout > 0) s.hideTimer = rtl::Application->StartTimer(info.HideTimeout, [] { HideTimedOut(); });
}

// A rounded rectangle inside R.
gfx2d::Path RoundRect(const gfx2d::RectF& R, float Radius) {
  const float k = 0.5522847f * Radius;
  const float l = R.X, t = R.Y, r = R.X + R.Width, b = R.Y + R.Height;
  gfx2d::Path p;
  p.AddLine({l + Radius, t}, {r - Radius, t});
  p.AddBezier({r - Radius, t}, {r - Radius + k, t}, {r, t + Radius - k}, {r, t + Radius});
  p.AddLine({r, t + Radius}, {r, b - Radius});
  p.AddBezier({r, b - Radius}, {r, b - Radius + k}, {r - Radius + k, b}, {r - Radius, b});
  p.AddLine({r - Radius, b}, {l + Radius, b});
  p.AddBezier({l + Radius, b}, {l + Radius - k, b}, {l, b - Radius + k}, {l, b - Radius});
  p.AddLine({l, b - Radius}, {l, t + Radius});
  p.AddBezier({l, t + Radius}, {l, t + Radius - k}, {l + Radius - k, t}, {l + Radius, t});
  p.CloseFigure();
  return p;
}

gfx2d::Font HintFont() { return {FontFamily, THintWindow::FontSize, gfx2d::FontStyleRegular}; }

}  // namespace

// ---- the window -------------------------------------------------------------------------------

rtl::TClass THintWindow::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<THintWindow>().Build();
  return &info;
}

THintWindow::THintWindow(rtl::TComponent* AOwner) : TCustomForm(AOwner) {
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  SetColor(Backdrop);
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::u16string& Text) {
  const float room = static_cast<float>(std::max(MaxWidth - 2 * PaddingX, 1));
  gfx2d::RectF bounds{0, 0, 0, 0};
  std::uint32_t pixel = 0;
  std::unique_ptr<gfx2d::Image> scratch(gfx2d::Image::FromPixels(&pixel, 1, 1));
  if (scratch) {
    gfx2d::Graphics g(*scratch);
    g.SetTextRenderingHint(gfx2d::TextRenderingHint::AntiAlias);
    if (!g.MeasureString(Text, HintFont(), {0, 0, room, 100000}, {}, bounds)) bounds = {0, 0, 0, 0};
  }
  const int w = static_cast<int>(std::ceil(std::max(bounds.Width, 0.0f))) + 2 * PaddingX;
  const int h = static_cast<int>(std::ceil(std::max(bounds.Height, FontSize))) + 2 * PaddingY;
  return {0, 0, std::min(w, std::max(MaxWidth, 1)), h};
}

void THintWindow::ActivateHint(const TRect& Rect, const std::u16string& Text) {
  text_ = Text;
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  HandleNeeded();
  PaintFrame();
  ShowNoActivate();
}

LRESULT THintWindow::WndProc(MSG& Message) {
  // A press in the hint never activates it.
  if (Message.message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  return TCustomForm::WndProc(Message);
}

void THintWindow::PaintHandler() {
  TakeUpdateRegion();
  PaintFrame();
}

void THintWindow::PaintFrame() {
  const int w = Width(), h = Height();
  std::uint32_t* bits = FrameBits();
  if (!bits || w <= 0 || h <= 0) return;
  std::fill(bits, bits + static_cast<size_t>(w) * static_cast<size_t>(h), 0u);
  std::unique_ptr<gfx2d::Image> image(gfx2d::Image::FromPixels(bits, w, h));
  if (!image) return;
  {
    gfx2d::Graphics g(*image);
    g.SetSmoothingMode(gfx2d::SmoothingMode::HighQuality);
    const gfx2d::RectF outline{0.5f, 0.5f, static_cast<float>(w) - 1, static_cast<float>(h) - 1};
    const gfx2d::Path face = RoundRect(outline, CornerRadius);
    const gfx2d::LinearGradientBrush fill({0, 0}, {0, static_cast<float>(h)}, FaceTop, FaceBottom);
    g.FillPath(fill, face);
    const gfx2d::SolidBrush edge(Edge);
    g.DrawPath(gfx2d::Pen(&edge, 1), face);
    const gfx2d::SolidBrush ink(Ink);
    g.SetTextRenderingHint(gfx2d::TextRenderingHint::AntiAlias);
    g.DrawString(text_, HintFont(),
                 {static_cast<float>(PaddingX), static_cast<float>(PaddingY), static_cast<float>(w - 2 * PaddingX),
                  static_cast<float>(h - 2 * PaddingY)},
                 {}, ink);
  }
  image->Flush();
  Present({ClientRect()});
}

// ---- the machinery ------------------------------------------------------------------------------

void HintMouseMove(TControl* Control, const TPoint& Screen) {
  THintState& s = State();
  s.cursor = Screen;
  TControl* c = Control;
  while (c && !c->ShowHint()) c = c->Parent();
  if (!c || !rtl::Application->ShowHint()) {
    CancelHint();
    return;
  }
  if (c == s.control && Contains(s.cursorRect, Screen)) return;
  // Another control or outside the rectangle: the hint that showed goes, and the next
  // one comes after the short pause when one showed; every move restarts the pause.
  const bool wasActive = s.active;
  HideWindow();
  s.control = c;
  s.cursorRect = {};
  s.active = wasActive;
  StartShowTimer(wasActive ? rtl::Application->HintShortPause() : rtl::Application->HintPause());
}

void CancelHint() {
  THintState& s = State();
  StopTimer(s.showTimer);
  HideWindow();
  s.control = nullptr;
  s.cursorRect = {};
  s.active = false;
}

void CancelHintFor(const void* Data) {
  if (Data && State().data == Data) CancelHint();
}

void ForgetHintControl(TControl* Control) {
  if (Control && Within(State().control, Control)) CancelHint();
}

THintWindow* HintWindow() { return State().window; }
bool HintShowing() { return State().window && State().window->Showing(); }
TControl* HintControl() { return State().control; }
TRect HintCursorRect() { return State().cursorRect; }

TRect WorkAreaAt(const TPoint& Screen) {
  TRect first{0, 0, 1, 1};
  const int n = DisplayOpen() ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < n; ++i) {
    SDL_Rect b{}, u{};
    if (SDL_GetDisplayBounds(i, &b) != 0) continue;
    if (SDL_GetDisplayUsableBounds(i, &u) != 0 || u.w <= 0 || u.h <= 0) u = b;
    const TRect usable{u.x, u.y, u.x + u.w, u.y + u.h};
    if (i == 0) first = usable;
    if (Contains({b.x, b.y, b.x + b.w, b.y + b.h}, Screen)) return usable;
  }
  return first;
}

void FreeHintWindow() {
  CancelHint();
  THintState& s = State();
  delete s.window;
  s.window = nullptr;
}

}  // namespace win
