#include "platform/gfx2d/Brush.h"
#include "platform/gfx2d/Path.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace gfx2d {

namespace {

void AddStop(cairo_pattern_t* p, double Offset, ARGB C) {
  if (!std::isfinite(Offset)) return;
  cairo_pattern_add_color_stop_rgba(p, std::clamp(Offset, 0.0, 1.0), ((C >> 16) & 0xFF) / 255.0,
                                    ((C >> 8) & 0xFF) / 255.0, (C & 0xFF) / 255.0, (C >> 24) / 255.0);
}

void AddBlend(cairo_pattern_t* p, const Blend& B, bool FromCentre) {
  const size_t n = std::min(B.Colors.size(), B.Positions.size());
  if (!FromCentre) {
    for (size_t i = 0; i < n; ++i) AddStop(p, B.Positions[i], B.Colors[i]);
  } else {
    // Position 0 lies on the rim, where a radial pattern has offset 1.
    for (size_t i = n; i-- > 0;) AddStop(p, 1.0 - B.Positions[i], B.Colors[i]);
  }
}

// Sets the pattern's user -> pattern matrix from a brush -> user transform; false when
// the transform cannot be inverted.
bool SetBrushTransform(cairo_pattern_t* p, const Matrix& BrushToUser) {
  cairo_matrix_t m = ToCairo(BrushToUser);
  if (!IsUsable(m)) return false;
  cairo_matrix_invert(&m);
  cairo_pattern_set_matrix(p, &m);
  return true;
}

Matrix ScaledTransform(const Matrix& T, float SX, float SY, MatrixOrder Order) {
  const Matrix s{SX, 0, 0, SY, 0, 0};
  const Matrix r = Order == MatrixOrder::Prepend ? Multiply(s, T) : Multiply(T, s);
  return IsUsable(r) ? r : T;
}

// A copy of Source (W x H) next to its mirror image: twice as wide when FlipX, twice as
// high when FlipY. Repeating it gives the flipped tiling cairo has no mode for.
cairo_surface_t* MirroredTile(cairo_surface_t* Source, int W, int H, bool FlipX, bool FlipY) {
  const int tw = FlipX ? 2 * W : W, th = FlipY ? 2 * H : H;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, tw, th);
  if (cairo_surface_status(tile) != CAIRO_STATUS_SUCCESS) return tile;
  cairo_surface_flush(Source);
  cairo_surface_flush(tile);
  const auto* src = cairo_image_surface_get_data(Source);
  const int sstride = cairo_image_surface_get_stride(Source);
  auto* dst = cairo_image_surface_get_data(tile);
  const int dstride = cairo_image_surface_get_stride(tile);
  for (int y = 0; y < th; ++y) {
    const int sy = y < H ? y : 2 * H - 1 - y;
    const auto* srow = reinterpret_cast<const uint32_t*>(src + static_cast<std::ptrdiff_t>(sy) * sstride);
    auto* drow = reinterpret_cast<uint32_t*>(dst + static_cast<std::ptrdiff_t>(y) * dstride);
    for (int x = 0; x < tw; ++x) drow[x] = srow[x < W ? x : 2 * W - 1 - x];
  }
  cairo_surface_mark_dirty(tile);
  return tile;
}

// A surface pattern repeating Surface (W x H) as Wrap says.
cairo_pattern_t* WrappedPattern(cairo_surface_t* Surface, int W, int H, WrapMode Wrap) {
  cairo_pattern_t* p;
  switch (Wrap) {
    case WrapMode::TileFlipX:
    case WrapMode::TileFlipY: {
      cairo_surface_t* tile = MirroredTile(Surface, W, H, Wrap == WrapMode::TileFlipX, Wrap == WrapMode::TileFlipY);
      p = cairo_pattern_create_for_surface(tile);
      cairo_surface_destroy(tile);
      cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
      break;
    }
    case WrapMode::TileFlipXY:
      p = cairo_pattern_create_for_surface(Surface);
      cairo_pattern_set_extend(p, CAIRO_EXTEND_REFLECT);
      break;
    case WrapMode::Clamp:
      p = cairo_pattern_create_for_surface(Surface);
      cairo_pattern_set_extend(p, CAIRO_EXTEND_NONE);
      break;
    case WrapMode::Tile:
    default:
      p = cairo_pattern_create_for_surface(Surface);
      cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
      break;
  }
  return p;
}

cairo_pattern_t* Checked(cairo_pattern_t* p) {
  if (p && cairo_pattern_status(p) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  return p;
}

bool Same(const Matrix& A, const Matrix& B) {
  return A.m11 == B.m11 && A.m12 == B.m12 && A.m21 == B.m21 && A.m22 == B.m22 && A.dx == B.dx && A.dy == B.dy;
}
bool Same(const PointF& A, const PointF& B) { return A.X == B.X && A.Y == B.Y; }
bool Same(const RectF& A, const RectF& B) {
  return A.X == B.X && A.Y == B.Y && A.Width == B.Width && A.Height == B.Height;
}

}  // namespace

