// Lists of UTF-16 texts: TvxWideStrings, the abstract list with text, names and values,
// files and streams, and TvxWideStringList, the concrete list of text/object pairs with
// optional sorting, a duplicates policy and change events.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Object.h"

namespace rtl {
class TStream;
}

namespace vg {

// The code page of 8-bit texts read from and written to files and 8-bit string lists.
constexpr int SystemCodePage = 1252;

// 0 when equal, 1 when the wrapping difference A - B is negative, -1 when it is positive:
// object values sort in descending order.
int CompareInteger(intptr_t A, intptr_t B);

// The platform's comparisons of wide texts: by letters without regard to case, and the
// same order with lower case before upper case where only the case differs.
int CompareWideText(const std::u16string& A, const std::u16string& B);
int CompareWideStr(const std::u16string& A, const std::u16string& B);

class TvxWideStrings : public rtl::TPersistent {
  RTL_CLASS(TvxWideStrings, rtl::TPersistent)
public:
  TvxWideStrings() = default;

  void Assign(const rtl::TPersistent* Source) override;

  // The base reports every pair equal.
  virtual int CompareStrings(const std::u16string& A, const std::u16string& B) const;
  virtual std::u16string Get(int Index) const = 0;
  virtual int GetCapacity() const { return GetCount(); }
  virtual int GetCount() const = 0;
  virtual rtl::TObject* GetObject(int Index) const;
  // Every item followed by CR LF, the last one included.
  virtual std::u16string GetTextStr() const;
  virtual void Put(int Index, const std::u16string& S);
  virtual void PutObject(int Index, rtl::TObject* AObject);
  virtual void SetCapacity(int NewCapacity);
  // Clears the list and adds one item per line; LF, VT, FF, CR, U+2028 and U+2029 end a
  // line, CR LF counts as one break.
  virtual void SetTextStr(const std::u16string& Text);
  virtual int AddObject(const std::u16string& S, rtl::TObject* AObject);
  // The 8-bit items are converted from the system code page.
  virtual void AddStrings(const rtl::TStrings* Strings);
  virtual void AddWideStrings(const TvxWideStrings* Strings);
  virtual void Exchange(int Index1, int Index2);
  virtual int IndexOf(const std::u16string& S) const;
  virtual int IndexOfName(const std::u16string& Name) const;
  virtual int IndexOfValue(const std::u16string& Value) const;
  virtual void Insert(int Index, const std::u16string& S) = 0;
  // Any error leaves the list as it was.
  virtual void LoadFromFile(const std::string& FileName);
  // From the stream's position to its end: UTF-16LE after FF FE, UTF-16BE after FE FF,
  // otherwise 8-bit text in the system code page.
  virtual void LoadFromStream(rtl::TStream* Stream);
  virtual void Move(int CurIndex, int NewIndex);
  virtual void SaveToFile(const std::string& FileName);
  // The text in the system code page, without byte-order mark.
  virtual void SaveToFileAnsi(const std::string& FileName);
  // FF FE, then the text as UTF-16LE.
  virtual void SaveToStream(rtl::TStream* Stream);
  virtual void SetText(const char16_t* Text);
  virtual void Sort() {}
  virtual int Add(const std::u16string& S);
  virtual void Delete(int) {}
  virtual void Clear() {}

  int Count() const { return GetCount(); }
  void BeginUpdate();
  void EndUpdate();
  void InsertObject(int Index, const std::u16string& S, rtl::TObject* AObject);
  // The text before the first "=" of item Index; empty when it has none.
  std::u16string GetName(int Index) const;
  // The text after "Name=" of the item IndexOfName finds; empty when none.
  std::u16string GetValue(const std::u16string& Name) const;
  // Same count and every text binary-equal.
  bool Equals(const TvxWideStrings* Other) const;

protected:
  void AssignTo(rtl::TPersistent* Dest) const override;
  // "strings": the items as a list of wide strings, written when there are items (against
  // an ancestor: when it is no wide list or holds other texts); reading replaces the items.
  void DefineProperties(rtl::TFiler* Filer) override;
  virtual void SetUpdateState(bool) {}
  int UpdateCount() const { return updateCount_; }

private:
  int updateCount_ = 0;
};

class TvxWideStringList : public TvxWideStrings {
  RTL_CLASS(TvxWideStringList, TvxWideStrings)
public:
  TvxWideStringList() = default;
  ~TvxWideStringList() override;

  int CompareStrings(const std::u16string& A, const std::u16string& B) const override;
  // Empty outside 0 .. Count-1.
  std::u16string Get(int Index) const override;
  int GetCapacity() const override { return capacity_; }
  int GetCount() const override { return static_cast<int>(items_.size()); }
  // nil outside 0 .. Count-1.
  rtl::TObject* GetObject(int Index) const override;
  void Put(int Index, const std::u16string& S) override;
  void PutObject(int Index, rtl::TObject* AObject) override;
  // Ignored below Count.
  void SetCapacity(int NewCapacity) override;
  void Exchange(int Index1, int Index2) override;
  void Insert(int Index, const std::u16string& S) override;
  void Sort() override;
  // Sorted lists insert in order and apply the duplicates policy (dupError adds too).
  int Add(const std::u16string& S) override;
  void Delete(int Index) override;
  void Clear() override;

  virtual void Changing();
  virtual void Changed();
  // Binary searches; Index is the first match or the insertion point.
  virtual bool Find(const std::u16string& S, int& Index) const;
  virtual bool FindObject(rtl::TObject* AObject, int& Index) const;

  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool Value) { caseSensitive_ = Value; }
  bool Sorted() const { return sorted_; }
  // Sorts the list when sorting is switched on.
  void SetSorted(bool Value);
  rtl::TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(rtl::TDuplicates Value) { duplicates_ = Value; }
  bool SortByObject() const { return sortByObject_; }
  void SetSortByObject(bool Value) { sortByObject_ = Value; }

  rtl::TNotifyEvent OnChanging;
  rtl::TNotifyEvent OnChange;

protected:
  void SetUpdateState(bool Updating) override;

private:
  struct TItem {
    std::u16string String;
    rtl::TObject* Object = nullptr;
  };
  bool ValidIndex(int Index) const { return Index >= 0 && Index < GetCount(); }
  void InsertItem(int Index, const std::u16string& S);
  void Grow();
  template <class Less, class Greater> void QuickSort(int L, int R, Less less, Greater greater);

  bool caseSensitive_ = false;
  bool sorted_ = false;
  std::vector<TItem> items_;
  int capacity_ = 0;
  rtl::TDuplicates duplicates_ = rtl::dupIgnore;
  bool sortByObject_ = false;
};

}  // namespace vg
