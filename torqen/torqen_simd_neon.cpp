#include <arm_neon.h>

#include "torqen/torqen_simd_priv.h"

namespace {

// One tap pair per lane, summed in 32 bits (it cannot overflow: no coefficient is -32768) and
// shifted as the scalar kernel does before it is added.
int32x4_t addPairs(int32x4_t acc, int16x4_t past, int16x4_t hl, int16x4_t future, int16x4_t hr) {
  return vsraq_n_s32(acc, vmlal_s16(vmull_s16(past, hl), future, hr), 8);
}

int32_t total(int32x4_t v) {
  const int32x2_t s = vadd_s32(vget_low_s32(v), vget_high_s32(v));
  return vget_lane_s32(vpadd_s32(s, s), 0);
}

// Eight taps a pass, then four; the right wing is read upwards and reversed. `f` is the lowest
// frame of its next eight.
inline void mono(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                 int32_t* sum) {
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 7;
  int32x4_t acc0 = vdupq_n_s32(0);
  int32x4_t acc1 = vdupq_n_s32(0);
  for (; hl + 8 <= hl_end; hl += 8, hr += 8, past += 8, f -= 8) {
    const int16x8_t p = vld1q_s16(past);
    const int16x8_t up = vrev64q_s16(vld1q_s16(f));
    const int16x8_t l = vld1q_s16(hl);
    const int16x8_t r = vld1q_s16(hr);
    acc0 = addPairs(acc0, vget_low_s16(p), vget_low_s16(l), vget_high_s16(up), vget_low_s16(r));
    acc1 = addPairs(acc1, vget_high_s16(p), vget_high_s16(l), vget_low_s16(up), vget_high_s16(r));
  }
  if (hl < hl_end) {
    acc0 = addPairs(acc0, vld1_s16(past), vld1_s16(hl), vrev64_s16(vld1_s16(f + 4)), vld1_s16(hr));
  }
  sum[0] = total(vaddq_s32(acc0, acc1));
}

// Four frames a pass, split into their channels as they are loaded. `f` is the lowest frame of
// the right wing's next four.
inline void stereo(const int16_t* past, const int16_t* future_last, const int16_t* hl, const int16_t* hr,
                   uint32_t width, int32_t* sum) {
  const int16_t* const hl_end = hl + width;
  const int16_t* f = future_last - 6;
  int32x4_t left = vdupq_n_s32(0);
  int32x4_t right = vdupq_n_s32(0);
  for (; hl < hl_end; hl += 4, hr += 4, past += 8, f -= 8) {
    const int16x4x2_t p = vld2_s16(past);
    const int16x4x2_t up = vld2_s16(f);
    const int16x4_t l = vld1_s16(hl);
    const int16x4_t r = vld1_s16(hr);
    left = addPairs(left, p.val[0], l, vrev64_s16(up.val[0]), r);
    right = addPairs(right, p.val[1], l, vrev64_s16(up.val[1]), r);
  }
  sum[0] = total(left);
  sum[1] = total(right);
}

// Four 32-bit samples in the opposite order.
int32x4_t reversed(int32x4_t v) {
  const int32x4_t pairs = vrev64q_s32(v);
  return vcombine_s32(vget_high_s32(pairs), vget_low_s32(pairs));
}

// Products of 32-bit samples and 16-bit coefficients, exact in 64-bit lanes.
int64x2_t addProducts(int64x2_t acc, int32x4_t samples, int32x4_t coefs) {
  acc = vmlal_s32(acc, vget_low_s32(samples), vget_low_s32(coefs));
  return vmlal_s32(acc, vget_high_s32(samples), vget_high_s32(coefs));
}

int64_t total(int64x2_t v) {
  return vgetq_lane_s64(v, 0) + vgetq_lane_s64(v, 1);
}

// 32-bit samples: four taps a pass.
inline void mono(const int32_t* past, const int32_t* future_last, const int16_t* hl, const int16_t* hr, uint32_t width,
                 int64_t* sum) {
  int64x2_t acc = vdupq_n_s64(0);
  for (uint32_t k = 0; k < width; k += 4) {
    acc = addProducts(acc, vld1q_s32(past + k), vmovl_s16(vld1_s16(hl + k)));
    acc = addProducts(acc, reversed(vld1q_s32(future_last - k - 3)), vmovl_s16(vld1_s16(hr + k)));
  }
  sum[0] = total(acc);
}

// Four frames a pass, split into their channels as they are loaded.
inline void stereo(const int32_t* past, const int32_t* future_last, const int16_t* hl, const int16_t* hr,
                   uint32_t width, int64_t* sum) {
  int64x2_t left = vdupq_n_s64(0);
  int64x2_t right = vdupq_n_s64(0);
  for (uint32_t k = 0; k < width; k += 4) {
    const int32x4x2_t p = vld2q_s32(past + 2 * k);
    const int32x4x2_t up = vld2q_s32(future_last - 2 * (k + 3));
    const int32x4_t cl = vmovl_s16(vld1_s16(hl + k));
    const int32x4_t cr = vmovl_s16(vld1_s16(hr + k));
    left = addProducts(addProducts(left, p.val[0], cl), reversed(up.val[0]), cr);
    right = addProducts(addProducts(right, p.val[1], cl), reversed(up.val[1]), cr);
  }
  sum[0] = total(left);
  sum[1] = total(right);
}

struct Dot {
  static constexpr bool kArranges = false;
  // ((sum x gain) + 2^20) >> 21 by a rounding shift of the 64-bit products, narrowed with saturation.
  static constexpr bool kScalesStereo = true;
  static void scaleStereo(const int32_t* sum, int32_t gain, int16_t* out) {
    const int64x2_t y = vrshrq_n_s64(vmull_s32(vld1_s32(sum), vdup_n_s32(static_cast<int16_t>(gain))), 21);
    const int16x4_t both = vqmovn_s32(vcombine_s32(vqmovn_s64(y), vdup_n_s32(0)));
    vst1_lane_s16(out, both, 0);
    vst1_lane_s16(out + 1, both, 1);
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
const VariantRuns kNeonRuns{tableRuns<Dot, int16_t>(), tableRuns<Dot, int32_t>()};
}  // namespace torqen
