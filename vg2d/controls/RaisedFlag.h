// A flag raised for a scope (a re-entry guard, a "busy" mark) and lowered when the scope
// ends, by return or exception, unless the object that holds it was freed meanwhile: a
// handler that runs inside the scope may free the control, and then nothing of it is
// written to.
#pragma once

#include "vg2d/core/Objects.h"

namespace vg {

class TvxRaisedFlag {
public:
  TvxRaisedFlag(TvxObject* Holder, bool& Flag) : watch_(Holder), flag_(Flag) { flag_ = true; }
  ~TvxRaisedFlag() {
    if (!watch_.Gone()) flag_ = false;
  }
  TvxRaisedFlag(const TvxRaisedFlag&) = delete;
  TvxRaisedFlag& operator=(const TvxRaisedFlag&) = delete;
  // Whether the holder was freed since the flag went up.
  bool Gone() const { return watch_.Gone(); }

private:
  TvxFreeWatch watch_;
  bool& flag_;
};

}  // namespace vg
