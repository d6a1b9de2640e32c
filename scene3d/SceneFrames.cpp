// The scene's frames: render requests and the damage they carry, the frame drawn on the device
// or composed without it from the layers' buffers, the frame presented straight from a layer's
// buffer and the canvas's frame catching up with it, and the hand-over to the form.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/gfx2d/Blend.h"
#include "platform/loop/Application.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"

namespace dx {

void TdxScene::RepaintScene() {
  if (IsLoading() || IsDestroying() || !HandleAllocated()) return;
  damageWhole_ = true;
  damage_.clear();
  RequestFrame(nullptr);
}

void TdxScene::RepaintSceneRect(int Left, int Top, int Right, int Bottom) {
  if (IsLoading() || IsDestroying() || !HandleAllocated()) return;
  const win::TRect r = win::IntersectRect({Left, Top, Right, Bottom}, ClientRect());
  if (r.Empty()) return;
  const auto contains = [](const win::TRect& Outer, const win::TRect& Inner) {
    return win::IntersectRect(Inner, Outer) == Inner;
  };
  if (!damageWhole_ &&
      std::none_of(damage_.begin(), damage_.end(), [&](const win::TRect& d) { return contains(d, r); })) {
    // A rectangle covers those it contains.
    std::erase_if(damage_, [&](const win::TRect& d) { return contains(r, d); });
    damage_.push_back(r);
    if (damage_.size() > static_cast<size_t>(MaxSceneDamageRects)) {
      win::TRect all = damage_.front();
      for (const win::TRect& d : damage_) all = win::UnionRect(all, d);
      damage_.assign(1, all);
    }
  }
  RequestFrame(&r);
}

void TdxScene::RequestFrame(const win::TRect* Part) {
  if (transparency_ && OnForm()) {
    win::MSG m;
    if (!rtl::PeekMessage(m, Handle(), WM_DXSCENERENDER, WM_DXSCENERENDER, rtl::PM_NOREMOVE))
      rtl::PostMessage(Handle(), WM_DXSCENERENDER, 0, 0);
  } else if (Part) {
    InvalidateRect(*Part);
  } else {
    Invalidate();
  }
}

void TdxScene::Paint() { RenderScene(); }

void TdxScene::PaintHandler() {
  // What the scene asked for is in its damage already; anything else was asked by the window
  // system or the form, and means the whole view.
  for (const win::TRect& r : TakeUpdateRegion()) {
    if (damageWhole_) break;
    const bool asked =
        std::any_of(damage_.begin(), damage_.end(), [&](const win::TRect& d) { return win::IntersectRect(r, d) == r; });
    if (!asked) {
      damageWhole_ = true;
      damage_.clear();
    }
  }
  if (damage_.empty()) damageWhole_ = true;
  DrawDamage();
}

void TdxScene::RenderScene() {
  if (rendering_ || !canvas_) return;
  if (damage_.empty()) damageWhole_ = true;
  DrawDamage();
}

void TdxScene::DrawDamage() {
  if (rendering_ || !canvas_) return;
  const bool whole = std::exchange(damageWhole_, false);
  std::vector<win::TRect> rects = std::exchange(damage_, {});
  if (!whole && rects.empty()) return;
  DrawFrame(whole, std::move(rects));
}

void TdxScene::DrawFrame(bool Whole, std::vector<win::TRect> Rects) {
  rendering_ = true;
  struct TGuard {
    TdxScene* Scene;
    ~TGuard() {
      Scene->rendering_ = false;
      // What was asked for while the frame was drawn is drawn by the next one.
      if (Scene->IsDestroying() || !Scene->HandleAllocated()) return;
      if (Scene->damageWhole_) Scene->RequestFrame(nullptr);
      for (const win::TRect& r : Scene->damage_) Scene->RequestFrame(&r);
    }
  } guard{this};
  const win::TRect client = ClientRect();
  if (Whole) Rects.assign(1, client);
  std::vector<TComposedLayer> layers;
  // Where only layers lying one to one on the screen draw, no frame needs the device, whole or not.
  const bool composed = canvas_->HasBuffer() && PlanComposition(layers);
  TdxCustomObjectLayer* direct = composed ? DirectLayer(layers) : nullptr;
  // Any other frame draws into the canvas's frame, which first takes what it missed (a whole
  // frame draws over all of it).
  if (!direct || direct != behindLayer_) {
    if (Whole) behind_.clear();
    CatchUpFrame();
  }
  lastFromLayer_ = false;
  if (composed) {
    const bool updated = UpdateComposedLayers(layers);
    const TdxBitmap* buffer = direct ? direct->GetBuffer() : nullptr;
    ++frames_;
    lastFrame_ = TdxFrameKind::Composed;
    lastRects_ = Rects;
    if (updated && buffer && buffer->Bits() && buffer->Width() >= client.Right && buffer->Height() >= client.Bottom) {
      // The layer's buffer is the frame: it is presented as it stands.
      behindLayer_ = direct;
      behind_.insert(behind_.end(), Rects.begin(), Rects.end());
      if (Whole) {
        // Nothing of the canvas's frame is what the form shows: its memory goes back until a
        // frame needs it.
        behind_.assign(1, client);
        canvas_->RenewBuffer();
      } else if (behind_.size() > static_cast<size_t>(MaxSceneDamageRects)) {
        win::TRect all = behind_.front();
        for (const win::TRect& r : behind_) all = win::UnionRect(all, r);
        behind_.assign(1, all);
      }
      lastFromLayer_ = true;
      Present(Rects, buffer->Bits(), buffer->Width(), buffer->Height());
      return;
    }
    CatchUpFrame();
    if (updated) ComposeFrame(Rects, layers);
    Present(Rects);
    return;
  }
  // On the device: the bounds of the rectangles.
  win::TRect part = Rects.front();
  for (const win::TRect& r : Rects) part = win::UnionRect(part, r);
  DrawDeviceFrame(part, Whole || part == client);
  const gfx3d::RECT drawn = canvas_->FrameRect();
  lastRects_.assign(1, {drawn.left, drawn.top, drawn.right, drawn.bottom});
  lastFrame_ = lastRects_.front() == client ? TdxFrameKind::Device : TdxFrameKind::DevicePart;
  Present(lastRects_);
}

void TdxScene::DrawDeviceFrame(const win::TRect& Part, bool Whole) {
  TdxCanvas& c = *canvas_;
  c.SetFrameRect(Whole ? gfx3d::RECT{} : gfx3d::RECT{Part.Left, Part.Top, Part.Right, Part.Bottom});
  c.ResetState();
  c.SetLighting(lighting_);
  c.SetAmbientColor(ambientColor_);
  c.SetCamera(ViewCamera());
  if ((designing_ || usingDesignCamera_) && designGrid_) designGrid_->SetVisible(designing_);
  const std::vector<TdxObject*> roots = objects_;
  for (TdxObject* o : roots)
    if (auto* v = dynamic_cast<TdxVisualObject*>(o); v && v->Visible()) {
      c.SetMatrix(v->GetAbsoluteMatrix());
      v->ApplyLights();
    }
  if (c.BeginScene()) {
    ++frames_;
    for (TdxRenderState s : {rsGouraudShading, rsCameraSpace, rsDepthWriteOn, rsLightingOn, rsTextureLinear, rsCullCCW})
      c.SetRenderState(s);
    c.Clear(fillColor_);
    for (TdxObject* o : roots)
      if (auto* v = dynamic_cast<TdxVisualObject*>(o); v && v->Visible()) {
        c.SetMatrix(v->GetAbsoluteMatrix());
        v->BeforePaint();
        v->Render();
        v->Paint();
      }
    if (designing_) {
      DrawDesignSelection(c);
      DrawDesignHints(c);
    }
  }
  c.EndScene();
}

bool TdxScene::PlanComposition(std::vector<TComposedLayer>& Layers) const {
  if (designing_) return false;
  // Roots are drawn through the camera: a root that draws anything needs the device.
  for (TdxObject* o : objects_) {
    auto* v = dynamic_cast<TdxVisualObject*>(o);
    if (!v || !v->Visible()) continue;
    if (v->DrawsContent() || !PlanChildren(v, Layers)) return false;
  }
  return true;
}

bool TdxScene::PlanChildren(const TdxVisualObject* Parent, std::vector<TComposedLayer>& Layers) const {
  // The walk of TdxVisualObject::Paint.
  for (int i = 0; i < Parent->ChildrenCount(); ++i) {
    auto* c = dynamic_cast<TdxVisualObject*>(Parent->Children(i));
    if (!c || !c->PaintedAsChild()) continue;
    int x = 0, y = 0;
    if (auto* layer = dynamic_cast<TdxCustomObjectLayer*>(c); layer && layer->ComposesWithoutDevice(x, y))
      Layers.push_back({layer, x, y});
    else if (c->DrawsContent())
      return false;
    if (!PlanChildren(c, Layers)) return false;
  }
  return true;
}

TdxCustomObjectLayer* TdxScene::DirectLayer(const std::vector<TComposedLayer>& Layers) const {
  // Over transparent black the composition of one buffer is the buffer; the layer must cover
  // the client area from its corner (its buffer takes BufferWidth x BufferHeight at its update).
  if (fillColor_ != 0 || Layers.size() != 1) return nullptr;
  const TComposedLayer& l = Layers.front();
  if (l.X != 0 || l.Y != 0 || l.Layer->BufferWidth() < Width() || l.Layer->BufferHeight() < Height()) return nullptr;
  return l.Layer;
}

bool TdxScene::UpdateComposedLayers(const std::vector<TComposedLayer>& Layers) {
  for (const TComposedLayer& l : Layers) {
    TdxFreeWatch watch(l.Layer);
    l.Layer->BeforePaint();
    if (!watch.Gone()) l.Layer->UpdateBuffer();
    if (watch.Gone()) {
      // A handler freed a layer: the tree is not what was planned, so the next frame draws it all.
      damageWhole_ = true;
      damage_.clear();
      return false;
    }
  }
  return true;
}

void TdxScene::CatchUpFrame() {
  if (behind_.empty()) return;
  const std::vector<win::TRect> rects = std::exchange(behind_, {});
  std::uint32_t* frame = canvas_ ? canvas_->Buffer() : nullptr;
  const TdxBitmap* buffer = behindLayer_ ? behindLayer_->GetBuffer() : nullptr;
  if (!frame || !buffer) return;
  const int w = canvas_->Width();
  const win::TRect bounds{0, 0, w, canvas_->Height()};
  const win::TRect covered{0, 0, buffer->Bits() ? buffer->Width() : 0, buffer->Bits() ? buffer->Height() : 0};
  for (const win::TRect& r0 : rects) {
    const win::TRect r = win::IntersectRect(r0, bounds);
    if (r.Empty()) continue;
    // What was presented: the buffer over transparent black, which is the buffer itself.
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = frame + static_cast<size_t>(y) * static_cast<size_t>(w);
      std::fill(row + r.Left, row + r.Right, 0u);
      const win::TRect on = win::IntersectRect({r.Left, y, r.Right, y + 1}, covered);
      if (!on.Empty())
        std::memcpy(row + on.Left,
                    buffer->Bits() + static_cast<size_t>(y) * static_cast<size_t>(buffer->Width()) +
                        static_cast<size_t>(on.Left),
                    static_cast<size_t>(on.Width()) * 4);
    }
  }
}

