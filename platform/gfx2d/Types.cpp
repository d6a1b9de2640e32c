#include "platform/gfx2d/Types.h"

#include <cmath>

namespace gfx2d {

cairo_matrix_t ToCairo(const Matrix& M) {
  cairo_matrix_t c;
  cairo_matrix_init(&c, M.m11, M.m12, M.m21, M.m22, M.dx, M.dy);
  return c;
}

Matrix FromCairo(const cairo_matrix_t& M) {
  return {static_cast<float>(M.xx), static_cast<float>(M.yx), static_cast<float>(M.xy),
          static_cast<float>(M.yy), static_cast<float>(M.x0), static_cast<float>(M.y0)};
}

Matrix Multiply(const Matrix& A, const Matrix& B) {
  cairo_matrix_t a = ToCairo(A), b = ToCairo(B), r;
  cairo_matrix_multiply(&r, &a, &b);  // a first, then b
  return FromCairo(r);
}

bool IsFinite(float Value) { return std::isfinite(Value); }

bool IsFinite(const RectF& R) { return IsFinite(R.X) && IsFinite(R.Y) && IsFinite(R.Width) && IsFinite(R.Height); }

bool IsUsable(const cairo_matrix_t& M) {
  const double v[] = {M.xx, M.yx, M.xy, M.yy, M.x0, M.y0};
  for (double d : v)
    if (!std::isfinite(d)) return false;
  const double det = M.xx * M.yy - M.xy * M.yx;
  // cairo refuses matrices it cannot invert; stay clear of the edge it tests.
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  cairo_matrix_t inv = M;
  return cairo_matrix_invert(&inv) == CAIRO_STATUS_SUCCESS;
}

bool IsUsable(const Matrix& M) { return IsUsable(ToCairo(M)); }

}  // namespace gfx2d
