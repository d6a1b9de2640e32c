// Value types of the drawing back end: points, rectangles, affine matrices and the
// mode values, numbered as the 2D library's drawing calls pass them.
#pragma once

#include <cstdint>

#include <cairo.h>

namespace gfx2d {

// 32-bit colour, alpha in the top byte, not premultiplied.
using ARGB = uint32_t;

struct PointF {
  float X = 0;
  float Y = 0;
};

// Left, top, width and height; a negative size is allowed (drawn mirrored or not at all,
// as each operation says).
struct RectF {
  float X = 0;
  float Y = 0;
  float Width = 0;
  float Height = 0;
};

// Affine matrix for row vectors: x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
struct Matrix {
  float m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

// Where a matrix goes in a product: Prepend applies it before the existing transform.
enum class MatrixOrder { Prepend, Append };

enum class WrapMode { Tile = 0, TileFlipX = 1, TileFlipY = 2, TileFlipXY = 3, Clamp = 4 };
enum class CombineMode { Replace = 0, Intersect = 1, Exclude = 4 };
enum class LineCap { Flat = 0, Round = 2 };
enum class LineJoin { Miter = 0, Bevel = 1, Round = 2 };
enum class FillMode { Alternate = 0, Winding = 1 };
enum class InterpolationMode { HighQuality = 2, NearestNeighbor = 5 };
enum class SmoothingMode { None = 3, HighQuality = 2 };

// ---- helpers shared by the back end ---------------------------------------------------

cairo_matrix_t ToCairo(const Matrix& M);
Matrix FromCairo(const cairo_matrix_t& M);
// A * B, A applied first.
Matrix Multiply(const Matrix& A, const Matrix& B);
// All entries finite and the matrix invertible (so cairo accepts it).
bool IsUsable(const cairo_matrix_t& M);
bool IsUsable(const Matrix& M);
bool IsFinite(float Value);
// Every coordinate finite.
bool IsFinite(const RectF& R);

}  // namespace gfx2d