std::uint32_t* TdxScene::FrameBuffer() {
  CatchUpFrame();
  return canvas_ ? canvas_->Buffer() : nullptr;
}

void TdxScene::ComposeFrame(const std::vector<win::TRect>& Rects, const std::vector<TComposedLayer>& Layers) {
  std::uint32_t* frame = canvas_->Buffer();
  const int w = canvas_->Width();
  const win::TRect bounds{0, 0, w, canvas_->Height()};
  for (const win::TRect& r0 : Rects) {
    const win::TRect r = win::IntersectRect(r0, bounds);
    if (r.Empty()) continue;
    // The fill as the device clears to it, then each buffer over it as the device blends it.
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = frame + static_cast<size_t>(y) * static_cast<size_t>(w);
      std::fill(row + r.Left, row + r.Right, fillColor_);
    }
    for (const TComposedLayer& l : Layers) {
      const TdxBitmap* buffer = l.Layer->GetBuffer();
      if (!buffer || !buffer->Bits()) continue;
      const win::TRect on = win::IntersectRect(r, {l.X, l.Y, l.X + std::min(buffer->Width(), l.Layer->BufferWidth()),
                                                   l.Y + std::min(buffer->Height(), l.Layer->BufferHeight())});
      if (on.Empty()) continue;
      for (int y = on.Top; y < on.Bottom; ++y)
        gfx2d::BlendRowOver(frame + static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(on.Left),
                            buffer->Bits() + static_cast<size_t>(y - l.Y) * static_cast<size_t>(buffer->Width()) +
                                static_cast<size_t>(on.Left - l.X),
                            static_cast<size_t>(on.Width()));
    }
  }
}

