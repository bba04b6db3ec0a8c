#include <immintrin.h>

#include "torqen/torqen_simd_priv.h"

namespace {

using torqen::kArrangedEntries;

__m256i load8(const int16_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
__m128i load4(const int16_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
__m128i load2(const int16_t* p) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
void store8(int16_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
void store4(int16_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
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

// Where the sums take their coefficient vectors: interleaved from the two rows as they go, or
// loaded from a copy arranged once in that order, when every output of a run uses the same rows.
// The vectors of the block that starts at tap k lie at 2k (16-bit mono), 4k (16-bit stereo) or 8k
// (32-bit) entries of the arrangement, one after the other.
struct FromRows {
  static constexpr bool kRightAscending = false;
  const int16_t* hl;
  const int16_t* hr;
  // 16-bit mono: the pairs of taps k..k+15, the lanes as the samples' unpacking holds them.
  __m256i monoLo16(uint32_t k) const { return _mm256_unpacklo_epi16(load8(hl + k), load8(hr + k)); }
  __m256i monoHi16(uint32_t k) const { return _mm256_unpackhi_epi16(load8(hl + k), load8(hr + k)); }
  __m128i monoLo8(uint32_t k) const { return _mm_unpacklo_epi16(load4(hl + k), load4(hr + k)); }
  __m128i monoHi8(uint32_t k) const { return _mm_unpackhi_epi16(load4(hl + k), load4(hr + k)); }
  __m128i mono4(uint32_t k) const { return _mm_unpacklo_epi16(load2(hl + k), load2(hr + k)); }
  // 16-bit stereo: each pair of taps k..k+7 twice, once for each channel; taps 0-3 in the low half
  // and 4-7 in the high half, as the 128-bit lanes of the samples hold them.
  __m256i stereoCoefs8(uint32_t k) const {
    const __m128i cl = load4(hl + k);
    const __m128i cr = load4(hr + k);
    return _mm256_set_m128i(_mm_unpackhi_epi16(cl, cr), _mm_unpacklo_epi16(cl, cr));
  }
  __m256i stereoLo8(uint32_t k) const {
    const __m256i c = stereoCoefs8(k);
    return _mm256_unpacklo_epi32(c, c);
  }
  __m256i stereoHi8(uint32_t k) const {
    const __m256i c = stereoCoefs8(k);
    return _mm256_unpackhi_epi32(c, c);
  }
  __m128i stereoLo4(uint32_t k) const {
    const __m128i c = _mm_unpacklo_epi16(load2(hl + k), load2(hr + k));
    return _mm_unpacklo_epi32(c, c);
  }
  __m128i stereoHi4(uint32_t k) const {
    const __m128i c = _mm_unpacklo_epi16(load2(hl + k), load2(hr + k));
    return _mm_unpackhi_epi32(c, c);
  }
  // 32-bit: taps k..k+3 of each wing, one in each 64-bit lane.
  __m256i left4(uint32_t k) const { return _mm256_cvtepi16_epi64(load2(hl + k)); }
  __m256i right4(uint32_t k) const { return _mm256_cvtepi16_epi64(load2(hr + k)); }
};

// With 32-bit samples, whose products are summed unshifted and so in any order, the arrangement
// puts each block's right-wing coefficients in the order its samples lie in memory (the block's
// last tap first), so that the sums need not reverse the samples.
struct Arranged {
  static constexpr bool kRightAscending = true;
  const int16_t* a;
  __m256i monoLo16(uint32_t k) const { return load8(a + 2 * k); }
  __m256i monoHi16(uint32_t k) const { return load8(a + 2 * k + 16); }
  __m128i monoLo8(uint32_t k) const { return load4(a + 2 * k); }
  __m128i monoHi8(uint32_t k) const { return load4(a + 2 * k + 8); }
  __m128i mono4(uint32_t k) const { return load4(a + 2 * k); }
  __m256i stereoLo8(uint32_t k) const { return load8(a + 4 * k); }
  __m256i stereoHi8(uint32_t k) const { return load8(a + 4 * k + 16); }
  __m128i stereoLo4(uint32_t k) const { return load4(a + 4 * k); }
  __m128i stereoHi4(uint32_t k) const { return load4(a + 4 * k + 8); }
  __m256i left4(uint32_t k) const { return load8(a + 8 * k); }
  __m256i right4(uint32_t k) const { return load8(a + 8 * k + 16); }
};

// Always inlined, with the sums that call them: the lambdas taken below are the loop bodies, and
// the fixed widths of the common filters unroll them.
#define TORQEN_INLINE inline __attribute__((always_inline))

// The blocks of a row pair, as the sums below walk them.

template <typename Wide, typename Mid, typename Narrow>
TORQEN_INLINE void monoBlocks16(uint32_t width, Wide wide, Mid mid, Narrow narrow) {
  uint32_t k = 0;
  for (; k + 16 <= width; k += 16) {
    wide(k);
  }
  if (k + 8 <= width) {
    mid(k);
    k += 8;
  }
  if (k < width) {
    narrow(k);
  }
}

template <typename Wide, typename Narrow>
TORQEN_INLINE void stereoBlocks16(uint32_t width, Wide wide, Narrow narrow) {
  uint32_t k = 0;
  for (; k + 8 <= width; k += 8) {
    wide(k);
  }
  if (k < width) {
    narrow(k);
  }
}

// Sixteen taps a pass while they last, then eight, then four. The right wing is read upwards and
// reversed: each tap pair (past and future frame of the same tap) is summed and shifted as one, as
// the scalar kernel does. Returns four partial sums of the frame, to be added up.
template <typename Coefs>
TORQEN_INLINE __m128i monoPartial(const int16_t* past, const int16_t* future_last, const Coefs& c, uint32_t width) {
  const __m256i reverse = _mm256_setr_epi8(14, 15, 12, 13, 10, 11, 8, 9, 6, 7, 4, 5, 2, 3, 0, 1, 14, 15, 12, 13, 10, 11,
                                           8, 9, 6, 7, 4, 5, 2, 3, 0, 1);
  __m256i wide = _mm256_setzero_si256();
  __m128i acc = _mm_setzero_si128();
  monoBlocks16(
      width,
      [&](uint32_t k) {
        const __m256i p = load8(past + k);
        __m256i r = _mm256_shuffle_epi8(load8(future_last - k - 15), reverse);
        r = _mm256_permute2x128_si256(r, r, 0x01);
        wide = _mm256_add_epi32(wide, pairs(_mm256_unpacklo_epi16(p, r), c.monoLo16(k)));
        wide = _mm256_add_epi32(wide, pairs(_mm256_unpackhi_epi16(p, r), c.monoHi16(k)));
      },
      [&](uint32_t k) {
        const __m128i p = load4(past + k);
        const __m128i r = _mm_shuffle_epi8(load4(future_last - k - 7), _mm256_castsi256_si128(reverse));
        acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(p, r), c.monoLo8(k)));
        acc = _mm_add_epi32(acc, pairs(_mm_unpackhi_epi16(p, r), c.monoHi8(k)));
      },
      [&](uint32_t k) {
        const __m128i r = _mm_shufflelo_epi16(load2(future_last - k - 3), _MM_SHUFFLE(0, 1, 2, 3));
        acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(load2(past + k), r), c.mono4(k)));
      });
  return _mm_add_epi32(acc, halves(wide));
}

template <typename Coefs>
inline void mono(const int16_t* past, const int16_t* future_last, const Coefs& c, uint32_t width, int32_t* sum) {
  __m128i acc = monoPartial(past, future_last, c, width);
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(1, 0, 3, 2)));
  acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, _MM_SHUFFLE(2, 3, 0, 1)));
  sum[0] = _mm_cvtsi128_si32(acc);
}

