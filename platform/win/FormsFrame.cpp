// The form's frame: the premultiplied frame its controls paint into, composed over the form's
// Color into the window's own pixels (or a frame of the form's where those cannot serve) and
// shown rectangle by rectangle; a layered form's frame handed over by its scene; the window's
// pixels taken anew when the window system resizes it.
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/gfx2d/Blend.h"
#include "platform/win/Display.h"
#include "platform/win/Forms.h"

namespace win {

void TCustomForm::SetColor(std::uint32_t Value) {
  color_ = Value | 0xFF000000u;
  if (!HandleAllocated()) return;
  // A layered form keeps no frame to compose again: its scene hands it a new one.
  if (layered_)
    InvalidateControls();
  else
    Present({ClientRect()});
}

void TCustomForm::SetLayered(bool Value) {
  if (Value == layered_) return;
  layered_ = Value;
  // Only a form that is not layered keeps a frame for its controls to paint into.
  if (layered_)
    std::vector<std::uint32_t>().swap(frame_);
  else if (HandleAllocated())
    InvalidateControls();
}

void TCustomForm::InvalidateControls() {
  std::function<void(TWinControl*)> invalidate = [&](TWinControl* W) {
    W->Invalidate();
    for (int i = 0; i < W->ControlCount(); ++i)
      if (auto* c = dynamic_cast<TWinControl*>(W->Controls(i))) invalidate(c);
  };
  invalidate(this);
}

void TCustomForm::ResizeFrame() {
  if (composedWidth_ == Width() && composedHeight_ == Height()) return;
  composedWidth_ = Width();
  composedHeight_ = Height();
  // The frame is made when a control first asks for it (FrameBits).
  if (!frame_.empty()) frame_.assign(static_cast<size_t>(Width()) * static_cast<size_t>(Height()), 0);
  ForgetComposed();
  ComposedTarget(false);
  // Every windowed control paints into the new frame again.
  InvalidateControls();
}

void TCustomForm::ClearFrame(const TRect& R) {
  if (!HandleAllocated() || composedWidth_ != Width() || composedHeight_ != Height()) return;
  const TRect r = IntersectRect(R, ClientRect());
  if (r.Empty()) return;
  const auto w = static_cast<size_t>(Width());
  if (frame_.size() == w * static_cast<size_t>(Height()))
    for (int y = r.Top; y < r.Bottom; ++y)
      std::fill_n(frame_.data() + static_cast<size_t>(y) * w + static_cast<size_t>(r.Left), r.Width(), 0u);
  if (!layered_) {
    if (!frame_.empty()) Present({r});
    return;
  }
  // A layered form composes straight from its scene: its own colour is what shows without it.
  std::uint32_t* target = ComposedTarget();
  if (!target) return;
  for (int y = r.Top; y < r.Bottom; ++y)
    std::fill_n(target + static_cast<size_t>(y) * static_cast<size_t>(windowStride_) + static_cast<size_t>(r.Left),
                r.Width(), color_);
  ShowComposed({r});
}

void TCustomForm::ForgetComposed() {
  windowBits_ = nullptr;
  std::vector<std::uint32_t>().swap(composed_);
}

std::uint32_t* TCustomForm::ComposedTarget(bool Repaint) {
  if (composedWidth_ <= 0 || composedHeight_ <= 0) return nullptr;
  const auto w = static_cast<size_t>(composedWidth_), h = static_cast<size_t>(composedHeight_);
  int stride = 0;
  std::uint32_t* bits = window_ ? WindowPixels(window_, composedWidth_, composedHeight_, stride) : nullptr;
  if (bits && bits == windowBits_) return bits;
  if (bits) {
    // The window's own pixels are the composed frame: no copy of it is kept. New ones (the
    // window or its surface made anew) show the colour until the controls paint again.
    std::vector<std::uint32_t>().swap(composed_);
    windowBits_ = bits;
    windowStride_ = stride;
    for (size_t y = 0; y < h; ++y) std::fill_n(bits + y * static_cast<size_t>(stride), w, color_);
    if (Repaint) InvalidateControls();
    return bits;
  }
  windowBits_ = nullptr;
  windowStride_ = composedWidth_;
  if (composed_.size() != w * h) composed_.assign(w * h, color_);
  return composed_.data();
}

std::uint32_t TCustomForm::PresentedPixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= composedWidth_ || Y >= composedHeight_) return 0;
  const std::uint32_t* bits = windowBits_ ? windowBits_ : composed_.empty() ? nullptr : composed_.data();
  if (!bits) return 0;
  // The window's pixels may leave their top byte as they please: the frame is opaque.
  return bits[static_cast<size_t>(Y) * static_cast<size_t>(windowStride_) + static_cast<size_t>(X)] | 0xFF000000u;
}

std::vector<std::uint32_t> TCustomForm::PresentedFrame() const {
  std::vector<std::uint32_t> out(static_cast<size_t>(std::max(composedWidth_, 0)) *
                                 static_cast<size_t>(std::max(composedHeight_, 0)));
  for (int y = 0; y < composedHeight_; ++y)
    for (int x = 0; x < composedWidth_; ++x)
      out[static_cast<size_t>(y) * static_cast<size_t>(composedWidth_) + static_cast<size_t>(x)] = PresentedPixel(x, y);
  return out;
}

