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

// One output frame of every history channel at centre `x`: the taps of both channels share their
// coefficients, read with a stride of one input frame's phases.
template <typename Kind, uint32_t Channels>
void filterFrame(const typename Kind::Sample* hist, uint32_t x, uint32_t taps, const int16_t* left,
                 const int16_t* right, int32_t phases, typename Kind::Acc* acc) {
  const typename Kind::Sample* past = hist + (x - taps) * Channels;
  const typename Kind::Sample* future = hist + (x + taps - 1) * Channels;
  typename Kind::Acc a0 = 0;
  typename Kind::Acc a1 = 0;
  for (uint32_t k = 0; k < taps; ++k) {
    const int32_t hl = *left;
    const int32_t hr = *right;
    a0 += Kind::tap(past[0], hl, future[0], hr);
    if (Channels == 2) {
      a1 += Kind::tap(past[1], hl, future[1], hr);
    }
    left += phases;
    right += phases;
    past += Channels;
    future -= Channels;
  }
  acc[0] = a0;
  acc[1] = a1;
}

template <typename Kind, uint32_t Channels>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t offered,
             uint32_t* used_centres, uint32_t out_channels) {
  using Sample = typename Kind::Sample;
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
    typename Kind::Acc acc[2];
    filterFrame<Kind, Channels>(hist, centre0 + used, taps, coef + p, coef + (phases - p), phases, acc);
    Sample* frame = out + written * out_channels;
    for (uint32_t ch = 0; ch < Channels; ++ch) {
      torqen::putSample(frame, ch, Channels, out_channels, Kind::scale(acc[ch], gain));
    }
    ++written;
    p += step;
    if (p < 0) {
      p += phases;
      ++used;
    }
    used += advance;
  } while (written < free_frames && used < offered);

  *used_centres = used;
  h->phase = static_cast<uint32_t>(p);
  h->frac = static_cast<uint32_t>((uint64_t{h->ratio} * written + h->frac) & torqen::kQ25Mask);
  return written;
}

template <typename Kind>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
             uint32_t in_channels, uint32_t out_channels) {
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto channels, uint32_t offered) {
    return run<Kind, decltype(channels)::value>(h, out, free_frames, offered, avail, out_channels);
  });
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
