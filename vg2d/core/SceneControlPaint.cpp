// The scene control's painting: dirty rectangles, the paint of the roots into the canvas
// over the scene's background, and the output to the form's frame or its layered window.
#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "platform/gfx2d/Image.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/UpdateRects.h"

namespace vg {

namespace {

// A float coordinate to a whole pixel, toward zero, saturated to the int range.
int PixelOf(float V) {
  if (std::isnan(V)) return 0;
  const double t = std::trunc(static_cast<double>(V));
  if (t >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (t <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(t);
}

win::TRect PixelRect(const TvxRect& R) { return {PixelOf(R.Left), PixelOf(R.Top), PixelOf(R.Right), PixelOf(R.Bottom)}; }

// Has Control paint (Msg with a target) into the W x H picture Pixels with its top-left at
// (X, Y) of it, clipped to it.
void PaintInto(std::vector<std::uint32_t>& Pixels, int W, int H, win::TWinControl* Control, win::UINT Msg, int X,
               int Y) {
  const int cw = std::min(Control->Width(), W - X), ch = std::min(Control->Height(), H - Y);
  if (cw <= 0 || ch <= 0 || X + cw <= 0 || Y + ch <= 0) return;
  if (X >= 0 && Y >= 0) {
    const gfx2d::PixelTarget t{Pixels.data() + static_cast<size_t>(Y) * static_cast<size_t>(W) + X, cw, ch, W};
    Control->Perform(Msg, win::DCParam(&t), 0);
    return;
  }
  // A control reaching left of or above the picture paints into a copy of its part.
  std::vector<std::uint32_t> own(static_cast<size_t>(cw) * static_cast<size_t>(ch), 0u);
  const gfx2d::PixelTarget t{own.data(), cw, ch, cw};
  gfx2d::CopyPixels(Pixels.data(), W, H, X, Y, cw, ch, t, 0, 0);
  Control->Perform(Msg, win::DCParam(&t), 0);
  gfx2d::CopyPixels(own.data(), cw, ch, 0, 0, cw, ch, {Pixels.data(), W, H, W}, X, Y);
}

}  // namespace

void TvxCustomScene::AddUpdateRect(const TvxRect& R) {
  // A scene that does not show marks nothing: it is painted whole when it shows again.
  if (disableUpdate_ || ComponentState().Contains(rtl::csLoading) || !HandleAllocated() ||
      ComponentState().Contains(rtl::csDestroying) || (canvas_->Buffered() && !canvas_->BufferBits()) || !Showing())
    return;
  if (R.Right - R.Left == 0 || R.Bottom - R.Top == 0) return;
  const TvxRect r = UpdateRectOf(R);
  const float w = static_cast<float>(Width()), h = static_cast<float>(Height());
  if (!(r.Left <= w && r.Right >= 0 && r.Top <= h && r.Bottom >= 0)) return;
  if (OnLayeredForm()) {
    updateRects_.push_back(r);
    rtl::PostMessage(Handle(), WM_SCENEREPAINT, 0, 0);
  } else {
    InvalidateRect(PixelRect(r));
  }
}

void TvxCustomScene::PaintHandler() {
  if (painting_) return;
  for (const win::TRect& r : TakeUpdateRegion())
    updateRects_.push_back(MakeRect(static_cast<float>(r.Left), static_cast<float>(r.Top), static_cast<float>(r.Right),
                                    static_cast<float>(r.Bottom)));
  Paint();
}

void TvxCustomScene::Paint() {
  // A hidden scene never paints (unless a paint message hands it a target of its own).
  if (!Showing() && !PaintingToDC()) updateRects_.clear();
  if ((frame_ && !designTime_) || painting_ || updateRects_.empty()) return;
  painting_ = true;
  struct TDone {
    TvxCustomScene* Scene;
    ~TDone() {
      Scene->painting_ = false;
      Scene->updateRects_.clear();
    }
  } done{this};
  MergeUpdateRects(updateRects_, static_cast<size_t>(MaxUpdateRects));
  const bool layered = OnLayeredForm() && !PaintingToDC();
  TvxCanvas* c = canvas_.get();
  if (c->BeginScene()) {
    c->ResetClipRect();
    c->SetMatrix(IdentityMatrix);
    c->SetClipRects(updateRects_);
    const bool onForm = dynamic_cast<win::TCustomForm*>(Parent()) != nullptr;
    const bool clearOnly = fill_->Style() == vgBrushNone ||
                           (fill_->Style() == vgBrushSolid && (fill_->Color() >> 24) == 0);
    if (transparency_ && !onForm && clearOnly) {
      // What lies under a transparent scene inside another control shows through it: the
      // parent and the controls below the scene, drawn into the scene's own pixels (what
      // none of them covers stays clear).
      for (const TvxRect& r : updateRects_) c->ClearRect(r, 0);
      DrawParentBackground();
    } else if (!(transparency_ && !onForm) && clearOnly) {
      for (const TvxRect& r : updateRects_) c->ClearRect(r, transparency_ ? 0 : fill_->Color() & 0x00FFFFFFu);
    } else {
      // The fill starts from clear pixels, so that one that lets light through looks the same
      // at every repaint instead of thickening over what the last one left.
      for (const TvxRect& r : updateRects_) c->ClearRect(r, 0);
      c->Fill()->Assign(fill_.get());
      c->FillRect(MakeRect(-1, -1, static_cast<float>(Width()) + 1, static_cast<float>(Height()) + 1), 0, 0,
                  AllCorners, 1.0f, vgCornerRound);
    }
    PaintRoots(c, true);
    c->EndScene();
  }
  std::vector<win::TRect> shown;
  for (const TvxRect& r : updateRects_) {
    const win::TRect p = PixelRect(r);
    shown.push_back({p.Left, p.Top, p.Right + 1, p.Bottom + 1});
  }
  if (layered) {
    UpdateLayered(shown);
    return;
  }
  const gfx2d::PixelTarget dc = GetDC();
  if (!dc.Bits) return;
  for (const TvxRect& r : updateRects_) CopyToDC(dc, r);
  PresentRects(shown);
}

void TvxCustomScene::CopyToDC(const gfx2d::PixelTarget& DC, const TvxRect& R) {
  canvas_->FlushBufferRect(0, 0, &DC, R);
  if (transparency_ || !canvas_->BufferBits()) return;
  // The window shows an opaque scene's colours as they are, whatever their alpha: a clear to
  // the fill's colour with alpha 0 shows that colour.
  const win::TRect p = PixelRect(R);
  const int right = std::min({p.Right + 1, canvas_->Width(), DC.Width}),
            bottom = std::min({p.Bottom + 1, canvas_->Height(), DC.Height});
  for (int y = std::max(p.Top, 0); y < bottom; ++y)
    for (int x = std::max(p.Left, 0); x < right; ++x)
      DC.Bits[static_cast<size_t>(y) * static_cast<size_t>(DC.Stride) + static_cast<size_t>(x)] |= 0xFF000000u;
}

void TvxCustomScene::DrawParentBackground() {
  win::TWinControl* parent = Parent();
  if (!parent) return;
  // A picture of the parent's client from its top-left to the scene's far corner.
  const int w = std::min(parent->Width(), Left() + Width()), h = std::min(parent->Height(), Top() + Height());
  if (w <= 0 || h <= 0) return;
  std::vector<std::uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0u);
  const gfx2d::PixelTarget picture{pixels.data(), w, h, w};
  auto paint = [&](win::TWinControl* Control, win::UINT Msg, int X, int Y) {
    PaintInto(pixels, w, h, Control, Msg, X, Y);
  };
  paint(parent, win::WM_ERASEBKGND, 0, 0);
  paint(parent, win::WM_PAINT, 0, 0);
  const win::TRect mine = BoundsRect();
  // The custom controls below the scene that show and meet it, each with its own custom
  // controls inside, the same way.
  std::function<void(win::TWinControl*, int, int)> paintBelow = [&](win::TWinControl* Control, int X, int Y) {
    paint(Control, win::WM_PAINT, X, Y);
    for (int i = 0; i < Control->ControlCount(); ++i) {
      auto* c = dynamic_cast<win::TCustomControl*>(Control->Controls(i));
      if (!c || !c->Visible()) continue;
      const win::TRect at{X + c->Left(), Y + c->Top(), X + c->Left() + c->Width(), Y + c->Top() + c->Height()};
      if (!win::IntersectRect(at, mine).Empty()) paintBelow(c, at.Left, at.Top);
    }
  };
  for (int i = 0; i < parent->ControlCount() && parent->Controls(i) != this; ++i) {
    auto* c = dynamic_cast<win::TCustomControl*>(parent->Controls(i));
    if (c && c->Visible() && !win::IntersectRect(c->BoundsRect(), mine).Empty()) paintBelow(c, c->Left(), c->Top());
  }
  for (const TvxRect& r : updateRects_) canvas_->CopyFromPixels(picture, -Left(), -Top(), r);
}

void TvxCustomScene::UpdateLayered(const std::vector<win::TRect>& Rects) {
  if (designTime_ || !dynamic_cast<win::TWinControl*>(Owner()) || !Showing()) return;
  auto* form = dynamic_cast<win::TCustomForm*>(Parent());
  if (!form || !form->HandleAllocated() || !canvas_->BufferBits()) return;
  const int w = canvas_->Width(), h = canvas_->Height();
  // The windowed children that show (each over its parent) are painted over the canvas's
  // pixels, in a copy; one of no size (the control that carries a drag) paints nothing.
  std::vector<std::uint32_t> picture;
  std::function<void(win::TWinControl*, int, int)> paintChildren = [&](win::TWinControl* Parent, int X, int Y) {
    for (int i = 0; i < Parent->ControlCount(); ++i) {
      auto* c = dynamic_cast<win::TWinControl*>(Parent->Controls(i));
      if (!c || !c->Visible() || !c->HandleAllocated() || c->Width() <= 0 || c->Height() <= 0) continue;
      if (picture.empty())
        picture.assign(canvas_->BufferBits(), canvas_->BufferBits() + static_cast<size_t>(w) * static_cast<size_t>(h));
      PaintInto(picture, w, h, c, win::WM_PAINT, X + c->Left(), Y + c->Top());
      paintChildren(c, X + c->Left(), Y + c->Top());
    }
  };
  paintChildren(this, 0, 0);
  // The form composes straight from those pixels, only where they changed, at the scene's
  // place in it.
  form->UpdateLayered(picture.empty() ? canvas_->BufferBits() : picture.data(), w, h, w, form->Left() + Left(),
                      form->Top() + Top(), Rects.empty() ? std::vector<win::TRect>{{0, 0, w, h}} : Rects);
}

bool TvxCustomScene::PresentChild(win::TWinControl*, const std::vector<win::TRect>& Rects) {
  if (!OnLayeredForm()) return false;
  for (const win::TRect& r : Rects)
    AddUpdateRect(MakeRect(static_cast<float>(r.Left), static_cast<float>(r.Top), static_cast<float>(r.Right),
                           static_cast<float>(r.Bottom)));
  return true;
}

}  // namespace vg