// ---- kept patterns ------------------------------------------------------------------------

void PatternCache::Clear() {
  if (pattern_) cairo_pattern_destroy(pattern_);
  pattern_ = nullptr;
}

cairo_pattern_t* PatternCache::Find(const std::array<double, 3>& Key) const {
  return pattern_ && key_ == Key ? cairo_pattern_reference(pattern_) : nullptr;
}

cairo_pattern_t* PatternCache::Keep(cairo_pattern_t* P, const std::array<double, 3>& Key) {
  Clear();
  if (P) pattern_ = cairo_pattern_reference(P);
  key_ = Key;
  return P;
}

// ---- solid ------------------------------------------------------------------------------

cairo_pattern_t* SolidBrush::CreatePattern(const cairo_matrix_t&, cairo_filter_t) const {
  return cairo_pattern_create_rgba(((color_ >> 16) & 0xFF) / 255.0, ((color_ >> 8) & 0xFF) / 255.0,
                                   (color_ & 0xFF) / 255.0, (color_ >> 24) / 255.0);
}

// ---- linear gradient ----------------------------------------------------------------------

LinearGradientBrush::LinearGradientBrush(PointF P1, PointF P2, ARGB C1, ARGB C2, WrapMode Wrap)
    : p1_(P1), p2_(P2), c1_(C1), c2_(C2), wrap_(Wrap) {}

void LinearGradientBrush::ScaleTransform(float SX, float SY, MatrixOrder Order) {
  transform_ = ScaledTransform(transform_, SX, SY, Order);
  built_.Clear();
}

cairo_pattern_t* LinearGradientBrush::CreatePattern(const cairo_matrix_t&, cairo_filter_t) const {
  // The pattern depends on nothing but the brush.
  constexpr std::array<double, 3> key{};
  if (cairo_pattern_t* kept = built_.Find(key)) return kept;
  const float v[] = {p1_.X, p1_.Y, p2_.X, p2_.Y};
  for (float f : v)
    if (!IsFinite(f)) return nullptr;
  if (p1_.X == p2_.X && p1_.Y == p2_.Y) return nullptr;  // no direction: nothing to paint
  cairo_pattern_t* p = cairo_pattern_create_linear(p1_.X, p1_.Y, p2_.X, p2_.Y);
  if (blend_.Colors.empty()) {
    AddStop(p, 0, c1_);
    AddStop(p, 1, c2_);
  } else {
    AddBlend(p, blend_, false);
  }
  cairo_pattern_set_extend(p, wrap_ == WrapMode::Tile    ? CAIRO_EXTEND_REPEAT
                              : wrap_ == WrapMode::Clamp ? CAIRO_EXTEND_PAD
                                                         : CAIRO_EXTEND_REFLECT);
  if (!SetBrushTransform(p, transform_)) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  return built_.Keep(Checked(p), key);
}

bool LinearGradientBrush::SameAs(const LinearGradientBrush& Other) const {
  return Same(p1_, Other.p1_) && Same(p2_, Other.p2_) && c1_ == Other.c1_ && c2_ == Other.c2_ &&
         wrap_ == Other.wrap_ && blend_ == Other.blend_ && Same(transform_, Other.transform_);
}

// ---- ellipse gradient ---------------------------------------------------------------------

EllipseGradientBrush::EllipseGradientBrush(const RectF& Bounds) : bounds_(Bounds) {
  if (bounds_.Width < 0) {
    bounds_.X += bounds_.Width;
    bounds_.Width = -bounds_.Width;
  }
  if (bounds_.Height < 0) {
    bounds_.Y += bounds_.Height;
    bounds_.Height = -bounds_.Height;
  }
}

