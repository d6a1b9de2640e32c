#include "platform/rtl/Collections.h"

#include <algorithm>

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
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this, Value->Count());
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || Value < 0 || Value == current) return;
  auto& items = FCollection->FItems;
  Value = std::min(Value, static_cast<int>(items.size()) - 1);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + IntToStr(Index()) + "]";
}

void TCollectionItem::Changed(bool AllItems) {
  if (!FCollection || FCollection->FUpdateCount > 0) return;
  FCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

// ---- TCollection ---------------------------------------------------------------------------

TCollection::TCollection(TClass ItemClass) : FItemClass(ItemClass) {
  if (!ItemClass || !ItemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation("A collection's items must descend from TCollectionItem");
}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no Update calls into a half-destroyed object
  while (!FItems.empty()) FItems.back()->Free();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return FItems[static_cast<size_t>(Index)];
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int Index) {
  std::unique_ptr<TCollectionItem> item = OwnedAs<TCollectionItem>(FItemClass->Create(nullptr));
  if (!item) throw EInvalidOperation("Cannot create an item of class " + FItemClass->Name);
  InsertItem(item.get(), std::clamp(Index, 0, Count()));
  return item.release();
}

void TCollection::Delete(int Index) { Items(Index)->Free(); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) FItems.back()->Free();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::Assign(const TPersistent* Source) {
  auto* source = dynamic_cast<const TCollection*>(Source);
  if (!source) return TPersistent::Assign(Source);
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : source->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

std::string TCollection::GetNamePath() const {
  const TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  const std::string ownerPath = owner->GetNamePath();
  return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* Item, int Index) {
  FItems.insert(FItems.begin() + Index, Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  std::erase(FItems, Item);
  Item->FCollection = nullptr;
  Changed();
}

}  // namespace rtl
