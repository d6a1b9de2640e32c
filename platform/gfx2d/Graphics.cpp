#include "platform/gfx2d/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <pango/pangocairo.h>

namespace gfx2d {

namespace {

RectF Normalized(RectF R) {
  if (R.Width < 0) {
    R.X += R.Width;
    R.Width = -R.Width;
  }
  if (R.Height < 0) {
    R.Y += R.Height;
    R.Height = -R.Height;
  }
  return R;
}

}  // namespace

Graphics::Graphics(const Image& Target) : target_(Target), cr_(cairo_create(Target.Surface())) {
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
}

Graphics::~Graphics() {
  text_.reset();
  cairo_destroy(cr_);
}

void Graphics::SetSmoothingMode(SmoothingMode Mode) {
  cairo_set_antialias(cr_, Mode == SmoothingMode::None ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
}

cairo_filter_t Graphics::Filter() const {
  return interpolation_ == InterpolationMode::NearestNeighbor ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD;
}

// ---- transform ------------------------------------------------------------------------------

void Graphics::ApplyTransform() {
  if (degenerate_) {
    cairo_identity_matrix(cr_);
  } else {
    const cairo_matrix_t m = ToCairo(matrix_);
    cairo_set_matrix(cr_, &m);
  }
}

void Graphics::SetWorldTransform(const Matrix& M) {
  matrix_ = M;
  degenerate_ = !IsUsable(M);
  ApplyTransform();
}

void Graphics::MultiplyWorldTransform(const Matrix& M, MatrixOrder Order) {
  SetWorldTransform(Order == MatrixOrder::Prepend ? Multiply(M, matrix_) : Multiply(matrix_, M));
}

void Graphics::ScaleWorldTransform(float SX, float SY, MatrixOrder Order) {
  MultiplyWorldTransform({SX, 0, 0, SY, 0, 0}, Order);
}

// ---- saved states ---------------------------------------------------------------------------

uint32_t Graphics::Save() {
  const uint32_t token = nextToken_++;
  if (nextToken_ == 0) nextToken_ = 1;
  saved_.push_back({token, matrix_, degenerate_, clip_});
  // cairo keeps the clip of each saved state: a restore takes it back without clipping anew.
  cairo_save(cr_);
  return token;
}

void Graphics::Restore(uint32_t Token) {
  auto it = std::find_if(saved_.begin(), saved_.end(), [&](const SavedState& s) { return s.Token == Token; });
  if (it == saved_.end()) return;
  matrix_ = it->Transform;
  degenerate_ = it->Degenerate;
  clip_ = std::move(it->Clip);
  // One cairo state for each state given up: the one restored and every later one.
  for (auto n = saved_.end() - it; n > 0; --n) cairo_restore(cr_);
  saved_.erase(it, saved_.end());
  ApplyTransform();
}

// ---- clip -------------------------------------------------------------------------------------

void Graphics::ApplyClip(const ClipStep& Step) {
  cairo_set_matrix(cr_, &Step.Transform);
  if (Step.Exclude) {
    // cairo only intersects: keep what lies inside the present clip's extents but outside
    // the figure (the extents' frame and the figure under the even-odd rule).
    double x1, y1, x2, y2;
    cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
    Step.Figure.AppendTo(cr_);
    cairo_rectangle(cr_, x1 - 1, y1 - 1, x2 - x1 + 2, y2 - y1 + 2);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  } else {
    Step.Figure.AppendTo(cr_);
  }
  cairo_clip(cr_);
}

void Graphics::ReplayClip() {
  cairo_reset_clip(cr_);
  for (const auto& step : clip_) ApplyClip(*step);
  ApplyTransform();
}

void Graphics::AddClip(Path Figure, bool Exclude) {
  if (degenerate_ || !Figure.IsValid()) return;  // no usable user space to clip in
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  auto step = std::make_shared<const ClipStep>(ClipStep{m, std::move(Figure), Exclude});
  clip_.push_back(step);
  ApplyClip(*step);
  ApplyTransform();
}

void Graphics::SetClipRect(const RectF& R, CombineMode Mode) {
  Path p;
  p.AddRectangle(Normalized(R));
  SetClipPath(p, Mode);
}

void Graphics::SetClipRects(const std::vector<RectF>& Rects) {
  if (degenerate_) return;
  Path p(FillMode::Winding);  // same-turning rectangles: the union
  for (const RectF& r : Rects) p.AddRectangle(Normalized(r));
  ResetClip();
  AddClip(std::move(p), false);
}

void Graphics::SetClipPath(const Path& P, CombineMode Mode) {
  if (degenerate_ || !P.IsValid()) return;
  if (Mode == CombineMode::Replace) ResetClip();
  AddClip(P, Mode == CombineMode::Exclude);
}

void Graphics::ResetClip() {
  clip_.clear();
  cairo_reset_clip(cr_);
}

bool Graphics::ClipPixelBounds(RectF& Bounds) const {
  if (degenerate_ || matrix_.m12 != 0 || matrix_.m21 != 0) return false;
  // cairo keeps the clip's extents in whole device pixels.
  cairo_matrix_t user;
  cairo_get_matrix(cr_, &user);
  cairo_identity_matrix(cr_);
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  cairo_set_matrix(cr_, &user);
  if (!(x2 > x1) || !(y2 > y1)) {
    Bounds = {};
    return true;
  }
  // Back to user space through the scale and offset.
  const double ux1 = (x1 - matrix_.dx) / matrix_.m11, ux2 = (x2 - matrix_.dx) / matrix_.m11;
  const double uy1 = (y1 - matrix_.dy) / matrix_.m22, uy2 = (y2 - matrix_.dy) / matrix_.m22;
  Bounds = {static_cast<float>(std::min(ux1, ux2)), static_cast<float>(std::min(uy1, uy2)),
            static_cast<float>(std::fabs(ux2 - ux1)), static_cast<float>(std::fabs(uy2 - uy1))};
  return true;
}

bool Graphics::ClipUserBounds(RectF& Bounds) const {
  if (degenerate_) return false;
  // cairo maps the clip's device extents back through the transform (the box around them).
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(cr_, &x1, &y1, &x2, &y2);
  if (!(x2 > x1) || !(y2 > y1)) {
    Bounds = {};
    return true;
  }
  Bounds = {static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2 - x1), static_cast<float>(y2 - y1)};
  return true;
}

// ---- drawing ------------------------------------------------------------------------------------

bool Graphics::SetSource(const Brush& B) {
  cairo_matrix_t ctm;
  cairo_get_matrix(cr_, &ctm);
  cairo_pattern_t* p = B.CreatePattern(ctm, Filter());
  if (!p) return false;
  cairo_set_source(cr_, p);
  cairo_pattern_destroy(p);
  return true;
}

void Graphics::Stroke(const Pen& P, const Path& Figure) {
  const Brush* b = P.GetBrush();
  const float alpha = b ? b->Alpha() : 0;
  if (degenerate_ || !b || !(alpha > 0)) {
    cairo_new_path(cr_);
    return;
  }
  cairo_save(cr_);
  P.ApplyTo(cr_);
  if (SetSource(*b) && !(alpha >= 1 && DrawKeptShape(Figure, true))) {
    if (alpha < 1) {
      cairo_push_group(cr_);
      cairo_stroke(cr_);
      cairo_pop_group_to_source(cr_);
      cairo_paint_with_alpha(cr_, alpha);
    } else {
      cairo_stroke(cr_);
    }
  }
  cairo_new_path(cr_);
  cairo_restore(cr_);
}

void Graphics::Fill(const Brush& B, const Path& Figure) {
  const float alpha = B.Alpha();
  if (degenerate_ || !(alpha > 0)) {
    cairo_new_path(cr_);
    return;
  }
  cairo_save(cr_);
  if (SetSource(B) && !(alpha >= 1 && DrawKeptShape(Figure, false))) {
    if (cairo_pattern_t* strip = GradientStrip()) cairo_set_source(cr_, strip);
    if (alpha < 1) {
      cairo_clip(cr_);
      cairo_paint_with_alpha(cr_, alpha);
    } else {
      cairo_fill(cr_);
    }
  }
  cairo_new_path(cr_);
  cairo_restore(cr_);
}

namespace {

// Pixels across a gradient strip: wide enough that blending it repeated costs little more
// than blending a whole image, small enough to keep many.
constexpr int StripWidth = 16;
// The strips kept, newest first, up to this many bytes. Every panel, box and indicator of a
// window fills from a strip of its own (one per shift down): the main window's frames use about
// forty of 620 rows, 1.6 MB; with fewer kept, each frame draws most of them again.
constexpr size_t StripBytesKept = size_t{4} << 20;

bool IsWholeShift(const cairo_matrix_t& M) {
  return M.xx == 1 && M.yy == 1 && M.xy == 0 && M.yx == 0 && M.x0 == std::trunc(M.x0) && M.y0 == std::trunc(M.y0);
}

}  // namespace

// A linear gradient from top to bottom, under transforms that only shift by whole pixels,
// gives every pixel of a device row one colour: pixman works its colour out from the row
// alone, and the same for every row on every surface. A strip of the target's height drawn
// from it once holds those colours, and repeated across it paints what the gradient paints,
// pixel for pixel, while blending from pixels costs a fraction of working out a gradient
// (which is done anew for every box of the clip). The strip is drawn from everything the
// colours depend on, and kept with it: other colours or another shift down draw another
// strip.
cairo_pattern_t* Graphics::GradientStrip() {
  cairo_pattern_t* g = cairo_get_source(cr_);
  if (cairo_pattern_get_type(g) != CAIRO_PATTERN_TYPE_LINEAR) return nullptr;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (cairo_pattern_get_linear_points(g, &x0, &y0, &x1, &y1) != CAIRO_STATUS_SUCCESS || x0 != x1 || y0 == y1)
    return nullptr;
  cairo_matrix_t ctm, toPattern;
  cairo_get_matrix(cr_, &ctm);
  cairo_pattern_get_matrix(g, &toPattern);
  if (!IsWholeShift(ctm) || !IsWholeShift(toPattern)) return nullptr;
  // A strip is kept for each gradient: kept small.
  constexpr int MostRows = 4096;
  const int height = target_.Height();
  int stops = 0;
  if (height < 1 || height > MostRows || cairo_pattern_get_color_stop_count(g, &stops) != CAIRO_STATUS_SUCCESS)
    return nullptr;
  // Across the rows nothing counts: the same strip serves the gradient shifted sideways.
  std::vector<double> key{y0, y1, ctm.y0, toPattern.y0, static_cast<double>(cairo_pattern_get_extend(g))};
  for (int i = 0; i < stops; ++i) {
    double offset = 0, r = 0, gr = 0, b = 0, a = 0;
    cairo_pattern_get_color_stop_rgba(g, i, &offset, &r, &gr, &b, &a);
    key.insert(key.end(), {offset, r, gr, b, a});
  }
  auto kept = std::find_if(strips_.begin(), strips_.end(), [&](const Strip& S) { return S.Key == key; });
  if (kept != strips_.end()) {
    std::rotate(strips_.begin(), kept, kept + 1);
    return strips_.front().Pattern.get();
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, StripWidth, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  // Drawn through the same transform, at the target's own rows.
  cairo_t* cr = cairo_create(surface);
  cairo_set_matrix(cr, &ctm);
  cairo_set_source(cr, g);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(surface);
  cairo_surface_destroy(surface);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(p, CAIRO_FILTER_NEAREST);
  cairo_pattern_set_matrix(p, &ctm);  // user space to the target's pixels
  if (cairo_pattern_status(p) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(p);
    return nullptr;
  }
  ++stripsMade_;
  const size_t bytes = size_t{StripWidth} * 4 * static_cast<size_t>(height);
  while (!strips_.empty() && stripBytes_ + bytes > StripBytesKept) {
    stripBytes_ -= strips_.back().Bytes;
    strips_.pop_back();
  }
  stripBytes_ += bytes;
  strips_.insert(strips_.begin(),
                 Strip{std::move(key), std::shared_ptr<cairo_pattern_t>(p, cairo_pattern_destroy), bytes});
  return p;
}

namespace {

// Kept shape images: each at most this many pixels, all together at most this many bytes.
// The images of a window's boxes and indicators are a few tens of kilobytes each.
constexpr double MostShapePixels = 64 * 1024;
constexpr size_t MostShapeBytes = size_t{1} << 20;
// Shapes remembered as drawn once, before the memory of them starts again.
constexpr size_t MostShapesSeen = 4096;

// Appends what a gradient source paints in user space (a colour's shapes keep their coverage
// alone: nothing); false for a source that is neither.
bool AppendSourceKey(cairo_pattern_t* P, std::vector<double>& Key) {
  const cairo_pattern_type_t type = cairo_pattern_get_type(P);
  Key.push_back(type);
  if (type == CAIRO_PATTERN_TYPE_SOLID) return true;
  double v[4] = {};
  if (type != CAIRO_PATTERN_TYPE_LINEAR) return false;
  cairo_pattern_get_linear_points(P, &v[0], &v[1], &v[2], &v[3]);
  cairo_matrix_t m;
  cairo_pattern_get_matrix(P, &m);
  int stops = 0;
  cairo_pattern_get_color_stop_count(P, &stops);
  Key.insert(Key.end(), {v[0], v[1], v[2], v[3], m.xx, m.yx, m.xy, m.yy, m.x0, m.y0,
                         static_cast<double>(cairo_pattern_get_extend(P)), static_cast<double>(stops)});
  for (int i = 0; i < stops; ++i) {
    double offset = 0, r = 0, g = 0, b = 0, a = 0;
    cairo_pattern_get_color_stop_rgba(P, i, &offset, &r, &g, &b, &a);
    Key.insert(Key.end(), {offset, r, g, b, a});
  }
  return true;
}

// What an outline is drawn with, read from one context to key or draw it on another.
struct OutlineStyle {
  double Width = 0, MiterLimit = 0, DashOffset = 0;
  cairo_line_cap_t Cap = CAIRO_LINE_CAP_BUTT;
  cairo_line_join_t Join = CAIRO_LINE_JOIN_MITER;
  std::vector<double> Dashes;

  static OutlineStyle Of(cairo_t* Cr) {
    OutlineStyle s{cairo_get_line_width(Cr), cairo_get_miter_limit(Cr), 0, cairo_get_line_cap(Cr),
                   cairo_get_line_join(Cr), std::vector<double>(static_cast<size_t>(cairo_get_dash_count(Cr)))};
    if (!s.Dashes.empty()) cairo_get_dash(Cr, s.Dashes.data(), &s.DashOffset);
    return s;
  }
  void ApplyTo(cairo_t* Cr) const {
    cairo_set_line_width(Cr, Width);
    cairo_set_line_cap(Cr, Cap);
    cairo_set_line_join(Cr, Join);
    cairo_set_miter_limit(Cr, MiterLimit);
    if (!Dashes.empty()) cairo_set_dash(Cr, Dashes.data(), static_cast<int>(Dashes.size()), DashOffset);
  }
};

uint64_t HashOf(const std::vector<double>& Key) {
  uint64_t h = 1469598103934665603ull;
  for (double d : Key) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    h = (h ^ bits) * 1099511628211ull;
    h ^= h >> 29;
  }
  return h;
}

}  // namespace

// A curved figure (a box's rounded corners, a circle) costs cairo an outline traced, a coverage
// worked out along every row and the source blended through it, on every draw and for every
// box of the clip. A window draws the same ones over and over: its panels and indicators each
// time their texts change. Drawn into an image of its own the second time it comes, with the
// same transform shifted to the image's corner, the figure is blended from the image from
// then on: the same pixels (the coverage and the colours of a pixel depend only on where it
// lies within the figure), through whatever clip is in force. What the image depends on is its
// key: the outline's or the fill's settings, the source's colours in user space, the
// transform short of its whole-pixel shift (with the part of a pixel), and the figure's
// points. A shape of one colour keeps its coverage alone (a byte a pixel), which serves any
// colour and whole-pixel shift; a fill with a gradient straight down (under a shift by whole
// pixels) keeps its pixels for each shift down, its colours taken from the target's strip;
// other sources are not kept.
bool Graphics::DrawKeptShape(const Path& Figure, bool Outline) {
  if (!Figure.HasCurves()) return false;
  cairo_matrix_t ctm;
  cairo_get_matrix(cr_, &ctm);
  // The shift's whole pixels move the image; the part of a pixel is drawn into it.
  const double shiftX = std::floor(ctm.x0), shiftY = std::floor(ctm.y0);
  if (!(std::fabs(shiftX) < 1e6) || !(std::fabs(shiftY) < 1e6)) return false;
  const double partX = ctm.x0 - shiftX, partY = ctm.y0 - shiftY;
  std::vector<double>& key = shapeKey_;
  key.clear();
  key.insert(key.end(), {Outline ? 1.0 : 0.0, ctm.xx, ctm.yx, ctm.xy, ctm.yy, partX, partY,
                         static_cast<double>(cairo_get_antialias(cr_)), cairo_get_tolerance(cr_)});
  const OutlineStyle style = Outline ? OutlineStyle::Of(cr_) : OutlineStyle{};
  if (Outline) {
    key.insert(key.end(), {style.Width, static_cast<double>(style.Cap), static_cast<double>(style.Join),
                           style.MiterLimit, static_cast<double>(style.Dashes.size())});
    if (!style.Dashes.empty()) {
      key.insert(key.end(), style.Dashes.begin(), style.Dashes.end());
      key.push_back(style.DashOffset);
    }
  }
  cairo_pattern_t* source = cairo_get_source(cr_);
  if (!AppendSourceKey(source, key)) return false;
  const bool coverage = cairo_pattern_get_type(source) == CAIRO_PATTERN_TYPE_SOLID;
  if (!coverage) {
    // A gradient's colours are worked out at the target's own pixels only through its strip
    // (drawn there), which fills blend from: the image of a fill takes them from the strip,
    // and serves that shift down alone. Outlines blend from the gradient itself.
    if (Outline) return false;
    source = GradientStrip();
    if (!source) return false;
    key.push_back(shiftY);
  }
  Figure.AppendKey(key);
  const uint64_t hash = HashOf(key);

  auto found = shapeIndex_.find(hash);
  if (found != shapeIndex_.end() && found->second->Key != key) {
    shapeBytes_ -= found->second->Bytes;
    shapes_.erase(found->second);
    shapeIndex_.erase(found);
    found = shapeIndex_.end();
  }
  if (found == shapeIndex_.end()) {
    if (shapesSeen_.size() >= MostShapesSeen && !shapesSeen_.count(hash)) shapesSeen_.clear();
    uint8_t& seen = shapesSeen_[hash];
    if (seen != 1) {
      if (seen == 0) seen = 1;  // the first time it is drawn the usual way
      return false;
    }
    // The second time: drawn into an image of its own, the device pixels it touches.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    if (Outline) cairo_stroke_extents(cr_, &x1, &y1, &x2, &y2);
    else cairo_fill_extents(cr_, &x1, &y1, &x2, &y2);
    double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
    for (double cx : {x1, x2})
      for (double cy : {y1, y2}) {
        double dx = cx, dy = cy;
        cairo_matrix_transform_point(&ctm, &dx, &dy);
        left = std::min(left, dx - shiftX);
        right = std::max(right, dx - shiftX);
        top = std::min(top, dy - shiftY);
        bottom = std::max(bottom, dy - shiftY);
      }
    // A pixel of room around for the smoothed edges.
    left = std::floor(left) - 1;
    top = std::floor(top) - 1;
    right = std::ceil(right) + 1;
    bottom = std::ceil(bottom) + 1;
    const double pixels = (right - left) * (bottom - top);
    if (!(right > left && bottom > top && pixels <= MostShapePixels && std::fabs(left) < 1e6 && std::fabs(top) < 1e6)) {
      seen = 2;
      return false;
    }
    const int w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    cairo_surface_t* surface = cairo_image_surface_create(coverage ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* c = cairo_create(surface);
    cairo_matrix_t m = ctm;
    m.x0 = partX - left;
    m.y0 = partY - top;
    cairo_set_matrix(c, &m);
    if (coverage) cairo_set_source_rgba(c, 0, 0, 0, 1);
    else cairo_set_source(c, source);
    cairo_set_antialias(c, cairo_get_antialias(cr_));
    cairo_set_tolerance(c, cairo_get_tolerance(cr_));
    Figure.AppendTo(c);
    if (Outline) {
      style.ApplyTo(c);
      cairo_stroke(c);
    } else {
      cairo_fill(c);
    }
    const bool drawn = cairo_status(c) == CAIRO_STATUS_SUCCESS && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(c);
    if (!drawn) {
      cairo_surface_destroy(surface);
      seen = 2;
      return false;
    }
    shapesSeen_.erase(hash);
    const size_t bytes = static_cast<size_t>(cairo_image_surface_get_stride(surface)) * static_cast<size_t>(h);
    while (!shapes_.empty() && shapeBytes_ + bytes > MostShapeBytes) {
      shapeBytes_ -= shapes_.back().Bytes;
      shapeIndex_.erase(shapes_.back().Hash);
      shapes_.pop_back();
    }
    shapes_.push_front(KeptShape{key, hash, std::shared_ptr<cairo_surface_t>(surface, cairo_surface_destroy),
                                 static_cast<int>(left), static_cast<int>(top), bytes});
    shapeBytes_ += bytes;
    ++shapesMade_;
    found = shapeIndex_.emplace(hash, shapes_.begin()).first;
  } else if (found->second != shapes_.begin()) {
    shapes_.splice(shapes_.begin(), shapes_, found->second);
  }
  // Blended from the image, its pixels on the device's: a colour through the coverage, or the
  // figure's own pixels.
  const KeptShape& kept = *found->second;
  const double x = shiftX + kept.X, y = shiftY + kept.Y;
  cairo_new_path(cr_);
  cairo_identity_matrix(cr_);
  if (cairo_image_surface_get_format(kept.Image.get()) == CAIRO_FORMAT_A8) {
    cairo_mask_surface(cr_, kept.Image.get(), x, y);
  } else {
    cairo_set_source_surface(cr_, kept.Image.get(), x, y);
    cairo_rectangle(cr_, x, y, cairo_image_surface_get_width(kept.Image.get()),
                    cairo_image_surface_get_height(kept.Image.get()));
    cairo_fill(cr_);
  }
  return true;
}

void Graphics::DrawLine(const Pen& P, PointF A, PointF B) {
  Path p;
  p.AddLine(A, B);
  DrawPath(P, p);
}

void Graphics::DrawBezier(const Pen& P, PointF A, PointF C1, PointF C2, PointF B) {
  Path p;
  p.AddBezier(A, C1, C2, B);
  DrawPath(P, p);
}

void Graphics::DrawRectangle(const Pen& P, const RectF& R) {
  if (R.Width < 0 || R.Height < 0) return;
  Path p;
  p.AddRectangle(R);
  DrawPath(P, p);
}

void Graphics::DrawEllipse(const Pen& P, const RectF& R) {
  Path p;
  p.AddEllipse(R);
  DrawPath(P, p);
}

void Graphics::DrawPath(const Pen& P, const Path& Figure) {
  if (!Figure.IsValid() || Figure.IsEmpty()) return;
  Figure.AppendTo(cr_);
  Stroke(P, Figure);
}

void Graphics::FillRectangle(const Brush& B, const RectF& R) {
  if (R.Width < 0 || R.Height < 0) return;
  Path p;
  p.AddRectangle(R);
  FillPath(B, p);
}

void Graphics::FillPath(const Brush& B, const Path& Figure) {
  if (!Figure.IsValid() || Figure.IsEmpty()) return;
  Figure.AppendTo(cr_);
  Fill(B, Figure);
}

void Graphics::DrawImage(const Image& Source, const RectF& Dst, const RectF& Src, float Alpha) {
  if (degenerate_ || !(Alpha > 0) || !IsFinite(Dst) || !IsFinite(Src)) return;
  if (Src.Width == 0 || Src.Height == 0 || Dst.Width == 0 || Dst.Height == 0) return;
  const double sx = static_cast<double>(Dst.Width) / Src.Width, sy = static_cast<double>(Dst.Height) / Src.Height;
  if (!std::isfinite(sx) || !std::isfinite(sy) || sx == 0 || sy == 0) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, Dst.X, Dst.Y, Dst.Width, Dst.Height);
  cairo_clip(cr_);
  // Src's corner onto Dst's, scaled; negative sizes mirror.
  cairo_translate(cr_, Dst.X, Dst.Y);
  cairo_scale(cr_, sx, sy);
  cairo_translate(cr_, -Src.X, -Src.Y);
  cairo_set_source_surface(cr_, Source.Surface(), 0, 0);
  cairo_pattern_t* p = cairo_get_source(cr_);
  cairo_pattern_set_filter(p, Filter());
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  cairo_paint_with_alpha(cr_, std::min(Alpha, 1.0f));
  cairo_restore(cr_);
}

}  // namespace gfx2d
