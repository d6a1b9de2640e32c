#include "platform/rtl/Filer.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Streams.h"

namespace rtl {

namespace {

// A fault in the structure of the stream (truncated, corrupt, absurd lengths, too deep):
// never skipped by an error handler, since nothing after it can be trusted.
RTL_EXCEPTION(EStreamCorrupt, EReadError);

TFindGlobalComponent& GlobalFinder() {
  static auto* finder = new TFindGlobalComponent;
  return *finder;
}

bool IsIdentStart(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(uint8_t c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// True when every surrogate is part of a pair, so that UTF-8 can carry the text.
bool IsWellFormedUtf16(const std::u16string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// A double for a Single property: out-of-range values become infinities, never UB.
double SingleRange(double v) {
  if (std::isfinite(v) && std::fabs(v) > FLT_MAX) return v < 0 ? -HUGE_VAL : HUGE_VAL;
  return v;
}

TComponent* FindNestedComponent(TComponent* Root, const std::string& Name) {
  TComponent* current = nullptr;
  size_t start = 0;
  bool first = true;
  for (;;) {
    const size_t dot = Name.find('.', start);
    const std::string part = Name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (part.empty()) return nullptr;
    if (first) {
      if (Root && SameText(Root->Name(), part)) current = Root;
      else if (Root) current = Root->FindComponent(part);
      if (!current && GlobalFinder()) current = GlobalFinder()(part);
      first = false;
    } else {
      current = current->FindComponent(part);
    }
    if (!current || dot == std::string::npos) return current;
    start = dot + 1;
  }
}

}  // namespace

void SetFindGlobalComponent(TFindGlobalComponent Finder) { GlobalFinder() = std::move(Finder); }

// ---- 80-bit extended ------------------------------------------------------------------------

void DoubleToExtended(double Value, uint8_t (&Bytes)[10]) {
  uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int expField = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
  uint64_t mant = 0;
  int exp = 0;
  if (expField == 0x7FF) {  // infinity or NaN (the quiet bit and payload move along)
    exp = 0x7FFF;
    mant = (uint64_t{1} << 63) | (frac << 11);
  } else if (expField == 0) {
    if (frac != 0) {  // subnormal double: normal in extended
      const int top = 63 - std::countl_zero(frac);
      mant = frac << (63 - top);
      exp = top - 1074 + 16383;
    }
  } else {
    exp = expField - 1023 + 16383;
    mant = (uint64_t{1} << 63) | (frac << 11);
  }
  for (int i = 0; i < 8; ++i) Bytes[i] = static_cast<uint8_t>(mant >> (8 * i));
  const unsigned se = static_cast<unsigned>(exp) | (negative ? 0x8000u : 0u);
  Bytes[8] = static_cast<uint8_t>(se & 0xFF);
  Bytes[9] = static_cast<uint8_t>(se >> 8);
}

double ExtendedToDouble(const uint8_t (&Bytes)[10]) {
  uint64_t mant = 0;
  for (int i = 7; i >= 0; --i) mant = (mant << 8) | Bytes[i];
  const unsigned se = Bytes[8] | (static_cast<unsigned>(Bytes[9]) << 8);
  const uint64_t sign = static_cast<uint64_t>(se >> 15) << 63;
  const int exp = static_cast<int>(se & 0x7FFF);
  auto make = [](uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  };
  const uint64_t infinity = uint64_t{0x7FF} << 52;
  if (exp == 0x7FFF) {
    const uint64_t fraction = mant << 1;  // without the integer bit
    if (fraction == 0) return make(sign | infinity);
    uint64_t payload = fraction >> 12;
    if (payload == 0) payload = uint64_t{1} << 51;
    return make(sign | infinity | payload);
  }
  if (mant == 0) return make(sign);
  // value = mant * 2^(e - 16383 - 63); normalise so that bit 63 is set.
  int e = exp == 0 ? 1 : exp;
  const int lz = std::countl_zero(mant);
  mant <<= lz;
  e -= lz;
  int unbiased = e - 16383;  // value = 1.f * 2^unbiased
  if (unbiased > 1023) return make(sign | infinity);
  if (unbiased >= -1022) {
    uint64_t m = mant >> 11;
    const uint64_t rest = mant & 0x7FF;
    if (rest > 0x400 || (rest == 0x400 && (m & 1))) ++m;
    if (m == (uint64_t{1} << 53)) {
      m >>= 1;
      if (++unbiased > 1023) return make(sign | infinity);
    }
    return make(sign | (static_cast<uint64_t>(unbiased + 1023) << 52) | (m & ((uint64_t{1} << 52) - 1)));
  }
  // Subnormal result: k * 2^-1074 with k = mant >> shift, rounded to nearest even.
  const int shift = -(unbiased + 1011);
  if (shift > 64) return make(sign);
  uint64_t k, rest, half;
  if (shift == 64) {
    k = 0;
    rest = mant;
    half = uint64_t{1} << 63;
  } else {
    k = mant >> shift;
    rest = mant & ((uint64_t{1} << shift) - 1);
    half = uint64_t{1} << (shift - 1);
  }
  if (rest > half || (rest == half && (k & 1))) ++k;
  return make(sign | k);  // a carry into bit 52 gives the smallest normal, as it should
}

// ---- TReader ----------------------------------------------------------------------------------

TClass TReader::StaticClass() {
  static const TClassInfo info = DefineClass<TReader>().Build();
  return &info;
}

class TReader::TNesting {
public:
  explicit TNesting(TReader& r) : r_(r) {
    if (++r_.nesting_ > FilerMaxNesting) {
      --r_.nesting_;
      throw EStreamCorrupt("Stream nesting too deep");
    }
  }
  ~TNesting() { --r_.nesting_; }
  TNesting(const TNesting&) = delete;
  TNesting& operator=(const TNesting&) = delete;

private:
  TReader& r_;
};

TReader::TReader(TStream* Stream, int BufSize) : stream_(Stream) {
  if (!Stream) throw EReadError("No stream to read from");
  buffer_.resize(static_cast<size_t>(std::max(BufSize, 16)));
  bufStart_ = Stream->Position();
  streamSize_ = Stream->Size();
}

TReader::~TReader() {
  try {
    stream_->Seek(Offset(), soBeginning);
  } catch (...) {
  }
}

void TReader::Corrupt() { throw EStreamCorrupt("Invalid stream format"); }

void TReader::PropertyError(const std::string& Message) { throw EReadError(Message); }

int64_t TReader::BytesLeft() { return std::max<int64_t>(0, streamSize_ - Offset()); }

void TReader::CheckLength(int64_t Count) {
  if (Count < 0 || Count > BytesLeft()) Corrupt();
}

void TReader::Fill(size_t Need) {
  if (bufEnd_ - bufPos_ >= Need) return;
  if (bufPos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + bufPos_, bufEnd_ - bufPos_);
    bufStart_ += static_cast<int64_t>(bufPos_);
    bufEnd_ -= bufPos_;
    bufPos_ = 0;
  }
  if (buffer_.size() < Need) buffer_.resize(Need);
  while (bufEnd_ < Need) {
    const int64_t n = stream_->Read(buffer_.data() + bufEnd_, static_cast<int64_t>(buffer_.size() - bufEnd_));
    if (n <= 0) break;
    bufEnd_ += static_cast<size_t>(n);
  }
}

void TReader::SeekTo(int64_t Target) {
  if (Target >= bufStart_ && Target <= bufStart_ + static_cast<int64_t>(bufEnd_)) {
    bufPos_ = static_cast<size_t>(Target - bufStart_);
    return;
  }
  stream_->Seek(Target, soBeginning);
  bufStart_ = Target;
  bufPos_ = bufEnd_ = 0;
}

void TReader::Read(void* Buffer, int64_t Count) {
  CheckLength(Count);
  auto* out = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    if (bufPos_ == bufEnd_) {
      // Large reads go straight to the stream.
      if (Count >= static_cast<int64_t>(buffer_.size())) {
        stream_->Seek(Offset(), soBeginning);
        if (stream_->Read(out, Count) != Count) Corrupt();
        bufStart_ += bufPos_ + Count;
        bufPos_ = bufEnd_ = 0;
        return;
      }
      Fill(1);
      if (bufPos_ == bufEnd_) Corrupt();
    }
    const size_t n = std::min<size_t>(static_cast<size_t>(Count), bufEnd_ - bufPos_);
    std::memcpy(out, buffer_.data() + bufPos_, n);
    bufPos_ += n;
    out += n;
    Count -= static_cast<int64_t>(n);
  }
}

void TReader::ReadSignature() {
  char sig[4];
  if (BytesLeft() < 4) throw EReadError("Invalid stream format");
  Read(sig, 4);
  if (std::memcmp(sig, FilerSignature, 4) != 0) throw EReadError("Invalid stream format");
}

TValueType TReader::NextValue() {
  Fill(1);
  if (bufPos_ == bufEnd_) Corrupt();
  // Not checked here: the byte may be the length of a property name that ends a list test.
  return static_cast<TValueType>(buffer_[bufPos_]);
}

TValueType TReader::ReadValue() {
  const TValueType v = NextValue();
  if (v > vaLastValueType) Corrupt();
  ++bufPos_;
  return v;
}

void TReader::CheckValue(TValueType Value) {
  if (ReadValue() != Value) Corrupt();
}

bool TReader::EndOfList() { return NextValue() == vaNull; }

void TReader::ReadPrefix(TFilerFlags& Flags, int32_t& AChildPos) {
  Flags = 0;
  AChildPos = 0;
  Fill(1);
  if (bufPos_ == bufEnd_) Corrupt();
  const uint8_t b = buffer_[bufPos_];
  if ((b & 0xF0) != 0xF0) return;
  ++bufPos_;
  Flags = b & 0x0F;
  if (Flags & ffChildPos) {
    const TValueType v = ReadValue();
    if (v != vaInt8 && v != vaInt16 && v != vaInt32) Corrupt();
    --bufPos_;
    AChildPos = ReadInteger();
  }
}

void TReader::ReadItemPrefix(bool& HasOrder, int64_t& Order) {
  HasOrder = false;
  Order = 0;
  Fill(7);
  const size_t avail = bufEnd_ - bufPos_;
  if (avail == 0) Corrupt();
  const uint8_t* p = buffer_.data() + bufPos_;
  if (p[0] == vaList) {
    ++bufPos_;
    return;
  }
  if (p[0] < vaInt8 || p[0] > vaInt32) return;  // an item without marker or order
  const size_t size = p[0] == vaInt8 ? 1 : p[0] == vaInt16 ? 2 : 4;
  const bool marked = avail > size + 1 && p[size + 1] == vaList;
  if (!marked) {
    // Streams without the marker: a property name of two to four characters starts
    // with the same byte as an order value; a name is made of identifier characters.
    const size_t len = p[0];
    bool name = avail > len && IsIdentStart(p[1]);
    for (size_t i = 2; name && i <= len; ++i) name = IsIdentChar(p[i]);
    if (name) return;
  }
  HasOrder = true;
  Order = ReadInteger();
  if (marked) ++bufPos_;
}

int32_t TReader::ReadInteger() {
  const int64_t v = ReadInt64();
  if (v < INT32_MIN || v > INT32_MAX) PropertyError("Invalid property value");
  return static_cast<int32_t>(v);
}

int64_t TReader::ReadInt64() {
  const TValueType t = ReadValue();
  switch (t) {
    case vaInt8: {
      int8_t v;
      Read(&v, 1);
      return v;
    }
    case vaInt16: {
      uint8_t b[2];
      Read(b, 2);
      return static_cast<int16_t>(static_cast<uint16_t>(b[0] | (b[1] << 8)));
    }
    case vaInt32: {
      uint8_t b[4];
      Read(b, 4);
      return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                  (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
    }
    case vaInt64: {
      uint8_t b[8];
      Read(b, 8);
      uint64_t u = 0;
      for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
      return static_cast<int64_t>(u);
    }
    default:
      --bufPos_;
      PropertyError("Invalid property value");
  }
}

bool TReader::ReadBoolean() {
  const TValueType t = ReadValue();
  if (t == vaTrue) return true;
  if (t == vaFalse) return false;
  --bufPos_;
  PropertyError("Invalid property value");
}

char TReader::ReadChar() {
  const TValueType t = NextValue();
  if (t >= vaInt8 && t <= vaInt32) {
    const int32_t v = ReadInteger();
    if (v < 0 || v > 255) PropertyError("Invalid property value");
    return static_cast<char>(v);
  }
  const std::string s = ReadString();
  if (s.size() != 1) PropertyError("Invalid property value");
  return s[0];
}

char16_t TReader::ReadWideChar() {
  const TValueType t = NextValue();
  if (t >= vaInt8 && t <= vaInt32) {
    const int32_t v = ReadInteger();
    if (v < 0 || v > 65535) PropertyError("Invalid property value");
    return static_cast<char16_t>(v);
  }
  const std::u16string s = ReadWideString();
  if (s.size() != 1) PropertyError("Invalid property value");
  return s[0];
}

double TReader::ReadFloat() {
  const TValueType t = NextValue();
  switch (t) {
    case vaExtended: {
      ReadValue();
      uint8_t b[10];
      Read(b, 10);
      return ExtendedToDouble(b);
    }
    case vaSingle: return ReadSingle();
    case vaDate: return ReadDate();
    case vaCurrency: return static_cast<double>(ReadCurrency()) / 10000.0;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64: return static_cast<double>(ReadInt64());
    default: PropertyError("Invalid property value");
  }
}

float TReader::ReadSingle() {
  if (NextValue() != vaSingle) return static_cast<float>(SingleRange(ReadFloat()));
  ReadValue();
  float f;
  Read(&f, 4);
  return f;
}

TCurrencyRaw TReader::ReadCurrency() {
  if (NextValue() != vaCurrency) {
    const double v = ReadFloat() * 10000.0;
    const double r = std::nearbyint(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) PropertyError("Invalid property value");
    return static_cast<int64_t>(r);
  }
  ReadValue();
  int64_t v;
  Read(&v, 8);
  return v;
}

double TReader::ReadDate() {
  if (NextValue() != vaDate) return ReadFloat();
  ReadValue();
  double v;
  Read(&v, 8);
  return v;
}

std::string TReader::ReadShortString() {
  uint8_t len;
  Read(&len, 1);
  std::string s(len, '\0');
  Read(s.data(), len);
  return s;
}

std::string TReader::ReadStr() { return ReadShortString(); }

uint32_t TReader::ReadLength() {
  uint8_t b[4];
  Read(b, 4);
  const int32_t len = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                           (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  if (len < 0) Corrupt();
  return static_cast<uint32_t>(len);
}

std::string TReader::ReadString() {
  const TValueType t = ReadValue();
  switch (t) {
    case vaString: return ReadShortString();
    case vaLString: {
      const uint32_t len = ReadLength();
      CheckLength(len);
      std::string s(len, '\0');
      Read(s.data(), len);
      return s;
    }
    case vaWString:
    case vaUTF8String:
      --bufPos_;
      return WideToCodePage(ReadWideString(), DefaultSystemCodePage);
    default:
      --bufPos_;
      PropertyError("Invalid property value");
  }
}

std::u16string TReader::ReadWideString() {
  const TValueType t = NextValue();
  switch (t) {
    case vaString:
    case vaLString: return CodePageToWide(ReadString(), DefaultSystemCodePage);
    case vaWString: {
      ReadValue();
      const uint32_t count = ReadLength();
      CheckLength(int64_t{count} * 2);
      std::u16string w(count, u'\0');
      std::vector<uint8_t> bytes(static_cast<size_t>(count) * 2);
      Read(bytes.data(), static_cast<int64_t>(bytes.size()));
      for (size_t i = 0; i < count; ++i) w[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      return w;
    }
    case vaUTF8String: {
      ReadValue();
      const uint32_t len = ReadLength();
      CheckLength(len);
      std::string s(len, '\0');
      Read(s.data(), len);
      return Utf8ToWide(s);
    }
    default: PropertyError("Invalid property value");
  }
}

std::string TReader::ReadIdent() {
  const TValueType t = ReadValue();
  switch (t) {
    case vaIdent: return ReadShortString();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default:
      --bufPos_;
      PropertyError("Invalid property value");
  }
}

std::vector<std::string> TReader::ReadSetNames() {
  if (NextValue() != vaSet) PropertyError("Invalid property value");
  ReadValue();
  std::vector<std::string> names;
  for (;;) {
    std::string name = ReadShortString();
    if (name.empty()) return names;
    names.push_back(std::move(name));
  }
}

std::vector<uint8_t> TReader::ReadBinary() {
  if (NextValue() != vaBinary) PropertyError("Invalid property value");
  ReadValue();
  const uint32_t len = ReadLength();
  CheckLength(len);
  std::vector<uint8_t> bytes(len);
  Read(bytes.data(), len);
  return bytes;
}

void TReader::SkipValue() {
  const TValueType t = ReadValue();
  uint8_t scratch[10];
  switch (t) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil: return;
    case vaList: {
      TNesting nest(*this);
      while (!EndOfList()) SkipValue();
      ReadListEnd();
      return;
    }
    case vaInt8: return Read(scratch, 1);
    case vaInt16: return Read(scratch, 2);
    case vaInt32:
    case vaSingle: return Read(scratch, 4);
    case vaExtended: return Read(scratch, 10);
    case vaInt64:
    case vaCurrency:
    case vaDate: return Read(scratch, 8);
    case vaString:
    case vaIdent: {
      uint8_t len;
      Read(&len, 1);
      CheckLength(len);
      return SeekTo(Offset() + len);
    }
    case vaSet:
      for (;;) {
        uint8_t len;
        Read(&len, 1);
        if (len == 0) return;
        CheckLength(len);
        SeekTo(Offset() + len);
      }
    case vaBinary:
    case vaLString:
    case vaUTF8String:
    case vaWString: {
      const int64_t len = int64_t{ReadLength()} * (t == vaWString ? 2 : 1);
      CheckLength(len);
      return SeekTo(Offset() + len);
    }
    case vaCollection: {
      TNesting nest(*this);
      while (!EndOfList()) {
        bool hasOrder;
        int64_t order;
        ReadItemPrefix(hasOrder, order);
        TNesting item(*this);
        while (!EndOfList()) SkipProperty();
        ReadListEnd();
      }
      ReadListEnd();
      return;
    }
  }
}

void TReader::SkipProperty() {
  ReadShortString();
  SkipValue();
}

void TReader::SkipComponent(bool SkipHeader) {
  TNesting nest(*this);
  if (SkipHeader) {
    TFilerFlags flags;
    int32_t pos;
    ReadPrefix(flags, pos);
    ReadShortString();
    ReadShortString();
  }
  while (!EndOfList()) SkipProperty();
  ReadListEnd();
  while (!EndOfList()) SkipComponent(true);
  ReadListEnd();
}

bool TReader::Error(const std::string& Message) {
  bool handled = false;
  if (OnError) OnError(this, Message, handled);
  return handled;
}

// ---- reading components ------------------------------------------------------------------------

TComponent* TReader::ReadRootComponent(TComponent* Root) {
  ReadSignature();
  TFilerFlags flags;
  int32_t pos;
  componentOffset_ = Offset();
  ReadPrefix(flags, pos);
  const std::string className = ReadStr();
  componentClass_ = className;
  std::unique_ptr<TComponent> created;
  TComponent* result = Root;
  if (!result) {
    TClass cls = FindClass(className);
    if (!cls->InheritsFrom(TComponent::StaticClass())) throw EReadError("Class " + className + " is not a component");
    created = OwnedAs<TComponent>(cls->Create(nullptr));
    result = created.get();
  }
  std::string name = ReadStr();
  if (OnSetName) OnSetName(this, result, name);
  root_ = result;
  owner_ = result;
  loaded_.clear();
  fixups_.clear();
  try {
    if (!name.empty() && name != result->Name()) result->SetName(name);
    result->IncludeState(csLoading);
    result->IncludeState(csReading);
    loaded_.push_back(result);
    ReadData(result);
    result->ExcludeState(csReading);
    ResolveFixups();
    const std::vector<TComponent*> loaded = std::move(loaded_);
    loaded_.clear();
    for (TComponent* c : loaded) c->Loaded();
  } catch (...) {
    for (TComponent* c : loaded_) {
      c->ExcludeState(csReading);
      c->ExcludeState(csLoading);
    }
    loaded_.clear();
    fixups_.clear();
    throw;
  }
  return created.release();
}

void TReader::ReadProperties(TPersistent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
}

void TReader::ReadData(TComponent* Instance) {
  while (!EndOfList()) ReadProperty(Instance);
  ReadListEnd();
  TComponent* saved = parent_;
  parent_ = Instance;
  try {
    while (!EndOfList()) ReadComponent();
    ReadListEnd();
  } catch (...) {
    parent_ = saved;
    throw;
  }
  parent_ = saved;
}

TComponent* TReader::ReadComponent() {
  TNesting nest(*this);
  TFilerFlags flags;
  int32_t pos;
  componentOffset_ = Offset();
  ReadPrefix(flags, pos);
  const std::string className = ReadStr();
  componentClass_ = className;
  std::string name = ReadStr();
  TComponent* result = nullptr;
  std::unique_ptr<TComponent> created;  // held until it is read, then its owner's
  try {
    if (flags & ffInherited) {
      result = owner_ ? owner_->FindComponent(name) : nullptr;
      if (!result || !result->ClassType()->ClassNameIs(className))
        throw EReadError("Ancestor for '" + name + "' not found");
    } else {
      TClass cls = GetClass(className);
      if (!cls || !cls->InheritsFrom(TComponent::StaticClass())) throw EClassNotFound("Class " + className + " not found");
      created = OwnedAs<TComponent>(cls->Create(owner_));
      result = created.get();
      if (OnSetName) OnSetName(this, result, name);
      if (!name.empty()) result->SetName(name);
    }
  } catch (const EStreamCorrupt&) {
    throw;
  } catch (const Exception& e) {
    created.reset();
    if (!Error(e.Message())) throw;
    SkipComponent(false);
    return nullptr;
  }
  const size_t loadedMark = loaded_.size();
  result->IncludeState(csLoading);
  result->IncludeState(csReading);
  if (!(flags & ffInherited)) loaded_.push_back(result);
  try {
    if (parent_ && result->HasParent()) result->SetParentComponent(parent_);
    ReadData(result);
  } catch (...) {
    // The component and those read inside it leave the list of loaded components; the
    // ones still owned (not freed with it) are no longer loading.
    std::vector<TComponent*> dropped(loaded_.begin() + static_cast<std::ptrdiff_t>(loadedMark), loaded_.end());
    loaded_.resize(loadedMark);
    if (created) created.reset();
    else result->ExcludeState(csReading);
    if (owner_)
      for (int i = 0; i < owner_->ComponentCount(); ++i) {
        TComponent* c = owner_->Components(i);
        if (std::find(dropped.begin(), dropped.end(), c) != dropped.end()) {
          c->ExcludeState(csReading);
          c->ExcludeState(csLoading);
        }
      }
    throw;
  }
  result->ExcludeState(csReading);
  (void)created.release();  // read: from here on its owner frees it
  return result;
}

void TReader::ReadProperty(TPersistent* Instance) {
  propertyOffset_ = Offset();
  const std::string path = ReadShortString();
  propertyPath_ = path;
  const int64_t valueStart = Offset();
  try {
    TPersistent* target = Instance;
    size_t start = 0;
    size_t dot;
    while ((dot = path.find('.', start)) != std::string::npos) {
      const std::string part = path.substr(start, dot - start);
      const TPropInfo* p = GetPropInfo(target, part);
      TPersistent* next = p && p->Kind() == tkClass ? dynamic_cast<TPersistent*>(p->GetObj(target)) : nullptr;
      if (!next) PropertyError("Property " + path + " does not exist");
      target = next;
      start = dot + 1;
    }
    const std::string last = path.substr(start);
    if (const TPropInfo* p = last.empty() ? nullptr : GetPropInfo(target, last)) {
      ReadPropValue(target, p);
    } else {
      propName_ = last;
      propFound_ = false;
      CallDefineProperties(target, this);
      propName_.clear();
      if (!propFound_) PropertyError("Property " + path + " does not exist");
    }
  } catch (const EStreamCorrupt&) {
    propName_.clear();
    throw;
  } catch (const Exception& e) {
    propName_.clear();
    const std::string message = "Error reading " + path + ": " + e.Message();
    if (!Error(message)) throw EReadError(message);
    SeekTo(valueStart);
    SkipValue();
  }
}

void TReader::ReadPropValue(TPersistent* Instance, const TPropInfo* Prop) {
  switch (Prop->Kind()) {
    case tkInteger:
    case tkInt64: return SetOrdProp(Instance, Prop, ReadInt64());
    case tkChar: return SetOrdProp(Instance, Prop, static_cast<unsigned char>(ReadChar()));
    case tkWChar: return SetOrdProp(Instance, Prop, ReadWideChar());
    case tkEnumeration:
      if (Prop->PropType == BooleanTypeInfo()) return SetOrdProp(Instance, Prop, ReadBoolean() ? 1 : 0);
      return SetEnumProp(Instance, Prop, ReadIdent());
    case tkSet: {
      const TTypeInfo* comp = Prop->PropType->CompType();
      uint64_t bits = 0;
      for (const std::string& name : ReadSetNames()) {
        const int64_t v = GetEnumValue(comp, name);
        if (v < 0 || v >= 64) PropertyError("Invalid property element: " + name);
        bits |= uint64_t{1} << v;
      }
      return SetOrdProp(Instance, Prop, static_cast<int64_t>(bits));
    }
    case tkFloat: {
      double v = ReadFloat();
      if (Prop->PropType->FloatType == ftSingle) v = SingleRange(v);
      return SetFloatProp(Instance, Prop, v);
    }
    case tkLString: return SetStrProp(Instance, Prop, ReadString());
    case tkWString: return SetWideStrProp(Instance, Prop, ReadWideString());
    case tkClass: {
      const TValueType next = NextValue();
      if (next == vaCollection) {
        auto* collection = dynamic_cast<TCollection*>(GetObjectProp(Instance, Prop));
        if (!collection) PropertyError("Invalid property value");
        ReadValue();
        return ReadItems(collection);
      }
      if (IsComponentReference(Prop)) {
        if (next == vaNil) {
          ReadValue();
          return SetObjectProp(Instance, Prop, nullptr);
        }
        if (next != vaIdent) PropertyError("Invalid property value");
        // Resolved by name once the whole stream is read (it may name a later component).
        fixups_.push_back({Instance, Prop, ReadIdent()});
        return;
      }
      if (next == vaNil) {  // an owned value: there is nothing to clear
        ReadValue();
        return;
      }
      PropertyError("Invalid property value");
    }
    case tkMethod: {
      if (NextValue() == vaNil) {
        ReadValue();
        return SetMethodProp(Instance, Prop, TMethod{});
      }
      if (NextValue() != vaIdent) PropertyError("Invalid property value");
      const std::string method = ReadIdent();
      if (!root_) PropertyError("Method " + method + " not found");
      return SetMethodProp(Instance, Prop, MethodByName(root_, method));
    }
    default: PropertyError("Invalid property type: " + Prop->Name);
  }
}

void TReader::ReadCollection(TCollection* Collection) {
  CheckValue(vaCollection);
  ReadItems(Collection);
}

void TReader::ReadItems(TCollection* Collection) {
  TNesting nest(*this);
  Collection->BeginUpdate();
  try {
    Collection->Clear();
    while (!EndOfList()) {
      bool hasOrder;
      int64_t order;
      ReadItemPrefix(hasOrder, order);
      TCollectionItem* item = Collection->Add();
      TNesting inner(*this);
      while (!EndOfList()) ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    Collection->EndUpdate();
    throw;
  }
  Collection->EndUpdate();
}

void TReader::ResolveFixups() {
  const std::vector<TFixup> fixups = std::move(fixups_);
  fixups_.clear();
  for (const TFixup& f : fixups) {
    try {
      TComponent* target = FindNestedComponent(root_, f.Name);
      if (!target) throw EReadError("Unresolved reference to '" + f.Name + "'");
      SetObjectProp(f.Instance, f.Prop, target);  // refuses a component of the wrong class
    } catch (const Exception& e) {
      const std::string message = "Error reading " + f.Prop->Name + ": " + e.Message();
      if (!Error(message)) throw EReadError(message);
    }
  }
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
  if (propFound_ || !ReadData || !SameText(Name, propName_)) return;
  propFound_ = true;
  ReadData(*this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) {
  if (propFound_ || !ReadData || !SameText(Name, propName_)) return;
  propFound_ = true;
  const std::vector<uint8_t> bytes = ReadBinary();
  TMemoryStream data;
  data.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  data.SetPosition(0);
  ReadData(data);
}

// ---- TWriter ------------------------------------------------------------------------------------

TClass TWriter::StaticClass() {
  static const TClassInfo info = DefineClass<TWriter>().Build();
  return &info;
}

TWriter::TWriter(TStream* Stream, int BufSize) : stream_(Stream) {
  if (!Stream) throw EWriteError("No stream to write to");
  buffer_.resize(static_cast<size_t>(std::max(BufSize, 16)));
}

TWriter::~TWriter() {
  try {
    FlushBuffer();
  } catch (...) {
  }
}

int64_t TWriter::Position() const { return stream_->Position() + static_cast<int64_t>(bufPos_); }

void TWriter::FlushBuffer() {
  if (bufPos_ == 0) return;
  const size_t n = bufPos_;
  bufPos_ = 0;
  stream_->WriteBuffer(buffer_.data(), static_cast<int64_t>(n));
}

void TWriter::Put(const void* Data, size_t Count) {
  if (buffer_.size() - bufPos_ < Count) {
    FlushBuffer();
    if (Count >= buffer_.size()) {
      stream_->WriteBuffer(Data, static_cast<int64_t>(Count));
      return;
    }
  }
  std::memcpy(buffer_.data() + bufPos_, Data, Count);
  bufPos_ += Count;
}

void TWriter::Write(const void* Buffer, int64_t Count) {
  if (Count > 0) Put(Buffer, static_cast<size_t>(Count));
}

void TWriter::WriteValue(TValueType Value) { Put(&Value, 1); }

void TWriter::WriteSignature() { Put(FilerSignature, 4); }

void TWriter::WritePrefix(TFilerFlags Flags, int32_t AChildPos) {
  if (Flags == 0) return;
  const uint8_t b = static_cast<uint8_t>((Flags & 0x0F) | 0xF0);
  Put(&b, 1);
  if (Flags & ffChildPos) WriteInteger(AChildPos);
}

void TWriter::WriteObjectHeader(TFilerFlags Flags, int32_t AChildPos, const std::string& ClassName,
                                const std::string& Name) {
  if (Flags == 0 && ClassName.size() >= 0xF0) {
    const uint8_t none = 0xF0;
    Put(&none, 1);
  }
  WritePrefix(Flags, AChildPos);
  WriteStr(ClassName);
  WriteStr(Name);
}

namespace {
template <class T> void PutLE(TWriter& w, T v) {
  uint8_t b[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  w.Write(b, sizeof(T));
}
}  // namespace

void TWriter::WriteInteger(int64_t Value) {
  if (Value >= INT8_MIN && Value <= INT8_MAX) {
    WriteValue(vaInt8);
    PutLE(*this, static_cast<uint8_t>(Value));
  } else if (Value >= INT16_MIN && Value <= INT16_MAX) {
    WriteValue(vaInt16);
    PutLE(*this, static_cast<uint16_t>(Value));
  } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
    WriteValue(vaInt32);
    PutLE(*this, static_cast<uint32_t>(Value));
  } else {
    WriteValue(vaInt64);
    PutLE(*this, static_cast<uint64_t>(Value));
  }
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteChar(char Value) { WriteString(std::string(1, Value)); }

void TWriter::WriteWideChar(char16_t Value) { WriteWideString(std::u16string(1, Value)); }

void TWriter::WriteFloat(double Value) {
  uint8_t b[10];
  DoubleToExtended(Value, b);
  WriteValue(vaExtended);
  Put(b, 10);
}

void TWriter::WriteSingle(float Value) {
  WriteValue(vaSingle);
  Put(&Value, 4);
}

void TWriter::WriteCurrency(TCurrencyRaw Value) {
  WriteValue(vaCurrency);
  PutLE(*this, static_cast<uint64_t>(Value));
}

void TWriter::WriteDate(double Value) {
  WriteValue(vaDate);
  Put(&Value, 8);
}

void TWriter::WriteStr(const std::string& Value) {
  if (Value.size() > 255) throw EWriteError("Name too long for the stream: " + Value.substr(0, 32) + "...");
  const uint8_t len = static_cast<uint8_t>(Value.size());
  Put(&len, 1);
  Put(Value.data(), Value.size());
}

void TWriter::WriteString(const std::string& Value) {
  if (!IsAscii(Value)) {
    // Bytes the code page does not define stay 8-bit, so that they read back as they are.
    const std::u16string wide = CodePageToWide(Value, DefaultSystemCodePage);
    const std::string utf8 = WideToUtf8(wide);
    if (utf8 != Value && WideToCodePage(wide, DefaultSystemCodePage) == Value) {
      WriteValue(vaUTF8String);
      PutLE(*this, static_cast<uint32_t>(utf8.size()));
      Put(utf8.data(), utf8.size());
      return;
    }
  }
  if (Value.size() <= 255) {
    WriteValue(vaString);
    WriteStr(Value);
  } else {
    if (Value.size() > INT32_MAX) throw EWriteError("String too long for the stream");
    WriteValue(vaLString);
    PutLE(*this, static_cast<uint32_t>(Value.size()));
    Put(Value.data(), Value.size());
  }
}

void TWriter::WriteWideString(const std::u16string& Value) {
  bool ascii = true;
  for (char16_t c : Value) ascii = ascii && c < 0x80;
  if (ascii) return WriteString(std::string(Value.begin(), Value.end()));
  if (Value.size() > INT32_MAX / 4) throw EWriteError("String too long for the stream");
  if (IsWellFormedUtf16(Value)) {
    const std::string utf8 = WideToUtf8(Value);
    WriteValue(vaUTF8String);
    PutLE(*this, static_cast<uint32_t>(utf8.size()));
    Put(utf8.data(), utf8.size());
    return;
  }
  WriteValue(vaWString);
  PutLE(*this, static_cast<uint32_t>(Value.size()));
  for (char16_t c : Value) PutLE(*this, static_cast<uint16_t>(c));
}

void TWriter::WriteIdent(const std::string& Ident) {
  if (SameText(Ident, "False")) return WriteValue(vaFalse);
  if (SameText(Ident, "True")) return WriteValue(vaTrue);
  if (SameText(Ident, "nil")) return WriteValue(vaNil);
  if (SameText(Ident, "Null")) return WriteValue(vaNull);
  WriteValue(vaIdent);
  WriteStr(Ident);
}

void TWriter::WriteSetNames(const std::vector<std::string>& Names) {
  WriteValue(vaSet);
  for (const std::string& n : Names)
    if (!n.empty()) WriteStr(n);
  WriteStr(std::string());
}

void TWriter::WriteBinary(const void* Data, int64_t Count) {
  if (Count < 0 || Count > INT32_MAX) throw EWriteError("Binary value too large for the stream");
  WriteValue(vaBinary);
  PutLE(*this, static_cast<uint32_t>(Count));
  Write(Data, Count);
}

void TWriter::WriteCollection(const TCollection* Value) {
  if (++nesting_ > FilerMaxNesting) {
    --nesting_;
    throw EWriteError("Objects nest too deep to be written");
  }
  const std::string savedPath = std::move(propPath_);
  propPath_.clear();
  try {
    WriteValue(vaCollection);
    if (Value)
      for (int i = 0; i < Value->Count(); ++i) {
        WriteListBegin();  // the item marker
        WriteProperties(Value->Items(i));
        WriteListEnd();
      }
    WriteListEnd();
  } catch (...) {
    propPath_ = savedPath;
    --nesting_;
    throw;
  }
  propPath_ = savedPath;
  --nesting_;
}

void TWriter::WriteRootComponent(TComponent* Root) {
  root_ = Root;
  WriteSignature();
  WriteComponent(Root);
  FlushBuffer();
}

void TWriter::WriteComponent(TComponent* Component) {
  if (++nesting_ > FilerMaxNesting) {
    --nesting_;
    throw EWriteError("Objects nest too deep to be written");
  }
  Component->IncludeState(csWriting);
  try {
    WriteObjectHeader(0, 0, Component->ClassName(), Component->Name());
    WriteProperties(Component);
    WriteListEnd();
    Component->GetChildren([this](TComponent* Child) { WriteComponent(Child); }, root_);
    WriteListEnd();
  } catch (...) {
    Component->ExcludeState(csWriting);
    --nesting_;
    throw;
  }
  Component->ExcludeState(csWriting);
  --nesting_;
}

void TWriter::WriteProperties(const TPersistent* Instance) {
  for (const TPropInfo* p : GetPropInfos(Instance->ClassType())) WriteProperty(Instance, p);
  CallDefineProperties(const_cast<TPersistent*>(Instance), this);
}

std::string TWriter::ReferenceName(const TComponent* Component) const {
  if (Component->Name().empty()) return {};
  if (Component == root_ || Component->Owner() == root_ || !Component->Owner()) return Component->Name();
  if (Component->Owner()->Name().empty()) return {};
  return Component->Owner()->Name() + "." + Component->Name();
}

void TWriter::WritePropName(const std::string& Name) { WriteStr(propPath_ + Name); }

void TWriter::WriteProperty(const TPersistent* Instance, const TPropInfo* Prop) {
  if (!IsStoredProp(Instance, Prop)) return;
  const TTypeKind kind = Prop->Kind();
  if (kind == tkClass) {
    TObject* value = GetObjectProp(Instance, Prop);
    if (!value) return;
    const auto* part = dynamic_cast<const TComponent*>(value);
    if (IsComponentReference(Prop) && !(part && part->IsSubComponent() && part->Owner() == Instance)) {
      const std::string ref = ReferenceName(static_cast<const TComponent*>(value));
      if (ref.empty()) return;  // an unnamed component cannot be found again
      WritePropName(Prop->Name);
      WriteValue(vaIdent);
      WriteStr(ref);
    } else if (auto* collection = dynamic_cast<const TCollection*>(value)) {
      if (collection->Count() == 0) return;
      WritePropName(Prop->Name);
      WriteCollection(collection);
    } else if (auto* nested = dynamic_cast<const TPersistent*>(value)) {
      if (++nesting_ > FilerMaxNesting) {
        --nesting_;
        throw EWriteError("Objects nest too deep to be written");
      }
      const std::string saved = propPath_;
      propPath_ += Prop->Name + ".";
      try {
        WriteProperties(nested);
      } catch (...) {
        propPath_ = saved;
        --nesting_;
        throw;
      }
      propPath_ = saved;
      --nesting_;
    }
    return;
  }
  if (!Prop->Writable() || IsDefaultPropertyValue(Instance, Prop)) return;
  switch (kind) {
    case tkInteger:
    case tkInt64:
      WritePropName(Prop->Name);
      return WriteInteger(GetOrdProp(Instance, Prop));
    case tkChar:
      WritePropName(Prop->Name);
      return WriteChar(static_cast<char>(GetOrdProp(Instance, Prop)));
    case tkWChar:
      WritePropName(Prop->Name);
      return WriteWideChar(static_cast<char16_t>(GetOrdProp(Instance, Prop)));
    case tkEnumeration: {
      const int64_t v = GetOrdProp(Instance, Prop);
      if (Prop->PropType == BooleanTypeInfo()) {
        WritePropName(Prop->Name);
        return WriteBoolean(v != 0);
      }
      const std::string name = GetEnumName(Prop->PropType, v);
      if (name.empty()) return;  // a value without a name has no stream form
      WritePropName(Prop->Name);
      WriteValue(vaIdent);
      return WriteStr(name);
    }
    case tkSet: {
      const uint64_t bits = static_cast<uint64_t>(GetOrdProp(Instance, Prop));
      std::vector<std::string> names;
      for (int bit = 0; bit < 64; ++bit)
        if ((bits >> bit) & 1u) {
          std::string n = GetEnumName(Prop->PropType->CompType(), bit);
          if (!n.empty()) names.push_back(std::move(n));
        }
      WritePropName(Prop->Name);
      return WriteSetNames(names);
    }
    case tkFloat: {
      const double v = GetFloatProp(Instance, Prop);
      WritePropName(Prop->Name);
      // A single goes out as the extended type, as every float property does; a stream that
      // holds it as a single reads back too.
      if (Prop->PropType->FloatType == ftSingle) return WriteFloat(static_cast<float>(SingleRange(v)));
      return WriteFloat(v);
    }
    case tkLString:
      WritePropName(Prop->Name);
      return WriteString(GetStrProp(Instance, Prop));
    case tkWString:
      WritePropName(Prop->Name);
      return WriteWideString(GetWideStrProp(Instance, Prop));
    case tkMethod: {
      const TMethod m = GetMethodProp(Instance, Prop);
      if (!m.Assigned() || m.Name.empty()) return;  // only named methods can be bound again
      WritePropName(Prop->Name);
      WriteValue(vaIdent);
      return WriteStr(m.Name);
    }
    default: return;
  }
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  WritePropName(Name);
  WriteData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData, bool HasData) {
  if (!HasData || !WriteData) return;
  TMemoryStream data;
  WriteData(data);
  WritePropName(Name);
  WriteBinary(data.Memory(), data.Size());
}

}  // namespace rtl
