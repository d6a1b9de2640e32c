// The concrete canvas of the 2D library, drawing through the cairo back end (platform/
// gfx2d) either into a pixel buffer of its own or straight into a TvxBitmap's pixels;
// and the start and end of that back end.
#pragma once

#include <memory>
#include <vector>

#include "platform/gfx2d/Graphics.h"
#include "vg2d/core/Canvas.h"

namespace vg {

class TvxCanvasGdiPlus : public TvxCanvas {
  RTL_CLASS(TvxCanvasGdiPlus, TvxCanvas)
public:
  // A buffered canvas of at least 1 x 1 pixels.
  TvxCanvasGdiPlus(int AWidth, int AHeight);
  // A canvas drawing into Bitmap (which must outlive it; the bitmap frees its canvas
  // whenever its pixels go).
  explicit TvxCanvasGdiPlus(TvxBitmap* ABitmap);
  ~TvxCanvasGdiPlus() override;

  // The class reference through which the library makes canvases of this class.
  static const TvxCanvasClass* ClassRef();
  // Text is drawn, measured and outlined up to its first MaxLaidText UTF-16 units, wrapped
  // text up to its first MaxWrappedText (the layout engine shapes the rest of a paragraph
  // again for every line it wraps, so wrapping costs the square of the length).
  static constexpr size_t MaxLaidText = 65536;
  static constexpr size_t MaxWrappedText = 8192;
  static uint32_t* GetScanline(TvxBitmap* Bitmap, int Y);

  void FlushBuffer(int X, int Y, TvxDC DC) override;
  void FlushBufferRect(int X, int Y, TvxDC DC, const TvxRect& ARect) override;
  void FreeBuffer() override;
  // Raises rtl::Exception "Can't allocate the DIB handle" when no buffer of that size can
  // be made; the canvas then has no buffer and keeps the new size.
  void ResizeBuffer(int AWidth, int AHeight) override;
  // Raises rtl::EInvalidOperation on a canvas that draws into a bitmap, and "Can't allocate the
  // DIB handle" as ResizeBuffer does when the back end cannot draw into those pixels (the canvas
  // then has no buffer).
  void SetBufferBits(uint32_t* Bits, int AWidth, int AHeight) override;
  void Clear(TvxColor Color) override;
  void ClearRect(const TvxRect& ARect, TvxColor Color) override;
  void CopyFromPixels(const gfx2d::PixelTarget& Source, int X, int Y, const TvxRect& ARect) override;
  void SetMatrix(const TvxMatrix& M) override;
  void MultiplyMatrix(const TvxMatrix& M) override;
  int SaveState() override;
  void RestoreState(int Index) override;
  void SetClipRects(const std::vector<TvxRect>& ARects) override;
  void IntersectClipRect(const TvxRect& ARect) override;
  void ExcludeClipRect(const TvxRect& ARect) override;
  void ResetClipRect() override;
  bool ClipBounds(TvxRect& Bounds) const override;
  void DrawLine(const TvxPoint& P1, const TvxPoint& P2, float Opacity) override;
  void FillRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                TvxCornerType CornerType = vgCornerRound) override;
  void DrawRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                TvxCornerType CornerType = vgCornerRound) override;
  void FillEllipse(const TvxRect& ARect, float Opacity) override;
  void DrawEllipse(const TvxRect& ARect, float Opacity) override;
  bool PtInPath(const TvxPoint& P, const TvxRect& ARect, TvxPathData* APath) override;
  void FillPath(TvxPathData* APath, const TvxRect& ARect, float Opacity) override;
  void DrawPath(TvxPathData* APath, const TvxRect& ARect, float Opacity) override;
  void DrawBitmap(TvxBitmap* ABitmap, const TvxRect& SrcRect, const TvxRect& DstRect, float Opacity,
                  bool HighSpeed = false) override;
  void DrawThumbnail(TvxBitmap* ABitmap, float AWidth, float AHeight) override;
  // In one fill of the repeated bitmap where the tiles lie on whole pixels (the same pixels)
  // or are smaller than a pixel (where one by one they would cost more than the area); one by
  // one, those the clip shows, otherwise.
  void DrawBitmapTiles(TvxBitmap* ABitmap, int Columns, int Rows, float Opacity) override;

  // ---- text ---------------------------------------------------------------------------------
  // Chooses the family of Font (the private fonts first, then the installed ones, then
  // the generic sans-serif family) and, with a graphics, the text rendering hint.
  void FontChanged(rtl::TObject* Sender) override;
  // Adds the font held from the stream's position to its end; the family is chosen again
  // at the next font change.
  void AddFontFromStream(rtl::TStream* Stream) override;
  void FillText(const TvxRect& ARect, const TvxRect& AClipRect, const std::u16string& AText, bool WordWrap,
                float Opacity, TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter) override;
  void MeasureText(TvxRect& ARect, const TvxRect& AClipRect, const std::u16string& AText, bool WordWrap,
                   TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter) override;
  bool TextToPath(TvxPathData* Path, const TvxRect& ARect, const std::u16string& AText, bool WordWrap,
                  TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter) override;
  static int GPFontStyle(TvxFontStyle Style);

  // Fill a rectangle or a back-end path with Fill.
  void FillGPRect(const TvxRect& ARect, float Opacity);
  void FillGPPath(const gfx2d::Path& APath, const TvxRect& ARect, float Opacity);
  // Rebuild FillBrush, or StrokeBrush and Pen, for a rectangle.
  void ApplyBrushGdiPlus(const TvxRect& ARect, float Opacity);
  void ApplyStrokeGdiPlus(const TvxRect& ARect, float Opacity);

  // The back-end image over Bitmap's pixels, kept in its Handle until the pixels go.
  static void GetGPBitmap(TvxBitmap* Bitmap);
  static void FreeGPBitmap(TvxBitmap* Bitmap);
  static gfx2d::Image* GPImage(const TvxBitmap* Bitmap);
  static gfx2d::RectF RectToGPRectF(const TvxRect& R);

  // Off, every rectangle is filled and stroked through its whole outline, however little of
  // it the clip lets through (the pictures are the same; tests compare the two ways).
  void SetClipShortcuts(bool On) { clipShortcuts_ = On; }

  gfx2d::Graphics* Graphics() const { return graphics_.get(); }
  const gfx2d::Brush* FillBrush() const { return fillBrush_.get(); }
  const gfx2d::Brush* StrokeBrush() const { return strokeBrush_.get(); }
  const gfx2d::Pen* Pen() const { return pen_.get(); }
  const gfx2d::FontFamily* FontFamily() const { return fontFamily_.get(); }
  const gfx2d::PrivateFontCollection* FontCollection() const { return fontCollection_.get(); }

