#include "platform/rtl/ObjectText.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Filer_Internal.h"
#include "platform/rtl/Streams.h"

namespace rtl {

namespace {

constexpr int LineLength = 64;  // characters of a string, and hex digits of binary data, per line
constexpr const char* LineBreak = "\r\n";

// ---- binary to text ---------------------------------------------------------------------------

std::string CurrencyToText(TCurrencyRaw raw) {
  const bool negative = raw < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  uint64_t frac = magnitude % 10000;
  if (frac != 0) {
    std::string digits = std::to_string(frac);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text;
}

// The words the text reader takes for special floats (INF, NAN, with a type suffix).
bool IsSpecialFloatWord(const std::string& s) {
  std::string word = s;
  if (word.size() > 3 && (word.back() == 's' || word.back() == 'd')) word.pop_back();
  return word == "INF" || word == "NAN";
}

// The canonical spelling of the words that read back as values of their own (False, True,
// nil, Null), or empty for any other identifier.
const char* ValueWord(const std::string& s) {
  for (const char* word : {"False", "True", "nil", "Null"})
    if (SameText(s, word)) return word;
  return nullptr;
}

// Names in the text form are identifiers (property paths and references dotted ones);
// anything else in a binary stream would give text that cannot be read back.
bool IsTextName(const std::string& s, bool dotted) {
  bool start = true;
  for (char c : s) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (start ? !letter : !(letter || (c >= '0' && c <= '9') || (dotted && c == '.'))) return false;
    start = dotted && c == '.';
  }
  return !start;
}

class TBinaryToText {
public:
  TBinaryToText(TStream* input, TStream* output) : reader_(input, 4096), output_(output) {}

  void Run() {
    reader_.ReadSignature();
    ConvertObject();
    Flush();
  }

private:
  void Put(std::string_view s) {
    text_ += s;
    if (text_.size() >= 4096) Flush();
  }
  void Flush() {
    output_->WriteBuffer(text_.data(), static_cast<int64_t>(text_.size()));
    text_.clear();
  }
  void Indent() { text_.append(static_cast<size_t>(level_) * 2, ' '); }
  void NewLine() {
    Put(LineBreak);
    Indent();
  }
  void Enter() {
    if (++depth_ > FilerMaxNesting) throw EReadError("Stream nesting too deep");
  }
  static const std::string& Checked(const std::string& name, bool dotted) {
    if (!IsTextName(name, dotted)) throw EReadError("Invalid name in stream: " + name);
    return name;
  }

  void ConvertObject() {
    Enter();
    TFilerFlags flags;
    int32_t position;
    reader_.ReadPrefix(flags, position);
    const std::string className = Checked(reader_.ReadStr(), false);
    const std::string name = reader_.ReadStr();
    if (!name.empty()) Checked(name, false);
    Indent();
    Put(flags & ffInherited ? "inherited " : flags & ffInline ? "inline " : "object ");
    if (!name.empty()) {
      Put(name);
      Put(": ");
    }
    Put(className);
    if (flags & ffChildPos) Put(" [" + IntToStr(position) + "]");
    Put(LineBreak);
    ++level_;
    while (!reader_.EndOfList()) ConvertProperty();
    reader_.ReadListEnd();
    while (!reader_.EndOfList()) ConvertObject();
    reader_.ReadListEnd();
    --level_;
    Indent();
    Put("end");
    Put(LineBreak);
    --depth_;
  }

  void ConvertProperty() {
    Indent();
    Put(Checked(reader_.ReadStr(), true));
    Put(" = ");
    ConvertValue();
    Put(LineBreak);
  }

