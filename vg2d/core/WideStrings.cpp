#include "vg2d/core/WideStrings.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileWriter.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TypInfo.h"

namespace vg {

// ---- comparisons ------------------------------------------------------------------------

int CompareInteger(intptr_t A, intptr_t B) {
  if (A == B) return 0;
  const auto difference = static_cast<intptr_t>(static_cast<uintptr_t>(A) - static_cast<uintptr_t>(B));
  return difference < 0 ? 1 : -1;
}

namespace {

// Simple case folding of the scripts the program's texts use: Latin (ASCII, Latin-1,
// Latin Extended-A), Greek and Cyrillic. Other characters fold to themselves.
char16_t FoldCase(char16_t c) {
  if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))  // odd capitals
      return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  return c;
}

bool IsFoldedLower(char16_t c) { return FoldCase(c) == c; }

}  // namespace

int CompareWideText(const std::u16string& A, const std::u16string& B) {
  const size_t n = std::min(A.size(), B.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t a = FoldCase(A[i]), b = FoldCase(B[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

int CompareWideStr(const std::u16string& A, const std::u16string& B) {
  const int byLetters = CompareWideText(A, B);
  if (byLetters != 0) return byLetters;
  // Same letters: the first difference in case decides, lower case first.
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i]) return IsFoldedLower(A[i]) ? -1 : 1;
  return 0;
}

// ---- TvxWideStrings ---------------------------------------------------------------------

int TvxWideStrings::CompareStrings(const std::u16string&, const std::u16string&) const { return 0; }

void TvxWideStrings::SetCapacity(int) {}

void TvxWideStrings::SetText(const char16_t* Text) { SetTextStr(Text ? std::u16string(Text) : std::u16string()); }

void TvxWideStrings::AddStrings(const rtl::TStrings* Strings) {
  if (!Strings) return;
  Updating([&] {
    const int count = Strings->Count();
    for (int i = 0; i < count; ++i)
      AddObject(rtl::CodePageToWide(Strings->Strings(i), SystemCodePage), Strings->Objects(i));
  });
}

void TvxWideStrings::AddWideStrings(const TvxWideStrings* Strings) {
  if (Strings) AddItems(*Strings);
}

void TvxWideStrings::Assign(const rtl::TPersistent* Source) {
  if (Source == this) return;
  if (const auto* wide = dynamic_cast<const TvxWideStrings*>(Source)) {
    Updating([&] {
      Clear();
      AddWideStrings(wide);
    });
    return;
  }
  if (const auto* strings = dynamic_cast<const rtl::TStrings*>(Source)) {
    Updating([&] {
      Clear();
      AddStrings(strings);
    });
    return;
  }
  inherited::Assign(Source);
}

void TvxWideStrings::AssignTo(rtl::TPersistent* Dest) const {
  if (auto* strings = dynamic_cast<rtl::TStrings*>(Dest)) {
    strings->BeginUpdate();
    try {
      strings->Clear();
      for (int i = 0; i < GetCount(); ++i)
        strings->AddObject(rtl::WideToCodePage(Get(i), SystemCodePage), GetObject(i));
    } catch (...) {
      strings->EndUpdate();
      throw;
    }
    strings->EndUpdate();
    return;
  }
  if (auto* wide = dynamic_cast<TvxWideStrings*>(Dest)) {
    wide->Assign(this);
    return;
  }
  inherited::AssignTo(Dest);
}

int TvxWideStrings::IndexOfName(const std::u16string& Name) const { return TStringsOf::IndexOfName(Name, u'='); }

int TvxWideStrings::IndexOfValue(const std::u16string& Value) const {
  for (int i = 0; i < GetCount(); ++i) {
    const std::u16string s = Get(i);
    const size_t eq = s.find(u'=');
    if (eq != std::u16string::npos && CompareStrings(s.substr(eq + 1), Value) == 0) return i;
  }
  return -1;
}

std::u16string TvxWideStrings::GetValue(const std::u16string& Name) const {
  const int i = IndexOfName(Name);
  if (i < 0) return {};
  const std::u16string s = Get(i);
  return Name.size() + 1 < s.size() ? s.substr(Name.size() + 1) : std::u16string();
}

bool TvxWideStrings::Equals(const TvxWideStrings* Other) const {
  if (!Other || Other->GetCount() != GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i)
    if (Get(i) != Other->Get(i)) return false;
  return true;
}

// ---- component stream ------------------------------------------------------------------------

namespace {

// A wide-string value: its count of UTF-16 code units, then the code units little-endian.
void WriteWideValue(rtl::TWriter& Writer, const std::u16string& Text) {
  if (Text.size() > INT32_MAX / 2) throw rtl::EWriteError("String too long for the stream");
  std::vector<uint8_t> bytes;
  bytes.reserve(4 + Text.size() * 2);
  const auto count = static_cast<uint32_t>(Text.size());
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(count >> shift));
  for (char16_t c : Text) {
    bytes.push_back(static_cast<uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  Writer.WriteValue(rtl::vaWString);
  Writer.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace

void TvxWideStrings::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  bool hasData = GetCount() > 0;
  if (const rtl::TPersistent* ancestor = Filer->Ancestor()) {
    const auto* list = dynamic_cast<const TvxWideStrings*>(ancestor);
    hasData = !list || !Equals(list);
  }
  Filer->DefineProperty(
      "strings",
      [this](rtl::TReader& Reader) {
        Reader.ReadListBegin();
        Updating([&] {
          Clear();
          while (!Reader.EndOfList()) Add(Reader.ReadWideString());
        });
        Reader.ReadListEnd();
      },
      [this](rtl::TWriter& Writer) {
        Writer.WriteListBegin();
        for (int i = 0; i < GetCount(); ++i) WriteWideValue(Writer, Get(i));
        Writer.WriteListEnd();
      },
      hasData);
}

// ---- files and streams ----------------------------------------------------------------------

void TvxWideStrings::LoadFromStream(rtl::TStream* Stream) {
  const int64_t start = Stream->Position();
  const int64_t size = std::max<int64_t>(Stream->Size() - start, 0);
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0) Stream->ReadBuffer(bytes.data(), size);
  std::u16string text;
  const auto byte = [&bytes](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (size >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool bigEndian = byte(0) == 0xFE;
    const size_t units = static_cast<size_t>(size - 2) / 2;  // an odd last byte is ignored
    text.resize(units);
    for (size_t i = 0; i < units; ++i) {
      const uint8_t first = byte(2 + 2 * i), second = byte(3 + 2 * i);
      text[i] = bigEndian ? static_cast<char16_t>(first << 8 | second) : static_cast<char16_t>(second << 8 | first);
    }
  } else {
    text = rtl::CodePageToWide(bytes, SystemCodePage);
  }
  Updating([&] { SetTextStr(text); });
}

void TvxWideStrings::LoadFromFile(const std::string& FileName) {
  try {
    rtl::TFileStream stream(FileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    LoadFromStream(&stream);
  } catch (const std::exception&) {
    // A missing or unreadable file leaves the list as it is.
  }
}

void TvxWideStrings::SaveToStream(rtl::TStream* Stream) {
  const std::u16string text = GetTextStr();
  std::string bytes;
  bytes.reserve(2 + 2 * text.size());
  bytes += '\xFF';
  bytes += '\xFE';
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  Stream->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TvxWideStrings::SaveToFile(const std::string& FileName) {
  rtl::TMemoryStream stream;
  SaveToStream(&stream);
  rtl::WriteFileAtomic(FileName, stream.Memory(), static_cast<std::size_t>(stream.Size()));
}

void TvxWideStrings::SaveToFileAnsi(const std::string& FileName) {
  const std::string bytes = rtl::WideToCodePage(GetTextStr(), SystemCodePage);
  rtl::WriteFileAtomic(FileName, bytes);
}


rtl::TClass TvxWideStrings::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxWideStrings>().Build();
  return &info;
}

rtl::TClass TvxWideStringList::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TvxWideStringList>().Build();
  return &info;
}

// ---- TvxWideStringList ----------------------------------------------------------------------

int TvxWideStringList::CompareStrings(const std::u16string& A, const std::u16string& B) const {
  return caseSensitive_ ? CompareWideStr(A, B) : CompareWideText(A, B);
}

void TvxWideStringList::Grow() {
  const int delta = capacity_ > 64 ? capacity_ / 4 : (capacity_ > 8 ? 16 : 4);
  SetCapacity(capacity_ + delta);
}

void TvxWideStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) return;
  if (NewCapacity < capacity_) items_.shrink_to_fit();
  items_.reserve(static_cast<size_t>(NewCapacity));
  capacity_ = NewCapacity;
}

void TvxWideStringList::InsertItem(int Index, const std::u16string& S, rtl::TObject* AObject) {
  if (GetCount() == capacity_) Grow();
  TStringListOf::InsertItem(Index, S, AObject);
}

int TvxWideStringList::Add(const std::u16string& S) {
  int index = GetCount();
  if (sorted_ && !sortByObject_ && Find(S, index) && duplicates_ == rtl::dupIgnore) return index;
  InsertItem(index, S, nullptr);
  return index;
}

bool TvxWideStringList::FindObject(rtl::TObject* AObject, int& Index) const {
  const intptr_t key = reinterpret_cast<intptr_t>(AObject);
  return Search([&](const TItem& item) { return CompareInteger(reinterpret_cast<intptr_t>(item.Object), key); },
                Index);
}

// Quick sort with the middle item as pivot. The scans are bounded by the partition, so
// even a comparison that is not a strict order (the wrapping object comparison of values
// far apart) cannot run outside the list.
template <class Less, class Greater>
void TvxWideStringList::QuickSort(int L, int R, Less less, Greater greater) {
  while (L < R) {
    int i = L, j = R;
    const TItem pivot = items_[(L + R) / 2];
    while (i <= j) {
      while (i < R && less(items_[i], pivot)) ++i;
      while (j > L && greater(items_[j], pivot)) --j;
      if (i <= j) {
        std::swap(items_[i], items_[j]);
        ++i;
        --j;
      }
    }
    if (L < j) QuickSort(L, j, less, greater);
    L = i;
  }
}

void TvxWideStringList::Sort() {
  if (sorted_ || GetCount() < 2) return;
  Changing();
  if (sortByObject_) {
    const auto cmp = [](const TItem& a, const TItem& b) {
      return CompareInteger(reinterpret_cast<intptr_t>(a.Object), reinterpret_cast<intptr_t>(b.Object));
    };
    QuickSort(
        0, GetCount() - 1, [&](const TItem& a, const TItem& b) { return cmp(a, b) < 0; },
        [&](const TItem& a, const TItem& b) { return cmp(a, b) > 0; });
  } else {
    // Letters without regard to case, whatever CaseSensitive says.
    QuickSort(
        0, GetCount() - 1, [](const TItem& a, const TItem& b) { return CompareWideText(a.String, b.String) < 0; },
        [](const TItem& a, const TItem& b) { return CompareWideText(a.String, b.String) > 0; });
  }
  Changed();
}

void TvxWideStringList::SetSorted(bool Value) {
  if (Value == sorted_) return;
  if (Value) Sort();
  sorted_ = Value;
}

}  // namespace vg
