#include "scene3d/BitmapList.h"

namespace dx {

rtl::TClass TdxBitmapStream::StaticClass() {
  using S = TdxBitmapStream;
  static const rtl::TClassInfo info =
      rtl::DefineClass<S>().Property("Bitmap", &S::Bitmap, &S::SetBitmap).Property("Name", &S::Name, &S::SetName).Build();
  return &info;
}

TdxBitmapStream::TdxBitmapStream() : bitmap_(std::make_unique<TdxBitmap>()) { dxAddBitmapResource({}, this); }

TdxBitmapStream::~TdxBitmapStream() { dxRemoveBitmapResource(this); }

void TdxBitmapStream::SetBitmap(TdxBitmap* Value) {
  if (Value) bitmap_->Assign(Value);
}

void TdxBitmapStream::SetName(const std::string& Value) {
  if (Value == name_) return;
  name_ = Value;
  dxRenameBitmapResource(this, Value);
}

rtl::TClass TdxBitmapCollection::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxBitmapCollection>().Build();
  return &info;
}

rtl::TClass TdxBitmapList::StaticClass() {
  using S = TdxBitmapList;
  static const rtl::TClassInfo info = rtl::DefineClass<S>().Property("Bitmaps", &S::Bitmaps, &S::SetBitmaps).Build();
  return &info;
}

TdxBitmapList::TdxBitmapList(rtl::TComponent* AOwner)
    : rtl::TComponent(AOwner), bitmaps_(std::make_unique<TdxBitmapCollection>()) {}

void TdxBitmapList::BeforeDestruction() {
  bitmaps_.reset();
  inherited::BeforeDestruction();
}

}  // namespace dx