  void ConvertValue() {
    Enter();
    switch (reader_.NextValue()) {
      case vaList:
        reader_.ReadValue();
        Put("(");
        ++level_;
        while (!reader_.EndOfList()) {
          NewLine();
          ConvertValue();
        }
        reader_.ReadListEnd();
        --level_;
        Put(")");
        break;
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64: Put(IntToStr(reader_.ReadInt64())); break;
      case vaExtended: Put(ExtendedToText(reader_.ReadFloat())); break;
      // Nine digits tell every single apart and read back as the same one.
      case vaSingle: Put(FloatToStrF(reader_.ReadSingle(), ffGeneral, 9, 0) + "s"); break;
      case vaCurrency: Put(CurrencyToText(reader_.ReadCurrency()) + "c"); break;
      case vaDate: Put(FloatToStr(reader_.ReadDate()) + "d"); break;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String: PutString(reader_.ReadWideString()); break;
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull: {
        // An identifier spelt like a special float would read back as a number.
        const std::string ident = Checked(reader_.ReadIdent(), true);
        if (IsSpecialFloatWord(ident)) throw EReadError("Invalid name in stream: " + ident);
        const char* word = ValueWord(ident);
        Put(word ? word : ident);
        break;
      }
      case vaBinary: PutBinary(reader_.ReadBinary()); break;
      case vaSet: {
        Put("[");
        bool first = true;
        for (const std::string& n : reader_.ReadSetNames()) {
          if (!first) Put(", ");
          Put(Checked(n, false));
          first = false;
        }
        Put("]");
        break;
      }
      case vaCollection: ConvertCollection(); break;
      default: reader_.ReadValue();  // refuses a byte that is no value type
    }
    --depth_;
  }

  void ConvertCollection() {
    reader_.ReadValue();
    Put("<");
    ++level_;
    while (!reader_.EndOfList()) {
      NewLine();
      Put("item");
      bool hasOrder;
      int64_t order;
      reader_.ReadItemPrefix(hasOrder, order);
      if (hasOrder) Put(" [" + IntToStr(order) + "]");
      Put(LineBreak);
      ++level_;
      Enter();  // an item nests as deep as the text reader counts it
      while (!reader_.EndOfList()) ConvertProperty();
      reader_.ReadListEnd();
      --depth_;
      --level_;
      Indent();
      Put("end");
    }
    reader_.ReadListEnd();
    --level_;
    Put(">");
  }

  // Runs of printable ASCII in quotes, everything else as #code; longer texts start on a
  // new line and continue with " +" after every 64 characters.
  void PutString(const std::u16string& w) {
    const size_t length = w.size();
    if (length == 0) return Put("''");
    ++level_;
    if (length > static_cast<size_t>(LineLength)) NewLine();
    size_t i = 0, lineStart = 0;
    auto plain = [](char16_t c) { return c >= u' ' && c != u'\'' && c <= 127; };
    while (i < length) {
      bool lineBreak = false;
      if (plain(w[i])) {
        const size_t j = i;
        do ++i;
        while (i < length && plain(w[i]) && i - lineStart < static_cast<size_t>(LineLength));
        if (i - lineStart >= static_cast<size_t>(LineLength)) lineBreak = true;
        std::string run(w.begin() + static_cast<std::ptrdiff_t>(j), w.begin() + static_cast<std::ptrdiff_t>(i));
        Put("'");
        Put(run);
        Put("'");
      } else {
        Put("#" + std::to_string(static_cast<unsigned>(w[i])));
        ++i;
        if (i - lineStart >= static_cast<size_t>(LineLength)) lineBreak = true;
      }
      if (lineBreak && i < length) {
        Put(" +");
        NewLine();
        lineStart = i;
      }
    }
    --level_;
  }

  void PutBinary(const std::vector<uint8_t>& bytes) {
    static const char hex[] = "0123456789ABCDEF";
    Put("{");
    ++level_;
    const bool multiLine = bytes.size() >= static_cast<size_t>(LineLength / 2);
    for (size_t i = 0; i < bytes.size(); i += LineLength / 2) {
      if (multiLine) NewLine();
      std::string digits;
      for (size_t k = i; k < std::min(bytes.size(), i + LineLength / 2); ++k) {
        digits += hex[bytes[k] >> 4];
        digits += hex[bytes[k] & 15];
      }
      Put(digits);
    }
    --level_;
    Put("}");
  }

