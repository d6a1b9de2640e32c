// The filer's writer: the values of the stream format, components, their properties and
// collections, and the defined properties.
#include "platform/rtl/Filer.h"

#include <bit>
#include <cstring>
#include <memory>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Collections.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Filer_Internal.h"
#include "platform/rtl/Streams.h"

namespace rtl {

namespace {

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

template <class T> void PutLE(TWriter& w, T v) {
  uint8_t b[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  w.Write(b, sizeof(T));
}

}  // namespace

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
      if (Prop->PropType->FloatType == ftSingle) return WriteFloat(static_cast<float>(filer_internal::SingleRange(v)));
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
