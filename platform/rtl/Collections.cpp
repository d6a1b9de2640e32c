#include "platform/rtl/Collections.h"

#include <algorithm>
#include <string>

#include "platform/rtl/TypInfo.h"

namespace rtl {

TClass TCollectionItem::StaticClass() {
  static const TClassInfo info = DefineClass<TCollectionItem>().Build();
  return &info;
}

TClass TCollection::StaticClass() {
  static const TClassInfo info = DefineClass<TCollection>().Build();
  return &info;
}

TClass TOwnedCollection::StaticClass() {
  static const TClassInfo info = DefineClass<TOwnedCollection>().Build();
  return &info;
}

// ---- TCollectionItem -----------------------------------------------------------------------

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (Value) Value->InsertItem(this, Value->Count());
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || Value < 0 || Value == current) return;
  auto& items = collection_->items_;
  Value = std::min(Value, static_cast<int>(items.size()) - 1);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

std::string TCollectionItem::GetNamePath() const {
  if (!collection_) return ClassName();
  return collection_->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TCollectionItem::Changed(bool AllItems) {
  if (!collection_ || collection_->updateCount_ > 0) return;
  collection_->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() const { return collection_; }

// ---- TCollection ---------------------------------------------------------------------------

TCollection::TCollection(TClass ItemClass) : itemClass_(ItemClass) {
  if (!ItemClass || !ItemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation("A collection's items must descend from TCollectionItem");
}

TCollection::~TCollection() {
  updateCount_ = 1;  // no Update calls into a half-destroyed object
  while (!items_.empty()) items_.back()->Free();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return items_[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int Index) {
  std::unique_ptr<TCollectionItem> item = OwnedAs<TCollectionItem>(itemClass_->Create(nullptr));
  if (!item) throw EInvalidOperation("Cannot create an item of class " + itemClass_->Name);
  InsertItem(item.get(), std::clamp(Index, 0, Count()));
  return item.release();
}

void TCollection::Delete(int Index) { Items(Index)->Free(); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) items_.back()->Free();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == ID) return item;
  return nullptr;
}

void TCollection::Assign(const TPersistent* Source) {
  auto* source = dynamic_cast<const TCollection*>(Source);
  if (!source) return TPersistent::Assign(Source);
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : source->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

std::string TCollection::GetNamePath() const {
  const TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  const std::string ownerPath = owner->GetNamePath();
  return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

void TCollection::Changed() {
  if (updateCount_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item, int Index) {
  if (Count() >= maxCount_) throw EListError("List capacity out of bounds (" + std::to_string(Count() + 1) + ")");
  items_.insert(items_.begin() + Index, Item);
  Item->collection_ = this;
  Item->id_ = nextID_++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  std::erase(items_, Item);
  Item->collection_ = nullptr;
  Changed();
}

}  // namespace rtl
