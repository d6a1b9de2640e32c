#include "vg2d/core/Bounds.h"

#include <cmath>

#include "platform/rtl/Filer.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/TextForms.h"

namespace vg {

// ---- spline -------------------------------------------------------------------------------

void SolveSplineSystem(const std::vector<float>& Rhs, int N, std::vector<float>& D) {
  D.assign(N + 1, 0.0f);
  if (N < 1 || static_cast<int>(Rhs.size()) < N + 1) return;
  // Cholesky factor: diagonal b, sub-diagonal c.
  std::vector<float> b(N + 1), c(N + 1), z(N + 1);
  b[0] = 1.4142135f;
  c[0] = 0.70710677f;
  for (int i = 1; i < N; ++i) {
    b[i] = std::sqrt(4 - c[i - 1] * c[i - 1]);
    c[i] = 1 / b[i];
  }
  b[N] = std::sqrt(2 - c[N - 1] * c[N - 1]);
  z[0] = Rhs[0] / b[0];
  for (int i = 1; i <= N; ++i) z[i] = (Rhs[i] - z[i - 1] * c[i - 1]) / b[i];
  D[N] = z[N] / b[N];
  for (int i = N - 1; i >= 0; --i) D[i] = (z[i] - D[i + 1] * c[i]) / b[i];
}

void CalcSplineCoefficients(const float* Values, int HighIndex, TvxSplineCoefficientArray& Coefficients) {
  Coefficients.clear();
  const int n = HighIndex;
  if (n < 1) return;
  std::vector<float> rhs(n + 1);
  rhs[0] = 3 * (Values[1] - Values[0]);
  for (int i = 1; i < n; ++i) rhs[i] = 3 * (Values[i + 1] - Values[i - 1]);
  rhs[n] = 3 * (Values[n] - Values[n - 1]);
  std::vector<float> d;
  SolveSplineSystem(rhs, n, d);
  Coefficients.resize(n);
  for (int i = 0; i < n; ++i) {
    // The segment's cubic in its local parameter u = T - i ...
    const double a = Values[i], b = d[i];
    const double c = 3.0 * (Values[i + 1] - Values[i]) - 2.0 * d[i] - d[i + 1];
    const double e = 2.0 * (Values[i] - Values[i + 1]) + d[i] + d[i + 1];
    // ... expanded in the global parameter T.
    const double x = i;
    Coefficients[i].k0 = static_cast<float>(e);
    Coefficients[i].k1 = static_cast<float>(c - 3 * x * e);
    Coefficients[i].k2 = static_cast<float>(b - 2 * x * c + 3 * x * x * e);
    Coefficients[i].k3 = static_cast<float>(a - b * x + c * x * x - e * x * x * x);
  }
}

float EvaluateSplineSegment(const TvxSplineCoefficientArray& Coefficients, int Count, float T) {
  if (Coefficients.empty()) return 0;
  int64_t index;
  if (T <= 0)
    index = 0;
  else if (T <= Count - 1)
    index = Trunc(T);
  else
    index = Count - 1;
  if (index == Count - 1) --index;
  // The coefficients decide which segments exist, whatever Count says.
  if (index >= static_cast<int64_t>(Coefficients.size())) index = static_cast<int64_t>(Coefficients.size()) - 1;
  if (index < 0) index = 0;
  const TvxSplineCoefficients& k = Coefficients[index];
  const double t = T;
  return static_cast<float>(((k.k0 * t + k.k1) * t + k.k2) * t + k.k3);
}

TvxSpline::TvxSpline(const std::vector<TvxPoint>& Points) : count_(static_cast<int>(Points.size())) {
  std::vector<float> xs, ys;
  for (const TvxPoint& p : Points) {
    xs.push_back(p.X);
    ys.push_back(p.Y);
  }
  CalcSplineCoefficients(xs.data(), count_ - 1, xCoefficients_);
  CalcSplineCoefficients(ys.data(), count_ - 1, yCoefficients_);
}

void TvxSpline::SplinePoint(float T, float& X, float& Y) const {
  X = EvaluateSplineSegment(xCoefficients_, count_, T);
  Y = EvaluateSplineSegment(yCoefficients_, count_, T);
}

}  // namespace vg

namespace vg {

rtl::TClass TvxSpline::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxSpline>().Build();
  return &info;
}

// The edges and the point are streamed as one text each ("Rect", "Point"), not one by one.
rtl::TClass TvxBounds::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxBounds>()
                                          .Property("Left", &TvxBounds::Left, &TvxBounds::SetLeft).Stored(false)
                                          .Property("Top", &TvxBounds::Top, &TvxBounds::SetTop).Stored(false)
                                          .Property("Right", &TvxBounds::Right, &TvxBounds::SetRight).Stored(false)
                                          .Property("Bottom", &TvxBounds::Bottom, &TvxBounds::SetBottom).Stored(false)
                                          .Build();
  return &info;
}

