#include <immintrin.h>

#include "torqen/torqen_simd_priv.h"

namespace {

__m256i load8(const int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__m128i load4(const int16_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
__m128i load2(const int16_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

// Tap pairs (past x hl + future x hr) of interleaved lanes, each shifted as the scalar kernel does.
__m256i pairs(__m256i samples, __m256i coefs) {
  return _mm256_srai_epi32(_mm256_madd_epi16(samples, coefs), 8);
}
__m128i pairs(__m128i samples, __m128i coefs) {
  return _mm_srai_epi32(_mm_madd_epi16(samples, coefs), 8);
}

__m128i halves(__m256i v) {
  return _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

// Sixteen taps a pass while they last, then eight, then four. The right wing is read upwards and
// reversed; `f` is the lowest frame of its next sixteen.
inline void mono(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                 int32_t* sum) {
  const __m256i reverse = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11,
                                           8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 15;
  __m256i wide = _mm256_setzero_si256();
  for (; hl + 16 <= hl_end; hl += 16, hr += 16, past += 16, f -= 16) {
    const __m256i p = load8(past);
    __m256i r = _mm256_shuffle_epi8(load8(f), reverse);
    r = _mm256_permute2x128_si256(r, r, 0x01);
    const __m256i cl = load8(hl);
    const __m256i cr = load8(hr);
    wide = _mm256_add_epi32(wide, pairs(_mm256_unpacklo_epi16(p, r), _mm256_unpacklo_epi16(cl, cr)));
    wide = _mm256_add_epi32(wide, pairs(_mm256_unpackhi_epi16(p, r), _mm256_unpackhi_epi16(cl, cr)));
  }
  __m128i acc = halves(wide);
  f += 8;
  if (hl + 8 <= hl_end) {
    const __m128i p = load4(past);
    const __m128i r = _mm_shuffle_epi8(load4(f), _mm256_castsi256_si128(reverse));
    const __m128i cl = load4(hl);
    const __m128i cr = load4(hr);
    acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(p, r), _mm_unpacklo_epi16(cl, cr)));
    acc = _mm_add_epi32(acc, pairs(_mm_unpackhi_epi16(p, r), _mm_unpackhi_epi16(cl, cr)));
    hl += 8;
    hr += 8;
    past += 8;
    f -= 8;
  }
  if (hl < hl_end) {
    const __m128i r = _mm_shufflelo_epi16(load2(f + 4), _MM_SHUFFLE(0, 1, 2, 3));
    acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(load2(past), r), _mm_unpacklo_epi16(load2(hl), load2(hr))));
  }
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(2, 3, 0, 1)));
  sum[0] = _mm_cvtsi128_si32(acc);
}

// Eight frames a pass, then four; each frame (left, right) moves as one 32-bit unit, and each
// coefficient pair serves both channels. `f` is the lowest frame of the right wing's next eight.
inline void stereo(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr,
                   uint32_t width, int32_t* sum) {
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 14;
  __m256i acc0 = _mm256_setzero_si256();
  __m256i acc1 = _mm256_setzero_si256();
  for (; hl + 8 <= hl_end; hl += 8, hr += 8, past += 16, f -= 16) {
    const __m256i p = load8(past);
    const __m256i r = _mm256_permutevar8x32_epi32(load8(f), reverse);
    const __m128i cl = load4(hl);
    const __m128i cr = load4(hr);
    // Taps 0-3 in the low half and 4-7 in the high half, as the 128-bit lanes of the samples hold them.
    const __m256i c = _mm256_set_m128i(_mm_unpackhi_epi16(cl, cr), _mm_unpacklo_epi16(cl, cr));
    acc0 = _mm256_add_epi32(acc0, pairs(_mm256_unpacklo_epi16(p, r), _mm256_unpacklo_epi32(c, c)));
    acc1 = _mm256_add_epi32(acc1, pairs(_mm256_unpackhi_epi16(p, r), _mm256_unpackhi_epi32(c, c)));
  }
  __m128i acc = halves(_mm256_add_epi32(acc0, acc1));
  if (hl < hl_end) {
    const __m128i p = load4(past);
    const __m128i r = _mm_shuffle_epi32(load4(f + 8), _MM_SHUFFLE(0, 1, 2, 3));
    const __m128i c = _mm_unpacklo_epi16(load2(hl), load2(hr));
    acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(p, r), _mm_unpacklo_epi32(c, c)));
    acc = _mm_add_epi32(acc, pairs(_mm_unpackhi_epi16(p, r), _mm_unpackhi_epi32(c, c)));
  }
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
  sum[0] = _mm_cvtsi128_si32(acc);
  sum[1] = _mm_cvtsi128_si32(_mm_srli_si128(acc, 4));
}