  TReader reader_;
  TStream* output_;
  std::string text_;
  int level_ = 0;
  int depth_ = 0;
};

// ---- text to binary ---------------------------------------------------------------------------

enum TTokenKind { tokEOF, tokSymbol, tokString, tokInteger, tokFloat, tokChar };

struct TToken {
  TTokenKind Kind = tokEOF;
  std::string Symbol;
  std::u16string String;
  int64_t Integer = 0;
  double Float = 0;
  char FloatType = 0;  // 0 extended, 's' single, 'c' currency, 'd' date
  std::string FloatText;
  char Char = 0;
  int Line = 1;
};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

class TTextToBinary {
public:
  TTextToBinary(std::string text, TStream* output, std::vector<TTextPlace>* places)
      : text_(std::move(text)), writer_(output, 4096), start_(output->Position()), places_(places) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
    Next();
  }

  void Run() {
    writer_.WriteSignature();
    ConvertObject();
    if (tok_.Kind != tokEOF) Error("End of text expected");
    writer_.FlushBuffer();
  }

private:
  [[noreturn]] void Error(const std::string& message) const {
    throw EParserError("Line " + std::to_string(tok_.Line) + ": " + message);
  }
  void Enter() {
    if (++depth_ > FilerMaxNesting) Error("Objects nest too deep");
  }

  bool IsChar(char c) const { return tok_.Kind == tokChar && tok_.Char == c; }
  // A keyword, unless it begins a property ("end = 1", "object.Name = 2"): a property may
  // be named like a keyword, and no keyword is ever followed by "=" or ".".
  bool IsKeyword(const char* word) {
    return tok_.Kind == tokSymbol && SameText(tok_.Symbol, word) && !PropertyFollows();
  }
  bool IsObjectKeyword() { return IsKeyword("object") || IsKeyword("inherited") || IsKeyword("inline"); }
  bool PropertyFollows() {
    const size_t pos = pos_;
    const int line = line_;
    const TToken tok = tok_;
    bool property = false;
    try {
      Next();
      property = IsChar('=') || IsChar('.');
    } catch (const EParserError&) {
    }
    pos_ = pos;
    line_ = line;
    tok_ = tok;
    return property;
  }
  void ExpectChar(char c) {
    if (!IsChar(c)) Error(std::string("'") + c + "' expected");
    Next();
  }
  // A name; the words of special floats (INF, NAN) are names where a name stands.
  std::string ExpectSymbol() {
    if (tok_.Kind != tokSymbol && !(tok_.Kind == tokFloat && IsLetter(tok_.Symbol[0]))) Error("Identifier expected");
    std::string s = tok_.Symbol;
    Next();
    return s;
  }
  int64_t ExpectInteger() {
    if (tok_.Kind != tokInteger) Error("Integer expected");
    const int64_t v = tok_.Integer;
    Next();
    return v;
  }

  // ---- tokens ----
  void Next() {
    SkipBlanks();
    tok_ = TToken{};
    tok_.Line = line_;
    if (pos_ >= text_.size()) return;
    const char c = text_[pos_];
    if (IsLetter(c) || (c == '-' && text_.compare(pos_, 4, "-INF") == 0)) {
      const size_t start = pos_;
      if (c == '-') ++pos_;
      while (pos_ < text_.size() && (IsLetter(text_[pos_]) || IsDigit(text_[pos_]))) ++pos_;
      tok_.Kind = tokSymbol;
      tok_.Symbol = text_.substr(start, pos_ - start);
      SpecialFloat();
    } else if (c == '\'' || c == '#') {
      tok_.Kind = tokString;
      tok_.String = ReadStringToken();
    } else if (c == '$') {
      ++pos_;
      uint64_t v = 0;
      size_t digits = 0;
      while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0) {
        if (++digits > 16) Error("Number too large");
        v = (v << 4) | static_cast<uint64_t>(HexValue(text_[pos_++]));
      }
      if (digits == 0) Error("Invalid number");
      tok_.Kind = tokInteger;
      tok_.Integer = static_cast<int64_t>(v);
    } else if (IsDigit(c) || (c == '-' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      ReadNumber();
    } else {
      tok_.Kind = tokChar;
      tok_.Char = c;
      ++pos_;
    }
  }

