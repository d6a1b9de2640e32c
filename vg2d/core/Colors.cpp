#include "vg2d/core/Colors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "vg2d/core/Geometry.h"

namespace vg {

const TvxColorName ColorNames[ColorNameCount] = {
    {"Aliceblue", "#FFF0F8FF"},
    {"Antiquewhite", "#FFFAEBD7"},
    {"Aqua", "#FF00FFFF"},
    {"Aquamarine", "#FF7FFFD4"},
    {"Azure", "#FFF0FFFF"},
    {"Beige", "#FFF5F5DC"},
    {"Bisque", "#FFFFE4C4"},
    {"Black", "#FF000000"},
    {"Blanchedalmond", "#FFFFEBCD"},
    {"Blue", "#FF0000FF"},
    {"Blueviolet", "#FF8A2BE2"},
    {"Brown", "#FFA52A2A"},
    {"Burlywood", "#FFDEB887"},
    {"Cadetblue", "#FF5F9EA0"},
    {"Chartreuse", "#FF7FFF00"},
    {"Chocolate", "#FFD2691E"},
    {"Coral", "#FFFF7F50"},
    {"Cornflowerblue", "#FF6495ED"},
    {"Cornsilk", "#FFFFF8DC"},
    {"Crimson", "#FFDC143C"},
    {"Cyan", "#FF00FFFF"},
    {"Darkblue", "#FF00008B"},
    {"Darkcyan", "#FF008B8B"},
    {"Darkgoldenrod", "#FFB8860B"},
    {"Darkgray", "#FFA9A9A9"},
    {"Darkgreen", "#FF006400"},
    {"Darkgrey", "#FFA9A9A9"},
    {"Darkkhaki", "#FFBDB76B"},
    {"Darkmagenta", "#FF8B008B"},
    {"Darkolivegreen", "#FF556B2F"},
    {"Darkorange", "#FFFF8C00"},
    {"Darkorchid", "#FF9932CC"},
    {"Darkred", "#FF8B0000"},
    {"Darksalmon", "#FFE9967A"},
    {"Darkseagreen", "#FF8FBC8F"},
    {"Darkslateblue", "#FF483D8B"},
    {"Darkslategray", "#FF2F4F4F"},
    {"Darkslategrey", "#FF2F4F4F"},
    {"Darkturquoise", "#FF00CED1"},
    {"Darkviolet", "#FF9400D3"},
    {"Deeppink", "#FFFF1493"},
    {"Deepskyblue", "#FF00BFFF"},
    {"Dimgray", "#FF696969"},
    {"Dimgrey", "#FF696969"},
    {"Dodgerblue", "#FF1E90FF"},
    {"Firebrick", "#FFB22222"},
    {"Floralwhite", "#FFFFFAF0"},
    {"Forestgreen", "#FF228B22"},
    {"Fuchsia", "#FFFF00FF"},
    {"Gainsboro", "#FFDCDCDC"},
    {"Ghostwhite", "#FFF8F8FF"},
    {"Gold", "#FFFFD700"},
    {"Goldenrod", "#FFDAA520"},
    {"Gray", "#FF808080"},
    {"Green", "#FF008000"},
    {"Greenyellow", "#FFADFF2F"},
    {"Grey", "#FF808080"},
    {"Honeydew", "#FFF0FFF0"},
    {"Hotpink", "#FFFF69B4"},
    {"Indianred", "#FFCD5C5C"},
    {"Indigo", "#FF4B0082"},
    {"Ivory", "#FFFFFFF0"},
    {"Khaki", "#FFF0E68C"},
    {"Lavender", "#FFE6E6FA"},
    {"Lavenderblush", "#FFFFF0F5"},
    {"Lawngreen", "#FF7CFC00"},
    {"Lemonchiffon", "#FFFFFACD"},
    {"Lightblue", "#FFADD8E6"},
    {"Lightcoral", "#FFF08080"},
    {"Lightcyan", "#FFE0FFFF"},
    {"Lightgoldenrodyellow", "#FFFAFAD2"},
    {"Lightgray", "#FFD3D3D3"},
    {"Lightgreen", "#FF90EE90"},
    {"Lightgrey", "#FFD3D3D3"},
    {"Lightpink", "#FFFFB6C1"},
    {"Lightsalmon", "#FFFFA07A"},
    {"Lightseagreen", "#FF20B2AA"},
    {"Lightskyblue", "#FF87CEFA"},
    {"Lightslategray", "#FF778899"},
    {"Lightslategrey", "#FF778899"},
    {"Lightsteelblue", "#FFB0C4DE"},
    {"Lightyellow", "#FFFFFFE0"},
    {"Lime", "#FF00FF00"},
    {"Limegreen", "#FF32CD32"},
    {"Linen", "#FFFAF0E6"},
    {"Magenta", "#FFFF00FF"},
    {"Maroon", "#FF800000"},
    {"Mediumaquamarine", "#FF66CDAA"},
    {"Mediumblue", "#FF0000CD"},
    {"Mediumorchid", "#FFBA55D3"},
    {"Mediumpurple", "#FF9370DB"},
    {"Mediumseagreen", "#FF3CB371"},
    {"Mediumslateblue", "#FF7B68EE"},
    {"Mediumspringgreen", "#FF00FA9A"},
    {"Mediumturquoise", "#FF48D1CC"},
    {"Mediumvioletred", "#FFC71585"},
    {"Midnightblue", "#FF191970"},
    {"Mintcream", "#FFF5FFFA"},
    {"Mistyrose", "#FFFFE4E1"},
    {"Moccasin", "#FFFFE4B5"},
    {"Navajowhite", "#FFFFDEAD"},
    {"Navy", "#FF000080"},
    {"Oldlace", "#FFFDF5E6"},
    {"Olive", "#FF808000"},
    {"Olivedrab", "#FF6B8E23"},
    {"Orange", "#FFFFA500"},
    {"Orangered", "#FFFF4500"},
    {"Orchid", "#FFDA70D6"},
    {"Palegoldenrod", "#FFEEE8AA"},
    {"Palegreen", "#FF98FB98"},
    {"Paleturquoise", "#FFAFEEEE"},
    {"Palevioletred", "#FFDB7093"},
    {"Papayawhip", "#FFFFEFD5"},
    {"Peachpuff", "#FFFFDAB9"},
    {"Peru", "#FFCD853F"},
    {"Pink", "#FFFFC0CB"},
    {"Plum", "#FFDDA0DD"},
    {"Powderblue", "#FFB0E0E6"},
    {"Purple", "#FF800080"},
    {"Red", "#FFFF0000"},
    {"Rosybrown", "#FFBC8F8F"},
    {"Royalblue", "#FF4169E1"},
    {"Saddlebrown", "#FF8B4513"},
    {"Salmon", "#FFFA8072"},
    {"Sandybrown", "#FFF4A460"},
    {"Seagreen", "#FF2E8B57"},
    {"Seashell", "#FFFFF5EE"},
    {"Sienna", "#FFA0522D"},
    {"Silver", "#FFC0C0C0"},
    {"Skyblue", "#FF87CEEB"},
    {"Slateblue", "#FF6A5ACD"},
    {"Slategray", "#FF708090"},
    {"Slategrey", "#FF708090"},
    {"Snow", "#FFFFFAFA"},
    {"Springgreen", "#FF00FF7F"},
    {"Steelblue", "#FF4682B4"},
    {"Tan", "#FFD2B48C"},
    {"Teal", "#FF008080"},
    {"Thistle", "#FFD8BFD8"},
    {"Tomato", "#FFFF6347"},
    {"Turquoise", "#FF40E0D0"},
    {"Violet", "#FFEE82EE"},
    {"Wheat", "#FFF5DEB3"},
    {"White", "#FFFFFFFF"},
    {"Whitesmoke", "#FFF5F5F5"},
    {"Yellow", "#FFFFFF00"},
    {"Yellowgreen", "#FF9ACD32"},
};

TvxColor MakeColor(uint8_t R, uint8_t G, uint8_t B, uint8_t A) {
  return (static_cast<TvxColor>(A) << 24) | (static_cast<TvxColor>(R) << 16) |
         (static_cast<TvxColor>(G) << 8) | B;
}

TvxColor PremultiplyAlpha(TvxColor C) {
  const uint8_t a = AlphaOf(C);
  if (a == 0) return 0;
  if (a == 255) return C;
  const double f = a / 255.0;
  return MakeColor(ClampByte(Trunc(RedOf(C) * f)), ClampByte(Trunc(GreenOf(C) * f)),
                   ClampByte(Trunc(BlueOf(C) * f)), a);
}

TvxColor UnpremultiplyAlpha(TvxColor C) {
  const uint8_t a = AlphaOf(C);
  if (a == 0) return 0;
  if (a == 255) return C;
  const double f = a / 255.0;
  return MakeColor(ClampByte(Trunc(RedOf(C) / f)), ClampByte(Trunc(GreenOf(C) / f)),
                   ClampByte(Trunc(BlueOf(C) / f)), a);
}

TvxColor ApplyOpacity(TvxColor C, float Opacity) {
  if (Opacity >= 1) return C;
  return (C & 0x00FFFFFFu) | (static_cast<TvxColor>(ClampByte(Trunc(AlphaOf(C) * Opacity))) << 24);
}

TvxColor InterpolateColor(TvxColor Start, TvxColor Stop, float T) {
  const auto channel = [T](uint8_t a, uint8_t b) {
    return ClampByte(a + Trunc((static_cast<int>(b) - static_cast<int>(a)) * T));
  };
  return MakeColor(channel(RedOf(Start), RedOf(Stop)), channel(GreenOf(Start), GreenOf(Stop)),
                   channel(BlueOf(Start), BlueOf(Stop)), channel(AlphaOf(Start), AlphaOf(Stop)));
}

// ---- HSL ------------------------------------------------------------------------------

void RGBToHSL(TvxColor C, float& H, float& S, float& L) {
  const float r = RedOf(C) / 255.0f, g = GreenOf(C) / 255.0f, b = BlueOf(C) / 255.0f;
  const float mx = std::max({r, g, b}), mn = std::min({r, g, b});
  L = (mx + mn) / 2;
  if (mx == mn) {
    H = 0;
    S = 0;
    return;
  }
  const float delta = mx - mn;
  S = L < 0.5f ? delta / (mx + mn) : delta / (2 - mx - mn);
  if (r == mx)
    H = (g - b) / delta;
  else if (g == mx)
    H = 2 + (b - r) / delta;
  else
    H = 4 + (r - g) / delta;
  H /= 6;
  if (H < 0) H += 1;
}

namespace {

float HueToValue(float m1, float m2, float h) {
  h -= std::floor(h);
  if (6 * h < 1) return m1 + (m2 - m1) * h * 6;
  if (2 * h < 1) return m2;
  if (3 * h < 2) return m1 + (m2 - m1) * (2.0f / 3 - h) * 6;
  return m1;
}

uint8_t UnitToByte(float v) { return ClampByte(Round(255.0 * v)); }

}  // namespace

TvxColor HSLToRGB(float H, float S, float L) {
  if (S == 0) {
    const uint8_t v = UnitToByte(L);
    return MakeColor(v, v, v, 255);
  }
  const float m2 = L <= 0.5f ? L * (1 + S) : L + S - L * S;
  const float m1 = 2 * L - m2;
  return MakeColor(UnitToByte(HueToValue(m1, m2, H + 1.0f / 3)), UnitToByte(HueToValue(m1, m2, H)),
                   UnitToByte(HueToValue(m1, m2, H - 1.0f / 3)), 255);
}

TvxColor ChangeHSL(TvxColor C, float dH, float dS, float dL) {
  float h, s, l;
  RGBToHSL(C, h, s, l);
  h = std::clamp(h + dH, 0.0f, 1.0f);
  s = std::clamp(s + dS, 0.0f, 1.0f);
  l = std::clamp(l + dL, 0.0f, 1.0f);
  return (HSLToRGB(h, s, l) & 0x00FFFFFFu) | (C & 0xFF000000u);
}

// ---- colour text ------------------------------------------------------------------------

std::string ColorToString(TvxColor C) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%08X", static_cast<unsigned>(C));
  return buf;
}