private:
  void MakeBuffer(int AWidth, int AHeight);
  void CreateGraphics(const gfx2d::Image* Target);
  void CreateTools();
  // The brush of a bitmap brush, or nil when it has no usable image.
  std::unique_ptr<gfx2d::Brush> BitmapBrush(TvxBrush* Brush, bool ForStroke, const TvxRect& ARect, float Opacity);
  void ChooseFontFamily();
  // The whole pixels that hold what the clip lets through, in user space; false when that
  // box is no rectangle there (the transform turns) or there is nothing to draw on.
  bool ClipBox(TvxRect& Box) const;
  // Fills Area (which the clip's box must lie in) with Fill as laid out over BrushRect.
  void FillArea(const TvxRect& BrushRect, const TvxRect& Area, float Opacity);
  // The hint Font asks for: grid-fitted with ClearType, else antialiased.
  gfx2d::TextRenderingHint TextHint() const;
  // The font of FillText and MeasureText: Font's style when the family has it, else the
  // first style it has.
  gfx2d::Font TextFont() const;

  std::vector<uint32_t> dib_;
  std::unique_ptr<gfx2d::Image> dibImage_;
  std::unique_ptr<gfx2d::Graphics> graphics_;
  bool clipShortcuts_ = true;
  std::unique_ptr<gfx2d::Pen> pen_;
  std::unique_ptr<gfx2d::Brush> strokeBrush_;
  std::unique_ptr<gfx2d::Brush> fillBrush_;
  std::unique_ptr<gfx2d::FontFamily> fontFamily_;
  std::unique_ptr<gfx2d::PrivateFontCollection> fontCollection_;
};

// Start and end of the drawing back end. Starting twice starts once; ending without a
// start does nothing. Every canvas and image must be freed before the end.
void StartupGdiPlus();
void ShutdownGdiPlus();

}  // namespace vg
