#include "vg2d/core/Objects.h"

#include <algorithm>

#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/Effects.h"
#include "vg2d/core/VisualObjects.h"

namespace vg {

namespace {

// Calls Fn on each child in order; a child that leaves the list during its call (freed by
// a handler) does not make the walk skip the next one.
template <class F>
void ForEachChild(const std::vector<TvxObject*>& Children, F&& Fn) {
  for (size_t i = 0; i < Children.size();) {
    TvxObject* child = Children[i];
    Fn(child);
    if (i < Children.size() && Children[i] == child) ++i;
  }
}

// Runs the message loop until Running answers false or the animation is freed meanwhile.
// True when the animation still lives afterwards.
bool WaitWhileRunning(TvxAnimation* Animation) {
  TvxFreeWatch watch(Animation);
  rtl::Application->RunUntil([&] { return watch.Gone() || !Animation->Running(); });
  return !watch.Gone();
}

}  // namespace

rtl::TClass TvxObject::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxObject>()
          .Property("Index", &TvxObject::GetIndex, &TvxObject::SetIndex)
          .Stored(false)
          .Property("Parent", &TvxObject::Parent, &TvxObject::SetParent)
          .Stored(false)
          .Property("BindingName", &TvxObject::BindingName, &TvxObject::SetBindingName)
          .Property("ResourceName", &TvxObject::ResourceName, &TvxObject::SetResourceName)
          .Build();
  return &info;
}

TvxObject::TvxObject(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) { AddObjectInstance(this); }

TvxObject::~TvxObject() { Teardown(); }

void TvxObject::BeforeDestruction() {
  Destroying();
  Teardown();
  inherited::BeforeDestruction();
}

void TvxObject::Teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  if (scene_) scene_->Notification(this, rtl::opRemove);
  const std::vector<IvxFreeNotification*> notifies = std::move(freeNotifies_);
  freeNotifies_.clear();
  for (IvxFreeNotification* n : notifies) n->FreeNotification(this);
  RemoveObjectInstance(this);
  if (parent_)
    parent_->RemoveObject(this);
  else if (scene_)
    LeaveHost();
  scene_ = nullptr;
  DeleteChildren();
}

// ---- free notifications ---------------------------------------------------------------------

void TvxObject::AddFreeNotify(IvxFreeNotification* AObject) {
  if (AObject && std::find(freeNotifies_.begin(), freeNotifies_.end(), AObject) == freeNotifies_.end())
    freeNotifies_.push_back(AObject);
}

void TvxObject::RemoveFreeNotify(IvxFreeNotification* AObject) {
  const auto it = std::find(freeNotifies_.begin(), freeNotifies_.end(), AObject);
  if (it != freeNotifies_.end()) freeNotifies_.erase(it);
}

// ---- tree -------------------------------------------------------------------------------------

void TvxObject::SetParent(TvxObject* Value) {
  // Nil on a root of a host takes it out of the host.
  if (Value == parent_ && (Value || !scene_)) return;
  if (parent_)
    parent_->RemoveObject(this);
  else if (scene_)
    LeaveHost();
  if (Value)
    Value->AddObject(this);
  else
    parent_ = nullptr;
}

void TvxObject::AddObject(TvxObject* AObject) {
  if (!AObject) return;
  for (TvxObject* up = this; up; up = up->parent_)
    if (up == AObject) return;  // an object cannot go below itself
  // It leaves its parent, or the host it is a root of.
  // Having left its parent, it is no child of this one: no search of the children.
  if (AObject->parent_ || AObject->scene_) AObject->SetParent(nullptr);
  if (children_.empty()) children_.reserve(10);
  children_.push_back(AObject);
  AObject->parent_ = this;
  AObject->index_ = -1;
  AObject->scene_ = scene_;
  AObject->InheritScene();
  AObject->ChangeParent();
  ChildAdded(AObject);
}

void TvxObject::RemoveObject(TvxObject* AObject) {
  // Looked for from the back: children mostly leave in the reverse order they came in.
  if (!AObject || std::find(children_.rbegin(), children_.rend(), AObject) == children_.rend()) return;
  ChildRemoving(AObject);
  NotifySceneOfSubtree(AObject);
  AObject->parent_ = nullptr;
  AObject->SetScene(nullptr);
  AObject->index_ = -1;
  const auto at = std::find(children_.rbegin(), children_.rend(), AObject);
  if (at != children_.rend()) {
    // Only the children after it move.
    const size_t from = static_cast<size_t>(children_.rend() - at) - 1;
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(from));
    for (size_t i = from; i < children_.size(); ++i) children_[i]->index_ = -1;
  }
  ChildRemoved(AObject);
}

