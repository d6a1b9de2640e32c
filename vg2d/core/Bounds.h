// Small value objects owned by 2D objects: edge values (TvxBounds), points with a change
// event (TvxPosition), the transform of a radial gradient (TvxTransform), and the natural
// cubic spline of the path animation (TvxSpline).
#pragma once

#include <memory>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "vg2d/core/Geometry.h"

namespace vg {

// Four edge values: margins and padding of visual objects, and other rectangle values.
// Streams as the text property "Rect" when it differs from the rectangle it was made with.
class TvxBounds : public rtl::TPersistent {
  RTL_CLASS(TvxBounds, rtl::TPersistent)
public:
  explicit TvxBounds(const TvxRect& Rect = {});

  void Assign(const rtl::TPersistent* Source) override;

  TvxRect GetRect() const { return MakeRect(left_, top_, right_, bottom_); }
  // Fires OnChange once when any of the four values changes.
  void SetRect(const TvxRect& R);
  // R shrunk by the four values.
  TvxRect PaddingRect(const TvxRect& R) const;
  bool IsEmpty() const { return IsRectEmptyF(GetRect()); }
  bool AllZero() const { return left_ == 0 && top_ == 0 && right_ == 0 && bottom_ == 0; }
  // True when the value differs from the rectangle given at construction.
  bool DiffersFromDefault() const { return GetRect() != defaultValue_; }

  float Left() const { return left_; }
  float Top() const { return top_; }
  float Right() const { return right_; }
  float Bottom() const { return bottom_; }
  void SetLeft(float Value) { SetField(left_, Value, &TvxBounds::OnChange); }
  void SetTop(float Value) { SetField(top_, Value, &TvxBounds::OnChange); }
  void SetRight(float Value) { SetField(right_, Value, &TvxBounds::OnChange); }
  void SetBottom(float Value) { SetField(bottom_, Value, &TvxBounds::OnChange); }

  rtl::TNotifyEvent OnChange;

protected:
  // "Rect": the four values as one text "(l,t,r,b)", written when they differ from the
  // default; an unreadable text reads as (0,0,0,0).
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  float right_ = 0, bottom_ = 0, top_ = 0, left_ = 0;
  TvxRect defaultValue_;
};

// A point with a change event: position, scale and rotation centre of visual objects,
// gradient ends. Streams as the text property "Point" when it differs from the point it
// was made with.
class TvxPosition : public rtl::TPersistent {
  RTL_CLASS(TvxPosition, rtl::TPersistent)
public:
  explicit TvxPosition(const TvxPoint& Point = {});

  void Assign(const rtl::TPersistent* Source) override;

  TvxPoint GetPoint() const { return MakePoint(x_, y_); }
  // Stores the point and fires OnChange, also when nothing changed.
  void SetPoint(const TvxPoint& P);
  bool DiffersFromDefault() const { return GetPoint() != defaultValue_; }

  float X() const { return x_; }
  float Y() const { return y_; }
  void SetX(float Value) { SetField(x_, Value, &TvxPosition::OnChange); }
  void SetY(float Value) { SetField(y_, Value, &TvxPosition::OnChange); }

  rtl::TNotifyEvent OnChange;

protected:
  // "Point": the point as one text "(x,y)", written when it differs from the default; an
  // unreadable text reads as (0,0).
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  friend class TvxTransform;
  float y_ = 0, x_ = 0;
  TvxPoint defaultValue_;
};

// Position, scale and rotation of a radial gradient, kept as a matrix (scale, then
// rotation about the origin, then translation; RotateCenter is read by the gradient).
class TvxTransform : public rtl::TPersistent {
  RTL_CLASS(TvxTransform, rtl::TPersistent)
public:
  TvxTransform();

  void Assign(const rtl::TPersistent* Source) override;

  // Recomputes the matrix and fires OnChange.
  void MatrixChanged(rtl::TObject* Sender);

  const TvxMatrix& Matrix() const { return matrix_; }
  float RotateAngle() const { return rotateAngle_; }
  void SetRotateAngle(float Value) { SetField(rotateAngle_, Value, &TvxTransform::MatrixChanged); }
  TvxPosition* Position() const { return position_.get(); }
  void SetPosition(TvxPosition* Value) { position_->Assign(Value); }
  TvxPosition* Scale() const { return scale_.get(); }
  void SetScale(TvxPosition* Value) { scale_->Assign(Value); }
  TvxPosition* Projection() const { return projection_.get(); }
  TvxPosition* RotateCenter() const { return rotateCenter_.get(); }
  void SetRotateCenter(TvxPosition* Value) { rotateCenter_->Assign(Value); }

  rtl::TNotifyEvent OnChange;

private:
  TvxMatrix matrix_ = IdentityMatrix;
  float rotateAngle_ = 0;
  const std::unique_ptr<TvxPosition> position_ = std::make_unique<TvxPosition>(MakePoint(0, 0));
  const std::unique_ptr<TvxPosition> scale_ = std::make_unique<TvxPosition>(MakePoint(1, 1));
  const std::unique_ptr<TvxPosition> projection_ = std::make_unique<TvxPosition>(MakePoint(0, 0));
  const std::unique_ptr<TvxPosition> rotateCenter_ = std::make_unique<TvxPosition>(MakePoint(0.5f, 0.5f));
};

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
