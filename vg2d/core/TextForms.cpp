#include "vg2d/core/TextForms.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "platform/rtl/SysUtils.h"

namespace vg {

namespace {

std::string FixedText(double F, int decimals) {
  char buf[400];  // enough for every double in fixed notation
  const auto res = std::to_chars(buf, buf + sizeof buf, F, std::chars_format::fixed, decimals);
  return std::string(buf, res.ptr);
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string FloatToStringDot(double F) {
  if (std::isnan(F)) return "NAN";
  if (std::isinf(F)) return F > 0 ? "INF" : "-INF";
  if (F == std::trunc(F)) return F == 0 ? "0" : FixedText(F, 0);
  return FixedText(F, 3);
}

float StringToFloatDot(const std::string& Text) {
  // The runtime's float syntax with "." as decimal separator; the process locale plays no part.
  return static_cast<float>(rtl::StrToFloat(Text));
}

std::string PointToString(const TvxPoint& P) {
  return "(" + FloatToStringDot(P.X) + "," + FloatToStringDot(P.Y) + ")";
}

std::string RectToString(const TvxRect& R) {
  return "(" + FloatToStringDot(R.Left) + "," + FloatToStringDot(R.Top) + "," + FloatToStringDot(R.Right) + "," +
         FloatToStringDot(R.Bottom) + ")";
}

TvxPoint StringToPoint(const std::string& Text) {
  try {
    std::string s = Text;
    GetToken(s, ",()");
    const float x = StringToFloatDot(GetToken(s, ",()"));
    const float y = StringToFloatDot(GetToken(s, ",()"));
    return {x, y};
  } catch (const rtl::EConvertError&) {
    return {};
  }
}

TvxRect StringToRect(const std::string& Text) {
  try {
    std::string s = Text;
    GetToken(s, ",()");
    TvxRect r;
    r.Left = StringToFloatDot(GetToken(s, ",()"));
    r.Top = StringToFloatDot(GetToken(s, ",()"));
    r.Right = StringToFloatDot(GetToken(s, ",()"));
    r.Bottom = StringToFloatDot(GetToken(s, ",()"));
    return r;
  } catch (const rtl::EConvertError&) {
    return {};
  }
}

bool ReadFloatsText(const std::string& Text, float* Values, int Count) {
  const std::string t = Trimmed(Text);
  if (Count <= 0 || t.size() < 2 || t.front() != '(' || t.back() != ')') return false;
  const std::string_view inner(t.data() + 1, t.size() - 2);
  std::vector<float> read;
  bool nonFinite = false;
  size_t start = 0;
  for (;;) {
    const size_t comma = inner.find(',', start);
    const std::string part = Trimmed(std::string(inner.substr(start, comma == std::string_view::npos ? inner.npos : comma - start)));
    double v = 0;
    if (part == "NAN" || part == "INF" || part == "-INF") {
      nonFinite = true;
      v = 0;
    } else if (!rtl::TryStrToFloat(part, v)) {
      return false;
    }
    read.push_back(static_cast<float>(v));
    if (static_cast<int>(read.size()) > Count) return false;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (static_cast<int>(read.size()) != Count) return false;
  for (int i = 0; i < Count; ++i) Values[i] = nonFinite ? 0.0f : read[static_cast<size_t>(i)];
  return true;
}

bool TryStringToPoint(const std::string& Text, TvxPoint& Point) {
  float v[2];
  if (!ReadFloatsText(Text, v, 2)) return false;
  Point = {v[0], v[1]};
  return true;
}

bool TryStringToRect(const std::string& Text, TvxRect& Rect) {
  float v[4];
  if (!ReadFloatsText(Text, v, 4)) return false;
  Rect = {v[0], v[1], v[2], v[3]};
  return true;
}

std::string GetToken(std::string& S, const std::string& Separators, const std::string& Stop) {
  std::string token;
  size_t i = 0;
  for (; i < S.size(); ++i) {
    const char c = S[i];
    if (Stop.find(c) != std::string::npos) break;
    if (Separators.find(c) != std::string::npos) {
      ++i;
      break;
    }
    token += c;
  }
  S = Trimmed(S.substr(i));
  return Trimmed(token);
}

std::u16string GetTokenW(int& Position, const std::u16string& Text, const std::u16string& Separators,
                         const std::u16string& Stop) {
  std::u16string token;
  const int length = static_cast<int>(Text.size());
  if (Position < 1) Position = 1;
  const auto in = [](const std::u16string& set, char16_t c) { return set.find(c) != std::u16string::npos; };
  while (Position <= length) {
    const char16_t c = Text[Position - 1];
    if (in(Stop, c) || in(Separators, c)) break;
    token += c;
    ++Position;
  }
  while (Position <= length && in(Separators, Text[Position - 1])) ++Position;
  return token;
}

}  // namespace vg
