// TvxObject: the node of every 2D object tree (shapes, controls, style parts, animations,
// effects, resource objects).
//
// Ownership: a node owns its children (the tree frees them); its component owner, when it
// has one, is independent of its tree parent. Whichever frees an object first, the object
// leaves the other: freeing a child takes it out of its parent, and freeing a node takes it
// out of its owner's component list.
//
// The host: every object of a displayed tree holds the same IvxScene reference. Before an
// object leaves the host, by removal from its parent or by being freed, the host hears of
// it and of every object below it (IvxScene::Notification, opRemove), so the host's
// focused, captured, hovered and selected references never point at an object that is no
// longer in its tree.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Easing.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/ResourceLinks.h"
#include "vg2d/core/Scene.h"

namespace rtl {
class TStream;
}

namespace vg {

class TvxVisualObject;
class TvxControl;

using TvxObjectSortCompare = std::function<bool(TvxObject* A, TvxObject* B)>;

class TvxObject : public rtl::TComponent, public IvxLinkTarget, public IvxResourceObject {
  RTL_CLASS(TvxObject, rtl::TComponent)
public:
  explicit TvxObject(rtl::TComponent* AOwner);
  ~TvxObject() override;
  // Tells the host and the free-notification list, leaves the parent (or the host) and
  // frees the children, while the object is whole; then the component's part.
  void BeforeDestruction() override;

  // ---- free notifications (paint values and bound controls that refer to this object) --
  void AddFreeNotify(IvxFreeNotification* AObject) override;
  void RemoveFreeNotify(IvxFreeNotification* AObject) override;

  // ---- the tree ---------------------------------------------------------------------------
  TvxObject* Parent() const { return parent_; }
  // Leaves the old parent (or the host) and joins Value as its last child; nothing when
  // Value is the current parent. Nil takes a root out of its host.
  virtual void SetParent(TvxObject* Value);
  // Appends AObject (taking it from its old parent, or from the host it is a root of);
  // adding a child twice keeps one entry. Adding this object or one of its ancestors does
  // nothing.
  virtual void AddObject(TvxObject* AObject);
  // Takes AObject out of the children (not freeing it); the host hears of its subtree.
  virtual void RemoveObject(TvxObject* AObject);
  // Frees every child, the first one first.
  virtual void DeleteChildren();
  // Called on a child right after it was added.
  virtual void ChangeParent() {}
  // Nil for an index beyond the children.
  TvxObject* GetChild(int Index) const;
  int GetChildrenCount() const { return static_cast<int>(children_.size()); }
  const std::vector<TvxObject*>& Children() const { return children_; }
  // The position among the parent's children.
  int GetIndex() const;
  void SetIndex(int Value);
  // Paints last (the end of the children) / first (the start).
  void BringToFront();
  void SendToBack();
  // Sorts the children; Less answers whether A goes before B.
  void SortChildren(const TvxObjectSortCompare& Less);
  // This object and all below it, depth first, parent before children.
  void AddObjectsToList(std::vector<TvxObject*>& List);
  // The controls among them (this object too, when it is one), in the same order.
  void AddControlsToList(std::vector<TvxControl*>& List);

  // ---- the host -----------------------------------------------------------------------------
  IvxScene* Scene() const { return scene_; }
  // Sets the host of this object and its subtree.
  virtual void SetScene(IvxScene* AScene);
  // This object and every descendant without a host take their parent's.
  void InheritScene();

  // ---- kind -----------------------------------------------------------------------------------
  bool IsVisual() const { return visual_ != nullptr; }
  TvxVisualObject* Visual() const { return visual_; }

  // ---- names, data and resources ------------------------------------------------------
  bool Stored() const override { return stored_; }
  // Sets the flag on this object and, when it changed, on the whole subtree.
  void SetStored(bool Value);
  const std::string& ResourceName() const override { return resourceName_; }
  void SetResourceName(const std::string& Value);
  const std::string& BindingName() const { return bindingName_; }
  void SetBindingName(const std::string& Value);
  // This object or the first descendant whose BindingName matches (case ignored).
  TvxObject* FindBinding(const std::string& Name);
  virtual rtl::TPropValue GetBinding(const std::string& Name);
  // Sets the data of the object found by FindBinding; an exception raised there is dropped.
  virtual void SetBinding(const std::string& Name, const rtl::TPropValue& Value);
  // The object's Name here; controls carry their value.
  virtual rtl::TPropValue GetData();
  virtual void SetData(const rtl::TPropValue&) {}
  // The item classes a container creates, separated by ";".
  virtual std::string GetItemClassName() { return {}; }
  // The first child in order whose ResourceName equals Name (case ignored), else the first
  // hit in a child's own subtree; a control's style parts are not searched. Nil for "".
  virtual TvxObject* FindResource(const std::string& Name);
  // Passes on to the children, unless loading or being destroyed.
  virtual void UpdateStyle();

  // ---- what the code that made the object keeps with it (never streamed, not copied) ----
  // A text: a grid's cell keeps its column and row here ("(2,17)"), an inspector's row the
  // name of its property, an image list's item the path of its picture.
  const std::u16string& TagString() const { return tagString_; }
  void SetTagString(const std::u16string& Value);
  // An object, not owned: an inspector's row keeps the instance whose property it shows, an
  // image list's item the image of its thumbnail. A component kept here is let go when it is
  // freed (the slot reads nil from then on); any other object must outlive its place here.
  rtl::TObject* TagObject() const { return tagObject_; }
  void SetTagObject(rtl::TObject* Value);

