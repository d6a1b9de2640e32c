// The drawing object of the back end: draws into an Image with a world transform, a clip
// and saved states that may be restored in any order (restoring one discards the states
// saved after it). A transform that cannot be inverted is accepted and remembered, and
// nothing is drawn until a usable one is set; bad input never leaves the underlying cairo
// context in an error state.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include <cairo.h>

#include "platform/gfx2d/Brush.h"
#include "platform/gfx2d/Image.h"
#include "platform/gfx2d/Path.h"
#include "platform/gfx2d/Text.h"
#include "platform/gfx2d/Types.h"

struct _PangoContext;

namespace gfx2d {

struct TextCache;
struct TextCacheDeleter {
  void operator()(TextCache* Cache) const;
};

class Graphics {
public:
  // Draws into Target (which must outlive the graphics): identity transform, no clip,
  // antialiased, high-quality interpolation, source-over blending.
  explicit Graphics(const Image& Target);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  const Image& Target() const { return target_; }
  // The cairo context, for drawing the back end does not wrap (text).
  cairo_t* Context() const { return cr_; }
  // False only if the context broke; nothing the API accepts breaks it.
  bool Ok() const { return cairo_status(cr_) == CAIRO_STATUS_SUCCESS; }

  void SetSmoothingMode(SmoothingMode Mode);
  void SetInterpolationMode(InterpolationMode Mode) { interpolation_ = Mode; }
  InterpolationMode GetInterpolationMode() const { return interpolation_; }

  // ---- transform ----------------------------------------------------------------------
  void SetWorldTransform(const Matrix& M);
  const Matrix& WorldTransform() const { return matrix_; }
  void MultiplyWorldTransform(const Matrix& M, MatrixOrder Order = MatrixOrder::Prepend);
  void ScaleWorldTransform(float SX, float SY, MatrixOrder Order = MatrixOrder::Prepend);
  // True while the transform cannot be inverted: drawing does nothing then.
  bool Degenerate() const { return degenerate_; }

  // ---- saved states -------------------------------------------------------------------
  // Saves transform and clip; the token is never 0.
  uint32_t Save();
  // Brings back the state saved as Token and forgets it and every later one; an unknown
  // or forgotten token does nothing.
  void Restore(uint32_t Token);

  // ---- clip ---------------------------------------------------------------------------
  // Replace, Intersect or Exclude the rectangle (in user space).
  void SetClipRect(const RectF& R, CombineMode Mode);
  // The clip becomes the union of the rectangles (nothing at all for none).
  void SetClipRects(const std::vector<RectF>& Rects);
  void SetClipPath(const Path& P, CombineMode Mode);
  void ResetClip();
  // The whole device pixels that hold every pixel the clip lets through (the target's bounds
  // with no clip), given in user space; false, with Bounds untouched, if the transform turns,
  // shears or cannot be used (the box would then not be a rectangle there).
  bool ClipPixelBounds(RectF& Bounds) const;
  // The box in user space that holds everything the clip lets through (the target's bounds
  // with no clip), around it where the transform turns; empty when nothing gets through;
  // false, with Bounds untouched, while the transform cannot be inverted.
  bool ClipUserBounds(RectF& Bounds) const;

  // ---- drawing --------------------------------------------------------------------------
  void DrawLine(const Pen& P, PointF A, PointF B);
  void DrawBezier(const Pen& P, PointF A, PointF C1, PointF C2, PointF B);
  // A rectangle with a negative width or height is not drawn.
  void DrawRectangle(const Pen& P, const RectF& R);
  void DrawEllipse(const Pen& P, const RectF& R);
  void DrawPath(const Pen& P, const Path& Figure);
  void FillRectangle(const Brush& B, const RectF& R);
  void FillPath(const Brush& B, const Path& Figure);
  // Draws the Src part of Source (in pixels) into Dst with the interpolation mode,
  // every alpha scaled by Alpha (nothing for Alpha <= 0 or not a number).
  void DrawImage(const Image& Source, const RectF& Dst, const RectF& Src, float Alpha = 1);

