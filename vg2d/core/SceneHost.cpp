#include "vg2d/core/SceneHost.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/rtl/Filer.h"
#include "platform/win/Hints.h"
#include "platform/win/InputMethod.h"
#include "vg2d/core/Canvas.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/Styles.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

bool IsQuarterTurn(float A) { return A == 90 || A == -90 || A == 270 || A == -270; }

// To the nearest whole number, halves to even.
float RoundEven(float V) { return std::nearbyint(V); }

}  // namespace

TvxSceneHost::TvxSceneHost(rtl::TComponent* Self, TvxDesignKind Kind)
    : self_(Self), designKind_(std::move(Kind)), designer_(std::make_unique<TvxDesignEditor>(*this)) {
  designTime_ = Self->ComponentState().Contains(rtl::csDesigning);
}

TvxSceneHost::~TvxSceneHost() = default;

bool TvxSceneHost::DesignSnapToGrid() const { return designer_->SnapToGrid(); }
bool TvxSceneHost::DesignSnapToLines() const { return designer_->SnapToLines(); }
bool TvxSceneHost::DesignSnapGridShow() const { return designer_->SnapGridShow(); }

// ---- roots ----------------------------------------------------------------------------------------

void TvxSceneHost::AddObject(TvxObject* Obj) {
  if (!Obj) return;
  if (Obj->Parent() || (Obj->Scene() && Obj->Scene() != this)) Obj->SetParent(nullptr);
  if (std::find(roots_.begin(), roots_.end(), Obj) == roots_.end()) roots_.push_back(Obj);
  Obj->SetScene(this);
  if (HostDestroying()) return;
  if (TvxVisualObject* v = Obj->Visual()) {
    v->RecalcUpdateRect();
    v->RecalcAbsolute();
    v->Repaint();
  }
  RealignRoot();
}

void TvxSceneHost::RemoveObject(TvxObject* Obj) {
  if (roots_.empty() || !Obj) return;
  RootRemoved();
  Notification(Obj, rtl::opRemove);
  Obj->SetScene(nullptr);
  roots_.erase(std::remove(roots_.begin(), roots_.end(), Obj), roots_.end());
}

void TvxSceneHost::FreeRoots() {
  captured_ = hovered_ = focused_ = selected_ = designPlaceObject_ = designEditObject_ = nullptr;
  activeControl_ = nullptr;
  designer_->Forget(nullptr);
  while (!roots_.empty()) {
    TvxObject* o = roots_.front();
    roots_.erase(roots_.begin());
    if (o->Parent()) o->SetParent(nullptr);
    o->SetScene(nullptr);
    delete o;
  }
}

void TvxSceneHost::RealignRoot() {
  TvxObject* first = GetRoot();
  TvxVisualObject* root = first ? first->Visual() : nullptr;
  if (!root) return;
  const float sx = root->Scale()->X(), sy = root->Scale()->Y();
  // A root scaled to nothing cannot be laid out over the host.
  if (sx == 0 || sy == 0 || std::isnan(sx) || std::isnan(sy)) return;
  const float w = HostWidth(), h = HostHeight();
  const bool whole = RoundsRootSides();
  auto side = [whole](float V) { return whole ? RoundEven(V) : V; };
  if (IsQuarterTurn(root->RotateAngle()))
    root->SetBounds(side((w - h) / 2), -side((w - h) / 2), side(h / sy), side(w / sx));
  else
    root->SetBounds(0, 0, side(w / sx), side(h / sy));
}

TvxVisualObject* TvxSceneHost::ObjectAtPoint(const TvxPoint& P) {
  for (size_t i = roots_.size(); i-- > 0;) {
    TvxVisualObject* v = roots_[i]->Visual();
    if (!v) return nullptr;
    if (v->Visible() || designTime_)
      if (TvxVisualObject* hit = v->ObjectAtPoint(P)) return hit;
  }
  return nullptr;
}

// ---- references ---------------------------------------------------------------------------------

void TvxSceneHost::ForgetReferences(rtl::TComponent* AComponent) {
  if (!AComponent) return;
  const bool focusGoes = focused_ && static_cast<rtl::TComponent*>(focused_) == AComponent;
  for (TvxVisualObject** ref : {&captured_, &selected_, &hovered_, &focused_, &designPlaceObject_, &designEditObject_})
    if (*ref && static_cast<rtl::TComponent*>(*ref) == AComponent) *ref = nullptr;
  if (focusGoes && !self_->ComponentState().Contains(rtl::csDestroying)) win::UpdateTextInput();
  if (activeControl_ && static_cast<rtl::TComponent*>(activeControl_) == AComponent) activeControl_ = nullptr;
  // A hint that names the object closes without touching it.
  win::CancelHintFor(AComponent);
  designer_->Forget(AComponent);
  if (style_ && static_cast<rtl::TComponent*>(style_) == AComponent) SetStyle(nullptr);
}

void TvxSceneHost::SetActiveControl(TvxControl* Value) {
  if (Value == activeControl_) return;
  activeControl_ = Value;
  if (Value && !self_->ComponentState().Contains(rtl::csLoading)) Value->SetFocus();
}

void TvxSceneHost::SetStyle(TvxResources* Value) {
  if (Value == style_) return;
  if (style_) style_->RemoveSceneRef(this);
  style_ = Value;
  if (style_) {
    style_->AddSceneRef(this);
    style_->FreeNotification(self_);
  }
  UpdateStyle();
}

void TvxSceneHost::UpdateStyle() {
  if (TvxObject* root = GetRoot()) root->UpdateStyle();
}

TvxRect TvxSceneHost::GetUpdateRect(int Index) {
  if (Index < 0 || Index >= GetUpdateRectsCount()) return {};
  return updateRects_[static_cast<size_t>(Index)];
}

