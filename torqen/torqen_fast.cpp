#include "torqen_fast.h"

#include "torqen_layout.h"
#include "torqen_setup.h"

namespace {

using torqen::clampTo;

// 16-bit history: each tap pair is summed in 32 bits and scaled down by 2^8 before accumulating.
struct Narrow {
  using Sample = int16_t;
  using Acc = int32_t;
  static Acc tap(Sample past, int32_t hl, Sample future, int32_t hr) { return (past * hl + future * hr) >> 8; }
  static Sample scale(Acc acc, int32_t gain) {
    const int64_t v = (int64_t{acc} * static_cast<int16_t>(gain)) >> 16;
    return clampTo<int16_t>((v + 16) >> 5);
  }
};

struct Wide {
  using Sample = int32_t;
  using Acc = int64_t;
  static Acc tap(Sample past, int32_t hl, Sample future, int32_t hr) {
    return int64_t{past} * hl + int64_t{future} * hr;
  }
  static Sample scale(Acc acc, int32_t gain) { return clampTo<int32_t>(((acc >> 14) * gain + 16384) >> 15); }
};

template <typename Kind>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
             uint32_t in_channels, uint32_t out_channels) {
  using Sample = typename Kind::Sample;
  const uint32_t offered = *avail;
  if (offered == 0 || free_frames == 0) {
    *avail = 0;
    return 0;
  }
  const uint32_t hc = torqen::bothStereo(in_channels, out_channels) ? 2 : 1;
  const Sample* hist = torqen::history<Sample>(h);
  const int16_t* coef = torqen::activeCoefficients(h);
  const int32_t phases = static_cast<int32_t>(h->phases);
  const uint32_t taps = h->taps;
  const int32_t step = h->phase_step;
  const uint32_t advance = h->advance;
  const int32_t gain = h->gain;
  const uint32_t centre0 = h->hist_center;
  int32_t p = static_cast<int32_t>(h->phase);
  uint32_t used = 0;
  uint32_t written = 0;
  do {
    const uint32_t x = centre0 + used;
    const int16_t* left = coef + p;
    const int16_t* right = coef + (phases - p);
    for (uint32_t ch = 0; ch < hc; ++ch) {
      const Sample* past = hist + (x - taps) * hc + ch;
      const Sample* future = hist + (x + taps - 1) * hc + ch;
      typename Kind::Acc acc = 0;
      for (uint32_t k = 0; k < taps; ++k) {
        acc += Kind::tap(past[k * hc], left[k * phases], future[-static_cast<int32_t>(k * hc)], right[k * phases]);
      }
      torqen::putSample(out + written * out_channels, ch, hc, out_channels, Kind::scale(acc, gain));
    }
    ++written;
    p += step;
    if (p < 0) {
      p += phases;
      ++used;
    }
    used += advance;
  } while (written < free_frames && used < offered);

  *avail = used;
  h->phase = static_cast<uint32_t>(p);
  h->frac = static_cast<uint32_t>((uint64_t{h->ratio} * written + h->frac) & torqen::kQ25Mask);
  return written;
}

}  // namespace

extern "C" uint32_t fastTorqen(torqen_handle_t* h, int16_t* out, uint32_t free_frames, uint32_t* avail,
                               uint32_t in_channels, uint32_t out_channels) {
  return run<Narrow>(h, out, free_frames, avail, in_channels, out_channels);
}

extern "C" uint32_t fastTorqen_32BIT(torqen_handle_t* h, int32_t* out, uint32_t free_frames, uint32_t* avail,
                                     uint32_t in_channels, uint32_t out_channels) {
  return run<Wide>(h, out, free_frames, avail, in_channels, out_channels);
}
