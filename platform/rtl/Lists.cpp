#include "platform/rtl/Lists.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/FileWriter.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

// ---------------------------------------------------------------------------
// TList

TClass TList::StaticClass() {
  static const TClassInfo info = DefineClass<TList>().Build();
  return &info;
}

void TList::Error(int Index) { throw EListError(Format(SListIndexError, Index)); }

int TList::Add(void* Item) {
  items_.push_back(Item);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error(Index);
  items_.insert(items_.begin() + Index, Item);
}

void TList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) Error(Index);
  items_.erase(items_.begin() + Index);
}

int TList::Remove(void* Item) {
  const int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* Item) {
  const int i = IndexOf(Item);
  if (i < 0) return nullptr;
  Delete(i);
  return Item;
}

int TList::IndexOf(void* Item) const {
  const auto it = std::find(items_.begin(), items_.end(), Item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= Count()) Error(Index1);
  if (Index2 < 0 || Index2 >= Count()) Error(Index2);
  std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count()) Error(NewIndex);
  void* item = Items(CurIndex);
  items_.erase(items_.begin() + CurIndex);
  items_.insert(items_.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
  // A stable merge sort: it stays inside the list even when Compare is inconsistent.
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Clear() {
  items_.clear();
  items_.shrink_to_fit();
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) Error(NewCount);
  items_.resize(static_cast<std::size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error(NewCapacity);
  if (NewCapacity > Capacity())
    items_.reserve(static_cast<std::size_t>(NewCapacity));
  else
    items_.shrink_to_fit();
}

void* TList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) Error(Index);
  return items_[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  if (Index < 0 || Index >= Count()) Error(Index);
  items_[static_cast<std::size_t>(Index)] = Item;
}

// ---------------------------------------------------------------------------
// TStrings

TClass TStrings::StaticClass() {
  static const TClassInfo info = DefineClass<TStrings>().Build();
  return &info;
}

void TStrings::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  Filer->DefineProperty(
      "Strings",
      [this](TReader& Reader) {
        Updating([&] {
          Reader.ReadListBegin();
          Clear();
          while (!Reader.EndOfList()) Add(Reader.ReadString());
          Reader.ReadListEnd();
        });
      },
      [this](TWriter& Writer) {
        Writer.WriteListBegin();
        for (int i = 0; i < Count(); ++i) Writer.WriteString(Strings(i));
        Writer.WriteListEnd();
      },
      Count() > 0);
}

void TStrings::Assign(const TPersistent* Source) {
  if (const auto* src = dynamic_cast<const TStrings*>(Source)) {
    if (src != this) AssignItems(*src);
    return;
  }
  TPersistent::Assign(Source);
}

