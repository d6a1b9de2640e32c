#include "scene3d/Objects.h"

#include <algorithm>
#include <utility>

#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "scene3d/Animations.h"
#include "vg2d/core/Registry.h"

namespace dx {

namespace {

// Calls Fn on each child in order; a child that leaves the list during its call (freed by
// a handler) does not make the walk skip the next one.
template <class F>
void ForEachChild(const std::vector<TdxObject*>& Children, F&& Fn) {
  for (size_t i = 0; i < Children.size();) {
    TdxObject* child = Children[i];
    Fn(child);
    if (i < Children.size() && Children[i] == child) ++i;
  }
}

// The same from the last child to the first, over the children as they were when the walk
// began; a child that a handler took out of the list meanwhile is passed over.
template <class F>
void ForEachChildBackwards(const std::vector<TdxObject*>& Children, F&& Fn) {
  const std::vector<TdxObject*> snapshot = Children;
  for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it)
    if (std::find(Children.begin(), Children.end(), *it) != Children.end()) Fn(*it);
}

IdxScene* SceneOf(rtl::TComponent* AComponent) { return dynamic_cast<IdxScene*>(AComponent); }

std::vector<TdxClassEntry>* classList = nullptr;

}  // namespace

// ---- free watch ---------------------------------------------------------------------------------

class TdxFreeWatch::TWatcher : public rtl::TComponent {
public:
  explicit TWatcher(rtl::TComponent* Object) : rtl::TComponent(nullptr), object_(Object) { FreeNotification(Object); }
  ~TWatcher() override {
    if (object_) RemoveFreeNotification(object_);
  }
  bool Gone() const { return object_ == nullptr; }

protected:
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    if (Operation == rtl::opRemove && AComponent == object_) object_ = nullptr;
    rtl::TComponent::Notification(AComponent, Operation);
  }

private:
  rtl::TComponent* object_;
};

TdxFreeWatch::TdxFreeWatch(rtl::TComponent* Object) : watcher_(std::make_unique<TWatcher>(Object)) {}
TdxFreeWatch::~TdxFreeWatch() = default;
bool TdxFreeWatch::Gone() const { return watcher_->Gone(); }

// ---- object -------------------------------------------------------------------------------------

rtl::TClass TdxObject::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxObject>()
          .Property("Parent", &TdxObject::Parent, &TdxObject::SetParent)
          .Stored(false)
          .Property("ResourceName", &TdxObject::ResourceName, &TdxObject::SetResourceName)
          .Event("OnTick", &TdxObject::OnTick)
          .Build();
  return &info;
}