void TvxObject::NotifySceneOfSubtree(TvxObject* AObject) {
  if (!AObject->scene_) return;
  std::vector<TvxObject*> subtree;
  AObject->AddObjectsToList(subtree);
  for (TvxObject* o : subtree)
    if (o->scene_) o->scene_->Notification(o, rtl::opRemove);
}

void TvxObject::LeaveHost() {
  IvxScene* host = scene_;
  NotifySceneOfSubtree(this);
  host->RemoveObject(this);
}

void TvxObject::DeleteChildren() {
  // One at a time from the front: freeing a child may free a sibling it owns, which then
  // leaves the list by itself. The list is turned round once so that each child is taken
  // from its end: freeing many children costs in step with their number.
  std::reverse(children_.begin(), children_.end());
  while (!children_.empty()) {
    TvxObject* child = children_.back();
    NotifySceneOfSubtree(child);
    children_.pop_back();
    child->parent_ = nullptr;
    child->SetScene(nullptr);
    child->Free();
  }
  children_.shrink_to_fit();
}

TvxObject* TvxObject::GetChild(int Index) const {
  return Index >= 0 && Index < GetChildrenCount() ? children_[static_cast<size_t>(Index)] : nullptr;
}

int TvxObject::GetIndex() const {
  if (index_ < 0 && parent_) {
    const auto& siblings = parent_->children_;
    const auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it != siblings.end()) index_ = static_cast<int>(it - siblings.begin());
  }
  return index_;
}

void TvxObject::ResetSiblingIndexes() {
  for (TvxObject* c : children_) c->index_ = -1;
}

void TvxObject::SetIndex(int Value) {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  const auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it == siblings.end()) return;
  siblings.erase(it);
  const int at = std::clamp(Value, 0, static_cast<int>(siblings.size()));
  siblings.insert(siblings.begin() + at, this);
  parent_->ResetSiblingIndexes();
  if (IsVisual() && parent_->IsVisual() && !ComponentState().Contains(rtl::csLoading)) parent_->Visual()->Realign();
}

void TvxObject::BringToFront() {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  const auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it == siblings.end()) return;
  siblings.erase(it);
  siblings.push_back(this);
  parent_->ResetSiblingIndexes();
  if (IsVisual()) Visual()->Repaint();
}

void TvxObject::SendToBack() {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  const auto it = std::find(siblings.begin(), siblings.end(), this);
  if (it == siblings.end()) return;
  siblings.erase(it);
  siblings.insert(siblings.begin(), this);
  parent_->ResetSiblingIndexes();
  if (parent_->IsVisual()) parent_->Visual()->Realign();
}

void TvxObject::SortChildren(const TvxObjectSortCompare& Less) {
  std::stable_sort(children_.begin(), children_.end(), Less);
  ResetSiblingIndexes();
}

void TvxObject::AddObjectsToList(std::vector<TvxObject*>& List) {
  List.push_back(this);
  for (TvxObject* c : children_) c->AddObjectsToList(List);
}

void TvxObject::AddControlsToList(std::vector<TvxControl*>& List) {
  if (auto* c = dynamic_cast<TvxControl*>(this)) List.push_back(c);
  for (TvxObject* c : children_) c->AddControlsToList(List);
}

// ---- host ---------------------------------------------------------------------------------------

void TvxObject::SetScene(IvxScene* AScene) {
  scene_ = AScene;
  for (TvxObject* c : children_) c->SetScene(AScene);
}

void TvxObject::InheritScene() {
  if (!scene_ && parent_) scene_ = parent_->scene_;
  for (TvxObject* c : children_) c->InheritScene();
}

// ---- names, data, resources ----------------------------------------------------------------------

void TvxObject::SetStored(bool Value) {
  if (Value == stored_) return;
  stored_ = Value;
  for (TvxObject* c : children_) c->SetStored(Value);
}

void TvxObject::SetResourceName(const std::string& Value) { SetField(resourceName_, Value); }

void TvxObject::SetBindingName(const std::string& Value) { SetField(bindingName_, Value); }

void TvxObject::SetTagString(const std::u16string& Value) {
  if (Value == tagString_) return;
  tagString_ = Value;
  TagStringChanged();
}

