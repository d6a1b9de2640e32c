// The small persistent values 3D objects publish (a point, a box of margins) and the named
// bitmap resource object that materials find their bitmaps through.
//
// Every value fires OnChange, set by its owner, only when a value really changes (floats
// compare exactly); Assign from the same class copies everything and fires OnChange once.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "scene3d/Bitmaps.h"
#include "scene3d/Maths.h"
#include "scene3d/Objects.h"

namespace dx {

// A 3D point with a default. Streamed as the text property "Point" ("(1,2.5,0)") when it
// differs from the default; X, Y and Z are published but not streamed one by one.
class TdxPosition : public rtl::TPersistent {
  RTL_CLASS(TdxPosition, rtl::TPersistent)
public:
  explicit TdxPosition(const TdxPoint3D& ADefaultValue = {});

  float X() const { return x_; }
  float Y() const { return y_; }
  float Z() const { return z_; }
  // On a change the old coordinate goes to Saved, then OnChangeX (Y, Z) fires when it is
  // set, otherwise OnChange: one event, never both.
  void SetX(float Value) { SetCoordinate(x_, saved_.X, Value, OnChangeX); }
  void SetY(float Value) { SetCoordinate(y_, saved_.Y, Value, OnChangeY); }
  void SetZ(float Value) { SetCoordinate(z_, saved_.Z, Value, OnChangeZ); }

  TdxPoint3D Point() const { return {x_, y_, z_}; }
  // Saved takes the current point, the point takes P, then OnChange fires (also when P is
  // the current point).
  void SetPoint(const TdxPoint3D& P);
  // The same without OnChange.
  void SetPointNoChange(const TdxPoint3D& P);
  // The point with W = 1; setting it sets the point as SetPoint does.
  TdxVector Vector() const { return {x_, y_, z_, 1}; }
  void SetVector(const TdxVector& V) { SetPoint({V.X, V.Y, V.Z}); }
  // The coordinates before the last change, W = 1.
  const TdxVector& Saved() const { return saved_; }
  const TdxPoint3D& DefaultValue() const { return defaultValue_; }
  bool IsEmpty() const { return x_ == 0 && y_ == 0 && z_ == 0; }

  // From another position: its point (firing OnChange), and Saved becomes the new point.
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;
  rtl::TNotifyEvent OnChangeX;
  rtl::TNotifyEvent OnChangeY;
  rtl::TNotifyEvent OnChangeZ;

protected:
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  void SetCoordinate(float& Field, float& SavedField, float Value, const rtl::TNotifyEvent& Specific);
  bool DiffersFromDefault() const { return Point() != defaultValue_; }

  TdxVector saved_;
  float y_ = 0;
  float x_ = 0;
  float z_ = 0;
  TdxPoint3D defaultValue_;
};

// Six margins of a 3D box: left, top, right, bottom, near and far (published in lower case,
// not streamed one by one). Streamed as "NewRect", "(left,top,right,bottom,znear,zfar)", when
// any is not 0; the older "Rect" with the first four is still read, never written.
class TdxBounds : public rtl::TPersistent {
  RTL_CLASS(TdxBounds, rtl::TPersistent)
public:
  float Left() const { return left_; }
  void SetLeft(float Value) { SetField(left_, Value, &TdxBounds::OnChange); }
  float Top() const { return top_; }
  void SetTop(float Value) { SetField(top_, Value, &TdxBounds::OnChange); }
  float Right() const { return right_; }
  void SetRight(float Value) { SetField(right_, Value, &TdxBounds::OnChange); }
  float Bottom() const { return bottom_; }
  void SetBottom(float Value) { SetField(bottom_, Value, &TdxBounds::OnChange); }
  float ZNear() const { return znear_; }
  void SetZNear(float Value) { SetField(znear_, Value, &TdxBounds::OnChange); }
  float ZFar() const { return zfar_; }
  void SetZFar(float Value) { SetField(zfar_, Value, &TdxBounds::OnChange); }
  bool IsEmpty() const { return left_ == 0 && top_ == 0 && right_ == 0 && bottom_ == 0 && znear_ == 0 && zfar_ == 0; }
  // Sets all six, firing OnChange once when any changed.
  void SetAll(float ALeft, float ATop, float ARight, float ABottom, float AZNear, float AZFar);

  // From other bounds: the six values, then OnChange.
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;

protected:
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  std::string NewRectText() const;
  // Six numbers between "(", "," and ")"; EConvertError for anything else, changing nothing.
  void ReadNewRect(const std::string& Text);

  float right_ = 0;
  float bottom_ = 0;
  float top_ = 0;
  float left_ = 0;
  float znear_ = 0;
  float zfar_ = 0;
};

// A named bitmap resource: materials name it in their Bitmap. Listed among the bitmap
// resources while it lives, under its Name, or under its ResourceName when that is set
// later (the last change counts).
class TdxBitmapObject : public TdxObject, public IdxBitmapResource {
  RTL_CLASS(TdxBitmapObject, TdxObject)
public:
  explicit TdxBitmapObject(rtl::TComponent* AOwner);
  ~TdxBitmapObject() override;
  void BeforeDestruction() override;

  TdxBitmap* Bitmap() const { return bitmap_.get(); }
  // Copies the bitmap.
  void SetBitmap(TdxBitmap* Value) { bitmap_->Assign(Value); }

  void SetName(const std::string& NewName) override;
  void SetResourceName(const std::string& Value) override;
  TdxBitmap* ResourceBitmap() override { return bitmap_.get(); }

private:
  std::unique_ptr<TdxBitmap> bitmap_;
  bool listed_ = false;
};

}  // namespace dx