void TdxScene::DrawDesignHints(TdxCanvas& C) {
  static const std::u16string hints[3] = {
      u"Alt+mouse - rotate scene | Shift+mouse - move scene",
      u"Mouse - move object in (XoY) | Ctrl + Mouse - move object in (XoZ)",
      u"Shift+mouse - move layer object in (XoY) | Hold Shift - design menu of object layers"};
  C.SetRenderState(rsScreenSpace);
  C.SetMatrix(IdentityMatrix);
  TdxMaterial m;
  m.SetLighting(false);
  m.SetDiffuseColor(0x8091DE5B);
  C.SetMaterial(m);
  TdxFont f;
  f.SetSize(9);
  f.SetStyle(dxFontRegular);
  C.Font().Assign(&f);
  for (int i = 0; i < 3; ++i) C.FillText(hints[i], 0, static_cast<float>(10 * i), 1);
}

void TdxScene::Present(const std::vector<win::TRect>& Rects) {
  if (canvas_ && canvas_->HasBuffer()) Present(Rects, canvas_->Buffer(), canvas_->Width(), canvas_->Height());
}

void TdxScene::Present(const std::vector<win::TRect>& Rects, const std::uint32_t* Bits, int AWidth, int AHeight) {
  if (!Bits) return;
  // A designed scene's form is not layered (the design view is opaque): its frames are copied
  // into the form's frame like those of any opaque scene.
  if (transparency_ && OnForm() && !designing_) {
    if (!HandleAllocated()) return;
    auto* owner = dynamic_cast<win::TWinControl*>(Owner());
    auto* form = dynamic_cast<win::TCustomForm*>(Parent());
    if (!owner || !owner->HandleAllocated() || !form) return;
    form->UpdateLayered(Bits, AWidth, AHeight, AWidth, owner->Left() + Left(), owner->Top() + Top(), Rects);
    return;
  }
  // An opaque scene copies its frame into the form's frame under it.
  const gfx2d::PixelTarget dc = GetDC();
  if (!dc.Bits) return;
  for (const win::TRect& r : Rects)
    gfx2d::CopyPixels(Bits, AWidth, AHeight, r.Left, r.Top, r.Width(), r.Height(), dc, r.Left, r.Top);
  PresentRects(Rects);
}

void TdxScene::UpdateLayer() {
  CatchUpFrame();
  if (canvas_) Present({{0, 0, canvas_->Width(), canvas_->Height()}});
}

}  // namespace dx
