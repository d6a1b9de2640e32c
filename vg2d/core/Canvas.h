// The drawing surface of the 2D library: the paint state (fill, stroke and its settings,
// font, transform), an optional pixel buffer of its own, saved states, and the drawing
// operations every object of a 2D tree paints through. Canvases are made through the
// class reference DefaultCanvasClass; TvxCanvasGdiPlus is the concrete one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx2d/Image.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/Geometry.h"
#include "vg2d/core/PathData.h"

namespace rtl {
class TComponent;
}

namespace vg {

class TvxBitmap;
class IvxScene;

// What an operation the base class only declares raises when it is called on it.
class EAbstractError : public rtl::Exception {
public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EAbstractError"; }
};

RTL_ENUM(TvxStrokeCap, vgCapFlat, vgCapRound);
RTL_ENUM(TvxStrokeJoin, vgJoinMiter, vgJoinRound, vgJoinBevel);
RTL_ENUM(TvxStrokeDash, vgDashSolid, vgDashDash, vgDashDot, vgDashDashDot, vgDashDashDotDot, vgDashCustom);
RTL_ENUM(TvxSide, vgSideTop, vgSideLeft, vgSideBottom, vgSideRight);
using TvxSides = rtl::TSet<TvxSide>;
inline constexpr TvxSides AllSides{vgSideTop, vgSideLeft, vgSideBottom, vgSideRight};
RTL_ENUM(TvxTextAlign, vgTextAlignCenter, vgTextAlignNear, vgTextAlignFar);

// Points of a polygon; ClosePolygonMarker (65535, 65535) ends a figure.
using TvxPolygon = std::vector<TvxPoint>;

// Where a canvas copies its buffer to (a window's frame); nil stands for no target.
using TvxDC = const gfx2d::PixelTarget*;

// A saved paint state. State is the back end's token, -1 for a free slot; the copies
// belong to the slot while it is in use.
struct TvxSaveData {
  int32_t State = -1;
  TvxMatrix Matrix = IdentityMatrix;
  std::unique_ptr<TvxBrush> Fill;
  std::unique_ptr<TvxBrush> Stroke;
  float StrokeThickness = 0;
  TvxStrokeCap StrokeCap = vgCapFlat;
  TvxStrokeJoin StrokeJoin = vgJoinMiter;
  TvxStrokeDash StrokeDash = vgDashSolid;
  std::vector<float> Dash;
  float DashOffset = 0;
  std::unique_ptr<TvxFont> Font;
};
using TvxSaveDataArray = std::vector<TvxSaveData>;

class TvxCanvas : public rtl::TPersistent {
  RTL_CLASS(TvxCanvas, rtl::TPersistent)
public:
  // Frees the saved states' copies, the font and the brushes. The concrete class frees
  // its buffer in its own destructor.
  ~TvxCanvas() override;

  // ---- paint state ------------------------------------------------------------------------
  int Width() const { return width_; }
  int Height() const { return height_; }
  const TvxMatrix& Matrix() const { return matrix_; }
  TvxBrush* Fill() const { return fill_.get(); }
  TvxBrush* Stroke() const { return stroke_.get(); }
  float StrokeThickness() const { return strokeThickness_; }
  void SetStrokeThickness(float Value) { strokeThickness_ = Value; }
  TvxStrokeCap StrokeCap() const { return strokeCap_; }
  void SetStrokeCap(TvxStrokeCap Value) { strokeCap_ = Value; }
  TvxStrokeJoin StrokeJoin() const { return strokeJoin_; }
  void SetStrokeJoin(TvxStrokeJoin Value) { strokeJoin_ = Value; }
  TvxStrokeDash StrokeDash() const { return strokeDash_; }
  // Sets StrokeDash and its pattern; nothing when Value is the current one. vgDashCustom
  // keeps Dash and DashOffset for the caller to fill.
  void SetStrokeDash(TvxStrokeDash Value);
  // Alternating dash and gap lengths in units of the thickness; empty: a solid line.
  std::vector<float>& Dash() { return dash_; }
  const std::vector<float>& Dash() const { return dash_; }
  float DashOffset() const { return dashOffset_; }
  void SetDashOffset(float Value) { dashOffset_ = Value; }
  TvxFont* Font() const { return font_.get(); }
  // The bitmap this canvas draws into (not owned); nil for a canvas with its own buffer.
  TvxBitmap* Bitmap() const { return bitmap_; }
  const TvxSaveDataArray& SaveData() const { return saveData_; }