void TvxObject::SetTagObject(rtl::TObject* Value) {
  // A component is watched so that the slot never outlives it. The watch on one kept before
  // stays (the object may watch it for another reference of its own); its notice then finds
  // the slot holding something else.
  tagObject_ = Value;
  if (auto* c = dynamic_cast<rtl::TComponent*>(Value)) FreeNotification(c);
}

void TvxObject::Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) {
  if (Operation == rtl::opRemove && AComponent && static_cast<rtl::TObject*>(AComponent) == tagObject_)
    tagObject_ = nullptr;
  inherited::Notification(AComponent, Operation);
}

TvxObject* TvxObject::FindBinding(const std::string& Name) {
  if (rtl::SameText(bindingName_, Name)) return this;
  for (TvxObject* c : children_) {
    if (rtl::SameText(c->bindingName_, Name)) return c;
    if (TvxObject* found = c->FindBinding(Name)) return found;
  }
  return nullptr;
}

rtl::TPropValue TvxObject::GetBinding(const std::string& Name) {
  TvxObject* target = FindBinding(Name);
  return target ? target->GetData() : rtl::TPropValue(std::string());
}

void TvxObject::SetBinding(const std::string& Name, const rtl::TPropValue& Value) {
  TvxObject* target = FindBinding(Name);
  if (!target) return;
  try {
    target->SetData(Value);
  } catch (const std::exception&) {
    // A target that refuses the value keeps its own.
  }
}

rtl::TPropValue TvxObject::GetData() { return Name(); }

TvxObject* TvxObject::FindResource(const std::string& Name) {
  if (Name.empty()) return nullptr;
  for (TvxObject* c : children_) {
    if (rtl::SameText(c->resourceName_, Name)) return c;
    if (c->ResourcesVisible())
      if (TvxObject* found = c->FindResource(Name)) return found;
  }
  return nullptr;
}

void TvxObject::UpdateStyle() {
  const rtl::TComponentState state = ComponentState();
  if (state.Contains(rtl::csLoading) || state.Contains(rtl::csDestroying)) return;
  ForEachChild(children_, [](TvxObject* c) { c->UpdateStyle(); });
}

// ---- animations and effects ---------------------------------------------------------------------

bool TvxObject::IsStylePart(TvxObject* Child) {
  return Child->IsVisual() && Child->Visual()->Locked() && !Child->Visual()->HitTest();
}

void TvxObject::StartAnimation(const std::string& Name) {
  ForEachChild(children_, [&](TvxObject* c) {
    if (auto* a = dynamic_cast<TvxAnimation*>(c); a && rtl::SameText(a->Name(), Name)) a->Start();
  });
}

void TvxObject::StopAnimation(const std::string& Name) {
  for (int i = GetChildrenCount() - 1; i >= 0; --i) {
    if (i >= GetChildrenCount()) continue;
    if (auto* a = dynamic_cast<TvxAnimation*>(children_[static_cast<size_t>(i)]); a && rtl::SameText(a->Name(), Name))
      a->Stop();
  }
}

void TvxObject::StartTriggerAnimation(TvxObject* AInstance, const std::string& ATrigger) {
  StopTriggerAnimation(AInstance);
  ForEachChild(children_, [&](TvxObject* c) {
    if (auto* a = dynamic_cast<TvxAnimation*>(c))
      a->StartTrigger(AInstance, ATrigger);
    else if (IsStylePart(c))
      c->StartTriggerAnimation(AInstance, ATrigger);
  });
}

void TvxObject::StartTriggerAnimationWait(TvxObject* AInstance, const std::string& ATrigger) {
  StopTriggerAnimation(AInstance);
  TvxFreeWatch self(this);
  ForEachChild(children_, [&](TvxObject* c) {
    if (self.Gone()) return;
    if (auto* a = dynamic_cast<TvxAnimation*>(c)) {
      a->StartTrigger(AInstance, ATrigger);
      WaitWhileRunning(a);
    } else if (IsStylePart(c)) {
      c->StartTriggerAnimationWait(AInstance, ATrigger);
    }
  });
}

void TvxObject::StopTriggerAnimation(TvxObject* AInstance) {
  ForEachChild(children_, [&](TvxObject* c) {
    if (auto* a = dynamic_cast<TvxAnimation*>(c)) {
      if (!a->Trigger().empty()) a->Stop();
    } else if (IsStylePart(c)) {
      c->StopTriggerAnimation(AInstance);
    }
  });
}