TdxObject::TdxObject(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

TdxObject::~TdxObject() { Teardown(); }

void TdxObject::BeforeDestruction() {
  Destroying();
  Teardown();
  inherited::BeforeDestruction();
}

void TdxObject::Teardown() {
  if (tornDown_) return;
  tornDown_ = true;
  if (parent_)
    parent_->RemoveObject(this);
  else if (scene_)
    LeaveHost();
  scene_ = nullptr;
  DeleteChildren();
}

// ---- tree ---------------------------------------------------------------------------------------

void TdxObject::SetParent(TdxObject* Value) {
  if (Value == parent_ && (Value || !scene_)) return;
  if (parent_)
    parent_->RemoveObject(this);
  else if (scene_)
    LeaveHost();
  if (Value) Value->AddObject(this);
}

void TdxObject::AddObject(TdxObject* AObject) {
  if (!AObject) return;
  for (TdxObject* up = this; up; up = up->parent_)
    if (up == AObject) return;  // an object cannot go below itself
  if (AObject->parent_ == this) return;
  if (AObject->parent_ || AObject->scene_) AObject->SetParent(nullptr);
  children_.push_back(AObject);
  AObject->parent_ = this;
  AObject->SetScene(scene_);
  ChildAdded(AObject);
}

void TdxObject::RemoveObject(TdxObject* AObject) {
  const auto it = std::find(children_.begin(), children_.end(), AObject);
  if (!AObject || it == children_.end()) return;
  NotifySceneOfSubtree(AObject);
  children_.erase(it);
  AObject->parent_ = nullptr;
  AObject->SetScene(nullptr);
  ChildRemoved(AObject);
}

void TdxObject::NotifySceneOfSubtree(TdxObject* AObject) {
  if (!AObject->scene_) return;
  std::vector<TdxObject*> subtree;
  AObject->AddObjectsToList(subtree);
  for (TdxObject* o : subtree)
    if (o->scene_) o->scene_->Notification(o, rtl::opRemove);
}

void TdxObject::LeaveHost() {
  IdxScene* host = scene_;
  NotifySceneOfSubtree(this);
  SetScene(nullptr);
  host->RemoveObject(this);
}

void TdxObject::DeleteChildren() {
  // One at a time from the front: freeing a child may free a sibling it owns, which then
  // leaves the list by itself.
  while (!children_.empty()) {
    TdxObject* child = children_.front();
    NotifySceneOfSubtree(child);
    children_.erase(children_.begin());
    child->parent_ = nullptr;
    child->SetScene(nullptr);
    child->Free();
  }
  children_.shrink_to_fit();
}

void TdxObject::AddObjectsToList(std::vector<TdxObject*>& List) {
  List.push_back(this);
  for (TdxObject* c : children_) c->AddObjectsToList(List);
}

TdxObject* TdxObject::Children(int Index) const {
  return Index >= 0 && Index < ChildrenCount() ? children_[static_cast<size_t>(Index)] : nullptr;
}

void TdxObject::BringToFront() {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  siblings.erase(std::find(siblings.begin(), siblings.end(), this));
  siblings.push_back(this);
  parent_->ChildrenReordered();
}

void TdxObject::SendToBack() {
  if (!parent_) return;
  auto& siblings = parent_->children_;
  siblings.erase(std::find(siblings.begin(), siblings.end(), this));
  siblings.insert(siblings.begin(), this);
  parent_->ChildrenReordered();
}

// ---- host ----------------------------------------------------------------------------------------

void TdxObject::SetScene(IdxScene* Value) {
  IdxScene* old = std::exchange(scene_, Value);
  if (old != Value) SceneChanged(old);
  for (TdxObject* c : children_) c->SetScene(Value);
}

void TdxObject::SetResourceName(const std::string& Value) { resourceName_ = Value; }

// ---- time ------------------------------------------------------------------------------------------

void TdxObject::ProcessTick(double Time, float DeltaTime) {
  ForEachChildBackwards(children_, [&](TdxObject* c) { c->ProcessTick(Time, DeltaTime); });
  OnTick(this, Time, DeltaTime);
}

// ---- animations ---------------------------------------------------------------------------------

void TdxObject::StartAnimation(const std::string& AName) {
  ForEachChild(children_, [&](TdxObject* c) {
    if (auto* a = dynamic_cast<TdxAnimation*>(c))
      if (rtl::SameText(a->Name(), AName) || rtl::SameText(a->ResourceName(), AName)) a->Start();
  });
}

void TdxObject::StopAnimation(const std::string& AName) {
  ForEachChildBackwards(children_, [&](TdxObject* c) {
    if (auto* a = dynamic_cast<TdxAnimation*>(c))
      if (rtl::SameText(a->Name(), AName) || rtl::SameText(a->ResourceName(), AName)) a->Stop();
  });
}

void TdxObject::StartTriggerAnimation(rtl::TObject* AInstance, const std::string& ATrigger) {
  StopTriggerAnimation(AInstance);
  ForEachChild(children_, [&](TdxObject* c) {
    if (auto* a = dynamic_cast<TdxAnimation*>(c))
      a->StartTrigger(AInstance, ATrigger);
    else if (c->FollowsParentTriggers())
      c->StartTriggerAnimation(AInstance, ATrigger);
  });
}

void TdxObject::StopTriggerAnimation(rtl::TObject* AInstance) {
  ForEachChild(children_, [&](TdxObject* c) {
    if (auto* a = dynamic_cast<TdxAnimation*>(c)) {
      if (!a->Trigger().empty()) a->Stop();
    } else if (c->FollowsParentTriggers()) {
      c->StopTriggerAnimation(AInstance);
    }
  });
}

void TdxObject::StopFloatAnimations(const std::string& PropertyPath) {
  // A stopped animation may free itself (or others) in its finishing handler: walk a
  // snapshot and stop only those still among the children.
  const std::vector<TdxObject*> snapshot = children_;
  for (TdxObject* c : snapshot) {
    if (std::find(children_.begin(), children_.end(), c) == children_.end()) continue;
    if (auto* f = dynamic_cast<TdxFloatAnimation*>(c)) {
      if (rtl::SameText(f->PropertyName(), PropertyPath)) f->Stop();
    } else if (auto* k = dynamic_cast<TdxColorAnimation*>(c)) {
      if (rtl::SameText(k->PropertyName(), PropertyPath)) k->Stop();
    }
  }
}

namespace {

TdxFloatAnimation* MakeFloatAnimation(TdxObject* Parent, const std::string& PropertyPath, float NewValue,
                                      float Duration, vg::TvxAnimationType AnimationType,
                                      vg::TvxInterpolationType Interpolation) {
  Parent->StopFloatAnimations(PropertyPath);
  auto made = std::make_unique<TdxFloatAnimation>(Parent);
  made->SetParent(Parent);
  made->SetDuration(Duration);
  made->SetAnimationType(AnimationType);
  made->SetInterpolation(Interpolation);
  made->SetPropertyName(PropertyPath);
  made->SetStartFromCurrent(true);
  made->SetStopValue(NewValue);
  return made.release();  // the parent's now
}

}  // namespace

void TdxObject::StartFloatAnimation(const std::string& PropertyPath, float NewValue, float Duration,
                                    vg::TvxAnimationType AnimationType, vg::TvxInterpolationType Interpolation) {
  TdxFloatAnimation* a = MakeFloatAnimation(this, PropertyPath, NewValue, Duration, AnimationType, Interpolation);
  // Freed by the loop once its finishing handler has returned.
  a->OnFinish = [](rtl::TObject* Sender) { rtl::Application->ReleaseComponent(static_cast<rtl::TComponent*>(Sender)); };
  a->Start();
}

void TdxObject::StartFloatAnimationWait(const std::string& PropertyPath, float NewValue, float Duration,
                                        vg::TvxAnimationType AnimationType, vg::TvxInterpolationType Interpolation) {
  TdxFloatAnimation* a = MakeFloatAnimation(this, PropertyPath, NewValue, Duration, AnimationType, Interpolation);
  TdxFreeWatch watch(a);
  a->Start();
  // A handler run meanwhile may free this object, and the animation with it: then neither
  // is touched again.
  rtl::Application->RunUntil([&] { return watch.Gone() || !a->Running(); });
  if (!watch.Gone()) a->Free();
}

// ---- stream hooks --------------------------------------------------------------------------------

void TdxObject::GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent*) {
  for (TdxObject* c : children_)
    if (c->stored_) Proc(c);
}