// Two frames' partial sums added up side by side: the first frame's total in sum[0], the second's
// in sum[1].
TORQEN_INLINE void totalsOfTwo(__m128i a, __m128i b, int32_t* sum) {
  const __m128i t = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(sum), _mm_add_epi32(t, _mm_unpackhi_epi64(t, t)));
}

// Eight frames a pass, then four; each frame (left, right) moves as one 32-bit unit, and each
// coefficient pair serves both channels.
template <typename Coefs>
inline void stereo(const int16_t* past, const int16_t* future_last, const Coefs& c, uint32_t width, int32_t* sum) {
  const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
  __m256i acc0 = _mm256_setzero_si256();
  __m256i acc1 = _mm256_setzero_si256();
  __m128i acc = _mm_setzero_si128();
  stereoBlocks16(
      width,
      [&](uint32_t k) {
        const __m256i p = load8(past + 2 * k);
        const __m256i r = _mm256_permutevar8x32_epi32(load8(future_last - 2 * k - 14), reverse);
        acc0 = _mm256_add_epi32(acc0, pairs(_mm256_unpacklo_epi16(p, r), c.stereoLo8(k)));
        acc1 = _mm256_add_epi32(acc1, pairs(_mm256_unpackhi_epi16(p, r), c.stereoHi8(k)));
      },
      [&](uint32_t k) {
        const __m128i p = load4(past + 2 * k);
        const __m128i r = _mm_shuffle_epi32(load4(future_last - 2 * k - 6), _MM_SHUFFLE(0, 1, 2, 3));
        acc = _mm_add_epi32(acc, pairs(_mm_unpacklo_epi16(p, r), c.stereoLo4(k)));
        acc = _mm_add_epi32(acc, pairs(_mm_unpackhi_epi16(p, r), c.stereoHi4(k)));
      });
  acc = _mm_add_epi32(acc, halves(_mm256_add_epi32(acc0, acc1)));
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
template <typename Coefs>
inline void mono(const int32_t* past, const int32_t* future_last, const Coefs& c, uint32_t width, int64_t* sum) {
  __m256i acc = _mm256_setzero_si256();
  for (uint32_t k = 0; k < width; k += 4) {
    const __m256i p = _mm256_cvtepi32_epi64(load4(past + k));
    __m128i fr = load4(future_last - k - 3);
    if constexpr (!Coefs::kRightAscending) {
      fr = _mm_shuffle_epi32(fr, _MM_SHUFFLE(0, 1, 2, 3));
    }
    const __m256i f = _mm256_cvtepi32_epi64(fr);
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(p, c.left4(k)));
    acc = _mm256_add_epi64(acc, _mm256_mul_epi32(f, c.right4(k)));
  }
  sum[0] = totalWide(acc);
}

