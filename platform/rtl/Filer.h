// The component stream: its binary form ("TPF0", typed values), and the reader and
// writer that stream components through their published properties, defined properties,
// collections, component references (by name) and events (by method name).
//
// Binary form, little-endian:
//   stream   = "TPF0" object
//   object   = [prefix] shortstr(class) shortstr(name) {property} 0 {object} 0
//   prefix   = byte(flags | 0xF0) [integer value: child position, with ffChildPos]
//   property = shortstr(name or dotted path) value
//   value    = type byte (TValueType) and its data
// A collection item is [integer value: order] 0x01 {property} 0: the list marker keeps an
// order value apart from a first property name of two to four characters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

class TCollection;
class TComponent;
class TStream;

enum TValueType : uint8_t {
  vaNull,
  vaList,
  vaInt8,
  vaInt16,
  vaInt32,
  vaExtended,
  vaString,
  vaIdent,
  vaFalse,
  vaTrue,
  vaBinary,
  vaSet,
  vaLString,
  vaNil,
  vaCollection,
  vaSingle,
  vaCurrency,
  vaDate,
  vaWString,
  vaInt64,
  vaUTF8String
};
constexpr int vaLastValueType = vaUTF8String;

enum TFilerFlag : unsigned { ffInherited = 1, ffChildPos = 2, ffInline = 4 };
using TFilerFlags = unsigned;

// How deep objects, collections, lists and nested property objects may nest in a stream.
constexpr int FilerMaxNesting = 128;
// Component streams begin with these four bytes.
constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

// The 80-bit extended-precision form of a double (10 bytes: 64-bit mantissa with its
// integer bit, then sign and 15-bit exponent), and back with rounding to nearest even.
void DoubleToExtended(double Value, uint8_t (&Bytes)[10]);
double ExtendedToDouble(const uint8_t (&Bytes)[10]);

// Currency travels as a 64-bit integer: the value times 10000.
using TCurrencyRaw = int64_t;

// Finds a component that is not among the stream root's own (a reference "Other.Name" or
// a name outside the root). The 2D library installs one over its live objects.
using TFindGlobalComponent = std::function<TComponent*(const std::string& Name)>;
void SetFindGlobalComponent(TFindGlobalComponent Finder);

class TReader;
// Asked for every error while reading properties and components; setting Handled skips
// the property (or component) and reading goes on. Errors of the stream's structure
// (truncated or corrupt data) cannot be skipped.
using TReaderError = std::function<void(TReader* Reader, const std::string& Message, bool& Handled)>;
// Lets the owner of a reader change the name a component receives from the stream.
using TSetNameEvent = std::function<void(TReader* Reader, TComponent* Component, std::string& Name)>;

class TReader : public TFiler {
  RTL_CLASS(TReader, TFiler)
public:
  // Reads from Stream's position through a buffer of BufSize bytes. When the reader is
  // freed, the stream is left just after the last byte used.
  explicit TReader(TStream* Stream, int BufSize = 4096);
  ~TReader() override;

  // ---- values -------------------------------------------------------------------------
  void ReadSignature();  // EReadError "Invalid stream format" for anything but "TPF0"
  void ReadPrefix(TFilerFlags& Flags, int32_t& AChildPos);
  // The start of a collection item: an optional order value and the item marker (items
  // of streams without the marker are recognised too).
  void ReadItemPrefix(bool& HasOrder, int64_t& Order);
  // The next value's type (EReadError for a byte that is no type); NextValue peeks at it
  // without checking.
  TValueType ReadValue();
  TValueType NextValue();
  void CheckValue(TValueType Value);
  bool EndOfList();
  void ReadListBegin() { CheckValue(vaList); }
  void ReadListEnd() { CheckValue(vaNull); }
  int32_t ReadInteger();
  int64_t ReadInt64();
  bool ReadBoolean();
  char ReadChar();
  char16_t ReadWideChar();
  double ReadFloat();  // extended, single, date, currency or an integer
  float ReadSingle();
  TCurrencyRaw ReadCurrency();
  double ReadDate();
  std::string ReadStr();  // a short string without type byte
  // Any string value; 8-bit text is in the system code page.
  std::string ReadString();
  std::u16string ReadWideString();
  // An identifier; False, True, nil and Null values come back as those words.
  std::string ReadIdent();
  // A set value as its element names.
  std::vector<std::string> ReadSetNames();
  // A binary value's bytes.
  std::vector<uint8_t> ReadBinary();
  void SkipValue();
  // Raw bytes.
  void Read(void* Buffer, int64_t Count);

  // ---- components -----------------------------------------------------------------------
  // Reads a whole stream into Root (or, when Root is nil, into a new instance of the
  // stream's class, which must be registered). Children are created with Root as owner
  // and nested through SetParentComponent; references and events are resolved once
  // everything is read; then every component read gets Loaded.
  TComponent* ReadRootComponent(TComponent* Root);
  // Reads properties into an existing persistent object (for one-off value streams).
  void ReadProperties(TPersistent* Instance);
  void ReadCollection(TCollection* Collection);

  TComponent* Owner() const { return owner_; }
  void SetOwner(TComponent* Value) { owner_ = Value; }
  TComponent* Parent() const { return parent_; }
  void SetParent(TComponent* Value) { parent_ = Value; }
  void SetRoot(TComponent* Value) { root_ = Value; }