  // ---- buffer -----------------------------------------------------------------------------
  bool Buffered() const { return buffered_; }
  // Height rows of Width premultiplied ARGB pixels, no padding; nil without a buffer.
  uint32_t* BufferBits() const { return bufferBits_; }
  // The buffer as a copy source for windows; nil without a buffer.
  TvxDC BufferHandle() const { return bufferBits_ ? &bufferHandle_ : nullptr; }
  IvxScene* Scene() const { return scene_; }
  void SetScene(IvxScene* Value) { scene_ = Value; }

  // When Buffered, copies Width x Height pixels to Dest.
  void CopyToBits(uint32_t* Dest) const;
  float TextWidth(const std::u16string& Text);
  void FillArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle, float Opacity);
  void DrawArc(const TvxPoint& Center, const TvxPoint& Radius, float StartAngle, float SweepAngle, float Opacity);
  // The outline of Rect with only the given sides; corners in Corners are drawn anyway.
  void DrawRectSides(const TvxRect& Rect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                     TvxSides Sides, TvxCornerType CornerType = vgCornerRound);

  // ---- virtual operations -----------------------------------------------------------------
  virtual void FontChanged(rtl::TObject* Sender);
  virtual bool BeginScene() { return true; }
  virtual void EndScene() {}
  virtual void FlushBuffer(int X, int Y, TvxDC DC);
  virtual void FlushBufferRect(int X, int Y, TvxDC DC, const TvxRect& ARect);
  virtual void FreeBuffer();
  virtual void ResizeBuffer(int AWidth, int AHeight);
  // A buffered canvas draws from now on into Bits, AWidth x AHeight premultiplied pixels in
  // rows without padding that the caller owns and keeps until the canvas is given others,
  // resized or freed (BufferBits is then Bits); nil Bits gives it a buffer of its own of that
  // size again. Sides below 1 count as 1.
  virtual void SetBufferBits(uint32_t* Bits, int AWidth, int AHeight);
  // Whether the buffer is the canvas's own (false while it draws into someone else's pixels).
  bool OwnsBuffer() const { return ownsBuffer_; }
  virtual void Clear(TvxColor Color);
  virtual void ClearRect(const TvxRect& ARect, TvxColor Color);
  // Puts the pixels of Source, whose top-left pixel lies at (X, Y) of the buffer, into the
  // buffer within ARect (whole pixels as ClearRect takes them) as they are, unblended; what
  // Source does not cover stays.
  virtual void CopyFromPixels(const gfx2d::PixelTarget& Source, int X, int Y, const TvxRect& ARect);
  virtual void SetMatrix(const TvxMatrix& M) { matrix_ = M; }
  virtual void MultiplyMatrix(const TvxMatrix&) {}
  virtual int SaveState();
  virtual void RestoreState(int Index);
  virtual void SetClipRects(const std::vector<TvxRect>& ARects);
  virtual void IntersectClipRect(const TvxRect& ARect);
  virtual void ExcludeClipRect(const TvxRect& ARect);
  virtual void ResetClipRect();
  // The box in the current user space (under Matrix) that holds everything the clip lets
  // through, the whole surface when nothing clips; an empty box when nothing gets through.
  // False when the canvas cannot tell (this class cannot; nor can a canvas without a surface
  // or under a transform that cannot be inverted).
  virtual bool ClipBounds(TvxRect&) const { return false; }
  virtual void DrawLine(const TvxPoint& P1, const TvxPoint& P2, float Opacity);
  virtual void FillRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                        TvxCornerType CornerType = vgCornerRound);
  virtual void DrawRect(const TvxRect& ARect, float XRadius, float YRadius, TvxCorners Corners, float Opacity,
                        TvxCornerType CornerType = vgCornerRound);
  virtual void FillEllipse(const TvxRect& ARect, float Opacity);
  virtual void DrawEllipse(const TvxRect& ARect, float Opacity);
  virtual bool PtInPath(const TvxPoint& P, const TvxRect& ARect, TvxPathData* APath);
  virtual void FillPath(TvxPathData* APath, const TvxRect& ARect, float Opacity);
  virtual void DrawPath(TvxPathData* APath, const TvxRect& ARect, float Opacity);
  virtual void DrawBitmap(TvxBitmap* ABitmap, const TvxRect& SrcRect, const TvxRect& DstRect, float Opacity,
                          bool HighSpeed = false);
  virtual void DrawThumbnail(TvxBitmap* ABitmap, float AWidth, float AHeight);
  // Columns x Rows tiles of the whole bitmap at its own size side by side from the origin
  // (tile (i, j) at (i x width, j x height)), nearest-neighbour: the picture DrawBitmap of each
  // tile gives. Here the tiles are drawn so, those the clip lets show (all where the canvas
  // cannot tell); a canvas may paint them in one go where that gives the same pixels.
  virtual void DrawBitmapTiles(TvxBitmap* ABitmap, int Columns, int Rows, float Opacity);
  virtual void FillPolygon(const TvxPolygon& Points, float Opacity);
  virtual void DrawPolygon(const TvxPolygon& Points, float Opacity);
  virtual void AddFontFromStream(rtl::TStream*) {}
  virtual void FillText(const TvxRect& ARect, const TvxRect& AClipRect, const std::u16string& AText, bool WordWrap,
                        float Opacity, TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter);
  virtual void MeasureText(TvxRect& ARect, const TvxRect& AClipRect, const std::u16string& AText, bool WordWrap,
                           TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter);
  virtual bool TextToPath(TvxPathData* Path, const TvxRect& ARect, const std::u16string& AText, bool WordWrap,
                          TvxTextAlign ATextAlign, TvxTextAlign AVTextAlign = vgTextAlignCenter);

  // A TvxBitmap gets the canvas's size and, when Buffered, its pixels.
  void AssignTo(rtl::TPersistent* Dest) const override;

