// The class library's text routines: integers to and from text, Format, case, trimming,
// quoting and file names. Floats are in SysUtilsFloat.cpp.
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace rtl {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
char UpChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char LowChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = UpChar(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads an integer the way the class library's Val does. Hexadecimal texts may use the
// whole unsigned range of the type (StrToInt("$FFFFFFFF") is -1); decimal texts must
// fit the signed range.
bool ParseInteger(std::string_view s, int bits, std::int64_t& out) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  const std::uint64_t umax = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  std::uint64_t v = 0;
  for (; i < s.size(); ++i) {
    const int d = hex ? HexValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return false;
    const unsigned base = hex ? 16 : 10;
    if (v > (umax - static_cast<unsigned>(d)) / base) return false;
    v = v * base + static_cast<unsigned>(d);
  }
  if (hex) {
    if (bits == 32) v = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(v)));
    const std::uint64_t r = neg ? 0 - v : v;
    out = static_cast<std::int64_t>(r);
    return true;
  }
  const std::uint64_t smax = bits == 32 ? 0x7FFFFFFFull : 0x7FFFFFFFFFFFFFFFull;
  if (v > smax + (neg ? 1 : 0)) return false;
  out = neg ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  return true;
}

[[noreturn]] void RaiseIntError(const std::string& s) {
  throw EConvertError("'" + s + "' is not a valid integer value");
}

}  // namespace

// ---------------------------------------------------------------------------
// Integers

std::string IntToStr(std::int64_t Value) {
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, Value);
  return std::string(buf, res.ptr);
}

std::string IntToHex(std::uint64_t Value, int Digits) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  do {
    out.insert(out.begin(), hex[Value & 15]);
    Value >>= 4;
  } while (Value);
  if (static_cast<int>(out.size()) < Digits) out.insert(0, static_cast<std::size_t>(std::min(Digits, 32)) - out.size(), '0');
  return out;
}

bool TryStrToInt64(const std::string& S, std::int64_t& Value) { return ParseInteger(S, 64, Value); }

bool TryStrToInt(const std::string& S, int& Value) {
  std::int64_t v;
  if (!ParseInteger(S, 32, v)) return false;
  Value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& S) {
  int v;
  if (!TryStrToInt(S, v)) RaiseIntError(S);
  return v;
}

std::int64_t StrToInt64(const std::string& S) {
  std::int64_t v;
  if (!TryStrToInt64(S, v)) RaiseIntError(S);
  return v;
}

int StrToIntDef(const std::string& S, int Default) {
  int v;
  return TryStrToInt(S, v) ? v : Default;
}

std::int64_t StrToInt64Def(const std::string& S, std::int64_t Default) {
  std::int64_t v;
  return TryStrToInt64(S, v) ? v : Default;
}

// ---------------------------------------------------------------------------
// Format

