// The one implementation of the program's string lists, for any kind of text: TStringsOf is
// the abstract list (items with an object beside each, update nesting, indexes, names and
// values, text with line breaks) and TStringListOf the concrete one (an array of text/object
// pairs with change events, sorted-list search and a duplicates policy).
//
// The 8-bit lists of the class library (TStrings, TStringList in Lists.h) and the UTF-16
// lists of the 2D library (vg::TvxWideStrings, TvxWideStringList) are built on them: each
// adds its own published names, stream format, sort rules and index rule, and nothing else.
// The index rule (QuietIndexes): the 8-bit lists raise EStringListError ("List index out of
// bounds (%d)") for an index outside the list; the UTF-16 lists raise nothing of their own:
// such an index reads as an empty text and a nil object, and every change at it (Put,
// PutObject, Insert, Delete, Exchange, Move) changes nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/SysUtils.h"

namespace rtl {

enum TDuplicates { dupIgnore, dupAccept, dupError };

inline constexpr const char* SListIndexError = "List index out of bounds (%d)";
inline constexpr const char* SSortedListError = "Operation not allowed on sorted list";
inline constexpr const char* SDuplicateString = "String list does not allow duplicates";

// Where a line of text ends: CR and LF for 8-bit text; for UTF-16 also VT, FF and the
// line and paragraph separators U+2028 and U+2029.
inline bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
inline bool IsLineBreak(char16_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x2028 || c == 0x2029; }

template <class Str>
class TStringsOf : public TPersistent {
public:
  using StringType = Str;
  using Char = typename Str::value_type;

  // Storage, provided by descendants. An index outside 0 .. Count-1 (for Insert outside
  // 0 .. Count) follows the list's index rule (IndexInside).
  virtual int GetCount() const = 0;
  virtual Str Get(int Index) const = 0;
  // Replaces the text and keeps the object (here: Delete, then InsertObject).
  virtual void Put(int Index, const Str& S) {
    if (!IndexInside(Index)) return;
    TObject* object = GetObject(Index);
    Updating([&] {
      Delete(Index);
      InsertObject(Index, S, object);
    });
  }
  virtual TObject* GetObject(int) const { return nullptr; }
  virtual void PutObject(int, TObject*) {}
  virtual void Insert(int Index, const Str& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  int Count() const { return GetCount(); }

  virtual int Add(const Str& S) {
    const int index = GetCount();
    Insert(index, S);
    return index;
  }
  virtual int AddObject(const Str& S, TObject* AObject) {
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
  }
  void InsertObject(int Index, const Str& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
  }
  virtual void Exchange(int Index1, int Index2) {
    if (!IndexInside(Index1) || !IndexInside(Index2)) return;
    Updating([&] {
      const Str s = Get(Index1);
      TObject* o = GetObject(Index1);
      Put(Index1, Get(Index2));
      PutObject(Index1, GetObject(Index2));
      Put(Index2, s);
      PutObject(Index2, o);
    });
  }
  // Both indexes are checked first, so that a bad NewIndex cannot lose the item.
  virtual void Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    if (!IndexInside(CurIndex) || !IndexInside(NewIndex)) return;
    Updating([&] {
      const Str s = Get(CurIndex);
      TObject* o = GetObject(CurIndex);
      Delete(CurIndex);
      InsertObject(NewIndex, s, o);
    });
  }
  // The first item that compares equal, or -1.
  virtual int IndexOf(const Str& S) const {
    for (int i = 0; i < GetCount(); ++i)
      if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
  }
  int IndexOfObject(const TObject* AObject) const {
    for (int i = 0; i < GetCount(); ++i)
      if (GetObject(i) == AObject) return i;
    return -1;
  }

  // Every item followed by CR LF, the last one included.
  virtual Str GetTextStr() const {
    Str text;
    for (int i = 0; i < GetCount(); ++i) {
      text += Get(i);
      text += Char('\r');
      text += Char('\n');
    }
    return text;
  }
  // Clears the list and adds one item per line (IsLineBreak); CR LF counts as one break,
  // and text that ends with a break gives no empty last item.
  virtual void SetTextStr(const Str& Text) {
    Updating([&] {
      Clear();
      std::size_t i = 0;
      while (i < Text.size()) {
        const std::size_t start = i;
        while (i < Text.size() && !IsLineBreak(Text[i])) ++i;
        Add(Text.substr(start, i - start));
        if (i < Text.size()) {
          if (Text[i] == Char('\r') && i + 1 < Text.size() && Text[i + 1] == Char('\n')) ++i;
          ++i;
        }
      }
    });
  }

