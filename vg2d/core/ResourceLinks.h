// What the paint values (brushes, bitmaps, path data) need of the objects of a 2D tree
// that they refer to without owning them: a free notification that clears the
// reference, and, for the named resource objects of styles, the value they hold. The
// object tree's classes implement IvxLinkTarget; resource objects are found by name
// through the live-object list (FindResourceObject) and named by IvxResourceObject.
#pragma once

#include <string>

#include "platform/rtl/Component.h"

namespace vg {

class TvxBrush;
class TvxBitmap;
class TvxPathData;

// Told when an object it refers to is being freed; it drops its reference then.
class IvxFreeNotification {
public:
  virtual void FreeNotification(rtl::TObject* AObject) = 0;

protected:
  ~IvxFreeNotification() = default;
};

// An object that values may refer to: it keeps a list of those to tell when it is freed.
// Resource objects also hand out the value they carry.
class IvxLinkTarget {
public:
  virtual void AddFreeNotify(IvxFreeNotification* AObject) = 0;
  virtual void RemoveFreeNotify(IvxFreeNotification* AObject) = 0;
  // The brush of a brush resource object; nil for every other object.
  virtual TvxBrush* GetResourceBrush() { return nullptr; }
  // The bitmap of a bitmap resource object; nil for every other object.
  virtual TvxBitmap* GetResourceBitmap() { return nullptr; }
  // The path of a path resource object; nil for every other object.
  virtual TvxPathData* GetResourcePath() { return nullptr; }

protected:
  ~IvxLinkTarget() = default;
};

// A paint value's reference to a resource object of a 2D tree: the object while it lives,
// and its resource name, through which it is found again. The holder is the one told when
// the object is freed; it passes itself to every call that links or unlinks.
class TvxResourceLink {
public:
  rtl::TComponent* Object() const { return object_; }
  const std::string& Name() const { return name_; }
  IvxLinkTarget* Target() const;
  // Links to Value (a component that cannot be linked to counts as nil) and takes its
  // resource name; nil forgets the name too. False when Value is the object already linked.
  bool Set(rtl::TComponent* Value, IvxFreeNotification* Holder);
  // False when the name is unchanged.
  bool SetName(const std::string& Value);
  // With no object linked but a name known: the live object of that name, when Carries
  // accepts what it holds; nil otherwise.
  rtl::TComponent* FindNamed(bool (*Carries)(IvxLinkTarget&)) const;
  // Unlinks and forgets the name.
  void Clear(IvxFreeNotification* Holder);
  // The holder's free notification: drops the object when it is the one freed.
  void Freed(rtl::TObject* AObject) {
    if (AObject && AObject == object_) object_ = nullptr;
  }

private:
  rtl::TComponent* object_ = nullptr;
  std::string name_;
};

// The resource side of a paint value that may stand for what a named resource object of a
// 2D tree carries (bitmaps, path data): the Resource and ResourceName properties, the look-up
// by name, and the free notification that drops a freed object. Carried is the target's
// accessor of that kind of value (IvxLinkTarget::GetResourceBitmap, ...); the value class
// reports a change of the link in LinkChanged.
template <class TValue, TValue* (IvxLinkTarget::*Carried)()>
class TvxResourceValue : public IvxFreeNotification {
public:
  rtl::TComponent* Resource() const { return resource_.Object(); }
  void SetResource(rtl::TComponent* Value) {
    if (resource_.Set(Value, this)) LinkChanged();
  }
  const std::string& ResourceName() const { return resource_.Name(); }
  void SetResourceName(const std::string& Value) {
    if (resource_.SetName(Value)) LinkChanged();
  }
  void FreeNotification(rtl::TObject* AObject) override { resource_.Freed(AObject); }

protected:
  ~TvxResourceValue() { resource_.Clear(this); }

  // The value of the linked resource object, linking the live object of ResourceName first
  // when only the name is known; nil when there is none.
  TValue* ResourceValue() {
    if (rtl::TComponent* found = resource_.FindNamed([](IvxLinkTarget& t) { return (t.*Carried)() != nullptr; }))
      SetResource(found);
    IvxLinkTarget* link = resource_.Target();
    return link ? (link->*Carried)() : nullptr;
  }
  // The value's Assign: from a TValue that stands for a resource object, the same link
  // under the same name; from any other TValue, its own data through CopyData; then one
  // LinkChanged. Anything else goes to TPersistent::Assign (its assignment error).
  template <class CopyData>
  void AssignValue(const rtl::TPersistent* Source, CopyData&& Copy) {
    const auto* src = dynamic_cast<const TValue*>(Source);
    if (!src) return static_cast<TValue*>(this)->rtl::TPersistent::Assign(Source);
    auto& from = const_cast<TValue&>(*src);
    if (static_cast<TvxResourceValue*>(&from) == this) return;
    if (static_cast<TvxResourceValue&>(from).ResourceValue()) {
      const TvxResourceValue& link = from;
      resource_.Set(link.resource_.Object(), this);
      resource_.SetName(link.resource_.Name());
    } else {
      Copy(*src);
    }
    LinkChanged();
  }
  // Unlinks and forgets the name; no LinkChanged.
  void ClearResourceLink() { resource_.Clear(this); }
  virtual void LinkChanged() = 0;

private:
  TvxResourceLink resource_;
};

// The link side of a component reference; nil for nil or for a component that cannot
// be linked to (such references are refused).
IvxLinkTarget* LinkTargetOf(rtl::TComponent* Object);
// The resource name of an object (IvxResourceObject); empty for other objects.
std::string ResourceNameOf(rtl::TComponent* Object);

}  // namespace vg