std::string FormatBuf(std::string_view Fmt, std::span<const TVarRec> Args) {
  auto invalid = [&]() -> EConvertError {
    return EConvertError("Format '" + std::string(Fmt) + "' invalid or incompatible with argument");
  };
  std::string out;
  std::size_t argIndex = 0;
  auto nextArg = [&]() -> const TVarRec& {
    if (argIndex >= Args.size()) throw EConvertError("No argument for format '" + std::string(Fmt) + "'");
    return Args[argIndex++];
  };
  auto readNumber = [&](std::size_t& i, int& value) -> bool {  // digits or '*'
    if (i < Fmt.size() && Fmt[i] == '*') {
      const TVarRec& a = nextArg();
      if (a.VType != TVarRec::vtInteger) throw invalid();
      value = static_cast<int>(std::clamp<std::int64_t>(a.VInteger, -1000000, 1000000));
      ++i;
      return true;
    }
    if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return false;
    value = 0;
    while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
      if (value < 1000000) value = value * 10 + (Fmt[i] - '0');
      ++i;
    }
    return true;
  };

  for (std::size_t i = 0; i < Fmt.size(); ++i) {
    if (Fmt[i] != '%') {
      out += Fmt[i];
      continue;
    }
    if (++i >= Fmt.size()) throw invalid();
    if (Fmt[i] == '%') {
      out += '%';
      continue;
    }
    bool left = false;
    int width = -1, prec = -1, n = 0;
    if (readNumber(i, n)) {
      if (i < Fmt.size() && Fmt[i] == ':') {
        if (n < 0) throw invalid();
        argIndex = static_cast<std::size_t>(n);
        ++i;
        n = -1;
      } else {
        width = n;
      }
    } else {
      n = -1;
    }
    if (n < 0 && width < 0) {
      if (i < Fmt.size() && Fmt[i] == '-') left = true, ++i;
      readNumber(i, width);
    }
    if (i < Fmt.size() && Fmt[i] == '.') {
      ++i;
      if (!readNumber(i, prec)) throw invalid();
    }
    if (i >= Fmt.size()) throw invalid();
    const char type = LowChar(Fmt[i]);
    std::string text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        const TVarRec& a = nextArg();
        if (a.VType != TVarRec::vtInteger) throw invalid();
        bool neg = false;
        std::uint64_t mag;
        if (type == 'd') {
          neg = a.VInteger < 0;
          mag = neg ? 0 - static_cast<std::uint64_t>(a.VInteger) : static_cast<std::uint64_t>(a.VInteger);
        } else {
          mag = a.Is64 ? static_cast<std::uint64_t>(a.VInteger)
                       : static_cast<std::uint64_t>(static_cast<std::uint32_t>(a.VInteger));
        }
        if (type == 'x') {
          text = IntToHex(mag, 0);
        } else {
          char buf[24];
          text.assign(buf, std::to_chars(buf, buf + sizeof buf, mag).ptr);
        }
        if (prec > static_cast<int>(text.size())) text.insert(0, static_cast<std::size_t>(std::min(prec, 64)) - text.size(), '0');
        if (neg) text.insert(0, 1, '-');
        break;
      }
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        const TVarRec& a = nextArg();
        if (a.VType != TVarRec::vtFloat) throw invalid();
        switch (type) {
          case 'e': text = FloatToStrF(a.VFloat, ffExponent, prec < 0 ? 15 : prec, 3); break;
          case 'f': text = FloatToStrF(a.VFloat, ffFixed, 18, prec < 0 ? 2 : prec); break;
          case 'g': text = FloatToStrF(a.VFloat, ffGeneral, prec < 0 ? 15 : prec, 0); break;
          case 'n': text = FloatToStrF(a.VFloat, ffNumber, 18, prec < 0 ? 2 : prec); break;
          default: text = FloatToStrF(a.VFloat, ffCurrency, 18, prec < 0 ? 2 : prec); break;
        }
        break;
      }
      case 'p': {
        const TVarRec& a = nextArg();
        if (a.VType != TVarRec::vtPointer) throw invalid();
        text = IntToHex(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(a.VPointer)),
                        static_cast<int>(sizeof(void*) * 2));
        break;
      }
      case 's': {
        const TVarRec& a = nextArg();
        if (a.VType != TVarRec::vtString) throw invalid();
        text = a.VString;
        if (prec >= 0 && static_cast<std::size_t>(prec) < text.size()) text.resize(static_cast<std::size_t>(prec));
        break;
      }
      default:
        throw invalid();
    }
    if (width > static_cast<int>(text.size())) {
      const std::size_t pad = static_cast<std::size_t>(width) - text.size();
      if (left)
        text.append(pad, ' ');
      else
        text.insert(0, pad, ' ');
    }
    out += text;
  }
  return out;
}

// ---------------------------------------------------------------------------
// Texts

std::string UpperCase(std::string_view S) {
  std::string r(S);
  for (char& c : r) c = UpChar(c);
  return r;
}

std::string LowerCase(std::string_view S) {
  std::string r(S);
  for (char& c : r) c = LowChar(c);
  return r;
}

int CompareStr(std::string_view S1, std::string_view S2) {
  const std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(S1[i]) - static_cast<unsigned char>(S2[i]);
    if (d) return d;
  }
  return static_cast<int>(S1.size() > S2.size()) - static_cast<int>(S1.size() < S2.size());
}

