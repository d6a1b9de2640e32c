// Small value objects owned by 2D objects: edge values (TvxBounds), points with a change
// event (TvxPosition), the transform of a radial gradient (TvxTransform), and the natural
// cubic spline of the path animation (TvxSpline).
#pragma once

#include <vector>

#include "platform/rtl/Object.h"
#include "vg2d/core/Geometry.h"

namespace vg {

// ---- spline -------------------------------------------------------------------------------

// One segment's cubic in the global parameter T: ((k0 T + k1) T + k2) T + k3.
struct TvxSplineCoefficients {
  float k0 = 0, k1 = 0, k2 = 0, k3 = 0;
};
using TvxSplineCoefficientArray = std::vector<TvxSplineCoefficients>;

// Solves the natural spline's tridiagonal system (diagonal 2, 4, ..., 4, 2, off-diagonals
// 1) for the derivatives D[0 .. N].
void SolveSplineSystem(const std::vector<float>& Rhs, int N, std::vector<float>& D);
// Coefficients of the natural cubic spline through Values[0 .. HighIndex] (one segment
// per pair of neighbours); none for fewer than two values.
void CalcSplineCoefficients(const float* Values, int HighIndex, TvxSplineCoefficientArray& Coefficients);
// The spline's value at T (0 = first point, Count - 1 = last); T outside that range
// extrapolates the first or last segment; 0 without coefficients.
float EvaluateSplineSegment(const TvxSplineCoefficientArray& Coefficients, int Count, float T);

class TvxSpline : public rtl::TObject {
  RTL_CLASS(TvxSpline, rtl::TObject)
public:
  explicit TvxSpline(const std::vector<TvxPoint>& Points);
  // Integer T gives the points themselves; (0, 0) for fewer than two points.
  void SplinePoint(float T, float& X, float& Y) const;
  int Count() const { return count_; }

private:
  TvxSplineCoefficientArray xCoefficients_;
  TvxSplineCoefficientArray yCoefficients_;
  int count_ = 0;
};

}  // namespace vg
