#include "platform/gfx2d/Blend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gfx2d {

#if defined(__SSE2__)
namespace {

// Four pixels of Src over four of Dst, channel by channel in 16 bits: what BlendOver does for
// one, the same to the bit.
inline __m128i Over4(__m128i S, __m128i D) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c255 = _mm_set1_epi16(255), c128 = _mm_set1_epi16(128);
  auto half = [&](__m128i S16, __m128i D16) {
    // Each pixel's alpha in all four of its channels.
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(S16, 0xFF), 0xFF);
    __m128i x = _mm_add_epi16(_mm_mullo_epi16(D16, _mm_sub_epi16(c255, a)), c128);
    x = _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
    return _mm_add_epi16(S16, x);
  };
  const __m128i lo = half(_mm_unpacklo_epi8(S, zero), _mm_unpacklo_epi8(D, zero));
  const __m128i hi = half(_mm_unpackhi_epi8(S, zero), _mm_unpackhi_epi8(D, zero));
  // Packing holds every channel at 255.
  return _mm_packus_epi16(lo, hi);
}

}  // namespace
#endif

void BlendRowOver(uint32_t* Dst, const uint32_t* Src, size_t Count) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= Count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + i));
    // A source pixel without alpha leaves its destination as it is.
    const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), _mm_setzero_si128());
    const __m128i over = Over4(s, d);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i),
                     _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, over)));
  }
#endif
  for (; i < Count; ++i) {
    const uint32_t s = Src[i];
    const uint32_t a = s >> 24;
    if (a == 255) Dst[i] = s;
    else if (a != 0) Dst[i] = BlendOver(s, Dst[i]);
  }
}

void BlendRowOverColor(uint32_t* Dst, const uint32_t* Src, uint32_t Back, size_t Count) {
  const uint32_t back = Back | 0xFF000000u;
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i b = _mm_set1_epi32(static_cast<int>(back));
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= Count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + i), _mm_or_si128(Over4(s, b), opaque));
  }
#endif
  for (; i < Count; ++i) {
    const uint32_t s = Src[i];
    if (s >> 24 == 255) Dst[i] = s;
    else if (s == 0) Dst[i] = back;
    else Dst[i] = BlendOver(s, back) | 0xFF000000u;
  }
}

}  // namespace gfx2d
