// The paint values of the 2D library: brushes (none, solid, gradient, bitmap, named
// resource, picture of a visual object), gradients with their stops, and fonts. Each
// has one change notification, fired once per real change; owners hook it to repaint.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Collections.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/Bounds.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/ResourceLinks.h"

namespace vg {

RTL_ENUM(TvxBrushStyle, vgBrushNone, vgBrushSolid, vgBrushGradient, vgBrushBitmap, vgBrushResource, vgBrushVisual);
RTL_ENUM(TvxGradientStyle, vgLinearGradient, vgRadialGradient);
RTL_ENUM(TvxWrapMode, vgWrapTile, vgWrapTileOriginal, vgWrapTileStretch);
// One value, not a set.
RTL_ENUM(TvxFontStyle, vgFontRegular, vgFontBold, vgFontItalic, vgFontBoldItalic, vgFontUnderline, vgFontStrikeout);

// A stop of a gradient. Changing a stop notifies nobody: whoever edits stops calls
// TvxGradient::Change.
class TvxGradientPoint : public rtl::TCollectionItem {
  RTL_CLASS(TvxGradientPoint, rtl::TCollectionItem)
public:
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
  // A gradient holds at most this many stops: more shows no better on any screen and would
  // cost every paint and every copy of the brush in step with their number.
  static constexpr int MaxPoints = 256;
  TvxGradientPoints();
  // As many stops as Source's are copied in place, the same stops kept.
  void Assign(const rtl::TPersistent* Source) override;
  TvxGradientPoint* GetPoint(int Index) const;
};

class TvxGradient : public rtl::TPersistent {
  RTL_CLASS(TvxGradient, rtl::TPersistent)
public:
  // Linear from (0, 0) to (0, 1), opaque black at 0 to opaque white at 1.
  TvxGradient();

  void Assign(const rtl::TPersistent* Source) override;
  // Fires OnChange (for callers that edited the stops).
  void Change() { OnChange(this); }
  // Sets stop 0's colour from text when there is a stop; true when the colour changed.
  bool SetFirstColor(const std::string& Text);
  // The colour at Offset (0 .. 1) between the stops, taken in their collection order; a
  // single stop gives its colour everywhere, no stop transparent black.
  TvxColor InterpolateColor(float Offset) const;

  TvxGradientPoints* Points() const { return points_.get(); }
  void SetPoints(TvxGradientPoints* Value) { points_->Assign(Value); }
  TvxGradientStyle Style() const { return style_; }
  void SetStyle(TvxGradientStyle Value) { SetField(style_, Value, &TvxGradient::Change); }
  TvxPosition* StartPosition() const { return startPosition_.get(); }
  void SetStartPosition(TvxPosition* Value) { startPosition_->Assign(Value); }
  TvxPosition* StopPosition() const { return stopPosition_.get(); }
  void SetStopPosition(TvxPosition* Value) { stopPosition_->Assign(Value); }
  TvxTransform* RadialTransform() const { return radialTransform_.get(); }
  void SetRadialTransform(TvxTransform* Value) { radialTransform_->Assign(Value); }

  bool IsLinear() const { return style_ == vgLinearGradient; }
  bool IsRadial() const { return style_ == vgRadialGradient; }

  rtl::TNotifyEvent OnChange;

private:
  void PartChanged(rtl::TObject* Sender);

  const std::unique_ptr<TvxGradientPoints> points_ = std::make_unique<TvxGradientPoints>();
  const std::unique_ptr<TvxPosition> startPosition_ = std::make_unique<TvxPosition>(TvxPoint{0, 0});
  const std::unique_ptr<TvxPosition> stopPosition_ = std::make_unique<TvxPosition>(TvxPoint{0, 1});
  TvxGradientStyle style_ = vgLinearGradient;
  const std::unique_ptr<TvxTransform> radialTransform_ = std::make_unique<TvxTransform>();
};

// The picture of another visual object as a brush.
class TvxVisual : public rtl::TPersistent, public IvxFreeNotification {
  RTL_CLASS(TvxVisual, rtl::TPersistent)
public:
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
  // Copies the published values and then fires OnChange once (not for itself).
  void Assign(const rtl::TPersistent* Source) override;

  TvxBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBitmap* Value) { bitmap_->Assign(Value); }
  TvxWrapMode WrapMode() const { return wrapMode_; }
  void SetWrapMode(TvxWrapMode Value) { SetField(wrapMode_, Value, &TvxBrushBitmap::OnChange); }

  rtl::TNotifyEvent OnChange;

private:
  const std::unique_ptr<TvxBitmap> bitmap_ = std::make_unique<TvxBitmap>();
  TvxWrapMode wrapMode_ = vgWrapTile;
};