std::uint32_t* TCustomForm::FrameBits() {
  if (frame_.empty() && HandleAllocated())
    frame_.assign(static_cast<size_t>(Width()) * static_cast<size_t>(Height()), 0);
  return frame_.empty() ? nullptr : frame_.data();
}

std::vector<TRect> TCustomForm::ClipRects(const std::vector<TRect>& Rects, const TRect& Bounds) const {
  std::vector<TRect> out;
  out.reserve(Rects.size());
  for (const TRect& r0 : Rects)
    if (const TRect r = IntersectRect(r0, Bounds); !r.Empty()) out.push_back(r);
  return out;
}

void TCustomForm::Present(const std::vector<TRect>& Rects) {
  std::uint32_t* target = ComposedTarget();
  if (!target) return;
  const std::vector<TRect> shown = ClipRects(Rects, {0, 0, composedWidth_, composedHeight_});
  if (shown.empty()) return;
  // The frame is composed anew; a layered form without one shows again what it composed last.
  if (!frame_.empty())
    for (const TRect& r : shown)
      for (int y = r.Top; y < r.Bottom; ++y)
        gfx2d::BlendRowOverColor(
            target + static_cast<size_t>(y) * static_cast<size_t>(windowStride_) + static_cast<size_t>(r.Left),
            frame_.data() + static_cast<size_t>(y) * static_cast<size_t>(Width()) + static_cast<size_t>(r.Left), color_,
            static_cast<size_t>(r.Width()));
  ShowComposed(shown);
}

void TCustomForm::ShowAgain() {
  // A layered form's picture is in what it composed last; its frame holds only what controls
  // outside that picture painted, each shown as it presented it.
  if (layered_) {
    if (ComposedTarget()) ShowComposed({{0, 0, composedWidth_, composedHeight_}});
  } else {
    Present({ClientRect()});
  }
}

void TCustomForm::ShowComposed(const std::vector<TRect>& Rects) {
  ++presentCount_;
  if (!window_ || !shown_) return;
  if (windowBits_)
    ShowWindowRects(window_, Rects);
  else
    PresentToWindow(window_, composed_.data(), composedWidth_, composedHeight_, Rects);
}

void TCustomForm::UpdateLayered(const std::uint32_t* Bits, int AWidth, int AHeight, int Stride, int ScreenX,
                                int ScreenY) {
  UpdateLayered(Bits, AWidth, AHeight, Stride, ScreenX, ScreenY, {{0, 0, AWidth, AHeight}});
}

void TCustomForm::UpdateLayered(const std::uint32_t* Bits, int AWidth, int AHeight, int Stride, int ScreenX,
                                int ScreenY, const std::vector<TRect>& Rects) {
  if (!Bits || !HandleAllocated()) return;
  std::uint32_t* target = ComposedTarget();
  if (!target) return;
  // Where the picture lies in the client; the window is not moved to it.
  const long long dx = static_cast<long long>(ScreenX) - Left(), dy = static_cast<long long>(ScreenY) - Top();
  if (dx <= -AWidth || dy <= -AHeight || dx >= composedWidth_ || dy >= composedHeight_) return;
  const int x0 = static_cast<int>(dx), y0 = static_cast<int>(dy);
  std::vector<TRect> shown;
  for (const TRect& r : ClipRects(Rects, {0, 0, AWidth, AHeight}))
    if (const TRect c = IntersectRect({r.Left + x0, r.Top + y0, r.Right + x0, r.Bottom + y0},
                                      {0, 0, composedWidth_, composedHeight_});
        !c.Empty())
      shown.push_back(c);
  if (shown.empty()) return;
  // Straight from the caller's pixels into the composed frame: the form keeps no copy of a
  // layered picture.
  for (const TRect& r : shown)
    for (int y = r.Top; y < r.Bottom; ++y)
      gfx2d::BlendRowOverColor(
          target + static_cast<size_t>(y) * static_cast<size_t>(windowStride_) + static_cast<size_t>(r.Left),
          Bits + static_cast<size_t>(y - y0) * static_cast<size_t>(Stride) + static_cast<size_t>(r.Left - x0), color_,
          static_cast<size_t>(r.Width()));
  ShowComposed(shown);
}

void TCustomForm::HandleResized(int AWidth, int AHeight) {
  // The word of a size the form gave its window itself comes after the form took that size's
  // pixels (the window system makes them anew as it resizes, before its word is read): the
  // frame stays.
  if (AWidth == Width() && AHeight == Height() && windowBits_ && composedWidth_ == AWidth &&
      composedHeight_ == AHeight) {
    int stride = 0;
    if (window_ && WindowPixels(window_, AWidth, AHeight, stride) == windowBits_ && stride == windowStride_) return;
  }
  // The window system made the window's pixels anew: they are taken again, in the new size.
  windowBits_ = nullptr;
  TakeBounds(Left(), Top(), AWidth, AHeight);
  if (Width() != AWidth || Height() != AHeight)
    if (SDL_Window* w = LiveWindow()) ResizeFormWindow(w, Width(), Height());
  ResizeFrame();
  ComposedTarget();
}

}  // namespace win
