#include "platform/rtl/Lists.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

namespace {
constexpr const char* SListIndexError = "List index out of bounds (%d)";
constexpr const char* SSortedListError = "Operation not allowed on sorted list";
constexpr const char* SDuplicateString = "String list does not allow duplicates";
}  // namespace

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

void TStrings::Error(const char* Message, int Data) const { throw EStringListError(Format(Message, Data)); }

void TStrings::SetStrings(int Index, const std::string& S) {
  TObject* obj = Objects(Index);
  BeginUpdate();
  try {
    Delete(Index);
    InsertObject(Index, S, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TObject* TStrings::Objects(int) const { return nullptr; }
void TStrings::SetObjects(int, TObject*) {}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  SetObjects(Index, AObject);
}

int TStrings::Add(const std::string& S) {
  const int i = Count();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int i = Add(S);
  SetObjects(i, AObject);
  return i;
}

void TStrings::AddStrings(const TStrings* Source) {
  if (!Source) return;
  BeginUpdate();
  try {
    for (int i = 0; i < Source->Count(); ++i) AddObject(Source->Strings(i), Source->Objects(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    const std::string s = Strings(Index1);
    TObject* o = Objects(Index1);
    SetStrings(Index1, Strings(Index2));
    SetObjects(Index1, Objects(Index2));
    SetStrings(Index2, s);
    SetObjects(Index2, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  // Check both indexes first so that a bad NewIndex cannot lose the item.
  if (CurIndex < 0 || CurIndex >= Count()) Error(SListIndexError, CurIndex);
  if (NewIndex < 0 || NewIndex >= Count()) Error(SListIndexError, NewIndex);
  BeginUpdate();
  try {
    const std::string s = Strings(CurIndex);
    TObject* o = Objects(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Strings(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string s = Strings(i);
    const std::size_t p = s.find(nameValueSeparator_);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int i = 0; i < Count(); ++i)
    if (Objects(i) == AObject) return i;
  return -1;
}

void TStrings::DefineProperties(TFiler* Filer) {
  TPersistent::DefineProperties(Filer);
  Filer->DefineProperty(
      "Strings",
      [this](TReader& Reader) {
        BeginUpdate();
        try {
          Reader.ReadListBegin();
          Clear();
          while (!Reader.EndOfList()) Add(Reader.ReadString());
          Reader.ReadListEnd();
        } catch (...) {
          EndUpdate();
          throw;
        }
        EndUpdate();
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
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(src);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

std::string TStrings::Names(int Index) const {
  const std::string s = Strings(Index);
  const std::size_t p = s.find(nameValueSeparator_);
  return p == std::string::npos ? std::string() : s.substr(0, p);
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

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0; i < Count(); ++i) r += Strings(i) + "\r\n";
  return r;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    std::size_t i = 0;
    while (i < Value.size()) {
      const std::size_t start = i;
      while (i < Value.size() && Value[i] != '\r' && Value[i] != '\n') ++i;
      Add(Value.substr(start, i - start));
      if (i < Value.size() && Value[i] == '\r') ++i;
      if (i < Value.size() && Value[i] == '\n') ++i;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
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
  BeginUpdate();
  try {
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
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
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
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
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

void TStrings::BeginUpdate() {
  if (updateCount_ == 0) SetUpdateState(true);
  ++updateCount_;
}

void TStrings::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return rtl::CompareText(S1, S2); }

// ---------------------------------------------------------------------------
// TStringList

TClass TStringList::StaticClass() {
  static const TClassInfo info = DefineClass<TStringList>().Build();
  return &info;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

std::string TStringList::Strings(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].String;
}

void TStringList::SetStrings(int Index, const std::string& S) {
  if (sorted_) Error(SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].String = S;
  Changed();
}

TObject* TStringList::Objects(int Index) const {
  CheckIndex(Index);
  return items_[static_cast<std::size_t>(Index)].Object;
}

void TStringList::SetObjects(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  items_[static_cast<std::size_t>(Index)].Object = AObject;
  Changed();
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

void TStringList::Insert(int Index, const std::string& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (sorted_) Error(SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
  InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  items_.erase(items_.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  items_.shrink_to_fit();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(items_[static_cast<std::size_t>(Index1)], items_[static_cast<std::size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex != NewIndex && sorted_) Error(SSortedListError, 0);
  TStrings::Move(CurIndex, NewIndex);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool found = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareStrings(items_[static_cast<std::size_t>(mid)].String, S);
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
  std::vector<TStringItem> sorted;
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
