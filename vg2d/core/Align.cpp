// The layout of a visual object's children by their Align: the object's area less its
// Margins is the running client rectangle; edge-aligned children take strips of it kind by
// kind in a fixed order; the others are centred, stretched, fitted, scaled or kept at
// their distance to the right and bottom edges. Each child's Padding is kept around it.
#include <cmath>

#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

// The order in which the kinds are laid out; vaNone and vaTopLeft children never move.
constexpr TvxAlign AlignOrder[] = {vaMostTop,  vaMostBottom, vaMostLeft,   vaMostRight,  vaTop,      vaBottom,
                                   vaLeft,     vaRight,      vaClient,     vaHorizontal, vaVertical, vaContents,
                                   vaCenter,   vaHorzCenter, vaVertCenter, vaScale,      vaFit,      vaFitLeft,
                                   vaFitRight, vaTopRight,   vaBottomLeft, vaBottomRight};

bool IsCorner(TvxAlign K) { return K == vaTopLeft || K == vaTopRight || K == vaBottomLeft || K == vaBottomRight; }

// Whether child A goes before the already collected child B of the same kind.
bool Precedes(TvxAlign Kind, TvxVisualObject* A, TvxVisualObject* B) {
  switch (Kind) {
    case vaTop:
    case vaMostTop: return A->Position()->Y() < B->Position()->Y();
    case vaLeft:
    case vaMostLeft: return A->Position()->X() < B->Position()->X();
    case vaBottom:
    case vaMostBottom: return A->Position()->Y() + A->Height() >= B->Position()->Y() + B->Height();
    case vaRight:
    case vaMostRight: return A->Position()->X() + A->Width() >= B->Position()->X() + B->Width();
    default: return false;
  }
}

void PlaceAt(TvxVisualObject* Child, float X, float Y) {
  rtl::TEventMute quiet(Child->Position()->OnChange);
  Child->Position()->SetPoint({X, Y});
}

}  // namespace

void TvxVisualObject::Realign() {
  if (ComponentState().Contains(rtl::csDestroying)) return;
  if ((width_ > -2 && width_ < 2) || (height_ > -2 && height_ < 2)) return;
  if (disableAlign_ || aligning_ || updateCount_ > 0) return;
  if (Loading()) {
    lastWidth_ = width_;
    lastHeight_ = height_;
    return;
  }
  if ((width_ != lastWidth_ || height_ != lastHeight_) && hasEffects_) GetTopVisualParent();
  if (!needAlign_ || Children().empty()) return;
  aligning_ = true;
  TvxRect c = MakeRect(margins_->Left(), margins_->Top(), width_ - margins_->Right(), height_ - margins_->Bottom());
  const bool design = Scene() && Scene()->GetDesignTime();
  std::vector<TvxVisualObject*> list;
  for (TvxAlign kind : AlignOrder) {
    list.clear();
    for (TvxObject* o : Children()) {
      TvxVisualObject* v = o->Visual();
      if (!v || v->align_ != kind || (!v->visible_ && !design)) continue;
      auto at = list.begin();
      while (at != list.end() && !Precedes(kind, v, *at)) ++at;
      list.insert(at, v);
    }
    for (TvxVisualObject* v : list) AlignObject(v, kind, c);
  }
  lastWidth_ = width_;
  lastHeight_ = height_;
  Repaint();
  aligning_ = false;
}