__m256i load8(const int32_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__m128i load4(const int32_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

int64_t totalWide(__m256i v) {
  const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
  return _mm_cvtsi128_si64(_mm_add_epi64(s, _mm_unpackhi_epi64(s, s)));
}

// 32-bit samples: four taps a pass, every product exact in a 64-bit lane (the multiply takes the
// low 32 bits of each lane as a signed number).
inline void mono(const int32_t* past, const int32_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                 int64_t* sum) {
  __m256i acc = _mm256_setzero_si256();
  for (uint32_t k = 0; k < width; k += 4) {
    const __m256i p = _mm256_cvtepi32_epi64(load4(past + k));
    const __m256i f = _mm256_cvtepi32_epi64(_mm_shuffle_epi32(load4(future_last - k - 3), _MM_SHUFFLE(0, 1, 2, 3)));
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(p, _mm256_cvtepi16_epi64(load2(hl + k))));
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(f, _mm256_cvtepi16_epi64(load2(hr + k))));
  }
  sum[0] = totalWide(acc);
}

// Four frames a pass; each frame (left, right) is one 64-bit lane, the left sample in its low half.
inline void stereo(const int32_t* past, const int32_t* future_last, const int16_t* hl, const int16_t* hr,
                   uint32_t width, int64_t* sum) {
  __m256i left = _mm256_setzero_si256();
  __m256i right = _mm256_setzero_si256();
  for (uint32_t k = 0; k < width; k += 4) {
    const __m256i p = load8(past + 2 * k);
    const __m256i f = _mm256_permute4x64_epi64(load8(future_last - 2 * (k + 3)), _MM_SHUFFLE(0, 1, 2, 3));
    const __m256i cl = _mm256_cvtepi16_epi64(load2(hl + k));
    const __m256i cr = _mm256_cvtepi16_epi64(load2(hr + k));
    left = _mm256_add_epi64(left, _mm256_add_epi64(_mm256_mul_epi32(p, cl), _mm256_mul_epi32(f, cr)));
    right = _mm256_add_epi64(right, _mm256_add_epi64(_mm256_mul_epi32(_mm256_srli_epi64(p, 32), cl),
                                                     _mm256_mul_epi32(_mm256_srli_epi64(f, 32), cr)));
  }
  sum[0] = totalWide(left);
  sum[1] = totalWide(right);
}

struct Dot {
  // ((sum x gain) + 2^20) >> 21 in 64-bit lanes; the result fits 32 bits, so the low halves of a
  // logical shift are those of the arithmetic one, and a saturating pack clamps them.
  static constexpr bool kScalesStereo = true;
  static void scaleStereo(const int32_t* sum, int32_t gain, int16_t* out) {
    const __m128i wide = _mm_cvtepi32_epi64(load2(reinterpret_cast<const int16_t*>(sum)));
    __m128i y = _mm_mul_epi32(wide, _mm_set1_epi64x(static_cast<int16_t>(gain)));
    y = _mm_srli_epi64(_mm_add_epi64(y, _mm_set1_epi64x(1 << 20)), 21);
    y = _mm_packs_epi32(_mm_shuffle_epi32(y, _MM_SHUFFLE(3, 3, 2, 0)), y);
    const int32_t both = _mm_cvtsi128_si32(y);
    __builtin_memcpy(out, &both, sizeof(both));
  }
  static int32_t sumOf(int16_t);
  static int64_t sumOf(int32_t);
  template <uint32_t Channels, typename Sample, typename Sum>
  static void sum(const Sample* past, const Sample* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                  Sum* out) {
    if (Channels == 2) {
      stereo(past, future_last, hl, hr, width, out);
    } else {
      mono(past, future_last, hl, hr, width, out);
    }
  }
};

}  // namespace

namespace torqen {
const VariantRuns kAvx2Runs{tableRuns<Dot, int16_t>(), tableRuns<Dot, int32_t>()};
}  // namespace torqen
