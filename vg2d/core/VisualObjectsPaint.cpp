// The visual object's repainting and painting: the rectangles it asks the host to redraw, the
// children rectangle, update counts and the canvas, effects, the painting of children, painting
// into another canvas (screenshots, visual brushes).
#include "vg2d/core/VisualObjects.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Effects.h"

namespace vg {

// ---- repaint and canvas ---------------------------------------------------------------------------------

void TvxVisualObject::Repaint() {
  IvxScene* s = Scene();
  if (!s) return;
  const bool design = s->GetDesignTime();
  if (!visible_ && !design) return;
  if (design && designHide_) return;
  if (s->GetDisableUpdate()) return;
  if (!design && !GetParentedVisible()) return;
  if (updateCount_ > 0) return;
  if (hasEffects_ && EffectReplacesPaint()) effectsDirty_ = true;
  s->AddUpdateRect(WholeRepaintRect());
}

TvxRect TvxVisualObject::WholeRepaintRect() {
  // What it painted before goes too: a text set smaller leaves no pieces of the larger one.
  TvxRect r = GetUpdateRect();
  if (!IsRectEmptyF(paintedRect_)) UnionRectF(TvxRect(r), paintedRect_, r);
  return r;
}

void TvxVisualObject::RepaintPart(const TvxRect& Part) {
  IvxScene* s = Scene();
  if (!s || hasEffects_ || s->GetDesignTime()) return Repaint();
  if (!visible_ || s->GetDisableUpdate() || !GetParentedVisible() || updateCount_ > 0) return;
  TvxRect r;
  if (IntersectRectF(r, LocalRectToAbsolute(Part), WholeRepaintRect())) s->AddUpdateRect(r);
}

void TvxVisualObject::RecalcUpdateRect() {
  if (TvxVisualObject* p = VisualParent(); p && !p->clipChildren_) {
    const TvxRect r = GetParentedRect();
    if (PaintsOutsideBounds())
      for (TvxVisualObject* q = p; q && !q->clipChildren_; q = q->VisualParent()) q->recalcUpdateRect_ = true;
    else if (r.Left < 0 || r.Top < 0 || r.Right > p->width_ || r.Bottom > p->height_)
      p->recalcUpdateRect_ = true;
  }
  recalcUpdateRect_ = true;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->RecalcUpdateRect();
}

void TvxVisualObject::PaintRectChanged() {
  RecalcUpdateRect();
  for (TvxVisualObject* p = VisualParent(); p && !p->clipChildren_; p = p->VisualParent()) p->recalcUpdateRect_ = true;
  BoundsChanged();
}

TvxRect TvxVisualObject::GetUpdateRect() {
  if (!recalcUpdateRect_) return updateRect_;
  recalcUpdateRect_ = false;
  ++updateCount_;
  TvxRect r = GetAbsoluteRect();
  const TvxRect painted = GetPaintRect();
  if (painted != GetLocalRect()) {
    const TvxRect a = r;
    UnionRectF(a, LocalRectToAbsolute(painted), r);
  }
  IvxScene* s = Scene();
  if (s && !s->GetDisableUpdate() && !Loading()) {
    for (TvxVisualObject* p = VisualParent(); p; p = p->VisualParent())
      if (p->clipChildren_) {
        const TvxRect a = r;
        IntersectRectF(r, a, p->GetUpdateRect());
      }
    if (canFocused_ && s->GetFocused() == this) InflateRectF(r, 5, 5);
    if (s->GetSelected() == this) {
      InflateRectF(r, 4, 4);
      r.Top -= 13;
    }
    if (s->GetDesignPlaceObject() == this) {
      InflateRectF(r, 1, 1);
      r.Top -= 20;
      if (RectWidth(r) < 160) r.Right = r.Left + 160;
    }
    if (hasEffects_ && !clipChildren_) {
      const TvxRect a = r;
      UnionRectF(a, LocalRectToAbsolute(GetEffectsRect()), r);
    }
    if (!clipChildren_)
      for (TvxObject* c : Children())
        if (c->IsVisual() && c->Visual()->visible_) {
          const TvxRect a = r;
          UnionRectF(a, c->Visual()->GetUpdateRect(), r);
        }
  }
  updateRect_ = r;
  --updateCount_;
  return updateRect_;
}

TvxRect TvxVisualObject::GetChildrenRect() {
  if (childrenRectValid_) return childrenRect_;
  TvxRect r = GetReachRect();
  if (!clipChildren_)
    for (TvxObject* c : Children())
      if (c->IsVisual() && c->Visual()->visible_) {
        const TvxRect a = r;
        UnionRectF(a, c->Visual()->GetChildrenRect(), r);
      }
  childrenRect_ = r;
  childrenRectValid_ = true;
  return r;
}

void TvxVisualObject::BoundsChanged() {
  // Up to the first ancestor that holds no value (its own ancestors hold none either) or whose
  // value leaves this branch out (a hidden object, a clipping parent).
  for (TvxVisualObject* o = this;;) {
    const bool held = std::exchange(o->childrenRectValid_, false);
    if (!held && o != this) return;
    if (!o->visible_) return;
    TvxVisualObject* p = o->VisualParent();
    if (!p || p->clipChildren_) return;
    o = p;
  }
}

TvxCanvas* TvxVisualObject::GetCanvas() {
  if (canvas_) return canvas_;
  return Scene() ? Scene()->GetCanvas() : nullptr;
}

void TvxVisualObject::SetCanvas(TvxCanvas* Value) {
  canvas_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetCanvas(Value);
}

void TvxVisualObject::SetDisableRepaint(bool Value) {
  disableRepaint_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetDisableRepaint(Value);
}

void TvxVisualObject::SetUpdateCount(int Value) {
  updateCount_ = Value;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->SetUpdateCount(Value);
}

void TvxVisualObject::BeginUpdate() {
  ++updateCount_;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->BeginUpdate();
}

void TvxVisualObject::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  for (TvxObject* c : Children())
    if (c->IsVisual()) c->Visual()->EndUpdate();
  if (updateCount_ == 0) Realign();
}