  // Infinities and NaN as the float conversions write them ("INF", "-INF", "NAN", with
  // the suffix of their type).
  void SpecialFloat() {
    std::string word = tok_.Symbol;
    char suffix = 0;
    if (word.size() > 3 && (word.back() == 's' || word.back() == 'd')) {
      suffix = word.back();
      word.pop_back();
    }
    double v;
    if (word == "INF") v = HUGE_VAL;
    else if (word == "-INF") v = -HUGE_VAL;
    else if (word == "NAN") v = std::nan("");
    else {
      if (word.front() == '-') Error("Invalid number");
      return;
    }
    tok_.Kind = tokFloat;
    tok_.Float = v;
    tok_.FloatType = suffix;
    tok_.FloatText = word;
  }

  std::u16string ReadStringToken() {
    std::u16string s;
    for (;;) {
      if (pos_ >= text_.size()) break;
      if (text_[pos_] == '\'') {
        ++pos_;
        std::string run;
        for (;;) {
          if (pos_ >= text_.size() || text_[pos_] == '\r' || text_[pos_] == '\n') Error("Unterminated string");
          if (text_[pos_] == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              run += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          run += text_[pos_++];
        }
        s += Utf8ToWide(run);  // hand-written text may carry UTF-8 between the quotes
      } else if (text_[pos_] == '#') {
        ++pos_;
        uint32_t code = 0;
        size_t digits = 0;
        if (pos_ < text_.size() && text_[pos_] == '$') {
          ++pos_;
          while (pos_ < text_.size() && HexValue(text_[pos_]) >= 0 && digits < 8) {
            code = code * 16 + static_cast<uint32_t>(HexValue(text_[pos_++]));
            ++digits;
          }
        } else {
          while (pos_ < text_.size() && IsDigit(text_[pos_]) && digits < 8) {
            code = code * 10 + static_cast<uint32_t>(text_[pos_++] - '0');
            ++digits;
          }
        }
        if (digits == 0 || code > 0xFFFF) Error("Invalid character code");
        s += static_cast<char16_t>(code);
      } else {
        break;
      }
    }
    return s;
  }

  void ReadNumber() {
    const size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    bool isFloat = false;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && IsDigit(text_[pos_ + 1])) {
      isFloat = true;
      ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'E' || text_[pos_] == 'e')) {
      size_t p = pos_ + 1;
      if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
      if (p < text_.size() && IsDigit(text_[p])) {
        isFloat = true;
        pos_ = p;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
      }
    }
    const std::string number = text_.substr(start, pos_ - start);
    char suffix = 0;
    if (pos_ < text_.size()) {
      const char s = static_cast<char>(text_[pos_] | 0x20);
      const bool alone = pos_ + 1 >= text_.size() || !(IsLetter(text_[pos_ + 1]) || IsDigit(text_[pos_ + 1]));
      if ((s == 's' || s == 'c' || s == 'd') && alone) {
        suffix = s;
        ++pos_;
      }
    }
    if (pos_ < text_.size() && (IsLetter(text_[pos_]) || IsDigit(text_[pos_]))) Error("Invalid number");
    if (!isFloat && !suffix) {
      int64_t v;
      if (!TryStrToInt64(number, v)) Error("Number too large: " + number);
      tok_.Kind = tokInteger;
      tok_.Integer = v;
      return;
    }
    double v;
    if (!TryStrToFloat(number, v)) Error("Invalid number: " + number);
    tok_.Kind = tokFloat;
    tok_.Float = v;
    tok_.FloatType = suffix;
    tok_.FloatText = number;
  }