  // ---- animations and effects among the children --------------------------------------
  // The recursions descend only into style parts: visual children that are Locked and not
  // HitTest.
  virtual void StartAnimation(const std::string& Name);
  virtual void StopAnimation(const std::string& Name);
  // Stops every triggered animation of this subtree, then starts those whose trigger
  // matches AInstance's properties.
  virtual void StartTriggerAnimation(TvxObject* AInstance, const std::string& ATrigger);
  // The same, waiting (the message loop runs meanwhile) while each started one runs.
  virtual void StartTriggerAnimationWait(TvxObject* AInstance, const std::string& ATrigger);
  virtual void StopTriggerAnimation(TvxObject* AInstance);
  virtual void ApplyTriggerEffect(TvxObject* AInstance, const std::string& ATrigger);
  // Animates the float property at PropertyName (a dotted path) from its current value to
  // NewValue over Duration seconds; the animation frees itself when it is done.
  void AnimateFloat(const std::string& PropertyName, float NewValue, float Duration = 0.2f,
                    TvxAnimationType AnimationType = vgAnimationIn,
                    TvxInterpolationType Interpolation = vgInterpolationLinear);
  // The same, returning when the animation is done (the message loop runs meanwhile), or
  // when this object is freed by a handler meanwhile. Do not touch the object after the
  // call unless you keep it alive.
  void AnimateFloatWait(const std::string& PropertyName, float NewValue, float Duration = 0.2f,
                        TvxAnimationType AnimationType = vgAnimationIn,
                        TvxInterpolationType Interpolation = vgInterpolationLinear);

  // ---- streams --------------------------------------------------------------------------
  // The object as a stream root without a name (its own name is kept). Copy: the stream
  // only serves a copy inside the program (TFiler::Copying), so pictures keep every pixel.
  void SaveToBinaryStream(rtl::TStream* Stream, bool Copy = false);
  void SaveToTextStream(rtl::TStream* Stream, bool Copy = false);
  // Reads a stream into this object: names are dropped, unreadable properties skipped.
  void LoadFromBinaryStream(rtl::TStream* Stream);
  // A new object of this class with an equal (unnamed) tree, owned by AOwner.
  TvxObject* Clone(rtl::TComponent* AOwner);

  rtl::TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }

protected:
  void GetChildren(const rtl::TGetChildProc& Proc, rtl::TComponent* Root) override;
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override;
  // Called after TagString changed.
  virtual void TagStringChanged() {}
  void SetParentComponent(rtl::TComponent* Value) override;

  // Whether FindResource searches this object's children from its parent; the styled
  // control answers false, so its style parts are never found from outside.
  virtual bool ResourcesVisible() const { return true; }
  // Whether streams write this object's children as its parent's (the inner content of a
  // compound control).
  virtual bool FlattenedInStreams() const { return false; }
  // Whether a child read from a stream nests under this object's parent instead (the
  // inner content, and a combo box's drop-down list).
  virtual bool SkippedAsStreamParent() const { return FlattenedInStreams(); }
  // Hooks of the visual tree: a child was appended; a child is about to leave (still in
  // the list, host still set); a child has left.
  virtual void ChildAdded(TvxObject*) {}
  virtual void ChildRemoving(TvxObject*) {}
  virtual void ChildRemoved(TvxObject*) {}
  // For the visual object's constructor.
  void SetVisual(TvxVisualObject* Self) { visual_ = Self; }
  // Whether the object is in a style part that the trigger recursions descend into.
  static bool IsStylePart(TvxObject* Child);

private:
  friend class TvxVisualObject;
  void Teardown();
  // Every object of AObject's subtree leaves the host's references.
  void NotifySceneOfSubtree(TvxObject* AObject);
  // A root leaves its host: the host hears of the whole subtree, then lets the root go.
  void LeaveHost();
  void ResetSiblingIndexes();

  bool stored_ = true;
  bool tornDown_ = false;
  std::vector<IvxFreeNotification*> freeNotifies_;
  mutable int index_ = -1;
  TvxVisualObject* visual_ = nullptr;
  std::vector<TvxObject*> children_;
  TvxObject* parent_ = nullptr;
  IvxScene* scene_ = nullptr;
  std::string bindingName_;
  std::string resourceName_;
  std::u16string tagString_;
  rtl::TObject* tagObject_ = nullptr;
};

// Knows whether an object it watches has been freed: code that fires a handler which may
// free the object asks Gone() before touching it again.
class TvxFreeWatch final : public IvxFreeNotification {
public:
  explicit TvxFreeWatch(TvxObject* Object) : object_(Object) { object_->AddFreeNotify(this); }
  ~TvxFreeWatch() {
    if (object_) object_->RemoveFreeNotify(this);
  }
  TvxFreeWatch(const TvxFreeWatch&) = delete;
  TvxFreeWatch& operator=(const TvxFreeWatch&) = delete;
  void FreeNotification(rtl::TObject* AObject) override {
    if (AObject == object_) object_ = nullptr;
  }
  bool Gone() const { return object_ == nullptr; }

private:
  TvxObject* object_;
};

// An object held by whoever made it (a root without owner).
using TvxObjectPtr = std::unique_ptr<TvxObject>;

}  // namespace vg