TvxVisualObject* TvxVisualObject::GetTopVisualParent() {
  TvxVisualObject* top = this;
  for (TvxVisualObject* v = this; v; v = v->VisualParent()) {
    if (v->hasEffects_) v->effectsDirty_ = true;
    top = v;
  }
  return top;
}

void TvxVisualObject::UpdateHasEffects() {
  hasEffects_ = false;
  if (disableEffect_) return;
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled()) {
      GetTopVisualParent();
      Repaint();
      hasEffects_ = true;
      return;
    }
}

bool TvxVisualObject::EffectReplacesPaint() const {
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled() && e->ReplacesObjectPaint()) return true;
  return false;
}

bool TvxVisualObject::EffectPaintsAfter() const {
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled() && e->PaintsAfterObject()) return true;
  return false;
}

void TvxVisualObject::AlignedChildComes() {
  if (!needAlign_) {
    lastWidth_ = width_;
    lastHeight_ = height_;
  }
  needAlign_ = true;
}

void TvxVisualObject::RecalcNeedAlign() {
  needAlign_ = std::any_of(Children().begin(), Children().end(),
                           [](TvxObject* c) { return c->IsVisual() && c->Visual()->align_ != vaNone; });
}

// ---- painting ------------------------------------------------------------------------------------------------

void TvxVisualObject::PaintChildren() {
  if (Children().empty()) return;
  IvxScene* s = Scene();
  const bool design = s && s->GetDesignTime();
  for (size_t i = 0; i < Children().size(); ++i) {
    TvxVisualObject* c = Children()[i]->Visual();
    if (!c || !(c->visible_ || (design && !c->locked_))) continue;
    if (design && c->designHide_) continue;
    const TvxRect u = c->GetUpdateRect();
    if (RectWidth(u) == 0 || RectHeight(u) == 0) continue;
    TvxRect dummy;
    if (clipChildren_ && !IntersectRectF(dummy, u, GetUpdateRect())) continue;
    bool paint = design || c->disableRepaint_;
    if (!paint && s) {
      TvxRect area;
      UnionRectF(u, c->GetChildrenRect(), area);
      for (int k = 0, n = s->GetUpdateRectsCount(); k < n && !paint; ++k)
        paint = IntersectRectF(dummy, area, s->GetUpdateRect(k));
    }
    if (paint) PaintChild(c);
  }
}