void TvxSceneHost::SetFocused(TvxVisualObject* Value) {
  if (Value == focused_) return;
  TvxVisualObject* old = focused_;
  focused_ = Value;
  if (old) old->KillFocus();
  if (Value && focused_ == Value) {
    Value->EnterFocus();
    if (focused_ == Value) FocusTaken();
  }
  win::UpdateTextInput();
}

void TvxSceneHost::SetHovered(TvxVisualObject* Value) {
  if (Value == hovered_) return;
  if (TvxVisualObject* old = hovered_) {
    hovered_ = nullptr;
    old->MouseLeave();
  }
  if (!Value) return;
  TvxFreeWatch alive(Value);
  hovered_ = Value;
  Value->MouseEnter();
  if (alive.Gone() && hovered_ == Value) hovered_ = nullptr;
}

void TvxSceneHost::SetSelected(TvxVisualObject* Obj) {
  if (!Obj || !Obj->Scene() || Obj->Scene()->GetComponent() != GetComponent()) return;
  designer_->Select(Obj);
}

bool TvxSceneHost::FocusNext(bool Backward) {
  TvxObject* root = GetRoot();
  if (!root || !root->Visual()) return false;
  std::vector<TvxVisualObject*> list;
  root->Visual()->GetTabOrderList(list, true);
  const int n = static_cast<int>(list.size());
  if (n == 0) return false;
  const auto at = std::find(list.begin(), list.end(), focused_);
  const int i = at == list.end() ? -1 : static_cast<int>(at - list.begin());
  // From the entry after (before) the focused one, round to the focused one itself.
  const int from = i < 0 ? (Backward ? n - 1 : 0) : (Backward ? i - 1 + n : i + 1) % n;
  for (int k = 0; k < n; ++k) {
    TvxVisualObject* c = list[static_cast<size_t>(((Backward ? from - k : from + k) % n + n) % n)];
    if (c->GetParentedVisible() && c->CanFocused() && c->GetAbsoluteEnabled()) {
      c->SetFocus();
      return true;
    }
  }
  return false;
}

void TvxSceneHost::RouteWheel(rtl::TShiftState Shift, int WheelDelta, bool& Handled) {
  if (captured_) {
    captured_->MouseWheel(Shift, WheelDelta, Handled);
    return;
  }
  for (TvxVisualObject* o = ObjectAtPoint(mousePos_); o && !Handled;) {
    TvxFreeWatch alive(o);
    o->MouseWheel(Shift, WheelDelta, Handled);
    if (alive.Gone()) break;
    TvxObject* parent = o->Parent();
    o = parent ? parent->Visual() : nullptr;
  }
}

// ---- painting -------------------------------------------------------------------------------------

void TvxSceneHost::PaintRoots(TvxCanvas* Canvas, bool AfterPaintToo) {
  Canvas->SetStrokeThickness(1.0f);
  Canvas->SetStrokeCap(vgCapFlat);
  Canvas->SetStrokeJoin(vgJoinMiter);
  Canvas->SetStrokeDash(vgDashSolid);
  Canvas->Stroke()->SetStyle(vgBrushSolid);
  Canvas->Fill()->SetStyle(vgBrushSolid);
  // A root's paint may change the list (a style applied on the first paint adds nothing to
  // it, but a handler may): the roots of this paint are those it began with.
  const std::vector<TvxObject*> roots = roots_;
  for (TvxObject* o : roots) {
    TvxVisualObject* v = o->Visual();
    if (!v || !v->Visible()) continue;
    const TvxRect area = v->GetUpdateRect();
    for (const TvxRect& r : updateRects_) {
      if (!RectsIntersect(area, r)) continue;
      Canvas->SetMatrix(v->GetAbsoluteMatrix());
      v->BeforePaint();
      v->Paint();
      v->NotePainted();
      if (AfterPaintToo) v->AfterPaint();
      v->PaintChildren();
      if (AfterPaintToo && v->OnPaint) {
        Canvas->SetMatrix(v->GetAbsoluteMatrix());
        v->OnPaint(v, Canvas, v->GetLocalRect());
      }
      break;
    }
  }
  if (designTime_) designer_->Paint(Canvas);
}

// ---- stored design options ------------------------------------------------------------------------

void TvxSceneHost::DefineDesignProperties(rtl::TFiler* Filer) {
  TvxDesignEditor* d = designer_.get();
  // Shown only inside a designer: a window that is not edited never shows the grid.
  Filer->DefineProperty(
      "DesignSnapGridShow", [this, d](rtl::TReader& R) { d->SetSnapGridShow(R.ReadBoolean() && designTime_); },
      [d](rtl::TWriter& W) { W.WriteBoolean(d->SnapGridShow()); }, true);
  Filer->DefineProperty(
      "DesignSnapToGrid", [d](rtl::TReader& R) { d->SetSnapToGrid(R.ReadBoolean()); },
      [d](rtl::TWriter& W) { W.WriteBoolean(d->SnapToGrid()); }, true);
  Filer->DefineProperty(
      "DesignSnapToLines", [d](rtl::TReader& R) { d->SetSnapToLines(R.ReadBoolean()); },
      [d](rtl::TWriter& W) { W.WriteBoolean(d->SnapToLines()); }, true);
}

TvxPoint TvxSceneHost::DesignSnapped(const TvxPoint& P) const {
  if (!designTime_) return P;
  return MakePoint(designer_->SnapValue(P.X), designer_->SnapValue(P.Y));
}

void TvxSceneHost::DesignLoaded() {
  if (designer_->SnapToLines()) designer_->SetSnapToGrid(false);
}

// ---- design -----------------------------------------------------------------------------------------

void TvxSceneHost::InsertObject(const std::string& ClassName) { designer_->Insert(ClassName); }

}  // namespace vg
