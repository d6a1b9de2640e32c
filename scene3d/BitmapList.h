// The bitmap list: a component holding named bitmaps that materials and bitmap objects find
// by name. Each item is listed among the named bitmap resources for as long as it lives,
// under its Name (empty until one is given); two items may share a name (the first counts).
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "scene3d/Bitmaps.h"

namespace dx {

class TdxBitmapStream : public rtl::TCollectionItem, public IdxBitmapResource {
  RTL_CLASS(TdxBitmapStream, rtl::TCollectionItem)
public:
  // An empty (0 x 0) bitmap, listed with an empty name.
  TdxBitmapStream();
  ~TdxBitmapStream() override;

  TdxBitmap* Bitmap() const { return bitmap_.get(); }
  // Copies Value's picture; nil keeps the current one.
  void SetBitmap(TdxBitmap* Value);
  const std::string& Name() const { return name_; }
  // Renames the item's entry in place (its place in the list stays).
  void SetName(const std::string& Value);
  std::string GetDisplayName() const override { return "(Bitmap)"; }
  TdxBitmap* ResourceBitmap() override { return bitmap_.get(); }

private:
  std::unique_ptr<TdxBitmap> bitmap_;
  std::string name_;
};

class TdxBitmapCollection : public rtl::TCollection {
  RTL_CLASS(TdxBitmapCollection, rtl::TCollection)
public:
  TdxBitmapCollection() : rtl::TCollection(TdxBitmapStream::StaticClass()) {}
  explicit TdxBitmapCollection(rtl::TClass ItemClass) : rtl::TCollection(ItemClass) {}
  TdxBitmapStream* Items(int Index) const { return static_cast<TdxBitmapStream*>(rtl::TCollection::Items(Index)); }
  TdxBitmapStream* Add() { return static_cast<TdxBitmapStream*>(rtl::TCollection::Add()); }
};

class TdxBitmapList : public rtl::TComponent {
  RTL_CLASS(TdxBitmapList, rtl::TComponent)
public:
  explicit TdxBitmapList(rtl::TComponent* AOwner);
  // The items (and their entries) go before the component.
  void BeforeDestruction() override;

  TdxBitmapCollection* Bitmaps() const { return bitmaps_.get(); }
  void SetBitmaps(TdxBitmapCollection* Value) { bitmaps_->Assign(Value); }

private:
  std::unique_ptr<TdxBitmapCollection> bitmaps_;
};

}  // namespace dx
