#include "scene3d/Values.h"

#include "platform/rtl/Filer.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/ValueText.h"
#include "vg2d/core/TextForms.h"

namespace dx {

// ---- position -----------------------------------------------------------------------------------

rtl::TClass TdxPosition::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxPosition>()
                                          .Property("X", &TdxPosition::X, &TdxPosition::SetX)
                                          .Stored(false)
                                          .Property("Y", &TdxPosition::Y, &TdxPosition::SetY)
                                          .Stored(false)
                                          .Property("Z", &TdxPosition::Z, &TdxPosition::SetZ)
                                          .Stored(false)
                                          .Build();
  return &info;
}

TdxPosition::TdxPosition(const TdxPoint3D& ADefaultValue)
    : saved_{ADefaultValue.X, ADefaultValue.Y, ADefaultValue.Z, 1},
      y_(ADefaultValue.Y),
      x_(ADefaultValue.X),
      z_(ADefaultValue.Z),
      defaultValue_(ADefaultValue) {}

void TdxPosition::SetCoordinate(float& Field, float& SavedField, float Value, const rtl::TNotifyEvent& Specific) {
  if (Field == Value) return;
  SavedField = Field;
  Field = Value;
  if (Specific)
    Specific(this);
  else
    OnChange(this);
}

void TdxPosition::SetPointNoChange(const TdxPoint3D& P) {
  saved_ = {x_, y_, z_, 1};
  x_ = P.X;
  y_ = P.Y;
  z_ = P.Z;
}

void TdxPosition::SetPoint(const TdxPoint3D& P) {
  SetPointNoChange(P);
  OnChange(this);
}

void TdxPosition::Assign(const rtl::TPersistent* Source) {
  if (const auto* p = dynamic_cast<const TdxPosition*>(Source)) {
    SetPoint(p->Point());
    saved_ = Vector();
    return;
  }
  inherited::Assign(Source);
}

void TdxPosition::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      "Point",
      [this](rtl::TReader& Reader) {
        float v[3];
        if (!vg::ReadFloatsText(Reader.ReadString(), v, 3)) throw rtl::EReadError("Invalid property value");
        SetPoint({v[0], v[1], v[2]});
      },
      [this](rtl::TWriter& Writer) { Writer.WriteString(dxPointToText(Point())); }, DiffersFromDefault());
}

// ---- bounds ------------------------------------------------------------------------------------------

rtl::TClass TdxBounds::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxBounds>()
                                          .Property("left", &TdxBounds::Left, &TdxBounds::SetLeft)
                                          .Stored(false)
                                          .Property("top", &TdxBounds::Top, &TdxBounds::SetTop)
                                          .Stored(false)
                                          .Property("right", &TdxBounds::Right, &TdxBounds::SetRight)
                                          .Stored(false)
                                          .Property("bottom", &TdxBounds::Bottom, &TdxBounds::SetBottom)
                                          .Stored(false)
                                          .Property("znear", &TdxBounds::ZNear, &TdxBounds::SetZNear)
                                          .Stored(false)
                                          .Property("zfar", &TdxBounds::ZFar, &TdxBounds::SetZFar)
                                          .Stored(false)
                                          .Build();
  return &info;
}

void TdxBounds::SetAll(float ALeft, float ATop, float ARight, float ABottom, float AZNear, float AZFar) {
  if (left_ == ALeft && top_ == ATop && right_ == ARight && bottom_ == ABottom && znear_ == AZNear && zfar_ == AZFar)
    return;
  left_ = ALeft;
  top_ = ATop;
  right_ = ARight;
  bottom_ = ABottom;
  znear_ = AZNear;
  zfar_ = AZFar;
  OnChange(this);
}

void TdxBounds::Assign(const rtl::TPersistent* Source) {
  if (const auto* b = dynamic_cast<const TdxBounds*>(Source)) {
    left_ = b->left_;
    top_ = b->top_;
    right_ = b->right_;
    bottom_ = b->bottom_;
    znear_ = b->znear_;
    zfar_ = b->zfar_;
    OnChange(this);
    return;
  }
  inherited::Assign(Source);
}

std::string TdxBounds::NewRectText() const {
  std::string s = "(";
  for (float v : {left_, top_, right_, bottom_, znear_, zfar_}) {
    if (s.size() > 1) s += ',';
    s += vg::FloatToStringDot(v);
  }
  return s + ")";
}

void TdxBounds::ReadNewRect(const std::string& Text) {
  float v[6];
  if (!vg::ReadFloatsText(Text, v, 6)) throw rtl::EReadError("Invalid property value");
  SetAll(v[0], v[1], v[2], v[3], v[4], v[5]);
}

void TdxBounds::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      "NewRect", [this](rtl::TReader& Reader) { ReadNewRect(Reader.ReadString()); },
      [this](rtl::TWriter& Writer) { Writer.WriteString(NewRectText()); }, !IsEmpty());
  Filer->DefineProperty(
      "Rect",
      [this](rtl::TReader& Reader) {
        vg::TvxRect r;
        if (!vg::TryStringToRect(Reader.ReadString(), r)) throw rtl::EReadError("Invalid property value");
        SetAll(r.Left, r.Top, r.Right, r.Bottom, znear_, zfar_);
      },
      nullptr, false);
}

// ---- bitmap object -----------------------------------------------------------------------------------

rtl::TClass TdxBitmapObject::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxBitmapObject>()
                                          .Property("Bitmap", &TdxBitmapObject::Bitmap, &TdxBitmapObject::SetBitmap)
                                          .Build();
  return &info;
}

TdxBitmapObject::TdxBitmapObject(rtl::TComponent* AOwner) : TdxObject(AOwner), bitmap_(std::make_unique<TdxBitmap>()) {
  dxAddBitmapResource({}, this);
  listed_ = true;
}

TdxBitmapObject::~TdxBitmapObject() {
  if (listed_) dxRemoveBitmapResource(this);
}

void TdxBitmapObject::BeforeDestruction() {
  if (listed_) dxRemoveBitmapResource(this);
  listed_ = false;
  inherited::BeforeDestruction();
}

void TdxBitmapObject::SetName(const std::string& NewName) {
  inherited::SetName(NewName);
  if (listed_) dxRenameBitmapResource(this, Name());
}

void TdxBitmapObject::SetResourceName(const std::string& Value) {
  inherited::SetResourceName(Value);
  if (listed_ && !Value.empty()) dxRenameBitmapResource(this, Value);
}

}  // namespace dx