int CompareText(std::string_view S1, std::string_view S2) {
  const std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = static_cast<unsigned char>(UpChar(S1[i])) - static_cast<unsigned char>(UpChar(S2[i]));
    if (d) return d;
  }
  return static_cast<int>(S1.size() > S2.size()) - static_cast<int>(S1.size() < S2.size());
}

bool SameStr(std::string_view S1, std::string_view S2) { return S1 == S2; }
bool SameText(std::string_view S1, std::string_view S2) { return S1.size() == S2.size() && CompareText(S1, S2) == 0; }

std::string Trim(std::string_view S) {
  std::size_t b = 0, e = S.size();
  while (e > 0 && IsBlank(S[e - 1])) --e;
  while (b < e && IsBlank(S[b])) ++b;
  return std::string(S.substr(b, e - b));
}

std::string TrimLeft(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && IsBlank(S[i])) ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  std::size_t n = S.size();
  while (n > 0 && IsBlank(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

std::string BoolToStr(bool B, bool UseBoolStrs) {
  if (UseBoolStrs) return B ? "True" : "False";
  return B ? "-1" : "0";
}

bool TryStrToBool(const std::string& S, bool& Value) {
  if (SameText(S, "True")) {
    Value = true;
    return true;
  }
  if (SameText(S, "False")) {
    Value = false;
    return true;
  }
  double d;
  if (TryStrToFloat(S, d)) {
    Value = d != 0;
    return true;
  }
  return false;
}

bool StrToBool(const std::string& S) {
  bool b;
  if (!TryStrToBool(S, b)) throw EConvertError("'" + S + "' is not a valid boolean value");
  return b;
}

std::string QuotedStr(std::string_view S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string r(1, Quote);
  for (char c : S) {
    r += c;
    if (c == Quote) r += c;
  }
  r += Quote;
  return r;
}

std::string AnsiExtractQuotedStr(std::string_view& Src, char Quote) {
  if (Src.empty() || Src[0] != Quote) return "";
  std::string r;
  std::size_t i = 1;
  while (i < Src.size()) {
    if (Src[i] == Quote) {
      if (i + 1 < Src.size() && Src[i + 1] == Quote) {
        r += Quote;
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      Src.remove_prefix(i);
      return r;
    }
    r += Src[i++];
  }
  Src.remove_prefix(Src.size());
  return r;
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags) {
  if (OldPattern.empty()) return std::string(S);
  const bool ignoreCase = Flags & rfIgnoreCase;
  const std::string hay = ignoreCase ? UpperCase(S) : std::string(S);
  const std::string needle = ignoreCase ? UpperCase(OldPattern) : std::string(OldPattern);
  std::string out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = hay.find(needle, pos);
    if (hit == std::string::npos) break;
    out.append(S.substr(pos, hit - pos));
    out.append(NewPattern);
    pos = hit + needle.size();
    if (!(Flags & rfReplaceAll)) break;
  }
  out.append(S.substr(pos));
  return out;
}

namespace {
std::size_t LastDelimiter(std::string_view name) {
  const std::size_t p = name.find_last_of("/\\");
  return p == std::string_view::npos ? 0 : p + 1;  // start of the file name
}
}  // namespace

std::string IncludeTrailingPathDelimiter(std::string_view S) {
  std::string r(S);
  if (r.empty() || (r.back() != '/' && r.back() != '\\')) r += PathDelim;
  return r;
}

std::string ExtractFileName(std::string_view FileName) { return std::string(FileName.substr(LastDelimiter(FileName))); }

std::string ExtractFilePath(std::string_view FileName) {
  return std::string(FileName.substr(0, LastDelimiter(FileName)));
}

std::string ExtractFileExt(std::string_view FileName) {
  const std::size_t start = LastDelimiter(FileName);
  const std::size_t dot = FileName.rfind('.');
  if (dot == std::string_view::npos || dot < start) return "";
  return std::string(FileName.substr(dot));
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  const std::size_t start = LastDelimiter(FileName);
  std::size_t dot = FileName.rfind('.');
  if (dot == std::string_view::npos || dot < start) dot = FileName.size();
  return std::string(FileName.substr(0, dot)) + std::string(Extension);
}

}  // namespace rtl
