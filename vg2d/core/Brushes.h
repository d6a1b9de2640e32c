// The paint values of the 2D library: brushes (none, solid, gradient, bitmap, named
// resource, picture of a visual object), gradients with their stops, and fonts. Each
// has one change notification, fired once per real change; owners hook it to repaint.
#pragma once

#include <string>

#include "platform/rtl/Collections.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/ResourceLinks.h"

namespace vg {

enum TvxBrushStyle { vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource, vgBrushVisual };
RTL_ENUM(TvxBrushStyle);
enum TvxGradientStyle { vgLinearGradient, vgRadialGradient };
RTL_ENUM(TvxGradientStyle);
enum TvxWrapMode { vgWrapTile, vgWrapTileOriginal, vgWrapTileStretch };
RTL_ENUM(TvxWrapMode);
// One value, not a set.
enum TvxFontStyle { vgFontRegular, vgFontBold, vgFontItalic, vgFontBoldItalic, vgFontUnderline, vgFontStrikeout };
RTL_ENUM(TvxFontStyle);

// A stop of a gradient. Changing a stop notifies nobody: whoever edits stops calls
// TvxGradient::Change.
class TvxGradientPoint : public rtl::TCollectionItem {
  RTL_CLASS(TvxGradientPoint, rtl::TCollectionItem)
public:
  TvxGradientPoint() = default;
  void Assign(const rtl::TPersistent* Source) override;

  TvxColor IntColor() const { return color_; }
  void SetIntColor(TvxColor Value) { color_ = Value; }
  // The colour as text ("#AARRGGBB"), as streams hold it.
  std::string GetColor() const;
  void SetColor(const std::string& Value);
  float Offset() const { return offset_; }
  void SetOffset(float Value) { offset_ = Value; }

private:
  TvxColor color_ = 0;
  float offset_ = 0;
};

class TvxGradientPoints : public rtl::TCollection {
  RTL_CLASS(TvxGradientPoints, rtl::TCollection)
public:
  TvxGradientPoints();
  TvxGradientPoint* GetPoint(int Index) const;
};

class TvxGradient : public rtl::TPersistent {
  RTL_CLASS(TvxGradient, rtl::TPersistent)
public:
  // Linear from (0, 0) to (0, 1), opaque black at 0 to opaque white at 1.
  TvxGradient();
  ~TvxGradient() override;

  void Assign(const rtl::TPersistent* Source) override;
  // Fires OnChange (for callers that edited the stops).
  void Change() { OnChange(this); }
  // Sets stop 0's colour from text when there is a stop; true when the colour changed.
  bool SetFirstColor(const std::string& Text);
  // The colour at Offset (0 .. 1) between the stops, taken in their collection order.
  TvxColor InterpolateColor(float Offset) const;

  TvxGradientPoints* Points() const { return points_; }
  void SetPoints(TvxGradientPoints* Value) { points_->Assign(Value); }
  TvxGradientStyle Style() const { return style_; }
  void SetStyle(TvxGradientStyle Value);
  TvxPosition* StartPosition() const { return startPosition_; }
  void SetStartPosition(TvxPosition* Value) { startPosition_->Assign(Value); }
  TvxPosition* StopPosition() const { return stopPosition_; }
  void SetStopPosition(TvxPosition* Value) { stopPosition_->Assign(Value); }
  TvxTransform* RadialTransform() const { return radialTransform_; }
  void SetRadialTransform(TvxTransform* Value) { radialTransform_->Assign(Value); }

  bool IsLinear() const { return style_ == vgLinearGradient; }
  bool IsRadial() const { return style_ == vgRadialGradient; }

  rtl::TNotifyEvent OnChange;

private:
  void PartChanged(rtl::TObject* Sender);

  TvxGradientPoints* points_;
  TvxPosition* startPosition_;
  TvxPosition* stopPosition_;
  TvxGradientStyle style_ = vgLinearGradient;
  TvxTransform* radialTransform_;
};

// The picture of another visual object as a brush.
class TvxVisual : public rtl::TPersistent, public IvxFreeNotification {
  RTL_CLASS(TvxVisual, rtl::TPersistent)
public:
  TvxVisual() = default;
  ~TvxVisual() override;
  void Assign(const rtl::TPersistent* Source) override;
  void FreeNotification(rtl::TObject* AObject) override;

  // A visual object of a 2D tree (not owned; cleared when it is freed).
  rtl::TComponent* VisualObject() const { return visualObject_; }
  void SetVisualObject(rtl::TComponent* Value);

