// The class library's lists: TList of pointers, and the string lists TStrings/TStringList.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringsOf.h"

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

// An abstract list of strings with an object beside each; descendants store them.
// Built on TStringsOf (StringsOf.h), which it shares with the 2D library's UTF-16 lists.
class TStrings : public TStringsOf<std::string> {
  RTL_CLASS(TStrings, TPersistent)
public:
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  std::string operator[](int Index) const { return Get(Index); }

  void Append(const std::string& S) { Add(S); }
  void AddStrings(const TStrings* Source) {
    if (Source) AddItems(*Source);
  }
  int IndexOfName(const std::string& Name) const { return TStringsOf::IndexOfName(Name, nameValueSeparator_); }

  void Assign(const TPersistent* Source) override;

  // Name=Value lines.
  std::string Names(int Index) const { return NameOf(Index, nameValueSeparator_); }
  std::string Values(const std::string& Name) const;
  void SetValue(const std::string& Name, const std::string& Value);  // "" deletes the line
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);
  char NameValueSeparator() const { return nameValueSeparator_; }
  void SetNameValueSeparator(char C) { nameValueSeparator_ = C; }

  // Every line followed by CR LF. Reading splits at CR LF, LF or CR.
  std::string Text() const { return GetTextStr(); }
  void SetText(const std::string& Value) { SetTextStr(Value); }
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

  // Compares two strings the way the list does (case-insensitive here).
  int CompareStrings(const std::string& S1, const std::string& S2) const override;

protected:
  // Streams the lines as the defined property "Strings" (a list of strings).
  void DefineProperties(TFiler* Filer) override;

private:
  std::string GetDelimitedText(char delimiter, char quote) const;
  void SetDelimitedText(const std::string& value, char delimiter, char quote);

  char nameValueSeparator_ = '=';
  char delimiter_ = ',';
  char quoteChar_ = '"';
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// Strings with their objects in an array; optionally kept sorted, and then Insert, Put and
// Move raise EStringListError. The objects are not owned.
class TStringList : public TStringListOf<TStrings> {
  RTL_CLASS(TStringList, TStrings)
public:
  void Put(int Index, const std::string& S) override;
  void Insert(int Index, const std::string& S) override;
  // A sorted list inserts in order and applies the duplicates policy (dupError raises).
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;

  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  void SetSorted(bool Value);
  void SetCaseSensitive(bool Value);

  int CompareStrings(const std::string& S1, const std::string& S2) const override;

private:
  void SortItems(const TStringListSortCompare& Compare);
  static TStringListSortCompare DefaultCompare();
};

}  // namespace rtl
