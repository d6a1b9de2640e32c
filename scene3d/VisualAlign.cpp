// The layout of a visual object's children. Layers with a layer alignment are placed first,
// in a flat area (the parent layer, or the host's client area with y growing downwards).
// Then the children with an Align take their place in the box of the object (centred on its
// origin, Width x Height x Depth), kind by kind in a fixed order; the side kinds take strips
// of the box and shrink it for the kinds after them. Each child's Padding is kept around it.
#include <cmath>
#include <vector>

#include "scene3d/VisualObjects.h"

namespace dx {

namespace {

// dxContents comes twice: a child that fills the object is placed again once the others have
// taken their strips. dxVertCenter and dxHorzCenter take part in no pass.
constexpr TdxAlign AlignOrder[] = {dxScale,  dxContents, dxMostLeft, dxMostRight,  dxTop,        dxBottom,
                                   dxLeft,   dxRight,    dxClient,   dxHorizontal, dxVertical,   dxContents,
                                   dxCenter, dxTopLeft,  dxTopRight, dxBottomLeft, dxBottomRight};

constexpr TdxLayerAlign LayerOrder[] = {dxLayerMostTop, dxLayerMostBottom, dxLayerMostLeft, dxLayerMostRight,
                                        dxLayerTop,     dxLayerBottom,     dxLayerLeft,     dxLayerRight,
                                        dxLayerClient,  dxLayerCenter,     dxLayerContents};

bool IsCorner(TdxAlign K) { return K == dxTopLeft || K == dxTopRight || K == dxBottomLeft || K == dxBottomRight; }

// Whether child A goes before the already collected child B of the same kind: A new child
// goes after equal ones for the top and left kinds, before equal ones for the right and
// bottom kinds.
bool Precedes(TdxAlign Kind, const TdxVisualObject* A, const TdxVisualObject* B) {
  switch (Kind) {
    case dxTop: return A->Position()->Y() < B->Position()->Y();
    case dxLeft:
    case dxMostLeft: return A->Position()->X() < B->Position()->X();
    case dxRight:
    case dxMostRight: return A->Position()->X() + A->Width() >= B->Position()->X() + B->Width();
    case dxBottom: return A->Position()->Y() + A->Height() >= B->Position()->Y() + B->Height();
    default: return false;
  }
}

bool IsTopKind(TdxLayerAlign A) { return A == dxLayerTop || A == dxLayerMostTop; }
bool IsBottomKind(TdxLayerAlign A) { return A == dxLayerBottom || A == dxLayerMostBottom; }
bool IsLeftKind(TdxLayerAlign A) { return A == dxLayerLeft || A == dxLayerMostLeft; }
bool IsRightKind(TdxLayerAlign A) { return A == dxLayerRight || A == dxLayerMostRight; }

bool LayerPrecedes(TdxLayerAlign Kind, const TdxVisualObject* L, const TdxVisualObject* M) {
  if (IsTopKind(Kind)) return L->Position()->Y() - L->Height() / 2 < M->Position()->Y() - M->Height() / 2;
  if (IsBottomKind(Kind)) return L->Position()->Y() + L->Height() / 2 >= M->Position()->Y() + M->Height() / 2;
  if (IsLeftKind(Kind)) return L->Position()->X() - L->Width() / 2 < M->Position()->X() - M->Width() / 2;
  if (IsRightKind(Kind)) return L->Position()->X() + L->Width() / 2 >= M->Position()->X() + M->Width() / 2;
  return false;
}

// Moves Child's origin without the position's change event, then recomputes its matrix once.
void PlaceQuietly(TdxVisualObject* Child, const TdxPoint3D& P) {
  Child->Position()->SetPointNoChange(P);
  Child->RecalcMatrix();
}

struct TArea {
  float Left, Top, Right, Bottom;
};

}  // namespace

void TdxVisualObject::Realign() {
  if (IsDestroying() || realigning_) return;
  if ((width_ > -0.2f && width_ < 0.2f) || (height_ > -0.2f && height_ < 0.2f)) return;
  // The size the children are placed for is remembered after every alignment, also one
  // with no aligned child or no child at all, so a scaled child added later starts from
  // the size it finds.
  const auto remember = [this] {
    lastWidth_ = width_;
    lastHeight_ = height_;
    lastDepth_ = depth_;
  };
  if (IsLoading() || ChildrenCount() == 0) {
    remember();
    return;
  }
  realigning_ = true;
  try {
    bool layers = false, aligned = false;
    for (int i = 0; i < ChildrenCount(); ++i) {
      auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
      if (!v) continue;
      layers = layers || (v->IsLayer() && v->LayerAlign() != dxLayerNone);
      aligned = aligned || v->align_ != dxNone;
    }
    if (layers) RealignLayers();
    if (aligned) {
      TdxVector boxMin{-width_ / 2, -height_ / 2, -depth_ / 2, 1};
      TdxVector boxMax{width_ / 2, height_ / 2, depth_ / 2, 1};
      for (TdxAlign kind : AlignOrder) AlignPass(kind, boxMin, boxMax);
      Repaint();
    }
    remember();
  } catch (...) {
    realigning_ = false;
    throw;
  }
  realigning_ = false;
}

void TdxVisualObject::AlignedChildComes(const TdxVisualObject* Child) {
  for (int i = 0; i < ChildrenCount(); ++i) {
    auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
    if (v && v != Child && v->align_ != dxNone) return;
  }
  lastWidth_ = width_;
  lastHeight_ = height_;
  lastDepth_ = depth_;
}

void TdxVisualObject::AlignPass(TdxAlign Kind, TdxVector& BoxMin, TdxVector& BoxMax) {
  const bool design = InDesign();
  std::vector<TdxVisualObject*> list;
  for (int i = 0; i < ChildrenCount(); ++i) {
    auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
    if (!v || v->align_ != Kind || (!v->visible_ && !design)) continue;
    auto at = list.begin();
    while (at != list.end() && !Precedes(Kind, v, *at)) ++at;
    list.insert(at, v);
  }
  for (TdxVisualObject* c : list) {
    if (!c->visible_) continue;
    const TdxBounds& pad = *c->padding_;
    const float L = pad.Left(), R = pad.Right(), T = pad.Top(), B = pad.Bottom(), N = pad.ZNear(), F = pad.ZFar();
    if (Kind == dxContents) {
      PlaceQuietly(c, {L / 2 - R / 2, T / 2 - B / 2, N / 2 - F / 2});
      c->SetWidth(width_ - L - R);
      c->SetHeight(height_ - T - B);
      c->SetDepth(depth_ - N - F);
      c->RecalcMatrix();
      c->Realign();
      continue;
    }
    if (IsCorner(Kind)) {
      // Keeps the child at its distance from its corner as the object changes size.
      const float dx = (width_ - lastWidth_) / 2, dy = (height_ - lastHeight_) / 2;
      const bool right = Kind == dxTopRight || Kind == dxBottomRight;
      const bool bottom = Kind == dxBottomLeft || Kind == dxBottomRight;
      PlaceQuietly(
          c, {c->position_->X() + (right ? dx : -dx), c->position_->Y() + (bottom ? dy : -dy), c->position_->Z()});
      continue;
    }
    if (Kind == dxScale) {
      if (width_ > 0 && height_ > 0 && depth_ > 0 && lastWidth_ > 0 && lastHeight_ > 0 && lastDepth_ > 0) {
        const float fx = width_ / lastWidth_, fy = height_ / lastHeight_, fz = depth_ / lastDepth_;
        PlaceQuietly(c, {c->position_->X() * fx, c->position_->Y() * fy, c->position_->Z() * fz});
        c->SetWidth(c->width_ * fx);
        c->SetHeight(c->height_ * fy);
        c->SetDepth(c->depth_ * fz);
        c->RecalcMatrix();
        c->Realign();
      }
      continue;
    }
    // The child's outer size: the box's where it stretches, its own where it keeps it.
    float w = BoxMax.X - BoxMin.X, h = BoxMax.Y - BoxMin.Y, d = BoxMax.Z - BoxMin.Z;
    const bool ownWidth = Kind == dxLeft || Kind == dxRight || Kind == dxMostLeft || Kind == dxMostRight ||
                          Kind == dxVertical || Kind == dxCenter;
    const bool ownHeight = Kind == dxTop || Kind == dxBottom || Kind == dxHorizontal || Kind == dxCenter;
    if (ownWidth || w < 0) w = c->width_ + L + R;
    if (ownHeight || h < 0) h = c->height_ + T + B;
    if (Kind == dxCenter || d < 0) d = c->depth_ + N + F;
    // The centre, before the padding: the box's minimum plus half the inner size.
    TdxVector centre{BoxMin.X + (w - L - R) / 2, BoxMin.Y + (h - T - B) / 2, BoxMin.Z + (d - N - F) / 2, 1};
    switch (Kind) {
      case dxCenter:
        centre.X = BoxMin.X + std::trunc((BoxMax.X - BoxMin.X - w) / 2) + c->width_ / 2;
        centre.Y = BoxMin.Y + std::trunc((BoxMax.Y - BoxMin.Y - h) / 2) + c->height_ / 2;
        centre.Z = BoxMin.Z + std::trunc((BoxMax.Z - BoxMin.Z - d) / 2) + c->depth_ / 2;
        break;
      case dxTop: BoxMin.Y += h; break;
      case dxLeft:
      case dxMostLeft: BoxMin.X += w; break;
      case dxRight:
      case dxMostRight:
        BoxMax.X -= w;
        centre.X = BoxMax.X + (w - L - R) / 2;
        break;
      case dxBottom:
        BoxMax.Y -= h;
        centre.Y = BoxMax.Y + (h - T - B) / 2;
        break;
      case dxVertical: centre.X = c->position_->X() - L; break;    // keeps its X
      case dxHorizontal: centre.Y = c->position_->Y() - T; break;  // keeps its Y
      default: break;
    }
    c->position_->SetPointNoChange({centre.X + L, centre.Y + T, centre.Z + N});
    if (w - L - R != c->width_ || h - T - B != c->height_ || d - N - F != c->depth_) {
      c->SetWidth(w - L - R);
      c->SetHeight(h - T - B);
      c->SetDepth(d - N - F);
      c->Realign();
    }
    c->RecalcMatrix();
    // A child that kept a size of its own gives the rest of its strip back.
    const float backW = w - (c->width_ + L + R), backH = h - (c->height_ + T + B), backD = d - (c->depth_ + N + F);
    switch (Kind) {
      case dxTop: BoxMin.Y -= backH; break;
      case dxLeft: BoxMin.X -= backW; break;
      case dxRight: BoxMax.X += backW; break;
      case dxBottom: BoxMax.Y += backH; break;
      case dxClient:
        BoxMax.X += backW;
        BoxMax.Y += backH;
        BoxMax.Z += backD;
        break;
      default: break;
    }
  }
}

void TdxVisualObject::RealignLayers() {
  IdxScene* s = Scene();
  if (!s || ChildrenCount() == 0) return;
  const bool design = s->GetDesignTime();
  TArea area = IsLayer()
                   ? TArea{-width_ / 2, -height_ / 2, width_ / 2, height_ / 2}
                   : TArea{0, 0, static_cast<float>(s->GetClientWidth()), static_cast<float>(s->GetClientHeight())};
  const TArea whole = area;
  std::vector<TdxVisualObject*> list;
  for (TdxLayerAlign kind : LayerOrder) {
    list.clear();
    for (int i = 0; i < ChildrenCount(); ++i) {
      auto* v = dynamic_cast<TdxVisualObject*>(Children(i));
      if (!v || !v->IsLayer() || v->LayerAlign() != kind || v->projection_ != dxProjectionScreen) continue;
      if (!v->visible_ && !design) continue;
      auto at = list.begin();
      while (at != list.end() && !LayerPrecedes(kind, v, *at)) ++at;
      list.insert(at, v);
    }
    for (TdxVisualObject* layer : list) {
      if (!layer->visible_ && !design) continue;
      const bool sideX = IsLeftKind(kind) || IsRightKind(kind);
      const bool sideY = IsTopKind(kind) || IsBottomKind(kind);
      float w = area.Right - area.Left, h = area.Bottom - area.Top;
      if (sideX || w < 0) w = layer->width_;
      if (sideY || h < 0) h = layer->height_;
      float x = area.Left, y = area.Top;
      if (IsTopKind(kind)) {
        area.Top += h;
      } else if (IsBottomKind(kind)) {
        area.Bottom -= h;
        y = area.Bottom;
      } else if (IsLeftKind(kind)) {
        area.Left += w;
      } else if (IsRightKind(kind)) {
        area.Right -= w;
        x = area.Right;
      } else if (kind == dxLayerCenter) {
        x = area.Left + (w - layer->width_) / 2;
        y = area.Top + (h - layer->height_) / 2;
        w = layer->width_;
        h = layer->height_;
      } else if (kind == dxLayerContents) {
        // The whole first area, whatever the other layers took.
        x = whole.Left;
        y = whole.Top;
        w = whole.Right - whole.Left;
        h = whole.Bottom - whole.Top;
      }
      if (layer->width_ != w || layer->height_ != h) {
        layer->SetWidth(w);
        layer->SetHeight(h);
      }
      PlaceQuietly(layer, {x + w / 2, y + h / 2, layer->position_->Z()});
      // A layer that kept a size of its own gives the rest back on the side it took.
      const float backW = w - layer->width_, backH = h - layer->height_;
      if (IsTopKind(kind))
        area.Top -= backH;
      else if (IsBottomKind(kind))
        area.Bottom += backH;
      else if (IsLeftKind(kind))
        area.Left -= backW;
      else if (IsRightKind(kind))
        area.Right += backW;
      else if (kind == dxLayerClient) {
        area.Right += backW;
        area.Bottom += backH;
      }
    }
  }
}

}  // namespace dx