void TvxObject::ApplyTriggerEffect(TvxObject* AInstance, const std::string& ATrigger) {
  ForEachChild(children_, [&](TvxObject* c) {
    if (auto* e = dynamic_cast<TvxEffect*>(c))
      e->ApplyTrigger(AInstance, ATrigger);
    else if (IsStylePart(c))
      c->ApplyTriggerEffect(AInstance, ATrigger);
  });
}

namespace {
TvxFloatAnimation* MakeFloatAnimation(TvxObject* Parent, const std::string& PropertyName, float NewValue,
                                      float Duration, TvxAnimationType AnimationType,
                                      TvxInterpolationType Interpolation) {
  auto* a = new TvxFloatAnimation(Parent);
  a->SetParent(Parent);
  a->SetAnimationType(AnimationType);
  a->SetInterpolation(Interpolation);
  a->SetDuration(Duration);
  a->SetStopValue(NewValue);
  a->SetPropertyName(PropertyName);
  a->SetStartFromCurrent(true);
  return a;
}
}  // namespace

void TvxObject::AnimateFloat(const std::string& PropertyName, float NewValue, float Duration,
                             TvxAnimationType AnimationType, TvxInterpolationType Interpolation) {
  TvxFloatAnimation* a = MakeFloatAnimation(this, PropertyName, NewValue, Duration, AnimationType, Interpolation);
  // Freed by the loop once its finishing handler has returned.
  a->OnFinish = [](rtl::TObject* Sender) { rtl::Application->ReleaseComponent(static_cast<rtl::TComponent*>(Sender)); };
  a->Start();
}

void TvxObject::AnimateFloatWait(const std::string& PropertyName, float NewValue, float Duration,
                                 TvxAnimationType AnimationType, TvxInterpolationType Interpolation) {
  TvxFloatAnimation* a = MakeFloatAnimation(this, PropertyName, NewValue, Duration, AnimationType, Interpolation);
  a->Start();
  // A handler run by the wait may free this object, and the animation with it: then
  // neither is touched again.
  if (WaitWhileRunning(a)) a->Free();
}

// ---- streams ------------------------------------------------------------------------------------

void TvxObject::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent*) {
  if (FlattenedInStreams()) return;
  for (TvxObject* c : children_) {
    if (c->FlattenedInStreams())
      for (TvxObject* inner : c->children_)
        if (inner->stored_) Proc(inner);
    if (c->stored_) Proc(c);
  }
}

rtl::TComponent* TvxObject::GetParentComponent() const {
  TvxObject* p = parent_;
  if (p && p->SkippedAsStreamParent()) p = p->parent_;
  if (p) return p;
  return scene_ ? scene_->GetComponent() : nullptr;
}

void TvxObject::SetParentComponent(rtl::TComponent* Value) {
  if (parent_) parent_->RemoveObject(this);
  if (auto* o = dynamic_cast<TvxObject*>(Value))
    o->AddObject(this);
  else if (IvxScene* host = SceneOf(Value))
    host->AddObject(this);
}

void TvxObject::SaveToBinaryStream(rtl::TStream* Stream, bool Copy) {
  const std::string saved = Name();
  ChangeName({});
  try {
    rtl::TWriter writer(Stream, 4096);
    writer.SetCopying(Copy);
    writer.WriteRootComponent(this);
  } catch (...) {
    ChangeName(saved);
    throw;
  }
  ChangeName(saved);
}

void TvxObject::SaveToTextStream(rtl::TStream* Stream, bool Copy) {
  rtl::TMemoryStream binary;
  SaveToBinaryStream(&binary, Copy);
  binary.SetPosition(0);
  rtl::ObjectBinaryToText(&binary, Stream);
}

void TvxObject::LoadFromBinaryStream(rtl::TStream* Stream) {
  const bool designing = ComponentState().Contains(rtl::csDesigning);
  if (!designing) SetDesigning(true, false);
  try {
    LoadObjectFromBinaryStream(this, Stream);
  } catch (...) {
    if (!designing) SetDesigning(false, false);
    throw;
  }
  if (!designing) SetDesigning(false, false);
}

TvxObject* TvxObject::Clone(rtl::TComponent* AOwner) {
  rtl::TMemoryStream stream;
  SaveToBinaryStream(&stream, true);
  stream.SetPosition(0);
  std::unique_ptr<rtl::TObject> made = ClassType()->Create(AOwner);
  auto* copy = static_cast<TvxObject*>(made.get());
  copy->LoadFromBinaryStream(&stream);
  made.release();  // now AOwner's, or the caller's
  return copy;
}

}  // namespace vg
