// The filer's common parts: the global component finder and the 80-bit extended numbers of
// the stream format. The reader is in FilerReader.cpp and FilerReaderComponents.cpp, the
// writer in FilerWriter.cpp.
#include "platform/rtl/Filer.h"

#include <bit>
#include <cstring>
#include <utility>

#include "platform/rtl/Filer_Internal.h"

namespace rtl {

void SetFindGlobalComponent(TFindGlobalComponent Finder) { filer_internal::GlobalFinder() = std::move(Finder); }

// ---- 80-bit extended ------------------------------------------------------------------------

void DoubleToExtended(double Value, uint8_t (&Bytes)[10]) {
  uint64_t bits;
  std::memcpy(&bits, &Value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int expField = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t frac = bits & ((uint64_t{1} << 52) - 1);
  uint64_t mant = 0;
  int exp = 0;
  if (expField == 0x7FF) {  // infinity or NaN (the quiet bit and payload move along)
    exp = 0x7FFF;
    mant = (uint64_t{1} << 63) | (frac << 11);
  } else if (expField == 0) {
    if (frac != 0) {  // subnormal double: normal in extended
      const int top = 63 - std::countl_zero(frac);
      mant = frac << (63 - top);
      exp = top - 1074 + 16383;
    }
  } else {
    exp = expField - 1023 + 16383;
    mant = (uint64_t{1} << 63) | (frac << 11);
  }
  for (int i = 0; i < 8; ++i) Bytes[i] = static_cast<uint8_t>(mant >> (8 * i));
  const unsigned se = static_cast<unsigned>(exp) | (negative ? 0x8000u : 0u);
  Bytes[8] = static_cast<uint8_t>(se & 0xFF);
  Bytes[9] = static_cast<uint8_t>(se >> 8);
}

double ExtendedToDouble(const uint8_t (&Bytes)[10]) {
  uint64_t mant = 0;
  for (int i = 7; i >= 0; --i) mant = (mant << 8) | Bytes[i];
  const unsigned se = Bytes[8] | (static_cast<unsigned>(Bytes[9]) << 8);
  const uint64_t sign = static_cast<uint64_t>(se >> 15) << 63;
  const int exp = static_cast<int>(se & 0x7FFF);
  auto make = [](uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  };
  const uint64_t infinity = uint64_t{0x7FF} << 52;
  if (exp == 0x7FFF) {
    const uint64_t fraction = mant << 1;  // without the integer bit
    if (fraction == 0) return make(sign | infinity);
    uint64_t payload = fraction >> 12;
    if (payload == 0) payload = uint64_t{1} << 51;
    return make(sign | infinity | payload);
  }
  if (mant == 0) return make(sign);
  // value = mant * 2^(e - 16383 - 63); normalise so that bit 63 is set.
  int e = exp == 0 ? 1 : exp;
  const int lz = std::countl_zero(mant);
  mant <<= lz;
  e -= lz;
  int unbiased = e - 16383;  // value = 1.f * 2^unbiased
  if (unbiased > 1023) return make(sign | infinity);
  if (unbiased >= -1022) {
    uint64_t m = mant >> 11;
    const uint64_t rest = mant & 0x7FF;
    if (rest > 0x400 || (rest == 0x400 && (m & 1))) ++m;
    if (m == (uint64_t{1} << 53)) {
      m >>= 1;
      if (++unbiased > 1023) return make(sign | infinity);
    }
    return make(sign | (static_cast<uint64_t>(unbiased + 1023) << 52) | (m & ((uint64_t{1} << 52) - 1)));
  }
  // Subnormal result: k * 2^-1074 with k = mant >> shift, rounded to nearest even.
  const int shift = -(unbiased + 1011);
  if (shift > 64) return make(sign);
  uint64_t k, rest, half;
  if (shift == 64) {
    k = 0;
    rest = mant;
    half = uint64_t{1} << 63;
  } else {
    k = mant >> shift;
    rest = mant & ((uint64_t{1} << shift) - 1);
    half = uint64_t{1} << (shift - 1);
  }
  if (rest > half || (rest == half && (k & 1))) ++k;
  return make(sign | k);  // a carry into bit 52 gives the smallest normal, as it should
}

}  // namespace rtl