rtl::TComponent* TdxObject::GetParentComponent() const {
  if (parent_) return parent_;
  return scene_ ? scene_->GetComponent() : nullptr;
}

void TdxObject::SetParentComponent(rtl::TComponent* Value) {
  if (parent_) parent_->RemoveObject(this);
  if (auto* o = dynamic_cast<TdxObject*>(Value))
    o->AddObject(this);
  else if (IdxScene* host = SceneOf(Value))
    host->AddObject(this);
}

// ---- classes by category ---------------------------------------------------------------------------

void RegisterDxClasses(const std::string& Category, std::initializer_list<rtl::TClass> Classes) {
  if (!classList) classList = new std::vector<TdxClassEntry>;
  for (rtl::TClass c : Classes) {
    classList->push_back({Category, c});
    rtl::RegisterClass(c);
  }
}

const std::vector<TdxClassEntry>& DxClassList() {
  static const std::vector<TdxClassEntry> none;
  return classList ? *classList : none;
}

std::vector<rtl::TClass> DxClassesOf(const std::string& Category) {
  std::vector<rtl::TClass> found;
  for (const TdxClassEntry& e : DxClassList())
    if (rtl::SameText(e.Category, Category)) found.push_back(e.Class);
  return found;
}

void FreeDxClassList() {
  delete classList;
  classList = nullptr;
}

// ---- component text -------------------------------------------------------------------------------

std::string SaveDxObjectToText(TdxObject* Object) {
  rtl::TMemoryStream binary;
  const std::string saved = Object->Name();
  Object->ChangeName({});
  try {
    rtl::TWriter writer(&binary, 4096);
    writer.WriteRootComponent(Object);
  } catch (...) {
    Object->ChangeName(saved);
    throw;
  }
  Object->ChangeName(saved);
  binary.SetPosition(0);
  rtl::TStringStream text;
  rtl::ObjectBinaryToText(&binary, &text);
  return text.DataString();
}

std::unique_ptr<TdxObject> CreateDxObjectFromText(rtl::TComponent* AOwner, const std::string& Text) {
  try {
    rtl::TStringStream text(Text);
    rtl::TMemoryStream binary;
    rtl::ObjectTextToBinary(&text, &binary);
    binary.SetPosition(0);
    rtl::TClass cls;
    {
      rtl::TReader reader(&binary, 4096);
      reader.ReadSignature();
      rtl::TFilerFlags flags;
      int32_t position;
      reader.ReadPrefix(flags, position);
      cls = rtl::GetClass(reader.ReadStr());
    }
    // Only 3D objects: the registry also holds values, controls and the 2D classes.
    if (!cls || !cls->InheritsFrom(TdxObject::StaticClass())) return nullptr;
    std::unique_ptr<TdxObject> object = rtl::OwnedAs<TdxObject>(cls->Create(AOwner));
    binary.SetPosition(0);
    LoadDxObjectFromStream(object.get(), &binary);
    return object;
  } catch (const std::exception&) {
    return nullptr;
  }
}

void LoadDxObjectFromStream(TdxObject* Object, rtl::TStream* Stream) { vg::LoadObjectFromBinaryStream(Object, Stream); }

}  // namespace dx