void TvxVisualObject::AlignObject(TvxVisualObject* Child, TvxAlign Kind, TvxRect& C) {
  if (!Child->visible_) return;
  const TvxBounds& pad = *Child->padding_;
  const float outerW = Child->width_ + pad.Left() + pad.Right();
  const float outerH = Child->height_ + pad.Top() + pad.Bottom();
  float aw = RectWidth(C);
  if (aw < 0 || IsCorner(Kind) || Kind == vaLeft || Kind == vaRight || Kind == vaMostLeft || Kind == vaMostRight ||
      Kind == vaVertical)
    aw = outerW;
  float ah = RectHeight(C);
  if (ah < 0 || IsCorner(Kind) || Kind == vaTop || Kind == vaBottom || Kind == vaMostTop || Kind == vaMostBottom ||
      Kind == vaHorizontal)
    ah = outerH;
  float ax = C.Left, ay = C.Top;
  if (Kind == vaVertical) ax = Child->position_->X() - pad.Left();
  if (Kind == vaHorizontal) ay = Child->position_->Y() - pad.Top();

  // Gives the child a whole new rectangle (position and size), then its own layout.
  auto takeRect = [&](float X, float Y, float W, float H) {
    PlaceAt(Child, X, Y);
    Child->SetWidth(W);
    Child->SetHeight(H);
    Child->MatrixChanged();
    Child->Realign();
  };

  switch (Kind) {
    case vaTopRight: Child->position_->SetX(Child->position_->X() + width_ - lastWidth_); return;
    case vaBottomLeft: Child->position_->SetY(Child->position_->Y() + height_ - lastHeight_); return;
    case vaBottomRight:
      Child->position_->SetPoint(
          {Child->position_->X() + width_ - lastWidth_, Child->position_->Y() + height_ - lastHeight_});
      return;
    case vaTop:
    case vaMostTop: C.Top += ah; break;
    case vaLeft:
    case vaMostLeft: C.Left += aw; break;
    case vaRight:
    case vaMostRight:
      C.Right -= aw;
      ax = C.Right;
      break;
    case vaBottom:
    case vaMostBottom:
      C.Bottom -= ah;
      ay = C.Bottom;
      break;
    case vaContents:
      takeRect(pad.Left(), pad.Top(), width_ - pad.Left() - pad.Right(), height_ - pad.Top() - pad.Bottom());
      return;
    case vaCenter:
      ax = C.Left + static_cast<float>(Trunc((aw - outerW) / 2));
      aw = outerW;
      ay = C.Top + static_cast<float>(Trunc((ah - outerH) / 2));
      ah = outerH;
      break;
    case vaVertCenter:
      ay = C.Top + static_cast<float>(Trunc((ah - outerH) / 2));
      ah = outerH;
      break;
    case vaHorzCenter:
      ax = C.Left + static_cast<float>(Trunc((aw - outerW) / 2));
      aw = outerW;
      break;
    case vaFit:
    case vaFitLeft:
    case vaFitRight: {
      const TvxRect p =
          MakeRect(margins_->Left(), margins_->Top(), width_ - margins_->Right(), height_ - margins_->Bottom());
      TvxRect o = MakeRect(Child->position_->X() - pad.Left(), Child->position_->Y() - pad.Top(),
                           Child->position_->X() + Child->width_ + pad.Right(),
                           Child->position_->Y() + Child->height_ + pad.Bottom());
      // A child without an outer area has no proportions to keep: it is left alone.
      if (RectWidth(o) == 0 || RectHeight(o) == 0) return;
      const float ratio = FitRect(o, p);
      if (!(ratio > 0) || !std::isfinite(ratio)) return;
      if (ratio < 1) {
        o = MakeRect(o.Left / ratio, o.Top / ratio, o.Right / ratio, o.Bottom / ratio);
        CenterRect(o, p);
      }
      if (Kind == vaFitLeft) OffsetRectF(o, p.Left - o.Left, 0);
      if (Kind == vaFitRight) OffsetRectF(o, p.Right - o.Right, 0);
      takeRect(o.Left + pad.Left(), o.Top + pad.Top(), RectWidth(o) - pad.Left() - pad.Right(),
               RectHeight(o) - pad.Top() - pad.Bottom());
      return;
    }
    case vaScale:
      if (lastWidth_ > 0 && lastHeight_ > 0 && width_ > 0 && height_ > 0) {
        const float fx = width_ / lastWidth_, fy = height_ / lastHeight_;
        takeRect(Child->position_->X() * fx, Child->position_->Y() * fy, Child->width_ * fx, Child->height_ * fy);
      }
      return;
    default: break;
  }

  PlaceAt(Child, ax + pad.Left(), ay + pad.Top());
  if (aw - pad.Left() - pad.Right() != Child->width_ || ah - pad.Top() - pad.Bottom() != Child->height_) {
    Child->SetWidth(aw - pad.Left() - pad.Right());
    Child->SetHeight(ah - pad.Top() - pad.Bottom());
    Child->Realign();
  }
  Child->MatrixChanged();

  // A child that did not take the size it was given gives the difference back.
  const float dw = aw - (Child->width_ + pad.Left() + pad.Right());
  const float dh = ah - (Child->height_ + pad.Top() + pad.Bottom());
  switch (Kind) {
    case vaTop: C.Top -= dh; break;
    case vaLeft: C.Left -= dw; break;
    case vaRight: C.Right += dw; break;
    case vaBottom: C.Bottom += dh; break;
    case vaClient:
      C.Right += dw;
      C.Bottom += dh;
      break;
    default: break;
  }
}

}  // namespace vg
