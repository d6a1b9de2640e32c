// The property an animation writes, named by a dotted path from the animation's parent; the
// 2D and the 3D animations share it.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/TypInfo.h"

namespace vg {

// The object and published property that a dotted path names, starting at an animation's
// parent: each part but the last that names an object property steps into the object it
// holds; a part naming no object property is skipped; a part whose object is nil leaves no
// target. The last part is the property.
//
// The path is kept from the first start that has a parent and one (Keep), so a later change
// of PropertyName leaves a started animation on what it drives. No object of the path is
// kept: each use walks it again from the parent the animation has then. A path may run
// through references the animation does not own (a brush's resource object, a camera's
// Target), and an object freed there while the animation runs is so never written: its
// holder gives nil (or whatever it holds now) at the next step. An animation moved to
// another parent drives that parent.
class TvxPropertyTarget {
public:
  // Keeps Path when none is kept yet, Parent is set and Path is not empty.
  void Keep(const rtl::TObject* Parent, const std::string& Path);
  // The property (nil when there is none or no path is kept) and, in Target, the object
  // that holds it now.
  const rtl::TPropInfo* Get(rtl::TObject* Parent, rtl::TObject*& Target) const;

private:
  bool kept_ = false;
  std::vector<std::string> steps_;  // the parts before the last
  std::string name_;                // the last part
};

}  // namespace vg
