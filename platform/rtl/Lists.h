// The class library's lists: TList of pointers, and the string lists TStrings/TStringList.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

namespace rtl {

class TStream;

// Compares two items: negative, zero or positive.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of untyped pointers. The list never owns what its items point to.
class TList : public TObject {
  RTL_CLASS(TList, TObject)
public:
  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);      // index the item had, or -1
  void* Extract(void* Item);   // removes the item and returns it, or nullptr
  int IndexOf(void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Sort(const TListSortCompare& Compare);
  virtual void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  void SetCount(int NewCount);  // new items are nil
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int NewCapacity);
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

private:
  [[noreturn]] static void Error(int Index);
  std::vector<void*> items_;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// An abstract list of strings with an object beside each; descendants store them.
class TStrings : public TPersistent {
  RTL_CLASS(TStrings, TPersistent)
public:
  // Storage, provided by descendants.
  virtual int Count() const = 0;
  virtual std::string Strings(int Index) const = 0;
  virtual void SetStrings(int Index, const std::string& S);
  virtual TObject* Objects(int Index) const;
  virtual void SetObjects(int Index, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  std::string operator[](int Index) const { return Strings(Index); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  virtual void AddStrings(const TStrings* Source);
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const std::string& S) const;
  int IndexOfName(const std::string& Name) const;
  int IndexOfObject(const TObject* AObject) const;

  void Assign(const TPersistent* Source) override;

  // Name=Value lines.
  std::string Names(int Index) const;
  std::string Values(const std::string& Name) const;
  void SetValue(const std::string& Name, const std::string& Value);  // "" deletes the line
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char C) { nameValueSeparator_ = C; }

  // Every line followed by CR LF. Reading splits at CR LF, LF or CR.
  virtual std::string Text() const;
  virtual void SetText(const std::string& Value);
  // Items separated by commas; items with blanks, commas or quotes are double-quoted.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char C) { delimiter_ = C; }
  char QuoteChar() const { return quoteChar_; }
  void SetQuoteChar(char C) { quoteChar_ = C; }

  // The bytes as they are, lines separated by CR LF.
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName) const;
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

protected:
  // Streams the lines as the defined property "Strings" (a list of strings).
  void DefineProperties(TFiler* Filer) override;
  // Called when the outermost BeginUpdate starts (true) and EndUpdate ends (false).
  virtual void SetUpdateState(bool) {}
  // Compares two strings the way the list does (case-insensitive here).
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  [[noreturn]] void Error(const char* Message, int Data) const;

private:
  std::string GetDelimitedText(char delimiter, char quote) const;
  void SetDelimitedText(const std::string& value, char delimiter, char quote);

  int updateCount_ = 0;
  char nameValueSeparator_ = '=';
  char delimiter_ = ',';
  char quoteChar_ = '"';
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// Strings with their objects in an array; optionally kept sorted. The objects are not
// owned.
class TStringList : public TStrings {
  RTL_CLASS(TStringList, TStrings)
public:
  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Strings(int Index) const override;
  void SetStrings(int Index, const std::string& S) override;
  TObject* Objects(int Index) const override;
  void SetObjects(int Index, TObject* AObject) override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  // Binary search of a sorted list: true when found; Index is where S is or would go.
  virtual bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;
  virtual void Changing();
  virtual void Changed();

private:
  struct TStringItem {
    std::string String;
    TObject* Object = nullptr;
  };
  void CheckIndex(int Index) const;
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void SortItems(const TStringListSortCompare& Compare);
  static TStringListSortCompare DefaultCompare();

  std::vector<TStringItem> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace rtl
