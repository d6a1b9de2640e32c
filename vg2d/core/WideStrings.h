// Lists of UTF-16 texts: TvxWideStrings, the abstract list with text, names and values,
// files and streams, and TvxWideStringList, the concrete list of text/object pairs with
// optional sorting, a duplicates policy and change events.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringsOf.h"

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

// The abstract UTF-16 list, built on rtl::TStringsOf like the class library's TStrings (see
// StringsOf.h for what they share). Unlike TStrings it raises no errors of its own: an index
// outside the list reads as an empty text and a nil object, and a change at it changes
// nothing.
class TvxWideStrings : public rtl::TStringsOf<std::u16string> {
  RTL_CLASS(TvxWideStrings, rtl::TPersistent)
public:
  TvxWideStrings() = default;

  void Assign(const rtl::TPersistent* Source) override;

  // The base reports every pair equal.
  int CompareStrings(const std::u16string& A, const std::u16string& B) const override;
  virtual int GetCapacity() const { return GetCount(); }
  virtual void SetCapacity(int NewCapacity);
  // The 8-bit items are converted from the system code page.
  virtual void AddStrings(const rtl::TStrings* Strings);
  virtual void AddWideStrings(const TvxWideStrings* Strings);
  virtual int IndexOfName(const std::u16string& Name) const;
  virtual int IndexOfValue(const std::u16string& Value) const;
  // Any error leaves the list as it was.
  virtual void LoadFromFile(const std::string& FileName);
  // From the stream's position to its end: UTF-16LE after FF FE, UTF-16BE after FE FF,
  // otherwise 8-bit text in the system code page.
  virtual void LoadFromStream(rtl::TStream* Stream);
  virtual void SaveToFile(const std::string& FileName);
  // The text in the system code page, without byte-order mark.
  virtual void SaveToFileAnsi(const std::string& FileName);
  // FF FE, then the text as UTF-16LE.
  virtual void SaveToStream(rtl::TStream* Stream);
  virtual void SetText(const char16_t* Text);
  virtual void Sort() {}
  void Delete(int) override {}
  void Clear() override {}

  // The text before the first "=" of item Index; empty when it has none.
  std::u16string GetName(int Index) const { return NameOf(Index, u'='); }
  // The text after "Name=" of the item IndexOfName finds; empty when none.
  std::u16string GetValue(const std::u16string& Name) const;
  // Same count and every text binary-equal.
  bool Equals(const TvxWideStrings* Other) const;

protected:
  bool QuietIndexes() const override { return true; }
  void AssignTo(rtl::TPersistent* Dest) const override;
  // "strings": the items as a list of wide strings, written when there are items (against
  // an ancestor: when it is no wide list or holds other texts); reading replaces the items.
  void DefineProperties(rtl::TFiler* Filer) override;
};

// The concrete UTF-16 list (rtl::TStringListOf). Unlike the class library's TStringList, a
// sorted list still takes Insert and Put (the caller keeps the order), dupError adds the
// duplicate, and Sort orders by letters without regard to case, or by object.
class TvxWideStringList : public rtl::TStringListOf<TvxWideStrings> {
  RTL_CLASS(TvxWideStringList, TvxWideStrings)
public:
  TvxWideStringList() = default;

  int CompareStrings(const std::u16string& A, const std::u16string& B) const override;
  int GetCapacity() const override { return capacity_; }
  // Ignored below Count.
  void SetCapacity(int NewCapacity) override;
  void Sort() override;
  // Sorted lists insert in order and apply the duplicates policy (dupError adds too).
  int Add(const std::u16string& S) override;

  // Binary search by object value (the order Sort gives with SortByObject).
  virtual bool FindObject(rtl::TObject* AObject, int& Index) const;

  void SetCaseSensitive(bool Value) { caseSensitive_ = Value; }
  // Sorts the list when sorting is switched on.
  void SetSorted(bool Value);
  bool SortByObject() const { return sortByObject_; }
  void SetSortByObject(bool Value) { sortByObject_ = Value; }

protected:
  void InsertItem(int Index, const std::u16string& S, rtl::TObject* AObject) override;
  void Cleared() override { capacity_ = 0; }

private:
  void Grow();
  template <class Less, class Greater> void QuickSort(int L, int R, Less less, Greater greater);

  int capacity_ = 0;
  bool sortByObject_ = false;
};

}  // namespace vg