cairo_pattern_t* EllipseGradientBrush::CreatePattern(const cairo_matrix_t& Ctm, cairo_filter_t Filter) const {
  const RectF& b = bounds_;
  if (!IsFinite(b.X) || !IsFinite(b.Y) || !(b.Width > 0) || !(b.Height > 0) || !IsFinite(b.Width) ||
      !IsFinite(b.Height))
    return nullptr;
  cairo_matrix_t toUser = ToCairo(transform_);
  if (!IsUsable(toUser)) return nullptr;
  // One tile (the bounding rectangle) at about device resolution.
  cairo_matrix_t toDevice;
  cairo_matrix_multiply(&toDevice, &toUser, &Ctm);
  const double scale = std::sqrt(std::fabs(toDevice.xx * toDevice.yy - toDevice.xy * toDevice.yx));
  auto tileSize = [&](float extent) {
    const double px = std::ceil(extent * scale);
    return static_cast<int>(std::isfinite(px) ? std::clamp(px, 1.0, 2048.0) : 1.0);
  };
  const int tw = tileSize(b.Width), th = tileSize(b.Height);
  const std::array<double, 3> key{static_cast<double>(tw), static_cast<double>(th), static_cast<double>(Filter)};
  if (cairo_pattern_t* kept = built_.Find(key)) return kept;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, tw, th);
  cairo_t* cr = cairo_create(tile);
  cairo_scale(cr, tw / static_cast<double>(b.Width), th / static_cast<double>(b.Height));
  cairo_translate(cr, -b.X, -b.Y);
  // A unit circle gradient stretched onto the ellipse.
  cairo_pattern_t* radial = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  AddBlend(radial, blend_, true);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, 2.0 / b.Width, 2.0 / b.Height);
  cairo_matrix_translate(&m, -(b.X + b.Width / 2.0), -(b.Y + b.Height / 2.0));
  cairo_pattern_set_matrix(radial, &m);
  cairo_pattern_set_extend(radial, CAIRO_EXTEND_PAD);
  cairo_set_source(cr, radial);
  cairo_pattern_destroy(radial);
  Path ellipse;
  ellipse.AddEllipse(b);
  ellipse.AppendTo(cr);
  cairo_fill(cr);
  cairo_destroy(cr);

  cairo_pattern_t* p = WrappedPattern(tile, tw, th, wrap_);
  cairo_surface_destroy(tile);
  // user -> brush -> tile pixels
  cairo_matrix_t toBrush = toUser, brushToTile, userToTile;
  cairo_matrix_invert(&toBrush);
  cairo_matrix_init_scale(&brushToTile, tw / static_cast<double>(b.Width), th / static_cast<double>(b.Height));
  cairo_matrix_translate(&brushToTile, -b.X, -b.Y);
  cairo_matrix_multiply(&userToTile, &toBrush, &brushToTile);
  cairo_pattern_set_matrix(p, &userToTile);
  cairo_pattern_set_filter(p, Filter == CAIRO_FILTER_NEAREST ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
  return built_.Keep(Checked(p), key);
}

bool EllipseGradientBrush::SameAs(const EllipseGradientBrush& Other) const {
  return Same(bounds_, Other.bounds_) && wrap_ == Other.wrap_ && blend_ == Other.blend_ &&
         Same(transform_, Other.transform_);
}

// ---- texture ------------------------------------------------------------------------------

TextureBrush::TextureBrush(const Image* Source, WrapMode Wrap, float Alpha)
    : image_(Source), wrap_(Wrap), alpha_(Alpha) {}

void TextureBrush::ScaleTransform(float SX, float SY, MatrixOrder Order) {
  transform_ = ScaledTransform(transform_, SX, SY, Order);
}

cairo_pattern_t* TextureBrush::CreatePattern(const cairo_matrix_t&, cairo_filter_t Filter) const {
  if (!image_) return nullptr;
  cairo_pattern_t* p = WrappedPattern(image_->Surface(), image_->Width(), image_->Height(), wrap_);
  cairo_pattern_set_filter(p, Filter);
  if (!SetBrushTransform(p, transform_)) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  return Checked(p);
}

// ---- pen ----------------------------------------------------------------------------------

void Pen::ApplyTo(cairo_t* cr) const {
  cairo_matrix_t ctm;
  cairo_get_matrix(cr, &ctm);
  const double scale = std::sqrt(std::fabs(ctm.xx * ctm.yy - ctm.xy * ctm.yx));
  double width = std::isfinite(width_) && width_ > 0 ? width_ : 0.0;
  // Anything thinner than a device pixel is drawn one device pixel wide.
  if (scale > 0 && width * scale < 1) width = 1 / scale;
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, cap_ == LineCap::Round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, join_ == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                          : join_ == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                     : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr, 10);

  // A pattern cairo would refuse (negative, all zero, not finite) or one so fine that
  // stroking it would take ages strokes solid.
  std::vector<double> dashes;
  double total = 0;
  bool usable = !dashes_.empty();
  for (float d : dashes_) {
    const double len = static_cast<double>(d) * width;
    if (!std::isfinite(len) || len < 0) usable = false;
    dashes.push_back(len);
    total += len;
  }
  if (usable && (!std::isfinite(total) || total * scale < 0.25)) usable = false;
  const double offset = std::isfinite(dashOffset_) ? dashOffset_ * width : 0.0;
  if (usable && std::isfinite(offset))
    cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), offset);
  else
    cairo_set_dash(cr, nullptr, 0, 0);
}

}  // namespace gfx2d
