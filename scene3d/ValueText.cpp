#include "scene3d/ValueText.h"

#include <cmath>
#include <cstdint>

#include "platform/rtl/SysUtils.h"
#include "vg2d/core/TextForms.h"

namespace dx {

std::string dxFloatToText(float F) {
  // Whole numbers beyond 64 bits cannot go through an integer; they take the general format.
  constexpr float IntegerLimit = 9.2233720e18f;
  if (F == std::trunc(F) && std::fabs(F) < IntegerLimit) return rtl::IntToStr(static_cast<std::int64_t>(F));
  return rtl::FloatToStrF(F, rtl::ffGeneral, 6, 0);
}

float dxTextToFloat(const std::string& S) { return static_cast<float>(rtl::StrToFloat(S)); }

std::string dxPointToText(const TdxPoint3D& P) {
  return "(" + dxFloatToText(P.X) + "," + dxFloatToText(P.Y) + "," + dxFloatToText(P.Z) + ")";
}

TdxPoint3D dxTextToPoint(const std::string& S) {
  try {
    // "(1,2,3)" opens with an empty token (its parenthesis); "1,2,3" starts with X.
    std::string rest = S;
    std::string first = dxGetToken(rest, ",()");
    if (first.empty()) first = dxGetToken(rest, ",()");
    TdxPoint3D p;
    p.X = dxTextToFloat(first);
    p.Y = dxTextToFloat(dxGetToken(rest, ",()"));
    p.Z = dxTextToFloat(dxGetToken(rest, ",()"));
    return p;
  } catch (const rtl::EConvertError&) {
    return {};
  }
}

std::string dxColorToText(TdxColor C) { return "#" + rtl::IntToHex(static_cast<std::uint64_t>(C), 8); }

TdxColor dxTextToColor(const std::string& S) {
  std::string text = S;
  if (!text.empty() && text[0] == '#') text[0] = '$';
  std::int64_t value = 0;
  if (!rtl::TryStrToInt64(text, value)) return 0;
  if (value < INT32_MIN || value > UINT32_MAX) return 0;
  return static_cast<TdxColor>(value);
}

std::string dxGetToken(std::string& S, const std::string& Separators, const std::string& Stops) {
  return vg::GetToken(S, Separators, Stops);
}

std::string dxGetTokenAt(const std::string& S, int& Pos, const std::string& Separators, const std::string& Stops) {
  const auto in = [](const std::string& set, char c) { return set.find(c) != std::string::npos; };
  const int length = static_cast<int>(S.size());
  if (Pos < 1) Pos = 1;
  std::string token;
  while (Pos <= length && !in(Stops, S[Pos - 1]) && !in(Separators, S[Pos - 1])) token += S[Pos++ - 1];
  while (Pos <= length && in(Separators, S[Pos - 1])) ++Pos;
  return token;
}

}  // namespace dx
