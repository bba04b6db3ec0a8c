#include "torqen/torqen_fast.h"

#include <algorithm>
#include <cstddef>

#include "torqen/torqen_layout_priv.h"
#include "torqen/torqen_setup.h"

namespace {

using torqen::clampTo;

// 16-bit history: each tap pair is summed in 32 bits and scaled down by 2^8 before accumulating.
struct Narrow {
  using Sample = int16_t;
  using Acc = int32_t;
  static void tap(Acc& acc, Sample past, int32_t hl, Sample future, int32_t hr) {
    acc += (past * hl + future * hr) >> 8;
  }
  // (((acc x gain) >> 16) + 16) >> 5 as one rounding shift: the first shift drops only bits that the
  // second drops as well. The result fits 32 bits.
  static Sample scale(Acc acc, int32_t gain) {
    const int32_t y = static_cast<int32_t>((int64_t{acc} * static_cast<int16_t>(gain) + (1 << 20)) >> 21);
    return static_cast<Sample>(std::clamp(y, -32768, 32767));
  }
};

struct Wide {
  using Sample = int32_t;
  using Acc = int64_t;
  // Both products go straight into the accumulator: 64 bits cannot overflow here, so the sum is the
  // same as adding their total, and 32-bit targets get one multiply-accumulate per product.
  static void tap(Acc& acc, Sample past, int32_t hl, Sample future, int32_t hr) {
    acc += int64_t{past} * hl;
    acc += int64_t{future} * hr;
  }
  static Sample scale(Acc acc, int32_t gain) { return clampTo<int32_t>(((acc >> 14) * gain + 16384) >> 15); }
};

// One output frame of every history channel. `past` is the oldest frame of the left wing and
// `future` the newest of the right wing; both wings step through the coefficients `phases` apart,
// the right wing's `right` entries after the left wing's, and the channels share each coefficient.
template <typename Kind, uint32_t Channels>
void filterFrame(const typename Kind::Sample* past, const typename Kind::Sample* future, uint32_t taps,
                 const int16_t* left, int32_t right, int32_t phases, typename Kind::Acc* sum) {
  for (uint32_t ch = 0; ch < Channels; ++ch) {
    sum[ch] = 0;
  }
  const auto tap = [&] {
    const int32_t hl = left[0];
    const int32_t hr = left[right];
    for (uint32_t ch = 0; ch < Channels; ++ch) {
      Kind::tap(sum[ch], past[ch], hl, future[ch], hr);
    }
    past += Channels;
    future -= Channels;
    left += phases;
  };
  // Two taps per pass halve the loop's own work; an odd count starts with a single tap, so the
  // taps keep their order. The wings meet at the centre, which ends the loop.
  if (taps % 2 != 0) {
    tap();
  }
  while (past < future) {
    tap();
    tap();
  }
}

template <typename Kind, typename Layout>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t offered,
             uint32_t* used_centres, uint32_t out_channels) {
  using Sample = typename Kind::Sample;
  constexpr uint32_t channels = Layout::kChannels;
  const int16_t* coef = torqen::activeCoefficients(h);
  const int32_t phases = static_cast<int32_t>(h->phases);
  const uint32_t taps = h->taps;
  const int32_t step = h->phase_step;
  const uint32_t advance = h->advance * channels;
  const int32_t gain = h->gain;
  // The frame loop follows the oldest frame of the left wing; the centres used follow from it at the end.
  const Sample* const first_centre = torqen::history<Sample>(h) + h->hist_center * channels;
  const Sample* const first_past = first_centre - taps * channels;
  const Sample* const stop = first_past + offered * channels;
  // Signed, so that a filter without taps leaves the wings crossed and adds nothing.
  const ptrdiff_t span = (2 * static_cast<ptrdiff_t>(taps) - 1) * static_cast<ptrdiff_t>(channels);
  const Sample* past = first_past;
  int32_t p = static_cast<int32_t>(h->phase);
  uint32_t written = 0;
  do {
    typename Kind::Acc acc[channels];
    filterFrame<Kind, channels>(past, past + span, taps, coef + p, phases - 2 * p, phases, acc);
    for (uint32_t ch = 0; ch < channels; ++ch) {
      Layout::put(out, ch, Kind::scale(acc[ch], gain));
    }
    out += out_channels;
    ++written;
    p += step;
    past += advance;
    if (p < 0) {
      p += phases;
      past += channels;
    }
  } while (written < free_frames && past < stop);

  *used_centres = static_cast<uint32_t>(past - first_past) / channels;
  h->phase = static_cast<uint32_t>(p);
  h->frac = static_cast<uint32_t>((uint64_t{h->ratio} * written + h->frac) & torqen::kQ25Mask);
  return written;
}

template <typename Kind>
uint32_t run(torqen_handle_t* h, typename Kind::Sample* out, uint32_t free_frames, uint32_t* avail,
             uint32_t in_channels, uint32_t out_channels) {
  return torqen::dispatchKernel(avail, free_frames, in_channels, out_channels, [&](auto layout, uint32_t offered) {
    return run<Kind, decltype(layout)>(h, out, free_frames, offered, avail, out_channels);
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
