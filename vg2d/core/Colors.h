// The 32-bit ARGB colour of the 2D library: pixel operations, HSL, interpolation, the
// "#AARRGGBB" text form and the table of colour keywords.
#pragma once

#include <cstdint>
#include <string>

namespace vg {

// Alpha in bits 24-31, red 16-23, green 8-15, blue 0-7 (bytes B, G, R, A in memory).
// Straight (not premultiplied) unless a function says otherwise.
using TvxColor = uint32_t;

constexpr uint8_t AlphaOf(TvxColor C) { return static_cast<uint8_t>(C >> 24); }
constexpr uint8_t RedOf(TvxColor C) { return static_cast<uint8_t>(C >> 16); }
constexpr uint8_t GreenOf(TvxColor C) { return static_cast<uint8_t>(C >> 8); }
constexpr uint8_t BlueOf(TvxColor C) { return static_cast<uint8_t>(C); }

TvxColor MakeColor(uint8_t R, uint8_t G, uint8_t B, uint8_t A = 255);
TvxColor PremultiplyAlpha(TvxColor C);
// The inverse of PremultiplyAlpha; a channel larger than its alpha gives 255.
TvxColor UnpremultiplyAlpha(TvxColor C);
TvxColor ApplyOpacity(TvxColor C, float Opacity);
// Per channel Start + Trunc((Stop - Start) x T), cut into 0..255: an easing that
// overshoots 0..1 saturates the channel instead of wrapping it.
TvxColor InterpolateColor(TvxColor Start, TvxColor Stop, float T);

// HSL components are 0..1.
void RGBToHSL(TvxColor C, float& H, float& S, float& L);
TvxColor HSLToRGB(float H, float S, float L);
TvxColor ChangeHSL(TvxColor C, float dH, float dS, float dL);

// "#" and the eight upper-case hexadecimal digits, alpha first ("#FF2B2B2B").
std::string ColorToString(TvxColor C);
// "#" and hexadecimal digits, a colour keyword (any letter case) or an integer
// (decimal, or hexadecimal after "$"). Never raises: an unreadable text gives 0.
TvxColor StringToColor(const std::string& Text);

// The 147 colour keywords of SVG 1.1 in alphabetical order, names with an upper-case
// first letter ("Aliceblue"), values as colour text ("#FFF0F8FF").
struct TvxColorName {
  const char* Name;
  const char* Value;
};
constexpr int ColorNameCount = 147;
extern const TvxColorName ColorNames[ColorNameCount];

}  // namespace vg
