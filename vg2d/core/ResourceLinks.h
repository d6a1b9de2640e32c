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

// The link side of a component reference; nil for nil or for a component that cannot
// be linked to (such references are refused).
IvxLinkTarget* LinkTargetOf(rtl::TComponent* Object);
// The resource name of an object (IvxResourceObject); empty for other objects.
std::string ResourceNameOf(rtl::TComponent* Object);

}  // namespace vg
