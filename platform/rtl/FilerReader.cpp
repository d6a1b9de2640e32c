// The filer's reader: its buffer over the stream, the values of the stream format, and the
// skipping of values, properties and components.
#include "platform/rtl/Filer.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Filer_Internal.h"
#include "platform/rtl/Streams.h"

namespace rtl {

namespace {

bool IsIdentStart(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(uint8_t c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }

}  // namespace

// ---- TReader ----------------------------------------------------------------------------------

TClass TReader::StaticClass() {
  static const TClassInfo info = DefineClass<TReader>().Build();
  return &info;
}

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

void TReader::Corrupt() { throw filer_internal::EStreamCorrupt("Invalid stream format"); }

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
  if (NextValue() != vaSingle) return static_cast<float>(filer_internal::SingleRange(ReadFloat()));
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

}  // namespace rtl