void TvxVisualObject::PaintChild(TvxVisualObject* C) {
  TvxCanvas* canvas = C->GetCanvas();
  if (!canvas) return;
  int clipState = -1;
  if (clipChildren_ && C->canClipped_ && !ClipLeavesWhole(C)) {
    clipState = canvas->SaveState();
    canvas->SetMatrix(GetAbsoluteMatrix());
    canvas->IntersectClipRect(GetClipRect());
  }
  canvas->SetMatrix(C->GetAbsoluteMatrix());
  C->BeforePaint();
  if (C->hasEffects_ && !C->EffectPaintsAfter()) C->ApplyEffect();
  if (!C->effectChildren_ || !C->EffectReplacesPaint()) {
    canvas->SetMatrix(C->GetAbsoluteMatrix());
    int clipParentState = -1;
    for (TvxObject* g : C->Children())
      if (g->IsVisual() && g->Visual()->clipParent_) {
        clipParentState = canvas->SaveState();
        canvas->SetMatrix(g->Visual()->GetAbsoluteMatrix());
        canvas->ExcludeClipRect(g->Visual()->GetLocalRect());
        canvas->SetMatrix(C->GetAbsoluteMatrix());
        break;
      }
    int ownClip = -1;
    if (C->clipChildren_) {
      ownClip = canvas->SaveState();
      canvas->IntersectClipRect(C->GetClipRect());
    }
    if (C->OnBeforePaint) {
      C->OnBeforePaint(C, canvas, C->GetLocalRect());
      canvas->SetMatrix(C->GetAbsoluteMatrix());
    }
    C->Paint();
    C->NotePainted();
    if (ownClip >= 0) canvas->RestoreState(ownClip);
    if (clipParentState >= 0) canvas->RestoreState(clipParentState);
    C->PaintChildren();
    if (C->OnPaint) {
      canvas->SetMatrix(C->GetAbsoluteMatrix());
      C->OnPaint(C, canvas, C->GetLocalRect());
    }
  }
  C->AfterPaint();
  if (C->isDragOver_ && !C->dragDisableHighlight_) C->DrawDragFrame();
  if (clipState >= 0) canvas->RestoreState(clipState);
  if (C->hasEffects_ && C->EffectPaintsAfter()) {
    canvas->SetMatrix(C->GetAbsoluteMatrix());
    C->ApplyEffect();
  }
}

bool TvxVisualObject::ClipLeavesWhole(TvxVisualObject* C) {
  if (C->hasEffects_ || C->HasPaintHandler() || C->isDragOver_) return false;
  for (TvxObject* g : C->Children())
    if (g->IsVisual()) return false;
  const TvxMatrix& m = GetAbsoluteMatrix();
  if (m.m12 != 0 || m.m21 != 0) return false;
  const TvxRect clip = LocalRectToAbsolute(GetClipRect());
  // Scaled objects spill in proportion.
  const TvxMatrix& cm = C->GetAbsoluteMatrix();
  const float spill = 1 + C->PaintSpill() * std::max({std::fabs(cm.m11), std::fabs(cm.m12), std::fabs(cm.m21),
                                                      std::fabs(cm.m22), 1.0f});
  const TvxRect reach = C->GetReachRect();
  return clip.Left <= std::floor(reach.Left - spill) && clip.Top <= std::floor(reach.Top - spill) &&
         clip.Right >= std::ceil(reach.Right + spill) && clip.Bottom >= std::ceil(reach.Bottom + spill);
}

void TvxVisualObject::DrawDragFrame() {
  TvxCanvas* canvas = GetCanvas();
  canvas->SetMatrix(GetAbsoluteMatrix());
  canvas->Stroke()->SetStyle(vgBrushSolid);
  canvas->Stroke()->SetSolidColor(0xB2005ACCu);
  canvas->SetStrokeCap(vgCapFlat);
  canvas->SetStrokeJoin(vgJoinMiter);
  canvas->SetStrokeDash(vgDashSolid);
  canvas->SetStrokeThickness(3);
  canvas->DrawRect(MakeRect(1, 1, width_ - 1, height_ - 1), 1, 1, AllCorners, 1);
}

void TvxVisualObject::ApplyEffect() {
  if (Children().empty() || !Scene() || disableEffect_ || !hasEffects_) return;
  TvxCanvas* canvas = GetCanvas();
  if (!canvas) return;
  std::vector<TvxEffect*> effects;
  for (TvxObject* c : Children())
    if (auto* e = dynamic_cast<TvxEffect*>(c); e && e->Enabled()) effects.push_back(e);
  const bool cached =
      !effectsDirty_ && std::all_of(effects.begin(), effects.end(), [](TvxEffect* e) { return e->Image() != nullptr; });
  const int state = canvas->SaveState();
  const TvxRect local = GetLocalRect();
  if (!cached) {
    const TvxPoint scale = GetAbsoluteScale();
    const float sx = std::fabs(scale.X), sy = std::fabs(scale.Y);
    for (TvxEffect* e : effects) {
      TvxRect scaled = e->GetRect(local);
      MultiplyRect(scaled, sx, sy);
      int w = 0, h = 0;
      EffectBitmapSize(scaled, w, h);
      if (w < 1 || h < 1) {
        e->FreeImage();
        continue;
      }
      TvxBitmap* image = e->NeedImage();
      if (image->Width() != w || image->Height() != h) image->SetSize(w, h);
      image->Clear(0);
      TvxCanvas* target = image->GetCanvas();
      if (!target) continue;
      if (target->BeginScene()) {
        target->SetMatrix(IdentityMatrix);
        const TvxPoint offset = e->GetOffset();
        const float left = offset.X * sx, top = offset.Y * sy;
        PaintTo(target, MakeRect(left, top, left + width_ * sx, top + height_ * sy), nullptr);
        target->EndScene();
      }
      e->ProcessEffect(target, image, sx);
    }
    effectsDirty_ = false;
  }
  for (TvxEffect* e : effects)
    if (TvxBitmap* image = e->Image()) {
      canvas->SetMatrix(GetAbsoluteMatrix());
      canvas->DrawBitmap(image, MakeRect(0, 0, static_cast<float>(image->Width()), static_cast<float>(image->Height())),
                         e->GetRect(local), GetAbsoluteOpacity(), rotateAngle_ == 0);
    }
  canvas->RestoreState(state);
}

