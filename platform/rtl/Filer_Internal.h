// What the filer's files (Filer.cpp, FilerReader.cpp, FilerReaderComponents.cpp, FilerWriter.cpp)
// share: the structural fault, the global component finder, the Single range (the text
// converter's too) and the reader's nesting guard.
#pragma once

#include <cfloat>
#include <cmath>

#include "platform/rtl/Filer.h"
#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace filer_internal {

// A fault in the structure of the stream (truncated, corrupt, absurd lengths, too deep):
// never skipped by an error handler, since nothing after it can be trusted.
RTL_EXCEPTION(EStreamCorrupt, EReadError);

// The finder SetFindGlobalComponent sets.
inline TFindGlobalComponent& GlobalFinder() {
  static auto* finder = new TFindGlobalComponent;
  return *finder;
}

// Halfway from the largest single to the next power of two: a magnitude below it rounds to
// a finite single, one at or above it to an infinity.
inline constexpr double SingleRoundingLimit = 0x1.ffffffp+127;

// A double for a Single property, rounded as a single would round it: just above FLT_MAX
// (the digits written for FLT_MAX read as such a double) is FLT_MAX, further out an
// infinity, never UB.
inline double SingleRange(double v) {
  if (!std::isfinite(v) || std::fabs(v) <= FLT_MAX) return v;
  return std::copysign(std::fabs(v) < SingleRoundingLimit ? FLT_MAX : HUGE_VAL, v);
}

}  // namespace filer_internal

class TReader::TNesting {
public:
  explicit TNesting(TReader& r) : r_(r) {
    if (++r_.nesting_ > FilerMaxNesting) {
      --r_.nesting_;
      throw filer_internal::EStreamCorrupt("Stream nesting too deep");
    }
  }
  ~TNesting() { --r_.nesting_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

private:
  TReader& r_;
};

}  // namespace rtl
