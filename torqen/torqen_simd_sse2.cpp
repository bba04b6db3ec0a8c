#include <emmintrin.h>

#include "torqen/torqen_simd_priv.h"

namespace {

__m128i load(const int16_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
__m128i loadHalf(const int16_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

// Tap pairs (past x hl + future x hr) of interleaved lanes, each shifted as the scalar kernel does.
__m128i pairs(__m128i samples, __m128i coefs) {
  return _mm_srai_epi32(_mm_madd_epi16(samples, coefs), 8);
}

// Eight taps a pass, then four: the right wing is read upwards and reversed, then each sample is
// paired with its partner of the other wing and each coefficient with its partner. `f` is the
// lowest frame of the right wing's next eight.
inline void mono(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                 int32_t* sum) {
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 7;
  __m128i acc = _mm_setzero_si128();
  for (; hl + 8 <= hl_end; hl += 8, hr += 8, past += 8, f -= 8) {
    const __m128i p = load(past);
    __m128i r = _mm_shuffle_epi32(load(f), _MM_SHUFFLE(0, 1, 2, 3));
    r = _mm_shufflehi_epi16(_mm_shufflelo_epi16(r, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1));
    const __m128i cl = load(hl);
    const __m128i cr = load(hr);
    acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(p, r), _mm_unpacklo_epi16(cl, cr)));
    acc = _mm_add_epi32(acc, pairs(_mm_unpackhi_epi16(p, r), _mm_unpackhi_epi16(cl, cr)));
  }
  if (hl < hl_end) {
    const __m128i r = _mm_shufflelo_epi16(loadHalf(f + 4), _MM_SHUFFLE(0, 1, 2, 3));
    const __m128i c = _mm_unpacklo_epi16(loadHalf(hl), loadHalf(hr));
    acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(loadHalf(past), r), c));
  }
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(2, 3, 0, 1)));
  sum[0] = _mm_cvtsi128_si32(acc);
}

// Four frames a pass; each frame (left, right) moves as one 32-bit unit, and each coefficient
// pair serves both channels. `f` is the lowest frame of the right wing's next four.
inline void stereo(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr,
                   uint32_t width, int32_t* sum) {
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 6;
  __m128i acc0 = _mm_setzero_si128();
  __m128i acc1 = _mm_setzero_si128();
  for (; hl < hl_end; hl += 4, hr += 4, past += 8, f -= 8) {
    const __m128i p = load(past);
    const __m128i r = _mm_shuffle_epi32(load(f), _MM_SHUFFLE(0, 1, 2, 3));
    const __m128i c = _mm_unpacklo_epi16(loadHalf(hl), loadHalf(hr));
    acc0 = _mm_add_epi32(acc0, pairs(_mm_unpacklo_epi16(p, r), _mm_unpacklo_epi32(c, c)));
    acc1 = _mm_add_epi32(acc1, pairs(_mm_unpackhi_epi16(p, r), _mm_unpackhi_epi32(c, c)));
  }
  __m128i acc = _mm_add_epi32(acc0, acc1);
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
  sum[0] = _mm_cvtsi128_si32(acc);
  sum[1] = _mm_cvtsi128_si32(_mm_srli_si128(acc, 4));
}

// 16-bit samples only: without a signed 32 x 32-bit multiply, 32-bit samples stay scalar.
struct Dot {
  static constexpr bool kArranges = false;
  static constexpr bool kScalesStereo = false;
  static void scaleStereo(const int32_t*, int32_t, int16_t*) {}
  static int32_t sumOf(int16_t);
  template <uint32_t Channels>
  static void sum(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                  int32_t* out) {
    if (Channels == 2) {
      stereo(past, future_last, hl, hr, width, out);
    } else {
      mono(past, future_last, hl, hr, width, out);
    }
  }
};

}  // namespace

namespace torqen {
const VariantRuns kSse2Runs{tableRuns<Dot, int16_t>(), {nullptr, nullptr, nullptr}};
}  // namespace torqen
