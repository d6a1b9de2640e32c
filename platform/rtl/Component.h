// TComponent: owners that free what they own, names unique among an owner's
// components, free notifications and the component state flags.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
  csLoading,     // being read from a stream (until Loaded)
  csReading,     // its properties are being read
  csWriting,     // it is being written
  csDestroying,  // it is being freed
  csDesigning,   // it lives in a designer
  csAncestor,
  csUpdating,    // between Updating and Updated
  csFixups,
  csFreeNotification,  // someone asked to be told when it is freed
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

class TComponent;
using TGetChildProc = std::function<void(TComponent* Child)>;

// Whether Ident is a Pascal identifier: a letter or "_", then letters, digits or "_".
bool IsValidIdent(const std::string& Ident);

class TComponent : public TPersistent {
  RTL_CLASS(TComponent, TPersistent)
public:
  // The virtual constructor of every component: an owner, when given, owns and frees it.
  explicit TComponent(TComponent* AOwner);
  // For a component that lived by value: the component's part of BeforeDestruction, which
  // did not run. After Free or delete there is nothing left to do here.
  ~TComponent() override;
  // Marks this component and its owned components as being destroyed, tells its
  // subscribers, frees the owned components (the last one first) and leaves the owner,
  // while the whole object is intact. Every way of freeing a component runs it.
  void BeforeDestruction() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned component at Index; EListError ("List index out of bounds (%d)") otherwise.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  // The owned component of that name (case-insensitive); nil when none or Name is empty.
  TComponent* FindComponent(const std::string& AName) const;
  // Takes AComponent over from its current owner (refusing a name already in use here and
  // ownership cycles) and tells this owner (opInsert). Its other components are not told:
  // loading stays linear in the number of components.
  void InsertComponent(TComponent* AComponent);
  // Releases an owned component without freeing it, after telling this owner (opRemove).
  void RemoveComponent(TComponent* AComponent);
  // Frees every owned component, the last one first. Components that subscribed to free
  // notifications leave with a notice to this owner; the others leave silently.
  void DestroyComponents();
  // Marks this component and its owned components as being destroyed.
  void Destroying();

  const std::string& Name() const { return name_; }
  // Raises EComponentError for a name that is not an identifier ("Component name "%s"
  // is not valid"), longer than a stream holds (255 characters) or taken among the owner's
  // components ("A component named %s already exists"); names compare without regard to case.
  virtual void SetName(const std::string& NewName);
  int32_t Tag() const { return tag_; }
  void SetTag(int32_t Value) { tag_ = Value; }
  // A sub-component is a part of its owner that a published property of the owner hands
  // out: streams write its properties under that property's name instead of a reference.
  bool IsSubComponent() const { return subComponent_; }
  void SetSubComponent(bool Value) { subComponent_ = Value; }
  TComponentState ComponentState() const { return componentState_; }

  // AComponent will get Notification(this, opRemove) when this component is freed, and
  // this one when AComponent is. Who hears of a freed or removed component: its
  // subscribers (both sides of every FreeNotification), wherever they live, and its owner.
  // Nobody else: the owner passes nothing on to its other components, so telling costs
  // in step with the subscribers, never with the owner's size. A component that keeps a
  // reference to another one therefore subscribes, also when both have the same owner.
  // Each receiver hears of a freed component once. Subscribing twice is harmless.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  std::string GetNamePath() const override;
  // Streaming hooks: the component under which a stream nests this one.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }

protected:
  // Told when a component is inserted into or removed from this owner, or when a
  // component this one subscribed to is freed (see FreeNotification for who is told).
  // Overrides clear their references to AComponent on opRemove and call the inherited
  // version, which ends the subscription.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // Called once a stream has read the component: ends csLoading.
  virtual void Loaded();
  virtual void ValidateRename(TComponent* AComponent, const std::string& CurName, const std::string& NewName);
  virtual void ChangeName(const std::string& NewName);
  // Streaming hooks: the children a stream writes under this component, and the
  // component a reader nests this one under.
  virtual void GetChildren(const TGetChildProc& Proc, TComponent* Root);
  virtual void SetParentComponent(TComponent* Value);
  void SetDesigning(bool Value, bool SetChildren = true);
  void Updating() { componentState_.Include(csUpdating); }
  void Updated() { componentState_.Exclude(csUpdating); }
  void IncludeState(TComponentStateItem Item) { componentState_.Include(Item); }
  void ExcludeState(TComponentStateItem Item) { componentState_.Exclude(Item); }
  TPersistent* GetOwner() const override { return owner_; }

  friend class TReader;
  friend class TWriter;

private:
  bool SubscribedTo(const TComponent* AComponent) const;
  void RemoveFreeNotifications();
  void Deliver(TComponent* Receiver, TComponent* AComponent, TOperation Operation);
  // The owned component named Key (upper-cased), through the name index when there is one.
  TComponent* FindByKey(const std::string& Key) const;
  void IndexName(TComponent* AComponent);
  void UnindexName(TComponent* AComponent);

  TComponent* owner_ = nullptr;
  std::string name_;
  int32_t tag_ = 0;
  bool subComponent_ = false;
  TComponentState componentState_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  // Owned components by upper-cased name, made once an owner holds many: a name is checked
  // against its siblings on every insert and rename, which would make loading a large form
  // quadratic.
  std::unique_ptr<std::unordered_map<std::string, TComponent*>> names_;
};

}  // namespace rtl