  // The first BeginUpdate calls SetUpdateState(true), the EndUpdate that closes the last
  // pair SetUpdateState(false); an EndUpdate without a pair does nothing.
  void BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
  }
  void EndUpdate() {
    if (updateCount_ <= 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
  }
  int UpdateCount() const { return updateCount_; }

  // 0 when the list counts A and B as the same text.
  virtual int CompareStrings(const Str& A, const Str& B) const = 0;

protected:
  virtual void SetUpdateState(bool) {}

  // Runs Action inside BeginUpdate/EndUpdate; the pair is closed when it raises, too.
  template <class F>
  void Updating(F&& Action) {
    BeginUpdate();
    try {
      Action();
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }

  // Adds Source's items with their objects (counted first, so that a list added to
  // itself ends), inside an update pair.
  void AddItems(const TStringsOf& Source) {
    Updating([&] {
      const int count = Source.GetCount();
      for (int i = 0; i < count; ++i) AddObject(Source.Get(i), Source.GetObject(i));
    });
  }
  void AssignItems(const TStringsOf& Source) {
    Updating([&] {
      Clear();
      AddItems(Source);
    });
  }

  // Name=Value items with the given separator.
  int IndexOfName(const Str& Name, Char Separator) const {
    for (int i = 0; i < GetCount(); ++i) {
      const Str s = Get(i);
      const std::size_t p = s.find(Separator);
      if (p != Str::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
    }
    return -1;
  }
  Str NameOf(int Index, Char Separator) const {
    const Str s = Get(Index);
    const std::size_t p = s.find(Separator);
    return p == Str::npos ? Str() : s.substr(0, p);
  }

  // True when the list raises nothing for an index outside it (the index rule above).
  virtual bool QuietIndexes() const { return false; }
  // True when Index lies in 0 .. Limit-1; otherwise raises EStringListError, or gives false
  // when the list's indexes are quiet.
  bool IndexInside(int Index, int Limit) const {
    if (Index >= 0 && Index < Limit) return true;
    if (!QuietIndexes()) Error(SListIndexError, Index);
    return false;
  }
  bool IndexInside(int Index) const { return IndexInside(Index, GetCount()); }
  [[noreturn]] static void Error(const char* Message, int Data) { throw EStringListError(Format(Message, Data)); }

private:
  int updateCount_ = 0;
};

// The concrete list over Face (a TStringsOf<Str> descendant that adds the published names):
// text/object pairs in an array. Every change of an item is wrapped in Changing/Changed,
// which fire OnChanging/OnChange outside update pairs; an update pair fires OnChanging
// once at its start and OnChange once at its end. The objects are never owned.
template <class Face>
class TStringListOf : public Face {
public:
  using Str = typename Face::StringType;

  ~TStringListOf() override {
    // No event while the list is destroyed.
    OnChanging = nullptr;
    OnChange = nullptr;
  }

  int GetCount() const override { return static_cast<int>(items_.size()); }
  Str Get(int Index) const override {
    if (!this->IndexInside(Index)) return Str();
    return items_[static_cast<std::size_t>(Index)].String;
  }
  void Put(int Index, const Str& S) override {
    if (!this->IndexInside(Index)) return;
    Changing();
    items_[static_cast<std::size_t>(Index)].String = S;
    Changed();
  }
  TObject* GetObject(int Index) const override {
    if (!this->IndexInside(Index)) return nullptr;
    return items_[static_cast<std::size_t>(Index)].Object;
  }
  void PutObject(int Index, TObject* AObject) override {
    if (!this->IndexInside(Index)) return;
    Changing();
    items_[static_cast<std::size_t>(Index)].Object = AObject;
    Changed();
  }
  void Insert(int Index, const Str& S) override {
    if (this->IndexInside(Index, GetCount() + 1)) InsertItem(Index, S, nullptr);
  }
  void Delete(int Index) override {
    if (!this->IndexInside(Index)) return;
    Changing();
    items_.erase(items_.begin() + Index);
    Changed();
  }
  void Clear() override {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    Cleared();
    Changed();
  }
  void Exchange(int Index1, int Index2) override {
    if (!this->IndexInside(Index1) || !this->IndexInside(Index2)) return;
    Changing();
    std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
    Changed();
  }

  // Binary search of a sorted list: true when found; Index is the first match (the last
  // one with dupAccept) or where S would go.
  virtual bool Find(const Str& S, int& Index) const {
    return Search([&](const TItem& item) { return this->CompareStrings(item.String, S); }, Index);
  }

  bool Sorted() const { return sorted_; }
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  bool CaseSensitive() const { return caseSensitive_; }

  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

  virtual void Changing() {
    if (this->UpdateCount() == 0 && OnChanging) OnChanging(this);
  }
  virtual void Changed() {
    if (this->UpdateCount() == 0 && OnChange) OnChange(this);
  }

protected:
  struct TItem {
    Str String;
    TObject* Object = nullptr;
  };

  void SetUpdateState(bool Updating) override {
    if (Updating)
      Changing();
    else
      Changed();
  }

  virtual void InsertItem(int Index, const Str& S, TObject* AObject) {
    Changing();
    items_.insert(items_.begin() + Index, TItem{S, AObject});
    Changed();
  }
  // After Clear has emptied the array, before OnChange.
  virtual void Cleared() {}

  // Binary search with Compare(item) giving the item's order against the key.
  template <class Compare>
  bool Search(Compare&& CompareWithKey, int& Index) const {
    bool found = false;
    int lo = 0, hi = GetCount() - 1;
    while (lo <= hi) {
      const int mid = lo + (hi - lo) / 2;
      const int c = CompareWithKey(items_[static_cast<std::size_t>(mid)]);
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ != dupAccept) lo = mid;
        }
      }
    }
    Index = lo;
    return found;
  }

  std::vector<TItem> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace rtl
