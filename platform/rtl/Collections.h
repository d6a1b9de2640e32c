// Collections: an owned, ordered list of items of one class, streamed as a whole
// ("Points = < item ... end >").
#pragma once

#include <climits>
#include <vector>

#include "platform/rtl/Object.h"

namespace rtl {

class TCollection;

// An item of a collection. Item classes are created by the collection through their
// class record, so they must be default-constructible and have a class record.
class TCollectionItem : public TPersistent {
  RTL_CLASS(TCollectionItem, TPersistent)
public:
  TCollectionItem() = default;
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (nil: takes it out of its collection).
  void SetCollection(TCollection* Value);
  // Position in the collection, -1 without one.
  int Index() const;
  virtual void SetIndex(int Value);
  // A number unique within the collection, given when the item joins it.
  int ID() const { return id_; }
  virtual std::string GetDisplayName() const { return ClassName(); }
  std::string GetNamePath() const override;

protected:
  // Tells the collection that this item (or, with AllItems, the whole collection) changed.
  void Changed(bool AllItems);
  TPersistent* GetOwner() const override;

private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

class TCollection : public TPersistent {
  RTL_CLASS(TCollection, TPersistent)
public:
  // ItemClass must descend from TCollectionItem; EInvalidOperation otherwise.
  explicit TCollection(TClass ItemClass);
  ~TCollection() override;

  TClass ItemClass() const { return itemClass_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // EListError ("List index out of bounds (%d)") outside 0..Count-1.
  TCollectionItem* Items(int Index) const;
  // A new item; EListError ("List capacity out of bounds (%d)") when the collection holds
  // MaxCount items already.
  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  int MaxCount() const { return maxCount_; }
  void Delete(int Index);
  void Clear();
  TCollectionItem* FindItemID(int ID) const;
  // Copies the items of another collection (item by item through Assign).
  void Assign(const TPersistent* Source) override;

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // The persistent this collection belongs to (for name paths); nil here.
  TPersistent* Owner() const { return GetOwner(); }
  std::string GetNamePath() const override;

protected:
  // Called after every change, outside BeginUpdate/EndUpdate: Item is the changed item,
  // or nil when the whole collection changed.
  virtual void Update(TCollectionItem*) {}
  void Changed();
  // The most items the collection takes (no limit unless a descendant sets one).
  void SetMaxCount(int Value) { maxCount_ = Value; }

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item, int Index);
  void RemoveItem(TCollectionItem* Item);

  TClass itemClass_;
  std::vector<TCollectionItem*> items_;
  int nextID_ = 0;
  int updateCount_ = 0;
  int maxCount_ = INT_MAX;
};

// A collection that knows the persistent object that holds it.
class TOwnedCollection : public TCollection {
  RTL_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* AOwner, TClass ItemClass) : TCollection(ItemClass), owner_(AOwner) {}

protected:
  TPersistent* GetOwner() const override { return owner_; }

private:
  TPersistent* owner_;
};

}  // namespace rtl
