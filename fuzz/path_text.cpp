// Path text: any text reads (malformed commands are dropped); the text written from it
// reads back to the same figure, to three decimals. A value that three decimals round to a
// whole number ("15.000") is written as digits from the next round on, so the text written
// the second time is written again the same.
#include <algorithm>
#include <cmath>

#include "fuzz/FuzzSupport.h"
#include "vg2d/core/PathData.h"

using namespace vg;

namespace {

// Three decimals, or what a float holds of them far from zero.
bool Near(float A, float B) {
  return std::fabs(A - B) <= std::max(0.0006f, std::fabs(A) * 2e-7f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TvxPathData path;
  path.SetData(std::string(reinterpret_cast<const char*>(Data), Size));
  const std::string text = path.GetData();
  TvxPathData again;
  again.SetData(text);
  const std::string second = again.GetData();
  TvxPathData third;
  third.SetData(second);
  fuzz::Check(third.GetData() == second, "path text changes on a round trip");
  const auto& before = path.Points();
  const auto& after = again.Points();
  fuzz::Check(before.size() == after.size(), "path text reads back to another number of points");
  for (size_t i = 0; i < before.size(); ++i) {
    fuzz::Check(before[i].Kind == after[i].Kind, "path text reads back to other kinds of points");
    fuzz::Check(std::isfinite(before[i].Point.X) && std::isfinite(before[i].Point.Y),
                "path text gives a point no float holds");
    fuzz::Check(Near(before[i].Point.X, after[i].Point.X) && Near(before[i].Point.Y, after[i].Point.Y),
                "path text reads back to other points");
  }
  return 0;
}