std::string TStrings::Values(const std::string& Name) const {
  const int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& Name, const std::string& Value) {
  const int i = IndexOfName(Name);
  if (!Value.empty()) {
    const std::string line = Name + nameValueSeparator_ + Value;
    if (i < 0)
      Add(line);
    else
      SetStrings(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::ValueFromIndex(int Index) const {
  const std::string s = Strings(Index);
  const std::size_t p = s.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
  if (!Value.empty()) {
    if (Index < 0) Index = Add("");
    SetStrings(Index, Names(Index) + nameValueSeparator_ + Value);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

std::string TStrings::GetDelimitedText(char delimiter, char quote) const {
  if (Count() == 1 && Strings(0).empty()) return std::string(2, quote);
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    std::string s = Strings(i);
    const bool needsQuotes = std::any_of(s.begin(), s.end(), [&](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == quote || c == delimiter;
    });
    if (needsQuotes) s = AnsiQuotedStr(s, quote);
    if (i > 0) r += delimiter;
    r += s;
  }
  return r;
}

void TStrings::SetDelimitedText(const std::string& value, char delimiter, char quote) {
  auto isBlank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
  Updating([&] {
    Clear();
    std::string_view p(value);
    while (!p.empty() && isBlank(p[0])) p.remove_prefix(1);
    while (!p.empty()) {
      std::string s;
      if (p[0] == quote) {
        s = AnsiExtractQuotedStr(p, quote);
      } else {
        std::size_t n = 0;
        while (n < p.size() && static_cast<unsigned char>(p[n]) > ' ' && p[n] != delimiter) ++n;
        s.assign(p.substr(0, n));
        p.remove_prefix(n);
        // A control byte that is not a blank separator would stop the scan forever.
        if (n == 0 && !p.empty() && p[0] != delimiter && !isBlank(p[0])) p.remove_prefix(1);
      }
      Add(s);
      while (!p.empty() && isBlank(p[0])) p.remove_prefix(1);
      if (!p.empty() && p[0] == delimiter) {
        if (p.size() == 1) Add("");
        do p.remove_prefix(1);
        while (!p.empty() && isBlank(p[0]));
      }
    }
  });
}

std::string TStrings::CommaText() const { return GetDelimitedText(',', '"'); }
void TStrings::SetCommaText(const std::string& Value) { SetDelimitedText(Value, ',', '"'); }
std::string TStrings::DelimitedText() const { return GetDelimitedText(delimiter_, quoteChar_); }
void TStrings::SetDelimitedText(const std::string& Value) { SetDelimitedText(Value, delimiter_, quoteChar_); }

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TMemoryStream stream;
  SaveToStream(&stream);
  WriteFileAtomic(FileName, stream.Memory(), static_cast<std::size_t>(stream.Size()));
}

void TStrings::LoadFromStream(TStream* Stream) {
  const std::int64_t size = std::max<std::int64_t>(0, Stream->Size() - Stream->Position());
  std::string s(static_cast<std::size_t>(size), '\0');
  s.resize(static_cast<std::size_t>(Stream->Read(s.data(), size)));
  SetText(s);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const std::string s = Text();
  Stream->WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return rtl::CompareText(S1, S2); }

// ---------------------------------------------------------------------------
// TStringList

TClass TStringList::StaticClass() {
  static const TClassInfo info = DefineClass<TStringList>().Build();
  return &info;
}

void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) Error(SSortedListError, 0);
  TStringListOf::Put(Index, S);
}

void TStringList::Insert(int Index, const std::string& S) {
  if (sorted_) Error(SSortedListError, 0);
  TStringListOf::Insert(Index, S);
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index = Count();
  if (sorted_ && Find(S, index)) {
    if (duplicates_ == dupIgnore) return index;
    if (duplicates_ == dupError) Error(SDuplicateString, 0);
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex != NewIndex && sorted_) Error(SSortedListError, 0);
  TStringListOf::Move(CurIndex, NewIndex);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) return TStringListOf::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

TStringListSortCompare TStringList::DefaultCompare() {
  return [](TStringList* list, int a, int b) {
    return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].String,
                                list->items_[static_cast<std::size_t>(b)].String);
  };
}

void TStringList::Sort() { CustomSort(DefaultCompare()); }

// A sorted list keeps its own order; only an unsorted list takes another.
void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (!sorted_) SortItems(Compare);
}

void TStringList::SortItems(const TStringListSortCompare& Compare) {
  if (Count() < 2) return;
  Changing();
  // Sort a permutation so that Compare sees the list unchanged while it runs.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  if (Value) SortItems(DefaultCompare());
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (caseSensitive_ == Value) return;
  caseSensitive_ = Value;
  if (sorted_) SortItems(DefaultCompare());  // the old order is wrong for the new comparison
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  if (!caseSensitive_) return rtl::CompareText(S1, S2);
  // Case-sensitive order is alphabetical first, then lower case before upper case
  // ("a" < "A" < "b"), as the class library's locale comparison orders ASCII letters.
  const int folded = rtl::CompareText(S1, S2);
  if (folded != 0) return folded;
  for (std::size_t i = 0; i < S1.size(); ++i)
    if (S1[i] != S2[i]) return S1[i] >= 'a' && S1[i] <= 'z' ? -1 : 1;
  return 0;
}

}  // namespace rtl
