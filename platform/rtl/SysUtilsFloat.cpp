// The class library's float routines: FloatToStrF, FormatFloat and StrToFloat, over one
// decimal rounding of a double.
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace rtl {

namespace {

// A float as decimal digits: value = 0.Digits x 10^Exponent. Digits has no trailing
// zeros and is empty for zero.
struct TFloatRec {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// The double's significant digits, correctly rounded to Count of them: Value = 0.Digits x
// 10^Exponent.
void SignificantDigits(double Value, int Count, std::string& Digits, int& Exponent) {
  char small[64];
  std::string large;
  char* buf = small;
  std::size_t size = sizeof small;
  if (static_cast<std::size_t>(Count) + 16 > size) {
    large.resize(static_cast<std::size_t>(Count) + 16);
    buf = large.data();
    size = large.size();
  }
  const auto res = std::to_chars(buf, buf + size, Value, std::chars_format::scientific, Count - 1);
  const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  const std::size_t e = text.find('e');
  // "d.ddd": the digits without the point.
  Digits.assign(text.data(), e);
  if (Digits.size() > 1 && Digits[1] == '.') Digits.erase(1, 1);
  int exp10 = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exp10);
  Exponent = exp10 + 1;
}

// The double's sign and its first 40 significant digits, correctly rounded, which decide every
// rounding of it (RoundDecimal); empty digits for zero.
TFloatRec ExactDecimal(double value) {
  TFloatRec r;
  r.Negative = std::signbit(value);
  value = std::fabs(value);
  if (value == 0) {
    r.Negative = false;
    return r;
  }
  SignificantDigits(value, 40, r.Digits, r.Exponent);
  return r;
}

// Rounds half away from zero to Precision significant digits and at most Decimals digits
// after the decimal point, from the double's ExactDecimal. The rounding is that of the double's
// exact value: 40 correctly rounded digits decide it, unless they stand at a midpoint of the
// digits kept ("5" and then zeros, or "4" and then nines), where the whole exact value is taken
// (a double has at most 767 significant digits). Rounding an already rounded value would round
// some values just below a midpoint up: the text would not name the decimal nearest to the
// double, nor read back as a double that writes the same text.
TFloatRec RoundDecimal(TFloatRec r, double value, int precision, int decimals) {
  if (r.Digits.empty()) return r;
  value = std::fabs(value);
  precision = std::clamp(precision, 1, 18);
  const auto kept = [&] { return std::min<long>(precision, static_cast<long>(r.Exponent) + decimals); };
  if (const long at = kept(); at >= 0 && at < static_cast<long>(r.Digits.size())) {
    const std::string_view rest = std::string_view(r.Digits).substr(static_cast<std::size_t>(at));
    if ((rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string_view::npos) ||
        (rest[0] == '4' && rest.find_first_not_of('9', 1) == std::string_view::npos))
      SignificantDigits(value, 770, r.Digits, r.Exponent);
  }
  const long keep = kept();
  if (keep < 0) {
    r.Digits.clear();
  } else if (keep < static_cast<long>(r.Digits.size())) {
    const bool up = r.Digits[static_cast<std::size_t>(keep)] >= '5';
    r.Digits.resize(static_cast<std::size_t>(keep));
    if (up) {
      std::size_t i = r.Digits.size();
      while (i > 0 && r.Digits[i - 1] == '9') r.Digits[--i] = '0';
      if (i == 0) {
        r.Digits.insert(r.Digits.begin(), '1');
        r.Exponent++;
      } else {
        r.Digits[i - 1]++;
      }
    }
  }
  while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
  if (r.Digits.empty()) {
    r.Negative = false;
    r.Exponent = 0;
  }
  return r;
}

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  return RoundDecimal(ExactDecimal(value), value, precision, decimals);
}

std::string ExponentText(int exp, bool plusSign, int minDigits) {
  std::string digits = std::to_string(exp < 0 ? -exp : exp);
  if (static_cast<int>(digits.size()) < minDigits) digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return std::string("E") + (exp < 0 ? "-" : (plusSign ? "+" : "")) + digits;
}

// Integer and fraction digits of a decimal record (fraction without padding).
void SplitDecimal(const TFloatRec& r, std::string& intPart, std::string& fracPart) {
  intPart.clear();
  fracPart.clear();
  if (r.Digits.empty()) return;
  if (r.Exponent <= 0) {
    fracPart.assign(static_cast<std::size_t>(-r.Exponent), '0');
    fracPart += r.Digits;
  } else if (static_cast<std::size_t>(r.Exponent) >= r.Digits.size()) {
    intPart = r.Digits;
    intPart.append(static_cast<std::size_t>(r.Exponent) - r.Digits.size(), '0');
  } else {
    intPart = r.Digits.substr(0, static_cast<std::size_t>(r.Exponent));
    fracPart = r.Digits.substr(static_cast<std::size_t>(r.Exponent));
  }
}

std::string GroupThousands(const std::string& intPart) {
  std::string out;
  for (std::size_t i = 0; i < intPart.size(); ++i) {
    if (i > 0 && (intPart.size() - i) % 3 == 0) out += ',';
    out += intPart[i];
  }
  return out;
}

std::string FormatGeneral(double value, int precision, int digits) {
  const TFloatRec r = FloatToDecimal(value, precision, 9999);
  if (r.Digits.empty()) return "0";
  std::string out = r.Negative ? "-" : "";
  if (r.Exponent > std::clamp(precision, 1, 18) || r.Exponent < -3) {
    out += r.Digits[0];
    if (r.Digits.size() > 1) out += "." + r.Digits.substr(1);
    return out + ExponentText(r.Exponent - 1, false, std::clamp(digits, 0, 4));
  }
  std::string intPart, fracPart;
  SplitDecimal(r, intPart, fracPart);
  out += intPart.empty() ? "0" : intPart;
  if (!fracPart.empty()) out += "." + fracPart;
  return out;
}

bool IsSpecial(double value, std::string& text) {
  if (std::isnan(value)) {
    text = "NAN";
    return true;
  }
  if (std::isinf(value)) {
    text = value < 0 ? "-INF" : "INF";
    return true;
  }
  return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Floats

std::string FloatToStr(double Value) { return FloatToStrF(Value, ffGeneral, 15, 0); }

std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits) {
  std::string special;
  if (IsSpecial(Value, special)) return special;
  Precision = std::clamp(Precision, 1, 18);
  switch (Format) {
    case ffGeneral:
      return FormatGeneral(Value, Precision, Digits);
    case ffExponent: {
      TFloatRec r = FloatToDecimal(Value, Precision, 9999);
      std::string mant = r.Digits;
      mant.resize(static_cast<std::size_t>(Precision), '0');
      std::string out = r.Negative ? "-" : "";
      out += mant[0];
      if (mant.size() > 1) out += "." + mant.substr(1);
      return out + ExponentText(r.Digits.empty() ? 0 : r.Exponent - 1, true, std::clamp(Digits, 0, 4));
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      Digits = std::clamp(Digits, 0, 18);
      // One conversion of the double serves both roundings.
      const TFloatRec exact = ExactDecimal(Value);
      if (RoundDecimal(exact, Value, Precision, 9999).Exponent > Precision) return FormatGeneral(Value, Precision, 0);
      TFloatRec r = RoundDecimal(exact, Value, Precision, Digits);
      std::string intPart, fracPart;
      SplitDecimal(r, intPart, fracPart);
      if (intPart.empty()) intPart = "0";
      if (Format != ffFixed) intPart = GroupThousands(intPart);
      fracPart.resize(static_cast<std::size_t>(Digits), '0');
      std::string number = intPart + (Digits > 0 ? "." + fracPart : "");
      if (Format == ffCurrency) return r.Negative ? "($" + number + ")" : "$" + number;
      return (r.Negative ? "-" : "") + number;
    }
  }
  return FormatGeneral(Value, Precision, Digits);
}

namespace {

struct TFloatSection {
  std::string_view Text;
  int IntPlaces = 0;        // '0' and '#' before the decimal point
  int FirstIntZero = -1;    // index of the first '0' among them
  int FracPlaces = 0;       // '0' and '#' after the decimal point
  int FracRequired = 0;     // places up to the last '0' after the point
  bool Thousands = false;
  bool Scientific = false;
};

// Calls fn(index, char, quoted) for each character of a section, quotes removed.
template <class Fn>
void ForEachFormatChar(std::string_view sec, Fn fn) {
  for (std::size_t i = 0; i < sec.size(); ++i) {
    const char c = sec[i];
    if (c == '"' || c == '\'') {
      std::size_t j = i + 1;
      while (j < sec.size() && sec[j] != c) fn(j, sec[j], true), ++j;
      i = j;
    } else {
      fn(i, c, false);
    }
  }
}

bool IsExponentAt(std::string_view sec, std::size_t i) {
  return (sec[i] == 'E' || sec[i] == 'e') && i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-');
}

TFloatSection AnalyseSection(std::string_view sec) {
  TFloatSection s;
  s.Text = sec;
  bool afterPoint = false, done = false;
  ForEachFormatChar(sec, [&](std::size_t i, char c, bool quoted) {
    if (quoted || done) return;
    if (IsExponentAt(sec, i)) {
      s.Scientific = true;
      done = true;
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      s.Thousands = true;
    } else if (c == '0' || c == '#') {
      if (afterPoint) {
        s.FracPlaces++;
        if (c == '0') s.FracRequired = s.FracPlaces;
      } else {
        if (c == '0' && s.FirstIntZero < 0) s.FirstIntZero = s.IntPlaces;
        s.IntPlaces++;
      }
    }
  });
  return s;
}

// Formats |value| with one section; reports whether the rounded value is zero.
std::string FormatSection(const TFloatSection& s, double value, bool& isZero) {
  std::string intDigits, fracDigits;
  int exp10 = 0;
  value = std::fabs(value);
  if (s.Scientific) {
    const int k = s.IntPlaces;
    TFloatRec r = FloatToDecimal(value, std::clamp(k + s.FracPlaces, 1, 18), 9999);
    isZero = r.Digits.empty();
    if (!isZero) {
      exp10 = r.Exponent - k;
      intDigits = r.Digits.substr(0, std::min<std::size_t>(static_cast<std::size_t>(k), r.Digits.size()));
      intDigits.resize(static_cast<std::size_t>(k), '0');
      if (r.Digits.size() > static_cast<std::size_t>(k)) fracDigits = r.Digits.substr(static_cast<std::size_t>(k));
    }
  } else {
    TFloatRec r = FloatToDecimal(value, 18, s.FracPlaces);
    isZero = r.Digits.empty();
    SplitDecimal(r, intDigits, fracDigits);
  }
  while (!fracDigits.empty() && fracDigits.back() == '0') fracDigits.pop_back();
  if (static_cast<int>(fracDigits.size()) < s.FracRequired) fracDigits.resize(static_cast<std::size_t>(s.FracRequired), '0');

  const int minInt = s.FirstIntZero < 0 ? 0 : s.IntPlaces - s.FirstIntZero;
  const bool group = s.Thousands && !s.Scientific;
  std::string out;
  int intIndex = 0, fracIndex = 0;
  bool afterPoint = false, done = false;
  const int nInt = static_cast<int>(intDigits.size());
  auto putIntDigit = [&](int fromRight) {  // digit at position fromRight (0 = units)
    if (fromRight < nInt)
      out += intDigits[static_cast<std::size_t>(nInt - 1 - fromRight)];
    else if (fromRight < minInt)
      out += '0';
    else
      return;
    if (group && fromRight > 0 && fromRight % 3 == 0) out += ',';
  };
  ForEachFormatChar(s.Text, [&](std::size_t i, char c, bool quoted) {
    if (done) return;
    if (quoted) {
      out += c;
      return;
    }
    if (IsExponentAt(s.Text, i)) {
      // The exponent: its sign and at least as many digits as '0's follow.
      int zeros = 0;
      std::size_t j = i + 2;
      while (j < s.Text.size() && s.Text[j] == '0') ++zeros, ++j;
      std::string e = std::to_string(exp10 < 0 ? -exp10 : exp10);
      if (static_cast<int>(e.size()) < zeros) e.insert(0, static_cast<std::size_t>(zeros) - e.size(), '0');
      out += c;
      if (exp10 < 0)
        out += '-';
      else if (s.Text[i + 1] == '+')
        out += '+';
      out += e;
      // Whatever follows the exponent digits is literal text.
      for (; j < s.Text.size(); ++j)
        if (s.Text[j] != '"' && s.Text[j] != '\'') out += s.Text[j];
      done = true;
      return;
    }
    if (c == '0' || c == '#') {
      if (afterPoint) {
        if (fracIndex < static_cast<int>(fracDigits.size())) out += fracDigits[static_cast<std::size_t>(fracIndex)];
        fracIndex++;
        return;
      }
      const int fromRight = s.IntPlaces - 1 - intIndex;
      if (intIndex == 0)  // digits beyond the placeholders go where the first one is
        for (int p = std::max(nInt, minInt) - 1; p > fromRight; --p) putIntDigit(p);
      putIntDigit(fromRight);
      intIndex++;
    } else if (c == '.') {
      if (!afterPoint && !fracDigits.empty()) out += '.';
      afterPoint = true;
    } else if (c == ',') {
      // only switches the thousands separator on
    } else {
      out += c;
    }
  });
  return out;
}

// Splits a format into up to three sections at ';' outside quotes.
std::vector<std::string_view> SplitSections(std::string_view fmt) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < fmt.size(); ++i) {
    const char c = fmt[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';' && out.size() < 2) {
      out.push_back(fmt.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(fmt.substr(start));
  return out;
}

}  // namespace

std::string FormatFloat(const std::string& Format, double Value) {
  std::string special;
  if (IsSpecial(Value, special)) return special;
  if (Format.empty()) return FloatToStr(Value);
  const auto sections = SplitSections(Format);
  bool isZero = false;
  const TFloatSection first = AnalyseSection(sections[0]);
  std::string text = FormatSection(first, Value, isZero);
  if (isZero) {
    if (sections.size() >= 3 && !sections[2].empty()) return FormatSection(AnalyseSection(sections[2]), 0.0, isZero);
    return text;
  }
  if (Value < 0) {
    if (sections.size() >= 2 && !sections[1].empty()) return FormatSection(AnalyseSection(sections[1]), Value, isZero);
    return "-" + text;
  }
  return text;
}

bool TryStrToFloat(const std::string& S, double& Value) {
  std::size_t b = 0, e = S.size();
  while (b < e && S[b] == ' ') ++b;
  while (e > b && S[e - 1] == ' ') --e;
  std::string_view s(S.data() + b, e - b);
  // Check the shape first: [sign] digits [. digits] [E [sign] digits].
  std::size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  const std::size_t numStart = i;
  int intDigits = 0, fracDigits = 0, leadingFracZeros = -1, significantInt = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (s[i] != '0' || significantInt > 0) ++significantInt;
    ++i, ++intDigits;
  }
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (s[i] != '0' && leadingFracZeros < 0) leadingFracZeros = fracDigits;
      ++i, ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return false;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool eneg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    if (i >= s.size()) return false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
      ++i;
    }
    if (eneg) exponent = -exponent;
  }
  if (i != s.size()) return false;
  double v = 0;
  auto res = std::from_chars(s.data() + numStart, s.data() + s.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too small for a double is zero; too large is not a valid value.
    const long magnitude = significantInt > 0 ? significantInt + exponent : exponent - leadingFracZeros;
    const bool tiny = magnitude < 0;
    if (!tiny) return false;
    v = 0;
  } else if (res.ec != std::errc() || res.ptr != s.data() + s.size()) {
    return false;
  }
  Value = neg ? -v : v;
  return true;
}

double StrToFloat(const std::string& S) {
  double v;
  if (!TryStrToFloat(S, v)) throw EConvertError("'" + S + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const std::string& S, double Default) {
  double v;
  return TryStrToFloat(S, v) ? v : Default;
}

}  // namespace rtl