namespace {

// Hexadecimal digits only, the whole text, at most 32 bits.
bool ParseHex(std::string_view s, TvxColor& out) {
  if (s.empty()) return false;
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
  if (ec != std::errc() || end != s.data() + s.size() || v > 0xFFFFFFFFu) return false;
  out = static_cast<TvxColor>(v);
  return true;
}

// The runtime's integer syntax: leading blanks, an optional sign, then decimal digits or
// "$" and hexadecimal digits. A negative value gives its 32-bit two's complement.
bool ParseInteger(std::string_view s, TvxColor& out) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  uint64_t v = 0;
  if (!s.empty() && s.front() == '$') {
    TvxColor h;
    if (!ParseHex(s.substr(1), h)) return false;
    v = h;
  } else {
    if (s.empty() || s.front() < '0' || s.front() > '9') return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 10);
    if (ec != std::errc() || end != s.data() + s.size() || v > 0xFFFFFFFFu) return false;
  }
  if (negative && v > 0x80000000u) return false;
  out = static_cast<TvxColor>(negative ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v));
  return true;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

TvxColor StringToColor(const std::string& Text) {
  TvxColor result = 0;
  if (!Text.empty() && Text[0] == '#') return ParseHex(std::string_view(Text).substr(1), result) ? result : 0;
  for (const TvxColorName& entry : ColorNames)
    if (SameTextAscii(Text, entry.Name)) return StringToColor(entry.Value);
  return ParseInteger(Text, result) ? result : 0;
}

}  // namespace vg
