// The class library's bitmap and its drawing canvas. A TBitmap is a device-independent
// bitmap of 32 bits a pixel, rows stored top row first, each pixel's bytes blue, green,
// red and a fourth byte, in memory of its own. Its TCanvas draws into those pixels through
// the drawing back end (a cairo image surface over the same memory) with the class
// library's pen, brush and font: shapes, lines, text and single pixels, in whole pixel
// coordinates where a rectangle's right and bottom edges lie outside it.
//
// What the canvas draws is opaque where it is drawn: the fourth byte becomes 255 there. A
// new bitmap, and the part a resize adds, is all zero bytes (black, fourth byte 0).
//
// A TGraphic is a picture of any kind that draws itself stretched into a rectangle of a
// canvas (TCanvas::StretchDraw); the bitmap is one. A TPicture holds one graphic of any
// kind, or none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/WinTypes.h"

namespace gfx2d {
class Graphics;
class Image;
}  // namespace gfx2d

namespace win {

// A colour of the class library: 0x00BBGGRR (red in the low byte).
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor RGB(int R, int G, int B) { return (R & 0xFF) | ((G & 0xFF) << 8) | ((B & 0xFF) << 16); }

RTL_ENUM(TPenStyle, psSolid, psClear);
RTL_ENUM(TBrushStyle, bsSolid, bsClear);
RTL_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
using TFontStyles = rtl::TSet<TFontStyle>;

// Lines and outlines: Width pixels wide (below 1 counts as 1); psClear draws none.
struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
};

// Fills, and the background of text; bsClear fills nothing.
struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

// The screen's pixels an inch, at which sizes in points are drawn.
inline constexpr int ScreenPixelsPerInch = 96;

// The class library's font. It keeps its height in pixels: a negative height is the em
// height (what a size in points gives at 96 pixels an inch), a positive one the height of
// the character cell, drawn here as the em height too. A family that is not installed falls
// back to the generic sans-serif one.
class TFont : public rtl::TPersistent {
  RTL_CLASS(TFont, rtl::TPersistent)
public:
  std::string Name = "Tahoma";
  TColor Color = clBlack;
  TFontStyles Style;

  int Height() const { return height_; }
  void SetHeight(int Value) { height_ = Value; }
  // Points: -Height x 72 / 96, rounded; setting it sets Height to -Size x 96 / 72, rounded.
  int Size() const;
  void SetSize(int Value);

  // From another TFont: name, colour, style and height.
  void Assign(const rtl::TPersistent* Source) override;

private:
  int height_ = -11;  // 8 points
};

class TBitmap;
class TCanvas;

class TGraphic : public rtl::TPersistent {
  RTL_CLASS(TGraphic, rtl::TPersistent)
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // A new graphic of this one's class holding a copy of it.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

protected:
  friend class TCanvas;
  // Draws the graphic stretched over Rect of Canvas (whose bitmap may be this graphic).
  virtual void Draw(TCanvas& Canvas, const TRect& Rect) const = 0;
};

class TCanvas : public rtl::TPersistent {
  RTL_CLASS(TCanvas, rtl::TPersistent)
public:
  ~TCanvas() override;

  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  TFont& Font() { return font_; }
  TPoint PenPos() const { return penPos_; }

  // The rectangle in Brush (nothing with bsClear).
  void FillRect(const TRect& R);
  // Filled with Brush, outlined with Pen inside the rectangle.
  void Rectangle(int Left, int Top, int Right, int Bottom);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  // The ellipse inscribed in the rectangle, filled and outlined the same way.
  void Ellipse(int Left, int Top, int Right, int Bottom);
  void MoveTo(int X, int Y) { penPos_ = {X, Y}; }
  // A line from PenPos up to, not including, (X, Y), which becomes PenPos.
  void LineTo(int X, int Y);
  // Text in Font with its cell's top-left corner at (X, Y), on Brush's colour unless
  // bsClear; PenPos moves to the text's end.
  void TextOut(int X, int Y, const std::u16string& Text);
  // The size of the text's cell in whole pixels (rounded up); 0 for an empty text.
  int TextWidth(const std::u16string& Text);
  int TextHeight(const std::u16string& Text);
  // A pixel's colour (its blue, green and red bytes); -1 outside the bitmap.
  TColor Pixel(int X, int Y) const;
  // An opaque pixel; nothing outside the bitmap.
  void SetPixel(int X, int Y, TColor Color);
  // The graphic stretched over R, blended over what lies there; nothing for nil or an empty
  // graphic. Draw: at its own size with its top-left corner at (X, Y).
  void StretchDraw(const TRect& R, const TGraphic* Graphic);
  void Draw(int X, int Y, const TGraphic* Graphic);

private:
  friend class TBitmap;
  explicit TCanvas(TBitmap& Owner);
  // The drawing object over the bitmap's pixels; nil while the bitmap has none.
  gfx2d::Graphics* Graphics();
  // The bitmap's pixels are about to move or be read directly.
  void Release();
  void Flush() const;
  void StrokeAndFill(bool Ellipse, int Left, int Top, int Right, int Bottom);

  TBitmap& owner_;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  TPoint penPos_;
  std::unique_ptr<gfx2d::Image> image_;
  std::unique_ptr<gfx2d::Graphics> graphics_;
};

class TBitmap : public TGraphic {
  RTL_CLASS(TBitmap, TGraphic)
public:
  // No more pixels than this in one bitmap.
  static constexpr std::int64_t MaxPixels = std::int64_t{1} << 28;

  TBitmap();
  ~TBitmap() override;

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  std::unique_ptr<TGraphic> Clone() const override;
  // From another bitmap: its size and pixels.
  void Assign(const rtl::TPersistent* Source) override;
  // A side below 0 becomes 0. The pixels where the old and the new size overlap stay; the
  // rest are zero. More than MaxPixels raises rtl::EInvalidArgument and changes nothing.
  void SetSize(int AWidth, int AHeight);
  void SetWidth(int Value) { SetSize(Value, height_); }
  void SetHeight(int Value) { SetSize(width_, Value); }

  // Row Row of the pixels (Width pixels) with all drawing done so far in it; raises
  // rtl::ERangeError for a row outside the bitmap.
  std::uint32_t* ScanLine(int Row);
  // All Width x Height pixels, top row first; nil without pixels.
  const std::uint32_t* Bits() const;
  TCanvas* Canvas() { return canvas_.get(); }

protected:
  // The pixels stretched without smoothing, as the class library stretches a bitmap.
  void Draw(TCanvas& Canvas, const TRect& Rect) const override;

private:
  friend class TCanvas;
  std::vector<std::uint32_t> bits_;
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<TCanvas> canvas_;
};

class TPicture : public rtl::TPersistent {
  RTL_CLASS(TPicture, rtl::TPersistent)
public:
  TPicture();
  ~TPicture() override;

  // The graphic held; nil when none.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Holds a copy of Value (of its class); nil empties the picture.
  void SetGraphic(const TGraphic* Value);
  // The graphic as a bitmap; a picture that holds another kind, or none, first takes a new,
  // empty bitmap in its place.
  TBitmap* Bitmap();
  // The graphic's size; 0 without one.
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  // From another picture (a copy of its graphic), from a graphic (a copy of it) or from nil
  // (empty); anything else is refused as the class library refuses it.
  void Assign(const rtl::TPersistent* Source) override;

private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace win