protected:
  // Fill solid white, Stroke solid black, a font that notifies FontChanged; no buffer.
  TvxCanvas();
  // The base of the canvas on a bitmap: the size is the bitmap's.
  explicit TvxCanvas(TvxBitmap* ABitmap);

  int width_ = 0;
  int height_ = 0;
  TvxMatrix matrix_ = IdentityMatrix;
  std::unique_ptr<TvxBrush> fill_;
  std::unique_ptr<TvxBrush> stroke_;
  float strokeThickness_ = 0;
  TvxStrokeCap strokeCap_ = vgCapFlat;
  TvxStrokeJoin strokeJoin_ = vgJoinMiter;
  TvxStrokeDash strokeDash_ = vgDashSolid;
  std::vector<float> dash_;
  float dashOffset_ = 0;
  std::unique_ptr<TvxFont> font_;
  TvxBitmap* bitmap_ = nullptr;
  TvxSaveDataArray saveData_;
  bool buffered_ = false;
  bool ownsBuffer_ = true;
  uint32_t* bufferBits_ = nullptr;
  gfx2d::PixelTarget bufferHandle_;
  IvxScene* scene_ = nullptr;

private:
  void CreatePaint();
};

// Appends the side-aware outline of Rect that DrawRectSides strokes: clockwise from the
// top of the left side, a line along each side in Sides and a move along each other one,
// each corner of Corners shaped by CornerType (radii cut to half the rectangle). Open.
void AddRectSidesOutline(TvxPathData& Path, const TvxRect& Rect, float XRadius, float YRadius, TvxCorners Corners,
                         TvxSides Sides, TvxCornerType CornerType);

// A class reference of canvases: their virtual constructors and class operations.
class TvxCanvasClass {
public:
  virtual ~TvxCanvasClass() = default;
  virtual rtl::TClass ClassInfo() const = 0;
  // A canvas with a buffer of its own; the caller owns it.
  virtual std::unique_ptr<TvxCanvas> Create(int AWidth, int AHeight) const = 0;
  // A canvas drawing into Bitmap's pixels; the caller owns it (the bitmap keeps its own
  // canvas, see TvxBitmap::GetCanvas).
  virtual std::unique_ptr<TvxCanvas> CreateFromBitmap(TvxBitmap* Bitmap) const = 0;
  // The address of pixel row Y of Bitmap; base: nil.
  virtual uint32_t* GetScanline(TvxBitmap* Bitmap, int Y) const;
};

// The canvas class every canvas of the library is made with; set at start-up.
extern const TvxCanvasClass* DefaultCanvasClass;

// Paints a visual object and its children into Canvas within Rect at Opacity, for fills
// with a visual brush. It is PaintVisualBrushObject unless replaced (tests do); nil makes
// visual brushes paint nothing.
using TvxPaintVisualProc =
    std::function<void(rtl::TComponent* Visual, TvxCanvas& Canvas, const TvxRect& Rect, float Opacity)>;
extern TvxPaintVisualProc PaintVisualObject;
// The object tree's painter (defined with the visual objects): a hosted visual object is
// painted with PaintTo into Rect at Opacity instead of its own opacity, without asking its
// host for repaints; anything else paints nothing.
void PaintVisualBrushObject(rtl::TComponent* Visual, TvxCanvas& Canvas, const TvxRect& Rect, float Opacity);

}  // namespace vg