class TvxBrush : public rtl::TPersistent {
  RTL_CLASS(TvxBrush, rtl::TPersistent)
public:
  // DefaultStyle and DefaultColor are also what the brush is not written with.
  TvxBrush(TvxBrushStyle DefaultStyle, TvxColor DefaultColor);
  // Tells those that watch it (a brush may go with its owner while an editor holds it).
  ~TvxBrush() override;

  void Assign(const rtl::TPersistent* Source) override;

  // The solid colour as text ("#AARRGGBB" or a colour name). Setting it on a gradient
  // brush also sets the first stop.
  std::string GetColor() const;
  void SetColor(const std::string& Value);
  TvxColor Color() const { return color_; }
  void SetSolidColor(TvxColor Value) { SetField(color_, Value, &TvxBrush::OnChange); }
  // A resource brush reports the colour of the brush it stands for.
  TvxColor GetSolidColor() const;

  TvxBrushStyle Style() const { return style_; }
  void SetStyle(TvxBrushStyle Value) { SetField(style_, Value, &TvxBrush::OnChange); }
  TvxGradient* Gradient() const { return gradient_.get(); }
  void SetGradient(TvxGradient* Value) { gradient_->Assign(Value); }
  TvxBrushBitmap* Bitmap() const { return bitmap_.get(); }
  void SetBitmap(TvxBrushBitmap* Value) { bitmap_->Assign(Value); }
  TvxBrushResource* Resource() const { return resource_.get(); }
  void SetResource(TvxBrushResource* Value) { resource_->Assign(Value); }
  TvxVisual* Visual() const { return visual_.get(); }
  void SetVisual(TvxVisual* Value) { visual_->Assign(Value); }

  TvxBrushStyle DefaultStyle() const { return defaultStyle_; }
  TvxColor DefaultColor() const { return defaultColor_; }
  // Owners whose brush starts otherwise (a text's black fill) change what is not written.
  void SetDefaultStyle(TvxBrushStyle Value) { defaultStyle_ = Value; }
  void SetDefaultColor(TvxColor Value) { defaultColor_ = Value; }

  // What a stream writes.
  bool ColorStored() const { return style_ == vgBrushSolid && color_ != defaultColor_; }
  bool StyleStored() const { return style_ != defaultStyle_; }
  bool GradientStored() const { return style_ == vgBrushGradient; }
  bool BitmapStored() const { return style_ == vgBrushBitmap; }
  bool ResourceStored() const { return style_ == vgBrushResource; }
  bool VisualStored() const { return style_ == vgBrushVisual; }

  // Who is told (FreeNotification) when the brush is destroyed, however it goes.
  void AddFreeNotify(IvxFreeNotification* AObject);
  void RemoveFreeNotify(IvxFreeNotification* AObject);

  rtl::TNotifyEvent OnChange;

private:
  void PartChanged(rtl::TObject* Sender);
  TvxColor SolidColor(int Depth) const;

  std::vector<IvxFreeNotification*> freeNotifies_;

  TvxColor color_;
  TvxBrushStyle style_;
  const std::unique_ptr<TvxGradient> gradient_ = std::make_unique<TvxGradient>();
  const std::unique_ptr<TvxVisual> visual_ = std::make_unique<TvxVisual>();
  TvxBrushStyle defaultStyle_;
  TvxColor defaultColor_;
  const std::unique_ptr<TvxBrushResource> resource_ = std::make_unique<TvxBrushResource>();
  const std::unique_ptr<TvxBrushBitmap> bitmap_ = std::make_unique<TvxBrushBitmap>();
};

class TvxFont : public rtl::TPersistent {
  RTL_CLASS(TvxFont, rtl::TPersistent)
public:
  // From a TvxFont: copies the published values; from the class library's font (win::TFont):
  // family, size and style by FontFaceOf (a set with underline or strike-out leaves Style).
  // Then OnChange once.
  void Assign(const rtl::TPersistent* Source) override;

  // In pixels.
  float Size() const { return size_; }
  void SetSize(float Value) { SetField(size_, Value, &TvxFont::OnChange); }
  const std::string& Family() const { return family_; }
  void SetFamily(const std::string& Value) { SetField(family_, Value, &TvxFont::OnChange); }
  TvxFontStyle Style() const { return style_; }
  void SetStyle(TvxFontStyle Value) { SetField(style_, Value, &TvxFont::OnChange); }
  bool ClearType() const { return clearType_; }
  void SetClearType(bool Value) { SetField(clearType_, Value, &TvxFont::OnChange); }

  rtl::TNotifyEvent OnChange;

protected:
  // To the class library's font (win::TFont): name, height and style by PutFontFace.
  void AssignTo(rtl::TPersistent* Dest) const override;

private:
  float size_ = 11;
  std::string family_ = "Tahoma";
  TvxFontStyle style_ = vgFontRegular;
  bool clearType_ = true;
};

}  // namespace vg
