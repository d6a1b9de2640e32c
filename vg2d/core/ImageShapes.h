// Objects that show content other than a geometric figure: TvxImage draws a bitmap (at
// its own size, fitted, stretched, tiled or as a nine-part frame), TvxCustomPath and
// TvxPath draw path data with the shape's fill and stroke, the scroll arrows are preset
// triangles, and TvxPaintBox hands its canvas to an event.
#pragma once

#include <memory>

#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/PathData.h"
#include "vg2d/core/Shapes.h"

namespace vg {

RTL_ENUM(TvxImageWrap, vgImageOriginal, vgImageFit, vgImageStretch, vgImageTile);
RTL_ENUM(TvxPathWrap, vgPathOriginal, vgPathFit, vgPathStretch, vgPathTile);

// The dashed frame an image or path shows in design mode (not while painted elsewhere).
void DrawDesignFrame(TvxVisualObject& Object);

class TvxImage : public TvxVisualObject {
  RTL_CLASS(TvxImage, TvxVisualObject)
public:
  explicit TvxImage(rtl::TComponent* AOwner);

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  // Copies Value into the own bitmap.
  void SetBitmap(TvxBitmap* Value);
  // Non-zero margins draw the bitmap as nine parts: corners kept, edges and centre stretched.
  TvxBounds* BitmapMargins() const { return bitmapMargins_.get(); }
  void SetBitmapMargins(TvxBounds* Value) { bitmapMargins_->Assign(Value); }
  TvxImageWrap WrapMode() const { return wrapMode_; }
  void SetWrapMode(TvxImageWrap Value) { SetField(wrapMode_, Value, &TvxImage::Repaint); }
  // Nearest-neighbour drawing when fitted or stretched.
  bool DisableInterpolation() const { return disableInterpolation_; }
  void SetDisableInterpolation(bool Value) { SetField(disableInterpolation_, Value, &TvxImage::Repaint); }
  rtl::TNotifyEvent OnBitmapLoaded;

  // The bitmap; SetData copies a persistent object, loads a file named by text, 8-bit or
  // wide (a missing file changes nothing), and ignores other objects.
  rtl::TPropValue GetData() override;
  void SetData(const rtl::TPropValue& Value) override;
  void Paint() override;

protected:
  virtual void BitmapChanged(rtl::TObject* Sender);
  void DoBitmapLoaded(rtl::TObject* Sender);

private:
  const std::unique_ptr<TvxBitmap> bitmap_ = std::make_unique<TvxBitmap>();
  const std::unique_ptr<TvxBounds> bitmapMargins_ = std::make_unique<TvxBounds>();
  TvxImageWrap wrapMode_ = vgImageFit;
  bool disableInterpolation_ = false;
};

class TvxCustomPath : public TvxShape {
  RTL_CLASS(TvxCustomPath, TvxShape)
public:
  explicit TvxCustomPath(rtl::TComponent* AOwner);
  TvxPathData* Data() const { return data_.get(); }
  // Copies Value into the own path data. The object's generic SetData stays callable.
  using TvxShape::SetData;
  void SetData(TvxPathData* Value) { data_->Assign(Value); }
  TvxPathWrap WrapMode() const { return wrapMode_; }
  void SetWrapMode(TvxPathWrap Value) { SetField(wrapMode_, Value, &TvxCustomPath::Repaint); }
  void Paint() override;
  // Inside the path fitted to the shape rectangle (every point of the bounds in design mode).
  bool PointInObject(float X, float Y) override;
  // How often a path of Extent is repeated across Length when tiled: Length / Extent
  // rounded, but no more than the tiles that start inside (each Step apart) and never
  // beyond MaxTiles; 0 for a flat side (extent 0.001 or less) and for NaN.
  static int TileCount(float Length, float Extent, float Step);
  // Only the tiles the clip shows are drawn, so the count bounds no cost: it stops where a
  // single no longer tells whole tile numbers apart (2^24), far beyond any object's size.
  static constexpr int MaxTiles = 1 << 24;

private:
  // The tiles of P (bounds Bd) in the shape rectangle S that the clip shows; where they are
  // smaller than a pixel, the area they take in the colour one of them averages to.
  void PaintTiles(TvxCanvas& C, TvxPathData* P, const TvxRect& S, const TvxRect& Bd, float Opacity);

  const std::unique_ptr<TvxPathData> data_ = std::make_unique<TvxPathData>();
  TvxPathWrap wrapMode_ = vgPathStretch;
};

class TvxPath : public TvxCustomPath {
  RTL_CLASS(TvxPath, TvxCustomPath)
public:
  explicit TvxPath(rtl::TComponent* AOwner) : TvxCustomPath(AOwner) {}
};

class TvxScrollArrowLeft : public TvxCustomPath {
  RTL_CLASS(TvxScrollArrowLeft, TvxCustomPath)
public:
  explicit TvxScrollArrowLeft(rtl::TComponent* AOwner);
};

class TvxScrollArrowRight : public TvxCustomPath {
  RTL_CLASS(TvxScrollArrowRight, TvxCustomPath)
public:
  explicit TvxScrollArrowRight(rtl::TComponent* AOwner);
};

// The paint box's drawing handler: Canvas carries the box's matrix, so it draws in the box's
// local coordinates.
using TvxPaintBoxEvent = rtl::TEvent<void(rtl::TObject* Sender, TvxCanvas* Canvas)>;

// An area the application draws itself: its Paint is the inherited one, then its own OnPaint,
// so what the handler draws lies under the box's children. That OnPaint takes the place of
// the one every visual object publishes (which runs after the children). Without a handler it
// draws nothing.
class TvxPaintBox : public TvxVisualObject {
  RTL_CLASS(TvxPaintBox, TvxVisualObject)
public:
  explicit TvxPaintBox(rtl::TComponent* AOwner) : TvxVisualObject(AOwner) {}
  void Paint() override;
  bool HasPaintHandler() const override { return OnPaint || TvxVisualObject::HasPaintHandler(); }

  TvxPaintBoxEvent OnPaint;
};


}  // namespace vg