  TReaderError OnError;
  TSetNameEvent OnSetName;

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

  // Bytes of the stream not read yet.
  int64_t BytesLeft();

  // Where the reader got last, for a report of what it could not read: the stream offset
  // and class of the component it began last, and the offset and path of the property it
  // began last (-1 and empty before the first; the property's are those of that component
  // or of one read before it, as PropertyOffset > ComponentOffset tells).
  int64_t ComponentOffset() const { return componentOffset_; }
  const std::string& ComponentClass() const { return componentClass_; }
  int64_t PropertyOffset() const { return propertyOffset_; }
  const std::string& PropertyPath() const { return propertyPath_; }

protected:
  // Offers an error to OnError; true when it was handled.
  virtual bool Error(const std::string& Message);

private:
  struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    std::string Name;
  };
  class TNesting;

  TComponent* ReadComponent();
  void ReadData(TComponent* Instance);
  void ReadProperty(TPersistent* Instance);
  void ReadPropValue(TPersistent* Instance, const TPropInfo* Prop);
  void SkipProperty();
  void SkipComponent(bool SkipHeader);
  void ReadItems(TCollection* Collection);
  void ResolveFixups();
  std::string ReadShortString();
  uint32_t ReadLength();
  void CheckLength(int64_t Count);
  [[noreturn]] void Corrupt();
  [[noreturn]] void PropertyError(const std::string& Message);
  void Fill(size_t Need);
  int64_t Offset() const { return bufStart_ + static_cast<int64_t>(bufPos_); }
  void SeekTo(int64_t Offset);

  TStream* stream_;
  std::vector<uint8_t> buffer_;
  size_t bufPos_ = 0;
  size_t bufEnd_ = 0;
  int64_t bufStart_ = 0;    // stream offset of buffer_[0]
  int64_t streamSize_ = -1;  // size of the stream when reading began
  int nesting_ = 0;
  std::string propName_;  // the defined property being looked for
  bool propFound_ = false;
  TComponent* owner_ = nullptr;
  TComponent* parent_ = nullptr;
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
  int64_t componentOffset_ = -1;
  std::string componentClass_;
  int64_t propertyOffset_ = -1;
  std::string propertyPath_;
};

class TWriter : public TFiler {
  RTL_CLASS(TWriter, TFiler)
public:
  // Writes to Stream's position through a buffer of BufSize bytes; flushed when the
  // writer is freed (or by FlushBuffer).
  explicit TWriter(TStream* Stream, int BufSize = 4096);
  ~TWriter() override;
  void FlushBuffer();
  // The stream position the next byte written goes to.
  int64_t Position() const;

  // ---- values -------------------------------------------------------------------------
  void WriteSignature();
  void WritePrefix(TFilerFlags Flags, int32_t AChildPos);
  // The start of an object: its prefix, class name and name. A class name of 240 characters
  // or more begins with a length byte that reads as a prefix (0xF0 and up), so it always
  // comes after one, without flags when it has none.
  void WriteObjectHeader(TFilerFlags Flags, int32_t AChildPos, const std::string& ClassName, const std::string& Name);
  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // The smallest of the 8-, 16-, 32- and 64-bit forms.
  void WriteInteger(int64_t Value);
  void WriteBoolean(bool Value);
  void WriteChar(char Value);
  void WriteWideChar(char16_t Value);
  void WriteFloat(double Value);  // extended
  void WriteSingle(float Value);
  void WriteCurrency(TCurrencyRaw Value);
  void WriteDate(double Value);
  void WriteStr(const std::string& Value);  // a short string without type byte (<= 255)
  // 8-bit text (system code page): UTF-8 when that differs (and the code page defines
  // every byte), otherwise a string or, above 255 characters, a long string.
  void WriteString(const std::string& Value);
  // Wide text: as 8-bit text when it is plain ASCII, otherwise UTF-8; text with unpaired
  // surrogates (which UTF-8 cannot carry) as UTF-16.
  void WriteWideString(const std::u16string& Value);
  // An identifier; the words False, True, nil and Null become those values.
  void WriteIdent(const std::string& Ident);
  void WriteSetNames(const std::vector<std::string>& Names);
  void WriteBinary(const void* Data, int64_t Count);
  void WriteCollection(const TCollection* Value);
  void Write(const void* Buffer, int64_t Count);

  // ---- components -----------------------------------------------------------------------
  // Writes "TPF0" and Root with its stored properties and the children its GetChildren
  // hands out.
  void WriteRootComponent(TComponent* Root);
  void WriteComponent(TComponent* Component);
  // The stored, non-default published properties of Instance in declaration order, then
  // its defined properties; owned persistent values with dotted paths.
  void WriteProperties(const TPersistent* Instance);

  void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                      bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                            bool HasData) override;

private:
  void WriteProperty(const TPersistent* Instance, const TPropInfo* Prop);
  void WritePropName(const std::string& Name);
  std::string ReferenceName(const TComponent* Component) const;
  void Put(const void* Data, size_t Count);

  TStream* stream_;
  std::vector<uint8_t> buffer_;
  size_t bufPos_ = 0;
  std::string propPath_;
  int nesting_ = 0;
};

}  // namespace rtl