  // Skips blanks in the raw text (inside "{...}").
  void SkipBlanks() {
    while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
      if (text_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }

  // ---- grammar ----
  void Place() {
    if (places_) places_->push_back({writer_.Position() - start_, tok_.Line});
  }

  void ConvertObject() {
    Enter();
    Place();
    TFilerFlags flags = 0;
    if (IsKeyword("inherited")) flags = ffInherited;
    else if (IsKeyword("inline")) flags = ffInline;
    else if (!IsKeyword("object")) Error("'object' expected");
    Next();
    std::string name, className;
    if (IsChar(':')) {
      Next();
      className = ExpectSymbol();
    } else {
      className = ExpectSymbol();
      if (IsChar(':')) {
        Next();
        name = std::move(className);
        className = ExpectSymbol();
      }
    }
    int64_t position = 0;
    if (IsChar('[')) {
      Next();
      position = ExpectInteger();
      if (position < INT32_MIN || position > INT32_MAX) Error("Invalid child position");
      ExpectChar(']');
      flags |= ffChildPos;
    }
    if (className.size() > 255 || name.size() > 255) Error("Name too long");
    writer_.WriteObjectHeader(flags, static_cast<int32_t>(position), className, name);
    while (!IsKeyword("end") && !IsObjectKeyword()) ConvertProperty();
    writer_.WriteListEnd();
    while (!IsKeyword("end")) ConvertObject();
    writer_.WriteListEnd();
    Next();
    --depth_;
  }

  void ConvertProperty() {
    if (tok_.Kind == tokEOF) Error("'end' expected");
    Place();
    std::string name = ExpectSymbol();
    while (IsChar('.')) {
      Next();
      name += "." + ExpectSymbol();
    }
    if (name.size() > 255) Error("Property name too long");
    ExpectChar('=');
    writer_.WriteStr(name);
    ConvertValue();
  }

  void ConvertValue(bool inList = false) {
    Enter();
    switch (tok_.Kind) {
      case tokInteger:
        writer_.WriteInteger(tok_.Integer);
        Next();
        break;
      case tokFloat: WriteFloat(); break;
      case tokString: {
        std::u16string s = tok_.String;
        Next();
        while (IsChar('+')) {
          Next();
          if (tok_.Kind != tokString) Error("String expected");
          s += tok_.String;
          Next();
        }
        writer_.WriteWideString(s);
        break;
      }
      case tokSymbol: {
        std::string ident = tok_.Symbol;
        Next();
        while (IsChar('.')) {  // a reference to a component of another root
          Next();
          ident += "." + ExpectSymbol();
        }
        if (ident.size() > 255) Error("Identifier too long");
        if (inList && SameText(ident, "Null")) {
          // The null value ends a list in the binary form: inside one, Null is kept as
          // the identifier, which reads back as the same word.
          writer_.WriteValue(vaIdent);
          writer_.WriteStr("Null");
        } else {
          writer_.WriteIdent(ident);
        }
        break;
      }
      case tokChar: ConvertSpecial(); break;
      case tokEOF: Error("Value expected");
    }
    --depth_;
  }

  void WriteFloat() {
    switch (tok_.FloatType) {
      case 's': {
        const double v = tok_.Float;
        if (std::isfinite(v) && std::fabs(v) >= filer_internal::SingleRoundingLimit)
          Error("Value out of range for a single: " + tok_.FloatText);
        writer_.WriteSingle(static_cast<float>(filer_internal::SingleRange(v)));
        break;
      }
      case 'c': writer_.WriteCurrency(CurrencyValue(tok_.FloatText)); break;
      case 'd': writer_.WriteDate(tok_.Float); break;
      default: writer_.WriteFloat(tok_.Float); break;
    }
    Next();
  }

  // Exact for plain decimals; anything with more than four decimals or an exponent goes
  // through a double.
  TCurrencyRaw CurrencyValue(const std::string& text) {
    const size_t dot = text.find('.');
    const bool exponent = text.find_first_of("eE") != std::string::npos;
    if (!exponent && (dot == std::string::npos || text.size() - dot - 1 <= 4)) {
      std::string digits = dot == std::string::npos ? text : text.substr(0, dot) + text.substr(dot + 1);
      const size_t decimals = dot == std::string::npos ? 0 : text.size() - dot - 1;
      digits.append(4 - decimals, '0');
      int64_t v;
      if (TryStrToInt64(digits, v)) return v;
    }
    const double r = std::nearbyint(tok_.Float * 10000.0);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) Error("Currency value out of range");
    return static_cast<int64_t>(r);
  }