  rtl::TNotifyEvent OnChange;

private:
  rtl::TComponent* visualObject_ = nullptr;
};

// The brush of a named brush resource object.
class TvxBrushResource : public rtl::TPersistent, public IvxFreeNotification {
  RTL_CLASS(TvxBrushResource, rtl::TPersistent)
public:
  TvxBrushResource() = default;
  ~TvxBrushResource() override;
  void Assign(const rtl::TPersistent* Source) override;
  void FreeNotification(rtl::TObject* AObject) override;

  // The resource object's brush, looked up by ResourceName on first use; nil when none.
  TvxBrush* GetBrush();
  rtl::TComponent* Resource() const { return resource_; }
  void SetResource(rtl::TComponent* Value);
  const std::string& ResourceName() const { return resourceName_; }
  void SetResourceName(const std::string& Value);

  rtl::TNotifyEvent OnChange;

private:
  rtl::TComponent* resource_ = nullptr;
  std::string resourceName_;
};

// A bitmap as a brush. Edits of the bitmap's pixels do not fire the brush's events.
class TvxBrushBitmap : public rtl::TPersistent {
  RTL_CLASS(TvxBrushBitmap, rtl::TPersistent)
public:
  TvxBrushBitmap();
  ~TvxBrushBitmap() override;
  void Assign(const rtl::TPersistent* Source) override;

  TvxBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  TvxWrapMode WrapMode() const { return wrapMode_; }
  void SetWrapMode(TvxWrapMode Value);

  rtl::TNotifyEvent OnChange;

private:
  TvxBitmap* bitmap_;
  TvxWrapMode wrapMode_ = vgWrapTile;
};

class TvxBrush : public rtl::TPersistent {
  RTL_CLASS(TvxBrush, rtl::TPersistent)
public:
  // DefaultStyle and DefaultColor are also what the brush is not written with.
  TvxBrush(TvxBrushStyle DefaultStyle, TvxColor DefaultColor);
  ~TvxBrush() override;

  void Assign(const rtl::TPersistent* Source) override;

  // The solid colour as text ("#AARRGGBB" or a colour name). Setting it on a gradient
  // brush also sets the first stop.
  std::string GetColor() const;
  void SetColor(const std::string& Value);
  TvxColor Color() const { return color_; }
  void SetSolidColor(TvxColor Value);
  // A resource brush reports the colour of the brush it stands for.
  TvxColor GetSolidColor() const;

  TvxBrushStyle Style() const { return style_; }
  void SetStyle(TvxBrushStyle Value);
  TvxGradient* Gradient() const { return gradient_; }
  void SetGradient(TvxGradient* Value) { gradient_->Assign(Value); }
  TvxBrushBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TvxBrushBitmap* Value) { bitmap_->Assign(Value); }
  TvxBrushResource* Resource() const { return resource_; }
  void SetResource(TvxBrushResource* Value) { resource_->Assign(Value); }
  TvxVisual* Visual() const { return visual_; }
  void SetVisual(TvxVisual* Value) { visual_->Assign(Value); }

  TvxBrushStyle DefaultStyle() const { return defaultStyle_; }
  TvxColor DefaultColor() const { return defaultColor_; }

  // What a stream writes.
  bool ColorStored() const { return style_ == vgBrushSolid && color_ != defaultColor_; }
  bool StyleStored() const { return style_ != defaultStyle_; }
  bool GradientStored() const { return style_ == vgBrushGradient; }
  bool BitmapStored() const { return style_ == vgBrushBitmap; }
  bool ResourceStored() const { return style_ == vgBrushResource; }
  bool VisualStored() const { return style_ == vgBrushVisual; }

  rtl::TNotifyEvent OnChange;

private:
  void PartChanged(rtl::TObject* Sender);
  TvxColor SolidColor(int Depth) const;

  TvxColor color_;
  TvxBrushStyle style_;
  TvxGradient* gradient_;
  TvxVisual* visual_;
  TvxBrushStyle defaultStyle_;
  TvxColor defaultColor_;
  TvxBrushResource* resource_;
  TvxBrushBitmap* bitmap_;
};

class TvxFont : public rtl::TPersistent {
  RTL_CLASS(TvxFont, rtl::TPersistent)
public:
  TvxFont() = default;
  void Assign(const rtl::TPersistent* Source) override;

  // In pixels.
  float Size() const { return size_; }
  void SetSize(float Value);
  const std::string& Family() const { return family_; }
  void SetFamily(const std::string& Value);
  TvxFontStyle Style() const { return style_; }
  void SetStyle(TvxFontStyle Value);
  bool ClearType() const { return clearType_; }
  void SetClearType(bool Value);

  rtl::TNotifyEvent OnChange;

private:
  float size_ = 11;
  std::string family_ = "Tahoma";
  TvxFontStyle style_ = vgFontRegular;
  bool clearType_ = true;
};

}  // namespace vg