// Four frames a pass; each frame (left, right) is one 64-bit lane, the left sample in its low half.
template <typename Coefs>
inline void stereo(const int32_t* past, const int32_t* future_last, const Coefs& c, uint32_t width, int64_t* sum) {
  __m256i left = _mm256_setzero_si256();
  __m256i right = _mm256_setzero_si256();
  // Unrolled fully, this loop would hold more products than there are registers.
#pragma GCC unroll 2
  for (uint32_t k = 0; k < width; k += 4) {
    const __m256i p = load8(past + 2 * k);
    __m256i f = load8(future_last - 2 * (k + 3));
    if constexpr (!Coefs::kRightAscending) {
      f = _mm256_permute4x64_epi64(f, _MM_SHUFFLE(0, 1, 2, 3));
    }
    const __m256i cl = c.left4(k);
    const __m256i cr = c.right4(k);
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
    const FromRows c{hl, hr};
    if constexpr (Channels == 2) {
      stereo(past, future_last, c, width, out);
    } else {
      mono(past, future_last, c, width, out);
    }
  }

  // Arranging the rows once pays when a whole run uses them.
  static constexpr bool kArranges = true;
  template <uint32_t Channels, typename Sample>
  static void arrange(const int16_t* hl, const int16_t* hr, uint32_t width, int16_t* to) {
    const FromRows c{hl, hr};
    if constexpr (sizeof(Sample) == 4) {
      for (uint32_t k = 0; k < width; k += 4) {
        store8(to + 8 * k, c.left4(k));
        store8(to + 8 * k + 16, _mm256_permute4x64_epi64(c.right4(k), _MM_SHUFFLE(0, 1, 2, 3)));
      }
    } else if constexpr (Channels == 2) {
      stereoBlocks16(
          width,
          [&](uint32_t k) {
            store8(to + 4 * k, c.stereoLo8(k));
            store8(to + 4 * k + 16, c.stereoHi8(k));
          },
          [&](uint32_t k) {
            store4(to + 4 * k, c.stereoLo4(k));
            store4(to + 4 * k + 8, c.stereoHi4(k));
          });
    } else {
      monoBlocks16(
          width,
          [&](uint32_t k) {
            store8(to + 2 * k, c.monoLo16(k));
            store8(to + 2 * k + 16, c.monoHi16(k));
          },
          [&](uint32_t k) {
            store4(to + 2 * k, c.monoLo8(k));
            store4(to + 2 * k + 8, c.monoHi8(k));
          },
          [&](uint32_t k) { store4(to + 2 * k, c.mono4(k)); });
    }
  }
  // Two mono frames of 16-bit samples at once, the second from its own past and rows: their
  // reductions share instructions, and `scaleStereo` scales both.
  static constexpr bool kSumsTwoMono = true;
  TORQEN_INLINE static void sumTwo(const int16_t* past, const int16_t* future_last, const int16_t* hl,
                                   const int16_t* hr, const int16_t* past2, const int16_t* future_last2,
                                   const int16_t* hl2, const int16_t* hr2, uint32_t width, int32_t* sum) {
    totalsOfTwo(monoPartial(past, future_last, FromRows{hl, hr}, width),
                monoPartial(past2, future_last2, FromRows{hl2, hr2}, width), sum);
  }
  TORQEN_INLINE static void sumTwoArranged(const int16_t* past, const int16_t* future_last, const int16_t* past2,
                                           const int16_t* future_last2, const int16_t* arranged, uint32_t width,
                                           int32_t* sum) {
    const Arranged c{arranged};
    totalsOfTwo(monoPartial(past, future_last, c, width), monoPartial(past2, future_last2, c, width), sum);
  }

  template <uint32_t Channels, typename Sample, typename Sum>
  static void sumArranged(const Sample* past, const Sample* future_last, const int16_t* arranged, uint32_t width,
                          Sum* out) {
    const Arranged c{arranged};
    if constexpr (Channels == 2) {
      stereo(past, future_last, c, width, out);
    } else {
      mono(past, future_last, c, width, out);
    }
  }
};

static_assert(8 * torqen::kMaxArrangedWidth <= kArrangedEntries, "the widest arrangement takes eight entries a tap");

}  // namespace

namespace torqen {
const VariantRuns kAvx2Runs{tableRuns<Dot, int16_t>(), tableRuns<Dot, int32_t>()};
}  // namespace torqen
