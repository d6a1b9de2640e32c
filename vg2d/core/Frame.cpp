#include "vg2d/core/Frame.h"

#include <algorithm>
#include <cstdint>

#include "vg2d/core/Effects.h"
#include "vg2d/core/SceneControl.h"

namespace vg {

rtl::TClass TvxFrame::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFrame>()
                                          .Property("SceneObject", &TvxFrame::SceneObject, &TvxFrame::SetSceneObject)
                                          .Build();
  return &info;
}

TvxFrame::TvxFrame(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}

void TvxFrame::BeforeDestruction() {
  if (!ComponentState().Contains(rtl::csDesigning)) GiveBack();
  sceneObject_ = nullptr;
  inherited::BeforeDestruction();
}

// The borrowed root goes back to its scene; the form copy made for it goes away.
void TvxFrame::GiveBack() {
  TvxCustomScene* scene = sceneObject_;
  if (!scene || scene->Frame() != this) return;
  if (GetChildrenCount() > 0) scene->AddObject(GetChild(0));
  scene->SetFrame(nullptr);
  if (rtl::TComponent* copy = scene->FormCopy(); copy && !copy->ComponentState().Contains(rtl::csDestroying)) {
    scene->SetFormCopy(nullptr);
    delete copy;
  }
}

void TvxFrame::Attach() {
  TvxCustomScene* scene = sceneObject_;
  TvxObject* root = scene ? scene->GetRoot() : nullptr;
  if (!root) return;
  scene->SetFrame(this);
  root->SetParent(this);
  if (TvxVisualObject* v = root->Visual()) v->SetAlign(vaClient);
  Realign();
}

void TvxFrame::SetSceneObject(TvxCustomScene* Value) {
  if (Value == sceneObject_ || (Value && Scene() && Scene()->GetComponent() == Value)) return;
  const bool design = ComponentState().Contains(rtl::csDesigning);
  if (!design) GiveBack();
  if (sceneObject_) sceneObject_->RemoveFreeNotification(this);
  sceneObject_ = Value;
  pending_ = false;
  if (Value) Value->FreeNotification(this);
  if (design) {
    Repaint();
    return;
  }
  if (!Value) return;
  if (Value->Frame() && Value->Frame() != this) pending_ = true;
  else Attach();
}

void TvxFrame::PaintPreview() {
  TvxObject* root = sceneObject_ ? sceneObject_->GetRoot() : nullptr;
  TvxVisualObject* v = root ? root->Visual() : nullptr;
  TvxCanvas* target = GetCanvas();
  if (!v || !v->Visible() || !target) return;
  auto side = [](float V) { return static_cast<int>(std::clamp<int64_t>(Round(V), 0, MaxEffectBitmapSide)); };
  const int w = side(Width()), h = side(Height());
  if (w == 0 || h == 0) return;
  if (!preview_) preview_ = std::make_unique<TvxBitmap>(w, h);
  else if (preview_->Width() != w || preview_->Height() != h) preview_->SetSize(w, h);
  preview_->Clear(0);
  v->SetBounds(0, 0, Width(), Height());
  const TvxRect all = MakeRect(0, 0, static_cast<float>(w), static_cast<float>(h));
  if (TvxCanvas* c = preview_->GetCanvas(); c && !preview_->IsEmpty() && c->BeginScene()) {
    v->PaintTo(c, all, nullptr);
    c->EndScene();
  }
  target->SetMatrix(GetAbsoluteMatrix());
  target->DrawBitmap(preview_.get(), all, GetLocalRect(), GetAbsoluteOpacity(), false);
}

void TvxFrame::Paint() {
  if (ComponentState().Contains(rtl::csDesigning)) {
    PaintPreview();
    return;
  }
  if (!pending_) return;
  pending_ = false;
  TvxCustomScene* scene = sceneObject_;
  if (!scene) return;
  if (scene->Frame() && scene->Frame() != this) {
    // Shown elsewhere: a new copy of the scene's form carries a scene of its own.
    TvxCustomScene* copyScene = nullptr;
    rtl::TComponent* form = scene->Owner();
    std::unique_ptr<rtl::TObject> made;
    if (form && form->ClassType()->Factory) {
      try {
        made = form->ClassType()->Factory(nullptr);
      } catch (...) {
        made.reset();
      }
    }
    if (auto* copy = dynamic_cast<rtl::TComponent*>(made.get()))
      copyScene = dynamic_cast<TvxCustomScene*>(copy->FindComponent(scene->Name()));
    scene->RemoveFreeNotification(this);
    sceneObject_ = nullptr;
    if (!copyScene) return;
    copyScene->SetFormCopy(static_cast<rtl::TComponent*>(made.release()));
    sceneObject_ = copyScene;
    copyScene->FreeNotification(this);
  }
  if (!sceneObject_->Frame()) Attach();
}

void TvxFrame::GetChildren(const rtl::TGetChildProc&, rtl::TComponent*) {}

void TvxFrame::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == rtl::opRemove && sceneObject_ && AComponent == static_cast<rtl::TComponent*>(sceneObject_)) {
    sceneObject_ = nullptr;
    pending_ = false;
  }
}

}  // namespace vg