void TvxVisualObject::PaintTo(TvxCanvas* ACanvas, const TvxRect& ARect, TvxObject* AParent, const TvxMatrix* Base) {
  IvxScene* s = Scene();
  if (!s || !ACanvas || width_ * height_ == 0) return;
  const bool disableUpdate = s->GetDisableUpdate();
  s->SetDisableUpdate(true);
  const bool aligning = aligning_;
  aligning_ = true;
  SetDisableRepaint(true);
  TvxCanvas* oldCanvas = canvas_;
  SetCanvas(ACanvas);
  const int state = ACanvas->SaveState();
  const TvxPoint position = position_->GetPoint(), scale = scale_->GetPoint();
  TvxObject* parent = parent_;
  const float angle = rotateAngle_;
  parent_ = AParent;
  const TvxMatrix base = Base ? *Base : IdentityMatrix;  // a copy: the canvas's matrix changes below
  struct TBaseReset {
    const TvxMatrix*& Field;
    ~TBaseReset() { Field = nullptr; }
  } resetBase{paintBase_};
  if (Base) paintBase_ = &base;
  {
    rtl::TEventMute quietPos(position_->OnChange);
    rtl::TEventMute quietScale(scale_->OnChange);
    position_->SetPoint({ARect.Left, ARect.Top});
    scale_->SetPoint({RectWidth(ARect) / width_, RectHeight(ARect) / height_});
  }
  rotateAngle_ = 0;
  MatrixChanged();
  ACanvas->SetMatrix(GetAbsoluteMatrix());
  BeforePaint();
  Paint();
  AfterPaint();
  PaintChildren();
  parent_ = parent;
  paintBase_ = nullptr;
  {
    rtl::TEventMute quietPos(position_->OnChange);
    rtl::TEventMute quietScale(scale_->OnChange);
    position_->SetPoint(position);
    scale_->SetPoint(scale);
  }
  rotateAngle_ = angle;
  MatrixChanged();
  RecalcUpdateRect();
  RecalcAbsoluteNow();
  RecalcOpacity();
  RecalcEnabled();
  SetDisableRepaint(false);
  aligning_ = aligning;
  ACanvas->RestoreState(state);
  SetCanvas(oldCanvas);
  s->SetDisableUpdate(disableUpdate);
}

std::unique_ptr<TvxBitmap> TvxVisualObject::MakeScreenshot() {
  auto side = [](float V) { return static_cast<int>(std::clamp<int64_t>(Round(V), 0, MaxEffectBitmapSide)); };
  auto bitmap = std::make_unique<TvxBitmap>(side(width_), side(height_));
  bitmap->Clear(0);
  if (TvxCanvas* c = bitmap->GetCanvas(); c && !bitmap->IsEmpty() && c->BeginScene()) {
    PaintTo(c, MakeRect(0, 0, static_cast<float>(bitmap->Width()), static_cast<float>(bitmap->Height())), nullptr);
    c->EndScene();
  }
  return bitmap;
}

// ---- visual brushes -------------------------------------------------------------------------------------------

void PaintVisualBrushObject(rtl::TComponent* Visual, TvxCanvas& Canvas, const TvxRect& Rect, float Opacity) {
  auto* object = dynamic_cast<TvxVisualObject*>(Visual);
  if (!object) return;
  // The brush's opacity stands in for the object's own while it paints. Set quietly: a
  // repaint request from inside a paint would have the host paint again, for ever.
  struct TOpacity {
    TvxVisualObject* Object;
    float Saved;
    ~TOpacity() {
      Object->opacity_ = Saved;
      Object->RecalcOpacity();
    }
  } restore{object, object->opacity_};
  object->opacity_ = std::isnan(Opacity) ? 0.0f : std::clamp(Opacity, 0.0f, 1.0f);
  object->RecalcOpacity();
  // Rect is in the filled object's coordinates, which the canvas's matrix maps to the target.
  object->PaintTo(&Canvas, Rect, nullptr, &Canvas.Matrix());
}

}  // namespace vg