  void ConvertSpecial() {
    switch (tok_.Char) {
      case '[': {
        Next();
        std::vector<std::string> names;
        if (!IsChar(']')) {
          for (;;) {
            names.push_back(ExpectSymbol());
            if (names.back().size() > 255) Error("Identifier too long");
            if (IsChar(']')) break;
            ExpectChar(',');
          }
        }
        Next();
        writer_.WriteSetNames(names);
        break;
      }
      case '(':
        Next();
        writer_.WriteListBegin();
        while (!IsChar(')')) ConvertValue(true);
        Next();
        writer_.WriteListEnd();
        break;
      case '{': ConvertBinary(); break;
      case '<': ConvertCollection(); break;
      default: Error(std::string("Invalid property value: '") + tok_.Char + "'");
    }
  }

  void ConvertBinary() {
    // The token after "{" has not been read: the digits are taken from the raw text.
    std::vector<uint8_t> bytes;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size()) Error("'}' expected");
      if (text_[pos_] == '}') {
        ++pos_;
        break;
      }
      const int hi = HexValue(text_[pos_]);
      const int lo = pos_ + 1 < text_.size() ? HexValue(text_[pos_ + 1]) : -1;
      if (hi < 0 || lo < 0) Error("Invalid binary value");
      bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
      pos_ += 2;
    }
    writer_.WriteBinary(bytes.data(), static_cast<int64_t>(bytes.size()));
    Next();
  }

  void ConvertCollection() {
    Next();
    writer_.WriteValue(vaCollection);
    while (!IsChar('>')) {
      if (!IsKeyword("item")) Error("'item' expected");
      Next();
      if (IsChar('[')) {
        Next();
        const int64_t order = ExpectInteger();
        // The binary form keeps an order in 8, 16 or 32 bits.
        if (order < INT32_MIN || order > INT32_MAX) Error("Invalid item order");
        writer_.WriteInteger(order);
        ExpectChar(']');
      }
      writer_.WriteListBegin();
      Enter();
      while (!IsKeyword("end")) ConvertProperty();
      --depth_;
      Next();
      writer_.WriteListEnd();
    }
    Next();
    writer_.WriteListEnd();
  }

  std::string text_;
  size_t pos_ = 0;
  int line_ = 1;
  TToken tok_;
  TWriter writer_;
  int64_t start_;
  std::vector<TTextPlace>* places_;
  int depth_ = 0;
};

}  // namespace

std::string ExtendedToText(double Value) {
  const std::string fixed = FloatToStrF(Value, ffFixed, 16, 18);
  if (!std::isfinite(Value) || Value == 0) return fixed;
  // Fixed notation would lose the value where it reads back as 0 (a value below 5E-19, none of
  // whose digits reach the 18th decimal) or not at all (the largest values, which rounding to
  // 16 digits carries past the largest double): there the exponent form keeps it, with a 17th
  // digit where 16 still overflow.
  const auto keeps = [](const std::string& Text) {
    double back = 0;
    return TryStrToFloat(Text, back) && back != 0 && std::isfinite(back);
  };
  if (keeps(fixed)) return fixed;
  const std::string exponent = FloatToStrF(Value, ffExponent, 16, 0);
  return keeps(exponent) ? exponent : FloatToStrF(Value, ffExponent, 17, 0);
}

void ObjectBinaryToText(TStream* Input, TStream* Output) {
  TBinaryToText converter(Input, Output);
  converter.Run();
}

void ObjectTextToBinary(TStream* Input, TStream* Output, std::vector<TTextPlace>* Places) {
  const int64_t size = Input->Size() - Input->Position();
  std::string text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  if (!text.empty()) Input->ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
  TTextToBinary converter(std::move(text), Output, Places);
  converter.Run();
}

int TextLineAt(const std::vector<TTextPlace>& Places, int64_t Offset) {
  const auto after = std::upper_bound(Places.begin(), Places.end(), Offset,
                                      [](int64_t o, const TTextPlace& p) { return o < p.Offset; });
  return after == Places.begin() ? 0 : std::prev(after)->Line;
}

}  // namespace rtl