  // ---- text ---------------------------------------------------------------------------
  // A new graphics starts with SystemDefault.
  void SetTextRenderingHint(TextRenderingHint Hint) { textHint_ = Hint; }
  TextRenderingHint GetTextRenderingHint() const { return textHint_; }
  // Draws Text laid out in Layout with B under the current hint. The text ends at its
  // first U+0000; nothing is drawn for an empty text or an unusable font.
  void DrawString(const std::u16string& Text, const Font& F, const RectF& Layout, const StringFormat& Format,
                  const Brush& B);
  // The bounds (in user space) of Text laid out in Layout; false, with Bounds untouched,
  // for an empty text or an unusable font.
  bool MeasureString(const std::u16string& Text, const Font& F, const RectF& Layout, const StringFormat& Format,
                     RectF& Bounds);
  // How many laid-out strings the graphics keeps for the next draw or measure of the same
  // string (at most a few hundred; strings over a kilobyte are never kept).
  size_t KeptTextLayouts() const;
  // How many strings the graphics has laid out since it was made (kept or not).
  size_t TextLayoutsMade() const;

  // ---- gradient strips ----------------------------------------------------------------
  // How many strips of a gradient that runs straight down the target the graphics has drawn
  // since it was made (a fill with such a gradient is blended from its strip, drawn once).
  size_t GradientStripsMade() const { return stripsMade_; }

  // ---- kept shapes ----------------------------------------------------------------------
  // How many curved fills and outlines the graphics has drawn into images of their own to keep
  // (a figure drawn a second time the same way, shifted further by whole pixels or not at all,
  // is drawn once into an image; from then on it is blended from that image), and how many
  // bytes the kept images take.
  size_t ShapesMade() const { return shapesMade_; }
  size_t ShapeBytesKept() const { return shapeBytes_; }

private:
  struct ClipStep {
    cairo_matrix_t Transform;
    Path Figure;
    bool Exclude;
  };
  using ClipList = std::vector<std::shared_ptr<const ClipStep>>;
  struct SavedState {
    uint32_t Token;
    Matrix Transform;
    bool Degenerate;
    ClipList Clip;
  };

  void ApplyTransform();
  void AddClip(Path Figure, bool Exclude);
  void ApplyClip(const ClipStep& Step);
  void ReplayClip();
  cairo_filter_t Filter() const;
  bool SetSource(const Brush& B);
  void Stroke(const Pen& P, const Path& Figure);
  void Fill(const Brush& B, const Path& Figure);
  // Draws the current path (Figure, with the source and the outline's settings set) from its
  // kept image, keeping one at need; false when it is drawn the usual way.
  bool DrawKeptShape(const Path& Figure, bool Outline);
  // The kept strip pattern of the gradient source, made at need; nil when the source is no
  // gradient that runs straight down the target's pixels.
  cairo_pattern_t* GradientStrip();

  const Image& target_;
  cairo_t* cr_;
  Matrix matrix_;
  bool degenerate_ = false;
  InterpolationMode interpolation_ = InterpolationMode::HighQuality;
  ClipList clip_;
  std::vector<SavedState> saved_;
  uint32_t nextToken_ = 1;
  TextRenderingHint textHint_ = TextRenderingHint::SystemDefault;
  // The strings laid out for drawing and measuring, a text context for each hint, made by the
  // first text call under it (Text.cpp).
  std::unique_ptr<TextCache, TextCacheDeleter> text_;
  // The last few gradient strips, newest first, each with what it was drawn from.
  struct Strip {
    std::vector<double> Key;
    std::shared_ptr<cairo_pattern_t> Pattern;
    size_t Bytes;
  };
  std::vector<Strip> strips_;
  size_t stripBytes_ = 0;
  size_t stripsMade_ = 0;
  // The kept shape images, newest first, found by a hash of what they were drawn from; and the
  // hashes of shapes drawn once (1) or not to be kept (2).
  struct KeptShape {
    std::vector<double> Key;
    uint64_t Hash;
    std::shared_ptr<cairo_surface_t> Image;
    int X, Y;  // the image's corner, in device pixels from the transform's whole-pixel shift
    size_t Bytes;
  };
  std::list<KeptShape> shapes_;
  std::unordered_map<uint64_t, std::list<KeptShape>::iterator> shapeIndex_;
  std::unordered_map<uint64_t, uint8_t> shapesSeen_;
  std::vector<double> shapeKey_;  // the key being looked up, its memory kept
  size_t shapeBytes_ = 0;
  size_t shapesMade_ = 0;
  friend class TextLayout;
};

}  // namespace gfx2d