rtl::TClass TvxPosition::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxPosition>()
                                          .Property("X", &TvxPosition::X, &TvxPosition::SetX).Stored(false)
                                          .Property("Y", &TvxPosition::Y, &TvxPosition::SetY).Stored(false)
                                          .Build();
  return &info;
}

rtl::TClass TvxTransform::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxTransform>()
          .Property("Position", &TvxTransform::Position, &TvxTransform::SetPosition)
          .Property("Scale", &TvxTransform::Scale, &TvxTransform::SetScale)
          .Property("RotateAngle", &TvxTransform::RotateAngle, &TvxTransform::SetRotateAngle)
          .Property("RotateCenter", &TvxTransform::RotateCenter, &TvxTransform::SetRotateCenter)
          .Build();
  return &info;
}

}  // namespace vg

namespace vg {

// ---- TvxBounds --------------------------------------------------------------------------------

TvxBounds::TvxBounds(const TvxRect& Rect)
    : right_(Rect.Right), bottom_(Rect.Bottom), top_(Rect.Top), left_(Rect.Left), defaultValue_(Rect) {}

void TvxBounds::SetRect(const TvxRect& R) {
  if (R == GetRect()) return;
  left_ = R.Left;
  top_ = R.Top;
  right_ = R.Right;
  bottom_ = R.Bottom;
  OnChange(this);
}

void TvxBounds::Assign(const rtl::TPersistent* Source) {
  if (const auto* bounds = dynamic_cast<const TvxBounds*>(Source)) {
    SetRect(bounds->GetRect());
    return;
  }
  inherited::Assign(Source);
}

void TvxBounds::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      "Rect",
      [this](rtl::TReader& Reader) {
        TvxRect r;
        if (!TryStringToRect(Reader.ReadString(), r)) throw rtl::EReadError("Invalid property value");
        SetRect(r);
      },
      [this](rtl::TWriter& Writer) { Writer.WriteString(RectToString(GetRect())); }, DiffersFromDefault());
}

TvxRect TvxBounds::PaddingRect(const TvxRect& R) const {
  return MakeRect(R.Left + left_, R.Top + top_, R.Right - right_, R.Bottom - bottom_);
}

// ---- TvxPosition ------------------------------------------------------------------------------

TvxPosition::TvxPosition(const TvxPoint& Point) : y_(Point.Y), x_(Point.X), defaultValue_(Point) {}

void TvxPosition::SetPoint(const TvxPoint& P) {
  x_ = P.X;
  y_ = P.Y;
  OnChange(this);
}

void TvxPosition::Assign(const rtl::TPersistent* Source) {
  if (const auto* position = dynamic_cast<const TvxPosition*>(Source)) {
    SetPoint(position->GetPoint());
    return;
  }
  inherited::Assign(Source);
}

void TvxPosition::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      "Point",
      [this](rtl::TReader& Reader) {
        TvxPoint p;
        if (!TryStringToPoint(Reader.ReadString(), p)) throw rtl::EReadError("Invalid property value");
        SetPoint(p);
      },
      [this](rtl::TWriter& Writer) { Writer.WriteString(PointToString(GetPoint())); }, DiffersFromDefault());
}

// ---- TvxTransform -----------------------------------------------------------------------------

TvxTransform::TvxTransform() {
  for (TvxPosition* p : {position_.get(), scale_.get(), projection_.get(), rotateCenter_.get()})
    p->OnChange = rtl::TNotifyEvent(this, &TvxTransform::MatrixChanged, "MatrixChanged");
}

void TvxTransform::MatrixChanged(rtl::TObject*) {
  TvxMatrix m = IdentityMatrix;
  m.m11 = scale_->X();
  m.m22 = scale_->Y();
  m.m31 = position_->X();
  m.m32 = position_->Y();
  m.m13 = projection_->X();
  m.m23 = projection_->Y();
  if (rotateAngle_ != 0) m = MatrixMultiply(CreateRotationMatrix(DegreeToRad(rotateAngle_)), m);
  matrix_ = m;
  OnChange(this);
}

void TvxTransform::Assign(const rtl::TPersistent* Source) {
  if (const auto* t = dynamic_cast<const TvxTransform*>(Source)) {
    // The points are copied without their events; the matrix is rebuilt once.
    const auto copy = [](TvxPosition* to, const TvxPosition* from) {
      to->x_ = from->x_;
      to->y_ = from->y_;
    };
    copy(position_.get(), t->position_.get());
    copy(scale_.get(), t->scale_.get());
    copy(projection_.get(), t->projection_.get());
    copy(rotateCenter_.get(), t->rotateCenter_.get());
    rotateAngle_ = t->rotateAngle_;
    MatrixChanged(this);
    return;
  }
  inherited::Assign(Source);
}

}  // namespace vg
